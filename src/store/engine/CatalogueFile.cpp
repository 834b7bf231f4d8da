#include "CatalogueFile.h"

#include "CatalogueUpgrade.h"
#include "EEngineError.h"
#include "IndexNames.h"
#include "PasswordVerifier.h"
#include "SideConnection.h"
#include "SqlText.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtEndian>
#include <memory>
#include <sqlite3.h>

namespace {

QString native(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

struct HandleCloser
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Handle = std::unique_ptr<sqlite3, HandleCloser>;

QHash<QString, QString> readMeta(sqlite3* db)
{
    SqliteStatement stmt(db, QStringLiteral("SELECT key, value FROM kolt_meta"));
    QHash<QString, QString> meta;
    while (stmt.step())
        meta.insert(stmt.columnText(0), stmt.columnText(1));
    return meta;
}

} // namespace

qint64 CatalogueFile::changeCounter(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(24))
        return -1;
    const QByteArray bytes = file.read(4);
    if (bytes.size() != 4)
        return -1;
    return qFromBigEndian<quint32>(bytes.constData());
}

void CatalogueFile::checkPath(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EEngineError(QStringLiteral("Could not find file '%1'").arg(native(path)), SQLITE_CANTOPEN);
    if (info.isDir())
        throw EEngineError(QStringLiteral("'%1' is a folder, not a catalogue file").arg(native(path)), SQLITE_CANTOPEN);
    if (info.size() == 0)
        throw EEngineError(QStringLiteral("The catalogue file '%1' is empty").arg(native(path)), SQLITE_NOTADB);
}

void CatalogueFile::checkHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EEngineError(QStringLiteral("Could not open file '%1' (%2)").arg(native(path), file.errorString()),
                           SQLITE_CANTOPEN);
    const QByteArray header = file.read(100);
    static const QByteArray magic("SQLite format 3\0", 16);
    if (header.size() < 100 || !header.startsWith(magic))
        throw EEngineError(QStringLiteral("'%1' is not a catalogue file").arg(native(path)), SQLITE_NOTADB);

    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    quint32 pageSize = qFromBigEndian<quint16>(h + 16);
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 changeCounter = qFromBigEndian<quint32>(h + 24);
    const quint32 pageCount = qFromBigEndian<quint32>(h + 28);
    const quint32 validFor = qFromBigEndian<quint32>(h + 92);
    // The page count in the header is only trustworthy when written by the same change.
    if (pageCount != 0 && changeCounter == validFor && quint64(file.size()) < quint64(pageCount) * pageSize)
        throw EEngineError(QStringLiteral("The catalogue file '%1' is damaged: it is shorter than its "
                                          "header says (truncated)")
                               .arg(native(path)),
                           SQLITE_CORRUPT);
}

void CatalogueFile::checkCatalogue(sqlite3* db, const QString& path, const QString& password)
{
    QHash<QString, QString> meta;
    try {
        meta = readMeta(db);
    } catch (const EEngineError& e) {
        const int primary = e.ErrorCode() & 0xff;
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            throw EEngineError(QStringLiteral("The catalogue file '%1' is in use by another program (%2)")
                                   .arg(native(path), e.message()),
                               e.ErrorCode());
        if (primary == SQLITE_READONLY)
            throw EEngineError(QStringLiteral("The catalogue file '%1' was left half-saved when a copy of Tarvena "
                                              "stopped, and it cannot be put right because it is read-only (%2)")
                                   .arg(native(path), e.message()),
                               e.ErrorCode());
        if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
            throw EEngineError(QStringLiteral("The catalogue file '%1' is damaged (%2)").arg(native(path), e.message()),
                               e.ErrorCode());
        throw EEngineError(QStringLiteral("'%1' is not a catalogue file (%2)").arg(native(path), e.message()),
                           e.ErrorCode());
    }
    if (meta.value(QLatin1String(kFormatKey)) != QLatin1String(kFormatValue))
        throw EEngineError(QStringLiteral("'%1' is not a catalogue file").arg(native(path)), SQLITE_NOTADB);

    PasswordVerifier::Record record;
    record.salt = meta.value(QLatin1String(kSaltKey)).toLatin1();
    record.digest = meta.value(QLatin1String(kDigestKey)).toLatin1();
    record.rounds = meta.value(QLatin1String(kRoundsKey)).toInt();
    if (!PasswordVerifier::matches(password, record))
        throw EEngineError(QStringLiteral("Not a valid password"), SQLITE_AUTH);
}

void CatalogueFile::checkAhead(const QString& path, const QString& password) noexcept
{
    try {
        SideConnection side(path, SideConnection::Mode::ReadOnly);
        const QHash<QString, QString> meta = readMeta(side.handle());
        const int rounds = meta.value(QLatin1String(kRoundsKey)).toInt();
        if (rounds < 1 || rounds > PasswordVerifier::kMaxRounds)
            return;
        PasswordVerifier::digest(password, QByteArray::fromHex(meta.value(QLatin1String(kSaltKey)).toLatin1()), rounds);
    } catch (...) {
        // The opening itself finds out what is wrong with the file, and says so.
    }
}

