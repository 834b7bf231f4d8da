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
// from the catalogue and tested again before it is shown: the index knows only which words an
// item has, and an item changed since it was built may have lost some. An item the index
// should not have given shows that it went wrong behind the program's back: it is set aside
// and the tables read.
class CatalogueSearch
{
public:
    // On the program's connection: `index` may be null (no index: the tables are read).
    CatalogueSearch(sqlite3* db, SearchIndex* index);
    // On a connection of its own, inside a read transaction: `indexCurrent` when the index is
    // known to hold what that transaction reads (see SearchIndex::currentAt()).
    CatalogueSearch(sqlite3* db, bool indexCurrent);

    static constexpr int kFirstHits = 50;
    // The most items a count reads to check a phrase or a field name on them: more, and the
    // folder's count is left unknown ("more than" its first page).
    static constexpr qint64 kMostTested = 5000;
    // The most items tried along the list of a beginning's first two letters (see
    // SearchQuery::broadIndexExpression) before the exact list is read.
    static constexpr int kBroadTests = 300;
    // Items read from the tables by one statement.
    static constexpr int kScanSlice = 2000;

    // Raises EEngineError when the catalogue cannot be read. A search stopped through
    // `cancel` returns what it has. Without `counting`, a folder whose first page is full
    // through the index has its count left unknown (-1), for countRest() to fill: counting
    // a word found in a million items takes longer than finding its first ones. A count may
    // stay unknown after countRest() too (see kMostTested).
    SearchResults run(const SearchQuery& query, int firstHits = kFirstHits, const std::atomic_bool* cancel = nullptr,
                      bool counting = true);
    void countRest(const SearchQuery& query, SearchResults& results, const std::atomic_bool* cancel = nullptr);

    static SearchHit hit(const SearchQuery& query, const SearchFolder& folder, const SearchDocument& document);

private:
    bool indexUsable();
    void indexWentWrong(SearchResults& results);
    // False when the index went wrong (`out` is then to be filled from the tables).
    bool searchIndex(const SearchQuery& query, const SearchFolder& folder, int firstHits, bool counting,
                     SearchFolderResult& out, const std::atomic_bool* cancel, SearchResults& results);
    // -1 when not counted: stopped, or too many items to check.
    qint64 countIndex(const SearchQuery& query, const SearchFolder& folder, const std::atomic_bool* cancel);
    // Without `counting`, stops once the first page is full (the count is then unknown).
    void scanTables(const SearchQuery& query, const SearchFolder& folder, int firstHits, SearchFolderResult& out,
                    const std::atomic_bool* cancel, bool counting);

    sqlite3* m_db;
    SearchIndex* m_index = nullptr;
    bool m_indexCurrent = false;
};
