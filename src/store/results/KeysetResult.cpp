#include "KeysetResult.h"

#include "EEngineError.h"
#include "KeyWalk.h"
#include "SqlText.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QSet>
#include <QStringList>
#include <algorithm>
#include <bit>
#include <limits>
#include <sqlite3.h>

namespace {

// Only a damaged file makes a row unreadable. Anything else (a locked file, a lack of memory,
// a table gone, a folder that went away) is no property of the row: it is raised as it is,
// once, and the rows are read again when next asked for.
bool damage(const EEngineError& e)
{
    const int code = e.ErrorCode();
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || code == SQLITE_IOERR_READ
           || code == SQLITE_IOERR_SHORT_READ;
}

} // namespace

KeysetResult::KeysetResult(SqliteConnection& db, std::vector<ResultColumn> columns, QString table, QString keyColumn,
                           std::vector<qint64> keys, FetchSql fetchSql)
    : ResultSet(std::move(columns))
    , m_db(db)
    , m_table(std::move(table))
    , m_keyColumn(std::move(keyColumn))
    , m_fetchSql(fetchSql.batch.isEmpty() ? fetchStatements(m_columns, m_table, m_keyColumn) : std::move(fetchSql))
    , m_keys(std::move(keys))
    , m_total(int(m_keys.size()))
{
    for (size_t c = 0; c < m_columns.size() && m_keyIndex < 0; ++c) {
        if (m_columns[c].origin.compare(m_keyColumn, Qt::CaseInsensitive) == 0)
            m_keyIndex = int(c);
    }
}

KeysetResult::~KeysetResult() = default;

KeysetResult::FetchSql KeysetResult::fetchStatements(const std::vector<ResultColumn>& columns, const QString& table,
                                                     const QString& keyColumn)
{
    QStringList select{SqlText::quoteIdentifier(keyColumn)};
    for (const ResultColumn& c : columns)
        select << SqlText::quoteIdentifier(c.origin);
    auto statement = [&](int count) {
        QStringList marks;
        for (int i = 1; i <= count; ++i)
            marks << QStringLiteral("?%1").arg(i);
        return QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
            .arg(select.join(QStringLiteral(", ")), SqlText::quoteIdentifier(table),
                 SqlText::quoteIdentifier(keyColumn), marks.join(QStringLiteral(",")));
    };
    // Binding a whole batch of absent keys to read a handful of rows costs more than the rows.
    return {statement(kBatch), statement(kSmallBatch)};
}

void KeysetResult::convert(std::vector<QVariant>& values) const
{
    for (size_t c = 0; c < values.size(); ++c) {
        const TFieldType t = m_columns[c].type;
        if (FieldTypes::isDate(t) || t == TFieldType::Boolean || t == TFieldType::Float || t == TFieldType::Currency)
            values[c] = FieldTypes::fromEngine(t, values[c]);
    }
}

void KeysetResult::readFrom(SqliteStatement& stmt, int keyColumnIndex)
{
    const int columns = int(m_columns.size());
    while (stmt.step()) {
        m_keys.push_back(stmt.columnInt64(keyColumnIndex));
        if (m_keys.size() > size_t(kBatch))
            continue;
        RowData row;
        row.values.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.values.push_back(stmt.column(c));
        convert(row.values);
        remember(int(m_keys.size()) - 1, std::move(row));
    }
    m_total = int(m_keys.size());
    invalidatePositions();
}

void KeysetResult::follow(std::unique_ptr<KeyWalk> walk, KeyWalk::Extent extent, const ChangeLog::Mark& opened,
                          size_t firstWindow, Beside beside)
{
    m_walk = std::move(walk);
    m_total = int(m_keys.size()) + extent.rows;
    m_lastKey = extent.lastKey;
    m_opened = opened;
    m_firstWindow = firstWindow;
    readKeys(firstWindow);
    if (!m_walk || m_keys.size() + kPrefetchFrom > size_t(m_total))
        return;
    const char* file = sqlite3_db_filename(m_db.handle(), "main");
    if (!file || !*file)
        return;
    const QString path = QString::fromUtf8(file);
    const size_t expected = size_t(m_total);
    if (beside.sql.isEmpty())
        m_prefetch = std::make_unique<KeyPrefetch>(path, m_walk->order(), m_walk->condition(), expected,
                                                   KeyPrefetch::kStartAfter);
    else
        m_prefetch = std::make_unique<KeyPrefetch>(path, std::move(beside.sql), std::move(beside.binds), expected,
                                                   KeyPrefetch::kStartAfter);
}

