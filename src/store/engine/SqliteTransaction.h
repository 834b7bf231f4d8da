#pragma once

#include <QString>

class EEngineError;
class SqliteConnection;
struct sqlite3;

// One level of a write transaction on a connection. The outermost level is
// BEGIN IMMEDIATE ... COMMIT, so that a file another program is writing shows as busy before
// any work is done; inner levels are savepoints. A level that cannot be committed is rolled
// back before the error is raised, and a level left without a commit is rolled back: the
// connection is never left with a transaction open that nobody owns, where later writes
// would seem to succeed and then vanish when the connection closes.
class SqliteTransaction
{
public:
    explicit SqliteTransaction(sqlite3* db);
    // A level of a connection whose levels nest strictly, `level` of them open with this one
    // (1 for the outermost): the savepoint is named by its level, so that its statements are
    // prepared once and kept by the connection rather than compiled for every post.
    SqliteTransaction(SqliteConnection& connection, int level);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // Raises the engine's error (busy files with a message saying so) after rolling back.
    void commit();
    // Never raises; afterwards no transaction of this level (or, if that fails, at all) is open.
    void rollback() noexcept;

private:
    // The connection's last error, a busy file in words a user can act on.
    EEngineError error(int rc) const;
    void begin();
    // Runs one statement of the level (kept by the connection when there is one); the engine's code.
    int run(const QString& sql) const;

    sqlite3* m_db;
    SqliteConnection* m_connection = nullptr;
    QString m_savepoint; // empty for the outermost level
    bool m_outermost = false;
    bool m_done = false;
};
