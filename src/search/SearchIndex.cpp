#include "SearchIndex.h"

#include "CatalogueFile.h"
#include "EEngineError.h"
#include "SearchDocument.h"
#include "SearchFolder.h"
#include "SqlText.h"
#include "SqliteConnection.h"
#include "SqliteTransaction.h"
#include "TextFold.h"

#include <QElapsedTimer>
#include <QStringList>
#include <deque>
#include <future>
#include <sqlite3.h>

namespace {

const QString kStateTable = QStringLiteral("kolt_search_state");
const QString kChangedTable = QStringLiteral("kolt_search_changed");
const QString kLayoutKey = QStringLiteral("layout");
const QString kInStepKey = QStringLiteral("in_step_at");

// Items folded together on a thread of their own while the connection stores the ones before.
constexpr size_t kBuildBatch = 1000;
constexpr size_t kBatchesAhead = 3;
// The build's page cache (KiB): the index's pages stay in memory until the commit writes them
// in order. The connection's own is small, for a long run beside other programs.
constexpr int kBuildCacheKiB = 65536;
constexpr int kRunCacheKiB = 16384;

QString quotedIndexTable(int folder)
{
    return SqlText::quoteIdentifier(SearchFolder::at(folder).indexTable);
}

// A read transaction: nothing another program commits shows up until it ends.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(sqlite3* db)
        : m_db(db)
        , m_own(sqlite3_get_autocommit(db) != 0)
    {
        if (m_own)
            SqliteStatement::exec(m_db, QStringLiteral("BEGIN"));
    }
    ~ReadSnapshot()
    {
        if (m_own)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    sqlite3* m_db;
    bool m_own;
};

// A larger page cache for as long as a build runs.
class BuildCache
{
public:
    explicit BuildCache(sqlite3* db)
        : m_db(db)
    {
        SqliteStatement::exec(m_db, QStringLiteral("PRAGMA cache_size = -%1").arg(kBuildCacheKiB));
    }
    ~BuildCache()
    {
        const QByteArray back = QStringLiteral("PRAGMA cache_size = -%1").arg(kRunCacheKiB).toLatin1();
        sqlite3_exec(m_db, back.constData(), nullptr, nullptr, nullptr);
    }
    BuildCache(const BuildCache&) = delete;
    BuildCache& operator=(const BuildCache&) = delete;

private:
    sqlite3* m_db;
};

struct FoldedBatch
{
    std::vector<qint64> ids;
    std::vector<QByteArray> texts; // UTF-8, as the index takes them
};

FoldedBatch foldBatch(const SearchFolder& folder, const std::vector<SearchItemTexts>& batch)
{
    FoldedBatch out;
    out.ids.reserve(batch.size());
    out.texts.reserve(batch.size());
    for (const SearchItemTexts& item : batch) {
        out.ids.push_back(item.id);
        out.texts.push_back(SearchDocument::indexText(folder, item).toUtf8());
    }
    return out;
}

} // namespace

struct SearchIndex::Statements
{
    std::vector<SqliteStatement> insert; // per folder
    SqliteStatement changed;
};

SearchIndex::SearchIndex(SqliteConnection& connection, bool writable)
    : m_connection(connection)
    , m_db(connection.handle())
    , m_writable(writable)
{
}

SearchIndex::~SearchIndex() = default;

QString SearchIndex::layout()
{
    // Bump the first number whenever what the index holds, or how, changes.
    return QStringLiteral("3;") + TextFold::version();
}

