#include "SearchIndex.h"

#include "CatalogueFile.h"
#include "EEngineError.h"
#include "SearchDocument.h"
#include "SearchFolder.h"
#include "SqlText.h"
#include "SqliteConnection.h"
#include "SqliteTransaction.h"
#include "TextFold.h"

#include <QFile>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kStateTable = QStringLiteral("kolt_search_state");
const QString kLayoutKey = QStringLiteral("layout");
const QString kInStepKey = QStringLiteral("in_step_at");

QStringList quotedColumns(const SearchFolder& folder)
{
    QStringList out;
    for (const SearchColumn* c : folder.indexColumns())
        out << SqlText::quoteIdentifier(c->column);
    return out;
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

} // namespace

struct SearchIndex::FolderStatements
{
    SqliteStatement insert;
    SqliteStatement erase;
};

SearchIndex::SearchIndex(SqliteConnection& connection, bool writable)
    : m_connection(connection)
    , m_db(connection.handle())
    , m_writable(writable)
{
    m_statements.resize(SearchFolder::all().size());
}

SearchIndex::~SearchIndex() = default;

QString SearchIndex::layout()
{
    // Bump the first number whenever what the index holds, or how, changes.
    return QStringLiteral("2;") + TextFold::version();
}

bool SearchIndex::tablesPresent()
{
    SqliteStatement exists(m_db,
                           QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?1"));
    QStringList names{kStateTable};
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

void SearchIndex::prepare(const Progress& progress)
{
    m_present = false;
    m_current = false;
    try {
        {
            ReadSnapshot snapshot(m_db);
            m_present = tablesPresent() && stateValue(kLayoutKey) == layout();
            if (m_present) {
                const qint64 counter = changeCounter();
                m_current = counter >= 0 && stateValue(kInStepKey) == QString::number(counter);
            }
            m_dataVersion = dataVersion();
        }
        if (!m_current && m_writable)
            rebuild(progress);
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

void SearchIndex::rebuild(const Progress& progress)
{
    m_statements.clear();
    m_statements.resize(SearchFolder::all().size());
    m_present = false;
    m_current = false;
    {
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
        qint64 done = 0;
        for (const SearchFolder& f : SearchFolder::all())
            buildFolder(f.index, done, total, progress);
        SqliteStatement write(
            m_db, QStringLiteral("INSERT OR REPLACE INTO %1 (key, value) VALUES (?1, ?2)").arg(kStateTable));
        write.bindText(1, kLayoutKey);
        write.bindText(2, layout());
        write.execute();
        syncAhead(progress);
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
}

void SearchIndex::buildFolder(int folder, qint64& done, qint64 total, const Progress& progress)
{
    const SearchFolder& f = SearchFolder::at(folder);
    const QString table = SqlText::quoteIdentifier(f.indexTable);
    SqliteStatement::exec(m_db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(table));
    // "ascii": the words are already folded and blank separated (see SearchText).
    // No column sizes: they serve ranking only, and results come in key order. Beginnings of
    // two letters are kept apart, as they stand for the most words (a beginning of one letter
    // is searched as a word, see SearchQuery).
    SqliteStatement::exec(m_db, QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(%2, tokenize = 'ascii', "
                                               "prefix = '2', columnsize = 0)")
                                    .arg(table, quotedColumns(f).join(QStringLiteral(", "))));
    FolderStatements& s = statements(folder);
    SearchDocumentReader reader(m_db, f);
    reader.scan([&](const SearchDocument& document) {
        const QStringList texts = document.indexTexts();
        s.insert.bindInt64(1, document.id);
        for (qsizetype i = 0; i < texts.size(); ++i)
            s.insert.bindText(int(i) + 2, texts[i]);
        run(s.insert);
        ++done;
        if (progress && !progress(int(done * 100 / qMax<qint64>(1, total))))
            throw EEngineError(QStringLiteral("The search index was not built: stopped"), SQLITE_INTERRUPT);
        return true;
    });
    // One segment instead of the many a bulk load leaves: a search reads each word's list once.
    // What 'optimize' does in one go, which takes seconds at a million items, is done a slice
    // at a time (merges of all segments, each of a bounded number of pages) until one is left,
    // the progress told between slices.
    SqliteStatement merge(
        m_db, QStringLiteral("INSERT INTO %1 (%1, rank) VALUES ('merge', -%2)").arg(table).arg(kMergePages));
    const int percent = int(done * 100 / qMax<qint64>(1, total));
    while (true) {
        const qint64 before = sqlite3_total_changes64(m_db);
        run(merge);
        // Fewer than two changes: there was nothing left to merge.
        if (sqlite3_total_changes64(m_db) - before < 2)
            break;
        if (progress && !progress(percent))
            throw EEngineError(QStringLiteral("The search index was not built: stopped"), SQLITE_INTERRUPT);
    }
}

void SearchIndex::syncAhead(const Progress& progress)
{
    // The commit syncs the file, which at a million items means writing hundreds of megabytes
    // that the build left with the system: that is done first on a thread of its own, so that
    // the progress goes on being told, and the commit's own sync finds little left to write.
    if (!progress)
        return;
    // The index's words kept in memory, then the pages the engine still holds, go to the file.
    SqliteStatement::exec(m_db, QStringLiteral("SAVEPOINT kolt_search_flush; RELEASE kolt_search_flush"));
    sqlite3_db_cacheflush(m_db);
    const QByteArray file = QByteArray(sqlite3_db_filename(m_db, "main"));
    std::atomic<bool> synced{false};
    std::thread syncer([&] {
        QFile f(QString::fromUtf8(file));
        if (f.open(QIODevice::ReadOnly))
            ::fdatasync(f.handle());
        synced = true;
    });
    while (!synced) {
        progress(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    syncer.join();
}

SearchIndex::FolderStatements& SearchIndex::statements(int folder)
{
    auto& slot = m_statements.at(size_t(folder));
    if (slot)
        return *slot;
    const SearchFolder& f = SearchFolder::at(folder);
    const QString table = SqlText::quoteIdentifier(f.indexTable);
    const QStringList columns = quotedColumns(f);
    QStringList places;
    for (qsizetype i = 0; i < columns.size(); ++i)
        places << QStringLiteral("?%1").arg(i + 2);
    slot = std::make_unique<FolderStatements>();
    slot->insert
        = SqliteStatement(m_db,
                          QStringLiteral("INSERT INTO %1 (rowid, %2) VALUES (?1, %3)")
                              .arg(table, columns.join(QStringLiteral(", ")), places.join(QStringLiteral(", "))),
                          true);
    slot->erase = SqliteStatement(m_db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(table), true);
    return *slot;
}

void SearchIndex::refresh(int folder, qint64 id, qint64 leftOutDetail)
{
    if (!m_present || id <= 0)
        return;
    changeCounted([&] {
        FolderStatements& s = statements(folder);
        s.erase.bindInt64(1, id);
        run(s.erase);
        SearchDocumentReader reader(m_db, SearchFolder::at(folder));
        const std::optional<SearchDocument> document = reader.read(id, leftOutDetail);
        if (!document)
            return;
        const QStringList texts = document->indexTexts();
        s.insert.bindInt64(1, id);
        for (qsizetype i = 0; i < texts.size(); ++i)
            s.insert.bindText(int(i) + 2, texts[i]);
        run(s.insert);
    });
}

void SearchIndex::remove(int folder, qint64 id)
{
    if (!m_present)
        return;
    changeCounted([&] {
        FolderStatements& s = statements(folder);
        s.erase.bindInt64(1, id);
        run(s.erase);
    });
}

void SearchIndex::run(SqliteStatement& statement)
{
    statement.execute();
    statement.reset();
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

std::vector<qint64> SearchIndex::keys(int folder, const QString& expression, int limit)
{
    const QString table = SqlText::quoteIdentifier(SearchFolder::at(folder).indexTable);
    SqliteStatement select(m_db,
                           QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ?1 ORDER BY rowid LIMIT ?2").arg(table));
    select.bindText(1, expression);
    select.bindInt64(2, limit);
    std::vector<qint64> out;
    while (select.step())
        out.push_back(select.columnInt64(0));
    return out;
}

qint64 SearchIndex::count(int folder, const QString& expression)
{
    const QString table = SqlText::quoteIdentifier(SearchFolder::at(folder).indexTable);
    SqliteStatement select(m_db, QStringLiteral("SELECT count(*) FROM %1 WHERE %1 MATCH ?1").arg(table));
    select.bindText(1, expression);
    return select.step() ? select.columnInt64(0) : 0;
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
    m_statements.clear();
    m_statements.resize(SearchFolder::all().size());
}