bool KeysetResult::adoptPrefetched() const
{
    std::optional<std::vector<qint64>> keys = m_prefetch->take();
    m_prefetch.reset();
    if (!keys || !m_walk)
        return false;
    // Read at another moment than the opening: only when nothing at all was written to the
    // table in between (by this connection or any other) are they the result's keys.
    const auto changed = m_db.changes().changedSince(m_opened, m_table);
    if (!changed || !changed->empty() || keys->size() != size_t(m_total) || keys->size() < m_keys.size()
        || !std::equal(m_keys.begin(), m_keys.end(), keys->begin()))
        return false;
    if (std::any_of(keys->begin(), keys->end(), [this](qint64 k) { return k > m_lastKey; }))
        return false;
    m_keys = std::move(*keys);
    m_walk.reset();
    return true;
}

void KeysetResult::prepareOrder(Beside beside, const ChangeLog::Mark& opened, bool everyRow)
{
    m_prepared = std::move(beside);
    m_everyRow = everyRow;
    m_failedPreparations = 0;
    startPreparing(opened);
}

void KeysetResult::startPreparing(const ChangeLog::Mark& from)
{
    m_preparedFrom = from;
    const char* file = sqlite3_db_filename(m_db.handle(), "main");
    if (!file || !*file) {
        readOrderHere(); // a file in memory has no other connection
        return;
    }
    // The order the user asked for is waited for: its reading starts at once.
    m_preparing = std::make_unique<KeyPrefetch>(QString::fromUtf8(file), m_prepared.sql, m_prepared.binds, size_t(0),
                                                std::chrono::milliseconds(0));
}

bool KeysetResult::takePreparedOrder(bool wait)
{
    if (!m_preparing)
        return true;
    if (!wait && !m_preparing->ready())
        return false;
    std::optional<std::vector<qint64>> keys = m_preparing->take();
    m_preparing.reset();
    // Read at another moment than the one asked for: only when nothing at all was written to
    // the table in between (by this connection or any other) is it the table's order now.
    const auto changed = m_db.changes().changedSince(m_preparedFrom, m_table);
    if (keys && changed && changed->empty()) {
        takeOrder(std::move(*keys));
        return true;
    }
    if (!keys)
        ++m_failedPreparations;
    const ChangeLog::Mark now = m_db.changes().mark(m_table);
    if (wait || m_failedPreparations >= kPreparingAttempts) {
        try {
            readOrderHere();
        } catch (...) {
            startPreparing(now); // the keys shown stay what they were, and still wait
            throw;
        }
        return true;
    }
    startPreparing(now);
    return false;
}

void KeysetResult::readOrderHere()
{
    auto stmt = m_db.statement(m_prepared.sql);
    for (size_t i = 0; i < m_prepared.binds.size(); ++i)
        stmt->bind(int(i) + 1, m_prepared.binds[i]);
    std::vector<qint64> keys;
    keys.reserve(m_keys.size());
    while (stmt->step())
        keys.push_back(stmt->columnInt64(0));
    takeOrder(std::move(keys));
}

void KeysetResult::takeOrder(std::vector<qint64> keys)
{
    m_preparing.reset();
    m_keys = std::move(keys);
    m_total = int(m_keys.size());
    m_exact = true;
    m_everyRow = false;
    invalidatePositions();
}

bool KeysetResult::holdsEveryRow() const
{
    return m_preparing ? m_everyRow : lendable();
}

bool KeysetResult::lendable() const
{
    if (m_preparing)
        return false;
    if (m_prefetch && m_prefetch->ready())
        adoptPrefetched();
    return !m_walk && m_exact;
}

void KeysetResult::readKeys(size_t n) const
{
    n = std::min(n, size_t(m_total));
    if (m_keys.size() >= n)
        return;
    // The keys read beside are taken once they are there, or when more is wanted than a window
    // read here would bring: waiting for them costs no more than reading here.
    if (m_prefetch && (m_prefetch->ready() || n > m_keys.size() + m_firstWindow) && adoptPrefetched()) {
        readKeys(n);
        return;
    }
    // Rows left out as added since the opening can leave a window short: read on until there
    // are enough keys or the walk is done.
    while (m_walk && m_keys.size() < n) {
        // Only the layer's own writes leave the table as the walk needs it (they read the rest
        // first); anything else changed it behind the walk's back.
        const auto changed = m_db.changes().changedSince(m_opened, m_table);
        if (!changed || !changed->empty()) {
            readRestAfterChange();
        } else {
            // Reading ahead grows with what was read, so that going through a large table
            // takes few windows.
            const size_t wanted = std::max({n - m_keys.size(), m_keys.size() / 2, m_firstWindow});
            const size_t needed = std::min(size_t(m_total), m_keys.size() + wanted);
            if (needed > m_keys.capacity())
                m_keys.reserve(std::min(size_t(m_total), std::max(needed, 2 * m_keys.capacity())));
            const size_t from = m_keys.size();
            m_walk->next(m_keys, wanted);
            dropLaterRows(from);
            if (m_walk->done())
                m_walk.reset();
        }
    }
    // The count and the walk were read apart; another writer in between makes them disagree.
    if (m_keys.size() > size_t(m_total)) {
        m_keys.resize(size_t(m_total));
        m_exact = false;
    }
    if (m_keys.size() == size_t(m_total)) {
        m_walk.reset();
    } else if (!m_walk) {
        m_keys.resize(size_t(m_total), 0); // rows gone since the count: they show as deleted
        m_exact = false;
    }
}

