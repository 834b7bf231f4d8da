#include "TDAODatabase.h"

#include "CatalogueFile.h"
#include "EDAODatabaseError.h"
#include "EDAOError.h"
#include "EEngineError.h"
#include "SqliteStatement.h"
#include "TDAODataset.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <sqlite3.h>
#include <unistd.h>

namespace {

// The layer relies on SQLITE_OPEN_EXRESCODE and sqlite3_prepare_v3 flags of this version.
constexpr int kMinimumEngine = 3037000;

} // namespace

TDAODatabase::TDAODatabase(QString name)
    : m_name(std::move(name))
{
}

TDAODatabase::~TDAODatabase()
{
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; closing the datasets never throws for lack of a handler.
    }
}

void TDAODatabase::checkClosed() const
{
    if (Connected())
        throw EDAODatabaseError(QStringLiteral("Cannot perform this operation on an open database"));
}

void TDAODatabase::setDatabaseName(const QString& value)
{
    checkClosed();
    m_databaseName = value;
}

void TDAODatabase::setPassword(const QString& value)
{
    checkClosed();
    m_password = value;
}

void TDAODatabase::setConnected(bool value)
{
    if (value)
        Open();
    else
        Close();
}

void TDAODatabase::Open()
{
    if (Connected())
        return;
    if (sqlite3_libversion_number() < kMinimumEngine)
        throw EDAODatabaseError(QStringLiteral("SQLite Engine v.%1 not found.").arg(QStringLiteral("3.37")));
    m_handle = CatalogueFile::open(m_databaseName, m_password);
    // Installed once: changing the authorizer later would make SQLite compile every kept
    // statement again.
    sqlite3_set_authorizer(m_handle, &TDAODatabase::authorize, this);
    sqlite3_rollback_hook(m_handle, &TDAODatabase::rolledBackByEngine, this);
    sqlite3_commit_hook(m_handle, &TDAODatabase::mayCommit, this);
    m_statements = std::make_unique<StatementCache>(m_handle);
    m_changes.attach(m_handle);
    // A change needs the file and, for its journal, the folder: knowing now lets the first
    // attempt to change anything say so, before the user has typed a whole record.
    const QString folder = QFileInfo(m_databaseName).absolutePath();
    m_readOnly
        = sqlite3_db_readonly(m_handle, "main") == 1 || ::access(QFile::encodeName(folder).constData(), W_OK) != 0;
}

void TDAODatabase::Close()
{
    if (!Connected())
        return;
    while (!m_dataSets.empty())
        m_dataSets.back()->Close();
    m_statements.reset();
    m_changes.detach();
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
    m_depth = 0;
    m_undone = false;
    m_readOnly = false;
    m_afterCommit.clear();
    m_keptTags.clear();
}

bool TDAODatabase::ReadOnly() const
{
    return m_handle && m_readOnly;
}

void TDAODatabase::checkWritable() const
{
    if (ReadOnly())
        throw EDAOError(QStringLiteral("The catalogue cannot be changed: the file '%1' (or its folder) is read-only")
                            .arg(QDir::toNativeSeparators(QFileInfo(m_databaseName).absoluteFilePath())),
                        SQLITE_READONLY);
}

int TDAODatabase::authorize(void* self, int action, const char* first, const char* second, const char* database,
                            const char*)
{
    const Permission* restriction = static_cast<TDAODatabase*>(self)->m_restriction;
    if (!restriction)
        return SQLITE_OK;
    return (*restriction)(action, first, second, database) ? SQLITE_OK : SQLITE_DENY;
}

SqliteStatement TDAODatabase::compileRestricted(const QString& sql, const Permission& allow)
{
    struct Restrict
    {
        TDAODatabase& db;
        Restrict(TDAODatabase& d, const Permission& p)
            : db(d)
        {
            db.m_restriction = &p;
        }
        ~Restrict() { db.m_restriction = nullptr; }
    } restrict(*this, allow);
    return SqliteStatement(m_handle, sql);
}

void TDAODatabase::registerOpen(TDAODataset* dataSet)
{
    if (std::find(m_dataSets.begin(), m_dataSets.end(), dataSet) == m_dataSets.end())
        m_dataSets.push_back(dataSet);
}

void TDAODatabase::unregisterOpen(TDAODataset* dataSet)
{
    m_dataSets.erase(std::remove(m_dataSets.begin(), m_dataSets.end(), dataSet), m_dataSets.end());
}

void TDAODatabase::aboutToChange(const QString& table)
{
    for (TDAODataset* ds : m_dataSets)
        ds->tableAboutToChange(table);
}

// The engine undoes a whole transaction by itself when a read or a write inside it fails,
// and goes back to storing each statement on its own. While a level of ours is still open, its
// work must not go on as if nothing had happened: from then on no statement may be stored
// (the commit hook refuses them) and no level may begin, until the outermost level has ended.
void TDAODatabase::rolledBackByEngine(void* self)
{
    auto* db = static_cast<TDAODatabase*>(self);
    if (db->m_depth > 0)
        db->m_undone = true;
}

int TDAODatabase::mayCommit(void* self)
{
    return static_cast<TDAODatabase*>(self)->m_undone ? 1 : 0;
}

