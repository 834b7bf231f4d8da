#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct sqlite3;

// What an opening does once to a writable catalogue before anything reads it: the indexes kept
// in the catalogue's collation rebuilt when this build orders text differently, and the sort
// indexes of large folders (CatalogueFile::largeTableIndexes: the sort indexes and those the
// statistics count along) built where they are missing.
//
// Each sort index is built and committed on its own, so the work can stop between two of them
// (the user closed its progress window, the program was ended) and go on at the next writable
// opening; a folder whose index is missing reads unsorted and sorts as it reads. A copy of the
// catalogue is made once per upgrade, before its first step: an upgrade left unfinished records
// its copy in kolt_meta, and its later openings make no other one while that copy is there.
class CatalogueUpgrade
{
public:
    // How far the work is, in percent; false asks it to stop as soon as it can. Called often,
    // from whatever thread the runner does the work on.
    using Progress = std::function<bool(int percent)>;
    using Work = std::function<void(const Progress& progress)>;
    // Does `work` and returns once it has ended (the program does it on a thread of its own,
    // behind a progress window titled `label`). Without one, the work is done where it is asked.
    using Runner = std::function<void(const QString& label, const Work& work)>;
    // Told the catalogue's path while the file is as it was, and the name of the copy made for
    // this same unfinished upgrade at an earlier opening (empty when none): returns the name of
    // the copy that stands for the upgrade now (the earlier one, a new one, or empty for none).
    // What it raises is its own affair: the upgrade goes on without a copy.
    using BeforeUpgrade = std::function<QString(const QString& path, const QString& earlierCopy)>;

    static void setRunner(Runner runner);
    static void setBeforeUpgrade(BeforeUpgrade hook);

    // The key of kolt_meta naming the copy made for an unfinished upgrade.
    static constexpr const char* kCopyKey = "upgrade_copy";
    // Shown over the work of building the sort indexes.
    static constexpr const char* kLabel = "Preparing the catalogue for fast sorting";

    CatalogueUpgrade(sqlite3* db, const QString& path);

    // Raises EEngineError only when the collation's indexes needed rebuilding and could not be
    // rebuilt (the catalogue cannot be changed safely then); anything else that stops the work
    // leaves the catalogue as the finished steps left it.
    void run();

    // The indexes a writable opening would build now, as "CREATE INDEX" statements.
    QStringList missingIndexes() const;

private:
    struct Pending
    {
        QString sql;
        qint64 rows = 0;
    };
    std::vector<Pending> pending() const;
    bool collationStale() const;
    bool fileIsFree() const;
    QString metaValue(const char* key) const;
    void setMeta(const char* key, const QString& value) const;
    void rebuildForCollation();
    void build(std::vector<Pending> work);
    void buildAll(const std::vector<Pending>& work, const Progress& progress);
    QString copyBeforeUpgrade(const QString& earlier) const;

    sqlite3* m_db;
    QString m_path;
};
