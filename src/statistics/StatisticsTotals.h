#pragma once

#include <QMetaType>
#include <QString>
#include <optional>

// The figures said in words above the charts.
struct StatisticsTotals
{
    qint64 items = 0;
    qint64 categories = 0; // distinct categories the items have, as the catalogue compares them
    struct Dated
    {
        int year = 0;
        QString title;
    };
    std::optional<Dated> oldest; // by year
    std::optional<Dated> newest;
    // Playing time, where the folder has it: seconds over the items whose time could be read.
    bool hasPlayingTime = false;
    qint64 playingSeconds = 0;
    qint64 timedItems = 0;

    // The totals as one sentence a user reads.
    QString text() const;
};

Q_DECLARE_METATYPE(StatisticsTotals)
