#pragma once

#include "SqliteConnection.h"
#include "SqliteTransaction.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
class TDAODataset;

// The connection to one catalogue file. It is opened shared and for reading and writing; the
// file itself is never created or re-laid out here.
class TDAODatabase : public SqliteConnection
{
public:
    explicit TDAODatabase(QString name = QString());
    ~TDAODatabase();
    TDAODatabase(const TDAODatabase&) = delete;
    TDAODatabase& operator=(const TDAODatabase&) = delete;

    const QString& Name() const { return m_name; }

    const QString& DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString& value);
    const QString& Password() const { return m_password; }
    void setPassword(const QString& value);
    bool Connected() const { return m_handle != nullptr; }
    void setConnected(bool value);

    void Open();
    void Close();

    // True when the catalogue cannot be changed: the file could be opened for reading only, or
    // its folder cannot take the journal a change needs. Known from the opening on.
    bool ReadOnly() const;
    // Raises the error that says so when the catalogue cannot be changed.
    void checkWritable() const;

    // The open datasets, in the order in which they were opened.
    const std::vector<TDAODataset*>& DataSets() const { return m_dataSets; }

    // For the layer's own use.
    // Compiles a statement that may do only what `allow` lets through: it is asked, with
    // SQLite's authorizer codes, about every action of the statement and of the triggers it
    // would fire. The statement is the caller's and is never kept by the connection.
    using Permission = std::function<bool(int action, const char* first, const char* second, const char* database)>;
    SqliteStatement compileRestricted(const QString& sql, const Permission& allow);
    void registerOpen(TDAODataset* dataSet);
    void unregisterOpen(TDAODataset* dataSet);
    // Said before the layer writes to `table`: results still reading their keys along an
    // index read the rest of them first, while the table still holds the rows they opened with.
    void aboutToChange(const QString& table);

    // Groups writes so that they are stored together or not at all; nests. The outermost level
    // is one transaction of the file. A rollback tells every open dataset of the connection that
    // rows it read inside may be gone.
    class Transaction
    {
    public:
        explicit Transaction(TDAODatabase& db);
        ~Transaction(); // rolls back unless committed
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();
        void rollback() noexcept;

    private:
        TDAODatabase& m_db;
        std::optional<SqliteTransaction> m_level;
        int m_depth = 0;
    };

    // Work that must see the file as committed (re-reading queries after a post): run at once
    // outside a transaction, otherwise kept until the outermost level has been committed, and
    // dropped when the level it was asked in is rolled back. Whoever ends the outermost level
    // calls runAfterCommit(); the first error ends the kept work and is raised.
    void afterCommit(std::function<void()> work);
    // The same, kept once: work with the same `tag` already kept for this level or an outer
    // one is not kept again (an import posting many items re-reads the folder once).
    void afterCommit(std::function<void()> work, const void* tag);
    // The same, for work that later `replacing` work of the same `key` makes pointless (it
    // resets what the earlier work built up): once both are kept for the same level, the
    // earlier one is dropped, so that a long transaction (an import of a hundred thousand
    // items) keeps a bounded amount of work. Replacing work is replaced by later replacing work.
    void afterCommit(std::function<void()> work, const QString& key, bool replacing);
    void runAfterCommit();

private:
    void checkClosed() const;
    void rolledBack(int depth) noexcept;
    // Raises when the engine has undone the transaction our open levels belong to.
    void checkNotUndone() const;
    void levelEnded();
    // Work kept for a committed level belongs to the level around it from now on.
    void levelCommitted(int depth) noexcept;
    // Drops the work of `key` kept before position `at` for level `depth` or a deeper one.
    void dropReplaced(size_t at, int depth) noexcept;
    static void rolledBackByEngine(void* self);
    static int mayCommit(void* self);
    static int authorize(void* self, int action, const char* first, const char* second, const char* database,
                         const char* trigger);

    QString m_name;
    QString m_databaseName;
    QString m_password;
    std::vector<TDAODataset*> m_dataSets;
    int m_depth = 0;
    bool m_undone = false; // the engine undid the transaction while levels of ours were open
    bool m_readOnly = false;
    struct Deferred
    {
        int depth;
        std::function<void()> work;
        const void* tag = nullptr;
        QString key; // empty: never replaced
        bool replacing = false;
    };
    std::vector<Deferred> m_afterCommit;
    QHash<const void*, int> m_keptTags;        // the outermost level each tag's kept work is for
    const Permission* m_restriction = nullptr; // while a restricted statement is compiled
};
