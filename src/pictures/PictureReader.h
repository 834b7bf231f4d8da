#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads a picture the user brings (a file, pasted or dropped data) with bounded memory and
// time: the file's size and the picture's size in pixels are checked before anything is
// decoded, the decoder may allocate only so much, and a picture larger than needed is decoded
// scaled where its format allows (a JPEG straight to a half, quarter or eighth of its size,
// which may be smaller than asked; see jpegScaledSize()). The quick checks and the decoding are apart, so
// that the decoding can run off the window's thread. JPEG, PNG, GIF (its first frame), BMP and WebP are taken,
// whatever the file is called; the orientation a camera noted is applied. Anything else, or a
// damaged or incomplete file, is refused with an EPictureError that says why.
class PictureReader
{
public:
    static constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
    static constexpr qint64 kMaxPixels = 64LL * 1000 * 1000;
    static constexpr int kAllocationLimitMiB = 256;

    // What the quick checks found out: the format and the size the header gives (invalid
    // when it gives none).
    struct Checked
    {
        QByteArray format;
        QSize size;
    };

    // The picture, at most `longSide` pixels on its long side.
    static QImage readFile(const QString& path, int longSide);
    static QImage readData(const QByteArray& data, int longSide);

    // A picture file's bytes, refused when the file is too large.
    static QByteArray readFileBytes(const QString& path);
    // Refuses what is too large, not a picture, or cut short, before anything is decoded.
    static Checked check(const QByteArray& data);
    // Decodes what check() passed.
    static QImage decode(const QByteArray& data, const Checked& checked, int longSide);
    // The size a JPEG of `size` is decoded at to fit within `longSide`.
    static QSize jpegScaledSize(QSize size, int longSide);
    // A picture another program handed over already decoded (the clipboard): only scaled.
    static QImage fromImage(const QImage& image, int longSide);

    // Finds and loads the decoders of the image formats, which takes a while the first time in
    // a process; done early off the window's thread, it spares the first picture chosen.
    static void loadDecoders();

    // The formats taken, as QImageReader names them.
    static const QList<QByteArray>& formats();
    // Whether the encoded picture reaches its end: decoders of some formats fill in what a
    // truncated file lacks without saying so.
    static bool isComplete(const QByteArray& format, const QByteArray& data);
};
