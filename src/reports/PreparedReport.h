#pragma once

#include "ReportDefinition.h"
#include "ReportPages.h"

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

// The pages of one run, laid out whole and kept apart from any device: they are drawn at any
// zoom and replayed onto a printer without running the report again.
class PreparedReport : public ReportPages
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

    QString name() const override { return title; }
    int pageCount() const override { return int(pages.size()); }
    void paintPage(QPainter& painter, int index, QPointF origin, qreal pixelsPerUnit) const override;

    // Draws `page` in `styles` with its top-left corner at `origin` (painter coordinates), one
    // layout unit taking `pixelsPerUnit` of the painter's pixels.
    static void paint(QPainter& painter, const std::vector<Style>& styles, const PreparedPage& page, QPointF origin,
                      qreal pixelsPerUnit);
};
