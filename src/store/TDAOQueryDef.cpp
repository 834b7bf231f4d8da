#include "TDAOQueryDef.h"

#include "EDAODatabaseError.h"
#include "EDAOError.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"

#include <sqlite3.h>

TDAOQueryDef::TDAOQueryDef(QString name)
    : m_name(name)
    , m_params(std::move(name))
{
}

void TDAOQueryDef::Execute(int /*options*/)
{
    if (!m_database)
        throw EDAODatabaseError(m_name + QStringLiteral(": Cannot perform this operation without Database property"));
    m_database->Open();
    try {
        auto lookup = m_database->statement(QStringLiteral("SELECT sql FROM kolt_querydefs WHERE name = ?1"));
        lookup->bindText(1, m_queryDefName);
        if (!lookup->step())
            throw EDAOError(QStringLiteral("Stored statement '%1' not found in this catalogue").arg(m_queryDefName),
                            SQLITE_ERROR);
        const QString sql = lookup->columnText(0);
        auto stmt = m_database->statement(sql);
        const int expected = stmt->parameterCount();
        for (int i = 0; i < expected; ++i) {
            if (i >= m_params.Count()) {
                stmt->bindNull(i + 1);
                continue;
            }
            const TParam& p = m_params[i];
            stmt->bind(i + 1, p.Value());
        }
        stmt->execute();
        m_recordsAffected = sqlite3_changes(m_database->handle());
    } catch (const EDAOError&) {
        throw;
    } catch (const EEngineError& e) {
        throw EDAOError(e.message(), e.ErrorCode());
    }
}
