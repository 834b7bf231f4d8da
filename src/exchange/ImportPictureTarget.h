#pragma once

#include <QByteArray>
#include <QString>

// Where an import puts the pictures a file brings with its items. Decoding and re-encoding a
// picture needs more than reading files does (QtGui), so the import dialog's side supplies
// it and the import itself stays with QtCore and the store.
class ImportPictureTarget
{
public:
    virtual ~ImportPictureTarget() = default;

    // Stores `bytes` as the picture of an item just stored, inside the import's transaction.
    // A picture that is not taken (not a picture, damaged, too large) leaves what was stored
    // and answers why; an error of the catalogue itself is raised and ends the import.
    virtual QString store(int folder, qint64 item, const QByteArray& bytes) = 0;
};
