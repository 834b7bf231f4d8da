#include "TDAODataset.h"

#include "EDAOError.h"
#include "EEngineError.h"
#include "ResultSet.h"
#include "SqlText.h"
#include "TDAODatabase.h"
#include "TextFold.h"

#include <QStringList>
#include <algorithm>
#include <sqlite3.h>

// Undoing a post or a delete the file refused: the record comes back as the user left it, and
// what the dataset read inside the undone work is forgotten.

TDAODataset::PendingRow TDAODataset::pendingRow() const
{
    PendingRow p;
    p.result = m_result.get();
    p.count = m_result->count();
    p.state = m_state;
    p.recNo = m_recNo;
    p.savedRecNo = m_savedRecNo;
    p.bof = m_bof;
    p.eof = m_eof;
    if (m_state == TDataSetState::Edit && m_recNo >= 0 && m_recNo < p.count)
        p.key = m_result->key(m_recNo);
    p.values = m_current;
    p.assigned = m_assigned;
    p.modified = m_modified;
    return p;
}

void TDAODataset::releaseQuietly()
{
    if (m_disableCount > 0)
        --m_disableCount;
}

void TDAODataset::restorePending(const PendingRow& p) noexcept
{
    if (!Active() || !m_result)
        return;
    try {
        if (m_result.get() != p.result) {
            // A rule ran the query again inside the undone work: read it once more.
            replaceResult();
            m_appendedFrom = m_result->count();
        }
        if (p.state == TDataSetState::Insert) {
            while (m_result->count() > p.count)
                m_result->removeAt(m_result->count() - 1);
        }
        m_result->invalidate();
        m_state = p.state;
        m_recNo = p.state == TDataSetState::Insert ? m_result->count() : p.recNo;
        if (p.state == TDataSetState::Edit) {
            const int at = m_result->indexOfKey(p.key);
            if (at >= 0)
                m_recNo = at;
        }
        m_savedRecNo = p.savedRecNo;
        m_bof = p.bof;
        m_eof = p.eof;
        m_current = p.values;
        m_currentError.clear();
        m_assigned = p.assigned;
        m_modified = p.modified;
        m_shown.clear();
    } catch (...) {
        // Reading the query again failed: the record keeps what the user entered all the same.
        m_state = p.state;
        m_current = p.values;
        m_assigned = p.assigned;
        m_modified = p.modified;
    }
}

void TDAODataset::afterRollback() noexcept
{
    if (!Active() || !m_result)
        return;
    m_shown.clear();
    try {
        m_result->invalidate();
        dropRolledBackKeys();
        if (editing(m_state))
            return;
        const int n = m_result->count();
        m_recNo = n == 0 ? -1 : std::clamp(m_recNo, 0, n - 1);
        readCurrent();
    } catch (...) {
        // The current row is read again at the next move; nothing here may stop a rollback.
    }
}

void TDAODataset::tableAboutToChange(const QString& table)
{
    if (m_result && m_result->tableName().compare(table, Qt::CaseInsensitive) == 0)
        m_result->loadAll();
}

void TDAODataset::dropRolledBackKeys()
{
    if (!m_result->updatable() || m_appendedFrom >= m_result->count())
        return;
    auto exists = m_database->statement(
        QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1")
            .arg(SqlText::quoteIdentifier(m_result->tableName()), SqlText::quoteIdentifier(m_result->keyColumn())));
    for (int i = m_result->count() - 1; i >= m_appendedFrom; --i) {
        exists->bindInt64(1, m_result->key(i));
        const bool there = exists->step();
        exists->reset();
        if (there)
            continue;
        m_result->removeAt(i);
        if (m_recNo > i)
            --m_recNo;
    }
}
