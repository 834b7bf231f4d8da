#pragma once

#include <QColor>
#include <QString>

// One column of a data grid.
struct GridColumn
{
    GridColumn() = default;
    GridColumn(QString fieldName, QString titleText, int startWidth)
        : field(std::move(fieldName))
        , title(std::move(titleText))
        , width(startWidth)
    {
    }

    enum class Marker { None, Ascending, Descending };

    QString field;
    QString title;  // empty: the field's name
    int width = 64; // starting width in pixels
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor background;            // invalid: the grid's own
    bool titleButton = false;     // reacts to clicks on its title
    Marker marker = Marker::None; // sort marker drawn in its title
};
