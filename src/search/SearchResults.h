#pragma once

#include <QList>
#include <QString>
#include <utility>
#include <vector>

// What one search found: per folder, how many items match and the first of them, each with
// its title, the field it matched in and a short piece of that field with the words marked.
struct SearchHit
{
    qint64 id = 0;
    QString title;
    QString subtitle;
    QString field;                                // caption of the field that matched
    QString snippet;                              // a piece of that field's text, on one line
    QList<std::pair<qsizetype, qsizetype>> marks; // ranges of the snippet to highlight
};

struct SearchFolderResult
{
    int folder = 0;
    qint64 count = 0;            // -1: not counted yet (more than the hits)
    std::vector<SearchHit> hits; // the first ones, in key order
};

struct SearchResults
{
    bool counted() const
    {
        for (const SearchFolderResult& f : folders) {
            if (f.count < 0)
                return false;
        }
        return true;
    }

    std::vector<SearchFolderResult> folders; // every folder, in folder order
    bool fromIndex = true;                   // false: the tables were read (no current index)
    bool indexWentWrong = false;             // the index gave an item it should not have: stale

    // Items found; at least that many while counts are missing.
    qint64 total() const
    {
        qint64 n = 0;
        for (const SearchFolderResult& f : folders)
            n += f.count >= 0 ? f.count : qint64(f.hits.size());
        return n;
    }
};
