#pragma once

#include "TDBGrid.h"

#include <QStringList>

// What a grid column shows, top to bottom.
inline QStringList gridColumn(TDBGrid* grid, int column)
{
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        out << grid->model()->index(r, column).data().toString();
    return out;
}
