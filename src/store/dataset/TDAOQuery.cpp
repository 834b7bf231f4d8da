#include "TDAOQuery.h"

#include "EEngineError.h"
#include "FilterExpression.h"
#include "HeldNotifications.h"
#include "KeyOrder.h"
#include "KeyWalk.h"
#include "KeysetRefresher.h"
#include "KeysetResult.h"
#include "SqlText.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "StaticResult.h"
#include "TDAODatabase.h"
#include "TDataSource.h"
#include "TMasterDataLink.h"
#include "TextFold.h"

#include <QDateTime>
#include <QSet>
#include <sqlite3.h>
#include <utility>

struct TDAOQuery::Plan
{
    // What the plan was made for.
    QString text;
    QString filter;
    bool filtered = false;

    QString sql;       // with ?N markers
    QStringList names; // distinct parameters, in marker order
    std::vector<ResultColumn> columns;
    bool keyed = false; // one table, with its key among the columns
    QString table;
    QString keyColumn;
    int keyIndex = -1;
    QString keySql;      // reads the keys alone, in order (a whole table)
    bool simple = false; // "select * from <table> [where] [order by]"
    QString filteredSql; // a simple statement with the filter added to its condition
    QString filterSql;   // the filter as a condition over the table
    std::vector<QVariant> filterBinds;
    int firstFilterBind = 1;
    KeysetResult::FetchSql fetchSql;

    // The keys of the last run of a whole-table statement, and when it was made: run again
    // with nothing changed they are still right, and a few changed rows can be put in place.
    std::optional<KeyOrder> order;
    // When an index serves the order, the keys come along it as they are needed.
    std::optional<KeyWalk::Order> walk;
    // The filter once more, numbered for a walk and for bringing kept keys up to date.
    KeyWalk::Condition walkCondition;
    KeysetRefresher::Condition refreshCondition;
    // While the result is open its keys are lent to it, and come back when it closes.
    struct LastRun
    {
        bool valid = false;
        bool lent = false;
        std::vector<QVariant> binds;
        std::vector<qint64> keys;
        ChangeLog::Mark mark;
    } last;
};

