#include "CatalogueReports.h"
#include "CellText.h"
#include "EDAOError.h"
#include "MainWindowFixture.h"
#include "OtherProgram.h"
#include "PreparedReport.h"
#include "ReportCatalogue.h"
#include "ReportFonts.h"
#include "ReportPdf.h"
#include "ShownReport.h"
#include "SpoiltCatalogue.h"
#include "TDAOQuery.h"

#include <QImage>

#include <QPainter>

#include <QComboBox>
#include <QTest>
#include <stdexcept>

using ReportPdf::Word;

// Where a printed word must be, in layout units: its left edge (or its right edge, for
// right-aligned text) and its top.
struct Placed
{
    QString text;
    double x;
    double y;
    bool rightEdge = false;
};
Q_DECLARE_METATYPE(Placed)

namespace {

constexpr double kUnit = ReportPdf::kPointsPerUnit;

bool near(double points, double units)
{
    return std::abs(points - units * kUnit) <= ReportPdf::kTolerance;
}

const Word* find(const std::vector<Word>& words, int page, const QString& text, double y = -1)
{
    for (const Word& w : words) {
        if (w.page == page && w.text == text && (y < 0 || near(w.yMin, y)))
            return &w;
    }
    return nullptr;
}

bool printedAt(const std::vector<Word>& words, const Placed& p)
{
    for (const Word& w : words) {
        if (w.page == 1 && w.text == p.text && near(w.yMin, p.y) && near(p.rightEdge ? w.xMax : w.xMin, p.x))
            return true;
    }
    return false;
}

// The numbers printed in the number column of a page, top to bottom.
QList<int> numbers(const std::vector<Word>& words, int page)
{
    QList<int> out;
    for (const Word& w : words) {
        bool isNumber = false;
        const int n = w.text.toInt(&isNumber);
        if (w.page == page && isNumber && w.xMax <= 77 * kUnit)
            out << n;
    }
    return out;
}

bool hasRule(const PreparedReport& report, int page)
{
    for (const PageItem& item : report.pages.at(size_t(page - 1)).items) {
        if (item.kind == PageItem::Kind::Rule)
            return true;
    }
    return false;
}

// `count` rows of `table` with `column` set to V001, V002, ...
QString rowsOf(const QString& table, const QString& column, int count)
{
    return QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %3) "
                          "insert into %1 (%2) select printf('V%03d', i) from n;")
        .arg(table, column)
        .arg(count);
}

