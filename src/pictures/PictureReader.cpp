#include "PictureReader.h"

#include "EPictureError.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>
#include <cstring>

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', bytes < 10 * 1024 * 1024 ? 1 : 0);
}

[[noreturn]] void damaged()
{
    throw EPictureError(QStringLiteral("The picture cannot be read: the file is damaged or incomplete"));
}

[[noreturn]] void notAPicture()
{
    throw EPictureError(
        QStringLiteral("This is not a picture Tarvena can take: it takes JPEG, PNG, GIF, BMP and WebP pictures"));
}

[[noreturn]] void tooManyPixels(QSize size)
{
    throw EPictureError(QStringLiteral("The picture is too large: %1 × %2 pixels; Tarvena takes pictures of up to "
                                       "%3 megapixels")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(PictureReader::kMaxPixels / 1000000));
}

void checkFileSize(qint64 bytes)
{
    if (bytes > PictureReader::kMaxFileBytes)
        throw EPictureError(QStringLiteral("The picture file is too large: %1 MB; Tarvena takes files of up to %2 MB")
                                .arg(megabytes(bytes))
                                .arg(PictureReader::kMaxFileBytes / (1024 * 1024)));
}

QImage fitted(QImage image, int longSide)
{
    if (image.width() <= longSide && image.height() <= longSide)
        return image;
    return image.scaled(longSide, longSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

quint8 at(const QByteArray& data, qsizetype i)
{
    return quint8(data.at(i));
}

// A JPEG ends with its end marker after its last scan. The walk follows the segments (whose
// contents may hold a thumbnail with markers of its own) up to the scans, and reads each
// scan's coded data up to the marker after it, jumping from one 0xFF byte to the next.
bool jpegComplete(const QByteArray& data)
{
    const qsizetype size = data.size();
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return false;
    qsizetype pos = 2;
    while (pos < size) {
        if (bytes[pos] != 0xFF)
            return false;
        while (pos < size && bytes[pos] == 0xFF) // fill bytes
            ++pos;
        if (pos >= size)
            return false;
        const uchar marker = bytes[pos++];
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length
        if (pos + 2 > size)
            return false;
        const qsizetype length = (qsizetype(bytes[pos]) << 8) | bytes[pos + 1];
        if (length < 2)
            return false;
        pos += length;
        if (pos > size)
            return false;
        if (marker != 0xDA)
            continue;
        // Coded data: 0xFF is followed by 0x00 (a stuffed byte), a restart marker or more
        // fill bytes inside it; anything else is the marker after the scan.
        for (;;) {
            const void* ff = std::memchr(bytes + pos, 0xFF, size_t(size - pos));
            if (!ff)
                return false;
            pos = static_cast<const uchar*>(ff) - bytes;
            if (pos + 1 >= size)
                return false;
            const uchar next = bytes[pos + 1];
            if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF)
                break;
            pos += next == 0xFF ? 1 : 2;
        }
    }
    return false;
}

// A BMP holds as many bytes of pixels as its header says.
bool bmpComplete(const QByteArray& data)
{
    if (data.size() < 26)
        return false;
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qint64 offset = qFromLittleEndian<quint32>(bytes + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(bytes + 14);
    qint64 width = 0;
    qint64 height = 0;
    int bits = 0;
    quint32 compression = 0;
    qint64 imageSize = 0;
    if (headerSize == 12) {
        width = qFromLittleEndian<quint16>(bytes + 18);
        height = qFromLittleEndian<quint16>(bytes + 20);
        bits = qFromLittleEndian<quint16>(bytes + 24);
    } else {
        if (data.size() < 38)
            return false;
        width = qFromLittleEndian<qint32>(bytes + 18);
        height = qFromLittleEndian<qint32>(bytes + 22);
        bits = qFromLittleEndian<quint16>(bytes + 28);
        compression = qFromLittleEndian<quint32>(bytes + 30);
        imageSize = qFromLittleEndian<quint32>(bytes + 34);
    }
    qint64 pixels = 0;
    if (compression == 0 || compression == 3 || compression == 6) // uncompressed rows
        pixels = (width * bits + 31) / 32 * 4 * qAbs(height);
    else
        pixels = imageSize; // run-length coded: only the header knows
    return offset + pixels <= data.size();
}

// A GIF ends with its trailer byte.
bool gifComplete(const QByteArray& data)
{
    qsizetype end = data.size();
    while (end > 0 && data.at(end - 1) == '\0')
        --end;
    return end > 0 && at(data, end - 1) == 0x3B;
}

} // namespace

const QList<QByteArray>& PictureReader::formats()
{
    static const QList<QByteArray> taken{"jpeg", "png", "gif", "bmp", "webp"};
    return taken;
}

bool PictureReader::isComplete(const QByteArray& format, const QByteArray& data)
{
    if (format == "jpeg")
        return jpegComplete(data);
    if (format == "bmp")
        return bmpComplete(data);
    if (format == "gif")
        return gifComplete(data);
    return true; // PNG and WebP decoders refuse what is cut short
}

void PictureReader::loadDecoders()
{
    // Telling a format by content asks every decoder, which loads them all.
    QBuffer buffer;
    buffer.setData(QByteArray("\xFF\xD8\xFF\xE0", 4));
    buffer.open(QIODevice::ReadOnly);
    QImageReader::imageFormat(&buffer);
}

QByteArray PictureReader::readFileBytes(const QString& path)
{
    const QFileInfo info(path);
    checkFileSize(info.size());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EPictureError(QStringLiteral("The file '%1' cannot be read: %2")
                                .arg(QDir::toNativeSeparators(info.absoluteFilePath()), file.errorString()));
    // A buffer of the file's own size; one byte more tells a file that grew since its size
    // was asked, which is read again with the cap.
    QByteArray data = file.read(info.size() + 1);
    if (data.size() > info.size())
        data += file.read(kMaxFileBytes + 1 - data.size());
    checkFileSize(data.size());
    return data;
}

QImage PictureReader::readFile(const QString& path, int longSide)
{
    return readData(readFileBytes(path), longSide);
}

QImage PictureReader::readData(const QByteArray& data, int longSide)
{
    return decode(data, check(data), longSide);
}

PictureReader::Checked PictureReader::check(const QByteArray& data)
{
    checkFileSize(data.size());
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    Checked checked;
    checked.format = reader.format();
    if (!formats().contains(checked.format))
        notAPicture();
    if (!isComplete(checked.format, data))
        damaged();
    checked.size = reader.size();
    if (checked.size.isValid() && qint64(checked.size.width()) * checked.size.height() > kMaxPixels)
        tooManyPixels(checked.size);
    return checked;
}

QSize PictureReader::jpegScaledSize(QSize size, int longSide)
{
    const int side = std::max(size.width(), size.height());
    if (side <= longSide)
        return size;
    // libjpeg scales by M/8 while it decodes, at a fraction of the cost of decoding whole; its
    // output is the size rounded up. Halves, quarters and eighths are the quickest (their
    // inverse transforms are the vectorised ones): the largest of them within the long side is
    // taken as long as it keeps five eighths of it, which is more than a photograph keeps
    // within its byte limit; otherwise the largest eighth within it.
    const auto scaled = [side](int eighths) { return (qint64(side) * eighths + 7) / 8; };
    int eighths = 8;
    while (eighths > 1 && scaled(eighths) > longSide)
        eighths /= 2;
    if (scaled(eighths) < qint64(longSide) * 5 / 8) {
        eighths = 1;
        while (eighths < 8 && scaled(eighths + 1) <= longSide)
            ++eighths;
    }
    return QSize(int((qint64(size.width()) * eighths + 7) / 8), int((qint64(size.height()) * eighths + 7) / 8));
}

QImage PictureReader::decode(const QByteArray& data, const Checked& checked, int longSide)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, checked.format);
    reader.setAllocationLimit(kAllocationLimitMiB);
    reader.setAutoTransform(true);
    const QSize size = checked.size;
    if (size.isValid() && (size.width() > longSide || size.height() > longSide)) {
        if (checked.format == "jpeg")
            reader.setScaledSize(jpegScaledSize(size, longSide));
        else if (reader.supportsOption(QImageIOHandler::ScaledSize))
            reader.setScaledSize(size.scaled(longSide, longSide, Qt::KeepAspectRatio));
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        if (!size.isValid())
            throw EPictureError(QStringLiteral("The picture cannot be read: the file is damaged, incomplete or too "
                                               "large"));
        damaged();
    }
    return fitted(std::move(image), longSide);
}

QImage PictureReader::fromImage(const QImage& image, int longSide)
{
    if (image.isNull())
        notAPicture();
    return fitted(image, longSide);
}
