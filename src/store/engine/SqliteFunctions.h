#pragma once

struct sqlite3;

// Installs the catalogue's text rules on a connection: the collation "KOLT" that every text
// column of the catalogue declares, LIKE with the same case rule, and the pattern functions
// that searches and filters use.
class SqliteFunctions
{
public:
    static constexpr const char* kCollation = "KOLT";
    static void install(sqlite3* db);
};
