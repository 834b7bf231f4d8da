#include "TDAOQuery.h"

#include "EEngineError.h"
#include "FilterExpression.h"
#include "KeysetResult.h"
#include "SqlText.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "StaticResult.h"
#include "TDAODatabase.h"
#include "TDataSource.h"
#include "TMasterDataLink.h"

#include <QDateTime>
#include <QSet>
#include <sqlite3.h>

struct TDAOQuery::Statement
{
    QString sql;                 // with ?N markers
    std::vector<QVariant> binds; // one per distinct parameter
};

namespace {

QVariant paramForEngine(const TParam& p)
{
    const QVariant& v = p.Value();
    if (v.isNull())
        return {};
    if (FieldTypes::isDate(p.DataType()) || v.typeId() == QMetaType::QDateTime)
        return FieldTypes::engineDateText(FieldTypes::isDate(p.DataType()) ? p.DataType() : TFieldType::DateTime,
                                          v.toDateTime());
    if (v.typeId() == QMetaType::Bool)
        return qint64(v.toBool() ? 1 : 0);
    if (FieldTypes::isInteger(p.DataType())) {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (ok)
            return n;
    }
    return v;
}

void bindAll(SqliteStatement& stmt, const std::vector<QVariant>& binds, int first = 1)
{
    const int count = stmt.parameterCount();
    for (size_t i = 0; i < binds.size(); ++i) {
        const int index = first + int(i);
        if (index <= count)
            stmt.bind(index, binds[i]);
    }
}

std::vector<qint64> readKeys(SqliteStatement& stmt, int column)
{
    std::vector<qint64> keys;
    while (stmt.step())
        keys.push_back(stmt.columnInt64(column));
    return keys;
}

} // namespace

TDAOQuery::TDAOQuery(QString name)
    : TDAODataset(name)
    , m_params(name)
{
}

TDAOQuery::~TDAOQuery()
{
    m_masterLink.reset();
}

void TDAOQuery::setSQL(const QStringList& lines)
{
    m_sql = lines;
    m_params.rebuild(SqlText::parameters(SqlText::joinLines(m_sql)).names);
}

void TDAOQuery::clearSQL()
{
    setSQL({});
}

void TDAOQuery::addSQL(const QString& line)
{
    setSQL(m_sql + QStringList{line});
}

void TDAOQuery::setDataSource(TDataSource* master)
{
    m_masterSource = master;
    if (!master) {
        m_masterLink.reset();
        return;
    }
    if (!m_masterLink)
        m_masterLink = std::make_unique<TMasterDataLink>(*this);
    m_masterLink->setDataSource(master);
}

