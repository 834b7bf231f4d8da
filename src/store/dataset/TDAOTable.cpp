#include "TDAOTable.h"

#include "EDatabaseError.h"
#include "EEngineError.h"
#include "IndexNames.h"
#include "KeysetResult.h"
#include "SqlText.h"
#include "StaticResult.h"
#include "TDAODatabase.h"

#include <sqlite3.h>

TDAOTable::TDAOTable(QString name)
    : TDAODataset(std::move(name))
{
}

void TDAOTable::setTableName(const QString& value)
{
    if (Active())
        misuse(QStringLiteral("Cannot perform this operation on an open dataset"));
    m_tableName = value;
    m_indexDefs.reset();
}

void TDAOTable::setIndexName(const QString& value)
{
    if (value == m_indexName)
        return;
    if (!Active()) {
        m_indexName = value;
        return;
    }
    CheckBrowseMode();
    m_indexName = value;
    reopenResult();
}

void TDAOTable::setFilter(const QString& value)
{
    if (m_filtered && !value.isEmpty())
        misuse(QStringLiteral("Filter only valid if OpenType <> db_OpenTable"));
    m_filter = value;
}

void TDAOTable::setFiltered(bool value)
{
    if (value && !m_filter.isEmpty())
        misuse(QStringLiteral("Filter only valid if OpenType <> db_OpenTable"));
    m_filtered = value;
}

const std::vector<TIndexDef>& TDAOTable::IndexDefs()
{
    if (m_indexDefs)
        return *m_indexDefs;
    if (!Database())
        misuse(QStringLiteral("Cannot perform this operation without Database property"));
    Database()->Open();
    sqlite3* db = Database()->handle();
    std::vector<TIndexDef> defs;

    SqliteStatement columns(db, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)"));
    columns.bindText(1, m_tableName);
    while (columns.step()) {
        if (columns.columnInt64(2) == 1
            && columns.columnText(1).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0) {
            TIndexDef key;
            key.Name = QStringLiteral("PrimaryKey");
            key.Fields << columns.columnText(0);
            key.Primary = key.Unique = true;
            defs.push_back(key);
        }
    }

    SqliteStatement list(db, QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(?1)"));
    list.bindText(1, m_tableName);
    while (list.step()) {
        TIndexDef def;
        def.storedName = list.columnText(0);
        def.Name = IndexNames::logical(m_tableName, def.storedName);
        def.Unique = list.columnInt64(1) != 0;
        SqliteStatement info(db, QStringLiteral("SELECT name FROM pragma_index_info(?1) ORDER BY seqno"));
        info.bindText(1, def.storedName);
        while (info.step()) {
            if (!info.columnIsNull(0))
                def.Fields << info.columnText(0);
        }
        if (!def.Fields.isEmpty())
            defs.push_back(def);
    }
    m_indexDefs = std::move(defs);
    return *m_indexDefs;
}

const TIndexDef* TDAOTable::currentIndex()
{
    if (m_indexName.isEmpty())
        return nullptr;
    for (const TIndexDef& d : IndexDefs()) {
        if (d.Name.compare(m_indexName, Qt::CaseInsensitive) == 0)
            return &d;
    }
    throw EEngineError(QStringLiteral("'%1' is not an index in this table").arg(m_indexName), SQLITE_ERROR);
}

std::unique_ptr<ResultSet> TDAOTable::openResult()
{
    if (!m_filter.isEmpty() && m_filtered)
        misuse(QStringLiteral("Filter only valid if OpenType <> db_OpenTable"));
    TDAODatabase& db = *Database();
    const QString table = SqlText::quoteIdentifier(m_tableName);
    auto all = db.statement(QStringLiteral("SELECT * FROM %1").arg(table));
    std::vector<ResultColumn> columns = ResultColumn::describe(all->handle());

    QString keyColumn;
    for (const ResultColumn& c : columns) {
        if (c.key)
            keyColumn = c.origin;
    }
    QStringList order;
    if (const TIndexDef* index = currentIndex()) {
        for (const QString& f : index->Fields)
            order << SqlText::quoteIdentifier(f);
    }
    if (keyColumn.isEmpty()) {
        // No key to keep rows by: read the table whole, in stored order.
        if (!order.isEmpty()) {
            SqliteStatement ordered(
                db.handle(),
                QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, order.join(QStringLiteral(", "))));
            return std::make_unique<StaticResult>(std::move(columns), ordered);
        }
        return std::make_unique<StaticResult>(std::move(columns), *all);
    }
    // Without an index the rows come as they were added; the key says so, and naming it
    // keeps SQLite from walking a covering index in another order.
    order << SqlText::quoteIdentifier(keyColumn);
    auto keyQuery
        = db.statement(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                           .arg(SqlText::quoteIdentifier(keyColumn), table, order.join(QStringLiteral(", "))));
    std::vector<qint64> keys;
    while (keyQuery->step())
        keys.push_back(keyQuery->columnInt64(0));
    return std::make_unique<KeysetResult>(db, std::move(columns), m_tableName, keyColumn, std::move(keys));
}

