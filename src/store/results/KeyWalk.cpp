#include "KeyWalk.h"

#include "SqlText.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "TextFold.h"

#include <algorithm>
#include <limits>
#include <sqlite3.h>

namespace {

void read(KeyWalk::Value& v, sqlite3_stmt* stmt, int column)
{
    v.type = sqlite3_column_type(stmt, column);
    switch (v.type) {
    case SQLITE_INTEGER:
        v.integer = sqlite3_column_int64(stmt, column);
        break;
    case SQLITE_FLOAT:
        v.real = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(v.type == SQLITE_TEXT
                                                        ? static_cast<const void*>(sqlite3_column_text(stmt, column))
                                                        : sqlite3_column_blob(stmt, column));
        v.bytes.assign(data ? data : "", size_t(sqlite3_column_bytes(stmt, column)));
        break;
    }
    default:
        break;
    }
}

void bind(sqlite3_stmt* stmt, int index, const KeyWalk::Value& v)
{
    switch (v.type) {
    case SQLITE_INTEGER:
        sqlite3_bind_int64(stmt, index, v.integer);
        break;
    case SQLITE_FLOAT:
        sqlite3_bind_double(stmt, index, v.real);
        break;
    case SQLITE_TEXT:
        sqlite3_bind_text(stmt, index, v.bytes.data(), int(v.bytes.size()), SQLITE_TRANSIENT);
        break;
    case SQLITE_BLOB:
        sqlite3_bind_blob(stmt, index, v.bytes.data(), int(v.bytes.size()), SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_bind_null(stmt, index);
        break;
    }
}

// Whether the value in `column` of the current row sorts as one with `v`: SQLite's own rules,
// numbers of either kind by value, text by the column's collation.
bool sortsAs(const KeyWalk::Value& v, sqlite3_stmt* stmt, int column, KeyOrder::Collation collation)
{
    const int type = sqlite3_column_type(stmt, column);
    auto numeric = [](int t) { return t == SQLITE_INTEGER || t == SQLITE_FLOAT; };
    if (numeric(type) && numeric(v.type)) {
        if (type == SQLITE_INTEGER && v.type == SQLITE_INTEGER)
            return sqlite3_column_int64(stmt, column) == v.integer;
        return sqlite3_column_double(stmt, column) == (v.type == SQLITE_INTEGER ? double(v.integer) : v.real);
    }
    if (type != v.type)
        return false;
    if (type == SQLITE_NULL)
        return true;
    const auto* data
        = static_cast<const char*>(type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(stmt, column))
                                                       : sqlite3_column_blob(stmt, column));
    const std::string_view bytes(data ? data : "", size_t(sqlite3_column_bytes(stmt, column)));
    if (type == SQLITE_TEXT && collation == KeyOrder::Collation::Kolt)
        return TextFold::compareUtf8(bytes, v.bytes) == 0;
    if (type == SQLITE_TEXT && collation == KeyOrder::Collation::NoCase)
        return bytes.size() == v.bytes.size() && sqlite3_strnicmp(bytes.data(), v.bytes.data(), int(bytes.size())) == 0;
    return bytes == v.bytes;
}

// Keys appended by a read that fails part way are taken back: a window is read whole or not at all.
class Appending
{
public:
    explicit Appending(std::vector<qint64>& keys)
        : m_keys(keys)
        , m_before(keys.size())
    {
    }
    ~Appending()
    {
        if (!m_done)
            m_keys.resize(m_before);
    }
    size_t count() const { return m_keys.size() - m_before; }
    void done() { m_done = true; }

private:
    std::vector<qint64>& m_keys;
    size_t m_before;
    bool m_done = false;
};

// Appends the first column of every row of `stmt`, all or none of them; answers how many.
size_t appendKeys(SqliteStatement& stmt, std::vector<qint64>& keys)
{
    Appending window(keys);
    while (stmt.step())
        keys.push_back(stmt.columnInt64(0));
    window.done();
    return window.count();
}

// LIMIT takes -1 for "no limit".
qint64 limitFor(size_t wanted)
{
    return wanted >= size_t(std::numeric_limits<qint64>::max()) ? -1 : qint64(wanted);
}

} // namespace

