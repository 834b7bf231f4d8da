#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <vector>

class TDataSource;

// A banded list report as data: what the engine lays out, not how. Positions and sizes are
// in layout units of 5/18 mm (3.6 to the millimetre); x counts from the left edge of the
// paper, y from the top of the band that holds the object. Font sizes are in points.

struct ReportFont
{
    QString family = QStringLiteral("Arial");
    qreal pointSize = 10;
    bool bold = false;

    bool operator==(const ReportFont&) const = default;
};

struct TextCell
{
    QString name;
    QRectF box;
    // Printed literally except for "[DM.<query>."<field>"]" (a field of the current record)
    // and "[LINETHROUGH#]" (the running row number).
    QString text;
    ReportFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    QColor fill; // invalid: no fill
    // Left empty when its text equals the text it had for the record before.
    bool suppressRepeated = false;
};

struct ReportRule
{
    QString name;
    qreal x = 0;
    qreal y = 0;
    qreal length = 0;
    qreal width = 1;
    QColor color = Qt::black;
};

struct ReportBand
{
    QString name;
    qreal height = 0;
    std::vector<TextCell> cells;
    std::vector<ReportRule> rules;
};

struct PageSetup
{
    // A4 portrait: 210.0 by 296.9 mm.
    qreal paperWidth = 756;
    qreal paperHeight = 1068.84;
    qreal leftMargin = 36;
    qreal topMargin = 36;
    qreal rightMargin = 36;
    qreal bottomMargin = 90;

    qreal bottomLimit() const { return paperHeight - bottomMargin; }
};

struct ReportDefinition
{
    QString name;
    QString title;
    TDataSource* dataSource = nullptr;
    PageSetup page;
    ReportBand reportTitle; // once, at the top of the first page
    ReportBand pageHeader;  // at the top of every page, below the title on the first
    ReportBand masterData;  // once for each record
};
