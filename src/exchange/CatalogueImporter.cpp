#include "CatalogueImporter.h"

#include "CsvReader.h"
#include "ExchangeError.h"
#include "ImportPictureTarget.h"
#include "LookupMemo.h"
#include "Procedury.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TellicoPictures.h"
#include "TextFold.h"

#include <QCryptographicHash>
#include <QIODevice>
#include <cstring>

namespace {

// A whole file in one transaction touches more pages than the connection's cache holds: pages
// spilt to the file early make every later save point of a post copy them again. For the
// import the cache may hold 64 MB, and the save points' journals stay in memory; the
// connection's own settings come back afterwards.
class ImportTuning
{
public:
    explicit ImportTuning(sqlite3* db)
        : m_db(db)
    {
        m_cacheSize = value("PRAGMA cache_size");
        m_tempStore = value("PRAGMA temp_store");
        SqliteStatement::exec(m_db, QStringLiteral("PRAGMA cache_size = -65536"));
        SqliteStatement::exec(m_db, QStringLiteral("PRAGMA temp_store = MEMORY"));
    }
    ~ImportTuning()
    {
        try {
            SqliteStatement::exec(m_db, QStringLiteral("PRAGMA cache_size = %1").arg(m_cacheSize));
            SqliteStatement::exec(m_db, QStringLiteral("PRAGMA temp_store = %1").arg(m_tempStore));
        } catch (...) {
            // Settings of this connection only, and only about speed.
        }
    }
    ImportTuning(const ImportTuning&) = delete;
    ImportTuning& operator=(const ImportTuning&) = delete;

private:
    qint64 value(const char* pragma)
    {
        SqliteStatement s(m_db, QLatin1String(pragma));
        return s.step() ? s.columnInt64(0) : 0;
    }

    sqlite3* m_db;
    qint64 m_cacheSize = 0;
    qint64 m_tempStore = 0;
};

void rewind(QIODevice& file)
{
    if (!file.seek(0))
        throw ExchangeError(QStringLiteral("The file could not be read again from its start"));
}

} // namespace

QString CatalogueImporter::Summary::text() const
{
    QStringList lines;
    lines << QStringLiteral("Added: %1").arg(added) << QStringLiteral("Updated: %1").arg(updated)
          << QStringLiteral("Skipped (already in the folder): %1").arg(skipped)
          << QStringLiteral("Refused: %1").arg(refused.size());
    for (const Refused& r : refused)
        lines << QStringLiteral("Line %1: %2").arg(r.line).arg(r.reason);
    if (withPictures) {
        lines << QStringLiteral("Pictures imported: %1").arg(pictures)
              << QStringLiteral("Pictures not imported: %1").arg(picturesRefused.size());
        for (const PictureRefused& p : picturesRefused)
            lines << QStringLiteral("Line %1 (%2): %3").arg(p.line).arg(p.title, p.reason);
    }
    return lines.join(u'\n') + u'\n';
}

CatalogueImporter::CatalogueImporter(TDM& dm)
    : m_dm(dm)
{
}

void CatalogueImporter::setPictures(const TellicoPictures* pictures, ImportPictureTarget* target)
{
    m_pictures = pictures;
    m_pictureTarget = target;
}

void CatalogueImporter::storePicture(const ExchangeFolder& folder, const ImportRow& row, qint64 item, Summary& summary)
{
    if (row.picture.isEmpty() || !m_pictures || !m_pictureTarget)
        return;
    const TellicoPictures::Picture found = m_pictures->read(row.picture);
    QString problem = found.problem;
    if (problem.isEmpty())
        problem = m_pictureTarget->store(folder.index, item, found.bytes);
    if (problem.isEmpty())
        ++summary.pictures;
    else
        summary.picturesRefused.push_back({row.line, row.title(folder), problem});
}

qint64 CatalogueImporter::countRows(QIODevice& file, const CsvDialect& dialect, bool header, const Progress& progress)
{
    rewind(file);
    CsvReader reader(file, dialect.encoding, dialect.separator);
    CsvRecord record;
    qint64 rows = 0;
    const qint64 size = std::max<qint64>(file.size(), 1);
    while (reader.next(record)) {
        ++rows;
        if (progress && (rows & 1023) == 0 && !progress(-reader.bytesRead(), size))
            throw ImportCancelled();
    }
    return header && rows > 0 ? rows - 1 : rows;
}

CatalogueImporter::ItemKey CatalogueImporter::duplicateKey(const QString& title, const QVariant& year)
{
    const std::u32string folded = TextFold::equalityKey(title);
    QString key = QString::fromUcs4(folded.data(), qsizetype(folded.size()));
    key += QChar(0x1F);
    if (year.isValid() && !year.isNull())
        key += QString::number(year.toInt());
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(key.utf16()), key.size() * qsizetype(sizeof(char16_t))),
        QCryptographicHash::Sha256);
    ItemKey itemKey;
    std::memcpy(&itemKey.first, digest.constData(), sizeof itemKey.first);
    std::memcpy(&itemKey.second, digest.constData() + sizeof itemKey.first, sizeof itemKey.second);
    return itemKey;
}