std::optional<KeyWalk::Order> KeyWalk::forIndex(SqliteConnection& db, const QString& table, const QString& keyColumn,
                                                const KeyOrder::Term& term)
{
    SqliteStatement list(db.handle(), QStringLiteral("SELECT name FROM pragma_index_list(?1) WHERE partial = 0"));
    list.bindText(1, table);
    while (list.step()) {
        SqliteStatement info(db.handle(), QStringLiteral("SELECT name, coll, desc FROM pragma_index_xinfo(?1) "
                                                         "WHERE key = 1"));
        info.bindText(1, list.columnText(0));
        int columns = 0;
        bool fits = false;
        while (info.step()) {
            ++columns;
            fits = info.columnText(0).compare(term.column, Qt::CaseInsensitive) == 0
                   && info.columnText(1).compare(QLatin1String(KeyOrder::collationName(term.collation)),
                                                 Qt::CaseInsensitive)
                          == 0
                   && info.columnInt64(2) == 0;
        }
        if (columns == 1 && fits)
            return Order{table, keyColumn, term.column, term.descending, term.collation, list.columnText(0)};
    }
    return std::nullopt;
}

KeyWalk::Extent KeyWalk::extent(SqliteConnection& db, const QString& table, const QString& keyColumn,
                                const Condition& condition)
{
    const QString t = SqlText::quoteIdentifier(table);
    const QString k = SqlText::quoteIdentifier(keyColumn);
    // One statement, so that both are of one moment. Without a condition each is asked on its
    // own: the engine then counts the entries of its smallest index page by page and seeks the
    // largest key, where asked together it steps through every entry of that index one by one
    // (five times as long).
    const QString sql = condition.empty()
                            ? QStringLiteral("SELECT (SELECT count(*) FROM %1), (SELECT max(%2) FROM %1)").arg(t, k)
                            : QStringLiteral("SELECT count(*), max(%2) FROM %1 WHERE %3").arg(t, k, condition.sql);
    auto read = db.statement(sql);
    for (size_t i = 0; i < condition.binds.size(); ++i)
        read->bind(kFirstConditionMarker + int(i), condition.binds[i]);
    if (!read->step())
        return {};
    return {int(read->columnInt64(0)), read->columnInt64(1)};
}

KeyWalk::KeyWalk(SqliteConnection& db, Order order, Condition condition)
    : m_db(db)
    , m_order(std::move(order))
    , m_condition(std::move(condition))
    , m_phase(m_order.descending ? Phase::Values : Phase::Nulls) // nulls sort first
    , m_lastNullKey(std::numeric_limits<qint64>::min())
{
    QString t = SqlText::quoteIdentifier(m_order.table);
    const QString k = SqlText::quoteIdentifier(m_order.keyColumn);
    const QString c = SqlText::quoteIdentifier(m_order.column);
    // With a condition the engine would rather gather the rows that pass and sort them all,
    // which is what the walk is there to avoid: it is told the index.
    const QString also = m_condition.empty() ? QString() : QStringLiteral(" AND (%1)").arg(m_condition.sql);
    if (!m_condition.empty())
        t += QStringLiteral(" INDEXED BY ") + SqlText::quoteIdentifier(m_order.index);
    m_nullsSql
        = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NULL AND %1 > ?1%4 ORDER BY %1 LIMIT ?2").arg(k, t, c, also);
    if (!m_order.descending) {
        m_firstSql = QStringLiteral("SELECT %1, %3 FROM %2 WHERE %3 IS NOT NULL%4 ORDER BY %3, %1 LIMIT ?1")
                         .arg(k, t, c, also);
        m_afterSql = QStringLiteral("SELECT %1, %3 FROM %2 WHERE (%3, %1) > (?1, ?2)%4 ORDER BY %3, %1 LIMIT ?3")
                         .arg(k, t, c, also);
        return;
    }
    // Backwards along the index the keys of equal rows come last first: each run of equal
    // values is turned round, and a run longer than a window is read forwards on its own.
    m_firstSql = QStringLiteral("SELECT %1, %3 FROM %2 WHERE %3 IS NOT NULL%4 ORDER BY %3 DESC, %1 DESC LIMIT ?1")
                     .arg(k, t, c, also);
    m_afterSql
        = QStringLiteral("SELECT %1, %3 FROM %2 WHERE %3 < ?1%4 ORDER BY %3 DESC, %1 DESC LIMIT ?2").arg(k, t, c, also);
    m_runSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?1 AND %1 > ?2%4 ORDER BY %1 LIMIT ?3").arg(k, t, c, also);
}