void TDAOTable::closeResult()
{
    m_seek = SqliteStatement();
    m_seekSql.clear();
}

const TIndexDef* TDAOTable::indexForKey(const QStringList& fields)
{
    auto sameStart = [&fields](const TIndexDef& d, bool exact) {
        if (exact ? d.Fields.size() != fields.size() : d.Fields.size() < fields.size())
            return false;
        for (int i = 0; i < fields.size(); ++i) {
            if (d.Fields[i].compare(fields[i], Qt::CaseInsensitive) != 0)
                return false;
        }
        return true;
    };
    for (bool exact : {true, false}) {
        for (const TIndexDef& d : IndexDefs()) {
            if (sameStart(d, exact))
                return &d;
        }
    }
    return nullptr;
}

bool TDAOTable::Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options)
{
    checkActive();
    CheckBrowseMode();
    QStringList fields;
    for (const QString& f : keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        fields << f.trimmed();
    const TIndexDef* index = fields.isEmpty() || fields.size() > 13 ? nullptr : indexForKey(fields);
    if (!index)
        throw EDatabaseError(
            QStringLiteral("TDAOTable: Cannot perform locate record without an Index for field(s) [%1]")
                .arg(keyFields));
    if (!CanModify())
        return TDAODataset::Locate(keyFields, values, options);

    QStringList columns, marks;
    for (int i = 0; i < fields.size(); ++i) {
        columns << SqlText::quoteIdentifier(index->Fields[i]);
        marks << QStringLiteral("?%1").arg(i + 1);
    }
    const bool partial = options & loPartialKey;
    const QString lhs
        = fields.size() == 1 ? columns[0] : QStringLiteral("(%1)").arg(columns.join(QStringLiteral(", ")));
    const QString rhs = fields.size() == 1 ? marks[0] : QStringLiteral("(%1)").arg(marks.join(QStringLiteral(", ")));
    const QString indexed = index->storedName.isEmpty()
                                ? QString()
                                : QStringLiteral(" INDEXED BY ") + SqlText::quoteIdentifier(index->storedName);
    const QString sql
        = QStringLiteral("SELECT %1 FROM %2%3 WHERE %4 %5 %6 ORDER BY %7 LIMIT 1")
              .arg(SqlText::quoteIdentifier(result()->keyColumn()), SqlText::quoteIdentifier(m_tableName), indexed, lhs,
                   partial ? QStringLiteral(">=") : QStringLiteral("="), rhs, columns.join(QStringLiteral(", ")));
    if (sql != m_seekSql) {
        m_seek = SqliteStatement(Database()->handle(), sql, true);
        m_seekSql = sql;
    }
    m_seek.reset();
    for (int i = 0; i < fields.size(); ++i)
        m_seek.bind(i + 1, i < values.size() ? values[i] : QVariant());
    const bool found = m_seek.step();
    const qint64 key = found ? m_seek.columnInt64(0) : 0;
    m_seek.reset();
    if (!found)
        return false;
    int row = result()->indexOfKey(key);
    if (row < 0) {
        // Added to the table by someone else since it was opened: it belongs to the table.
        result()->appendKey(key);
        row = result()->count() - 1;
    }
    runHandler(BeforeScroll);
    setCurrent(row, true);
    runHandler(AfterScroll);
    return true;
}
