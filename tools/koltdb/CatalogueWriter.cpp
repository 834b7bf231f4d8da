#include "CatalogueWriter.h"

#include "CatalogueFile.h"
#include "CatalogueSchemaSql.h"
#include "EDatabaseError.h"
#include "PasswordVerifier.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TextFold.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <sqlite3.h>

namespace {

void putMeta(sqlite3* db, const QString& key, const QString& value)
{
    SqliteStatement stmt(db, QStringLiteral("INSERT OR REPLACE INTO kolt_meta (key, value) VALUES (?1, ?2)"));
    stmt.bindText(1, key);
    stmt.bindText(2, value);
    stmt.execute();
}

void writeLayout(const QString& path, const QString& password)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                   nullptr);
    struct Closer
    {
        sqlite3* db;
        ~Closer() { sqlite3_close_v2(db); }
    } closer{db};
    if (rc != SQLITE_OK)
        throw EDatabaseError(QStringLiteral("Cannot create '%1': %2").arg(path, QString::fromUtf8(sqlite3_errstr(rc))));
    SqliteFunctions::install(db);
    SqliteStatement::exec(db, QStringLiteral("BEGIN"));
    SqliteStatement::exec(db, QString::fromUtf8(kCatalogueSchemaSql));
    const PasswordVerifier::Record record = PasswordVerifier::make(password);
    putMeta(db, QLatin1String(CatalogueFile::kFormatKey), QLatin1String(CatalogueFile::kFormatValue));
    putMeta(db, QLatin1String(CatalogueFile::kSaltKey), QString::fromLatin1(record.salt));
    putMeta(db, QLatin1String(CatalogueFile::kDigestKey), QString::fromLatin1(record.digest));
    putMeta(db, QLatin1String(CatalogueFile::kRoundsKey), QString::number(record.rounds));
    putMeta(db, QLatin1String(CatalogueFile::kCollationKey), TextFold::version());
    SqliteStatement::exec(db, QStringLiteral("COMMIT"));
}

} // namespace

void CatalogueWriter::create(const QString& path, const QString& password)
{
    const QFileInfo target(path);
    if (target.exists())
        throw EDatabaseError(QStringLiteral("'%1' already exists; a catalogue is never overwritten").arg(path));
    QDir().mkpath(target.absolutePath());

    QTemporaryFile scratch(target.absolutePath() + QStringLiteral("/.koltDB-XXXXXX"));
    if (!scratch.open())
        throw EDatabaseError(
            QStringLiteral("Cannot write in '%1': %2").arg(target.absolutePath(), scratch.errorString()));
    scratch.close();
    writeLayout(scratch.fileName(), password);
    // QFile::rename refuses to replace an existing file, so a catalogue that appeared
    // meanwhile is left alone too.
    if (!QFile::rename(scratch.fileName(), path))
        throw EDatabaseError(QStringLiteral("Cannot create '%1'").arg(path));
    scratch.setAutoRemove(false);
}
