#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// Copies of the catalogue file, made and put back with SQLite's online backup, so that a copy
// is always of a committed state of the file and a file being written is never copied as it
// lies on the disk. Failures are raised as EDatabaseError with the words the user is shown.
class CatalogueBackup
{
public:
    // Told the pages copied so far and of how many; false stops the copy (BackupCancelled).
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    // Raised when the progress said stop: nothing was left behind.
    struct Cancelled
    {
    };

    // Copies the catalogue at `cataloguePath` into `folder` (made when missing) under the name
    // of `now`, checks the copy and only then gives it its name, synced to the disk. Returns
    // the copy's path. The catalogue is only read.
    static QString make(const QString& cataloguePath, const QString& folder, const QDateTime& now,
                        const Progress& progress = {});

    // Keeps a damaged catalogue as it is in `folder`, as "koltDB-…-damaged.mdb", which is never
    // offered for restoring. Returns its path.
    static QString keepDamaged(const QString& cataloguePath, const QString& folder, const QDateTime& now);

    // What is wrong with the copy at `path`, in words; empty when it is whole and a catalogue.
    static QString problem(const QString& path);

    // Puts the copy at `backupPath` in place of the catalogue at `cataloguePath`: the file is
    // rewritten in one transaction of its own, so that it is either the old catalogue or the
    // copy, whatever happens. Refused while another program uses the catalogue file.
    static void restore(const QString& backupPath, const QString& cataloguePath);

    // Removes the copies in `folder` that rotation lets go; returns the names removed.
    static QStringList rotate(const QString& folder, const QDateTime& now, int kept, int weeks);

    // The number of items in each folder of the copy (Movies, Music, Books, Programs,
    // AddressBook, in that order).
    static std::vector<qint64> folderCounts(const QString& path);
};