// Runs a report through the engine as printed words.
std::vector<Word> printed(ReportCatalogue& c, int folder, const QString& name)
{
    return ReportPdf::wordsOf(c.run(folder), name);
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionsAndValuesAtTheirColumns_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("titleWidth");
        QTest::addColumn<QList<Placed>>("expected");
        // Captions print at y 78 (the page header under the 42-unit title band from y 36), the
        // first row at 96; "Id " is right-aligned at 80 with its trailing blank (2.78 pt of
        // Liberation Sans Bold 10), the row number right-aligned at 76.
        const double idRight = 80 - 2.778 / kUnit;
        const QList<Placed> number{{"Id", idRight, 78, true}, {"1", 76, 96, true}};
        QTest::newRow("movies")
            << 0 << "insert into Movies (Category, Title, Media_type, M_no) values ('Drama', 'Alpha', 'DVD', 'M7');"
            << "Movies" << 97.0
            << number + QList<Placed>{{"Title", 80, 78}, {"Category", 400, 78}, {"Media", 552, 78}, {"Media", 624, 78},
                                      {"Alpha", 80, 96}, {"Drama", 400, 96},    {"DVD", 552, 96},   {"M7", 624, 96}};
        QTest::newRow("music")
            << 1 << "insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'Blue', 'Miles', 'CD');"
            << "Music" << 97.0
            << number + QList<Placed>{{"Artist", 80, 78}, {"Title", 292, 78}, {"Category", 528, 78}, {"Media", 648, 78},
                                      {"Miles", 80, 96},  {"Blue", 292, 96},  {"Jazz", 528, 96},     {"CD", 648, 96}};
        QTest::newRow("books") << 2 << "insert into Books (Category, Title, Author) values ('Novel', 'Tale', 'Writer');"
                               << "Books" << 97.0
                               << number + QList<Placed>{{"Title", 80, 78}, {"Author", 336, 78}, {"Category", 572, 78},
                                                         {"Tale", 80, 96},  {"Writer", 336, 96}, {"Novel", 572, 96}};
        QTest::newRow("programs") << 3
                                  << "insert into Programs (Category, Name, Version, Media_type, M_no) values "
                                     "('Office', 'Calc', '2.0', 'CD', 'P9');"
                                  << "Programs" << 97.0
                                  << number + QList<Placed>{{"Name", 80, 78},      {"Version", 352, 78},
                                                            {"Category", 416, 78}, {"Media", 552, 78},
                                                            {"Media", 612, 78},    {"Calc", 80, 96},
                                                            {"2.0", 352, 96},      {"Office", 416, 96},
                                                            {"CD", 552, 96},       {"P9", 612, 96}};
        QTest::newRow("address book") << 4
                                      << "insert into AddressBook (Category, F_Name, L_Name, H_Tel, O_Tel) values "
                                         "('Work', 'John', 'Smith', '111', '222');"
                                      << "Address Book" << 165.0
                                      << number + QList<Placed>{{"Name", 80, 78},         {"Category", 388, 78},
                                                                {"Home/Office", 532, 78}, {"Smith", 80, 96},
                                                                {"Work", 388, 96},        {"111", 532, 96},
                                                                {"222", 532, 116}};
    }

    void captionsAndValuesAtTheirColumns()
    {
        QFETCH(int, folder);
        QFETCH(QString, sql);
        QFETCH(QString, title);
        QFETCH(double, titleWidth);
        QFETCH(QList<Placed>, expected);
        ReportCatalogue c(sql);
        const std::vector<Word> words = printed(c, folder, QStringLiteral("columns-%1").arg(folder));
        for (const Placed& p : expected)
            QVERIFY2(printedAt(words, p), qPrintable(QStringLiteral("%1 at %2, %3").arg(p.text).arg(p.x).arg(p.y)));
        // The title is centred in its box at x 36, 8 units below the top margin.
        const QStringList titleWords = title.split(QLatin1Char(' '));
        const Word* first = find(words, 1, titleWords.first(), 44);
        const Word* last = find(words, 1, titleWords.last(), 44);
        QVERIFY(first && last);
        QVERIFY(near((first->xMin + last->xMax) / 2, 36 + titleWidth / 2));
        QCOMPARE(ReportPdf::lines(words, 1).size(), folder == 4 ? 4 : 3);
    }

    void captionStripAndRules_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<double>("rowHeight");
        QTest::newRow("movies") << 0 << "Movies"
                                << "Title" << 18.0;
        QTest::newRow("music") << 1 << "Music"
                               << "Artist" << 18.0;
        QTest::newRow("books") << 2 << "Books"
                               << "Title" << 18.0;
        QTest::newRow("programs") << 3 << "Programs"
                                  << "Name" << 18.0;
        QTest::newRow("address book") << 4 << "AddressBook"
                                      << "L_Name" << 38.0;
    }

    // On every page the caption cells fill one unbroken silver strip across the printable
    // width, 18 units high, under the title on page 1 and at the top margin after it; every
    // data row is underlined by a rule at its bottom edge, across the same width.
    void captionStripAndRules()
    {
        QFETCH(int, folder);
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(double, rowHeight);
        const int records = 60; // two pages or more in every report
        ReportCatalogue c(rowsOf(table, column, records));
        const PreparedReport report = c.run(folder);
        QVERIFY(report.pageCount() >= 2);
        int row = 0;
        for (int page = 1; page <= report.pageCount(); ++page) {
            const double captionTop = page == 1 ? 36 + 42 : 36;
            std::vector<const PageItem*> fills;
            QList<double> rowBottoms, rules;
            for (const PageItem& item : report.pages.at(size_t(page - 1)).items) {
                switch (item.kind) {
                case PageItem::Kind::Fill:
                    QCOMPARE(report.styles.at(item.style).color, QColor(192, 192, 192));
                    QCOMPARE(double(item.y), captionTop);
                    QCOMPARE(double(item.height), 18.0);
                    fills.push_back(&item);
                    break;
                case PageItem::Kind::Rule:
                    QCOMPARE(double(item.x), 36.0);
                    QCOMPARE(double(item.width), 684.0); // its length
                    QCOMPARE(double(item.height), 1.0);  // its line width
                    rules << item.y;
                    break;
                case PageItem::Kind::Text: {
                    // The row number, right-aligned in the box that ends at x 76, starts its row.
                    bool isNumber = false;
                    const int n = item.text.toInt(&isNumber);
                    if (isNumber && item.x < 76) {
                        QCOMPARE(n, ++row);
                        rowBottoms << item.y + rowHeight;
                    }
                    break;
                }
                }
            }
            std::sort(fills.begin(), fills.end(), [](const PageItem* a, const PageItem* b) { return a->x < b->x; });
            double right = 36;
            for (const PageItem* f : fills) {
                QCOMPARE(double(f->x), right); // neither a gap nor an overlap
                right = f->x + f->width;
            }
            QCOMPARE(right, 720.0);
            QCOMPARE(rules, rowBottoms);
        }
        QCOMPARE(row, records);
    }

    void rowsPerPageAndNumberingAcrossPages()
    {
        // 49 rows fit under the title and caption row of page 1, 51 under the caption row of
        // the pages after it (A4 with a bottom margin of 90 units).
        ReportCatalogue c(movies(120));
        const PreparedReport report = c.run(0);
        QCOMPARE(report.pageCount(), 3);
        const std::vector<Word> words = ReportPdf::wordsOf(report, QStringLiteral("pages"));
        QList<int> expected;
        for (int n = 1; n <= 49; ++n)
            expected << n;
        QCOMPARE(numbers(words, 1), expected);
        QCOMPARE(numbers(words, 2).first(), 50);
        QCOMPARE(numbers(words, 2).last(), 100);
        QCOMPARE(numbers(words, 3).size(), 20);
        QCOMPARE(numbers(words, 3).last(), 120);
        for (int page : {2, 3}) {
            const QStringList lines = ReportPdf::lines(words, page);
            QCOMPARE(lines.first(), QStringLiteral("Id Title Category Media Media No."));
            QVERIFY(find(words, page, QStringLiteral("Id"), 36)); // the caption row at the top margin
            QVERIFY(!find(words, page, QStringLiteral("Movies")));
            QVERIFY(hasRule(report, page));
        }
        QCOMPARE(ReportPdf::lines(words, 2).at(1), QStringLiteral("50 T050 Drama CD M50"));
        QVERIFY(find(words, 2, QStringLiteral("T050"), 54));
        // The last row of a page ends above the bottom margin.
        QVERIFY(find(words, 2, QStringLiteral("T100"), 54 + 50 * 18));
    }

    void addressBookSuppressesRepeatedNames()
    {
        ReportCatalogue c(
            QStringLiteral("insert into AddressBook (Category, F_Name, L_Name, H_Tel, O_Tel) values "
                           "('Family', 'John', 'Smith', '111', '211'), ('Work', 'John', 'Smith', '112', '212'), "
                           "('Club', 'Ken', 'Smith', '113', '213'), ('Shops', NULL, 'Solo', NULL, '777');"));
        const std::vector<Word> words = printed(c, 4, QStringLiteral("addresses"));
        QCOMPARE(ReportPdf::lines(words, 1),
                 (QStringList{"Address Book", "Id Name Category Home/Office telephone", "1 Smith John Family 111",
                              "211", "2 Work 112", "212", "3 Smith Ken Club 113", "213", "4 Solo Shops", "777"}));
        // An entry with only an office telephone: the first line of the column stays empty.
        const Word* office = find(words, 1, QStringLiteral("777"));
        QVERIFY(office);
        QVERIFY(near(office->yMin, 96 + 3 * 38 + 20));
    }

    void repeatedNameStaysEmptyOnANewPage()
    {
        // 24 entries fit on page 1 of the address book (23) and 24 on the pages after it.
        ReportCatalogue c(QStringLiteral(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < 30) "
            "insert into AddressBook (Category, F_Name, L_Name) select printf('C%02d', i), 'John', 'Smith' from n;"));
        const PreparedReport report = c.run(4);
        QCOMPARE(report.pageCount(), 2);
        const std::vector<Word> words = ReportPdf::wordsOf(report, QStringLiteral("same-names"));
        int smiths = 0;
        for (const Word& w : words)
            smiths += w.text == QLatin1String("Smith") ? 1 : 0;
        QCOMPARE(smiths, 1);
        QCOMPARE(ReportPdf::lines(words, 2).at(1), QStringLiteral("24 C24"));
        QCOMPARE(numbers(words, 1).size(), 23);
    }

    void emptyCollectionGivesOnePageWithTitleAndCaptions()
    {
        ReportCatalogue c;
        const PreparedReport report = c.run(3);
        QCOMPARE(report.pageCount(), 1);
        QVERIFY(!hasRule(report, 1));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("empty.pdf"));
        QVERIFY(ReportPdf::print(report, pdf));
        QCOMPARE(ReportPdf::pageCount(pdf), 1);
        QCOMPARE(ReportPdf::lines(ReportPdf::words(pdf), 1),
                 (QStringList{"Programs", "Id Name Version Category Media Media No."}));
    }

    void longValuesWrapInsideTheirBoxWithoutGrowingTheRow()
    {
        // The title box is 320 units wide (about 89 mm); the second line of a wrapped value
        // does not fit in the 18-unit row and is left out.
        const QString longTitle
            = QStringLiteral("Once upon a time in a very long and winding valley far away beyond the hills");
        const QString oneWord = QString(60, QLatin1Char('W'));
        ReportCatalogue c(QStringLiteral("insert into Movies (Category, Title, Media_type) values "
                                         "('Drama', '%1', 'CD'), ('Drama', 'Zulu', 'CD'), ('Drama', '%2', 'CD');")
                              .arg(longTitle, oneWord));
        const std::vector<Word> words = printed(c, 0, QStringLiteral("long"));
        const QStringList lines = ReportPdf::lines(words, 1);
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines.at(2).startsWith(QStringLiteral("1 Once upon a time")));
        QVERIFY(!lines.join(QLatin1Char(' ')).contains(QLatin1String("hills")));
        QVERIFY(find(words, 1, QStringLiteral("Zulu"), 96 + 2 * 18)); // the rows keep their height
        for (const Word& w : words) {
            if (w.yMin > 95 * kUnit && w.xMin < 390 * kUnit && w.xMin >= 79 * kUnit)
                QVERIFY2(w.xMax <= 400 * kUnit + ReportPdf::kTolerance, qPrintable(w.text));
        }
        // A word wider than the box breaks inside it.
        bool partOfWord = false;
        for (const Word& w : words)
            partOfWord |= w.text.startsWith(QLatin1String("WWW")) && w.text.size() < oneWord.size();
        QVERIFY(partOfWord);
    }

    void reportIgnoresTheMainWindowsFilterAndSort()
    {
        MainWindowFixture f(QStringLiteral(
            "insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'Blue', 'Miles', 'CD'), "
            "('Rock', 'Red', 'Alice', 'MD'), ('Rock', 'Green', 'Cecil', 'CD'), ('Rock', 'Amber', 'Alice', 'LP');"
            "insert into Music_C (Name) values ('Rock'), ('Jazz');"));
        TKOLTForm* w = f.window;
        w->SelectFolder(1, QStringLiteral("Music"));
        w->gridMovTitleBtnClick(w->grid(1), 1, Qt::NoModifier); // by title
        w->gridMovTitleBtnClick(w->grid(1), 1, Qt::NoModifier); // descending
        w->categoryBox()->setCurrentIndex(w->categoryBox()->findText(QStringLiteral("Jazz")));
        w->cbCategoriesChange();
        QCOMPARE(f.dm().qrMusic.RecordCount(), 1);

        const CatalogueReports reports(f.dm());
        const std::vector<Word> words
            = ReportPdf::wordsOf(ReportEngine::run(reports.repMusic), QStringLiteral("music"));
        const QStringList lines = ReportPdf::lines(words, 1).mid(2);
        // Ordered by artist; the two albums by Alice in the order the database gives them.
        QCOMPARE(lines, (QStringList{"1 Alice Red Rock MD", "2 Alice Amber Rock LP", "3 Cecil Green Rock CD",
                                     "4 Miles Blue Jazz CD"}));
        QCOMPARE(f.dm().qrMusic.RecordCount(), 1); // the window's query is left as it was
        QVERIFY(f.messages.requests.empty());
    }

    // "Only the items shown": the same report over the window's category and sort order.
    void shownReportFollowsTheFilterAndSort()
    {
        MainWindowFixture f(QStringLiteral(
            "insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'Blue', 'Miles', 'CD'), "
            "('Rock', 'Red', 'Alice', 'MD'), ('Rock', 'Green', 'Cecil', 'CD'), ('Rock', 'Amber', 'Alice', 'LP');"
            "insert into Music_C (Name) values ('Rock'), ('Jazz');"));
        TKOLTForm* w = f.window;
        w->SelectFolder(1, QStringLiteral("Music"));
        w->gridMovTitleBtnClick(w->grid(1), 1, Qt::NoModifier); // by title
        w->gridMovTitleBtnClick(w->grid(1), 1, Qt::NoModifier); // descending
        w->categoryBox()->setCurrentIndex(w->categoryBox()->findText(QStringLiteral("Rock")));
        w->cbCategoriesChange();

        const CatalogueReports reports(f.dm());
        const ShownReport shown(reports.repMusic, f.dm().qrMusic);
        PreparedReport pages;
        try {
            pages = ReportEngine::run(shown.definition());
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        const std::vector<Word> words = ReportPdf::wordsOf(pages, QStringLiteral("music-shown"));
        QCOMPARE(ReportPdf::lines(words, 1).mid(2),
                 (QStringList{"1 Alice Red Rock MD", "2 Cecil Green Rock CD", "3 Alice Amber Rock LP"}));
        QCOMPARE(f.dm().qrMusic.RecordCount(), 3); // the window's query is left as it was
        QVERIFY(f.messages.requests.empty());
    }

    void everyRunStartsAfreshAndSeesNewRecords()
    {
        ReportCatalogue c(movies(2));
        QCOMPARE(ReportPdf::lines(ReportPdf::wordsOf(c.run(0), QStringLiteral("first")), 1).mid(2),
                 (QStringList{"1 T001 Drama CD M1", "2 T002 Drama CD M2"}));
        QVERIFY(!c.dm.qrRep_Mov.Active());

        // A record posted between the runs, the way the editors post one.
        c.dm.tbC_Movies.Open();
        c.dm.tbD_Movies.Open();
        TDAOQuery& movies = c.dm.qrMovies;
        movies.Open();
        movies.Insert();
        movies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("A000"));
        movies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Comedy"));
        movies.Post();
        QCOMPARE(ReportPdf::lines(ReportPdf::wordsOf(c.run(0), QStringLiteral("second")), 1).mid(2),
                 (QStringList{"1 A000 Comedy CD", "2 T001 Drama CD M1", "3 T002 Drama CD M2"}));
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    void aQueryThatCannotOpenIsReportedAndLeftClosed()
    {
        ReportCatalogue c(movies(3));
        c.exec(QStringLiteral("drop table Movies"));
        QString message;
        try {
            c.run(0);
        } catch (const std::exception& e) {
            message = QString::fromUtf8(e.what());
        }
        QCOMPARE(message, QStringLiteral("no such table: Movies"));
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    void aDamagedRowFailsTheRun_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("first row") << "T001";
        QTest::newRow("row on page 2") << "T055";
    }

    // A row that cannot be read must not print as an empty numbered row: the run fails with
    // the row's error and leaves the report query closed.
    void aDamagedRowFailsTheRun()
    {
        QFETCH(QString, title);
        ReportCatalogue c(movies(60)
                          + QStringLiteral("update Movies set Description = replace(hex(zeroblob(10000)), '00', 'ab') "
                                           "where Title = '%1';")
                                .arg(title));
        c.dm.dbKOLT.Close();
        QVERIFY(SpoiltCatalogue::damageOverflow(c.cat.path(), QStringLiteral("Movies")) > 0);
        c.dm.dbKOLT.Open();
        QString message = QStringLiteral("<no error>");
        try {
            c.run(0);
        } catch (const EDAOError& e) {
            message = e.message();
        }
        QCOMPARE(message, QStringLiteral("database disk image is malformed"));
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    // Another program deletes and adds movies while a large list is read along its index: the
    // report prints every movie still there, numbered without a gap, and no empty line.
    void writesOfAnotherProgramDuringARun()
    {
        ReportCatalogue c(movies(5000) + QStringLiteral("create index \"Movies$Title\" on Movies (Title);"));
        c.dm.qrRep_Mov.AfterOpen = [&c](TDAODataset&) {
            OtherProgram::rawExec(c.cat.path(),
                                  QStringLiteral("delete from Movies where Title > 'T4500' and Id % 2 = 0; "
                                                 "insert into Movies (Title) values ('T4999a'), ('A');"));
        };
        const PreparedReport report = c.run(0);
        c.dm.qrRep_Mov.AfterOpen = nullptr;
        const std::vector<Word> words = ReportPdf::wordsOf(report, QStringLiteral("behind"));
        QList<int> printed;
        QStringList titles;
        for (int page = 1; page <= report.pageCount(); ++page) {
            printed << numbers(words, page);
            for (const QString& line : ReportPdf::lines(words, page)) {
                if (line.section(QLatin1Char(' '), 1, 1).startsWith(QLatin1Char('T'))
                    && !line.startsWith(QLatin1String("Id ")))
                    titles << line.section(QLatin1Char(' '), 1, 1);
            }
        }
        const QStringList stillThere = OtherProgram::fileColumn(
            c.cat.path(), QStringLiteral("select Title from Movies where Title like 'T%' and Title <> 'T4999a' "
                                         "order by Title"));
        QList<int> expected;
        for (int n = 1; n <= printed.size(); ++n)
            expected << n;
        QCOMPARE(printed, expected);
        QCOMPARE(titles, stillThere);
        QCOMPARE(printed.size(), stillThere.size()); // no numbered line without its movie
    }

    // A line of text is as long on screen at 100 % (a unit a pixel) as the layout measured it
    // for paper: the preview must not show a title touching the next column when the paper
    // does not.
    void textOnScreenIsAsWideAsOnPaper_data()
    {
        QTest::addColumn<qreal>("pointSize");
        QTest::addColumn<bool>("bold");
        QTest::newRow("a row's 8 points") << 8.0 << false;
        QTest::newRow("a caption's bold 8 points") << 8.0 << true;
        QTest::newRow("the title's 14 points") << 14.0 << true;
    }

    void textOnScreenIsAsWideAsOnPaper()
    {
        QFETCH(qreal, pointSize);
        QFETCH(bool, bold);
        const QString text
            = QStringLiteral("The Long Title Of A Film Nobody Remembers, Part Two: The Return Of Everyone");
        PreparedReport report;
        PreparedReport::Style style;
        style.font = ReportFonts::resolve({QStringLiteral("Arial"), pointSize, bold});
        style.pointSize = pointSize;
        style.ascent = 20;
        style.color = Qt::black;
        report.styles = {style};
        PageItem item;
        item.text = text;
        item.x = 10;
        item.y = 5;
        report.pages = {PreparedPage{{item}}};

        QImage screen(1400, 60, QImage::Format_ARGB32);
        screen.setDotsPerMeterX(qRound(96 / 0.0254));
        screen.setDotsPerMeterY(qRound(96 / 0.0254));
        screen.fill(Qt::white);
        {
            QPainter painter(&screen);
            report.paintPage(painter, 0, QPointF(0, 0), 1.0);
        }
        int first = screen.width(), last = -1;
        for (int y = 0; y < screen.height(); ++y) {
            for (int x = 0; x < screen.width(); ++x) {
                if (qGray(screen.pixel(x, y)) < 160) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
            }
        }
        QVERIFY(last > first);
        const qreal perUnit = ReportFonts::referencePixelsPerUnit();
        const QFont reference = ReportFonts::forDevice(style.font, pointSize, *ReportFonts::reference(), perUnit);
        const qreal measured = QFontMetricsF(reference, ReportFonts::reference()).horizontalAdvance(text) / perUnit;
        const qreal drawn = last - first + 1;
        QVERIFY2(qAbs(drawn - measured) <= measured * 0.005 + 2,
                 qPrintable(QStringLiteral("drawn %1 px, measured %2 units").arg(drawn).arg(measured)));
    }

    void stoppingKeepsThePagesMadeSoFar()
    {
        ReportCatalogue c(movies(300));
        QList<int> told;
        const PreparedReport report = c.run(0, [&](int page) {
            told << page;
            return page < 3;
        });
        QCOMPARE(report.pageCount(), 2);
        QCOMPARE(told.first(), 1);
        QCOMPARE(told.last(), 3);
        QVERIFY(!c.dm.qrRep_Mov.Active());
        QCOMPARE(c.run(0).pageCount(), 6);
    }

    void cellTextsAndValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("printed"); // for the movie 'T001' of year 1999, row 7
        QTest::newRow("field") << "[DM.qrRep_Mov.\"Title\"]"
                               << "T001";
        QTest::newRow("row number") << "[LINETHROUGH#]"
                                    << "7";
        QTest::newRow("literal around expressions")
            << "No. [LINETHROUGH#]: [DM.qrRep_Mov.\"Title\"] ([DM.qrRep_Mov.\"Year\"])"
            << "No. 7: T001 (1999)";
        QTest::newRow("null field") << "[DM.qrRep_Mov.\"Director\"]"
                                    << "";
        QTest::newRow("zero number") << "[DM.qrRep_Mov.\"Prop\"]"
                                     << "";
        QTest::newRow("date") << "[DM.qrRep_Mov.\"Date_aq\"]"
                              << "2003-04-05";
        QTest::newRow("unclosed bracket is text") << "a [b"
                                                  << "a [b";
        QTest::newRow("query name in any case") << "[DM.QRREP_MOV.\"title\"]"
                                                << "T001";
    }

    void cellTextsAndValues()
    {
        QFETCH(QString, text);
        QFETCH(QString, printed);
        ReportCatalogue c(QStringLiteral("insert into Movies (Category, Title, Media_type, Year, Prop, Date_aq) values "
                                         "('Drama', 'T001', 'CD', 1999, 0, '2003-04-05 00:00:00');"));
        TDAOQuery& q = c.dm.qrRep_Mov;
        q.Open();
        QCOMPARE(CellText(text, q).evaluate(q, 7), printed);
    }

    void unknownExpressionsAreErrorsOfTheDefinition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown word") << "[PAGE#]";
        QTest::newRow("another query") << "[DM.qrMovies.\"Title\"]";
        QTest::newRow("unknown field") << "[DM.qrRep_Mov.\"Nope\"]";
        QTest::newRow("field not quoted") << "[DM.qrRep_Mov.Title]";
    }

    void unknownExpressionsAreErrorsOfTheDefinition()
    {
        QFETCH(QString, text);
        ReportCatalogue c(movies(1));
        CatalogueReports reports(c.dm);
        ReportDefinition d = reports.repMovies;
        d.masterData.cells.back().text = text;
        QVERIFY_THROWS_EXCEPTION(std::exception, ReportEngine::run(d));
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    void reportsPrintWithLiberationSans()
    {
        ReportCatalogue c(movies(1));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("fonts.pdf"));
        QVERIFY(ReportPdf::print(c.run(0), pdf));
        QProcess p;
        p.start(QStringLiteral("pdffonts"), {pdf});
        QVERIFY(p.waitForFinished());
        const QString fonts = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(fonts.contains(QLatin1String("LiberationSans-Bold")), qPrintable(fonts));
        QVERIFY2(fonts.contains(QRegularExpression(QStringLiteral("LiberationSans\\s"))), qPrintable(fonts));
    }
};

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
