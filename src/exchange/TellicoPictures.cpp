#include "TellicoPictures.h"

#include "ExchangeError.h"

#include <QTemporaryFile>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

namespace {

const QString kImagesFolder = QStringLiteral("images/");

QString megabytesOf(qint64 bytes)
{
    return QString::number(std::max<qint64>(bytes >> 20, 1));
}

TellicoPictures::Picture refusedPicture(const QString& problem)
{
    return {QByteArray(), problem};
}

} // namespace

TellicoPictures::TellicoPictures() = default;
TellicoPictures::~TellicoPictures() = default;

bool TellicoPictures::isPlainName(const QString& id)
{
    return !id.isEmpty() && id != QLatin1String(".") && id != QLatin1String("..") && !id.contains(u'/')
           && !id.contains(u'\\') && !id.contains(QChar(0));
}

void TellicoPictures::openZip(const QString& path)
{
    auto zip = std::make_unique<QuaZip>(path);
    if (!zip->open(QuaZip::mdUnzip))
        throw ExchangeError(QStringLiteral("The file is not a zip archive that can be read"));
    // Walking the directory once also lets QuaZip find each entry again by its name at once.
    for (const QuaZipFileInfo64& info : zip->getFileInfoList64()) {
        if (!info.name.startsWith(kImagesFolder))
            continue;
        const QString id = info.name.mid(kImagesFolder.size());
        if (isPlainName(id))
            m_packed.insert(id, {qint64(info.compressedSize), qint64(info.uncompressedSize)});
    }
    m_zip = std::move(zip);
}

void TellicoPictures::addEmbedded(const QString& id, QStringView base64)
{
    if (id.isEmpty() || m_embedded.contains(id))
        return;
    Embedded entry;
    // Four characters of base64 for three bytes, and line breaks besides.
    if (base64.size() / 4 * 3 > kMaxBytes * 11 / 10) {
        entry.problem = QStringLiteral("the picture '%1' is larger than %2 MB").arg(id).arg(kMaxBytes >> 20);
        m_embedded.insert(id, entry);
        return;
    }
    const QByteArray bytes = QByteArray::fromBase64(base64.toLatin1());
    if (!m_spool) {
        m_spool = std::make_unique<QTemporaryFile>();
        if (!m_spool->open())
            throw ExchangeError(QStringLiteral("No temporary file could be made for the pictures of the file"));
    }
    entry.offset = m_spool->size();
    entry.size = bytes.size();
    if (!m_spool->seek(entry.offset) || m_spool->write(bytes) != bytes.size())
        throw ExchangeError(QStringLiteral("The pictures of the file could not be kept for the import: %1")
                                .arg(m_spool->errorString()));
    m_embedded.insert(id, entry);
}

bool TellicoPictures::has(const QString& id) const
{
    return isPlainName(id) && (m_embedded.contains(id) || m_packed.contains(id));
}

bool TellicoPictures::isEmpty() const
{
    return m_embedded.isEmpty() && m_packed.isEmpty();
}

TellicoPictures::Picture TellicoPictures::read(const QString& id) const
{
    if (!isPlainName(id))
        return refusedPicture(QStringLiteral("the picture's name '%1' leads outside the file's pictures").arg(id));
    const auto embedded = m_embedded.constFind(id);
    if (embedded != m_embedded.cend())
        return readEmbedded(*embedded);
    const auto packed = m_packed.constFind(id);
    if (packed != m_packed.cend())
        return readPacked(id, *packed);
    return refusedPicture(QStringLiteral("the picture '%1' is not in the file").arg(id));
}

TellicoPictures::Picture TellicoPictures::readEmbedded(const Embedded& entry) const
{
    if (!entry.problem.isEmpty())
        return refusedPicture(entry.problem);
    if (!m_spool->seek(entry.offset))
        return refusedPicture(QStringLiteral("the picture could not be read again: %1").arg(m_spool->errorString()));
    QByteArray bytes = m_spool->read(entry.size);
    if (bytes.size() != entry.size)
        return refusedPicture(QStringLiteral("the picture could not be read again: %1").arg(m_spool->errorString()));
    return {std::move(bytes), QString()};
}

TellicoPictures::Picture TellicoPictures::readPacked(const QString& id, const Packed& entry) const
{
    const qint64 limit = std::min(kMaxBytes, std::max(entry.packed * kMaxRatio, kRatioFloor));
    const auto tooLarge = [&] {
        if (limit == kMaxBytes)
            return refusedPicture(QStringLiteral("the picture '%1' is larger than %2 MB").arg(id).arg(kMaxBytes >> 20));
        return refusedPicture(QStringLiteral("the picture '%1' unpacks to more than %2 MB from %3 KB; it is taken "
                                             "for a zip bomb")
                                  .arg(id, megabytesOf(limit))
                                  .arg(std::max<qint64>(entry.packed >> 10, 1)));
    };
    // The directory may understate what an entry unpacks to: the reading stops at the limit
    // all the same.
    if (entry.unpacked > limit)
        return tooLarge();
    if (!m_zip->setCurrentFile(kImagesFolder + id, QuaZip::csSensitive))
        return refusedPicture(QStringLiteral("the picture '%1' is not in the file").arg(id));
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly))
        return refusedPicture(QStringLiteral("the picture '%1' cannot be unpacked").arg(id));
    QByteArray bytes;
    bytes.reserve(entry.unpacked + 1);
    constexpr qint64 kChunk = 256 * 1024;
    for (;;) {
        const qint64 room = std::min(kChunk, limit + 1 - bytes.size());
        if (room <= 0)
            return tooLarge();
        const qsizetype at = bytes.size();
        bytes.resize(at + room);
        const qint64 got = file.read(bytes.data() + at, room);
        if (got < 0 || file.getZipError() != UNZ_OK)
            return refusedPicture(QStringLiteral("the picture '%1' cannot be unpacked: the file is damaged").arg(id));
        bytes.resize(at + got);
        if (got == 0)
            break;
    }
    file.close();
    if (file.getZipError() != UNZ_OK)
        return refusedPicture(QStringLiteral("the picture '%1' cannot be unpacked: the file is damaged").arg(id));
    return {std::move(bytes), QString()};
}
