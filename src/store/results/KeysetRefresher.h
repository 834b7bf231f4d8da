#pragma once

#include "KeyOrder.h"

#include <QString>
#include <QVariant>
#include <vector>

class SqliteConnection;

// Brings the ordered keys of "select * from <table> order by <columns>, <key>" up to date after
// a few rows changed: the changed rows leave the list and those still in the table go back in
// at their place, found by binary search. Reading a hundred thousand keys again to take in
// one new movie is what this saves. With a condition (a filter), a changed row goes back in only
// when it still passes.
class KeysetRefresher
{
public:
    static constexpr size_t kMostChanges = 256;

    // A condition over the table whose markers are numbered from kFirstConditionMarker.
    struct Condition
    {
        QString sql;
        std::vector<QVariant> binds;
    };
    static constexpr int kFirstConditionMarker = int(kMostChanges) + 1;

    static std::vector<qint64> refresh(SqliteConnection& db, const QString& table, const QString& keyColumn,
                                       const KeyOrder& order, std::vector<qint64> keys,
                                       const std::vector<qint64>& changed, const Condition& condition = {});
};
