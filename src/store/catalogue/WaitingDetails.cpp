#include "WaitingDetails.h"

#include "EDatabaseError.h"
#include "EEngineError.h"
#include "RunningCopy.h"
#include "SqlText.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"

#include <QStringList>
#include <limits>

namespace {

// Runs a kept statement and makes it ready to be bound again.
// The parent a row waiting for another copy has while this copy's post relinks its own rows.
constexpr qint64 kSetAside = std::numeric_limits<qint64>::min();

void run(SqliteStatement& statement)
{
    statement.execute();
    statement.reset();
}

// What the work kept after the commit for a table's waiting rows is known by.
QString workKey(const QString& table)
{
    return QStringLiteral("kolt_waiting:") + table;
}

} // namespace

WaitingDetails::WaitingDetails(TDAODatabase& db, RunningCopy& copy)
    : m_db(db)
    , m_copy(copy)
{
}

void WaitingDetails::ensureTable()
{
    if (m_tableReady)
        return;
    m_db.statement(QStringLiteral("CREATE TABLE IF NOT EXISTS kolt_waiting (tbl TEXT NOT NULL, row_id INTEGER NOT "
                                  "NULL, copy TEXT NOT NULL, PRIMARY KEY (tbl, row_id))"))
        ->execute();
    m_tableReady = true;
}

void WaitingDetails::entered(const QString& table, qint64 rowId)
{
    ensureTable();
    auto add
        = m_db.statement(QStringLiteral("INSERT OR REPLACE INTO kolt_waiting (tbl, row_id, copy) VALUES (?1, ?2, ?3)"));
    add->bind(1, table);
    add->bind(2, rowId);
    add->bind(3, m_copy.id());
    run(*add);
    // Known as this entry's only once stored: a row whose post is undone never existed.
    m_db.afterCommit([this, table, rowId] { m_entered[table].insert(rowId); }, workKey(table), false);
}

void WaitingDetails::removeRows(const QString& table, const QSet<qint64>& ids)
{
    if (ids.isEmpty())
        return; // the common case: every post of an item asks
    const QString quoted = SqlText::quoteIdentifier(table);
    auto remove = m_db.statement(QStringLiteral("DELETE FROM %1 WHERE P_Id = 0 AND Id = ?1").arg(quoted));
    auto forget = m_db.statement(QStringLiteral("DELETE FROM kolt_waiting WHERE tbl = ?1 AND row_id = ?2"));
    for (const qint64 id : ids) {
        remove->bind(1, id);
        run(*remove);
        forget->bind(1, table);
        forget->bind(2, id);
        run(*forget);
    }
}

void WaitingDetails::adopt(const QString& table, const std::function<void()>& relink)
{
    ensureTable();
    // What an earlier cancel could not remove goes now, while the file is being written.
    const QSet<qint64> abandoned = m_abandoned.value(table);
    removeRows(table, abandoned);
    // The relink takes every row with parent 0: other copies' rows are set aside meanwhile,
    // inside this transaction, so no other program ever sees them moved.
    const QString quoted = SqlText::quoteIdentifier(table);
    auto aside = m_db.statement(QStringLiteral("UPDATE %1 SET P_Id = ?3 WHERE P_Id = 0 AND Id NOT IN (SELECT row_id "
                                               "FROM kolt_waiting WHERE tbl = ?1 AND copy = ?2)")
                                    .arg(quoted));
    aside->bind(1, table);
    aside->bind(2, m_copy.id());
    aside->bind(3, kSetAside);
    run(*aside);
    relink();
    auto back = m_db.statement(QStringLiteral("UPDATE %1 SET P_Id = 0 WHERE P_Id = ?1").arg(quoted));
    back->bind(1, kSetAside);
    run(*back);
    auto forget = m_db.statement(QStringLiteral("DELETE FROM kolt_waiting WHERE tbl = ?1 AND copy = ?2"));
    forget->bind(1, table);
    forget->bind(2, m_copy.id());
    run(*forget);
    // Every row this copy had waiting is taken now. Inside a longer transaction (an import)
    // the rows entered for this item are known only once it is committed, in the order the
    // work was asked for: clearing then forgets exactly the rows taken here.
    // Once committed into the same level, it makes the rows noted for this table before it
    // pointless: they are dropped then, so that an import keeps no note per row till its end.
    // A post that also removed abandoned rows has more to do than that, and is kept whole.
    m_db.afterCommit(
        [this, table, abandoned] {
            m_abandoned[table] -= abandoned;
            m_entered[table].clear();
        },
        abandoned.isEmpty() ? workKey(table) : QString(), abandoned.isEmpty());
}

void WaitingDetails::discard(const QString& table, const QString& what)
{
    QSet<qint64> gone = m_entered.take(table);
    gone += m_abandoned.take(table);
    if (gone.isEmpty())
        return;
    try {
        TDAODatabase::Transaction transaction(m_db);
        ensureTable();
        removeRows(table, gone);
        transaction.commit();
    } catch (const EDatabaseError& e) {
        m_abandoned[table] += gone;
        const auto* engine = dynamic_cast<const EEngineError*>(&e);
        const QString why
            = engine && engine->Busy() ? QStringLiteral("another program is using the catalogue file") : e.message();
        throw EDatabaseError(QStringLiteral("The %1 entered for the cancelled item could not be removed yet (%2). "
                                            "Nothing of it is kept: it is removed the next time a change is saved")
                                 .arg(what, why));
    }
}

void WaitingDetails::removeAbandoned() noexcept
{
    try {
        TDAODatabase::Transaction transaction(m_db);
        for (auto it = m_abandoned.cbegin(); it != m_abandoned.cend(); ++it)
            removeRows(it.key(), it.value());
        transaction.commit();
        m_abandoned.clear();
    } catch (const std::exception&) {
        // Still refused: they belong to no running copy once this one is gone.
    }
}

void WaitingDetails::cleanUpAtOpening()
{
    TDAODatabase::Transaction transaction(m_db);
    ensureTable();
    QStringList gone;
    {
        auto copies = m_db.statement(QStringLiteral("SELECT DISTINCT copy FROM kolt_waiting"));
        while (copies->step()) {
            const QString copy = copies->columnText(0);
            if (m_copy.isGone(copy))
                gone << copy;
        }
    }
    for (const QString& table : {QStringLiteral("Mv_Cast"), QStringLiteral("Mu_Songs")}) {
        const QString quoted = SqlText::quoteIdentifier(table);
        for (const QString& copy : gone) {
            auto remove = m_db.statement(QStringLiteral("DELETE FROM %1 WHERE P_Id = 0 AND Id IN (SELECT row_id FROM "
                                                        "kolt_waiting WHERE tbl = ?1 AND copy = ?2)")
                                             .arg(quoted));
            remove->bind(1, table);
            remove->bind(2, copy);
            run(*remove);
        }
        // Rows nobody owns were left by a copy of an earlier version, which kept no record.
        auto unowned = m_db.statement(QStringLiteral("DELETE FROM %1 WHERE P_Id = 0 AND Id NOT IN (SELECT row_id "
                                                     "FROM kolt_waiting WHERE tbl = ?1)")
                                          .arg(quoted));
        unowned->bind(1, table);
        run(*unowned);
    }
    for (const QString& copy : gone) {
        auto forget = m_db.statement(QStringLiteral("DELETE FROM kolt_waiting WHERE copy = ?1"));
        forget->bind(1, copy);
        run(*forget);
    }
    transaction.commit();
}
