#include "TDAODatabase.h"

#include "CatalogueFile.h"
#include "EDAODatabaseError.h"
#include "EEngineError.h"
#include "SqliteStatement.h"
#include "TDAODataset.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

// The layer relies on SQLITE_OPEN_EXRESCODE and sqlite3_prepare_v3 flags of this version.
constexpr int kMinimumEngine = 3037000;

} // namespace

TDAODatabase::TDAODatabase(QString name)
    : m_name(std::move(name))
{
}

TDAODatabase::~TDAODatabase()
{
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; closing the datasets never throws for lack of a handler.
    }
}

void TDAODatabase::checkClosed() const
{
    if (Connected())
        throw EDAODatabaseError(QStringLiteral("Cannot perform this operation on an open database"));
}

void TDAODatabase::setDatabaseName(const QString& value)
{
    checkClosed();
    m_databaseName = value;
}

void TDAODatabase::setPassword(const QString& value)
{
    checkClosed();
    m_password = value;
}

void TDAODatabase::setConnected(bool value)
{
    if (value)
        Open();
    else
        Close();
}

void TDAODatabase::Open()
{
    if (Connected())
        return;
    if (sqlite3_libversion_number() < kMinimumEngine)
        throw EDAODatabaseError(QStringLiteral("SQLite Engine v.%1 not found.").arg(QStringLiteral("3.37")));
    m_handle = CatalogueFile::open(m_databaseName, m_password);
    m_statements = std::make_unique<StatementCache>(m_handle);
    m_changes.attach(m_handle);
}

void TDAODatabase::Close()
{
    if (!Connected())
        return;
    while (!m_dataSets.empty())
        m_dataSets.back()->Close();
    m_statements.reset();
    m_changes.detach();
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
    m_savepoints = 0;
}

bool TDAODatabase::ReadOnly() const
{
    return m_handle && sqlite3_db_readonly(m_handle, "main") == 1;
}

StatementCache::Lease TDAODatabase::statement(const QString& sql)
{
    return m_statements->acquire(sql);
}

void TDAODatabase::registerOpen(TDAODataset* dataSet)
{
    if (std::find(m_dataSets.begin(), m_dataSets.end(), dataSet) == m_dataSets.end())
        m_dataSets.push_back(dataSet);
}

void TDAODatabase::unregisterOpen(TDAODataset* dataSet)
{
    m_dataSets.erase(std::remove(m_dataSets.begin(), m_dataSets.end(), dataSet), m_dataSets.end());
}

TDAODatabase::Transaction::Transaction(TDAODatabase& db)
    : m_db(db)
    , m_name(QStringLiteral("kolt_tx%1").arg(++db.m_savepoints))
{
    SqliteStatement::exec(db.handle(), QStringLiteral("SAVEPOINT ") + m_name);
}

TDAODatabase::Transaction::~Transaction()
{
    if (!m_done && m_db.handle()) {
        const QByteArray sql = QStringLiteral("ROLLBACK TO %1; RELEASE %1;").arg(m_name).toUtf8();
        sqlite3_exec(m_db.handle(), sql.constData(), nullptr, nullptr, nullptr);
    }
    --m_db.m_savepoints;
}

void TDAODatabase::Transaction::commit()
{
    SqliteStatement::exec(m_db.handle(), QStringLiteral("RELEASE ") + m_name);
    m_done = true;
}
