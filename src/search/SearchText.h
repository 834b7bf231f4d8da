#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

// The words of a text as "Search everywhere" compares them. A word is a run of letters,
// digits and combining marks; each word is folded as the catalogue compares text for its
// first level (TextFold: no letter case, no accents, "Ł" beside "L"), so that a search and
// Find agree about what equals what. The index stores exactly these folded words, blank
// separated, and reads them with SQLite's "ascii" tokenizer, which splits at blanks and ASCII
// punctuation only and so can never split or join words differently from this class.
class SearchText
{
public:
    struct Word
    {
        QString folded;
        qsizetype start = 0; // where the word is in the original text
        qsizetype end = 0;
    };

    static std::vector<Word> words(QStringView text);
    static QStringList foldedWords(QStringView text);

    // What separates the values of a list (the cast's names, the songs) in the index: a word
    // no text can give, so that a phrase never runs from one value into the next.
    static const QString& valueBreak();
};
