#pragma once

#include <QPointF>
#include <QString>

class QPainter;

// Pages that can be drawn and printed: those of a whole run, or those kept compactly and laid
// out again as they are drawn.
class ReportPages
{
public:
    virtual ~ReportPages() = default;

    // The report's title: a PDF file's title, a printer job's name.
    virtual QString name() const = 0;
    virtual int pageCount() const = 0;
    bool isEmpty() const { return pageCount() == 0; }
    // Draws page `index` with its top-left corner at `origin` (painter coordinates), one
    // layout unit taking `pixelsPerUnit` of the painter's pixels.
    virtual void paintPage(QPainter& painter, int index, QPointF origin, qreal pixelsPerUnit) const = 0;
};
