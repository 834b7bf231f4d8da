#include "CatalogueBackup.h"

#include "BackupRotation.h"
#include "EEngineError.h"
#include "SideConnection.h"
#include "SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr int kPagesPerStep = 4096;
constexpr int kBusyTries = 100; // 50 ms apart: the file may be busy for five seconds

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// Flushes a file or a folder to the disk; false when the system refused.
bool syncPath(const QString& path, bool directory)
{
    const int fd = ::open(QFile::encodeName(path).constData(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

struct BackupCloser
{
    void operator()(sqlite3_backup* b) const { sqlite3_backup_finish(b); }
};

// Copies every page of `from` into `to`, reporting as it goes. Busy files are waited for a
// while; the error of the destination is raised as it is, for the caller to word.
void copyPages(sqlite3* to, sqlite3* from, const CatalogueBackup::Progress& progress, int pagesPerStep)
{
    std::unique_ptr<sqlite3_backup, BackupCloser> backup(sqlite3_backup_init(to, "main", from, "main"));
    if (!backup)
        SqliteStatement::check(to, sqlite3_errcode(to));
    int busy = 0;
    for (;;) {
        const int rc = sqlite3_backup_step(backup.get(), pagesPerStep);
        if (EEngineError::isBusy(rc)) {
            if (++busy > kBusyTries)
                throw EEngineError(QString::fromUtf8(sqlite3_errstr(rc)), rc);
            QThread::msleep(50);
            continue;
        }
        if (rc != SQLITE_OK && rc != SQLITE_DONE) {
            backup.reset();
            SqliteStatement::check(to, sqlite3_errcode(to) != SQLITE_OK ? sqlite3_errcode(to) : rc);
            throw EEngineError(QString::fromUtf8(sqlite3_errstr(rc)), rc);
        }
        busy = 0;
        const qint64 total = sqlite3_backup_pagecount(backup.get());
        if (progress && !progress(total - sqlite3_backup_remaining(backup.get()), total))
            throw CatalogueBackup::Cancelled{};
        if (rc == SQLITE_DONE)
            break;
    }
    const int rc = sqlite3_backup_finish(backup.release());
    SqliteStatement::check(to, rc);
}

// What went wrong with a copy, in words about the copy: the engine's own texts speak of the
// catalogue, which a copy leaves as it was.
QString engineWords(const EEngineError& e)
{
    switch (e.ErrorCode() & 0xff) {
    case SQLITE_FULL:
        return QStringLiteral("the disk the copy goes to is full");
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return QStringLiteral("the file cannot be written or opened there");
    case SQLITE_IOERR:
        return QStringLiteral("the disk reported an error");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("another program kept the catalogue file busy");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("the file is damaged");
    default:
        return QString::fromUtf8(sqlite3_errstr(e.ErrorCode()));
    }
}

} // namespace

QString CatalogueBackup::make(const QString& cataloguePath, const QString& folder, const QDateTime& now,
                              const Progress& progress)
{
    if (!QDir().mkpath(folder))
        throw EDatabaseError(QStringLiteral("The catalogue could not be backed up: the folder '%1' could not be made")
                                 .arg(native(folder)));
    const QDir dir(folder);
    QDateTime when = now;
    while (QFileInfo::exists(dir.filePath(BackupRotation::fileName(when))))
        when = when.addSecs(1);
    const QString target = dir.filePath(BackupRotation::fileName(when));
    const QString part = target + QStringLiteral(".part");
    // What a copy that was stopped half-way (the program killed) left behind.
    for (const QString& left : dir.entryList({QStringLiteral("koltDB-*.mdb.part")}, QDir::Files))
        QFile::remove(dir.filePath(left));
    try {
        {
            // Opened for writing only so that a change a stopped program left half-done is
            // rolled back first; the copy itself only reads.
            SideConnection source(cataloguePath, SideConnection::Mode::ReadWrite);
            SideConnection copy(part, SideConnection::Mode::Create);
            // The copy is synced as a whole once written: a journal of its own would only double the writing.
            copy.exec(QStringLiteral("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF"));
            copyPages(copy.handle(), source.handle(), progress, kPagesPerStep);
        }
        const QString why = problem(part);
        if (!why.isEmpty())
            throw EDatabaseError(why);
        if (!syncPath(part, false) || !QFile::rename(part, target) || !syncPath(folder, true))
            throw EDatabaseError(QStringLiteral("the copy could not be written to the disk"));
    } catch (const Cancelled&) {
        QFile::remove(part);
        throw;
    } catch (const EEngineError& e) {
        QFile::remove(part);
        throw EDatabaseError(
            QStringLiteral("The catalogue could not be backed up to '%1' (%2)").arg(native(folder), engineWords(e)));
    } catch (const EDatabaseError& e) {
        QFile::remove(part);
        throw EDatabaseError(
            QStringLiteral("The catalogue could not be backed up to '%1' (%2)").arg(native(folder), e.message()));
    }
    return target;
}

QString CatalogueBackup::keepDamaged(const QString& cataloguePath, const QString& folder, const QDateTime& now)
{
    if (!QDir().mkpath(folder))
        throw EDatabaseError(
            QStringLiteral("The damaged catalogue could not be kept: the folder '%1' could not be made")
                .arg(native(folder)));
    QString target = QDir(folder).filePath(BackupRotation::fileName(now));
    target.replace(QLatin1String(".mdb"), QLatin1String("-damaged.mdb"));
    QFile::remove(target);
    try {
        SideConnection source(cataloguePath, SideConnection::Mode::ReadOnly);
        SideConnection copy(target, SideConnection::Mode::Create);
        copyPages(copy.handle(), source.handle(), {}, -1);
    } catch (const EEngineError&) {
        // Pages the engine cannot read stop its copy: the file is kept byte for byte instead.
        QFile::remove(target);
        if (!QFile::copy(cataloguePath, target))
            throw EDatabaseError(QStringLiteral("The damaged catalogue could not be kept in '%1'").arg(native(folder)));
    }
    syncPath(target, false);
    syncPath(folder, true);
    return target;
}

QString CatalogueBackup::problem(const QString& path)
{
    try {
        SideConnection copy(path, SideConnection::Mode::ReadOnly);
        // The check reads every page once: mapped, they are not copied into a page cache first.
        copy.exec(QStringLiteral("PRAGMA mmap_size = 1073741824"));
        SqliteStatement check(copy.handle(), QStringLiteral("PRAGMA quick_check"));
        QStringList faults;
        while (check.step()) {
            const QString line = check.columnText(0);
            if (line != QLatin1String("ok"))
                faults << line;
        }
        if (!faults.isEmpty())
            return QStringLiteral("the copy is damaged: %1").arg(faults.first());
        const QVariant format = copy.scalar(QStringLiteral("SELECT value FROM kolt_meta WHERE key = 'format'"));
        if (format.toString() != QLatin1String("Tarvena catalogue"))
            return QStringLiteral("the file is not a catalogue");
        return {};
    } catch (const EEngineError& e) {
        const int primary = e.ErrorCode() & 0xff;
        if (primary == SQLITE_ERROR || primary == SQLITE_NOTADB)
            return QStringLiteral("the file is not a catalogue");
        return QStringLiteral("the copy cannot be read: %1").arg(engineWords(e));
    }
}

void CatalogueBackup::restore(const QString& backupPath, const QString& cataloguePath)
{
    const QString why = problem(backupPath);
    if (!why.isEmpty())
        throw EDatabaseError(QStringLiteral("The backup '%1' cannot be restored: %2").arg(native(backupPath), why));
    try {
        SideConnection copy(backupPath, SideConnection::Mode::ReadOnly);
        SideConnection catalogue(cataloguePath, SideConnection::Mode::ReadWrite);
        sqlite3_busy_timeout(catalogue.handle(), 0);
        catalogue.exec(QStringLiteral("PRAGMA synchronous = EXTRA"));
        // All pages in one step: the catalogue is written in one transaction of its own, and
        // a step that finds it in use has changed nothing.
        copyPages(catalogue.handle(), copy.handle(), {}, -1);
    } catch (const EEngineError& e) {
        if (e.Busy())
            throw EDatabaseError(QStringLiteral("The backup was not restored: the catalogue file is in use by another "
                                                "program. Nothing was changed; close the other program and try again"));
        throw EDatabaseError(QStringLiteral("The backup '%1' could not be restored (%2). The catalogue was not changed")
                                 .arg(native(backupPath), engineWords(e)));
    }
}

QStringList CatalogueBackup::rotate(const QString& folder, const QDateTime& now, int kept, int weeks)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("koltDB-*.mdb")}, QDir::Files);
    const QStringList gone = BackupRotation::toRemove(names, now, kept, weeks);
    QStringList removed;
    for (const QString& name : gone) {
        if (dir.remove(name))
            removed << name;
    }
    return removed;
}

std::vector<qint64> CatalogueBackup::folderCounts(const QString& path)
{
    SideConnection copy(path, SideConnection::Mode::ReadOnly);
    std::vector<qint64> counts;
    for (const char* table : {"Movies", "Music", "Books", "Programs", "AddressBook"})
        counts.push_back(copy.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toLongLong());
    return counts;
}
