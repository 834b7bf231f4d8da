#include "CatalogueUpgrade.h"

#include "CatalogueFile.h"
#include "EEngineError.h"
#include "SqlText.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "SqliteTransaction.h"
#include "TextFold.h"

#include <QFileInfo>
#include <QHash>
#include <sqlite3.h>

namespace {

CatalogueUpgrade::Runner& upgradeRunner()
{
    static CatalogueUpgrade::Runner runner;
    return runner;
}

CatalogueUpgrade::BeforeUpgrade& upgradeCopier()
{
    static CatalogueUpgrade::BeforeUpgrade hook;
    return hook;
}

// The engine's steps an index build takes per row of its table (the scan, the sort's feed and
// the insert into the index), as counted on the catalogue's tables: what the progress in one
// index is reckoned by.
constexpr qint64 kStepsPerRow = 9;
// How many steps of the engine lie between two looks at the progress: often enough to stop
// within a few milliseconds, rarely enough to cost nothing.
constexpr int kStepsPerLook = 4000;

// While the indexes are built, the page cache is made small: the sorter sorts runs of keys as
// large as the cache in memory before merging them, and small runs sort in the processor's own
// caches, which at a million items per folder costs less processor time than the opening's
// 16 MB (larger caches, keeping the runs in memory or sorting on two threads cost more on a
// busy machine; see bench/store/bench_upgrade). The opening's cache is put back afterwards.
class BuildSettings
{
public:
    explicit BuildSettings(sqlite3* db)
        : m_db(db)
    {
        // A setting only: the build goes on under the opening's own where it is refused.
        sqlite3_exec(m_db, "PRAGMA cache_size = -4096", nullptr, nullptr, nullptr);
    }
    ~BuildSettings() { sqlite3_exec(m_db, "PRAGMA cache_size = -16384", nullptr, nullptr, nullptr); }
    BuildSettings(const BuildSettings&) = delete;
    BuildSettings& operator=(const BuildSettings&) = delete;

private:
    sqlite3* m_db;
};

// Tells the progress how far one index is, from the steps the engine has taken on it.
struct StepCounter
{
    const CatalogueUpgrade::Progress* progress = nullptr;
    qint64 doneBefore = 0; // rows of the indexes already built
    qint64 rows = 0;       // rows of this index's table
    qint64 total = 1;      // rows of all the indexes to build
    qint64 steps = 0;

    int percent() const
    {
        const qint64 inThis = qMin(rows, steps / kStepsPerRow);
        return int(qMin<qint64>(99, (doneBefore + inThis) * 100 / total));
    }

    static int look(void* self)
    {
        auto* counter = static_cast<StepCounter*>(self);
        counter->steps += kStepsPerLook;
        return (*counter->progress)(counter->percent()) ? 0 : 1;
    }
};

} // namespace

void CatalogueUpgrade::setRunner(Runner runner)
{
    upgradeRunner() = std::move(runner);
}

void CatalogueUpgrade::setBeforeUpgrade(BeforeUpgrade hook)
{
    upgradeCopier() = std::move(hook);
}

CatalogueUpgrade::CatalogueUpgrade(sqlite3* db, const QString& path)
    : m_db(db)
    , m_path(path)
{
}

QString CatalogueUpgrade::metaValue(const char* key) const
{
    SqliteStatement read(m_db, QStringLiteral("SELECT value FROM kolt_meta WHERE key = ?1"));
    read.bindText(1, QLatin1String(key));
    return read.step() ? read.columnText(0) : QString();
}

void CatalogueUpgrade::setMeta(const char* key, const QString& value) const
{
    SqliteTransaction transaction(m_db);
    SqliteStatement write(m_db, value.isEmpty()
                                    ? QStringLiteral("DELETE FROM kolt_meta WHERE key = ?1")
                                    : QStringLiteral("INSERT OR REPLACE INTO kolt_meta (key, value) VALUES (?1, ?2)"));
    write.bindText(1, QLatin1String(key));
    if (!value.isEmpty())
        write.bindText(2, value);
    write.execute();
    write = SqliteStatement();
    transaction.commit();
}

bool CatalogueUpgrade::collationStale() const
{
    // Index order follows the collation: indexes built by a build that folds text differently
    // must be rebuilt before anything relies on their order.
    return metaValue(CatalogueFile::kCollationKey) != TextFold::version();
}

