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
        SearchFolderResult& out = results.folders[size_t(folder.index)];
        if (!query.indexExpression(folder))
            continue; // names a field this folder lacks
        if (m_index && m_index->isCurrent() && searchIndex(query, folder, firstHits, counting, out))
            continue;
        results.fromIndex = false;
        out.count = 0;
        out.hits.clear();
        scanTables(query, folder, firstHits, out, cancel);
        if (cancel && *cancel)
            break;
    }
    return results;
}

bool CatalogueSearch::searchIndex(const SearchQuery& query, const SearchFolder& folder, int firstHits, bool counting,
                                  SearchFolderResult& out)
{
    const QString expression = *query.indexExpression(folder);
    const std::vector<qint64> keys = m_index->keys(folder.index, expression, firstHits);
    SearchDocumentReader reader(m_db, folder);
    for (const qint64 id : keys) {
        const std::optional<SearchDocument> document = reader.read(id);
        if (!document || !query.matches(folder, *document)) {
            m_index->markStale();
            return false;
        }
        out.hits.push_back(hit(query, folder, *document));
    }
    if (qint64(keys.size()) < firstHits)
        out.count = qint64(keys.size());
    else
        out.count = counting ? m_index->count(folder.index, expression) : -1;
    return true;
}

void CatalogueSearch::countRest(const SearchQuery& query, SearchResults& results)
{
    for (SearchFolderResult& f : results.folders) {
        if (f.count >= 0)
            continue;
        const SearchFolder& folder = SearchFolder::at(f.folder);
        if (m_index && m_index->isCurrent()) {
            f.count = m_index->count(f.folder, *query.indexExpression(folder));
            continue;
        }
        SearchFolderResult again;
        again.folder = f.folder;
        scanTables(query, folder, 0, again, nullptr);
        f.count = again.count;
    }
}

void CatalogueSearch::scanTables(const SearchQuery& query, const SearchFolder& folder, int firstHits,
                                 SearchFolderResult& out, const std::atomic_bool* cancel)
{
    SearchDocumentReader reader(m_db, folder);
    reader.scan([&](const SearchDocument& document) {
        if (cancel && *cancel)
            return false;
        if (!query.matches(folder, document))
            return true;
        ++out.count;
        if (int(out.hits.size()) < firstHits)
            out.hits.push_back(hit(query, folder, document));
        return true;
    });
}