bool SearchIndex::tablesPresent()
{
    SqliteStatement exists(m_db,
                           QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?1"));
    QStringList names{kStateTable, kChangedTable};
    for (const SearchFolder& f : SearchFolder::all())
        names << f.indexTable;
    for (const QString& name : names) {
        exists.bindText(1, name);
        if (!exists.step() || exists.columnInt64(0) == 0)
            return false;
        exists.reset();
    }
    return true;
}

bool SearchIndex::tooManyChanged()
{
    SqliteStatement most(
        m_db, QStringLiteral("SELECT max(n) FROM (SELECT count(*) AS n FROM %1 GROUP BY folder)").arg(kChangedTable));
    return most.step() && most.columnInt64(0) > kChangedLimit;
}

QString SearchIndex::stateValue(const QString& key)
{
    SqliteStatement read(m_db, QStringLiteral("SELECT value FROM %1 WHERE key = ?1").arg(kStateTable));
    read.bindText(1, key);
    return read.step() ? read.columnText(0) : QString();
}

qint64 SearchIndex::changeCounter() const
{
    // Read while this connection holds a lock that keeps other programs from committing.
    return CatalogueFile::changeCounter(QString::fromUtf8(sqlite3_db_filename(m_db, "main")));
}

qint64 SearchIndex::dataVersion()
{
    SqliteStatement version(m_db, QStringLiteral("PRAGMA data_version"));
    return version.step() ? version.columnInt64(0) : -1;
}

void SearchIndex::prepare(const Progress& progress, const std::atomic_bool* cancel)
{
    m_present = false;
    m_current = false;
    try {
        bool worn = false;
        {
            ReadSnapshot snapshot(m_db);
            m_present = tablesPresent() && stateValue(kLayoutKey) == layout();
            if (m_present) {
                const qint64 counter = changeCounter();
                m_current = counter >= 0 && stateValue(kInStepKey) == QString::number(counter);
                worn = tooManyChanged();
            }
            m_dataVersion = dataVersion();
        }
        if ((!m_current || worn) && m_writable)
            rebuild(progress, cancel);
    } catch (const EEngineError&) {
        // Another program is using the file: searches read the tables until the next opening.
        m_current = false;
    }
}

bool SearchIndex::isCurrent()
{
    if (!m_current)
        return false;
    try {
        if (dataVersion() != m_dataVersion)
            m_current = false;
    } catch (const EEngineError&) {
        m_current = false;
    }
    return m_current;
}

qint64 SearchIndex::currentAt()
{
    if (!isCurrent())
        return -1;
    try {
        ReadSnapshot snapshot(m_db);
        // Inside the snapshot nobody commits: what data_version says holds for the counter.
        if (dataVersion() != m_dataVersion) {
            m_current = false;
            return -1;
        }
        return changeCounter();
    } catch (const EEngineError&) {
        return -1;
    }
}

bool SearchIndex::rebuild(const Progress& progress, const std::atomic_bool* cancel)
{
    m_statements.reset();
    const bool wasPresent = m_present;
    m_present = false;
    m_current = false;
    {
        const BuildCache cache(m_db);
        // Counted up to and with the commit, where the index writes what it kept in memory.
        const ChangeLog::VirtualWrite counted(m_connection.changes());
        SqliteTransaction transaction(m_db);
        qint64 total = 0;
        for (const SearchFolder& f : SearchFolder::all()) {
            SqliteStatement count(m_db,
                                  QStringLiteral("SELECT count(*) FROM %1").arg(SqlText::quoteIdentifier(f.table)));
            if (count.step())
                total += count.columnInt64(0);
        }
        SqliteStatement::exec(
            m_db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (key TEXT PRIMARY KEY, value TEXT)").arg(kStateTable));
        SqliteStatement::exec(m_db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(kChangedTable));
        SqliteStatement::exec(m_db, QStringLiteral("CREATE TABLE %1 (folder INTEGER NOT NULL, id INTEGER NOT NULL, "
                                                   "PRIMARY KEY (folder, id)) WITHOUT ROWID")
                                        .arg(kChangedTable));
        qint64 done = 0;
        for (const SearchFolder& f : SearchFolder::all()) {
            if (!buildFolder(f.index, done, total, progress, cancel)) {
                transaction.rollback();
                m_present = wasPresent;
                return false;
            }
        }
        SqliteStatement write(
            m_db, QStringLiteral("INSERT OR REPLACE INTO %1 (key, value) VALUES (?1, ?2)").arg(kStateTable));
        write.bindText(1, kLayoutKey);
        write.bindText(2, layout());
        write.execute();
        transaction.commit();
    }
    m_present = true;
    m_current = true;
    m_dataVersion = dataVersion();
    try {
        markInStep();
    } catch (const EEngineError&) {
        // Known in step for this run; the next opening builds it again.
    }
    if (progress)
        progress(100);
    return true;
}

bool SearchIndex::buildFolder(int folder, qint64& done, qint64 total, const Progress& progress,
                              const std::atomic_bool* cancel)
{
    const SearchFolder& f = SearchFolder::at(folder);
    const QString table = quotedIndexTable(folder);
    SqliteStatement::exec(m_db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(table));
    // "ascii": the words are already folded and blank separated (see SearchText). Words only
    // (detail=none), no copy of the texts (content=''), no column sizes (they serve ranking,
    // and results come in key order). Beginnings of two letters are kept apart, as they stand
    // for the most words (a beginning of one letter is searched as a word, see SearchQuery).
    SqliteStatement::exec(m_db, QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(words, tokenize = 'ascii', "
                                               "content = '', columnsize = 0, detail = none, prefix = '2')")
                                    .arg(table));
    // The words of a whole folder of a million items gathered in memory and written once, as
    // one piece: nothing to merge as the load goes on.
    SqliteStatement::exec(m_db, QStringLiteral("INSERT INTO %1 (%1, rank) VALUES ('hashsize', 268435456)").arg(table));
    SqliteStatement insert(m_db, QStringLiteral("INSERT INTO %1 (rowid, words) VALUES (?1, ?2)").arg(table));

    QElapsedTimer sinceProgress;
    sinceProgress.start();
    auto store = [&](const FoldedBatch& folded) {
        for (size_t i = 0; i < folded.ids.size(); ++i) {
            insert.bindInt64(1, folded.ids[i]);
            // The batch outlives the statement's use of the text: no copy.
            const QByteArray& text = folded.texts[i];
            SqliteStatement::check(m_db, sqlite3_bind_text64(insert.handle(), 2, text.constData(),
                                                             sqlite3_uint64(text.size()), SQLITE_STATIC, SQLITE_UTF8));
            insert.execute();
            insert.reset();
        }
        done += qint64(folded.ids.size());
        if (progress && total > 0 && sinceProgress.elapsed() >= 50) {
            progress(int(std::min<qint64>(99, done * 100 / total)));
            sinceProgress.restart();
        }
    };
    // The folding (the RTF of the descriptions, the words of every text) runs on threads of
    // its own, a batch at a time, while this one reads the next batch and stores the last.
    std::deque<std::future<FoldedBatch>> ahead;
    std::vector<SearchItemTexts> batch;
    batch.reserve(kBuildBatch);
    bool stopped = false;
    auto launch = [&] {
        ahead.push_back(std::async(std::launch::async, [&f, items = std::move(batch)] { return foldBatch(f, items); }));
        batch = {};
        batch.reserve(kBuildBatch);
    };
    SearchDocumentReader reader(m_db, f);
    reader.scanTexts([&](SearchItemTexts&& item) {
        batch.push_back(std::move(item));
        if (batch.size() < kBuildBatch)
            return true;
        launch();
        while (ahead.size() > kBatchesAhead) {
            store(ahead.front().get());
            ahead.pop_front();
        }
        stopped = cancel && cancel->load();
        return !stopped;
    });
    if (stopped)
        return false;
    if (!batch.empty())
        launch();
    while (!ahead.empty()) {
        store(ahead.front().get());
        ahead.pop_front();
    }
    if (cancel && cancel->load())
        return false;
    // One piece, even where a folder did not fit in memory at once: a search reads each word's
    // list once.
    SqliteStatement::exec(m_db, QStringLiteral("INSERT INTO %1 (%1) VALUES ('optimize')").arg(table));
    // Changes later keep only a little in memory before writing it.
    SqliteStatement::exec(m_db, QStringLiteral("INSERT INTO %1 (%1, rank) VALUES ('hashsize', 1048576)").arg(table));
    return true;
}

SearchIndex::Statements& SearchIndex::statements()
{
    if (m_statements)
        return *m_statements;
    auto made = std::make_unique<Statements>();
    for (const SearchFolder& f : SearchFolder::all()) {
        made->insert.emplace_back(
            m_db, QStringLiteral("INSERT INTO %1 (rowid, words) VALUES (?1, ?2)").arg(quotedIndexTable(f.index)), true);
    }
    made->changed = SqliteStatement(
        m_db, QStringLiteral("INSERT OR IGNORE INTO %1 (folder, id) VALUES (?1, ?2)").arg(kChangedTable), true);
    m_statements = std::move(made);
    return *m_statements;
}

void SearchIndex::refresh(int folder, qint64 id, qint64 leftOutDetail, bool onlyAdded)
{
    if (!m_present || id <= 0)
        return;
    changeCounted([&] {
        Statements& s = statements();
        if (!onlyAdded) {
            s.changed.bindInt64(1, folder);
            s.changed.bindInt64(2, id);
            s.changed.execute();
            s.changed.reset();
        }
        const SearchFolder& f = SearchFolder::at(folder);
        SearchDocumentReader reader(m_db, f);
        const std::optional<SearchItemTexts> item = reader.readTexts(id, leftOutDetail);
        if (!item)
            return;
        // The new words join the entry; words the item lost stay in it until the next build,
        // and searches read the changed items again.
        SqliteStatement& insert = s.insert.at(size_t(folder));
        insert.bindInt64(1, id);
        insert.bindText(2, SearchDocument::indexText(f, *item));
        insert.execute();
        insert.reset();
    });
}

void SearchIndex::remove(int folder, qint64 id)
{
    if (!m_present || id <= 0)
        return;
    changeCounted([&] {
        Statements& s = statements();
        s.changed.bindInt64(1, folder);
        s.changed.bindInt64(2, id);
        s.changed.execute();
        s.changed.reset();
    });
}

void SearchIndex::changeCounted(const std::function<void()>& change)
{
    // Inside a post: the queries that read their changed rows again afterwards must not take
    // the index's rows for changes they cannot see (see ChangeLog::VirtualWrite). The index
    // keeps what it writes in memory until a savepoint or the commit, and then writes a table
    // the log cannot see either: a savepoint here makes it write now, inside the count.
    const ChangeLog::VirtualWrite counted(m_connection.changes());
    change();
    SqliteStatement::exec(m_db, QStringLiteral("SAVEPOINT kolt_search_flush; RELEASE kolt_search_flush"));
}

SqliteStatement SearchIndex::candidates(sqlite3* db, int folder, const QString& expression, qint64 after)
{
    const QString table = quotedIndexTable(folder);
    SqliteStatement select(
        db, QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ?1 AND rowid > ?2 ORDER BY rowid").arg(table));
    select.bindText(1, expression);
    select.bindInt64(2, after);
    return select;
}

qint64 SearchIndex::count(sqlite3* db, int folder, const QString& expression)
{
    const QString table = quotedIndexTable(folder);
    SqliteStatement select(db, QStringLiteral("SELECT count(*) FROM %1 WHERE %1 MATCH ?1").arg(table));
    select.bindText(1, expression);
    return select.step() ? select.columnInt64(0) : 0;
}

std::vector<qint64> SearchIndex::changedCandidates(sqlite3* db, int folder, const QString& expression)
{
    const QString table = quotedIndexTable(folder);
    SqliteStatement select(
        db, QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ?1 AND rowid IN (SELECT id FROM %2 WHERE folder = ?2)")
                .arg(table, kChangedTable));
    select.bindText(1, expression);
    select.bindInt64(2, folder);
    std::vector<qint64> out;
    while (select.step())
        out.push_back(select.columnInt64(0));
    return out;
}

bool SearchIndex::isChanged(sqlite3* db, int folder, qint64 id)
{
    SqliteStatement select(db, QStringLiteral("SELECT 1 FROM %1 WHERE folder = ?1 AND id = ?2").arg(kChangedTable));
    select.bindInt64(1, folder);
    select.bindInt64(2, id);
    return select.step();
}

void SearchIndex::markInStep()
{
    SqliteTransaction transaction(m_db);
    // This connection now holds the file's write lock: no other program commits before this
    // transaction does, and its commit raises the counter by one.
    const qint64 counter = changeCounter();
    if (counter < 0)
        return;
    SqliteStatement write(m_db,
                          QStringLiteral("INSERT OR REPLACE INTO %1 (key, value) VALUES (?1, ?2)").arg(kStateTable));
    write.bindText(1, kInStepKey);
    write.bindText(2, QString::number((counter + 1) & 0xFFFFFFFF));
    write.execute();
    transaction.commit();
}

void SearchIndex::close() noexcept
{
    try {
        if (m_writable && m_present && isCurrent())
            markInStep();
    } catch (const std::exception&) {
        // Not known in step: the next opening builds the index again.
    }
    m_statements.reset();
}
