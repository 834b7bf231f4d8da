#include "LoansReport.h"

#include "LoansBook.h"

namespace {

const QColor kSilver(192, 192, 192);

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

struct Column
{
    const char* caption;
    const char* field;
    qreal x, width;
};

// Across the 684 units between the margins, after the number column; a date takes some 66.
constexpr Column kColumns[] = {
    {"Item", "Item", 80, 208}, {"Kind", "Kind", 288, 64}, {"Lent to", "Person", 352, 148},
    {"Lent", "Lent", 500, 76}, {"Due", "Due", 576, 76},   {"", "State", 652, 68},
};

} // namespace

LoansReport::LoansReport(TDAODatabase& db)
{
    QString title = QStringLiteral("CASE l.Folder");
    QString kind = QStringLiteral("CASE l.Folder");
    const char* tables[][2] = {{"Movies", "Title"}, {"Music", "Title"}, {"Books", "Title"}, {"Programs", "Name"}};
    for (int f = 0; f < LoansBook::kFolders; ++f) {
        title += QStringLiteral(" WHEN %1 THEN (SELECT [%2] FROM [%3] WHERE Id = l.Item_Id)")
                     .arg(f)
                     .arg(QLatin1String(tables[f][1]), QLatin1String(tables[f][0]));
        kind += QStringLiteral(" WHEN %1 THEN '%2'").arg(f).arg(LoansBook::kindOf(f));
    }
    qrLoans.setDatabase(&db);
    qrLoans.setSQL({
        QStringLiteral("select coalesce(%1 END, l.Title) as Item, %2 END as Kind,").arg(title, kind),
        QStringLiteral("coalesce((select case when a.F_Name is null or a.F_Name = '' then a.L_Name else a.L_Name || "
                       "', ' || a.F_Name end from AddressBook a where a.Id = l.Person_Id), l.Person) as Person,"),
        QStringLiteral("l.Lent as Lent, l.Due as Due,"),
        QStringLiteral("case when l.Due < :today then 'overdue' else '' end as State"),
        QStringLiteral("from Loans l where l.Returned is null and l.Item_Id is not null"),
        QStringLiteral("order by l.Due < :today desc, l.Due is null, l.Due, l.Lent, l.Id"),
    });
    qrLoans.ParamByName(QStringLiteral("today")).setDataType(TFieldType::String);

    const ReportFont heading{QStringLiteral("Arial"), 14, true};
    const ReportFont caption{QStringLiteral("Arial"), 10, true};
    const ReportFont value{QStringLiteral("Arial"), 10, false};
    ReportDefinition& d = m_definition;
    d.name = QStringLiteral("repLoans");
    d.title = QStringLiteral("Loans");
    d.dataSource = &dsLoans;
    d.reportTitle = {QStringLiteral("ReportTitle1"), 42, {}, {}};
    d.reportTitle.cells.push_back(cell(QStringLiteral("Title"), {36, 8, 97, 34}, d.title, heading, Qt::AlignHCenter));
    d.pageHeader = {QStringLiteral("PageHeader1"), 18, {}, {}};
    d.masterData = {QStringLiteral("Band1"), 18, {}, {}};
    d.pageHeader.cells.push_back(
        cell(QStringLiteral("CaptionId"), {36, 0, 44, 18}, QStringLiteral("Id "), caption, Qt::AlignRight));
    d.masterData.cells.push_back(
        cell(QStringLiteral("ValueId"), {36, 0, 40, 18}, QStringLiteral("[LINETHROUGH#]"), value, Qt::AlignRight));
    for (const Column& c : kColumns) {
        const QString field = QLatin1String(c.field);
        d.pageHeader.cells.push_back(cell(QStringLiteral("Caption") + field, {c.x, 0, c.width, 18},
                                          QLatin1String(c.caption), caption, Qt::AlignLeft));
        d.masterData.cells.push_back(cell(QStringLiteral("Value") + field, {c.x, 0, c.width - 4, 18},
                                          QStringLiteral("[DM.qrLoans.\"%1\"]").arg(field), value, Qt::AlignLeft));
    }
    for (TextCell& c : d.pageHeader.cells)
        c.fill = kSilver;
    d.masterData.rules.push_back({QStringLiteral("Line1"), 36, 18, 684, 1, Qt::black});
}

const ReportDefinition& LoansReport::definition(const QDate& today)
{
    qrLoans.ParamByName(QStringLiteral("today")).SetAsString(today.toString(QStringLiteral("yyyy-MM-dd")));
    return m_definition;
}