struct TDAOQuery::ExtentSeen
{
    QString table;
    KeyWalk::Condition condition;
    ChangeLog::Mark mark; // taken before the count was read
    KeyWalk::Extent extent;
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
    const HeldNotifications held(*this);
    Close();
    Open();
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

std::vector<QVariant> TDAOQuery::parameterValues(const Plan& plan) const
{
    std::vector<QVariant> binds;
    binds.reserve(size_t(plan.names.size()));
    for (const QString& name : plan.names)
        binds.push_back(paramForEngine(m_params.ParamByName(name)));
    return binds;
}

TDAOQuery::Plan& TDAOQuery::plan()
{
    const QString text = SqlText::joinLines(m_sql);
    const bool filtered = m_filtered && !m_filter.trimmed().isEmpty();
    if (m_plan && m_plan->text == text && m_plan->filtered == filtered && (!filtered || m_plan->filter == m_filter))
        return *m_plan;

    auto p = std::make_unique<Plan>();
    p->text = text;
    p->filter = m_filter;
    p->filtered = filtered;
    const SqlText::Parameters parsed = SqlText::parameters(text);
    p->sql = parsed.sql;
    p->names = parsed.names;
    {
        auto stmt = Database()->statement(p->sql);
        p->columns = ResultColumn::describe(stmt->handle());
    }
    p->firstFilterBind = int(p->names.size()) + 1;

    bool oneTable = !p->columns.empty();
    for (size_t i = 0; i < p->columns.size(); ++i) {
        const ResultColumn& c = p->columns[i];
        if (c.table.isEmpty() || (!p->table.isEmpty() && c.table.compare(p->table, Qt::CaseInsensitive) != 0))
            oneTable = false;
        p->table = c.table;
        if (c.key && p->keyIndex < 0) {
            p->keyIndex = int(i);
            p->keyColumn = c.origin;
        }
    }
    p->keyed = oneTable && p->keyIndex >= 0;

    if (filtered) {
        FilterExpression::Result r = filterCondition(*p, p->firstFilterBind);
        p->filterSql = r.sql;
        p->filterBinds = std::move(r.binds);
    }

    if (p->keyed) {
        p->fetchSql = KeysetResult::fetchStatements(p->columns, p->table, p->keyColumn);
        const auto simple = SqlText::simpleSelect(p->sql);
        // A whole table in some order is read as keys alone, in the statement's own order: the
        // rows come when shown. A restricted statement (a detail list, a filter) has few rows;
        // it runs as written and keeps its first rows, which saves a second query.
        if (simple && simple->where.isEmpty() && simple->table.compare(p->table, Qt::CaseInsensitive) == 0) {
            QStringList where;
            if (!simple->where.isEmpty())
                where << QStringLiteral("(%1)").arg(simple->where);
            if (filtered)
                where << p->filterSql;
            p->keySql = QStringLiteral("SELECT %1 FROM %2")
                            .arg(SqlText::quoteIdentifier(p->keyColumn), SqlText::quoteIdentifier(p->table));
            if (!where.isEmpty())
                p->keySql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
            if (!simple->orderBy.isEmpty()) {
                // Rows that sort equal come in key order, every time: a result brought up to
                // date after a change then reads exactly as a new run would.
                p->keySql += QStringLiteral(" ORDER BY ") + simple->orderBy + QStringLiteral(", ")
                             + SqlText::quoteIdentifier(p->keyColumn);
                p->order = KeyOrder::parse(Database()->handle(), p->table, simple->orderBy);
                if (p->order && p->order->terms().size() == 1)
                    p->walk = KeyWalk::forIndex(*Database(), p->table, p->keyColumn, p->order->terms().front());
            }
            if (filtered) {
                FilterExpression::Result forWalk = filterCondition(*p, KeyWalk::kFirstConditionMarker);
                p->walkCondition = {forWalk.sql, std::move(forWalk.binds)};
                FilterExpression::Result forRefresh = filterCondition(*p, KeysetRefresher::kFirstConditionMarker);
                p->refreshCondition = {forRefresh.sql, std::move(forRefresh.binds)};
            }
        } else if (simple && simple->table.compare(p->table, Qt::CaseInsensitive) == 0) {
            p->simple = true;
            if (filtered) {
                p->filteredSql = QStringLiteral("SELECT * FROM %1 WHERE ").arg(SqlText::quoteIdentifier(p->table));
                p->filteredSql += simple->where.isEmpty()
                                      ? p->filterSql
                                      : QStringLiteral("(%1) AND %2").arg(simple->where, p->filterSql);
                if (!simple->orderBy.isEmpty())
                    p->filteredSql += QStringLiteral(" ORDER BY ") + simple->orderBy;
            }
        }
    }
    m_plan = std::move(p);
    return *m_plan;
}

FilterExpression::Result TDAOQuery::filterCondition(const Plan& p, int firstIndex) const
{
    const FilterExpression::Resolver resolve = [&p](const QString& name, FilterExpression::Column& out) {
        for (const ResultColumn& c : p.columns) {
            if (c.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            out.sql = SqlText::quoteIdentifier(p.keyed && !c.origin.isEmpty() ? c.origin : c.name);
            out.type = c.type;
            return true;
        }
        return false;
    };
    return FilterExpression::toSql(m_filter, resolve, firstIndex);
}

std::optional<std::vector<qint64>> TDAOQuery::keptKeys(Plan& p, const std::vector<QVariant>& binds)
{
    if (!p.last.valid || p.last.binds != binds)
        return std::nullopt;
    TDAODatabase& db = *Database();
    const auto changed = db.changes().changedSince(p.last.mark, p.table);
    if (!changed)
        return std::nullopt;
    if (changed->empty())
        return std::move(p.last.keys);
    if (p.order && changed->size() <= KeysetRefresher::kMostChanges)
        return KeysetRefresher::refresh(db, p.table, p.keyColumn, *p.order, std::move(p.last.keys), *changed,
                                        p.refreshCondition);
    return std::nullopt;
}

std::unique_ptr<ResultSet> TDAOQuery::openWholeTable(Plan& p, const std::vector<QVariant>& binds)
{
    TDAODatabase& db = *Database();
    ShownRows shown = std::exchange(m_shownRows, ShownRows{});
    std::optional<std::vector<qint64>> keys = keptKeys(p, binds);
    p.last = {};
    // Taken before anything is read, so that a change made meanwhile is not missed.
    const ChangeLog::Mark mark = db.changes().mark(p.table);
    std::vector<QVariant> keyBinds = binds;
    if (p.filtered) {
        keyBinds.resize(size_t(p.firstFilterBind - 1));
        keyBinds.insert(keyBinds.end(), p.filterBinds.begin(), p.filterBinds.end());
    }
    std::optional<KeyWalk::Extent> extent;
    if (!keys && p.walk) {
        extent = this->extent(p, mark);
        if (p.filtered && !worthWalking(p, extent->rows))
            extent.reset();
    }
    if (!keys && !extent && !p.walk && sortedBeside(p))
        return openPreparing(p, binds, std::move(keyBinds), mark, std::move(shown));
    if (!keys && !extent) {
        auto keyQuery = db.statement(p.keySql);
        bindAll(*keyQuery, keyBinds);
        keys = readKeys(*keyQuery, 0);
    }
    const bool walking = !keys;
    auto result = std::make_unique<KeysetResult>(db, p.columns, p.table, p.keyColumn,
                                                 walking ? std::vector<qint64>() : std::move(*keys), p.fetchSql);
    if (walking) {
        // A filtered walk passes rows that do not pass: it reads a screenful first, and beside
        // the program the engine gathers and sorts the rows that pass.
        if (p.filtered)
            result->follow(std::make_unique<KeyWalk>(db, *p.walk, p.walkCondition), *extent, mark,
                           KeysetResult::kFilteredWindow, {p.keySql, keyBinds});
        else
            result->follow(std::make_unique<KeyWalk>(db, *p.walk), *extent, mark);
    }
    p.last.lent = true;
    p.last.binds = binds;
    p.last.mark = mark;
    m_rowsMark = mark;
    return result;
}

KeyWalk::Extent TDAOQuery::extent(const Plan& p, const ChangeLog::Mark& now)
{
    // A count walks a whole index: at a million rows it costs as much as the rest of an
    // opening, and visiting a folder again or sorting it another way asks it again.
    TDAODatabase& db = *Database();
    const ExtentSeen* seen = m_extentSeen.get();
    if (seen && seen->table == p.table && seen->condition.sql == p.walkCondition.sql
        && seen->condition.binds == p.walkCondition.binds) {
        const auto changed = db.changes().changedSince(seen->mark, p.table);
        if (changed && changed->empty())
            return seen->extent;
    }
    const KeyWalk::Extent counted = KeyWalk::extent(db, p.table, p.keyColumn, p.walkCondition);
    m_extentSeen = std::make_unique<ExtentSeen>(ExtentSeen{p.table, p.walkCondition, now, counted});
    return counted;
}

bool TDAOQuery::sortedBeside(const Plan& p)
{
    if (m_orderBesideFrom <= 0)
        return false;
    auto last
        = Database()->statement(QStringLiteral("SELECT max(%1) FROM %2")
                                    .arg(SqlText::quoteIdentifier(p.keyColumn), SqlText::quoteIdentifier(p.table)));
    return last->step() && last->columnInt64(0) >= m_orderBesideFrom;
}

std::unique_ptr<ResultSet> TDAOQuery::openPreparing(Plan& p, const std::vector<QVariant>& binds,
                                                    std::vector<QVariant> keyBinds, const ChangeLog::Mark& mark,
                                                    ShownRows shown)
{
    TDAODatabase& db = *Database();
    // The rows shown before stand meanwhile when they are this run's rows: the same table and
    // filter, and not a row written since.
    bool everyRow = false;
    if (shown.valid && shown.table == p.table && shown.filtered == p.filtered
        && (!p.filtered || shown.filter == p.filter) && shown.binds == binds) {
        const auto changed = db.changes().changedSince(shown.mark, p.table);
        everyRow = changed && changed->empty();
    }
    if (!everyRow)
        shown.keys.clear();
    auto result
        = std::make_unique<KeysetResult>(db, p.columns, p.table, p.keyColumn, std::move(shown.keys), p.fetchSql);
    result->prepareOrder({p.keySql, std::move(keyBinds)}, mark, everyRow);
    p.last.lent = true;
    p.last.binds = binds;
    p.last.mark = mark;
    m_rowsMark = everyRow ? shown.mark : mark;
    if (result->orderPending())
        watchOrder();
    return result;
}

KeysetResult* TDAOQuery::preparingResult() const
{
    auto* keyset = dynamic_cast<KeysetResult*>(result());
    return keyset && keyset->orderPending() ? keyset : nullptr;
}

bool TDAOQuery::OrderPending() const
{
    return preparingResult() != nullptr;
}

void TDAOQuery::watchOrder()
{
    if (!m_orderWatch) {
        m_orderWatch = std::make_unique<QTimer>();
        m_orderWatch->setInterval(kOrderWatchInterval);
        QObject::connect(m_orderWatch.get(), &QTimer::timeout, [this] { checkOrder(); });
    }
    m_orderWatch->start();
}

void TDAOQuery::checkOrder() noexcept
{
    KeysetResult* keyset = preparingResult();
    if (!keyset) {
        m_orderWatch->stop();
        return;
    }
    // A row being entered or changed keeps its place until it is posted or cancelled.
    if (!keyset->preparedOrderReady() || State() != TDataSetState::Browse)
        return;
    if (m_showingOrder)
        return; // an error being shown runs the event loop: one at a time
    m_showingOrder = true;
    try {
        showPreparedOrder(false);
    } catch (const std::exception& e) {
        try {
            if (OnOrderError)
                OnOrderError(*this, e);
        } catch (...) {
            // Nothing may leave the event loop's call; the order is read again all the same.
        }
    }
    m_showingOrder = false;
}

void TDAOQuery::showPreparedOrder(bool wait)
{
    KeysetResult* keyset = preparingResult();
    if (!keyset)
        return;
    // A row the user moved to stays current; otherwise the new order starts on its first row.
    std::optional<qint64> keep;
    if (RecNo() > 0)
        keep = keyset->key(RecNo());
    if (keyset->takePreparedOrder(wait))
        resultReordered(keep);
}

void TDAOQuery::waitForOrder()
{
    if (!OrderPending())
        return;
    CheckBrowseMode();
    showPreparedOrder(true);
}

bool TDAOQuery::worthWalking(const Plan& p, int passing)
{
    // Walking costs a look at about (rows / passing) rows for each row a window keeps; reading
    // the passing rows whole costs each of them once and a sort. The walk wins when the rows
    // that pass are many: more than the square root of a window times the table.
    auto last
        = Database()->statement(QStringLiteral("SELECT max(%1) FROM %2")
                                    .arg(SqlText::quoteIdentifier(p.keyColumn), SqlText::quoteIdentifier(p.table)));
    const double rows = last->step() ? double(last->columnInt64(0)) : 0;
    return double(passing) * double(passing) > double(KeysetResult::kFilteredWindow) * rows;
}

void TDAOQuery::closeResult()
{
    // The keys of a whole-table result come back with every row the dataset added or deleted
    // since; the change log names those rows, so the next run puts them right. Keys a walk has
    // not read to the end are left: the next run walks again.
    auto* keyset = dynamic_cast<KeysetResult*>(result());
    if (!keyset || !m_plan || !m_plan->last.lent)
        return;
    m_plan->last.lent = false;
    // A table that no index orders: its rows stand while the next order of them is read, when
    // it is large enough for that.
    if (m_orderBesideFrom > 0 && !m_plan->walk && keyset->holdsEveryRow())
        m_shownRows = {
            true, m_plan->table, m_plan->filtered, m_plan->filter, m_plan->last.binds, keyset->copyKeys(), m_rowsMark};
    if (!keyset->lendable())
        return;
    m_plan->last.keys = keyset->takeKeys();
    m_plan->last.valid = true;
}

void TDAOQuery::beforeRerun()
{
    // The keys the shown result holds serve the new run as they would after a close (the
    // change log puts right what changed since), copied, so the shown rows stay until the new
    // run is in: a post's re-read costs no read of every key.
    auto* keyset = dynamic_cast<KeysetResult*>(result());
    if (!keyset || !m_plan || !m_plan->last.lent || !keyset->lendable())
        return;
    m_plan->last.lent = false;
    m_plan->last.keys = keyset->copyKeys();
    m_plan->last.valid = true;
}

std::unique_ptr<ResultSet> TDAOQuery::openResult()
{
    takeParamsFromMaster();
    Plan& p = plan();
    const std::vector<QVariant> binds = parameterValues(p);
    TDAODatabase& db = *Database();

    if (!p.keyed) {
        if (!p.filtered) {
            auto full = db.statement(p.sql);
            bindAll(*full, binds);
            return std::make_unique<StaticResult>(p.columns, *full);
        }
        SqliteStatement wrapped(db.handle(), QStringLiteral("SELECT * FROM (%1) WHERE %2").arg(p.sql, p.filterSql));
        bindAll(wrapped, binds);
        bindAll(wrapped, p.filterBinds, p.firstFilterBind);
        return std::make_unique<StaticResult>(ResultColumn::describe(wrapped.handle()), wrapped);
    }

    std::vector<qint64> keys;
    if (!p.keySql.isEmpty()) {
        return openWholeTable(p, binds);
    } else if (!p.filtered) {
        auto full = db.statement(p.sql);
        bindAll(*full, binds);
        auto result
            = std::make_unique<KeysetResult>(db, p.columns, p.table, p.keyColumn, std::vector<qint64>(), p.fetchSql);
        result->readFrom(*full, p.keyIndex);
        return result;
    } else if (p.simple) {
        auto filteredQuery = db.statement(p.filteredSql);
        bindAll(*filteredQuery, binds);
        bindAll(*filteredQuery, p.filterBinds, p.firstFilterBind);
        auto result
            = std::make_unique<KeysetResult>(db, p.columns, p.table, p.keyColumn, std::vector<qint64>(), p.fetchSql);
        result->readFrom(*filteredQuery, p.keyIndex);
        return result;
    } else {
        auto full = db.statement(p.sql);
        bindAll(*full, binds);
        keys = readKeys(*full, p.keyIndex);
        if (p.filtered) {
            SqliteStatement pass(db.handle(), QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                                  .arg(SqlText::quoteIdentifier(p.keyColumn),
                                                       SqlText::quoteIdentifier(p.table), p.filterSql));
            bindAll(pass, p.filterBinds, p.firstFilterBind);
            QSet<qint64> passing;
            while (pass.step())
                passing.insert(pass.columnInt64(0));
            std::erase_if(keys, [&passing](qint64 k) { return !passing.contains(k); });
        }
    }
    return std::make_unique<KeysetResult>(db, p.columns, p.table, p.keyColumn, std::move(keys), p.fetchSql);
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

QString TDAOQuery::resultOrderFor(const QString& column) const
{
    if (!m_plan || !m_plan->order || !m_plan->last.lent || m_plan->order->terms().size() != 1)
        return {};
    const KeyOrder::Term& term = m_plan->order->terms().front();
    if (term.column.compare(column, Qt::CaseInsensitive) != 0)
        return {};
    const auto changed = Database()->changes().changedSince(m_plan->last.mark, m_plan->table);
    if (!changed || !changed->empty())
        return {};
    return QStringLiteral(" ORDER BY %1%2, %3")
        .arg(SqlText::quoteIdentifier(term.column), term.descending ? QStringLiteral(" DESC") : QString(),
             SqlText::quoteIdentifier(m_plan->keyColumn));
}

namespace {

// The part of a partial-key search value before its first wildcard.
QString literalStart(const QString& value)
{
    qsizetype end = value.size();
    for (const QLatin1Char wildcard : {QLatin1Char('*'), QLatin1Char('?')}) {
        const qsizetype at = value.indexOf(wildcard);
        if (at >= 0)
            end = std::min(end, at);
    }
    return value.left(end);
}

bool foldsWithCatalogueRule(TDAODatabase& db, const QString& table, const QString& column)
{
    const char* collation = nullptr;
    return sqlite3_table_column_metadata(db.handle(), "main", table.toUtf8().constData(), column.toUtf8().constData(),
                                         nullptr, &collation, nullptr, nullptr, nullptr)
               == SQLITE_OK
           && collation && qstricmp(collation, SqliteFunctions::kCollation) == 0;
}

} // namespace

bool TDAOQuery::Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options)
{
    checkActive();
    // The row looked for is found in the order the user asked for, not in the one shown meanwhile.
    waitForOrder();
    if (!CanModify())
        return TDAODataset::Locate(keyFields, values, options);
    CheckBrowseMode();
    TDAODatabase& db = *Database();
    const QString table = result()->tableName();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList terms;
    std::vector<QVariant> binds;
    auto mark = [&binds](const QVariant& value) {
        binds.push_back(value);
        return QStringLiteral("?%1").arg(binds.size());
    };
    QString order;
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
        if (names.size() == 1)
            order = resultOrderFor(f.origin());
        if (!FieldTypes::isText(f.DataType())) {
            terms << QStringLiteral("%1 = %2").arg(
                column, mark(FieldTypes::isDate(f.DataType()) && value.canConvert<QDateTime>()
                                     && value.typeId() != QMetaType::QString
                                 ? QVariant(FieldTypes::engineDateText(f.DataType(), value.toDateTime()))
                                 : value));
        } else if (!(options & loPartialKey)) {
            terms << QStringLiteral("%1 = %2 COLLATE %3")
                         .arg(column, mark(value), QLatin1String(SqliteFunctions::kCollation));
        } else {
            // Every text that begins with the value lies in one stretch of the catalogue's
            // order: an index on the column goes straight to it.
            if (foldsWithCatalogueRule(db, table, f.origin())) {
                if (const auto bounds = TextFold::prefixBounds(literalStart(value.toString())))
                    terms << QStringLiteral("%1 >= %2").arg(column, mark(bounds->first))
                          << QStringLiteral("%1 < %2").arg(column, mark(bounds->second));
            }
            terms << QStringLiteral("kolt_prefix(%1, %2)").arg(column, mark(value));
        }
    }
    if (terms.isEmpty())
        return false;
    // Only rows the result can hold: with a filter on, those that pass it.
    if (m_plan && m_plan->keyed && m_plan->filtered) {
        FilterExpression::Result filter = filterCondition(*m_plan, int(binds.size()) + 1);
        terms << filter.sql;
        binds.insert(binds.end(), filter.binds.begin(), filter.binds.end());
    }
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                      .arg(SqlText::quoteIdentifier(result()->keyColumn()), SqlText::quoteIdentifier(table),
                           terms.join(QStringLiteral(" AND ")));
    // In the result's own order the first match is the one looked for.
    if (!order.isEmpty())
        sql += order + QStringLiteral(" LIMIT 1");
    auto stmt = db.statement(sql);
    bindAll(*stmt, binds);
    const std::vector<qint64> keys = readKeys(*stmt, 0);
    const int row = result()->firstIndexOf(keys);
    if (row < 0)
        return false;
    runHandler(BeforeScroll);
    setCurrent(row, true);
    runHandler(AfterScroll);
    return true;
}
