#include "CatalogueSearch.h"

#include "SearchDocument.h"
#include "SearchFolder.h"
#include "SearchIndex.h"

namespace {

constexpr qsizetype kSnippetLength = 90;
constexpr qsizetype kLeadIn = 30;

// A piece of `text` around its first mark, on one line, with the marks moved along.
void cut(const QString& text, const SearchQuery::Ranges& marks, SearchHit& hit)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    if (text.size() > kSnippetLength && !marks.isEmpty()) {
        start = std::max<qsizetype>(0, marks.first().first - kLeadIn);
        // Begin at a word: back to the blank before.
        while (start > 0 && !text[start - 1].isSpace())
            --start;
        if (marks.first().first - start > kLeadIn * 2)
            start = marks.first().first - kLeadIn;
        end = std::min<qsizetype>(text.size(), start + kSnippetLength);
    } else if (text.size() > kSnippetLength) {
        end = kSnippetLength;
    }
    QString piece = text.mid(start, end - start);
    for (QChar& c : piece) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    const QString before = start > 0 ? QStringLiteral("…") : QString();
    const QString after = end < text.size() ? QStringLiteral("…") : QString();
    hit.snippet = before + piece + after;
    for (const auto& [from, to] : marks) {
        const qsizetype a = std::max(from, start), b = std::min(to, end);
        if (a < b)
            hit.marks.append({a - start + before.size(), b - start + before.size()});
    }
}

} // namespace

CatalogueSearch::CatalogueSearch(sqlite3* db, SearchIndex* index)
    : m_db(db)
    , m_index(index)
{
}

CatalogueSearch::CatalogueSearch(sqlite3* db, bool indexCurrent)
    : m_db(db)
    , m_indexCurrent(indexCurrent)
{
}

bool CatalogueSearch::indexUsable()
{
    return m_index ? m_index->isCurrent() : m_indexCurrent;
}

void CatalogueSearch::indexWentWrong(SearchResults& results)
{
    results.indexWentWrong = true;
    m_indexCurrent = false;
    if (m_index)
        m_index->markStale();
}

SearchHit CatalogueSearch::hit(const SearchQuery& query, const SearchFolder& folder, const SearchDocument& document)
{
    SearchHit hit;
    hit.id = document.id;
    hit.title = document.title;
    hit.subtitle = document.subtitle;
    const std::optional<SearchQuery::Place> place = query.firstPlace(folder, document);
    if (!place)
        return hit;
    hit.field = folder.indexColumns().at(size_t(place->column))->caption;
    const QString& text = document.columns.at(size_t(place->column)).at(size_t(place->value)).text;
    cut(text, place->marks, hit);
    return hit;
}

SearchResults CatalogueSearch::run(const SearchQuery& query, int firstHits, const std::atomic_bool* cancel,
                                   bool counting)
{
    SearchResults results;
    for (const SearchFolder& folder : SearchFolder::all()) {
        SearchFolderResult result;
        result.folder = folder.index;
        results.folders.push_back(result);
    }
    if (query.isEmpty())
        return results;
    for (const SearchFolder& folder : SearchFolder::all()) {
        if (cancel && *cancel)
            break;
        SearchFolderResult& out = results.folders[size_t(folder.index)];
        if (!query.indexExpression(folder))
            continue; // names a field this folder lacks
        if (indexUsable() && searchIndex(query, folder, firstHits, counting, out, cancel, results))
            continue;
        results.fromIndex = false;
        out.count = 0;
        out.hits.clear();
        scanTables(query, folder, firstHits, out, cancel, counting);
    }
    return results;
}

