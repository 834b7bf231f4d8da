#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TDAODatabase;
class TDAODataset;
class TDM;

// Items deleted from the folders, kept in tables of the program's own until they are put back
// or removed for good: each item with its cast or songs, and single cast members and songs
// deleted from their lists. The item's row is copied as it was stored, in the same
// transaction as its delete, so a delete that is undone leaves nothing here. The described
// tables keep only what is not deleted: other programs never see the trash.
class TrashBin
{
public:
    struct Entry
    {
        qint64 id = 0;
        QString table; // Movies, Music, Books, Programs, AddressBook, Mv_Cast or Mu_Songs
        qint64 itemId = 0;
        qint64 parentId = 0; // a cast member's movie, a song's album
        QString title;
        QDateTime deletedAt; // UTC
        int details = 0;     // the cast or songs kept with an item
    };

    // Keeps what `dm`'s folder queries and lists delete from now on (while enabled).
    explicit TrashBin(TDM& dm);
    ~TrashBin();
    TrashBin(const TrashBin&) = delete;
    TrashBin& operator=(const TrashBin&) = delete;

    void setEnabled(bool on) { m_enabled = on; }
    // Told, inside the transaction that puts an item back (or a cast member or song, then of
    // its item), what was written behind the folder queries' backs: an index of the items
    // follows it there.
    using Restored = std::function<void(int folder, qint64 id)>;
    void setRestored(Restored restored) { m_restored = std::move(restored); }
    bool enabled() const { return m_enabled; }
    // When entries are stamped; the clock unless a test sets it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Newest first; nothing when the catalogue has no trash.
    std::vector<Entry> entries() const;
    // Puts an entry back where it came from, with its cast or songs and the lookup names they
    // need, under its old number when that is free. Returns the number it has now.
    qint64 putBack(qint64 entryId);
    void removeForGood(const std::vector<qint64>& entryIds);
    // Removes for good what was deleted more than `days` days before now; returns how many.
    int expire(int days);

    // The folder an entry's table belongs to (0 Movies … 4 Address Book).
    static int folderOf(const QString& table);

    // What the trash keeps of one table (declared with the rules).
    struct Kept;

private:
    static const std::vector<Kept>& kept();
    bool hasTables() const;
    void ensureTables();
    void makeTables();
    void keepItem(const Kept& k, TDAODataset& dataSet);
    void keepDetail(const Kept& k, TDAODataset& dataSet);
    bool tableExists(const QString& table) const;
    // An item's picture goes and comes back with it.
    void keepPicture(const Kept& k, qint64 trashId, qint64 id);
    void restorePicture(qint64 trashId, qint64 id);
    void keepRows(const QString& table, const QString& keyColumn, qint64 trashId, qint64 key);
    // The columns of a table its trash table also has, quoted.
    QStringList sharedColumns(const QString& table) const;
    qint64 restoreItem(const Kept& k, const Entry& e);
    qint64 restoreDetail(const Kept& k, const Entry& e);
    void addLookupNames(const Kept& k, qint64 id);
    void forget(qint64 entryId, const QString& table);
    Entry entry(qint64 entryId) const;
    QStringList columns(const QString& table) const;
    void reread(const Kept& k);
    QString stamp() const;

    TDM& m_dm;
    TDAODatabase& m_db;
    bool m_enabled = true;
    bool m_ready = false; // the tables are there
    std::function<QDateTime()> m_clock;
    Restored m_restored;
    mutable QHash<QString, QStringList> m_shared;
};
