#include "PictureImportStore.h"

#include "EPictureError.h"
#include "PictureEncoder.h"
#include "PictureReader.h"
#include "PreparedPicture.h"

PictureImportStore::PictureImportStore(TDAODatabase& db)
    : m_store(db)
{
}

QString PictureImportStore::store(int folder, qint64 item, const QByteArray& bytes)
{
    PreparedPicture prepared;
    try {
        prepared = PictureEncoder::prepare(PictureReader::readData(bytes, PictureEncoder::kPictureSide));
    } catch (const EPictureError& e) {
        return e.message();
    }
    m_store.store(folder, item, prepared);
    return {};
}