void KeyWalk::bindCondition(SqliteStatement& stmt) const
{
    for (size_t i = 0; i < m_condition.binds.size(); ++i)
        stmt.bind(kFirstConditionMarker + int(i), m_condition.binds[i]);
}

void KeyWalk::next(std::vector<qint64>& keys, size_t wanted)
{
    const size_t start = keys.size();
    while (m_phase != Phase::Done && keys.size() - start < wanted) {
        const qint64 limit = limitFor(wanted - (keys.size() - start));
        if (m_phase == Phase::Nulls)
            readNulls(keys, limit);
        else if (!m_order.descending)
            readAscending(keys, limit);
        else if (m_inRun)
            readRun(keys, limit);
        else
            readDescending(keys, limit);
    }
}

void KeyWalk::readNulls(std::vector<qint64>& keys, qint64 limit)
{
    auto stmt = m_db.statement(m_nullsSql);
    stmt->bindInt64(1, m_lastNullKey);
    stmt->bindInt64(2, limit);
    bindCondition(*stmt);
    const size_t read = appendKeys(*stmt, keys);
    if (read > 0)
        m_lastNullKey = keys.back();
    if (limit < 0 || qint64(read) < limit)
        m_phase = m_order.descending ? Phase::Done : Phase::Values;
}

void KeyWalk::readAscending(std::vector<qint64>& keys, qint64 limit)
{
    auto stmt = m_db.statement(m_started ? m_afterSql : m_firstSql);
    sqlite3_stmt* s = stmt->handle();
    if (m_started) {
        bind(s, 1, m_value);
        stmt->bindInt64(2, m_key);
    }
    stmt->bindInt64(m_started ? 3 : 1, limit);
    bindCondition(*stmt);
    Appending window(keys);
    Value last;
    while (stmt->step()) {
        keys.push_back(sqlite3_column_int64(s, 0));
        // Only the last row of a full window says where the next one starts.
        if (qint64(window.count()) == limit)
            read(last, s, 1);
    }
    window.done();
    if (limit < 0 || qint64(window.count()) < limit) {
        m_phase = Phase::Done;
        return;
    }
    m_started = true;
    m_value = std::move(last);
    m_key = keys.back();
}

void KeyWalk::readDescending(std::vector<qint64>& keys, qint64 limit)
{
    std::vector<size_t> runStarts; // where each run of equal values begins in `keys`
    Value run;
    Appending window(keys);
    {
        auto stmt = m_db.statement(m_started ? m_afterSql : m_firstSql);
        sqlite3_stmt* s = stmt->handle();
        if (m_started)
            bind(s, 1, m_value);
        stmt->bindInt64(m_started ? 2 : 1, limit);
        bindCondition(*stmt);
        while (stmt->step()) {
            if (runStarts.empty() || !sortsAs(run, s, 1, m_order.collation)) {
                runStarts.push_back(keys.size());
                read(run, s, 1);
            }
            keys.push_back(sqlite3_column_int64(s, 0));
        }
    }
    const bool full = limit >= 0 && qint64(window.count()) == limit;
    if (full) {
        // The window may have stopped inside its last run, of which it holds the greatest keys
        // only: that run is read forwards on its own next.
        keys.resize(runStarts.back());
        runStarts.pop_back();
    }
    runStarts.push_back(keys.size());
    for (size_t r = 0; r + 1 < runStarts.size(); ++r)
        std::reverse(keys.begin() + qsizetype(runStarts[r]), keys.begin() + qsizetype(runStarts[r + 1]));
    window.done();
    if (!full) {
        m_phase = Phase::Nulls; // nulls sort last
        return;
    }
    m_inRun = true;
    m_value = std::move(run);
    m_key = std::numeric_limits<qint64>::min();
}

void KeyWalk::readRun(std::vector<qint64>& keys, qint64 limit)
{
    auto stmt = m_db.statement(m_runSql);
    bind(stmt->handle(), 1, m_value);
    stmt->bindInt64(2, m_key);
    stmt->bindInt64(3, limit);
    bindCondition(*stmt);
    const size_t read = appendKeys(*stmt, keys);
    if (limit >= 0 && qint64(read) == limit) {
        m_key = keys.back();
        return;
    }
    // The run is over: the next window starts below its value.
    m_inRun = false;
    m_started = true;
}
