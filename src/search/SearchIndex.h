#pragma once

#include "SqliteStatement.h"

#include <QString>
#include <atomic>
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
// The index keeps the words only: no copy of the texts (the catalogue has them), nor where
// in an item each word is (a search checks its phrases and field names on the items found, as
// it checks everything it shows). That keeps it small and quick to build. SQLite cannot take
// an item's old words out of such a table without being told them, so a change adds the
// item's new words and lists the item in kolt_search_changed: a search reads such items
// again before it counts them, and an index with many of them is built anew at an opening.
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

    // Percent of a build done; called on the thread that builds, at least every few hundred
    // milliseconds while it runs.
    using Progress = std::function<void(int percent)>;

    // At the opening: finds out whether the index is current and, when it is not and the
    // catalogue can be changed, builds it. Never raises: an index that cannot be built now
    // (another program is writing, or `cancel` was set) leaves searches reading the tables.
    void prepare(const Progress& progress = {}, const std::atomic_bool* cancel = nullptr);
    // Builds every folder's index anew, in one transaction. Answers false when `cancel` was
    // set (from the progress callback, or another thread): nothing is changed then. Raises
    // EEngineError.
    bool rebuild(const Progress& progress = {}, const std::atomic_bool* cancel = nullptr);

    // True while the index holds exactly what the catalogue holds.
    bool isCurrent();
    // An index search found an item that does not match: something changed behind the
    // program's back that the checks above did not see.
    void markStale() { m_current = false; }
    // True when the tables exist in this version's layout (current or not).
    bool isPresent() const { return m_present; }
    // For a search on a connection of its own: the file's change counter while the index is
    // current, or -1. A read that finds the same counter sees the catalogue the index holds.
    qint64 currentAt();

    // Inside the transaction of a post or delete: the item's entry read again from the
    // catalogue (gone when the item is gone), or removed. Raise EEngineError.
    // `onlyAdded`: the change can only have added words (a new item, a new cast member), so
    // the item need not be read again by searches for words it lost.
    void refresh(int folder, qint64 id, qint64 leftOutDetail = 0, bool onlyAdded = false);
    void remove(int folder, qint64 id);

    // Before the connection closes: records that the index is in step, when it is.
    void close() noexcept;

    // Reading the index, on any connection to the catalogue. Raise EEngineError.
    // The keys above `after` whose entries have every word of `expression`, in key order.
    static SqliteStatement candidates(sqlite3* db, int folder, const QString& expression, qint64 after = 0);
    static qint64 count(sqlite3* db, int folder, const QString& expression);
    // Of those, the ones changed since the build (whose entries may have words they lost).
    static std::vector<qint64> changedCandidates(sqlite3* db, int folder, const QString& expression);
    static bool isChanged(sqlite3* db, int folder, qint64 id);

    // More items changed since the build than this in a folder, and the opening builds the
    // index anew: a count of a common word reads each of them again (5,000: about a third of a
    // second, beside the window).
    static constexpr qint64 kChangedLimit = 5000;

    static QString layout();

private:
    struct Statements;
    Statements& statements();
    bool tablesPresent();
    bool tooManyChanged();
    QString stateValue(const QString& key);
    // The change counter in the file's header: raised by every commit of any connection.
    qint64 changeCounter() const;
    qint64 dataVersion();
    bool buildFolder(int folder, qint64& done, qint64 total, const Progress& progress, const std::atomic_bool* cancel);
    void markInStep();
    void changeCounted(const std::function<void()>& change);

    SqliteConnection& m_connection;
    sqlite3* m_db;
    bool m_writable;
    bool m_present = false;
    bool m_current = false;
    qint64 m_dataVersion = -1;
    std::unique_ptr<Statements> m_statements;
};