// Rows another program added while the keys are read would push rows the result opened with
// past its count: the result keeps to the rows it opened with.
void KeysetResult::dropLaterRows(size_t from) const
{
    m_keys.erase(
        std::remove_if(m_keys.begin() + qsizetype(from), m_keys.end(), [this](qint64 k) { return k > m_lastKey; }),
        m_keys.end());
}

void KeysetResult::readRestAfterChange() const
{
    std::vector<qint64> rest;
    m_walk->next(rest, std::numeric_limits<size_t>::max());
    m_walk.reset();
    QSet<qint64> shown(m_keys.begin(), m_keys.end());
    for (const qint64 k : rest) {
        if (k <= m_lastKey && !shown.contains(k)) {
            shown.insert(k);
            m_keys.push_back(k);
        }
    }
    m_exact = false;
}

void KeysetResult::invalidatePositions() const
{
    m_positionsValid = false;
    m_scansSincePositions = 0;
}

void KeysetResult::loadAll()
{
    readKeys(size_t(m_total));
}

qint64 KeysetResult::key(int index) const
{
    readKeys(size_t(index) + 1);
    return m_keys.at(size_t(index));
}

int KeysetResult::firstIndexOf(const std::vector<qint64>& keys) const
{
    std::vector<qint64> wanted(keys);
    std::sort(wanted.begin(), wanted.end());
    size_t i = 0;
    while (!wanted.empty()) {
        for (; i < m_keys.size(); ++i) {
            if (std::binary_search(wanted.begin(), wanted.end(), m_keys[i]))
                return int(i);
        }
        if (i >= size_t(m_total))
            break;
        readKeys(i + 1);
    }
    return -1;
}

int KeysetResult::indexOfKey(qint64 key) const
{
    readKeys(size_t(m_total));
    // A scan costs less than building the table of positions of a large result, until a few
    // rows have been looked for since the keys last moved.
    if (!m_positionsValid && ++m_scansSincePositions <= kScansBeforePositions) {
        const auto it = std::find(m_keys.begin(), m_keys.end(), key);
        return it == m_keys.end() ? -1 : int(it - m_keys.begin());
    }
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
    // Added rows come after every row the result was opened with.
    readKeys(size_t(m_total));
    m_keys.push_back(key);
    ++m_total;
    if (m_positionsValid && !m_positions.contains(key))
        m_positions.insert(key, int(m_keys.size()) - 1);
}

void KeysetResult::removeAt(int index)
{
    // Cached rows after it now sit one place off; their slots no longer match and are read
    // again when asked for.
    readKeys(size_t(index) + 1);
    m_keys.erase(m_keys.begin() + index);
    --m_total;
    invalidatePositions();
}

std::vector<qint64> KeysetResult::takeKeys()
{
    invalidatePositions();
    m_total = 0;
    return std::move(m_keys);
}

void KeysetResult::invalidate()
{
    // Done after every post: a new generation instead of a pass over every slot.
    if (++m_generation != 0)
        return;
    for (Slot& s : m_slots)
        s.index = -1;
    m_generation = 1;
}

void KeysetResult::invalidateKey(qint64 key)
{
    for (Slot& s : m_slots) {
        if (s.index >= 0 && s.key == key)
            s.index = -1;
    }
}

void KeysetResult::makeRoomFor(int index)
{
    if (m_slots.size() >= size_t(kSlots) || size_t(index) < m_slots.size())
        return;
    const size_t size = std::min(size_t(kSlots), std::max(size_t(16), std::bit_ceil(size_t(index) + 1)));
    std::vector<Slot> grown(size);
    // Positions in different slots before are in different slots now: a larger mask keeps
    // the bits that told them apart.
    for (Slot& s : m_slots) {
        if (s.index >= 0 && s.generation == m_generation)
            grown[size_t(s.index) & (size - 1)] = std::move(s);
    }
    m_slots.swap(grown);
}

