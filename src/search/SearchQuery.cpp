#include "SearchQuery.h"

#include "SearchDocument.h"
#include "SearchFolder.h"
#include "SearchText.h"

#include <algorithm>

namespace {

bool isBlank(QChar c)
{
    return c.isSpace();
}

bool isFieldNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

QString quoted(const QStringList& words)
{
    QString inside = words.join(u' ');
    inside.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inside + u'"';
}

// Where the words of a term follow one another in a value, from `from` on: the index of the
// first word, or -1.
qsizetype findRun(const std::vector<SearchText::Word>& words, const QStringList& run, bool prefix, size_t from)
{
    const size_t n = size_t(run.size());
    if (n == 0 || words.size() < n)
        return -1;
    for (size_t i = from; i + n <= words.size(); ++i) {
        bool hit = true;
        for (size_t k = 0; k < n && hit; ++k) {
            const QString& w = words[i + k].folded;
            const bool last = k + 1 == n;
            hit = (last && prefix) ? w.startsWith(run[qsizetype(k)]) : w == run[qsizetype(k)];
        }
        if (hit)
            return qsizetype(i);
    }
    return -1;
}

} // namespace

SearchQuery SearchQuery::parse(const QString& typed)
{
    SearchQuery query;
    qsizetype i = 0;
    const qsizetype n = typed.size();
    bool lastWasBareWord = false;
    while (i < n) {
        if (isBlank(typed[i])) {
            ++i;
            continue;
        }
        Term term;
        // A field name counts only when some folder has it: "http://..." stays text.
        qsizetype nameEnd = i;
        while (nameEnd < n && isFieldNameChar(typed[nameEnd]))
            ++nameEnd;
        if (nameEnd > i && nameEnd < n && typed[nameEnd] == u':'
            && SearchFolder::isFieldName(typed.mid(i, nameEnd - i))) {
            term.field = typed.mid(i, nameEnd - i).toLower();
            i = nameEnd + 1;
        }
        bool phrase = false;
        QString text;
        if (i < n && typed[i] == u'"') {
            const qsizetype close = typed.indexOf(u'"', i + 1);
            if (close >= 0) {
                phrase = true;
                text = typed.mid(i + 1, close - i - 1);
                i = close + 1;
            } else {
                ++i; // a quote never closed is only a character
            }
        }
        if (!phrase) {
            const qsizetype start = i;
            while (i < n && !isBlank(typed[i]) && typed[i] != u'"')
                ++i;
            text = typed.mid(start, i - start);
        }
        term.words = SearchText::foldedWords(text);
        lastWasBareWord = !phrase;
        if (!term.words.isEmpty())
            query.m_terms.push_back(std::move(term));
        else if (!term.field.isEmpty() || phrase)
            lastWasBareWord = false;
    }
    // The word being typed: the last one, unless a blank or a closing quote ended it. A single
    // letter is not yet a beginning worth looking for: it would stand for a good part of every
    // word of the catalogue.
    if (!query.m_terms.empty() && lastWasBareWord && n > 0 && !isBlank(typed[n - 1])
        && query.m_terms.back().words.back().size() > 1)
        query.m_terms.back().prefix = true;
    return query;
}

std::optional<QString> SearchQuery::indexExpression(const SearchFolder& folder) const
{
    if (m_terms.empty())
        return std::nullopt;
    QStringList parts;
    for (const Term& term : m_terms) {
        if (!term.field.isEmpty() && folder.columnsNamed(term.field).isEmpty())
            return std::nullopt;
        for (qsizetype w = 0; w < term.words.size(); ++w) {
            QString part = quoted({term.words[w]});
            if (term.prefix && w + 1 == term.words.size())
                part += QStringLiteral(" *");
            parts << part;
        }
    }
    return parts.join(QStringLiteral(" AND "));
}

std::optional<QString> SearchQuery::broadIndexExpression(const SearchFolder& folder) const
{
    if (m_terms.empty() || !m_terms.back().prefix)
        return std::nullopt;
    const QString& last = m_terms.back().words.back();
    if (last.size() < 3 || last[0].isSurrogate() || last[1].isSurrogate())
        return std::nullopt;
    SearchQuery broad = *this;
    broad.m_terms.back().words.back() = last.left(2);
    return broad.indexExpression(folder);
}

bool SearchQuery::indexIsExact() const
{
    for (const Term& term : m_terms) {
        if (!term.field.isEmpty() || term.words.size() > 1)
            return false;
    }
    return true;
}

bool SearchQuery::termMatchesColumn(const Term& term, const SearchFolder& folder, int column,
                                    const SearchDocument& document) const
{
    const SearchColumn* c = folder.indexColumns().at(size_t(column));
    if (!term.field.isEmpty() && !folder.columnsNamed(term.field).contains(c->column))
        return false;
    for (const SearchDocument::Value& value : document.columns.at(size_t(column))) {
        if (findRun(value.words, term.words, term.prefix, 0) >= 0)
            return true;
    }
    return false;
}

bool SearchQuery::matches(const SearchFolder& folder, const SearchDocument& document) const
{
    if (m_terms.empty())
        return false;
    const int columns = int(document.columns.size());
    for (const Term& term : m_terms) {
        bool found = false;
        for (int c = 0; c < columns && !found; ++c)
            found = termMatchesColumn(term, folder, c, document);
        if (!found)
            return false;
    }
    return true;
}

std::optional<SearchQuery::Place> SearchQuery::firstPlace(const SearchFolder& folder,
                                                          const SearchDocument& document) const
{
    const auto columns = folder.indexColumns();
    for (int c = 0; c < int(document.columns.size()); ++c) {
        const SearchDocument::Column& column = document.columns[size_t(c)];
        for (int v = 0; v < int(column.size()); ++v) {
            const SearchDocument::Value& value = column[size_t(v)];
            Ranges marks;
            for (const Term& term : m_terms) {
                if (!term.field.isEmpty() && !folder.columnsNamed(term.field).contains(columns[size_t(c)]->column))
                    continue;
                size_t from = 0;
                qsizetype at;
                while ((at = findRun(value.words, term.words, term.prefix, from)) >= 0) {
                    const size_t last = size_t(at) + size_t(term.words.size()) - 1;
                    marks.append({value.words[size_t(at)].start, value.words[last].end});
                    from = last + 1;
                }
            }
            if (marks.isEmpty())
                continue;
            std::sort(marks.begin(), marks.end());
            Ranges merged;
            for (const auto& m : marks) {
                if (!merged.isEmpty() && m.first <= merged.back().second)
                    merged.back().second = std::max(merged.back().second, m.second);
                else
                    merged.append(m);
            }
            return Place{c, v, merged};
        }
    }
    return std::nullopt;
}
