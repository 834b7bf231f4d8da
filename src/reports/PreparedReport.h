#pragma once

#include "ReportDefinition.h"

#include <QFont>
#include <QPointF>
#include <QString>
#include <vector>

class QPainter;

// One thing placed on a page, in layout units from the paper's top-left corner.
struct PageItem
{
    enum class Kind : quint8 { Fill, Text, Rule };
    Kind kind = Kind::Text;
    quint16 style = 0; // index into PreparedReport::styles
    float x = 0;       // Text: where the line starts
    float y = 0;       // Text: the top of the line
    float width = 0;
    float height = 0;
    QString text;
};

struct PreparedPage
{
    std::vector<PageItem> items; // in drawing order
};

// The pages of one run, kept apart from any device: they are drawn at any zoom in the
// preview and replayed onto a printer without running the report again.
class PreparedReport
{
public:
    struct Style
    {
        QFont font; // the printing font at its point size
        qreal pointSize = 0;
        qreal ascent = 0; // in layout units, measured at the reference
        QColor color;
    };

    QString title;
    PageSetup page;
    std::vector<Style> styles;
    std::vector<PreparedPage> pages;

    int pageCount() const { return int(pages.size()); }
    bool isEmpty() const { return pages.empty(); }

    // Draws page `index` with its top-left corner at `origin` (painter coordinates), one layout
    // unit taking `pixelsPerUnit` of the painter's pixels.
    void paintPage(QPainter& painter, int index, QPointF origin, qreal pixelsPerUnit) const;
};