const RowData* KeysetResult::cached(int index)
{
    // A position past the slots there are was never remembered.
    if (size_t(index) >= m_slots.size() && m_slots.size() < size_t(kSlots))
        return nullptr;
    const Slot& s = slotFor(index);
    return s.index == index && s.generation == m_generation && s.key == m_keys[size_t(index)] ? &s.row : nullptr;
}

void KeysetResult::remember(int index, RowData row)
{
    makeRoomFor(index);
    Slot& s = slotFor(index);
    s.index = index;
    s.key = m_keys[size_t(index)];
    s.generation = m_generation;
    s.row = std::move(row);
}

const RowData& KeysetResult::row(int index)
{
    readKeys(size_t(index) + 2 * kBatch);
    const bool sequential = m_lastIndex >= 0 && std::abs(index - m_lastIndex) == 1;
    const bool backwards = m_lastIndex == index + 1;
    m_lastIndex = index;
    if (const RowData* hit = cached(index))
        return *hit;
    fetchAround(index, sequential ? kBatch : kSmallBatch, backwards);
    if (const RowData* fetched = cached(index))
        return *fetched;
    m_missing.values.assign(m_columns.size(), QVariant());
    m_missing.deleted = true;
    return m_missing;
}

void KeysetResult::fetchAround(int index, int batch, bool backwards)
{
    // Read ahead in the direction of travel: forwards when moving down or jumping, backwards
    // when moving up.
    const int n = int(m_keys.size());
    std::vector<int> wanted;
    wanted.reserve(size_t(batch));
    for (int step = 0; step < 2 * batch && int(wanted.size()) < batch; ++step) {
        const int i = backwards ? index - step : index + step;
        if (i < 0 || i >= n)
            break;
        if (!cached(i))
            wanted.push_back(i);
    }

    try {
        fetch(wanted);
    } catch (const EEngineError& e) {
        if (!damage(e))
            throw;
        // One damaged row ends the whole batch: read the rest one by one, so that every intact
        // row still comes, and keep the row that fails on its own as unreadable.
        for (const int i : wanted) {
            if (cached(i))
                continue;
            try {
                fetch({i});
            } catch (const EEngineError& alone) {
                if (!damage(alone))
                    throw;
                rememberUnreadable(i, alone);
            }
        }
    }
}

void KeysetResult::rememberUnreadable(int index, const EEngineError& error)
{
    RowData row;
    row.values.resize(m_columns.size());
    if (m_keyIndex >= 0)
        row.values[size_t(m_keyIndex)] = m_keys[size_t(index)];
    row.error = error.message();
    row.errorCode = error.ErrorCode();
    remember(index, std::move(row));
}

void KeysetResult::fetch(const std::vector<int>& wanted)
{
    const int markers = int(wanted.size()) <= kSmallBatch ? kSmallBatch : kBatch;
    auto stmt = m_db.statement(markers == kSmallBatch ? m_fetchSql.few : m_fetchSql.batch);
    for (int i = 0; i < markers; ++i) {
        if (i < int(wanted.size()))
            stmt->bindInt64(i + 1, m_keys[size_t(wanted[size_t(i)])]);
        else
            stmt->bindNull(i + 1);
    }
    // Rows come back in key order, not in the order asked for.
    std::vector<std::pair<qint64, int>> byKey;
    byKey.reserve(wanted.size());
    for (const int i : wanted)
        byKey.emplace_back(m_keys[size_t(i)], i);
    std::sort(byKey.begin(), byKey.end());
    const int columns = int(m_columns.size());
    std::vector<bool> found(wanted.size(), false);
    while (stmt->step()) {
        const qint64 key = stmt->columnInt64(0);
        RowData row;
        row.values.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.values.push_back(stmt->column(c + 1));
        convert(row.values);
        auto it = std::lower_bound(byKey.begin(), byKey.end(), std::make_pair(key, -1));
        while (it != byKey.end() && it->first == key) {
            found[size_t(it - byKey.begin())] = true;
            const int position = it->second;
            ++it;
            // A key stands at one position but for rare duplicates: move the row to its last one.
            if (it != byKey.end() && it->first == key)
                remember(position, row);
            else
                remember(position, std::move(row));
        }
    }
    for (size_t w = 0; w < byKey.size(); ++w) {
        if (found[w])
            continue;
        RowData gone;
        gone.values.resize(size_t(columns));
        gone.deleted = true;
        remember(byKey[w].second, std::move(gone));
    }
}
