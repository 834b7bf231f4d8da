#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <memory>

class QTemporaryFile;
class QuaZip;

// The pictures a Tellico collection file brings with its entries. An entry names its picture
// (its cover) by an id; the picture is a file of that name in the zip's images/ folder, or
// base64 text in the XML's <images><image id=…> element. An id that is not a plain file name
// (one with "/", "\" or "..") could lead outside the images folder and counts as missing.
// Reading is bounded: at most kMaxBytes, and from the zip no more than kMaxRatio times the
// packed size (at least kRatioFloor), so that a zip bomb is refused after little work. Pictures
// from the XML wait in a temporary file, not in memory, until the import asks for them.
class TellicoPictures
{
public:
    static constexpr qint64 kMaxBytes = qint64(64) << 20;
    static constexpr qint64 kMaxRatio = 200;
    static constexpr qint64 kRatioFloor = qint64(1) << 20;

    TellicoPictures();
    ~TellicoPictures();
    TellicoPictures(const TellicoPictures&) = delete;
    TellicoPictures& operator=(const TellicoPictures&) = delete;

    // The images/ folder of a zipped collection file.
    void openZip(const QString& path);
    // A picture written into the XML.
    void addEmbedded(const QString& id, QStringView base64);

    // The picture's bytes, or why there are none (the bytes are then empty).
    struct Picture
    {
        QByteArray bytes;
        QString problem;
    };
    Picture read(const QString& id) const;
    // Whether the file holds a picture of that id (not whether it is a good one).
    bool has(const QString& id) const;
    bool isEmpty() const;

    static bool isPlainName(const QString& id);

private:
    struct Packed
    {
        qint64 packed = 0;
        qint64 unpacked = 0;
    };
    struct Embedded
    {
        qint64 offset = 0;
        qint64 size = 0;
        QString problem;
    };
    Picture readPacked(const QString& id, const Packed& entry) const;
    Picture readEmbedded(const Embedded& entry) const;

    std::unique_ptr<QuaZip> m_zip;
    QHash<QString, Packed> m_packed; // by id, the entries of images/
    std::unique_ptr<QTemporaryFile> m_spool;
    QHash<QString, Embedded> m_embedded;
};
