#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One song of an album as a file gives it.
struct SongEntry
{
    int track = 0;
    QString title;
    QString time;
};

// A movie's cast or an album's songs in one column of a file: names separated by "; ",
// songs as "1. Title (3:45)".
class DetailText
{
public:
    static QString castText(const QStringList& names);
    static QStringList readCast(const QString& text);
    static QString songText(const SongEntry& song);
    static QString songsText(const std::vector<SongEntry>& songs);
    // A song without a number takes the place it has in the list; only a time of digits in
    // brackets at the end is its time ("Song (Live)" is a title); an entry without a title
    // is left out.
    static std::vector<SongEntry> readSongs(const QString& text);
};
