#include "SqliteConnection.h"

StatementCache::Lease SqliteConnection::statement(const QString& sql)
{
    return m_statements->acquire(sql);
}
