#include "TrashBin.h"

#include "EDatabaseError.h"
#include "SqlText.h"
#include "SqliteStatement.h"
#include "TDM.h"

#include <QTimeZone>
#include <algorithm>
#include <sqlite3.h>

struct TrashBin::Kept
{
    const char* table;
    int folder;
    const char* title;   // what the trash shows for an entry, as an expression over the row
    const char* details; // the list kept with an item
    const char* parent;  // the item a list row belongs to
    std::vector<std::pair<const char*, const char*>> lookups; // column, lookup table
    TDAODataset& (*dataSet)(TDM&);
};

namespace {

constexpr const char* kStampFormat = "yyyy-MM-ddTHH:mm:ss";

QString q(const char* name)
{
    return SqlText::quoteIdentifier(QLatin1String(name));
}

QString trashTable(const QString& table)
{
    return SqlText::quoteIdentifier(QStringLiteral("kolt_trash_") + table);
}

} // namespace

const std::vector<TrashBin::Kept>& TrashBin::kept()
{
    static const std::vector<Kept> all{
        {"Movies",
         0,
         "Title",
         "Mv_Cast",
         nullptr,
         {{"Category", "Movies_C"}, {"Director", "Movies_D"}},
         [](TDM& dm) -> TDAODataset& { return dm.qrMovies; }},
        {"Music",
         1,
         "coalesce(Artist || ' - ', '') || Title",
         "Mu_Songs",
         nullptr,
         {{"Category", "Music_C"}, {"Artist", "Music_A"}},
         [](TDM& dm) -> TDAODataset& { return dm.qrMusic; }},
        {"Books",
         2,
         "Title",
         nullptr,
         nullptr,
         {{"Category", "Books_C"}, {"Author", "Books_A"}},
         [](TDM& dm) -> TDAODataset& { return dm.qrBooks; }},
        {"Programs",
         3,
         "Name",
         nullptr,
         nullptr,
         {{"Category", "Programs_C"}},
         [](TDM& dm) -> TDAODataset& { return dm.qrProg; }},
        {"AddressBook",
         4,
         "L_Name || coalesce(', ' || F_Name, '')",
         nullptr,
         nullptr,
         {{"Category", "AddBook_C"}},
         [](TDM& dm) -> TDAODataset& { return dm.qrAddBook; }},
        {"Mv_Cast",
         0,
         "Name",
         nullptr,
         "Movies",
         {{"Name", "Movies_A"}},
         [](TDM& dm) -> TDAODataset& { return dm.qrMv_Cast; }},
        {"Mu_Songs",
         1,
         "Track || '. ' || Title",
         nullptr,
         "Music",
         {},
         [](TDM& dm) -> TDAODataset& { return dm.qrMu_Songs; }},
    };
    return all;
}

namespace {

const TrashBin::Kept* keptFor(const std::vector<TrashBin::Kept>& all, const QString& table)
{
    for (const auto& k : all) {
        if (table == QLatin1String(k.table))
            return &k;
    }
    return nullptr;
}

} // namespace

TrashBin::TrashBin(TDM& dm)
    : m_dm(dm)
    , m_db(dm.dbKOLT)
{
    // The tables are made by the first delete, inside its transaction: opening a catalogue
    // never writes to it.
    for (const Kept& k : kept()) {
        k.dataSet(m_dm).addDeleteRule(this, [this, &k](TDAODataset& ds) {
            if (!m_enabled)
                return;
            ensureTables();
            if (k.parent)
                keepDetail(k, ds);
            else
                keepItem(k, ds);
        });
    }
}

TrashBin::~TrashBin()
{
    for (const Kept& k : kept())
        k.dataSet(m_dm).removeRules(this);
}

int TrashBin::folderOf(const QString& table)
{
    const Kept* k = keptFor(kept(), table);
    return k ? k->folder : -1;
}

bool TrashBin::hasTables() const
{
    return tableExists(QStringLiteral("kolt_trash"));
}

