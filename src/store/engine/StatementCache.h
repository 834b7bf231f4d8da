#pragma once

#include "SqliteStatement.h"

#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

struct sqlite3;

// Keeps prepared statements by their text, so that what runs again and again (detail queries,
// row fetches, lookups) is prepared once per connection.
class StatementCache
{
public:
    class Lease
    {
    public:
        Lease(StatementCache* cache, QString sql, std::unique_ptr<SqliteStatement> stmt);
        Lease(Lease&&) noexcept = default;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        SqliteStatement& operator*() const { return *m_stmt; }
        SqliteStatement* operator->() const { return m_stmt.get(); }

    private:
        StatementCache* m_cache;
        QString m_sql;
        std::unique_ptr<SqliteStatement> m_stmt;
    };

    explicit StatementCache(sqlite3* db);
    Lease acquire(const QString& sql);
    void clear();

private:
    void giveBack(const QString& sql, std::unique_ptr<SqliteStatement> stmt);

    static constexpr int kCapacity = 64;
    sqlite3* m_db;
    std::unordered_map<QString, std::unique_ptr<SqliteStatement>> m_idle;
    std::vector<QString> m_order; // oldest first, for eviction
};
