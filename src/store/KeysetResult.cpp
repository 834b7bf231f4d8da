#include "KeysetResult.h"

#include "SqlText.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"

#include <QStringList>

KeysetResult::KeysetResult(TDAODatabase& db, std::vector<ResultColumn> columns, QString table, QString keyColumn,
                           std::vector<qint64> keys)
    : ResultSet(std::move(columns))
    , m_db(db)
    , m_table(std::move(table))
    , m_keyColumn(std::move(keyColumn))
    , m_keys(std::move(keys))
{
    QStringList select{SqlText::quoteIdentifier(m_keyColumn)};
    for (const ResultColumn& c : m_columns)
        select << SqlText::quoteIdentifier(c.origin);
    QStringList marks;
    for (int i = 1; i <= kBatch; ++i)
        marks << QStringLiteral("?%1").arg(i);
    m_fetchSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                     .arg(select.join(QStringLiteral(", ")), SqlText::quoteIdentifier(m_table),
                          SqlText::quoteIdentifier(m_keyColumn), marks.join(QStringLiteral(",")));
}

int KeysetResult::indexOfKey(qint64 key) const
{
    if (!m_positionsValid) {
        m_positions.clear();
        m_positions.reserve(qsizetype(m_keys.size()));
        // The first occurrence wins, as in a scan from the top.
        for (int i = int(m_keys.size()) - 1; i >= 0; --i)
            m_positions.insert(m_keys[size_t(i)], i);
        m_positionsValid = true;
    }
    return m_positions.value(key, -1);
}

void KeysetResult::appendKey(qint64 key)
{
    m_keys.push_back(key);
    if (m_positionsValid && !m_positions.contains(key))
        m_positions.insert(key, int(m_keys.size()) - 1);
}

void KeysetResult::removeAt(int index)
{
    const qint64 gone = m_keys.at(size_t(index));
    m_keys.erase(m_keys.begin() + index);
    m_recent.remove(gone);
    m_older.remove(gone);
    m_positionsValid = false;
}

void KeysetResult::invalidate()
{
    m_recent.clear();
    m_older.clear();
}

void KeysetResult::invalidateKey(qint64 key)
{
    m_recent.remove(key);
    m_older.remove(key);
}

const RowData* KeysetResult::cached(qint64 key)
{
    if (auto it = m_recent.constFind(key); it != m_recent.constEnd())
        return &it.value();
    auto old = m_older.find(key);
    if (old == m_older.end())
        return nullptr;
    RowData row = std::move(old.value());
    m_older.erase(old);
    remember(key, std::move(row));
    return &m_recent.find(key).value();
}

void KeysetResult::remember(qint64 key, RowData row)
{
    if (m_recent.size() >= kGeneration) {
        m_older = std::move(m_recent);
        m_recent = {};
    }
    m_recent.insert(key, std::move(row));
}

RowData KeysetResult::row(int index)
{
    const qint64 k = m_keys.at(size_t(index));
    if (const RowData* hit = cached(k)) {
        m_lastIndex = index;
        return *hit;
    }
    fetchAround(index);
    m_lastIndex = index;
    const RowData* fetched = cached(k);
    return fetched ? *fetched : RowData{};
}

void KeysetResult::fetchAround(int index)
{
    // Read ahead in the direction of travel: forwards when moving down or jumping, backwards
    // when moving up.
    const int n = int(m_keys.size());
    const bool backwards = m_lastIndex > index && m_lastIndex - index <= kBatch;
    std::vector<qint64> wanted;
    wanted.reserve(kBatch);
    for (int step = 0; step < 2 * kBatch && int(wanted.size()) < kBatch; ++step) {
        const int i = backwards ? index - step : index + step;
        if (i < 0 || i >= n)
            break;
        const qint64 k = m_keys[size_t(i)];
        if (!m_recent.contains(k) && !m_older.contains(k)
            && std::find(wanted.begin(), wanted.end(), k) == wanted.end())
            wanted.push_back(k);
    }

    auto stmt = m_db.statement(m_fetchSql);
    for (int i = 0; i < kBatch; ++i) {
        if (i < int(wanted.size()))
            stmt->bindInt64(i + 1, wanted[size_t(i)]);
        else
            stmt->bindNull(i + 1);
    }
    const int columns = int(m_columns.size());
    QHash<qint64, RowData> found;
    while (stmt->step()) {
        RowData row;
        row.values.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.values.push_back(FieldTypes::fromEngine(m_columns[size_t(c)].type, stmt->column(c + 1)));
        found.insert(stmt->columnInt64(0), std::move(row));
    }
    for (const qint64 k : wanted) {
        auto it = found.find(k);
        if (it != found.end()) {
            remember(k, std::move(it.value()));
            continue;
        }
        RowData gone;
        gone.values.resize(size_t(columns));
        gone.deleted = true;
        remember(k, std::move(gone));
    }
}
