#include "CatalogueReports.h"
#include "CompactReport.h"
#include "EDAOError.h"
#include "MainWindowFixture.h"
#include "OtherProgram.h"
#include "ReportCatalogue.h"
#include "ReportPdf.h"
#include "ReportRun.h"
#include "ShownReport.h"
#include "SpoiltCatalogue.h"

#include <QComboBox>
#include <QTest>
#include <limits>
#include <stdexcept>

namespace {

// A value of row i for a column: long text that wraps, text on two lines, letters beyond
// Latin-1 and beyond the BMP, accents, empty values and the same value on rows one after
// another.
QString value(int salt)
{
    return QStringLiteral("case (i + %1) % 9 "
                          "when 0 then 'Łódź 東京 🎬 ' || i "
                          "when 1 then 'Once upon a time in a very long and winding valley far away beyond "
                          "the hills ' || i "
                          "when 2 then 'two' || char(10) || 'lines ' || i "
                          "when 3 then NULL "
                          "when 4 then 'Café Noël ' || i "
                          "when 5 then 'Same' when 6 then 'Same' "
                          "when 7 then '' "
                          "else 'V' || printf('%03d', i) end")
        .arg(salt);
}

QString rows(const QString& table, const QStringList& columns, int count)
{
    QStringList values;
    for (int c = 0; c < columns.size(); ++c)
        values << value(c * 2);
    return QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                          "insert into %2 (%3) select %4 from n;")
        .arg(count)
        .arg(table, columns.join(QLatin1Char(',')), values.join(QLatin1Char(',')));
}

// Every folder several pages long; in the address book runs of the same name cross pages.
QString everyFolder()
{
    return rows(QStringLiteral("Movies"), {"Title", "Category", "Media_type", "M_no"}, 160)
           + rows(QStringLiteral("Music"), {"Artist", "Title", "Category", "Media_type"}, 130)
           + rows(QStringLiteral("Books"), {"Title", "Author", "Category"}, 110)
           + rows(QStringLiteral("Programs"), {"Name", "Version", "Category", "Media_type", "M_no"}, 120)
           + QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 100) "
                            "insert into AddressBook (L_Name, F_Name, Category, H_Tel, O_Tel) "
                            "select case when i % 40 < 30 then 'Smith' else 'Jones' end, "
                            "case when i % 40 < 28 then 'John' else 'Ann' end, %1, %2, %3 from n;")
                 .arg(value(1), value(3), value(5));
}

// Makes every page of `definition` in steps of `records` records, the last page laid out
// after each step as a preview showing it would.
std::unique_ptr<ReportRun> inSteps(const ReportDefinition& definition, int records)
{
    auto run = std::make_unique<ReportRun>(definition);
    while (!run->step(QDeadlineTimer(QDeadlineTimer::Forever), records))
        run->pages().laidOut(run->pages().pageCount() - 1);
    return run;
}

QString describe(const PageItem& item)
{
    return QStringLiteral("%1 style %2 at %3,%4 size %5,%6 \"%7\"")
        .arg(int(item.kind))
        .arg(item.style)
        .arg(double(item.x))
        .arg(double(item.y))
        .arg(double(item.width))
        .arg(double(item.height))
        .arg(item.text);
}

// The pages laid out again, in `order`, against those of the whole run, item for item.
void compareItems(const CompactReport& compact, const PreparedReport& whole, const QList<int>& order)
{
    QCOMPARE(compact.pageCount(), whole.pageCount());
    QCOMPARE(compact.name(), whole.title);
    QCOMPARE(compact.styles().size(), whole.styles.size());
    for (size_t i = 0; i < whole.styles.size(); ++i) {
        QCOMPARE(compact.styles()[i].font, whole.styles[i].font);
        QCOMPARE(compact.styles()[i].pointSize, whole.styles[i].pointSize);
        QCOMPARE(compact.styles()[i].ascent, whole.styles[i].ascent);
        QCOMPARE(compact.styles()[i].color, whole.styles[i].color);
    }
    for (int index : order) {
        const std::vector<PageItem>& expected = whole.pages.at(size_t(index)).items;
        const std::vector<PageItem>& got = compact.laidOut(index).items;
        QCOMPARE(got.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(describe(got[i]), describe(expected[i]));
    }
}

QByteArray printedBoxes(const ReportPages& pages, const QString& path)
{
    if (!ReportPdf::print(pages, path))
        qFatal("cannot print to %s", qPrintable(path));
    return ReportPdf::bboxPages(path);
}

} // namespace

