#include "StaticResult.h"

#include "SqliteStatement.h"

StaticResult::StaticResult(std::vector<ResultColumn> columns, SqliteStatement& stmt)
    : ResultSet(std::move(columns))
{
    const int n = int(m_columns.size());
    while (stmt.step()) {
        RowData row;
        row.values.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            row.values.push_back(FieldTypes::fromEngine(m_columns[size_t(i)].type, stmt.column(i)));
        m_rows.push_back(std::move(row));
    }
}
