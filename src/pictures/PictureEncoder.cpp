#include "PictureEncoder.h"

#include "EPictureError.h"

#include <QBuffer>
#include <QImageWriter>
#include <cmath>

namespace {

constexpr int kQuality = 80;
constexpr int kSmallestSide = 48;

QByteArray write(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        throw EPictureError(
            QStringLiteral("The picture could not be prepared for storing: %1").arg(writer.errorString()));
    return bytes;
}

QImage scaledTo(const QImage& image, int longSide)
{
    if (image.width() <= longSide && image.height() <= longSide)
        return image;
    return image.scaled(longSide, longSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

int longSideOf(const QImage& image)
{
    return std::max(image.width(), image.height());
}

// Transparent parts over white, for a JPEG.
QImage flattened(const QImage& image)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < flat.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            const QRgb p = from[x];
            const int clear = 255 - qAlpha(p);
            to[x] = qRgb(qRed(p) + clear, qGreen(p) + clear, qBlue(p) + clear);
        }
    }
    return flat;
}

} // namespace

bool PictureEncoder::hasTransparency(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) < 255)
                return true;
        }
    }
    return false;
}

QByteArray PictureEncoder::encode(const QImage& image, int longSide, qsizetype budget)
{
    QImage current = scaledTo(image, longSide);
    bool png = hasTransparency(current);
    if (!png && current.hasAlphaChannel())
        current = current.convertToFormat(QImage::Format_RGB32);
    int pngTries = 0;
    for (;;) {
        const QByteArray bytes = png ? write(current, "png", -1) : write(current, "jpeg", kQuality);
        if (bytes.size() <= budget || longSideOf(current) <= kSmallestSide)
            return bytes;
        if (png && ++pngTries == 2) {
            // Flat drawings with transparent parts fit as PNG; anything else goes as JPEG.
            png = false;
            current = flattened(current);
            continue;
        }
        const double shrink = std::sqrt(double(budget) / double(bytes.size())) * 0.92;
        current = scaledTo(current, std::max(int(longSideOf(current) * shrink), kSmallestSide));
    }
}

PreparedPicture PictureEncoder::prepare(const QImage& image)
{
    if (image.isNull())
        throw EPictureError(QStringLiteral("The picture is empty"));
    PreparedPicture prepared;
    prepared.thumbnail = encode(image, kThumbnailSide, kThumbnailBytes);
    prepared.shown = QImage::fromData(prepared.thumbnail);
    prepared.picture = encode(image, kPictureSide, kPictureBytes);
    return prepared;
}
