#pragma once

#include "KeyOrder.h"

#include <QString>
#include <QVariant>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class SqliteConnection;
class SqliteStatement;

// Reads the keys of a whole table in the order "<column> [DESC], <key>" along an index on that
// column alone, one window at a time: opening a large result reads what a grid shows first,
// and the rest only when it is asked for. Each window starts where the last one ended, found by
// a seek in the index, so no window costs more than its own rows. Rows equal in the column come
// in key order in both directions, as a whole run of the statement gives them.
class KeyWalk
{
public:
    struct Order
    {
        QString table;
        QString keyColumn;
        QString column;
        bool descending = false;
        KeyOrder::Collation collation = KeyOrder::Collation::Binary;
        QString index; // the index walked along
    };

    // Rows the walk keeps to (a filter): a condition over the table whose markers are numbered
    // from kFirstConditionMarker, and their values. Empty: every row.
    struct Condition
    {
        QString sql;
        std::vector<QVariant> binds;
        bool empty() const { return sql.isEmpty(); }
    };
    static constexpr int kFirstConditionMarker = 4;

    // The order of "select * from <table> order by <term>" when the table has an index a walk
    // can follow for it: one on the column alone, in the column's own collation.
    static std::optional<Order> forIndex(SqliteConnection& db, const QString& table, const QString& keyColumn,
                                         const KeyOrder::Term& term);
    // How many rows the table holds and the highest key among them, read together. Keys only
    // grow (the catalogue's keys are never given twice), so a key above it is a row added
    // since.
    struct Extent
    {
        int rows = 0;
        qint64 lastKey = 0;
    };
    static Extent extent(SqliteConnection& db, const QString& table, const QString& keyColumn,
                         const Condition& condition = {});

    // A walk with a condition goes along the order's index all the same, looking at each row
    // it passes: it costs little when many rows pass, and much when few do.
    KeyWalk(SqliteConnection& db, Order order, Condition condition = {});

    // Appends the next keys in order: at least `wanted` of them, unless the table ends first,
    // and after that `done()` is true. Nothing is appended when reading fails.
    void next(std::vector<qint64>& keys, size_t wanted);
    bool done() const { return m_phase == Phase::Done; }
    const Order& order() const { return m_order; }
    const Condition& condition() const { return m_condition; }

    // A value as SQLite stores it, kept between windows (where the last window ended).
    struct Value
    {
        int type = 0; // SQLITE_NULL, SQLITE_INTEGER, ...
        qint64 integer = 0;
        double real = 0;
        std::string bytes;
    };

private:
    enum class Phase { Nulls, Values, Done };
    void readNulls(std::vector<qint64>& keys, qint64 limit);
    void readAscending(std::vector<qint64>& keys, qint64 limit);
    void readDescending(std::vector<qint64>& keys, qint64 limit);
    void readRun(std::vector<qint64>& keys, qint64 limit);

    void bindCondition(SqliteStatement& stmt) const;

    SqliteConnection& m_db;
    Order m_order;
    Condition m_condition;
    Phase m_phase;
    QString m_nullsSql, m_firstSql, m_afterSql, m_runSql;

    // Where the last window ended: among the null rows, the last key read; among the values,
    // ascending, the last value and key; descending, the last value read whole, or the value
    // of a long run being read forwards and the last key read of it.
    qint64 m_lastNullKey;
    bool m_started = false;
    bool m_inRun = false;
    Value m_value;
    qint64 m_key = 0;
};
