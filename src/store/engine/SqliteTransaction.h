#pragma once

#include <QString>

class EEngineError;
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

    sqlite3* m_db;
    QString m_savepoint; // empty for the outermost level
    bool m_outermost = false;
    bool m_done = false;
};