void TDAOQuery::refreshFromMaster()
{
    DisableControls();
    try {
        Close();
        Open();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TDAOQuery::takeParamsFromMaster()
{
    TDAODataset* master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if (!master)
        return;
    for (int i = 0; i < m_params.Count(); ++i) {
        TParam& p = m_params[i];
        if (p.Bound())
            continue;
        const TField& f = master->FieldByName(p.Name());
        p.assignFromMaster(f.DataType(), f.Value());
    }
}

TDAOQuery::Statement TDAOQuery::prepareStatement() const
{
    const SqlText::Parameters parsed = SqlText::parameters(SqlText::joinLines(m_sql));
    Statement s;
    s.sql = parsed.sql;
    for (const QString& name : parsed.names)
        s.binds.push_back(paramForEngine(m_params.ParamByName(name)));
    return s;
}

QString TDAOQuery::filterCondition(const std::vector<ResultColumn>& columns, int firstIndex,
                                   std::vector<QVariant>& binds) const
{
    const FilterExpression::Resolver resolve = [&columns](const QString& name, FilterExpression::Column& out) {
        for (const ResultColumn& c : columns) {
            if (c.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            out.sql = SqlText::quoteIdentifier(c.origin.isEmpty() ? c.name : c.origin);
            out.type = c.type;
            return true;
        }
        return false;
    };
    FilterExpression::Result r = FilterExpression::toSql(m_filter, resolve, firstIndex);
    binds = std::move(r.binds);
    return r.sql;
}

std::unique_ptr<ResultSet> TDAOQuery::openResult()
{
    takeParamsFromMaster();
    const Statement statement = prepareStatement();
    TDAODatabase& db = *Database();
    auto full = db.statement(statement.sql);
    bindAll(*full, statement.binds);
    std::vector<ResultColumn> columns = ResultColumn::describe(full->handle());

    const bool filtered = m_filtered && !m_filter.trimmed().isEmpty();
    const int firstFilterBind = int(statement.binds.size()) + 1;

    // A result whose every column comes from one table that carries its key is kept as keys.
    QString table;
    QString keyColumn;
    int keyIndex = -1;
    bool oneTable = !columns.empty();
    for (size_t i = 0; i < columns.size(); ++i) {
        const ResultColumn& c = columns[i];
        if (c.table.isEmpty() || (!table.isEmpty() && c.table.compare(table, Qt::CaseInsensitive) != 0))
            oneTable = false;
        table = c.table;
        if (c.key && keyIndex < 0) {
            keyIndex = int(i);
            keyColumn = c.origin;
        }
    }

    if (!oneTable || keyIndex < 0) {
        if (!filtered)
            return std::make_unique<StaticResult>(std::move(columns), *full);
        std::vector<QVariant> filterBinds;
        const QString condition = filterCondition(columns, firstFilterBind, filterBinds);
        SqliteStatement wrapped(db.handle(),
                                QStringLiteral("SELECT * FROM (%1) WHERE %2").arg(statement.sql, condition));
        bindAll(wrapped, statement.binds);
        bindAll(wrapped, filterBinds, firstFilterBind);
        std::vector<ResultColumn> wrappedColumns = ResultColumn::describe(wrapped.handle());
        return std::make_unique<StaticResult>(std::move(wrappedColumns), wrapped);
    }

    std::vector<QVariant> filterBinds;
    const QString condition = filtered ? filterCondition(columns, firstFilterBind, filterBinds) : QString();
    std::vector<qint64> keys;
    const auto simple = SqlText::simpleSelect(statement.sql);
    if (simple && simple->table.compare(table, Qt::CaseInsensitive) == 0) {
        // Only the keys are read, in the statement's own order; the rows come when shown.
        QStringList where;
        if (!simple->where.isEmpty())
            where << QStringLiteral("(%1)").arg(simple->where);
        if (filtered)
            where << condition;
        QString sql = QStringLiteral("SELECT %1 FROM %2").arg(SqlText::quoteIdentifier(keyColumn),
                                                             SqlText::quoteIdentifier(table));
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        if (!simple->orderBy.isEmpty())
            sql += QStringLiteral(" ORDER BY ") + simple->orderBy;
        auto keyQuery = db.statement(sql);
        bindAll(*keyQuery, statement.binds);
        bindAll(*keyQuery, filterBinds, firstFilterBind);
        keys = readKeys(*keyQuery, 0);
    } else {
        keys = readKeys(*full, keyIndex);
        if (filtered) {
            SqliteStatement pass(db.handle(), QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                                  .arg(SqlText::quoteIdentifier(keyColumn),
                                                       SqlText::quoteIdentifier(table),
                                                       condition));
            bindAll(pass, filterBinds, firstFilterBind);
            QSet<qint64> passing;
            while (pass.step())
                passing.insert(pass.columnInt64(0));
            std::erase_if(keys, [&passing](qint64 k) { return !passing.contains(k); });
        }
    }
    return std::make_unique<KeysetResult>(db, std::move(columns), table, keyColumn, std::move(keys));
}

void TDAOQuery::setFilter(const QString& value)
{
    if (!Active()) {
        m_filter = value;
        return;
    }
    CheckBrowseMode();
    m_filter = value;
    if (m_filtered)
        reopenResult();
}

void TDAOQuery::setFiltered(bool value)
{
    if (value == m_filtered)
        return;
    if (!Active()) {
        m_filtered = value;
        return;
    }
    CheckBrowseMode();
    m_filtered = value;
    reopenResult();
}

bool TDAOQuery::Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options)
{
    checkActive();
    if (!CanModify())
        return TDAODataset::Locate(keyFields, values, options);
    CheckBrowseMode();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList terms;
    std::vector<QVariant> binds;
    for (int i = 0; i < names.size(); ++i) {
        const TField& f = FieldByName(names[i].trimmed());
        if (f.Calculated() || f.origin().isEmpty())
            throw EEngineError(QStringLiteral("no such column: %1").arg(f.FieldName()), SQLITE_ERROR);
        const QString column = SqlText::quoteIdentifier(f.origin());
        const QVariant value = i < values.size() ? values[i] : QVariant();
        if (value.isNull() || !value.isValid()) {
            terms << column + QStringLiteral(" IS NULL");
            continue;
        }
        binds.push_back(FieldTypes::isDate(f.DataType()) && value.canConvert<QDateTime>()
                                && value.typeId() != QMetaType::QString
                            ? QVariant(FieldTypes::engineDateText(f.DataType(), value.toDateTime()))
                            : value);
        const QString mark = QStringLiteral("?%1").arg(binds.size());
        if (FieldTypes::isText(f.DataType()))
            terms << ((options & loPartialKey) ? QStringLiteral("kolt_prefix(%1, %2)").arg(column, mark)
                                              : QStringLiteral("%1 = %2 COLLATE %3")
                                                    .arg(column, mark, QLatin1String(SqliteFunctions::kCollation)));
        else
            terms << QStringLiteral("%1 = %2").arg(column, mark);
    }
    if (terms.isEmpty())
        return false;
    auto stmt = Database()->statement(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                          .arg(SqlText::quoteIdentifier(result()->keyColumn()),
                                               SqlText::quoteIdentifier(result()->tableName()),
                                               terms.join(QStringLiteral(" AND "))));
    bindAll(*stmt, binds);
    const std::vector<qint64> keys = readKeys(*stmt, 0);
    const int row = firstRowWithKey(keys);
    if (row < 0)
        return false;
    runHandler(BeforeScroll);
    setCurrent(row, true);
    runHandler(AfterScroll);
    return true;
}
