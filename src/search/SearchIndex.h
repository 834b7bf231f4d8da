#pragma once

#include "SqliteStatement.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class SqliteConnection;
struct sqlite3;

// The full-text index of "Search everywhere": one SQLite FTS5 table per folder
// (kolt_search_<folder>), tables of the program's own beside the catalogue's, holding each
// item's words as SearchText folds them, keyed by the item's Id. The catalogue's own tables are
// left exactly as they are (no trigger, no collation), so other programs read and write them as
// before; they can even read the index, which needs no function of this program.
//
// Kept in step inside the transaction of every post and delete (SearchUpkeep). A change made by
// another program is not: the index then counts as stale and searches read the tables instead,
// until it is rebuilt. Whether it is current is known by the file's change counter (which SQLite
// raises at each commit of any program) recorded in kolt_search_state when the program last
// knew the index in step: at its closing, or after a build. While the program runs, a commit
// of another connection shows in PRAGMA data_version.
class SearchIndex
{
public:
    // `writable`: the catalogue can be changed (the index may be built and kept).
    SearchIndex(SqliteConnection& connection, bool writable);
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    // Percent of a build done; called often (between every two items), from the thread that
    // builds. False stops the build: nothing of it is kept, and searches read the tables.
    using Progress = std::function<bool(int percent)>;

    // At the opening: finds out whether the index is current and, when it is not and the
    // catalogue can be changed, builds it. Never raises: an index that cannot be built now
    // (another program is writing) leaves searches reading the tables.
    void prepare(const Progress& progress = {});
    // Builds every folder's index anew, in one transaction. Raises EEngineError.
    void rebuild(const Progress& progress = {});

    // True while the index holds exactly what the catalogue holds.
    bool isCurrent();
    // An index search found an item that does not match: something changed behind the
    // program's back that the checks above did not see.
    void markStale() { m_current = false; }
    // True when the tables exist in this version's layout (current or not).
    bool isPresent() const { return m_present; }

    // Inside the transaction of a post or delete: the item's entry read again from the
    // catalogue (gone when the item is gone), or removed. Raise EEngineError.
    void refresh(int folder, qint64 id, qint64 leftOutDetail = 0);
    void remove(int folder, qint64 id);

    // Before the connection closes: records that the index is in step, when it is.
    void close() noexcept;

    // The MATCH search of one folder's index: the first `limit` keys in key order, and the
    // count of all of them. Raise EEngineError.
    std::vector<qint64> keys(int folder, const QString& expression, int limit);
    qint64 count(int folder, const QString& expression);

    static QString layout();

private:
    // Pages written by one slice of the merge after a folder's build (about 20 ms of work).
    static constexpr int kMergePages = 64;
    struct FolderStatements;
    FolderStatements& statements(int folder);
    bool tablesPresent();
    QString stateValue(const QString& key);
    // The change counter in the file's header: raised by every commit of any connection.
    qint64 changeCounter() const;
    qint64 dataVersion();
    void buildFolder(int folder, qint64& done, qint64 total, const Progress& progress);
    void syncAhead(const Progress& progress);
    void markInStep();
    static void run(SqliteStatement& statement);
    void changeCounted(const std::function<void()>& change);

    SqliteConnection& m_connection;
    sqlite3* m_db;
    bool m_writable;
    bool m_present = false;
    bool m_current = false;
    qint64 m_dataVersion = -1;
    std::vector<std::unique_ptr<FolderStatements>> m_statements;
};
