#pragma once

#include <QString>
#include <functional>
#include <vector>

struct sqlite3;

// Opens a catalogue file and makes sure it is one: an SQLite file of ours, whole, with the
// right password. The file is read, never changed, until the checks have passed.
class CatalogueFile
{
public:
    // Keys of the table kolt_meta.
    static constexpr const char* kFormatKey = "format";
    static constexpr const char* kFormatValue = "Tarvena catalogue";
    static constexpr const char* kSaltKey = "password_salt";
    static constexpr const char* kDigestKey = "password_digest";
    static constexpr const char* kRoundsKey = "password_rounds";
    static constexpr const char* kCollationKey = "collation";

    // Returns an open handle, or raises EEngineError with a message the user can act on.
    static sqlite3* open(const QString& path, const QString& password);

    // Works out the password's digest for the catalogue at `path` before it is opened, on any
    // thread: the opening then finds it worked out and does not stretch the password again.
    // Never raises; a file that cannot be read is left for the opening to report.
    static void checkAhead(const QString& path, const QString& password) noexcept;

    // The file change counter of the header at `path` (bytes 24 to 27): every commit to the
    // file, by any program, moves it on. -1 when the file cannot be read.
    static qint64 changeCounter(const QString& path);

    // The indexes a folder's table gets once it holds many items: one on each column its grid
    // sorts by and on its category, in the column's own collation, stored as "<table>$<column>".
    // A folder sorted by such a column is read along the index instead of being sorted whole.
    // The list is also the one list of the columns a folder's grid can sort by.
    // A small table goes without: sorting it costs little, while every index costs each post
    // and, being in the catalogue's collation, shuts out programs that lack the collation.
    struct SortIndexes
    {
        const char* table;
        std::vector<const char*> columns;
    };
    static const std::vector<SortIndexes>& sortIndexes();
    // Everything a folder's table and its detail table get once the folder holds many items:
    // the sort indexes above, and the indexes the statistics count along (a folder's people,
    // its dates acquired and playing times in their stored bytes, the programs' years), which
    // change no grid's sorting.
    struct LargeTableIndex
    {
        QString folder;  // the folder's table, whose size decides
        QString table;   // the table indexed: the folder's own or its detail table
        QString name;    // as stored, "<table>$<name>"
        QString columns; // as written in CREATE INDEX, each column in brackets
    };
    static std::vector<LargeTableIndex> largeTableIndexes();
    // From this many rows on (as the highest key tells), a table is given its indexes when the
    // catalogue is opened for writing.
    static constexpr qint64 kIndexedFrom = 10000;

private:
    static void checkPath(const QString& path);
    static void checkHeader(const QString& path);
    static void checkCatalogue(sqlite3* db, const QString& path, const QString& password);
    static void makeDurable(sqlite3* db);
    static void distrustSchema(sqlite3* db);
};