const std::vector<CatalogueFile::SortIndexes>& CatalogueFile::sortIndexes()
{
    static const std::vector<SortIndexes> indexes{
        {"Movies", {"Title", "Category", "Media_type", "M_no", "Year"}},
        {"Music", {"Artist", "Title", "Category", "Media_type", "Year"}},
        {"Books", {"Title", "Author", "Category", "Year", "Publishers"}},
        {"Programs", {"Name", "Category", "Media_type", "M_no"}},
        {"AddressBook", {"L_Name", "Category"}},
    };
    return indexes;
}

std::vector<CatalogueFile::LargeTableIndex> CatalogueFile::largeTableIndexes()
{
    std::vector<LargeTableIndex> out;
    for (const SortIndexes& t : sortIndexes()) {
        const QString table = QLatin1String(t.table);
        for (const char* c : t.columns) {
            const QString column = QLatin1String(c);
            out.push_back(
                {table, table, IndexNames::stored(table, column), QLatin1Char('[') + column + QLatin1Char(']')});
        }
    }
    // For the statistics. The cast's names with their movies, so that a folder's actors are
    // counted along the index; the dates acquired and playing times compare their stored bytes
    // (no collation), so they neither depend on the catalogue's text rule nor shut out a program
    // without it.
    static const struct
    {
        const char* folder;
        const char* table;
        const char* name;
        const char* columns;
    } statistics[]{
        {"Movies", "Mv_Cast", "Name", "[Name], [P_Id]"}, {"Movies", "Movies", "Director", "[Director]"},
        {"Movies", "Movies", "Date_aq", "[Date_aq]"},    {"Movies", "Movies", "Tot_time", "[Tot_time] COLLATE BINARY"},
        {"Music", "Music", "Date_aq", "[Date_aq]"},      {"Music", "Music", "Tot_time", "[Tot_time] COLLATE BINARY"},
        {"Books", "Books", "Date_aq", "[Date_aq]"},      {"Programs", "Programs", "Date_aq", "[Date_aq]"},
        {"Programs", "Programs", "Year", "[Year]"},
    };
    for (const auto& s : statistics) {
        const QString table = QLatin1String(s.table);
        out.push_back({QLatin1String(s.folder), table, IndexNames::stored(table, QLatin1String(s.name)),
                       QLatin1String(s.columns)});
    }
    return out;
}

void CatalogueFile::makeDurable(sqlite3* db)
{
    // A post the user saw succeed must survive a power cut: the rollback journal keeps the
    // catalogue one file that can be copied as a backup, and EXTRA also syncs the folder once
    // the journal is gone, which is the moment of the commit. A catalogue that another
    // program turned into WAL mode and that cannot be turned back stays durable under EXTRA.
    if (sqlite3_db_readonly(db, "main") != 1)
        sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    SqliteStatement::exec(db, QStringLiteral("PRAGMA synchronous = EXTRA"));
}

void CatalogueFile::distrustSchema(sqlite3* db)
{
    // A catalogue may come from anybody: its schema (triggers, views, defaults) may call only
    // harmless functions, and nothing may write the schema or shadow tables behind SQL's back.
    SqliteStatement::check(db, sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr));
    SqliteStatement::check(db, sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr));
}

sqlite3* CatalogueFile::open(const QString& path, const QString& password)
{
    checkPath(path);
    // A journal left by a copy of the program that stopped while saving means the file is
    // half-written until SQLite has put it back, which it does on the first read below.
    const bool hotJournal = QFileInfo(path + QStringLiteral("-journal")).size() > 0;
    if (!hotJournal)
        checkHeader(path);

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX, nullptr);
    Handle db(raw);
    if (rc != SQLITE_OK) {
        const QString why = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        throw EEngineError(QStringLiteral("Could not open file '%1' (%2)").arg(native(path), why), rc);
    }
    sqlite3_busy_timeout(db.get(), 1000);
    sqlite3_extended_result_codes(db.get(), 1);
    distrustSchema(db.get());
    SqliteFunctions::install(db.get());
    checkCatalogue(db.get(), path, password);
    if (hotJournal)
        checkHeader(path);
    makeDurable(db.get());
    // Pages of the file that are mapped count as the program's own memory for as long as it
    // runs, and a folder sorted along an index touches few pages anyway: the file is read
    // through a page cache of bounded size instead.
    SqliteStatement::exec(db.get(), QStringLiteral("PRAGMA cache_size = -16384; PRAGMA mmap_size = 0"));
    CatalogueUpgrade(db.get(), path).run();
    return db.release();
}