class TestReportSteps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compactPagesAreTheWholeRunsPages_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<int>("records"); // records a step
        const char* names[] = {"movies", "music", "books", "programs", "address book"};
        for (int folder = 0; folder < 5; ++folder) {
            // One record a step; the steps ending on and around a page's last row; one step.
            for (int records : {1, 23, 48, 49, 50, std::numeric_limits<int>::max()})
                QTest::addRow("%s, %d a step", names[folder], records) << folder << records;
        }
    }

    void compactPagesAreTheWholeRunsPages()
    {
        QFETCH(int, folder);
        QFETCH(int, records);
        ReportCatalogue c(everyFolder());
        const CatalogueReports reports(c.dm);
        const PreparedReport whole = ReportEngine::run(reports.byFolder(folder));
        QVERIFY(whole.pageCount() >= 3);
        const auto run = inSteps(reports.byFolder(folder), records);
        QVERIFY(!reports.byFolder(folder).dataSource->DataSet()->Active());
        // Forwards, then backwards: a page comes out the same whatever was laid out before it.
        QList<int> order;
        for (int n = 0; n < whole.pageCount(); ++n)
            order << n;
        compareItems(run->pages(), whole, order);
        std::reverse(order.begin(), order.end());
        compareItems(run->pages(), whole, order);
    }

    // Printed, the pages laid out again give the very text and boxes of the whole run's.
    void printedCompactPagesAreTheWholeRunsPages_data()
    {
        QTest::addColumn<int>("folder");
        const char* names[] = {"movies", "music", "books", "programs", "address book"};
        for (int folder = 0; folder < 5; ++folder)
            QTest::newRow(names[folder]) << folder;
    }

    void printedCompactPagesAreTheWholeRunsPages()
    {
        QFETCH(int, folder);
        ReportCatalogue c(everyFolder());
        const CatalogueReports reports(c.dm);
        const PreparedReport whole = ReportEngine::run(reports.byFolder(folder));
        const auto run = inSteps(reports.byFolder(folder), 7);
        QTemporaryDir dir;
        const QByteArray expected = printedBoxes(whole, dir.filePath(QStringLiteral("whole.pdf")));
        const QByteArray got = printedBoxes(run->pages(), dir.filePath(QStringLiteral("compact.pdf")));
        QVERIFY(expected.count("<page ") >= 3);
        // (Letters no installed font has print as empty boxes: the items above compare them.)
        QVERIFY(expected.contains("Łódź") && expected.contains("Noël"));
        QCOMPARE(got, expected);
    }

    // The run keeps what it is handed: the definition may go before the run is finished.
    void theRunOutlivesItsDefinition()
    {
        ReportCatalogue c(movies(300));
        auto reports = std::make_unique<CatalogueReports>(c.dm);
        auto definition = std::make_unique<ReportDefinition>(reports->repMovies);
        ReportRun run(*definition);
        QVERIFY(!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 20));
        definition.reset();
        reports.reset();
        while (!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 20)) { }
        const PreparedReport whole = c.run(0);
        QList<int> order;
        for (int n = 0; n < whole.pageCount(); ++n)
            order << n;
        compareItems(run.pages(), whole, order);
    }

    void theQueryIsOpenOnlyWhileTheRunGoesOn()
    {
        ReportCatalogue c(movies(300));
        const CatalogueReports reports(c.dm);
        {
            ReportRun run(reports.repMovies);
            QVERIFY(!c.dm.qrRep_Mov.Active());
            QVERIFY(!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 10));
            QVERIFY(c.dm.qrRep_Mov.Active());
            QCOMPARE(run.pages().pageCount(), 1);
        } // a preview closed before its count is complete
        QVERIFY(!c.dm.qrRep_Mov.Active());
        ReportRun run(reports.repMovies);
        while (!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 10)) { }
        QVERIFY(!c.dm.qrRep_Mov.Active());
        QVERIFY(run.finished());
        QVERIFY(run.step(QDeadlineTimer(QDeadlineTimer::Forever))); // nothing more to do
        QCOMPARE(run.pages().pageCount(), 6);
    }

    // A step that cannot go on raises; the run is finished and its query closed.
    void aFailedStepEndsTheRun_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("error");
        QTest::newRow("damaged row on page 2") << true << "database disk image is malformed";
        QTest::newRow("query read again in between")
            << false << "The report's list was read again while the report was being made";
    }

    void aFailedStepEndsTheRun()
    {
        QFETCH(bool, damaged);
        QFETCH(QString, error);
        ReportCatalogue c(movies(60)
                          + QStringLiteral("update Movies set Description = replace(hex(zeroblob(10000)), '00', 'ab') "
                                           "where Title = 'T055';"));
        if (damaged) {
            c.dm.dbKOLT.Close();
            QVERIFY(SpoiltCatalogue::damageOverflow(c.cat.path(), QStringLiteral("Movies")) > 0);
            c.dm.dbKOLT.Open();
        }
        const CatalogueReports reports(c.dm);
        ReportRun run(reports.repMovies);
        QVERIFY(!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 20));
        if (!damaged) {
            c.dm.qrRep_Mov.Close();
            c.dm.qrRep_Mov.Open();
        }
        QString message = QStringLiteral("<no error>");
        try {
            while (!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 20)) { }
        } catch (const EDAOError& e) {
            message = e.message();
        } catch (const std::exception& e) {
            message = QString::fromUtf8(e.what());
        }
        QCOMPARE(message, error);
        QVERIFY(run.finished());
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    // Another program deletes movies ahead of the run between two steps and adds some: the
    // report prints every movie still there, numbered without a gap, and no empty line.
    void anotherProgramDeletesRowsBetweenSteps()
    {
        ReportCatalogue c(movies(3000) + QStringLiteral("create index \"Movies$Title\" on Movies (Title);"));
        const CatalogueReports reports(c.dm);
        ReportRun run(reports.repMovies);
        QVERIFY(!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 100));
        OtherProgram::rawExec(c.cat.path(), QStringLiteral("delete from Movies where Title > 'T2500' and Id % 2 = 0; "
                                                           "insert into Movies (Title) values ('T2999a'), ('A');"));
        while (!run.step(QDeadlineTimer(QDeadlineTimer::Forever), 100)) { }
        QStringList titles;
        QList<int> numbers;
        for (int n = 0; n < run.pages().pageCount(); ++n) {
            for (const PageItem& item : run.pages().laidOut(n).items) {
                bool isNumber = false;
                const int number = item.text.toInt(&isNumber);
                if (isNumber && item.x < 76)
                    numbers << number;
                else if (item.x == 80 && item.text.startsWith(QLatin1Char('T')) && item.text != u"Title")
                    titles << item.text;
            }
        }
        const QStringList stillThere = OtherProgram::fileColumn(
            c.cat.path(), QStringLiteral("select Title from Movies where Title like 'T%' and Title <> 'T2999a' "
                                         "order by Title"));
        QCOMPARE(titles, stillThere);
        QList<int> expected;
        for (int n = 1; n <= stillThere.size(); ++n)
            expected << n;
        QCOMPARE(numbers, expected);
    }

    // "Only the items shown" made in steps: the folder's category and sort order, as the whole
    // run makes it.
    void shownItemsInSteps()
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
        auto shown = std::make_unique<ShownReport>(reports.repMusic, f.dm().qrMusic);
        const PreparedReport whole = ReportEngine::run(shown->definition());
        const auto run = inSteps(shown->definition(), 1);
        compareItems(run->pages(), whole, {0});
        QCOMPARE(ReportPdf::lines(ReportPdf::wordsOf(run->pages(), QStringLiteral("shown-steps")), 1).mid(2),
                 (QStringList{"1 Alice Red Rock MD", "2 Cecil Green Rock CD", "3 Alice Amber Rock LP"}));
        QVERIFY(f.messages.requests.empty());
    }
};

QTEST_MAIN(TestReportSteps)
#include "tst_reportsteps.moc"
