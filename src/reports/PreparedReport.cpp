#include "PreparedReport.h"

#include "ReportFonts.h"

#include <QPainter>

void PreparedReport::paintPage(QPainter& painter, int index, QPointF origin, qreal pixelsPerUnit) const
{
    const PreparedPage& p = pages.at(size_t(index));
    std::vector<QFont> fonts;
    fonts.reserve(styles.size());
    for (const Style& s : styles)
        fonts.push_back(s.pointSize > 0 ? ReportFonts::forDevice(s.font, s.pointSize, *painter.device(), pixelsPerUnit)
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
            painter.drawText(map(item.x, item.y + s.ascent), item.text);
            break;
        }
    }
    painter.restore();
}
