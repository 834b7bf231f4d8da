#include "SqliteTransaction.h"

#include "EEngineError.h"
#include "SqliteConnection.h"
#include "SqliteErrorText.h"

#include <QAtomicInteger>
#include <sqlite3.h>

namespace {

int execute(sqlite3* db, const QByteArray& sql)
{
    return sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
}

QString nextSavepointName()
{
    static QAtomicInteger<quint64> serial;
    return QStringLiteral("kolt_sp%1").arg(++serial);
}

} // namespace

SqliteTransaction::SqliteTransaction(sqlite3* db)
    : m_db(db)
    , m_outermost(sqlite3_get_autocommit(db) != 0)
{
    if (!m_outermost)
        m_savepoint = nextSavepointName();
    begin();
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection, int level)
    : m_db(connection.handle())
    , m_connection(&connection)
    , m_outermost(sqlite3_get_autocommit(m_db) != 0)
{
    // Open levels have different levels, so their names differ as the serial's would.
    if (!m_outermost)
        m_savepoint = QStringLiteral("kolt_level%1").arg(level);
    begin();
}

void SqliteTransaction::begin()
{
    const int rc = run(m_outermost ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("SAVEPOINT ") + m_savepoint);
    if (rc != SQLITE_OK) {
        m_done = true;
        throw error(rc);
    }
}

int SqliteTransaction::run(const QString& sql) const
{
    if (!m_connection)
        return execute(m_db, sql.toUtf8());
    try {
        const StatementCache::Lease kept = m_connection->statement(sql);
        const int rc = sqlite3_step(kept->handle());
        return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
    } catch (const EEngineError& e) {
        return e.ErrorCode() != SQLITE_OK ? e.ErrorCode() : SQLITE_ERROR; // could not be prepared
    }
}

SqliteTransaction::~SqliteTransaction()
{
    rollback();
}

EEngineError SqliteTransaction::error(int rc) const
{
    const int code = sqlite3_extended_errcode(m_db) ? sqlite3_extended_errcode(m_db) : rc;
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    if (!EEngineError::isBusy(code))
        return EEngineError(SqliteErrorText::forCode(code, message), code);
    return EEngineError(QStringLiteral("The catalogue file is in use by another program, so the change could not "
                                       "be saved; try again when that program lets go of it (%1)")
                            .arg(message),
                        code);
}

void SqliteTransaction::commit()
{
    if (m_done)
        throw EEngineError(QStringLiteral("The change could not be saved: its transaction was already ended"),
                           SQLITE_MISUSE);
    if (sqlite3_get_autocommit(m_db)) {
        // The whole transaction was rolled back under us (by the engine, after a read or a
        // write that failed, or by an inner level that could not be released): nothing of it
        // is stored, and there is no level left to commit.
        m_done = true;
        throw EEngineError(QStringLiteral("The change could not be saved: an earlier step failed and was undone"),
                           SQLITE_ABORT);
    }
    const int rc = run(m_outermost ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + m_savepoint);
    if (rc == SQLITE_OK) {
        m_done = true;
        return;
    }
    // A failed COMMIT (busy, disk full) leaves the transaction open: end it here, so that
    // nothing is left pending, and report the failure.
    const EEngineError failure = error(rc);
    rollback();
    throw failure;
}

void SqliteTransaction::rollback() noexcept
{
    if (m_done)
        return;
    m_done = true;
    if (sqlite3_get_autocommit(m_db))
        return; // already ended, as a whole
    if (!m_outermost) {
        const QByteArray undo = QStringLiteral("ROLLBACK TO %1; RELEASE %1").arg(m_savepoint).toUtf8();
        if (execute(m_db, undo) == SQLITE_OK)
            return;
    }
    // Ending the whole transaction is the one way left not to leave it open; the levels above
    // find it gone and report that their change was not saved.
    execute(m_db, QByteArrayLiteral("ROLLBACK"));
}
