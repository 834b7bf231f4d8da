#pragma once

#include "CellText.h"
#include "ReportDefinition.h"

#include <vector>

class TDAODataset;

// The texts of one band's cells for the current record of a run: each cell's text made from
// the record, and a cell that suppresses repeats left empty when its text is the one it had
// for the record before.
class BandTexts
{
public:
    // Raises for an expression the definition cannot have.
    BandTexts(const ReportBand& band, const TDAODataset& dataSet);

    // One text per cell, in the band's order; valid until the next call.
    const std::vector<QString>& evaluate(const TDAODataset& dataSet, int rowNumber);

private:
    struct Cell
    {
        CellText text;
        bool suppressRepeated = false;
        QString previous;
    };
    std::vector<Cell> m_cells;
    std::vector<QString> m_texts;
};
