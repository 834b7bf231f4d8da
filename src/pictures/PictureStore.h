#pragma once

#include <QByteArray>

class TDAODatabase;
struct PreparedPicture;

// The catalogue's pictures: a table of the program's own (kolt_pictures), one row per item
// that has a picture, keyed by the folder index and the item's key. The thumbnail comes first
// in each row, so that reading it leaves the picture unread. A catalogue without the table
// (opened for reading only, or never opened for writing by this version) has no pictures.
// Nothing else in the program reads this table: the grids, the sorts and Find never touch it.
class PictureStore
{
public:
    static constexpr const char* kTable = "kolt_pictures";

    explicit PictureStore(TDAODatabase& db);

    bool hasTable() const;
    // Creates the table if it is missing (inside the caller's transaction, if any).
    void ensureTable();

    // Empty when the item has no picture.
    QByteArray thumbnail(int folder, qint64 item) const;
    QByteArray picture(int folder, qint64 item) const;

    // Inside the item's own transaction.
    void store(int folder, qint64 item, const PreparedPicture& picture);
    void remove(int folder, qint64 item);
    // Pictures whose item is gone (deleted by another program): `table` is the folder's
    // table of items.
    void removeOrphans(int folder, const QString& table);

private:
    QByteArray column(const char* name, int folder, qint64 item) const;

    TDAODatabase& m_db;
};
