#pragma once

#include <QByteArray>
#include <QImage>

// A picture ready to be stored: both encodings the catalogue keeps, and the small one decoded
// for showing at once.
struct PreparedPicture
{
    QByteArray thumbnail; // JPEG or PNG, at most PictureEncoder::kThumbnailSide on its long side
    QByteArray picture;   // JPEG or PNG, at most PictureEncoder::kPictureSide on its long side
    QImage shown;         // the thumbnail, decoded

    bool isNull() const { return picture.isEmpty(); }
};
