#pragma once

#include "DetailLists.h"
#include "ExchangeFolder.h"
#include "TDAOQuery.h"

#include <QString>
#include <functional>
#include <vector>

class QIODevice;
class TDAODataset;
class TDM;

// Writes the items of a folder to a file: the rows of a dataset in its order (the folder's
// query as shown, filter and sort included, or the whole folder), each with its cast or songs.
class CatalogueExporter
{
public:
    struct Column
    {
        QString field;
        QString caption;
    };
    // A Description memo (rich text or plain) as the file needs it: plain text, or HTML.
    using MemoText = std::function<QString(const QString& memo)>;
    // Told how far the export has come; false stops it (ImportCancelled-like: ExchangeError).
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    CatalogueExporter(TDM& dm, int folder);

    // Every field of the folder and its cast or songs, under a header row of their captions.
    void writeCsv(TDAODataset& rows, QIODevice& out, const MemoText& plainText, const Progress& progress = {});
    // One page: the folder's caption, a table of `columns` and the cast or songs, and each
    // item's description under its row.
    void writeHtml(TDAODataset& rows, const std::vector<Column>& columns, QIODevice& out, const MemoText& html,
                   const Progress& progress = {});

    // An item's cast ("; "-separated names) or songs ("1. Title (3:45)"), as one text.
    QString detailText(qint64 itemId);
    // The same for the item of row `row` of `rows`: the lists of a batch of rows from there on
    // are read together, so going through the rows in order costs a query per batch.
    QString rowDetails(TDAODataset& rows, int row);

    static QString valueText(const QVariant& value);

private:
    void checkStopped(const Progress& progress, qint64 done, qint64 total) const;

    TDM& m_dm;
    const ExchangeFolder& m_folder;
    TDAOQuery m_details{QStringLiteral("qrExportDetails")};
    DetailLists m_lists;
    // The rows whose lists m_lists holds: of which dataset, which run of it, from which row.
    const TDAODataset* m_listsOf = nullptr;
    quint64 m_listsSerial = 0;
    int m_listsFrom = -1;
};
