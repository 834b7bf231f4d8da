#include "StatementCache.h"

#include <algorithm>

StatementCache::Lease::Lease(StatementCache* cache, QString sql, std::unique_ptr<SqliteStatement> stmt)
    : m_cache(cache)
    , m_sql(std::move(sql))
    , m_stmt(std::move(stmt))
{
}

StatementCache::Lease::~Lease()
{
    if (!m_stmt)
        return;
    m_stmt->reset();
    if (m_cache)
        m_cache->giveBack(m_sql, std::move(m_stmt));
}

StatementCache::StatementCache(sqlite3* db)
    : m_db(db)
{
}

StatementCache::Lease StatementCache::acquire(const QString& sql)
{
    auto it = m_idle.find(sql);
    if (it != m_idle.end()) {
        std::unique_ptr<SqliteStatement> stmt = std::move(it->second);
        m_idle.erase(it);
        m_order.erase(std::remove(m_order.begin(), m_order.end(), sql), m_order.end());
        return Lease(this, sql, std::move(stmt));
    }
    return Lease(this, sql, std::make_unique<SqliteStatement>(m_db, sql, true));
}

void StatementCache::giveBack(const QString& sql, std::unique_ptr<SqliteStatement> stmt)
{
    // A second lease of the same text (nested use) is simply dropped.
    if (m_idle.count(sql))
        return;
    if (int(m_order.size()) >= kCapacity) {
        m_idle.erase(m_order.front());
        m_order.erase(m_order.begin());
    }
    m_idle.emplace(sql, std::move(stmt));
    m_order.push_back(sql);
}

void StatementCache::clear()
{
    m_idle.clear();
    m_order.clear();
}
