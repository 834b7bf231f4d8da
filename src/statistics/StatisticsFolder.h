#pragma once

#include <QString>
#include <vector>

// What the statistics know of one folder's table: which columns it has to count by. The
// folders come in the main window's order (0 Movies, 1 Music, 2 Books, 3 Programs,
// 4 Address Book).
struct StatisticsFolder
{
    // A list of people counted by the items they appear in: a column of the folder's table,
    // or a name column of a table whose P_Id points at the item (the cast).
    struct People
    {
        QString id;    // names the chart: "actors", "directors", ...
        QString title; // the chart's title
        QString table; // empty: the folder's own table
        QString column;
    };
    // How the folder writes playing time.
    enum class PlayingTime { None, HoursMinutes, MinutesSeconds };

    int index = 0;
    QString caption;
    QString table;
    QString titleColumn;
    bool hasYear = false;
    bool hasMedia = false;
    bool hasAcquired = false;
    PlayingTime playingTime = PlayingTime::None;
    std::vector<People> people;

    static const std::vector<StatisticsFolder>& all();
    static constexpr int kCount = 5;
};
