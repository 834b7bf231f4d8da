#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

struct SearchDocument;
struct SearchFolder;

// What the user typed into "Search everywhere", read as people mean it: every word must occur
// somewhere in the item, in any letter case and with or without accents; the last word is
// still being typed and matches the beginning of a word; words in double quotes must follow
// one another; "cast:anna" or "year:1984" looks in one field only. Nothing typed is syntax:
// a quote that is not closed, an asterisk or a field name that no folder has is read as text.
class SearchQuery
{
public:
    struct Term
    {
        QString field;       // as typed before ":", lower case; empty: any field
        QStringList words;   // folded, in order; they must follow one another
        bool prefix = false; // the last word may be the beginning of a longer one
    };

    static SearchQuery parse(const QString& typed);

    const std::vector<Term>& terms() const { return m_terms; }
    bool isEmpty() const { return m_terms.empty(); }

    // The full-text MATCH expression for a folder's index, every word quoted. Nothing when no
    // item of the folder can match (it lacks a field the search names). The index knows words
    // only: it finds every item that has all of them, and matches() tells which of those have
    // the phrases in order and in the fields named.
    std::optional<QString> indexExpression(const SearchFolder& folder) const;
    // True when every item the index finds matches: no phrase of two words or more, no field.
    bool indexIsExact() const;
    // The same expression with the beginning being typed cut to its first two letters, which
    // the index keeps a list of its own for: it finds more items, but in key order without
    // gathering every word that begins so first (what makes a common beginning slow). Nothing
    // when there is no beginning of three letters or more.
    std::optional<QString> broadIndexExpression(const SearchFolder& folder) const;

    // The same test on an item read from the catalogue.
    bool matches(const SearchFolder& folder, const SearchDocument& document) const;

    // Where the words of the search are in one value of a column (for highlighting): ranges
    // of the value's text, in order, not overlapping.
    using Ranges = QList<std::pair<qsizetype, qsizetype>>;
    // The first column (in the folder's order) where a term matches, the value there and its
    // marked ranges; nothing when no column matches.
    struct Place
    {
        int column = -1;
        int value = -1;
        Ranges marks;
    };
    std::optional<Place> firstPlace(const SearchFolder& folder, const SearchDocument& document) const;

private:
    bool termMatchesColumn(const Term& term, const SearchFolder& folder, int column,
                           const SearchDocument& document) const;

    std::vector<Term> m_terms;
};
