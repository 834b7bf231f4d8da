#include "CellLayout.h"

#include "ReportFonts.h"

#include <QTextLayout>

namespace {

constexpr qreal kUnitsPerPixel = 1.0 / ReportFonts::referencePixelsPerUnit();
constexpr int kCacheLimit = 4096;

bool needsLayout(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            return true;
    }
    return false;
}

} // namespace

CellLayout::CellLayout(const QFont& font, QSizeF box, Qt::Alignment alignment)
    : m_font(font)
    , m_metrics(font, ReportFonts::reference())
    , m_box(box)
    , m_alignment(alignment)
    , m_ascent(m_metrics.ascent() * kUnitsPerPixel)
    , m_lineHeight(m_metrics.height() * kUnitsPerPixel)
{
}

qreal CellLayout::width(const QString& text) const
{
    return m_metrics.horizontalAdvance(text) * kUnitsPerPixel;
}

qreal CellLayout::alignedX(qreal lineWidth) const
{
    if (m_alignment & Qt::AlignRight)
        return m_box.width() - lineWidth;
    if (m_alignment & Qt::AlignHCenter)
        return (m_box.width() - lineWidth) / 2;
    return 0;
}

const std::vector<CellLayout::Line>& CellLayout::lines(const QString& text)
{
    m_scratch.clear();
    if (text.isEmpty())
        return m_scratch;
    const auto cached = m_cache.constFind(text);
    if (cached != m_cache.constEnd())
        return *cached;
    if (!needsLayout(text)) {
        const qreal w = width(text);
        if (w <= m_box.width())
            m_scratch.push_back({alignedX(w), 0, text});
    }
    if (m_scratch.empty())
        wrap(text, m_scratch);
    if (m_cache.size() >= kCacheLimit)
        m_cache.clear();
    return *m_cache.insert(text, m_scratch);
}

void CellLayout::wrap(const QString& text, std::vector<Line>& out) const
{
    QString prepared = text;
    prepared.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    prepared.replace(QLatin1Char('\n'), QChar::LineSeparator);
    prepared.replace(QLatin1Char('\r'), QChar::LineSeparator);

    QTextLayout layout(prepared, m_font, ReportFonts::reference());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const qreal boxWidth = m_box.width() * ReportFonts::referencePixelsPerUnit();
    layout.beginLayout();
    qreal top = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(boxWidth);
        // The first line always prints; the others only where they fit whole.
        if (!out.empty() && top + m_lineHeight > m_box.height() + 1e-6)
            break;
        QString piece = prepared.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && (piece.back().isSpace() || piece.back() == QChar::LineSeparator))
            piece.chop(1);
        const qreal w = line.naturalTextWidth() * kUnitsPerPixel;
        out.push_back({alignedX(qMin(w, m_box.width())), top, piece});
        top += m_lineHeight + kLineSpacing;
    }
    layout.endLayout();
}
