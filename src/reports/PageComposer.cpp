#include "PageComposer.h"

#include "CellLayout.h"
#include "ReportFonts.h"

PageComposer::PageComposer(const ReportDefinition& definition)
{
    // Styles are numbered in the order the bands and their cells are met.
    m_bands[size_t(Band::Title)] = compile(definition.reportTitle);
    m_bands[size_t(Band::Header)] = compile(definition.pageHeader);
    m_bands[size_t(Band::Data)] = compile(definition.masterData);
}

PageComposer::~PageComposer() = default;

quint16 PageComposer::style(const QFont& font, qreal pointSize, qreal ascent, const QColor& color)
{
    for (size_t i = 0; i < m_styles.size(); ++i) {
        const PreparedReport::Style& s = m_styles[i];
        if (s.font == font && s.pointSize == pointSize && s.color == color)
            return quint16(i);
    }
    m_styles.push_back({font, pointSize, ascent, color});
    return quint16(m_styles.size() - 1);
}

PageComposer::Compiled PageComposer::compile(const ReportBand& band)
{
    Compiled out;
    out.height = band.height;
    for (const TextCell& c : band.cells) {
        const QFont font = ReportFonts::resolve(c.font);
        auto layout = std::make_unique<CellLayout>(font, c.box.size(), c.alignment);
        Cell cell;
        cell.box = c.box;
        cell.style = style(font, c.font.pointSize, layout->ascent(), Qt::black);
        cell.filled = c.fill.isValid();
        cell.fillStyle = cell.filled ? style(QFont(), 0, 0, c.fill) : 0;
        cell.layout = std::move(layout);
        out.cells.push_back(std::move(cell));
    }
    for (const ReportRule& r : band.rules)
        out.rules.push_back({r, style(QFont(), 0, 0, r.color)});
    return out;
}

void PageComposer::place(Band band, qreal y, const QString* texts, PreparedPage& page)
{
    Compiled& b = m_bands[size_t(band)];
    for (size_t i = 0; i < b.cells.size(); ++i) {
        Cell& c = b.cells[i];
        const QRectF box = c.box.translated(0, y);
        if (c.filled)
            page.items.push_back({PageItem::Kind::Fill,
                                  c.fillStyle,
                                  float(box.x()),
                                  float(box.y()),
                                  float(box.width()),
                                  float(box.height()),
                                  {}});
        for (const CellLayout::Line& line : c.layout->lines(texts[i])) {
            if (line.text.isEmpty())
                continue;
            page.items.push_back(
                {PageItem::Kind::Text, c.style, float(box.x() + line.x), float(box.y() + line.y), 0, 0, line.text});
        }
    }
    for (const Rule& r : b.rules) {
        page.items.push_back({PageItem::Kind::Rule,
                              r.style,
                              float(r.rule.x),
                              float(y + r.rule.y),
                              float(r.rule.length),
                              float(r.rule.width),
                              {}});
    }
}
