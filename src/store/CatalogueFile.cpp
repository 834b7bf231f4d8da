#include "CatalogueFile.h"

#include "EEngineError.h"
#include "PasswordVerifier.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TextFold.h"

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

void CatalogueFile::checkPath(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EEngineError(QStringLiteral("Could not find file '%1'").arg(native(path)), SQLITE_CANTOPEN);
    if (info.isDir())
        throw EEngineError(QStringLiteral("'%1' is a folder, not a catalogue file").arg(native(path)),
                           SQLITE_CANTOPEN);
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
    if (pageCount != 0 && changeCounter == validFor
        && quint64(file.size()) < quint64(pageCount) * pageSize)
        throw EEngineError(QStringLiteral("The catalogue file '%1' is damaged: it is shorter than its "
                                          "header says (truncated)").arg(native(path)),
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
                                   .arg(native(path), e.message()), e.ErrorCode());
        if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
            throw EEngineError(QStringLiteral("The catalogue file '%1' is damaged (%2)")
                                   .arg(native(path), e.message()), e.ErrorCode());
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

void CatalogueFile::refreshIndexesIfNeeded(sqlite3* db)
{
    // Index order follows the collation; if this build folds text differently from the one
    // that built the indexes, rebuild them before anything relies on their order.
    SqliteStatement read(db, QStringLiteral("SELECT value FROM kolt_meta WHERE key = ?1"));
    read.bindText(1, QLatin1String(kCollationKey));
    const QString stored = read.step() ? read.columnText(0) : QString();
    read.reset();
    if (stored == TextFold::version() || sqlite3_db_readonly(db, "main") == 1)
        return;
    SqliteStatement::exec(db, QStringLiteral("SAVEPOINT kolt_reindex; REINDEX %1;")
                                  .arg(QLatin1String(SqliteFunctions::kCollation)));
    SqliteStatement write(db, QStringLiteral("INSERT OR REPLACE INTO kolt_meta (key, value) VALUES (?1, ?2)"));
    write.bindText(1, QLatin1String(kCollationKey));
    write.bindText(2, TextFold::version());
    write.execute();
    SqliteStatement::exec(db, QStringLiteral("RELEASE kolt_reindex;"));
}

sqlite3* CatalogueFile::open(const QString& path, const QString& password)
{
    checkPath(path);
    checkHeader(path);

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE, nullptr);
    Handle db(raw);
    if (rc != SQLITE_OK) {
        const QString why = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        throw EEngineError(QStringLiteral("Could not open file '%1' (%2)").arg(native(path), why), rc);
    }
    sqlite3_busy_timeout(db.get(), 1000);
    sqlite3_extended_result_codes(db.get(), 1);
    SqliteFunctions::install(db.get());
    checkCatalogue(db.get(), path, password);
    SqliteStatement::exec(db.get(), QStringLiteral("PRAGMA cache_size = -16384; PRAGMA mmap_size = 268435456"));
    try {
        refreshIndexesIfNeeded(db.get());
    } catch (const EEngineError&) {
        // A file we may not write keeps its indexes; the catalogue is still readable.
        sqlite3_exec(db.get(), "ROLLBACK TO kolt_reindex; RELEASE kolt_reindex;", nullptr, nullptr, nullptr);
    }
    return db.release();
}
