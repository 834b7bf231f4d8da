#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;
class TDAODataset;
class CatalogueExporter;
class TellicoPictures;

// Collection files of Tellico: a zip (.tc) holding tellico.xml, or that XML alone. Reading
// turns the collection into CSV text with a header row (UTF-8, comma), which the CSV import
// then maps and previews like any other file: videos give Movies, music albums Music, books
// Books; fields with no place in the folder come through as columns that are skipped. The
// column "Picture" holds the id of an entry's picture, which `pictures` then finds.
// Hostile files end with a message: entries named outside the zip, more unpacked bytes than
// kMaxXmlBytes or a ratio past kMaxRatio (a zip bomb), entity declarations in the XML.
class TellicoFile
{
public:
    static constexpr qint64 kMaxXmlBytes = qint64(256) << 20;
    static constexpr qint64 kMaxRatio = 200;

    // Whether the bytes at the start of a file are a zip or Tellico's XML.
    static bool looksLike(const QByteArray& start);

    // Writes the collection as CSV; answers the folder it belongs to. Raises ExchangeError.
    static int toCsv(const QString& path, QIODevice& csv, TellicoPictures* pictures = nullptr);
    static int xmlToCsv(QIODevice& xml, QIODevice& csv, TellicoPictures* pictures = nullptr);

    // Writes the items of a dataset (Movies, Music or Books) as a zipped Tellico file.
    // `plainText` turns a Description memo into plain text.
    using MemoText = std::function<QString(const QString&)>;
    static void write(CatalogueExporter& exporter, int folder, TDAODataset& rows, const QString& path,
                      const MemoText& plainText);
    static QByteArray xml(CatalogueExporter& exporter, int folder, TDAODataset& rows, const MemoText& plainText);
};
