#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads a picture the user brings (a file, pasted or dropped data) with bounded memory and
// time: the file's size and the picture's size in pixels are checked before anything is
// decoded, the decoder may allocate only so much, and a picture larger than needed is decoded
// scaled where its format allows. JPEG, PNG, GIF (its first frame), BMP and WebP are taken,
// whatever the file is called; the orientation a camera noted is applied. Anything else, or a
// damaged or incomplete file, is refused with an EPictureError that says why.
class PictureReader
{
public:
    static constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
    static constexpr qint64 kMaxPixels = 64LL * 1000 * 1000;
    static constexpr int kAllocationLimitMiB = 256;

    // The picture, at most `longSide` pixels on its long side.
    static QImage readFile(const QString& path, int longSide);
    static QImage readData(const QByteArray& data, int longSide);
    // A picture another program handed over already decoded (the clipboard): only scaled.
    static QImage fromImage(const QImage& image, int longSide);

    // The formats taken, as QImageReader names them.
    static const QList<QByteArray>& formats();
    // Whether the encoded picture reaches its end: decoders of some formats fill in what a
    // truncated file lacks without saying so.
    static bool isComplete(const QByteArray& format, const QByteArray& data);
};
