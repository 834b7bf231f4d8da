#include "ChartPanel.h"
#include "MainCommands.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "StatisticsWindow.h"
#include "TDAOQuery.h"

#include <QBarSet>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QToolTip>
#include <QXmlStreamReader>

namespace {

const QString kCatalogue = QStringLiteral(
    "INSERT INTO Movies (Category, Title, Year, Media_type, Date_aq) VALUES "
    "('Drama', 'A', 1931, 'DVD', '2001-03-05 00:00:00'), ('drama', 'B', 1945, 'DVD', NULL),"
    "('Żywioły', 'C', 1999, 'CD', '2004-01-01 00:00:00'), ('Comedy', 'D', NULL, 'VHS', NULL),"
    "('Comedy', 'E', 2001, 'VHS', NULL), ('Comedy', 'F', 2002, 'CD', NULL);"
    "INSERT INTO Movies_C (Name) VALUES ('Comedy'), ('Drama'), ('Żywioły');"
    "INSERT INTO AddressBook (Category, L_Name) VALUES ('Work', 'Smith'), ('Home', 'Brown'), ('home', 'Ćwik');");

// Opens the window through the Tools menu and waits until every chart is counted.
StatisticsWindow* openStatistics(TKOLTForm* w)
{
    w->commands()->miStatistics->trigger();
    auto* stats = w->findChild<StatisticsWindow*>();
    if (!stats)
        return nullptr;
    QSignalSpy done(stats, &StatisticsWindow::countingFinished);
    if (!done.wait(10000))
        return nullptr;
    return stats;
}

bool recountDone(StatisticsWindow* stats, const std::function<void()>& change)
{
    QSignalSpy done(stats, &StatisticsWindow::countingFinished);
    change();
    return done.wait(10000);
}

qint64 valueOf(const ChartPanel* panel, const QString& label)
{
    for (const auto& e : panel->values().entries)
        if (e.label.compare(label, Qt::CaseInsensitive) == 0)
            return e.value;
    return -1;
}

} // namespace

class TestStatisticsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyChartOfEachFolderIsDrawn_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<QStringList>("charts");
        QTest::newRow("movies") << 0 << QStringList{"categories", "decades", "media", "actors", "directors", "growth"};
        QTest::newRow("music") << 1 << QStringList{"categories", "decades", "media", "artists", "growth"};
        QTest::newRow("books") << 2 << QStringList{"categories", "decades", "authors", "growth"};
        QTest::newRow("programs") << 3 << QStringList{"categories", "decades", "media", "growth"};
        QTest::newRow("address book") << 4 << QStringList{"categories"};
    }
    void everyChartOfEachFolderIsDrawn()
    {
        QFETCH(int, folder);
        QFETCH(QStringList, charts);
        MainWindowFixture fx(kCatalogue);
        StatisticsWindow* stats = openStatistics(fx.window);
        QVERIFY(stats);
        if (folder != 0)
            QVERIFY(recountDone(stats, [&] { stats->setFolder(folder); }));
        for (const QString& id : charts) {
            ChartPanel* p = stats->panel(id);
            QVERIFY2(p && p->isReady(), qPrintable(id));
            QVERIFY(p->chartView()->chart());
        }
        QVERIFY(!stats->panel(QStringLiteral("none")));
        if (folder == 4)
            QCOMPARE(valueOf(stats->panel(QStringLiteral("categories")), QStringLiteral("home")), 2);
        QVERIFY(fx.messages.errors().isEmpty());
    }

    void onlyTheItemsShownFollowsTheCategoryFilter()
    {
        MainWindowFixture fx(kCatalogue);
        QComboBox* box = fx.window->categoryBox();
        box->setCurrentIndex(box->findText(QStringLiteral("Drama")));
        fx.window->cbCategoriesChange();
        StatisticsWindow* stats = openStatistics(fx.window);
        QVERIFY(stats);
        // Unticked: the whole folder.
        QCOMPARE(valueOf(stats->panel(QStringLiteral("categories")), QStringLiteral("Comedy")), 3);
        QVERIFY(stats->totalsText().startsWith(QStringLiteral("6 items")));

        QVERIFY(recountDone(stats, [&] { stats->setOnlyShown(true); }));
        const ChartPanel* categories = stats->panel(QStringLiteral("categories"));
        QCOMPARE(int(categories->values().entries.size()), 1);
        QCOMPARE(valueOf(categories, QStringLiteral("Drama")), 2);
        QCOMPARE(valueOf(stats->panel(QStringLiteral("decades")), QStringLiteral("1940s")), 1);
        QVERIFY(stats->totalsText().contains(QStringLiteral("2 items")));

        QVERIFY(recountDone(stats, [&] { stats->setOnlyShown(false); }));
        QCOMPARE(valueOf(stats->panel(QStringLiteral("categories")), QStringLiteral("Comedy")), 3);
        stats->close();
    }

    void clickingACategoryFiltersTheFolder()
    {
        MainWindowFixture fx(kCatalogue);
        fx.window->show();
        QPointer<StatisticsWindow> stats = openStatistics(fx.window);
        QVERIFY(stats);
        QVERIFY(recountDone(stats, [&] { stats->setFolder(4); }));
        ChartPanel* categories = stats->panel(QStringLiteral("categories"));
        // Bars stand largest on top: the set holds them bottom up.
        QBarSet* bars = categories->barSet();
        QVERIFY(bars);
        const int top = bars->count() - 1;
        QCOMPARE(bars->at(top), 2.0);

        // Hovering tells the exact value.
        Q_EMIT bars->hovered(true, top);
        QTRY_VERIFY(QToolTip::text().contains(QStringLiteral("2 items")));

        Q_EMIT bars->clicked(top);
        QTRY_VERIFY(!stats);
        QCOMPARE(fx.window->CurrentFolder(), 4);
        QCOMPARE(fx.window->categoryBox()->currentText().toLower(), QStringLiteral("home"));
        TDAOQuery& query = fx.window->folderQuery(4);
        QCOMPARE(query.RecordCount(), 2);
        QVERIFY(fx.messages.errors().isEmpty());
    }

    void showAsTableGivesTheValues()
    {
        MainWindowFixture fx(kCatalogue);
        StatisticsWindow* stats = openStatistics(fx.window);
        QVERIFY(stats);
        stats->show();
        stats->setShowTable(true);
        const ChartPanel* media = stats->panel(QStringLiteral("media"));
        QTableWidget* table = media->table();
        QVERIFY(table->isVisible());
        QVERIFY(!media->chartView()->isVisible());
        QCOMPARE(table->rowCount(), 3);
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r)
            rows << table->item(r, 0)->text() + QLatin1Char('=') + table->item(r, 1)->text();
        QCOMPARE(rows, (QStringList{"CD=2", "DVD=2", "VHS=2"}));
        QCOMPARE(media->chartView()->accessibleDescription(), QStringLiteral("CD: 2; DVD: 2; VHS: 2"));
        stats->setShowTable(false);
        QVERIFY(media->chartView()->isVisible());
        stats->close();
    }

    void savedSvgHoldsTheCharts()
    {
        MainWindowFixture fx(kCatalogue);
        StatisticsWindow* stats = openStatistics(fx.window);
        QVERIFY(stats);
        stats->show();
        QVERIFY(QTest::qWaitForWindowExposed(stats));
        const QString svg = fx.cat.filePath(QStringLiteral("stats.svg"));
        QVERIFY(stats->saveTo(svg));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString text;
        bool rootIsSvg = false;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("svg"))
                rootIsSvg = true;
            if (xml.isCharacters())
                text += xml.text();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(rootIsSvg);
        for (const char* label : {"Items per category", "Żywioły", "Comedy", "1930s", "Growth of the collection"})
            QVERIFY2(text.contains(QString::fromUtf8(label)), label);

        const QString png = fx.cat.filePath(QStringLiteral("stats.png"));
        QVERIFY(stats->saveTo(png));
        QImage image(png);
        QVERIFY(!image.isNull());
        QVERIFY(!stats->saveTo(fx.cat.filePath(QStringLiteral("no/such/folder/x.png"))));
        stats->close();
    }

    void resultsOfAnEarlierCountAreDropped()
    {
        MainWindowFixture fx(kCatalogue);
        StatisticsWindow* stats = openStatistics(fx.window);
        QVERIFY(stats);
        stats->setFolder(4);
        // The address book's count ends with its results still waiting in the event queue.
        while (stats->isCounting())
            QThread::msleep(5);
        stats->setFolder(0);
        QSignalSpy done(stats, &StatisticsWindow::countingFinished);
        QVERIFY(done.wait(10000));
        for (const QString& id : {QStringLiteral("categories"), QStringLiteral("actors"), QStringLiteral("growth")})
            QVERIFY2(stats->panel(id)->isReady(), qPrintable(id));
        QCOMPARE(valueOf(stats->panel(QStringLiteral("categories")), QStringLiteral("Work")), -1);
        QVERIFY(stats->totalsText().startsWith(QStringLiteral("6 items")));
        stats->close();
    }

    void aFailedCountShowsOneErrorBox()
    {
        MessageRecorder messages;
        QTemporaryDir dir;
        StatisticsWindow::Context context;
        context.cataloguePath = dir.filePath(QStringLiteral("gone.mdb"));
        auto* stats = new StatisticsWindow(context);
        QTRY_VERIFY(!stats->isCounting());
        QTRY_COMPARE(messages.errors().size(), 1);
        QVERIFY2(messages.errors().constFirst().contains(QStringLiteral("gone.mdb")),
                 qPrintable(messages.errors().constFirst()));
        QCOMPARE(stats->totalsText(), QStringLiteral("The statistics could not be counted."));
        QTest::qWait(50);
        QCOMPARE(messages.errors().size(), 1);
        delete stats;
    }

    void printGoesThroughThePrintDialog()
    {
        MainWindowFixture fx(kCatalogue);
        StatisticsWindow* stats = openStatistics(fx.window);
        QVERIFY(stats);
        stats->show();
        QPushButton* print = nullptr;
        for (QPushButton* b : stats->findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Print"))
                print = b;
        QVERIFY(print);
        bool dialogSeen = false;
        onModal<QPrintDialog>([&](QPrintDialog* dialog) {
            dialogSeen = true;
            dialog->reject();
        });
        print->click();
        QVERIFY(dialogSeen);
        QVERIFY(fx.messages.errors().isEmpty());
        stats->close();
    }

    void closingWhileCountingStopsTheCount()
    {
        // Enough cast rows that counting them takes a while.
        MainWindowFixture fx(
            kCatalogue
            + QStringLiteral(";WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 400000) "
                             "INSERT INTO Mv_Cast (P_Id, Name) SELECT 1 + k % 6, 'N' || (k % 5000) FROM n"));
        QElapsedTimer clock;
        clock.start();
        StatisticsWindow* whole = openStatistics(fx.window);
        QVERIFY(whole);
        const qint64 fullCount = clock.elapsed();
        whole->close();
        QTest::qWait(10);

        fx.window->commands()->miStatistics->trigger();
        QPointer<StatisticsWindow> stats = fx.window->findChildren<StatisticsWindow*>().constLast();
        QVERIFY(stats);
        // Closed while the cast is being counted (the longest count, which both lanes start
        // with): that count stops where it is.
        QTest::qWait(int(fullCount / 4));
        QVERIFY(stats->isCounting());
        clock.restart();
        stats->close();
        const qint64 closing = clock.elapsed();
        QVERIFY2(closing * 2 < fullCount,
                 qPrintable(QStringLiteral("%1 ms to close, %2 ms to count").arg(closing).arg(fullCount)));
        QTRY_VERIFY(!stats);
        QTest::qWait(50);
        QVERIFY(fx.messages.errors().isEmpty());
    }
};

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
