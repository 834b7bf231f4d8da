#include "BandTexts.h"

BandTexts::BandTexts(const ReportBand& band, const TDAODataset& dataSet)
{
    for (const TextCell& c : band.cells)
        m_cells.push_back({CellText(c.text, dataSet), c.suppressRepeated, {}});
    m_texts.resize(m_cells.size());
}

const std::vector<QString>& BandTexts::evaluate(const TDAODataset& dataSet, int rowNumber)
{
    for (size_t i = 0; i < m_cells.size(); ++i) {
        Cell& c = m_cells[i];
        QString text = c.text.evaluate(dataSet, rowNumber);
        if (c.suppressRepeated) {
            const bool repeated = rowNumber > 1 && text == c.previous;
            c.previous = text;
            if (repeated)
                text.clear();
        }
        m_texts[i] = std::move(text);
    }
    return m_texts;
}
