#include "CatalogueReports.h"

#include "TDM.h"

#include <stdexcept>

namespace {

const QColor kSilver(192, 192, 192);

// One column after the number column. A column without a caption adds a value under the
// caption of the column before it.
struct Column
{
    const char* caption;
    qreal captionX, captionWidth;
    const char* field;
    qreal valueX, valueWidth;
    qreal valueY = 0;
    bool suppressRepeated = false;
};

struct Layout
{
    const char* name;
    const char* title;
    qreal titleWidth;
    qreal rowHeight;
    std::vector<Column> columns;
};

TextCell cell(const QString& name, QRectF box, const QString& text, ReportFont font, Qt::Alignment alignment)
{
    TextCell c;
    c.name = name;
    c.box = box;
    c.text = text;
    c.font = font;
    c.alignment = alignment;
    return c;
}

ReportDefinition build(const Layout& layout, TDataSource& source)
{
    const ReportFont title{QStringLiteral("Arial"), 14, true};
    const ReportFont caption{QStringLiteral("Arial"), 10, true};
    const ReportFont value{QStringLiteral("Arial"), 10, false};
    const QString query = source.DataSet()->Name();

    ReportDefinition d;
    d.name = QLatin1String(layout.name);
    d.title = QLatin1String(layout.title);
    d.dataSource = &source;

    d.reportTitle = {QStringLiteral("ReportTitle1"), 42, {}, {}};
    d.reportTitle.cells.push_back(
        cell(QStringLiteral("Title"), {36, 8, layout.titleWidth, 34}, d.title, title, Qt::AlignHCenter));

    d.pageHeader = {QStringLiteral("PageHeader1"), 18, {}, {}};
    d.masterData = {QStringLiteral("Band1"), layout.rowHeight, {}, {}};
    d.pageHeader.cells.push_back(
        cell(QStringLiteral("CaptionId"), {36, 0, 44, 18}, QStringLiteral("Id "), caption, Qt::AlignRight));
    d.masterData.cells.push_back(
        cell(QStringLiteral("ValueId"), {36, 0, 40, 18}, QStringLiteral("[LINETHROUGH#]"), value, Qt::AlignRight));
    for (const Column& c : layout.columns) {
        const QString field = QLatin1String(c.field);
        if (c.caption) {
            d.pageHeader.cells.push_back(cell(QStringLiteral("Caption") + field, {c.captionX, 0, c.captionWidth, 18},
                                              QLatin1String(c.caption), caption, Qt::AlignLeft));
        }
        TextCell v = cell(QStringLiteral("Value") + field, {c.valueX, c.valueY, c.valueWidth, 18},
                          QStringLiteral("[DM.%1.\"%2\"]").arg(query, field), value, Qt::AlignLeft);
        v.suppressRepeated = c.suppressRepeated;
        d.masterData.cells.push_back(v);
    }
    for (TextCell& c : d.pageHeader.cells)
        c.fill = kSilver;
    d.masterData.rules.push_back({QStringLiteral("Line1"), 36, layout.rowHeight, 684, 1, Qt::black});
    return d;
}

} // namespace

CatalogueReports::CatalogueReports(TDM& dm)
{
    repMovies = build({"repMovies",
                       "Movies",
                       97,
                       18,
                       {{"Title", 80, 320, "Title", 80, 320},
                        {"Category", 400, 152, "Category", 400, 148},
                        {"Media", 552, 72, "Media_type", 552, 68},
                        {"Media No.", 624, 96, "M_no", 624, 96}}},
                      dm.dsREP_Mov);
    repMusic = build({"repMusic",
                      "Music",
                      97,
                      18,
                      {{"Artist", 80, 212, "Artist", 80, 208},
                       {"Title", 292, 236, "Title", 292, 232},
                       {"Category", 528, 120, "Category", 528, 116},
                       {"Media", 648, 72, "Media_type", 648, 72}}},
                     dm.dsREP_Music);
    repBooks = build({"repBooks",
                      "Books",
                      97,
                      18,
                      {{"Title", 80, 256, "Title", 80, 252},
                       {"Author", 336, 236, "Author", 336, 232},
                       {"Category", 572, 148, "Category", 572, 148}}},
                     dm.dsREP_Books);
    repProg = build({"repProg",
                     "Programs",
                     97,
                     18,
                     {{"Name", 80, 272, "Name", 80, 268},
                      {"Version", 352, 64, "Version", 352, 60},
                      {"Category", 416, 136, "Category", 416, 132},
                      {"Media", 552, 60, "Media_type", 552, 56},
                      {"Media No.", 612, 108, "M_no", 612, 108}}},
                    dm.dsREP_Prog);
    repAddBook = build({"repAddBook",
                        "Address Book",
                        165,
                        38,
                        {{"Name", 80, 308, "LF_Name", 80, 304, 0, true},
                         {"Category", 388, 144, "Category", 388, 140},
                         {"Home/Office telephone", 532, 188, "H_Tel", 532, 188},
                         {nullptr, 0, 0, "O_Tel", 532, 188, 20}}},
                       dm.dsREP_AddBook);
}

const ReportDefinition& CatalogueReports::byFolder(int folder) const
{
    switch (folder) {
    case 0:
        return repMovies;
    case 1:
        return repMusic;
    case 2:
        return repBooks;
    case 3:
        return repProg;
    case 4:
        return repAddBook;
    }
    throw std::out_of_range("no report for this folder");
}
