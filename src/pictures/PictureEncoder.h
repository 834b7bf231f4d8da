#pragma once

#include "PreparedPicture.h"

// Turns a picture into what the catalogue stores: a thumbnail and the picture itself, each
// re-encoded as JPEG (or PNG, for a picture with transparent parts) within a size in pixels
// and in bytes. The byte limits keep a catalogue of 10,000 pictures within 600 MB more than
// without them; a picture that does not fit is stored smaller.
class PictureEncoder
{
public:
    static constexpr int kThumbnailSide = 300;
    static constexpr int kPictureSide = 1600;
    static constexpr qsizetype kThumbnailBytes = 10 * 1024;
    static constexpr qsizetype kPictureBytes = 46 * 1024;

    static PreparedPicture prepare(const QImage& image);

    // Encodes `image` (scaled to at most `longSide`) within `budget` bytes, made smaller until
    // it fits; `encoded` receives the picture as it was encoded.
    static QByteArray encode(const QImage& image, int longSide, qsizetype budget, QImage* encoded = nullptr);
    static bool hasTransparency(const QImage& image);
};
