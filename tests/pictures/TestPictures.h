#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QtEndian>

// Pictures made by the tests themselves: photographs' noise, a camera's orientation note, and
// files that lie or break off.
namespace TestPictures {

// A gradient with shapes and sensor noise: compresses about as badly as a photograph.
inline QImage photo(int width, int height, quint32 seed = 1)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(20, 40, 120));
    gradient.setColorAt(1, QColor(230, 200, 60));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(seed);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate()));
        painter.drawEllipse(random.bounded(width), random.bounded(height), 1 + random.bounded(width / 4 + 1),
                            1 + random.bounded(height / 4 + 1));
    }
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(random.bounded(24)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255), qBound(0, qBlue(p) + n, 255));
        }
    }
    return image;
}

inline QByteArray encoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// A JPEG whose EXIF data says the camera was turned (6: the picture is to be turned a
// quarter clockwise to be seen upright).
inline QByteArray withOrientation(const QByteArray& jpeg, quint16 orientation)
{
    QByteArray app1("\xFF\xE1", 2);
    QByteArray body("Exif\0\0", 6);
    body += QByteArray("MM\0\x2A\0\0\0\x08", 8);       // big-endian TIFF header, first directory at 8
    body += QByteArray("\0\x01", 2);                   // one entry
    body += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8); // orientation, SHORT, one value
    body += char(orientation >> 8);
    body += char(orientation & 0xFF);
    body += QByteArray("\0\0\0\0\0\0", 6); // padding, no next directory
    const quint16 length = quint16(body.size() + 2);
    app1 += char(length >> 8);
    app1 += char(length & 0xFF);
    app1 += body;
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

// A JPEG carrying another whole JPEG (a camera's thumbnail) in a segment before its own data.
inline QByteArray withEmbedded(const QByteArray& jpeg, const QByteArray& inner)
{
    const QByteArray body = QByteArray("Exif\0\0", 6) + inner;
    const quint16 length = quint16(body.size() + 2);
    QByteArray app1("\xFF\xE1", 2);
    app1 += char(length >> 8);
    app1 += char(length & 0xFF);
    return jpeg.left(2) + app1 + body + jpeg.mid(2);
}

// A JPEG whose Huffman table counts more codes than there can be: complete and of a size to
// take by its markers, refused only by the decoder.
inline QByteArray withBogusHuffmanTable(QByteArray jpeg)
{
    const qsizetype table = jpeg.indexOf(QByteArray("\xFF\xC4", 2));
    if (table < 0)
        return {};
    for (qsizetype i = table + 5; i < table + 21; ++i)
        jpeg[i] = char(0xFF);
    return jpeg;
}

inline quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray typed = QByteArray(type, 4) + data;
    chunk += typed;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(typed), crc.data());
    return chunk + crc;
}

// A PNG whose header claims a size it has no data for (a decompression bomb's header).
inline QByteArray pngClaiming(quint32 width, quint32 height)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 8; // bits per sample
    header[9] = 2; // RGB
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", header)
           + pngChunk("IDAT", QByteArray("\x78\x9C\x03\0\0\0\0\x01", 8)) + pngChunk("IEND", {});
}

// Two frames, 6 × 4: red, then blue.
inline QByteArray animatedGif()
{
    static const unsigned char bytes[]
        = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x06, 0x00, 0x04, 0x00, 0xf0, 0x00, 0x00, 0xff, 0x00, 0x00,
           0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45,
           0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00,
           0x00, 0x00, 0x00, 0x06, 0x00, 0x04, 0x00, 0x00, 0x02, 0x04, 0x84, 0x8f, 0xa9, 0x57, 0x00, 0x21,
           0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x04, 0x00,
           0x80, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x02, 0x04, 0x84, 0x8f, 0xa9, 0x57, 0x00, 0x3b};
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file of `bytes` zero bytes that takes no room on the disk.
inline bool sparseFile(const QString& path, qint64 bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(bytes);
}

} // namespace TestPictures
