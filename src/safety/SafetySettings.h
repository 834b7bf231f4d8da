#pragma once

#include <QString>

// How the safety net behaves for one catalogue: kept in a small settings file in the
// catalogue's folder, never in the catalogue file, so that a restored copy never brings
// other settings with it.
struct SafetySettings
{
    bool backupsOn = true;
    int backupsKept = 10; // the newest ones, besides one a week for kWeeksKept weeks
    QString backupFolder; // empty: "Backups" beside the catalogue
    bool trashOn = true;
    int trashDays = 30;

    static constexpr int kWeeksKept = 8;
    static constexpr const char* kFileName = "tarvena-safety.ini";

    // The settings kept beside `cataloguePath`, or the defaults.
    static SafetySettings load(const QString& cataloguePath);
    // Raises EDatabaseError when the file cannot be written.
    void save(const QString& cataloguePath) const;
    // The folder the backups of `cataloguePath` go to.
    QString backupDirectory(const QString& cataloguePath) const;
};
