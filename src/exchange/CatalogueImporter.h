#pragma once

#include "CsvDialect.h"
#include "ImportRow.h"

#include <QHash>
#include <QString>
#include <functional>
#include <vector>

class ImportPictureTarget;
class QIODevice;
class TDAODataset;
class TDM;
class TellicoPictures;

// Brings the rows of a CSV file into a folder as items, through the data module's datasets
// and their record rules (lookup names added, cast and songs linked, required fields), all in
// one transaction: a refused row is listed and left out, while a cancel or any error of the
// catalogue (a full disk) undoes the whole import, leaving the file as it was.
class CatalogueImporter
{
public:
    enum class Duplicates { Skip, Add, Update };

    struct Options
    {
        int folder = 0;
        CsvDialect dialect;
        bool header = true;
        ImportRow::Settings row;
        // An item is the same as one in the folder when its title (and year, where the folder
        // has one) is the same, compared as the catalogue compares text.
        Duplicates duplicates = Duplicates::Skip;
    };

    struct Refused
    {
        qint64 line = 0;
        QString reason;
    };

    struct PictureRefused
    {
        qint64 line = 0;
        QString title;
        QString reason;
    };

    struct Summary
    {
        int added = 0;
        int updated = 0;
        int skipped = 0;
        std::vector<Refused> refused;
        bool withPictures = false; // the file could bring pictures
        int pictures = 0;          // pictures stored
        std::vector<PictureRefused> picturesRefused;
        QString text() const; // as the summary shows it and saves it
    };

    // Told how far the import has come (rows done of all rows); false stops it.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    explicit CatalogueImporter(TDM& dm);

    // The pictures the file brings (by the ids of the column mapped to the picture) and where
    // they go. Without them, such a column is left out.
    void setPictures(const TellicoPictures* pictures, ImportPictureTarget* target);

    // The rows of the file (without the header), read once before writing so that a file that
    // cannot be read is refused before anything changes. The device is read from its start.
    static qint64 countRows(QIODevice& file, const CsvDialect& dialect, bool header, const Progress& progress = {});

    // Raises ImportCancelled when stopped, ExchangeError or a catalogue error when the file or
    // the catalogue fails; the catalogue is unchanged then.
    Summary run(QIODevice& file, const Options& options, const Progress& progress = {});

private:
    // What an item is known by for finding duplicates: a 128-bit digest of its title (as the
    // catalogue compares text) and year. Two different items sharing one is out of reach, and
    // the items of the folder and the file take 16 bytes each rather than their whole titles.
    struct ItemKey
    {
        quint64 first = 0;
        quint64 second = 0;
        bool operator==(const ItemKey&) const = default;
        friend size_t qHash(const ItemKey& key, size_t seed = 0) noexcept
        {
            return qHashMulti(seed, key.first, key.second);
        }
    };
    static ItemKey duplicateKey(const QString& title, const QVariant& year);
    QHash<ItemKey, qint64> existingItems(const ExchangeFolder& folder, TDAODataset& items) const;
    void store(const ExchangeFolder& folder, const ImportRow& row, qint64 existingId, TDAODataset& items,
               TDAODataset* details);
    static void writeDetails(const ExchangeFolder& folder, const ImportRow& row, TDAODataset& details);
    void storePicture(const ExchangeFolder& folder, const ImportRow& row, qint64 item, Summary& summary);

    TDM& m_dm;
    const TellicoPictures* m_pictures = nullptr;
    ImportPictureTarget* m_pictureTarget = nullptr;
};
