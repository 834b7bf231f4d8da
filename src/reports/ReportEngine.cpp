#include "ReportEngine.h"

#include "CellLayout.h"
#include "CellText.h"
#include "ReportFonts.h"
#include "TDAODataset.h"
#include "TDataSource.h"

#include <memory>
#include <stdexcept>

namespace {

// A report query that is open for the run only.
class OpenForRun
{
public:
    explicit OpenForRun(TDAODataset& dataSet)
        : m_dataSet(dataSet)
    {
        m_dataSet.Close();
        m_dataSet.Open();
    }
    ~OpenForRun()
    {
        try {
            m_dataSet.Close();
        } catch (...) {
            // Closing only drops what was read; nothing to tell the user about.
        }
    }
    OpenForRun(const OpenForRun&) = delete;
    OpenForRun& operator=(const OpenForRun&) = delete;

private:
    TDAODataset& m_dataSet;
};

struct CompiledCell
{
    const TextCell* cell;
    CellText text;
    quint16 style;
    quint16 fillStyle;
    std::unique_ptr<CellLayout> layout;
    QString previous; // the text it had for the record before (suppressing repeats)
};

struct CompiledBand
{
    const ReportBand* band;
    std::vector<CompiledCell> cells;
    std::vector<quint16> ruleStyles;
};

class Run
{
public:
    Run(const ReportDefinition& d, TDAODataset& dataSet, const ReportEngine::Progress& progress)
        : m_definition(d)
        , m_dataSet(dataSet)
        , m_progress(progress)
    {
        m_report.title = d.title;
        m_report.page = d.page;
        m_title = compile(d.reportTitle);
        m_header = compile(d.pageHeader);
        m_data = compile(d.masterData);
    }

    PreparedReport take() { return std::move(m_report); }

    void execute()
    {
        if (!startPage())
            return;
        place(m_title, 0);
        place(m_header, 0);
        int row = 0;
        for (m_dataSet.First(); !m_dataSet.Eof(); m_dataSet.Next()) {
            // A record that could not be read (a damaged part of the file) reads as empty:
            // printed, it would be a numbered row that hides the loss. The run fails instead.
            m_dataSet.checkReadable();
            // A record another program deleted while the list was read is gone: it gets no
            // number and no line.
            if (m_dataSet.RecordDeleted())
                continue;
            if (m_y + m_data.band->height > m_definition.page.bottomLimit() + 1e-6) {
                if (!startPage())
                    return;
                place(m_header, 0);
            }
            place(m_data, ++row);
        }
    }

private:
    quint16 style(const QFont& font, qreal pointSize, qreal ascent, const QColor& color)
    {
        for (size_t i = 0; i < m_report.styles.size(); ++i) {
            const PreparedReport::Style& s = m_report.styles[i];
            if (s.font == font && s.pointSize == pointSize && s.color == color)
                return quint16(i);
        }
        m_report.styles.push_back({font, pointSize, ascent, color});
        return quint16(m_report.styles.size() - 1);
    }

    quint16 colorStyle(const QColor& color) { return style(QFont(), 0, 0, color); }

    CompiledBand compile(const ReportBand& band)
    {
        CompiledBand out{&band, {}, {}};
        for (const TextCell& c : band.cells) {
            const QFont font = ReportFonts::resolve(c.font);
            auto layout = std::make_unique<CellLayout>(font, c.box.size(), c.alignment);
            const quint16 textStyle = style(font, c.font.pointSize, layout->ascent(), Qt::black);
            const quint16 fill = c.fill.isValid() ? colorStyle(c.fill) : 0;
            out.cells.push_back({&c, CellText(c.text, m_dataSet), textStyle, fill, std::move(layout), {}});
        }
        for (const ReportRule& r : band.rules)
            out.ruleStyles.push_back(colorStyle(r.color));
        return out;
    }

    bool startPage()
    {
        if (m_progress && !m_progress(m_report.pageCount() + 1))
            return false;
        m_report.pages.emplace_back();
        m_page = &m_report.pages.back();
        m_y = m_definition.page.topMargin;
        return true;
    }

    void place(CompiledBand& band, int rowNumber)
    {
        for (CompiledCell& c : band.cells) {
            const QRectF box = c.cell->box.translated(0, m_y);
            if (c.cell->fill.isValid())
                m_page->items.push_back({PageItem::Kind::Fill,
                                         c.fillStyle,
                                         float(box.x()),
                                         float(box.y()),
                                         float(box.width()),
                                         float(box.height()),
                                         {}});
            QString text = c.text.evaluate(m_dataSet, rowNumber);
            if (c.cell->suppressRepeated) {
                const bool repeated = rowNumber > 1 && text == c.previous;
                c.previous = text;
                if (repeated)
                    continue;
            }
            for (const CellLayout::Line& line : c.layout->lines(text)) {
                if (line.text.isEmpty())
                    continue;
                m_page->items.push_back(
                    {PageItem::Kind::Text, c.style, float(box.x() + line.x), float(box.y() + line.y), 0, 0, line.text});
            }
        }
        for (size_t i = 0; i < band.band->rules.size(); ++i) {
            const ReportRule& r = band.band->rules[i];
            m_page->items.push_back({PageItem::Kind::Rule,
                                     band.ruleStyles[i],
                                     float(r.x),
                                     float(m_y + r.y),
                                     float(r.length),
                                     float(r.width),
                                     {}});
        }
        m_y += band.band->height;
    }

    const ReportDefinition& m_definition;
    TDAODataset& m_dataSet;
    const ReportEngine::Progress& m_progress;
    PreparedReport m_report;
    CompiledBand m_title, m_header, m_data;
    PreparedPage* m_page = nullptr;
    qreal m_y = 0;
};

} // namespace

PreparedReport ReportEngine::run(const ReportDefinition& definition, const Progress& progress)
{
    TDAODataset* dataSet = definition.dataSource ? definition.dataSource->DataSet() : nullptr;
    if (!dataSet)
        throw std::invalid_argument(QStringLiteral("The report %1 has no data").arg(definition.name).toStdString());
    const OpenForRun open(*dataSet);
    Run run(definition, *dataSet, progress);
    run.execute();
    return run.take();
}