QHash<CatalogueImporter::ItemKey, qint64> CatalogueImporter::existingItems(const ExchangeFolder& folder,
                                                                           TDAODataset& items) const
{
    QHash<ItemKey, qint64> known;
    const TField& id = items.FieldByName(QStringLiteral("Id"));
    const TField& title = items.FieldByName(folder.titleField);
    const TField* year = folder.hasYear ? &items.FieldByName(QStringLiteral("Year")) : nullptr;
    const int rows = items.RowCount();
    known.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        const ItemKey key
            = duplicateKey(items.rowValue(row, title).toString(), year ? items.rowValue(row, *year) : QVariant());
        known.insert(key, items.rowValue(row, id).toLongLong());
    }
    return known;
}

void CatalogueImporter::writeDetails(const ExchangeFolder& folder, const ImportRow& row, TDAODataset& details)
{
    if (folder.details == ExchangeFolder::Details::Cast) {
        TField& name = details.FieldByName(QStringLiteral("Name"));
        for (const QString& actor : row.cast) {
            details.Insert();
            name.SetAsString(actor);
            details.Post();
        }
        return;
    }
    TField& track = details.FieldByName(QStringLiteral("Track"));
    TField& title = details.FieldByName(QStringLiteral("Title"));
    TField& time = details.FieldByName(QStringLiteral("Time"));
    for (const SongEntry& song : row.songs) {
        details.Insert();
        track.SetAsInteger(song.track);
        title.SetAsString(song.title);
        if (!song.time.isEmpty())
            time.SetAsString(song.time);
        details.Post();
    }
}

void CatalogueImporter::store(const ExchangeFolder& folder, const ImportRow& row, qint64 existingId, TDAODataset& items,
                              TDAODataset* details)
{
    const bool update = existingId > 0;
    if (update) {
        if (!items.Locate(QStringLiteral("Id"), {existingId}, 0))
            throw ExchangeError(QStringLiteral("Line %1: the item to update is no longer in the folder").arg(row.line));
        items.Edit();
    } else {
        items.Insert();
    }
    // An update changes only what the file gives: an empty value leaves the stored one.
    for (const ImportValue& v : row.values)
        items.FieldByName(v.field).SetValue(v.value);
    const bool withDetails = details && (row.hasDetails && (!row.cast.isEmpty() || !row.songs.empty()));
    if (withDetails) {
        if (update) {
            // The file's list replaces the stored one.
            while (!details->IsEmpty()) {
                details->First();
                details->Delete();
            }
        }
        writeDetails(folder, row, *details);
    }
    Procedury::PostRecord(items);
}

CatalogueImporter::Summary CatalogueImporter::run(QIODevice& file, const Options& options, const Progress& progress)
{
    const qint64 total = countRows(file, options.dialect, options.header, progress);
    rewind(file);

    const ExchangeFolder& folder = ExchangeFolder::at(options.folder);
    TDAODataset& items = folder.query(m_dm);
    TDAODataset* details = folder.detailQuery(m_dm);
    m_dm.dbKOLT.checkWritable();
    // The whole folder, so that the items of the file are compared with every item in it.
    Procedury::ReopenDataSet(items);
    if (details && !details->Active())
        details->Open();
    for (TDAOTable* lookup : folder.lookups(m_dm)) {
        if (!lookup->Active())
            lookup->Open();
    }
    QHash<ItemKey, qint64> known = existingItems(folder, items);

    Summary summary;
    summary.withPictures
        = m_pictures && m_pictureTarget
          && std::find(options.row.mapping.begin(), options.row.mapping.end(), ExchangeFolder::kPicture)
                 != options.row.mapping.end();
    CsvReader reader(file, options.dialect.encoding, options.dialect.separator);
    CsvRecord record;
    qint64 done = 0;
    const ImportTuning tuning(m_dm.dbKOLT.handle());
    TDAODatabase::Transaction transaction(m_dm.dbKOLT);
    // The whole file is one transaction, undone whole when anything fails: the names of the
    // lookup lists can be looked for once for the run.
    const LookupMemo lookups;
    try {
        if (options.header)
            reader.next(record);
        while (reader.next(record)) {
            if (progress && !progress(done, total))
                throw ImportCancelled();
            ++done;
            const ImportRow row = ImportRow::read(folder, items, details, options.row, record);
            if (!row.error.isEmpty()) {
                summary.refused.push_back({row.line, row.error});
                continue;
            }
            const ItemKey key
                = duplicateKey(row.title(folder), folder.hasYear && row.year() ? QVariant(*row.year()) : QVariant());
            const auto found = known.constFind(key);
            qint64 existing = 0;
            if (found != known.cend()) {
                if (options.duplicates == Duplicates::Skip) {
                    ++summary.skipped;
                    continue;
                }
                if (options.duplicates == Duplicates::Update)
                    existing = found.value();
            }
            store(folder, row, existing, items, details);
            const qint64 stored = items.FieldByName(QStringLiteral("Id")).AsInteger();
            storePicture(folder, row, stored, summary);
            if (existing > 0) {
                ++summary.updated;
            } else {
                ++summary.added;
                known.insert(key, stored);
            }
        }
        if (progress && !progress(done, total))
            throw ImportCancelled();
        transaction.commit();
    } catch (...) {
        // Nothing half-entered stays behind in the datasets; what their cancel tidies is undone
        // with the rest of the import.
        for (TDAODataset* ds : {details, &items}) {
            try {
                if (ds)
                    ds->Cancel();
            } catch (...) {
                // The rollback below undoes it all the same.
            }
        }
        transaction.rollback();
        try {
            Procedury::ReopenDataSet(items);
        } catch (...) {
            // The import's own error is the one to show.
        }
        throw;
    }
    m_dm.dbKOLT.runAfterCommit();
    Procedury::ReopenDataSet(items);
    return summary;
}
