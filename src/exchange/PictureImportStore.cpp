#include "PictureImportStore.h"

#include "EPictureError.h"
#include "PictureEncoder.h"
#include "PictureReader.h"
#include "PreparedPicture.h"

#include <QCoreApplication>
#include <chrono>
#include <future>

namespace {

struct ImportPreparation
{
    PreparedPicture picture;
    QString refusal;
};

ImportPreparation prepareImported(const QByteArray& bytes)
{
    ImportPreparation result;
    try {
        result.picture = PictureEncoder::prepare(PictureReader::readData(bytes, PictureEncoder::kPictureSide));
    } catch (const EPictureError& e) {
        result.refusal = e.message();
    } catch (const std::bad_alloc&) {
        result.refusal = QStringLiteral("The picture is too large to be prepared with the memory there is");
    }
    return result;
}

} // namespace

PictureImportStore::PictureImportStore(TDAODatabase& db)
    : m_store(db)
{
}

QString PictureImportStore::store(int folder, qint64 item, const QByteArray& bytes)
{
    // A large picture takes a while to decode: the window goes on repainting meanwhile, as it
    // does between the rows of the import.
    auto preparing = std::async(std::launch::async, [&bytes] { return prepareImported(bytes); });
    while (preparing.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        QCoreApplication::processEvents();
    const ImportPreparation prepared = preparing.get();
    if (!prepared.refusal.isEmpty())
        return prepared.refusal;
    m_store.store(folder, item, prepared.picture);
    return {};
}
