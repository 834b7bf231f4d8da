#pragma once

#include "ResultColumn.h"

#include <QVariant>
#include <vector>

// The values of one row of a result, column by column.
struct RowData
{
    std::vector<QVariant> values;
    bool deleted = false; // the row left the table after the result was read
    // Why the row could not be read (a damaged page of the file), with the engine's code; its
    // values are then empty but for its key. Empty for a row that was read.
    QString error;
    int errorCode = 0;
};

// An open result: its columns and its rows in result order. A result with a key keeps only
// the keys and reads rows when asked; one without is read whole.
class ResultSet
{
public:
    explicit ResultSet(std::vector<ResultColumn> columns)
        : m_columns(std::move(columns))
    {
    }
    virtual ~ResultSet() = default;

    const std::vector<ResultColumn>& columns() const { return m_columns; }
    int columnIndex(const QString& name) const;

    virtual int count() const = 0;
    // The reference stays valid until the next call of row(), invalidate() or removeAt().
    virtual const RowData& row(int index) = 0;
    // Whether rows can be written through this result (it has a table and its key).
    virtual bool updatable() const { return false; }
    virtual QString tableName() const { return {}; }
    virtual QString keyColumn() const { return {}; }
    virtual qint64 key(int /*index*/) const { return 0; }
    virtual int indexOfKey(qint64 /*key*/) const { return -1; }
    // The first position, in result order, that holds one of `keys`; -1 when none does.
    virtual int firstIndexOf(const std::vector<qint64>& keys) const;
    virtual void appendKey(qint64 /*key*/) { }
    virtual void removeAt(int /*index*/) { }
    // Forget cached rows so that the next read sees the table as it is now.
    virtual void invalidate() { }
    virtual void invalidateKey(qint64 /*key*/) { }
    // Reads whatever of the result is still to be read. Called before its table changes, so
    // that the result goes on holding the rows it was opened with.
    virtual void loadAll() { }

protected:
    std::vector<ResultColumn> m_columns;
};
