#pragma once

#include "ReportDefinition.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <vector>

// Lays a text cell's text out in its box, measured at the reference resolution: word wrap at
// word boundaries (a word wider than the box breaks inside it), 2 units of extra space
// between lines, top alignment, left, right or centred. The box never grows: lines that do
// not fit below the first are left out.
class CellLayout
{
public:
    struct Line
    {
        qreal x = 0; // from the box's left edge, in units
        qreal y = 0; // top of the line from the box's top edge, in units
        QString text;
    };

    CellLayout(const QFont& font, QSizeF box, Qt::Alignment alignment);

    static constexpr qreal kLineSpacing = 2;

    // The lines of `text` (none for an empty text).
    const std::vector<Line>& lines(const QString& text);
    // The width of one line of text, in units, as the layout measures it.
    qreal width(const QString& text) const;
    qreal ascent() const { return m_ascent; }
    qreal lineHeight() const { return m_lineHeight; }

private:
    qreal alignedX(qreal lineWidth) const;
    void wrap(const QString& text, std::vector<Line>& out) const;

    QFont m_font;
    QFontMetricsF m_metrics;
    QSizeF m_box;
    Qt::Alignment m_alignment;
    qreal m_ascent;
    qreal m_lineHeight;
    // Values repeat a lot (categories, media); their lines are laid out once per run.
    QHash<QString, std::vector<Line>> m_cache;
    std::vector<Line> m_scratch;
};
