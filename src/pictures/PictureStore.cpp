#include "PictureStore.h"

#include "PreparedPicture.h"
#include "SqlText.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"

PictureStore::PictureStore(TDAODatabase& db)
    : m_db(db)
{
}

bool PictureStore::hasTable() const
{
    auto find = m_db.statement(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"));
    find->bind(1, QLatin1String(kTable));
    const bool found = find->step();
    find->reset();
    return found;
}

void PictureStore::ensureTable()
{
    m_db.checkWritable();
    m_db.statement(QStringLiteral("CREATE TABLE IF NOT EXISTS kolt_pictures (folder INTEGER NOT NULL, item INTEGER "
                                  "NOT NULL, thumbnail BLOB NOT NULL, picture BLOB NOT NULL, PRIMARY KEY (folder, "
                                  "item))"))
        ->execute();
}

QByteArray PictureStore::column(const char* name, int folder, qint64 item) const
{
    if (!hasTable())
        return {};
    auto read = m_db.statement(
        QStringLiteral("SELECT %1 FROM kolt_pictures WHERE folder = ?1 AND item = ?2").arg(QLatin1String(name)));
    read->bindInt64(1, folder);
    read->bindInt64(2, item);
    QByteArray bytes;
    if (read->step())
        bytes = read->column(0).toByteArray();
    read->reset();
    return bytes;
}

QByteArray PictureStore::thumbnail(int folder, qint64 item) const
{
    return column("thumbnail", folder, item);
}

QByteArray PictureStore::picture(int folder, qint64 item) const
{
    return column("picture", folder, item);
}

void PictureStore::store(int folder, qint64 item, const PreparedPicture& picture)
{
    ensureTable();
    auto write = m_db.statement(QStringLiteral("INSERT OR REPLACE INTO kolt_pictures (folder, item, thumbnail, "
                                               "picture) VALUES (?1, ?2, ?3, ?4)"));
    write->bindInt64(1, folder);
    write->bindInt64(2, item);
    write->bind(3, picture.thumbnail);
    write->bind(4, picture.picture);
    write->execute();
    write->reset();
}

void PictureStore::remove(int folder, qint64 item)
{
    if (!hasTable())
        return;
    auto erase = m_db.statement(QStringLiteral("DELETE FROM kolt_pictures WHERE folder = ?1 AND item = ?2"));
    erase->bindInt64(1, folder);
    erase->bindInt64(2, item);
    erase->execute();
    erase->reset();
}

void PictureStore::removeOrphans(int folder, const QString& table)
{
    auto erase = m_db.statement(QStringLiteral("DELETE FROM kolt_pictures WHERE folder = ?1 AND item NOT IN "
                                               "(SELECT Id FROM %1)")
                                    .arg(SqlText::quoteIdentifier(table)));
    erase->bindInt64(1, folder);
    erase->execute();
    erase->reset();
}
