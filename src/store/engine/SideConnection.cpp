#include "SideConnection.h"

#include "EEngineError.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

SideConnection::SideConnection(const QString& path, Mode mode)
    : m_path(path)
{
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    switch (mode) {
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw EEngineError(QStringLiteral("Could not open file '%1' (%2)").arg(QFileInfo(path).absoluteFilePath(), why),
                           rc);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 1000);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    SqliteFunctions::install(m_db);
}

SideConnection::~SideConnection()
{
    sqlite3_close_v2(m_db);
}

QVariant SideConnection::scalar(const QString& sql)
{
    SqliteStatement stmt(m_db, sql);
    return stmt.step() ? stmt.column(0) : QVariant();
}

void SideConnection::exec(const QString& sql)
{
    SqliteStatement::exec(m_db, sql);
}