void TDAODatabase::checkNotUndone() const
{
    if (m_depth > 0 && (m_undone || sqlite3_get_autocommit(m_handle)))
        throw EEngineError(QStringLiteral("The change could not be saved: the catalogue file could not be read or "
                                          "written part-way through it, so all of it was undone; try again"),
                           SQLITE_ABORT_ROLLBACK);
}

void TDAODatabase::levelEnded()
{
    if (--m_depth == 0)
        m_undone = false;
}

TDAODatabase::Transaction::Transaction(TDAODatabase& db)
    : m_db(db)
{
    if (!db.m_handle)
        throw EDAODatabaseError(QStringLiteral("Cannot perform this operation on a closed database"));
    db.checkNotUndone();
    if (db.m_depth == 0 && !sqlite3_get_autocommit(db.m_handle)) {
        // A transaction nobody owns must not swallow this one's writes.
        sqlite3_exec(db.m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
        db.rolledBack(0);
    }
    m_level.emplace(db, db.m_depth + 1);
    m_depth = ++db.m_depth;
}

TDAODatabase::Transaction::~Transaction()
{
    rollback();
}

void TDAODatabase::Transaction::commit()
{
    if (!m_level)
        return;
    try {
        m_level->commit();
    } catch (...) {
        // The level is ended already; the datasets must hear of the rollback all the same.
        rollback();
        throw;
    }
    m_level.reset();
    m_db.levelEnded();
    m_db.levelCommitted(m_depth);
}

void TDAODatabase::Transaction::rollback() noexcept
{
    if (!m_level)
        return;
    m_level->rollback();
    m_level.reset();
    m_db.levelEnded();
    m_db.rolledBack(m_depth);
}

void TDAODatabase::rolledBack(int depth) noexcept
{
    if (!m_handle)
        return;
    // A rollback of the whole transaction drops everything kept; an inner one only its own.
    const bool whole = sqlite3_get_autocommit(m_handle) != 0;
    std::erase_if(m_afterCommit, [&](const Deferred& d) { return whole || d.depth >= depth; });
    m_keptTags.clear();
    for (const Deferred& d : m_afterCommit) {
        if (d.tag && (!m_keptTags.contains(d.tag) || m_keptTags[d.tag] > d.depth))
            m_keptTags[d.tag] = d.depth;
    }
    m_changes.forgetBefore();
    for (TDAODataset* ds : m_dataSets)
        ds->afterRollback();
}

void TDAODatabase::afterCommit(std::function<void()> work)
{
    if (m_depth == 0) {
        work();
        return;
    }
    m_afterCommit.push_back({m_depth, std::move(work), nullptr, QString(), false});
}

void TDAODatabase::afterCommit(std::function<void()> work, const void* tag)
{
    if (m_depth == 0) {
        work();
        return;
    }
    const auto kept = m_keptTags.constFind(tag);
    if (kept != m_keptTags.cend() && kept.value() <= m_depth)
        return;
    m_keptTags[tag] = m_depth;
    m_afterCommit.push_back({m_depth, std::move(work), tag, QString(), false});
}

void TDAODatabase::afterCommit(std::function<void()> work, const QString& key, bool replacing)
{
    if (m_depth == 0) {
        work();
        return;
    }
    const bool replaces = replacing && !key.isEmpty();
    m_afterCommit.push_back({m_depth, std::move(work), nullptr, key, replaces});
    if (replaces)
        dropReplaced(m_afterCommit.size() - 1, m_depth);
}

void TDAODatabase::dropReplaced(size_t at, int depth) noexcept
{
    // Work is kept in the order it was asked for, its levels never decreasing: what was kept
    // for `depth` or deeper stands right before `at`, and is undone or committed with it.
    const QString& key = m_afterCommit[at].key;
    size_t first = at;
    while (first > 0 && m_afterCommit[first - 1].depth >= depth)
        --first;
    const auto begin = m_afterCommit.begin() + qsizetype(first);
    const auto end = m_afterCommit.begin() + qsizetype(at);
    m_afterCommit.erase(std::remove_if(begin, end, [&key](const Deferred& d) { return d.key == key; }), end);
}

void TDAODatabase::levelCommitted(int depth) noexcept
{
    // Work is kept in the order it was asked for, so the committed level's is at the end.
    size_t committed = m_afterCommit.size();
    for (auto it = m_afterCommit.rbegin(); it != m_afterCommit.rend() && it->depth >= depth; ++it) {
        it->depth = depth - 1;
        --committed;
        if (it->tag)
            m_keptTags[it->tag] = std::min(m_keptTags.value(it->tag, depth - 1), depth - 1);
    }
    // Replacing work that now shares its level with earlier work of its key ends that work.
    for (size_t i = committed; i < m_afterCommit.size(); ++i) {
        if (!m_afterCommit[i].replacing)
            continue;
        const size_t before = m_afterCommit.size();
        dropReplaced(i, depth - 1);
        i -= before - m_afterCommit.size();
    }
}

void TDAODatabase::runAfterCommit()
{
    if (m_depth > 0)
        return;
    std::vector<Deferred> work;
    work.swap(m_afterCommit);
    m_keptTags.clear();
    for (Deferred& d : work)
        d.work();
}
