#pragma once

#include "SearchQuery.h"
#include "SearchResults.h"

#include <atomic>

class SearchIndex;
struct sqlite3;
struct SearchDocument;
struct SearchFolder;

// Runs a search over every folder of the catalogue: through the index while it is current,
// otherwise by reading the tables (slower, never stale). Every item the index gives is read
// from the catalogue and tested again before it is shown, so an index that went wrong behind
// the program's back shows nothing that does not match: it is set aside and the tables read.
class CatalogueSearch
{
public:
    // `index` may be null (no index: the tables are read).
    CatalogueSearch(sqlite3* db, SearchIndex* index);

    static constexpr int kFirstHits = 50;

    // Raises EEngineError when the catalogue cannot be read. A search stopped through
    // `cancel` returns what it has. Without `counting`, a folder whose first page is full
    // through the index has its count left unknown (-1), for countRest() to fill: counting
    // a word found in a million items takes longer than finding its first ones.
    SearchResults run(const SearchQuery& query, int firstHits = kFirstHits, const std::atomic_bool* cancel = nullptr,
                      bool counting = true);
    void countRest(const SearchQuery& query, SearchResults& results);

    static SearchHit hit(const SearchQuery& query, const SearchFolder& folder, const SearchDocument& document);

private:
    bool searchIndex(const SearchQuery& query, const SearchFolder& folder, int firstHits, bool counting,
                     SearchFolderResult& out);
    void scanTables(const SearchQuery& query, const SearchFolder& folder, int firstHits, SearchFolderResult& out,
                    const std::atomic_bool* cancel);

    sqlite3* m_db;
    SearchIndex* m_index;
};
