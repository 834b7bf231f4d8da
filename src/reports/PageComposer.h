#pragma once

#include "PreparedReport.h"
#include "ReportDefinition.h"

#include <array>
#include <memory>
#include <vector>

class CellLayout;

// A definition's bands made ready to be placed: each cell's box, its text layout and its
// styles, each rule with its colour. It knows nothing of the data: whoever places a band hands
// it the texts of the band's cells. A whole run and the layout of kept pages both place
// through it, so that a page comes out the same however it was made.
class PageComposer
{
public:
    enum class Band : quint8 { Title, Header, Data };

    explicit PageComposer(const ReportDefinition& definition);
    ~PageComposer();
    PageComposer(const PageComposer&) = delete;
    PageComposer& operator=(const PageComposer&) = delete;

    const std::vector<PreparedReport::Style>& styles() const { return m_styles; }
    qreal height(Band band) const { return compiled(band).height; }
    int cellCount(Band band) const { return int(compiled(band).cells.size()); }

    // Places `band` on `page` with its top at `y`, cell i showing texts[i].
    void place(Band band, qreal y, const QString* texts, PreparedPage& page);

private:
    struct Cell
    {
        QRectF box;
        bool filled = false;
        quint16 style = 0;
        quint16 fillStyle = 0;
        std::unique_ptr<CellLayout> layout;
    };
    struct Rule
    {
        ReportRule rule;
        quint16 style = 0;
    };
    struct Compiled
    {
        qreal height = 0;
        std::vector<Cell> cells;
        std::vector<Rule> rules;
    };

    const Compiled& compiled(Band band) const { return m_bands[size_t(band)]; }
    Compiled compile(const ReportBand& band);
    quint16 style(const QFont& font, qreal pointSize, qreal ascent, const QColor& color);

    std::vector<PreparedReport::Style> m_styles;
    std::array<Compiled, 3> m_bands;
};
