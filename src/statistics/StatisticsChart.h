#pragma once

#include <QMetaType>
#include <QString>
#include <vector>

// The values of one chart, as counted: what the window draws and what its table reads out.
struct StatisticsChart
{
    enum class Shape { HorizontalBars, Histogram, Bars, Line };

    struct Entry
    {
        QString label;
        qint64 value = 0;
        // The category a click on the bar filters the folder to; empty where there is none
        // (items without a category, the folded rest).
        QString category;
    };

    QString id; // "categories", "decades", "media", "growth" or a list of people
    QString title;
    QString labelHeader; // the first column of its table
    QString valueHeader; // the second column
    Shape shape = Shape::Bars;
    std::vector<Entry> entries;

    // A chart with its headings and no values yet.
    static StatisticsChart headed(QString id, QString title, QString labelHeader, QString valueHeader, Shape shape)
    {
        StatisticsChart chart;
        chart.id = std::move(id);
        chart.title = std::move(title);
        chart.labelHeader = std::move(labelHeader);
        chart.valueHeader = std::move(valueHeader);
        chart.shape = shape;
        return chart;
    }
};

Q_DECLARE_METATYPE(StatisticsChart)
