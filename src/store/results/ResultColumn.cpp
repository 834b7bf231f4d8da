#include "ResultColumn.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace {

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

bool plainIdentifier(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

} // namespace

std::vector<ResultColumn> ResultColumn::describe(sqlite3_stmt* stmt)
{
    std::vector<ResultColumn> columns;
    const int n = sqlite3_column_count(stmt);
    int expressions = 0;
    sqlite3* db = sqlite3_db_handle(stmt);
    for (int i = 0; i < n; ++i) {
        ResultColumn c;
        c.name = text(sqlite3_column_name(stmt, i));
        c.table = text(sqlite3_column_table_name(stmt, i));
        c.origin = text(sqlite3_column_origin_name(stmt, i));
        if (c.origin.isEmpty() && !plainIdentifier(c.name))
            c.name = QStringLiteral("Expr%1").arg(1000 + expressions++);
        c.type = FieldTypes::fromDeclaration(text(sqlite3_column_decltype(stmt, i)), &c.size);
        if (!c.origin.isEmpty()) {
            const char* declType = nullptr;
            int primaryKey = 0, autoInc = 0;
            const QByteArray table = c.table.toUtf8(), column = c.origin.toUtf8();
            if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(stmt, i), table.constData(),
                                              column.constData(), &declType, nullptr, nullptr, &primaryKey, &autoInc)
                    == SQLITE_OK
                && primaryKey && c.type == TFieldType::Integer) {
                c.key = true;
                c.type = TFieldType::AutoInc;
            }
        }
        columns.push_back(std::move(c));
    }
    return columns;
}