bool CatalogueSearch::searchIndex(const SearchQuery& query, const SearchFolder& folder, int firstHits, bool counting,
                                  SearchFolderResult& out, const std::atomic_bool* cancel, SearchResults& results)
{
    SearchDocumentReader reader(m_db, folder);
    auto take = [&](qint64 id) {
        const std::optional<SearchDocument> document = reader.read(id);
        if (!document || !query.matches(folder, *document))
            return false;
        out.hits.push_back(hit(query, folder, *document));
        return true;
    };
    auto finish = [&](bool more) {
        if (!more)
            out.count = qint64(out.hits.size()); // every item the index gave was tested
        else
            out.count = counting ? countIndex(query, folder, cancel) : -1;
        return true;
    };
    // A beginning being typed: first along the list of its first two letters, which a common
    // beginning fills with items that match; a rare one, once a few hundred did not, the exact
    // way, from where that left off.
    qint64 after = 0;
    if (const std::optional<QString> broad = query.broadIndexExpression(folder)) {
        SqliteStatement candidates = SearchIndex::candidates(m_db, folder.index, *broad);
        int tested = 0;
        bool more = false;
        while ((more = candidates.step())) {
            if (int(out.hits.size()) >= firstHits || (cancel && *cancel))
                return finish(true);
            if (++tested > kBroadTests)
                break;
            after = candidates.columnInt64(0);
            take(after);
        }
        if (!more)
            return finish(false);
    }
    const bool exact = query.indexIsExact();
    SqliteStatement candidates = SearchIndex::candidates(m_db, folder.index, *query.indexExpression(folder), after);
    bool more = false;
    while ((more = candidates.step())) {
        if (int(out.hits.size()) >= firstHits || (cancel && *cancel))
            break;
        const qint64 id = candidates.columnInt64(0);
        if (take(id))
            continue;
        // Has the words, not in the order or the field asked for; or lost them since the build.
        if (!exact || SearchIndex::isChanged(m_db, folder.index, id))
            continue;
        indexWentWrong(results);
        return false;
    }
    return finish(more);
}

qint64 CatalogueSearch::countIndex(const SearchQuery& query, const SearchFolder& folder, const std::atomic_bool* cancel)
{
    const QString expression = *query.indexExpression(folder);
    SearchDocumentReader reader(m_db, folder);
    auto matches = [&](qint64 id) {
        const std::optional<SearchDocument> document = reader.read(id);
        return document && query.matches(folder, *document);
    };
    if (query.indexIsExact()) {
        // Every item the index gives matches, but for those changed since the build.
        qint64 n = SearchIndex::count(m_db, folder.index, expression);
        for (const qint64 id : SearchIndex::changedCandidates(m_db, folder.index, expression)) {
            if (!matches(id))
                --n;
        }
        return n;
    }
    // Phrases and field names are checked on each item: up to a point, beyond which the
    // folder shows "more than" its first page.
    qint64 n = 0;
    qint64 tested = 0;
    SqliteStatement candidates = SearchIndex::candidates(m_db, folder.index, expression);
    while (candidates.step()) {
        if ((cancel && *cancel) || ++tested > kMostTested)
            return -1;
        if (matches(candidates.columnInt64(0)))
            ++n;
    }
    return n;
}

void CatalogueSearch::countRest(const SearchQuery& query, SearchResults& results, const std::atomic_bool* cancel)
{
    for (SearchFolderResult& f : results.folders) {
        if (f.count >= 0)
            continue;
        if (cancel && *cancel)
            return;
        const SearchFolder& folder = SearchFolder::at(f.folder);
        if (indexUsable()) {
            f.count = countIndex(query, folder, cancel); // may stay unknown
            continue;
        }
        SearchFolderResult again;
        again.folder = f.folder;
        scanTables(query, folder, 0, again, cancel, true);
        if (cancel && *cancel)
            return;
        f.count = again.count;
    }
}

void CatalogueSearch::scanTables(const SearchQuery& query, const SearchFolder& folder, int firstHits,
                                 SearchFolderResult& out, const std::atomic_bool* cancel, bool counting)
{
    // A slice of items at a time, each read by a statement of its own: outside a transaction,
    // the file is free between slices for the program's own saves.
    SearchDocumentReader reader(m_db, folder);
    qint64 after = 0;
    bool done = false;
    while (!done) {
        int inSlice = 0;
        done = true;
        reader.scanTexts(
            [&](SearchItemTexts&& item) {
                if (cancel && *cancel)
                    return false;
                if (++inSlice > kScanSlice) {
                    done = false;
                    return false;
                }
                after = item.id;
                const SearchDocument document = SearchDocument::make(folder, item);
                if (!query.matches(folder, document))
                    return true;
                if (!counting && int(out.hits.size()) >= firstHits) {
                    out.count = -1; // more than the page: counted later
                    return false;
                }
                ++out.count;
                if (int(out.hits.size()) < firstHits)
                    out.hits.push_back(hit(query, folder, document));
                return true;
            },
            after);
    }
}
