#pragma once

#include "ResultSet.h"

#include <QHash>

class TDAODatabase;

// A result over one table that keeps only the keys of its rows, in result order, and reads
// the rows themselves in small batches when they are asked for. Rows inserted through it are
// appended, deleted rows leave it, and only running the query again changes the order.
class KeysetResult : public ResultSet
{
public:
    KeysetResult(TDAODatabase& db, std::vector<ResultColumn> columns, QString table, QString keyColumn,
                 std::vector<qint64> keys);

    int count() const override { return int(m_keys.size()); }
    RowData row(int index) override;
    bool updatable() const override { return true; }
    QString tableName() const override { return m_table; }
    QString keyColumn() const override { return m_keyColumn; }
    qint64 key(int index) const override { return m_keys.at(size_t(index)); }
    int indexOfKey(qint64 key) const override;
    void appendKey(qint64 key) override;
    void removeAt(int index) override;
    void invalidate() override;
    void invalidateKey(qint64 key) override;

    static constexpr int kBatch = 64;

private:
    const RowData* cached(qint64 key);
    void fetchAround(int index);
    void remember(qint64 key, RowData row);

    TDAODatabase& m_db;
    QString m_table;
    QString m_keyColumn;
    QString m_fetchSql;
    std::vector<qint64> m_keys;
    mutable QHash<qint64, int> m_positions; // built on first use
    mutable bool m_positionsValid = false;
    // Two generations approximate "least recently used" without bookkeeping per read.
    QHash<qint64, RowData> m_recent;
    QHash<qint64, RowData> m_older;
    int m_lastIndex = -1;
    static constexpr int kGeneration = 512;
};
