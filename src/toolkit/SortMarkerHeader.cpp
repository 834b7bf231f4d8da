#include "SortMarkerHeader.h"

#include "DataGridModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

SortMarkerHeader::SortMarkerHeader(DataGridModel& model, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_model(model)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

bool SortMarkerHeader::isButton(int column) const
{
    return column >= 0 && column < int(m_model.columns().size()) && m_model.columns()[size_t(column)].titleButton;
}

void SortMarkerHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex < 0 || logicalIndex >= int(m_model.columns().size()))
        return;
    const GridColumn::Marker marker = m_model.columns()[size_t(logicalIndex)].marker;
    if (marker == GridColumn::Marker::None)
        return;
    // A small filled triangle at the right of the title: up for ascending, down for descending.
    const qreal size = 7;
    const QPointF centre(rect.right() - 8, rect.center().y() + 0.5);
    QPainterPath path;
    if (marker == GridColumn::Marker::Ascending) {
        path.moveTo(centre.x() - size / 2, centre.y() + size / 4);
        path.lineTo(centre.x() + size / 2, centre.y() + size / 4);
        path.lineTo(centre.x(), centre.y() - size / 2);
    } else {
        path.moveTo(centre.x() - size / 2, centre.y() - size / 4);
        path.lineTo(centre.x() + size / 2, centre.y() - size / 4);
        path.lineTo(centre.x(), centre.y() + size / 2);
    }
    path.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(path, palette().color(QPalette::ButtonText));
    painter->restore();
}

void SortMarkerHeader::mousePressEvent(QMouseEvent* event)
{
    const int column = logicalIndexAt(event->position().toPoint());
    // Only title buttons react; the others do not even look pressed.
    m_pressed = isButton(column) && event->button() == Qt::LeftButton ? column : -1;
    if (m_pressed >= 0)
        QHeaderView::mousePressEvent(event);
}

void SortMarkerHeader::mouseReleaseEvent(QMouseEvent* event)
{
    const int column = logicalIndexAt(event->position().toPoint());
    const int pressed = m_pressed;
    m_pressed = -1;
    QHeaderView::mouseReleaseEvent(event);
    if (pressed >= 0 && column == pressed && event->button() == Qt::LeftButton)
        Q_EMIT titleClicked(column, event->modifiers());
}
