#pragma once

#include <QVariant>

// Marks other parts of the program put in a grid's record indicator column, beside the
// indicator itself: an icon (Qt::DecorationRole) and its tip (Qt::ToolTipRole) per row. Asked
// for the rows in view at every paint, so an answer must come from what is kept in memory.
class GridRowMarks
{
public:
    virtual ~GridRowMarks() = default;
    virtual QVariant rowMark(int row, int role) const = 0;
};
