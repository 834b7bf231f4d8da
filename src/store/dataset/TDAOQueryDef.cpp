#include "TDAOQueryDef.h"

#include "EDAODatabaseError.h"
#include "EDAOError.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"

#include <sqlite3.h>

namespace {

struct Permit
{
    TDAOQueryDef::Effect effect;
    QByteArray table;
};

bool sameName(const char* a, const QByteArray& b)
{
    return a && sqlite3_stricmp(a, b.constData()) == 0;
}

// Asked while the statement is compiled, for its own text and for every trigger it would
// fire: only reading, and the one declared change, pass.
bool permitted(const Permit& permit, int action, const char* first, const char* database)
{
    const bool mainFile = !database || qstrcmp(database, "main") == 0;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
        return true;
    case SQLITE_READ:
        return mainFile;
    case SQLITE_UPDATE:
        return mainFile && permit.effect == TDAOQueryDef::Effect::Update && sameName(first, permit.table);
    case SQLITE_DELETE:
        return mainFile && permit.effect == TDAOQueryDef::Effect::Delete && sameName(first, permit.table);
    default:
        return false;
    }
}

// The first word of a statement, past blanks and comments.
QString firstWord(const QString& sql)
{
    qsizetype i = 0;
    while (i < sql.size()) {
        if (sql[i].isSpace()) {
            ++i;
        } else if (sql.mid(i, 2) == QLatin1String("--")) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? sql.size() : end + 1;
        } else if (sql.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    qsizetype end = i;
    while (end < sql.size() && sql[end].isLetter())
        ++end;
    return sql.mid(i, end - i).toUpper();
}

[[noreturn]] void refuse(const QString& name, const QString& why, int code)
{
    throw EDAOError(QStringLiteral("The stored statement '%1' of this catalogue does more than it is allowed "
                                   "to do, so it was not run (%2)")
                        .arg(name, why),
                    code);
}

// Compiles the statement afresh for every run, never kept, under the permission.
SqliteStatement compileChecked(TDAODatabase& db, const QString& name, const QString& sql, const Permit& permit)
{
    // Statements the authorizer is never asked about (VACUUM INTO) are kept out by their kind.
    const QString expected = permit.effect == TDAOQueryDef::Effect::Update   ? QStringLiteral("UPDATE")
                             : permit.effect == TDAOQueryDef::Effect::Delete ? QStringLiteral("DELETE")
                                                                             : QString();
    if (expected.isEmpty() || firstWord(sql) != expected)
        refuse(
            name,
            QStringLiteral("it is not an %1 statement").arg(expected.isEmpty() ? QStringLiteral("allowed") : expected),
            SQLITE_AUTH);
    try {
        return db.compileRestricted(sql, [&permit](int action, const char* first, const char*, const char* database) {
            return permitted(permit, action, first, database);
        });
    } catch (const EEngineError& e) {
        if ((e.ErrorCode() & 0xff) != SQLITE_AUTH)
            throw;
        refuse(name, e.message(), e.ErrorCode());
    }
}

} // namespace

TDAOQueryDef::TDAOQueryDef(QString name)
    : m_name(name)
    , m_params(std::move(name))
{
}

void TDAOQueryDef::setPermittedEffect(Effect effect, const QString& table)
{
    m_effect = effect;
    m_effectTable = table;
}

QString TDAOQueryDef::storedText()
{
    auto lookup = m_database->statement(QStringLiteral("SELECT sql FROM kolt_querydefs WHERE name = ?1"));
    lookup->bindText(1, m_queryDefName);
    if (!lookup->step())
        throw EDAOError(QStringLiteral("Stored statement '%1' not found in this catalogue").arg(m_queryDefName),
                        SQLITE_ERROR);
    return lookup->columnText(0);
}

void TDAOQueryDef::Execute(int /*options*/)
{
    if (!m_database)
        throw EDAODatabaseError(m_name + QStringLiteral(": Cannot perform this operation without Database property"));
    m_database->Open();
    try {
        const Permit permit{m_effect, m_effectTable.toUtf8()};
        TDAODatabase::Transaction transaction(*m_database);
        if (!m_effectTable.isEmpty())
            m_database->aboutToChange(m_effectTable);
        SqliteStatement stmt = compileChecked(*m_database, m_queryDefName, storedText(), permit);
        const int expected = stmt.parameterCount();
        for (int i = 0; i < expected; ++i)
            stmt.bind(i + 1, i < m_params.Count() ? m_params[i].Value() : QVariant());
        stmt.execute();
        m_recordsAffected = sqlite3_changes(m_database->handle());
        transaction.commit();
    } catch (const EDAOError&) {
        throw;
    } catch (const EEngineError& e) {
        throw EDAOError(e.message(), e.ErrorCode());
    }
    m_database->runAfterCommit();
}
