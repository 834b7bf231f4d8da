#pragma once

#include <QString>

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

private:
    static void checkPath(const QString& path);
    static void checkHeader(const QString& path);
    static void checkCatalogue(sqlite3* db, const QString& path, const QString& password);
    static void refreshIndexesIfNeeded(sqlite3* db, const QString& path);
    static void makeDurable(sqlite3* db);
    static void distrustSchema(sqlite3* db);
};
