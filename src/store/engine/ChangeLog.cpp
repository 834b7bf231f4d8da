#include "ChangeLog.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

qint64 nextEpoch()
{
    static qint64 epochs = 0;
    return ++epochs;
}

} // namespace

void ChangeLog::attach(sqlite3* db)
{
    // What was marked on an earlier opening says nothing about this one: the file may have
    // been changed by anybody meanwhile.
    m_epoch = nextEpoch();
    m_db = db;
    m_events = 0;
    m_tables.clear();
    sqlite3_update_hook(db, &ChangeLog::hook, this);
}

void ChangeLog::forgetBefore()
{
    if (m_db)
        m_epoch = nextEpoch();
}

void ChangeLog::detach()
{
    sqlite3_finalize(m_version);
    m_version = nullptr;
    if (m_db)
        sqlite3_update_hook(m_db, nullptr, nullptr);
    m_db = nullptr;
    m_tables.clear();
}

void ChangeLog::hook(void* self, int, const char* database, const char* table, long long rowid)
{
    auto* log = static_cast<ChangeLog*>(self);
    ++log->m_events;
    if (qstrcmp(database, "main") != 0)
        return;
    TableLog& t = log->m_tables[QString::fromUtf8(table).toLower()];
    t.rowids.push_back(rowid);
    if (t.rowids.size() > 2 * kKept) {
        const size_t drop = t.rowids.size() - kKept;
        t.rowids.erase(t.rowids.begin(), t.rowids.begin() + qsizetype(drop));
        t.base += qint64(drop);
    }
}

qint64 ChangeLog::dataVersion() const
{
    // Changes only when another connection (another program) commits to the file.
    if (!m_version
        && sqlite3_prepare_v3(m_db, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT, &m_version, nullptr)
               != SQLITE_OK)
        return -1;
    qint64 version = -1;
    if (sqlite3_step(m_version) == SQLITE_ROW)
        version = sqlite3_column_int64(m_version, 0);
    sqlite3_reset(m_version);
    return version;
}

ChangeLog::Mark ChangeLog::mark(const QString& table) const
{
    Mark m;
    if (!m_db)
        return m;
    m.epoch = m_epoch;
    const auto it = m_tables.find(table.toLower());
    m.position = it == m_tables.end() ? 0 : it->second.base + qint64(it->second.rowids.size());
    m.events = m_events;
    m.totalChanges = sqlite3_total_changes64(m_db);
    m.dataVersion = dataVersion();
    return m;
}

std::optional<std::vector<qint64>> ChangeLog::changedSince(const Mark& mark, const QString& table) const
{
    if (!m_db || mark.position < 0 || mark.epoch != m_epoch)
        return std::nullopt;
    // Every row change this connection made went through the hook (a table emptied at once
    // does not), and nobody else wrote the file.
    if (sqlite3_total_changes64(m_db) - mark.totalChanges != m_events - mark.events)
        return std::nullopt;
    const qint64 version = dataVersion();
    if (version < 0 || version != mark.dataVersion)
        return std::nullopt;
    const auto it = m_tables.find(table.toLower());
    if (it == m_tables.end())
        return std::vector<qint64>();
    const TableLog& t = it->second;
    if (mark.position < t.base)
        return std::nullopt;
    std::vector<qint64> changed(t.rowids.begin() + (mark.position - t.base), t.rowids.end());
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
}

ChangeLog::VirtualWrite::VirtualWrite(ChangeLog& log)
    : m_log(log)
    , m_totalChanges(log.m_db ? sqlite3_total_changes64(log.m_db) : 0)
    , m_events(log.m_events)
{
}

ChangeLog::VirtualWrite::~VirtualWrite()
{
    if (!m_log.m_db)
        return;
    const qint64 unseen = (sqlite3_total_changes64(m_log.m_db) - m_totalChanges) - (m_log.m_events - m_events);
    if (unseen > 0)
        m_log.m_events += unseen;
}