std::vector<CatalogueUpgrade::Pending> CatalogueUpgrade::pending() const
{
    std::vector<Pending> out;
    SqliteStatement exists(m_db, QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = ?1"));
    QHash<QString, qint64> rowsOf; // a folder's size decides for its detail table too
    for (const CatalogueFile::LargeTableIndex& index : CatalogueFile::largeTableIndexes()) {
        if (!rowsOf.contains(index.folder)) {
            SqliteStatement highest(
                m_db, QStringLiteral("SELECT max(Id) FROM %1").arg(SqlText::quoteIdentifier(index.folder)));
            rowsOf.insert(index.folder, highest.step() ? highest.columnInt64(0) : 0);
        }
        const qint64 rows = rowsOf.value(index.folder);
        if (rows < CatalogueFile::kIndexedFrom)
            continue;
        exists.bindText(1, index.name);
        // The columns in brackets: a missing column is an error then, never a text.
        if (!exists.step())
            out.push_back(
                {QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                     .arg(SqlText::quoteIdentifier(index.name), SqlText::quoteIdentifier(index.table), index.columns),
                 rows});
        exists.reset();
    }
    return out;
}

QStringList CatalogueUpgrade::missingIndexes() const
{
    QStringList out;
    for (const Pending& p : pending())
        out << p.sql;
    return out;
}

bool CatalogueUpgrade::fileIsFree() const
{
    // Whether another program holds the file, before a copy is made for work that could not be
    // done: an exclusive lock is taken and given back at once.
    if (sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return true;
}

QString CatalogueUpgrade::copyBeforeUpgrade(const QString& earlier) const
{
    if (!upgradeCopier())
        return earlier;
    try {
        return upgradeCopier()(m_path, earlier);
    } catch (...) {
        // A copy that could not be made is no reason to keep the catalogue slow.
        return earlier;
    }
}

void CatalogueUpgrade::rebuildForCollation()
{
    try {
        SqliteTransaction transaction(m_db);
        // The sort indexes go and are built again below, one by one with their progress, like
        // any that are missing; what else is kept in the collation (the lookup lists' names,
        // small) is rebuilt here, with the mark of the order it now follows.
        for (const CatalogueFile::LargeTableIndex& index : CatalogueFile::largeTableIndexes())
            SqliteStatement::exec(m_db,
                                  QStringLiteral("DROP INDEX IF EXISTS %1").arg(SqlText::quoteIdentifier(index.name)));
        SqliteStatement::exec(m_db, QStringLiteral("REINDEX %1").arg(QLatin1String(SqliteFunctions::kCollation)));
        SqliteStatement write(m_db, QStringLiteral("INSERT OR REPLACE INTO kolt_meta (key, value) VALUES (?1, ?2)"));
        write.bindText(1, QLatin1String(CatalogueFile::kCollationKey));
        write.bindText(2, TextFold::version());
        write.execute();
        write = SqliteStatement();
        transaction.commit();
    } catch (const EEngineError& e) {
        // Writing into indexes kept in another order would make searches miss rows: the
        // catalogue is not opened for changes at all.
        throw EEngineError(QStringLiteral("The catalogue file '%1' could not be prepared for this version of "
                                          "Tarvena (its indexes must be rebuilt, which failed: %2). The file "
                                          "was not changed; try again when it is not in use by another program")
                               .arg(QFileInfo(m_path).absoluteFilePath(), e.message()),
                           e.ErrorCode());
    }
}

void CatalogueUpgrade::run()
{
    if (sqlite3_db_readonly(m_db, "main") == 1)
        return;
    const QString earlier = metaValue(kCopyKey);
    const bool stale = collationStale();
    std::vector<Pending> work = stale ? std::vector<Pending>() : pending();
    if (!stale && work.empty()) {
        if (!earlier.isEmpty()) {
            try {
                setMeta(kCopyKey, QString()); // the upgrade it was made for is complete
            } catch (const EEngineError&) {
                // Cleared at a later opening.
            }
        }
        return;
    }
    if (!fileIsFree()) {
        if (stale)
            rebuildForCollation(); // raises why it cannot be done
        // Without the indexes the catalogue works as before; the next opening tries again.
        return;
    }
    const QString copy = copyBeforeUpgrade(earlier);
    if (stale)
        rebuildForCollation();
    try {
        if (stale)
            work = pending();
        if (work.empty())
            return;
        if (!copy.isEmpty() && copy != earlier)
            setMeta(kCopyKey, copy);
    } catch (const EEngineError&) {
        return; // another program took the file meanwhile: the next opening goes on
    }
    build(std::move(work));
}

void CatalogueUpgrade::build(std::vector<Pending> work)
{
    if (work.empty())
        return;
    const Work job = [&](const Progress& progress) { buildAll(work, progress); };
    if (upgradeRunner())
        upgradeRunner()(QLatin1String(kLabel), job);
    else
        job([](int) { return true; });
}

void CatalogueUpgrade::buildAll(const std::vector<Pending>& work, const Progress& progress)
{
    StepCounter counter;
    counter.progress = &progress;
    counter.total = 0;
    for (const Pending& p : work)
        counter.total += p.rows;
    counter.total = qMax<qint64>(1, counter.total);
    const BuildSettings settings(m_db);
    sqlite3_progress_handler(m_db, kStepsPerLook, &StepCounter::look, &counter);
    bool complete = true;
    try {
        for (const Pending& p : work) {
            counter.rows = p.rows;
            counter.steps = 0;
            // Committed one by one: what is built stays built, whatever stops the rest.
            try {
                SqliteTransaction transaction(m_db);
                SqliteStatement::exec(m_db, p.sql);
                transaction.commit();
            } catch (const EEngineError& e) {
                // A column another program removed: that index cannot be, the others can.
                if (e.ErrorCode() != SQLITE_ERROR)
                    throw;
                complete = false;
            }
            counter.doneBefore += p.rows;
            counter.steps = 0;
            if (!progress(counter.percent()))
                throw EEngineError(QStringLiteral("stopped"), SQLITE_INTERRUPT);
        }
    } catch (const EEngineError&) {
        // Stopped by the user, or the file was taken by another program (the index being built
        // is rolled back): the catalogue works without the rest, which the next opening builds.
        complete = false;
    }
    sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    if (!complete)
        return;
    progress(100);
    try {
        setMeta(kCopyKey, QString());
    } catch (const EEngineError&) {
        // Cleared at the next opening, which finds nothing left to do.
    }
}
