#pragma once

#include "DetailText.h"
#include "ExchangeFolder.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

class TDAODataset;
struct CsvRecord;

// One value of an item as it will be stored.
struct ImportValue
{
    QString field;
    QVariant value;
    bool cut = false; // the text was longer than the field and is stored cut
};

// One row of a file read into an item of a folder, as it will be stored: texts cut to their
// fields, numbers and dates read, the cast or songs split; or the reason it cannot be stored.
class ImportRow
{
public:
    struct Settings
    {
        std::vector<int> mapping; // a target of ExchangeFolder per column of the file
        QString defaultCategory;  // for rows that give none; empty: such rows are refused
    };

    // `items` and `details` are the folder's datasets; only their fields are used.
    static ImportRow read(const ExchangeFolder& folder, const TDAODataset& items, const TDAODataset* details,
                          const Settings& settings, const CsvRecord& record);

    qint64 line = 0;
    std::vector<ImportValue> values;
    bool hasDetails = false; // the file has a column for the cast or songs
    bool detailsCut = false;
    QStringList cast;
    std::vector<SongEntry> songs;
    QString picture; // the id of the picture the file brings for the item
    QString error;   // empty: the row can be stored

    const ImportValue* value(const QString& field) const;
    QString title(const ExchangeFolder& folder) const;
    std::optional<int> year() const;
};
