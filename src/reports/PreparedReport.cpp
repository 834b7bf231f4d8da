#include "PreparedReport.h"

#include "ReportFonts.h"

#include <QPainter>

void PreparedReport::paintPage(QPainter& painter, int index, QPointF origin, qreal pixelsPerUnit) const
{
    paint(painter, styles, pages.at(size_t(index)), origin, pixelsPerUnit);
}

void PreparedReport::paint(QPainter& painter, const std::vector<Style>& styles, const PreparedPage& p, QPointF origin,
                           qreal pixelsPerUnit)
{
    // Text is laid out at the reference resolution. Drawn at a small size, a font's advances
    // are rounded to whole pixels and a line comes out wider than on paper; drawn at the
    // reference size and scaled down to the device, it has the very advances it was measured
    // with, so the screen and the paper break and fill lines alike.
    const qreal referencePixelsPerUnit = ReportFonts::referencePixelsPerUnit();
    const qreal textScale = pixelsPerUnit / referencePixelsPerUnit;
    std::vector<QFont> fonts;
    fonts.reserve(styles.size());
    for (const Style& s : styles)
        fonts.push_back(s.pointSize > 0
                            ? ReportFonts::forDevice(s.font, s.pointSize, *painter.device(), referencePixelsPerUnit)
                            : QFont());

    auto map = [&](qreal x, qreal y) { return origin + QPointF(x, y) * pixelsPerUnit; };
    int currentFont = -1;
    painter.save();
    for (const PageItem& item : p.items) {
        const Style& s = styles[item.style];
        switch (item.kind) {
        case PageItem::Kind::Fill:
            painter.fillRect(QRectF(map(item.x, item.y), QSizeF(item.width, item.height) * pixelsPerUnit), s.color);
            break;
        case PageItem::Kind::Rule: {
            // A rule lies across its y, as thick as its width.
            const QPointF start = map(item.x, item.y - item.height / 2);
            painter.fillRect(
                QRectF(start, QSizeF(item.width * pixelsPerUnit, qMax<qreal>(item.height * pixelsPerUnit, 1.0))),
                s.color);
            break;
        }
        case PageItem::Kind::Text:
            if (currentFont != item.style) {
                painter.setFont(fonts[item.style]);
                painter.setPen(s.color);
                currentFont = item.style;
            }
            if (qFuzzyCompare(textScale, 1.0)) {
                painter.drawText(map(item.x, item.y + s.ascent), item.text);
                break;
            }
            painter.save();
            painter.translate(map(item.x, item.y + s.ascent));
            painter.scale(textScale, textScale);
            painter.drawText(QPointF(0, 0), item.text);
            painter.restore();
            break;
        }
    }
    painter.restore();
}
