#pragma once

#include <QHash>
#include <QString>
#include <optional>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Which rows this connection changed, table by table, so that a query run again after a few
// changes can be brought up to date instead of being read whole. It only ever answers "these
// rows" when it is sure: a change it cannot see (another program writing the file, a table
// emptied at once) makes it answer "cannot tell".
class ChangeLog
{
public:
    struct Mark
    {
        qint64 epoch = -1; // which opening of the connection it was taken on
        qint64 position = -1;
        qint64 events = 0;
        qint64 totalChanges = 0;
        qint64 dataVersion = 0;
    };

    void attach(sqlite3* db);
    void detach();
    // After a rollback the hook has seen changes that never happened and marks may have been
    // taken inside the undone work: no earlier mark is trusted again.
    void forgetBefore();

    Mark mark(const QString& table) const;

    // Around a write to a virtual table (the search index): SQLite counts the virtual table's
    // row as a change but tells the hook nothing of it (only of the rows of the tables behind
    // it). Such rows belong to no table a query reads, so they are counted as seen, and the log
    // still knows every other change.
    class VirtualWrite
    {
    public:
        explicit VirtualWrite(ChangeLog& log);
        ~VirtualWrite();
        VirtualWrite(const VirtualWrite&) = delete;
        VirtualWrite& operator=(const VirtualWrite&) = delete;

    private:
        ChangeLog& m_log;
        qint64 m_totalChanges;
        qint64 m_events;
    };
    // The keys of the rows of `table` changed since `mark` (each once), or nothing when that
    // cannot be known for sure.
    std::optional<std::vector<qint64>> changedSince(const Mark& mark, const QString& table) const;

private:
    static void hook(void* self, int op, const char* database, const char* table, long long rowid);
    qint64 dataVersion() const;

    struct TableLog
    {
        qint64 base = 0; // position of rowids[0]
        std::vector<qint64> rowids;
    };
    static constexpr size_t kKept = 4096;

    sqlite3* m_db = nullptr;
    mutable sqlite3_stmt* m_version = nullptr;
    qint64 m_epoch = 0;
    qint64 m_events = 0;
    std::unordered_map<QString, TableLog> m_tables;
};
