#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <functional>

class RunningCopy;
class TDAODatabase;

// The cast and song rows entered for a movie or album that is not saved yet: they wait in
// their table with parent 0 until the parent's post takes them, or its cancel removes them.
// Several copies of the program may have rows waiting at once, so each copy takes and removes
// only the rows it entered itself; a small table of the program's own (kolt_waiting) tells the
// others whose rows they are, so that a copy's opening removes only what copies that are gone
// left behind. A removal the file refused is kept and done later, and such rows are never
// taken by a later post.
class WaitingDetails
{
public:
    WaitingDetails(TDAODatabase& db, RunningCopy& copy);

    // Inside the post of a detail row with parent 0.
    void entered(const QString& table, qint64 rowId);
    // Inside the parent's post: `relink` (the stored statement that gives every row with
    // parent 0 to the parent) reaches only this copy's rows entered for it.
    void adopt(const QString& table, const std::function<void()>& relink);
    // The parent's entry was cancelled: its rows go. When the file refuses, they are kept to
    // be removed later and the error says so in words that fit a cancel.
    void discard(const QString& table, const QString& what);
    // One more try at what cancels could not remove (at closing); a refusal is left to the
    // next opening.
    void removeAbandoned() noexcept;
    // At a writable opening: rows of copies that no longer run, and rows nobody owns, go.
    void cleanUpAtOpening();

private:
    void ensureTable();
    void removeRows(const QString& table, const QSet<qint64>& ids);

    TDAODatabase& m_db;
    RunningCopy& m_copy;
    bool m_tableReady = false;
    QHash<QString, QSet<qint64>> m_entered;   // stored and waiting for the entry in progress
    QHash<QString, QSet<qint64>> m_abandoned; // of a cancelled entry, not removed yet
};
