#include "PictureEncoder.h"

#include "EPictureError.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
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

// A JPEG's bytes grow about with its pixels: a sample of four small tiles spread over the
// picture, encoded, tells what the whole would take, so that a picture far over its budget is
// scaled down before its first whole encoding rather than after it. The tiles are taken at the
// picture's scale, as the whole would be encoded.
int guessedLongSide(const QImage& image, qsizetype budget)
{
    constexpr int kTile = 128;
    const int w = image.width();
    const int h = image.height();
    if (qint64(w) * h <= qint64(kTile) * kTile * 8)
        return longSideOf(image);
    QImage sample(2 * kTile, 2 * kTile, QImage::Format_RGB32);
    QPainter painter(&sample);
    for (int i = 0; i < 4; ++i) {
        const int x = std::clamp(w * (1 + 2 * (i % 2)) / 4 - kTile / 2, 0, std::max(w - kTile, 0));
        const int y = std::clamp(h * (1 + 2 * (i / 2)) / 4 - kTile / 2, 0, std::max(h - kTile, 0));
        painter.drawImage(QPoint(kTile * (i % 2), kTile * (i / 2)), image, QRect(x, y, kTile, kTile));
    }
    painter.end();
    // The headers and tables, counted once.
    static const qsizetype kHeaders = [] {
        QImage dot(8, 8, QImage::Format_RGB32);
        dot.fill(Qt::gray);
        return write(dot, "jpeg", kQuality).size();
    }();
    const qsizetype sampleBytes = write(sample, "jpeg", kQuality).size();
    const double perPixel
        = double(std::max<qsizetype>(sampleBytes - kHeaders, 0)) / (double(sample.width()) * sample.height());
    const double whole = double(kHeaders) + perPixel * double(w) * double(h);
    if (whole <= double(budget))
        return longSideOf(image);
    const double shrink = std::sqrt(double(budget) / whole) * 0.92;
    return std::max(int(longSideOf(image) * shrink), kSmallestSide);
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

QByteArray PictureEncoder::encode(const QImage& image, int longSide, qsizetype budget, QImage* encoded)
{
    QImage current = scaledTo(image, longSide);
    bool png = hasTransparency(current);
    if (!png && current.hasAlphaChannel())
        current = current.convertToFormat(QImage::Format_RGB32);
    if (!png)
        current = scaledTo(current, guessedLongSide(current, budget));
    int pngTries = 0;
    for (;;) {
        const QByteArray bytes = png ? write(current, "png", -1) : write(current, "jpeg", kQuality);
        if (bytes.size() <= budget || longSideOf(current) <= kSmallestSide) {
            if (encoded)
                *encoded = std::move(current);
            return bytes;
        }
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
    // The thumbnail from the picture as stored: fewer pixels to scale than the original's.
    QImage stored;
    prepared.picture = encode(image, kPictureSide, kPictureBytes, &stored);
    prepared.thumbnail = encode(stored, kThumbnailSide, kThumbnailBytes);
    prepared.shown = QImage::fromData(prepared.thumbnail);
    return prepared;
}
