#pragma once

#include <QByteArray>
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
    // The folded words of `text` added to `out`, blank separated, as the index stores them:
    // the same words as words() gives, without keeping where each one came from.
    static void appendFolded(QStringView text, QString& out);
    // The same for a text in UTF-8, which is read as it is when all of it is ASCII.
    static void appendFolded(const QByteArray& utf8, QString& out);
};