QStringList TrashBin::columns(const QString& table) const
{
    SqliteStatement info(m_db.handle(), QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
    info.bindText(1, table);
    QStringList out;
    while (info.step())
        out << info.columnText(0);
    return out;
}

void TrashBin::ensureTables()
{
    if (m_ready)
        return;
    if (!hasTables())
        makeTables();
    m_ready = true;
}

void TrashBin::makeTables()
{
    TDAODatabase::Transaction transaction(m_db);
    SqliteStatement::exec(m_db.handle(),
                          QStringLiteral("CREATE TABLE IF NOT EXISTS kolt_trash (id INTEGER PRIMARY KEY, tbl TEXT NOT "
                                         "NULL, item_id INTEGER NOT NULL, parent_id INTEGER, title TEXT, deleted_at "
                                         "TEXT NOT NULL)"));
    for (const Kept& k : kept()) {
        // Columns without a type keep every value exactly as it was stored.
        QStringList cols{QStringLiteral("trash_id INTEGER NOT NULL")};
        for (const QString& c : columns(QLatin1String(k.table)))
            cols << SqlText::quoteIdentifier(c);
        const QString table = trashTable(QLatin1String(k.table));
        SqliteStatement::exec(
            m_db.handle(),
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(table, cols.join(QLatin1String(", "))));
        SqliteStatement::exec(
            m_db.handle(),
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (trash_id)")
                .arg(SqlText::quoteIdentifier(QStringLiteral("kolt_trash_%1$trash").arg(QLatin1String(k.table))),
                     table));
    }
    transaction.commit();
}

QString TrashBin::stamp() const
{
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
    return now.toUTC().toString(QLatin1String(kStampFormat));
}

void TrashBin::keepItem(const Kept& k, TDAODataset& dataSet)
{
    const qint64 id = dataSet.FieldByName(QStringLiteral("Id")).AsInteger();
    auto entry = m_db.statement(QStringLiteral("INSERT INTO kolt_trash (tbl, item_id, title, deleted_at) SELECT ?1, "
                                               "Id, %1, ?2 FROM %2 WHERE Id = ?3")
                                    .arg(QLatin1String(k.title), q(k.table)));
    entry->bindText(1, QLatin1String(k.table));
    entry->bindText(2, stamp());
    entry->bindInt64(3, id);
    entry->execute();
    if (sqlite3_changes(m_db.handle()) == 0)
        return; // gone already: another program deleted it
    const qint64 trashId = sqlite3_last_insert_rowid(m_db.handle());
    keepRows(QLatin1String(k.table), QStringLiteral("Id"), trashId, id);
    // Only the list's saved rows: rows waiting for a new item of another copy have no parent yet.
    if (k.details)
        keepRows(QLatin1String(k.details), QStringLiteral("P_Id"), trashId, id);
    keepPicture(k, trashId, id);
}

bool TrashBin::tableExists(const QString& table) const
{
    auto s = m_db.statement(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1"));
    s->bindText(1, table);
    const bool found = s->step();
    s->reset();
    return found;
}

void TrashBin::keepPicture(const Kept& k, qint64 trashId, qint64 id)
{
    // An item's picture lives in a table of its own, there once the first picture was set.
    if (!tableExists(QStringLiteral("kolt_pictures")))
        return;
    if (!tableExists(QStringLiteral("kolt_trash_pictures"))) {
        QStringList cols{QStringLiteral("trash_id INTEGER NOT NULL")};
        for (const QString& c : columns(QStringLiteral("kolt_pictures")))
            cols << SqlText::quoteIdentifier(c);
        SqliteStatement::exec(
            m_db.handle(), QStringLiteral("CREATE TABLE kolt_trash_pictures (%1)").arg(cols.join(QLatin1String(", "))));
        m_shared.remove(QStringLiteral("pictures"));
    }
    const QString cols = sharedColumns(QStringLiteral("pictures")).join(QLatin1String(", "));
    auto keep = m_db.statement(QStringLiteral("INSERT INTO kolt_trash_pictures (trash_id, %1) SELECT ?1, %1 FROM "
                                              "kolt_pictures WHERE folder = ?2 AND item = ?3")
                                   .arg(cols));
    keep->bindInt64(1, trashId);
    keep->bindInt64(2, k.folder);
    keep->bindInt64(3, id);
    keep->execute();
}

void TrashBin::restorePicture(qint64 trashId, qint64 id)
{
    if (!tableExists(QStringLiteral("kolt_trash_pictures")) || !tableExists(QStringLiteral("kolt_pictures")))
        return;
    const QString item = SqlText::quoteIdentifier(QStringLiteral("item"));
    const QStringList cols = sharedColumns(QStringLiteral("pictures"));
    QStringList values;
    for (const QString& c : cols)
        values << (c == item ? QStringLiteral("?2") : c);
    auto back = m_db.statement(
        QStringLiteral(
            "INSERT OR REPLACE INTO kolt_pictures (%1) SELECT %2 FROM kolt_trash_pictures WHERE trash_id = ?1")
            .arg(cols.join(QLatin1String(", ")), values.join(QLatin1String(", "))));
    back->bindInt64(1, trashId);
    back->bindInt64(2, id);
    back->execute();
}

void TrashBin::keepRows(const QString& table, const QString& keyColumn, qint64 trashId, qint64 key)
{
    // The columns named: one another program added to the table since never refuses a delete.
    const QString cols = sharedColumns(table).join(QLatin1String(", "));
    auto rows = m_db.statement(
        QStringLiteral("INSERT INTO %1 (trash_id, %2) SELECT ?1, %2 FROM %3 WHERE %4 = ?2")
            .arg(trashTable(table), cols, SqlText::quoteIdentifier(table), SqlText::quoteIdentifier(keyColumn)));
    rows->bindInt64(1, trashId);
    rows->bindInt64(2, key);
    rows->execute();
}

QStringList TrashBin::sharedColumns(const QString& table) const
{
    // Read once: a column added later is simply not kept.
    if (const auto found = m_shared.constFind(table); found != m_shared.constEnd())
        return *found;
    const QStringList kept = columns(QStringLiteral("kolt_trash_") + table);
    QStringList out;
    const QString source = table == QLatin1String("pictures") ? QStringLiteral("kolt_pictures") : table;
    for (const QString& c : columns(source)) {
        if (kept.contains(c))
            out << SqlText::quoteIdentifier(c);
    }
    m_shared.insert(table, out);
    return out;
}

void TrashBin::keepDetail(const Kept& k, TDAODataset& dataSet)
{
    const qint64 id = dataSet.FieldByName(QStringLiteral("Id")).AsInteger();
    // A row of an item still being entered is no loss: it was never saved with an item.
    auto entry = m_db.statement(
        QStringLiteral("INSERT INTO kolt_trash (tbl, item_id, parent_id, title, deleted_at) SELECT ?1, d.Id, d.P_Id, "
                       "%1 || coalesce(' (' || (SELECT %2 FROM %3 WHERE Id = d.P_Id) || ')', ''), ?2 FROM %4 d "
                       "WHERE d.Id = ?3 AND EXISTS (SELECT 1 FROM %3 WHERE Id = d.P_Id)")
            .arg(QLatin1String(k.title), QLatin1String(keptFor(kept(), QLatin1String(k.parent))->title), q(k.parent),
                 q(k.table)));
    entry->bindText(1, QLatin1String(k.table));
    entry->bindText(2, stamp());
    entry->bindInt64(3, id);
    entry->execute();
    if (sqlite3_changes(m_db.handle()) == 0)
        return;
    keepRows(QLatin1String(k.table), QStringLiteral("Id"), sqlite3_last_insert_rowid(m_db.handle()), id);
}

std::vector<TrashBin::Entry> TrashBin::entries() const
{
    std::vector<Entry> out;
    if (!m_db.Connected() || !hasTables())
        return out;
    SqliteStatement list(m_db.handle(),
                         QStringLiteral("SELECT id, tbl, item_id, coalesce(parent_id, 0), title, deleted_at, "
                                        "(SELECT count(*) FROM kolt_trash_Mv_Cast WHERE trash_id = t.id) + "
                                        "(SELECT count(*) FROM kolt_trash_Mu_Songs WHERE trash_id = t.id) "
                                        "FROM kolt_trash t ORDER BY deleted_at DESC, id DESC"));
    while (list.step()) {
        Entry e;
        e.id = list.columnInt64(0);
        e.table = list.columnText(1);
        e.itemId = list.columnInt64(2);
        e.parentId = list.columnInt64(3);
        e.title = list.columnText(4);
        e.deletedAt = QDateTime::fromString(list.columnText(5), QLatin1String(kStampFormat));
        e.deletedAt.setTimeZone(QTimeZone::utc());
        e.details = int(list.columnInt64(6));
        out.push_back(e);
    }
    return out;
}

TrashBin::Entry TrashBin::entry(qint64 entryId) const
{
    for (const Entry& e : entries()) {
        if (e.id == entryId)
            return e;
    }
    throw EDatabaseError(QStringLiteral("This item is no longer in the trash"));
}

qint64 TrashBin::putBack(qint64 entryId)
{
    m_db.checkWritable();
    const Entry e = entry(entryId);
    const Kept* k = keptFor(kept(), e.table);
    if (!k)
        throw EDatabaseError(QStringLiteral("This entry of the trash cannot be put back"));
    qint64 id = 0;
    {
        TDAODatabase::Transaction transaction(m_db);
        id = k->parent ? restoreDetail(*k, e) : restoreItem(*k, e);
        forget(e.id, e.table);
        if (m_restored)
            m_restored(k->folder, k->parent ? e.parentId : id);
        transaction.commit();
    }
    m_db.runAfterCommit();
    reread(*k);
    return id;
}

qint64 TrashBin::restoreItem(const Kept& k, const Entry& e)
{
    const QString table = QLatin1String(k.table);
    SqliteStatement taken(m_db.handle(), QStringLiteral("SELECT 1 FROM %1 WHERE Id = ?1").arg(q(k.table)));
    taken.bindInt64(1, e.itemId);
    const bool fresh = taken.step();
    taken.reset();

    const QString key = SqlText::quoteIdentifier(QStringLiteral("Id"));
    const QStringList cols = sharedColumns(table);
    QStringList values;
    for (const QString& c : cols)
        values << (fresh && c == key ? QStringLiteral("NULL") : c);
    m_db.aboutToChange(table);
    SqliteStatement insert(m_db.handle(), QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4 WHERE trash_id = ?1")
                                              .arg(q(k.table), cols.join(QLatin1String(", ")),
                                                   values.join(QLatin1String(", ")), trashTable(table)));
    insert.bindInt64(1, e.id);
    insert.execute();
    const qint64 id = fresh ? sqlite3_last_insert_rowid(m_db.handle()) : e.itemId;
    addLookupNames(k, id);
    restorePicture(e.id, id);
    if (!k.details)
        return id;

    const QString details = QLatin1String(k.details);
    QStringList listCols = sharedColumns(details);
    listCols.removeAll(key);
    listCols.removeAll(SqlText::quoteIdentifier(QStringLiteral("P_Id")));
    m_db.aboutToChange(details);
    SqliteStatement list(
        m_db.handle(), QStringLiteral("INSERT INTO %1 (P_Id, %2) SELECT ?1, %2 FROM %3 WHERE trash_id = ?2 ORDER BY Id")
                           .arg(q(k.details), listCols.join(QLatin1String(", ")), trashTable(details)));
    list.bindInt64(1, id);
    list.bindInt64(2, e.id);
    list.execute();
    const Kept* detail = keptFor(kept(), details);
    for (const auto& [column, lookup] : detail->lookups) {
        SqliteStatement names(m_db.handle(), QStringLiteral("INSERT INTO %1 (Name) SELECT DISTINCT %2 FROM %3 s WHERE "
                                                            "trash_id = ?1 AND coalesce(%2, '') <> '' AND NOT EXISTS "
                                                            "(SELECT 1 FROM %1 WHERE Name = s.%2)")
                                                 .arg(q(lookup), q(column), trashTable(details)));
        names.bindInt64(1, e.id);
        names.execute();
    }
    return id;
}

qint64 TrashBin::restoreDetail(const Kept& k, const Entry& e)
{
    SqliteStatement parent(m_db.handle(), QStringLiteral("SELECT 1 FROM %1 WHERE Id = ?1").arg(q(k.parent)));
    parent.bindInt64(1, e.parentId);
    if (!parent.step()) {
        const bool cast = e.table == QLatin1String("Mv_Cast");
        throw EDatabaseError(cast ? QStringLiteral("The movie this cast member belongs to is not in the catalogue: "
                                                   "put the movie back first")
                                  : QStringLiteral("The album this song belongs to is not in the catalogue: put the "
                                                   "album back first"));
    }
    const QString table = QLatin1String(k.table);
    QStringList cols = sharedColumns(table);
    cols.removeAll(SqlText::quoteIdentifier(QStringLiteral("Id")));
    m_db.aboutToChange(table);
    if (table == QLatin1String("Mu_Songs")) {
        // Back at its place in the album: the songs from there on move down one.
        SqliteStatement shift(m_db.handle(), QStringLiteral("UPDATE Mu_Songs SET Track = Track + 1 WHERE P_Id = ?1 AND "
                                                            "Track >= (SELECT Track FROM kolt_trash_Mu_Songs WHERE "
                                                            "trash_id = ?2)"));
        shift.bindInt64(1, e.parentId);
        shift.bindInt64(2, e.id);
        shift.execute();
    }
    SqliteStatement insert(m_db.handle(), QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 WHERE trash_id = ?1")
                                              .arg(q(k.table), cols.join(QLatin1String(", ")), trashTable(table)));
    insert.bindInt64(1, e.id);
    insert.execute();
    const qint64 id = sqlite3_last_insert_rowid(m_db.handle());
    addLookupNames(k, id);
    return id;
}

void TrashBin::addLookupNames(const Kept& k, qint64 id)
{
    // Compared as the lists compare their names (their own collation), as an entry would be.
    for (const auto& [column, lookup] : k.lookups) {
        SqliteStatement add(m_db.handle(), QStringLiteral("INSERT INTO %1 (Name) SELECT %2 FROM %3 s WHERE Id = ?1 AND "
                                                          "coalesce(%2, '') <> '' AND NOT EXISTS (SELECT 1 FROM %1 "
                                                          "WHERE Name = s.%2)")
                                               .arg(q(lookup), q(column), q(k.table)));
        add.bindInt64(1, id);
        add.execute();
    }
}

void TrashBin::forget(qint64 entryId, const QString& table)
{
    const Kept* k = keptFor(kept(), table);
    QStringList tables{table};
    if (k && k->details)
        tables << QLatin1String(k->details);
    for (const QString& t : tables) {
        SqliteStatement rows(m_db.handle(), QStringLiteral("DELETE FROM %1 WHERE trash_id = ?1").arg(trashTable(t)));
        rows.bindInt64(1, entryId);
        rows.execute();
    }
    if (tableExists(QStringLiteral("kolt_trash_pictures"))) {
        SqliteStatement picture(m_db.handle(), QStringLiteral("DELETE FROM kolt_trash_pictures WHERE trash_id = ?1"));
        picture.bindInt64(1, entryId);
        picture.execute();
    }
    SqliteStatement entry(m_db.handle(), QStringLiteral("DELETE FROM kolt_trash WHERE id = ?1"));
    entry.bindInt64(1, entryId);
    entry.execute();
}

void TrashBin::removeForGood(const std::vector<qint64>& entryIds)
{
    m_db.checkWritable();
    const std::vector<Entry> all = entries();
    TDAODatabase::Transaction transaction(m_db);
    for (const Entry& e : all) {
        if (std::find(entryIds.begin(), entryIds.end(), e.id) != entryIds.end())
            forget(e.id, e.table);
    }
    transaction.commit();
    m_db.runAfterCommit();
}

int TrashBin::expire(int days)
{
    if (m_db.ReadOnly() || !hasTables())
        return 0;
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
    const QString before = now.toUTC().addDays(-days).toString(QLatin1String(kStampFormat));
    std::vector<qint64> old;
    SqliteStatement list(m_db.handle(), QStringLiteral("SELECT id FROM kolt_trash WHERE deleted_at < ?1"));
    list.bindText(1, before);
    while (list.step())
        old.push_back(list.columnInt64(0));
    list.reset();
    if (!old.empty())
        removeForGood(old);
    return int(old.size());
}

void TrashBin::reread(const Kept& k)
{
    // The folder, its list and the lookup lists show what was put back.
    std::vector<TDAODataset*> shown{&k.dataSet(m_dm)};
    if (k.parent)
        shown.push_back(&keptFor(kept(), QLatin1String(k.parent))->dataSet(m_dm));
    if (k.details)
        shown.push_back(&keptFor(kept(), QLatin1String(k.details))->dataSet(m_dm));
    for (TDAOTable* t : {&m_dm.tbC_Movies, &m_dm.tbD_Movies, &m_dm.tbA_Movies, &m_dm.tbC_Music, &m_dm.tbA_Music,
                         &m_dm.tbC_Books, &m_dm.tbA_Books, &m_dm.tbC_AddBook, &m_dm.tbC_Programs})
        shown.push_back(t);
    for (TDAODataset* ds : shown) {
        if (ds->Active())
            ds->Reread();
    }
}
