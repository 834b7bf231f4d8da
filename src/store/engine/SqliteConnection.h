#pragma once

#include "ChangeLog.h"
#include "StatementCache.h"

#include <QString>
#include <memory>

struct sqlite3;

// What reading a result needs of an open connection: its handle, its kept statements and the
// log of the rows it changed. The catalogue's connection is one; the result sets know no more
// of it than this.
class SqliteConnection
{
public:
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* handle() const { return m_handle; }
    StatementCache::Lease statement(const QString& sql);
    // The rows this connection changed since a given moment, table by table.
    const ChangeLog& changes() const { return m_changes; }
    ChangeLog& changes() { return m_changes; }

protected:
    SqliteConnection() = default;
    ~SqliteConnection() = default;

    sqlite3* m_handle = nullptr;
    std::unique_ptr<StatementCache> m_statements;
    ChangeLog m_changes;
};
