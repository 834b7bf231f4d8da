#pragma once

#include "ResultSet.h"

class SqliteStatement;

// A result without a key (an aggregate, a join): small, read whole when opened, read-only.
class StaticResult : public ResultSet
{
public:
    StaticResult(std::vector<ResultColumn> columns, SqliteStatement& stmt);

    int count() const override { return int(m_rows.size()); }
    const RowData& row(int index) override { return m_rows.at(size_t(index)); }

private:
    std::vector<RowData> m_rows;
};
