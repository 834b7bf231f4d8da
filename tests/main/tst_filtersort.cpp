#include "DataGridModel.h"
#include "ErrorGuard.h"
#include "FolderPanel.h"
#include "GridText.h"
#include "MainWindowFixture.h"
#include "Procedury.h"
#include "SortMarkerHeader.h"
#include "TDBGrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

const QString kCatalogue = QStringLiteral(
    "insert into Movies (Category, Title, Media_type, Year, M_no) values "
    "('Drama', 'Bravo', 'CD', 1999, 'M2'), ('Comedy', 'Alpha', 'DVD', 2001, 'M4'), "
    "('Drama', 'charlie', 'VHS', 1990, 'M1'), ('Western', 'Delta', 'CD', 1970, 'M3'), "
    "('Rock ''n'' Roll', 'Echo', 'CD', 1985, 'M5');"
    "insert into Movies_C (Name) values ('Drama'), ('Comedy'), ('Western'), ('Rock ''n'' Roll');"
    "insert into AddressBook (Category, F_Name, L_Name) values ('Work', 'Zoe', 'Smith'), ('Work', 'Adam', 'Smith'), "
    "('Home', 'Bea', 'Brown'), ('Home', NULL, 'Ćwik');"
    "insert into AddBook_C (Name) values ('Home'), ('Work');"
    "insert into Programs (Category, Name, Version, Media_type) values ('Office', 'Calc', '2.0', 'CD');");

// "A": ascending, "D": descending, ".": none, one letter per column.
QString markers(TDBGrid* grid)
{
    QString s;
    for (const GridColumn& c : grid->gridModel()->columns())
        s += c.marker == GridColumn::Marker::Ascending
                 ? QLatin1Char('A')
                 : (c.marker == GridColumn::Marker::Descending ? QLatin1Char('D') : QLatin1Char('.'));
    return s;
}

// Clicks given as "<column>" (plain) or "^<column>" (with Ctrl), "|" for letting Ctrl go.
void clickTitles(TKOLTForm* w, TDBGrid* grid, const QString& clicks)
{
    for (const QString& click : clicks.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (click == QLatin1String("|")) {
            Q_EMIT grid->controlReleased();
            continue;
        }
        const bool ctrl = click.startsWith(QLatin1Char('^'));
        const int col = click.mid(ctrl ? 1 : 0).toInt();
        ErrorGuard::run([&] { w->gridMovTitleBtnClick(grid, col, ctrl ? Qt::ControlModifier : Qt::NoModifier); });
    }
}

void choose(TKOLTForm* w, const QString& category)
{
    w->categoryBox()->setCurrentIndex(w->categoryBox()->findText(category));
    ErrorGuard::run([&] { w->cbCategoriesChange(); });
}

} // namespace

class TestFilterSort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleClicks_data()
    {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("markers");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("searchField");
        const QStringList byTitle{"Alpha", "Bravo", "charlie", "Delta", "Echo"};
        const QStringList byTitleDesc{"Echo", "Delta", "charlie", "Bravo", "Alpha"};
        const QStringList byYear{"Delta", "Echo", "charlie", "Bravo", "Alpha"};
        const QStringList byYearDesc{"Alpha", "Bravo", "charlie", "Echo", "Delta"};
        QTest::newRow("start") << ""
                               << "A...." << byTitle << "Title";
        QTest::newRow("plain on ascending sorts descending") << "0"
                                                             << "D...." << byTitleDesc << "Title";
        QTest::newRow("plain twice sorts ascending again") << "0 0"
                                                           << "A...." << byTitle << "Title";
        QTest::newRow("plain on unmarked clears the other") << "4"
                                                            << "....A" << byYear << "Year";
        QTest::newRow("ctrl waits for the release") << "^4"
                                                    << "....A" << byTitle << "Year";
        QTest::newRow("ctrl then release") << "^4 |"
                                           << "....A" << byYear << "Year";
        QTest::newRow("several ctrl clicks, one reaction") << "^4 ^4 |"
                                                           << "....D" << byYearDesc << "Year";
        QTest::newRow("ctrl on descending removes the marker") << "0 ^0 |"
                                                               << "....." << byTitleDesc << "Title";
        QTest::newRow("release without a pending click") << "|"
                                                         << "A...." << byTitle << "Title";
        QTest::newRow("category column") << "1"
                                         << ".A..." << QStringList{"Alpha", "Bravo", "charlie", "Echo", "Delta"}
                                         << "Category";
    }

    void titleClicks()
    {
        QFETCH(QString, clicks);
        QFETCH(QString, markers);
        QFETCH(QStringList, titles);
        QFETCH(QString, searchField);
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        TDBGrid* grid = w->grid(0);
        clickTitles(w, grid, clicks);
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(::markers(grid), markers);
        if (clicks != QLatin1String("1")) {
            QCOMPARE(gridColumn(grid, 0), titles);
        } else { // ties in Category keep no fixed order among themselves: compare the categories
            QCOMPARE(gridColumn(grid, 1), (QStringList{"Comedy", "Drama", "Drama", "Rock 'n' Roll", "Western"}));
        }
        QCOMPARE(w->SearchField(0), searchField);
        QCOMPARE(f.dm().qrMovies.RecNo(), 0);
    }

    // A large folder that no index orders (a read-only catalogue) is sorted beside the window:
    // after a click the grid shows the same items in their old order, then the new order; a
    // category chosen shows none until its items are sorted.
    void largeFolderWithoutIndexesSortsBesideTheWindow()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        TDBGrid* grid = w->grid(0);
        TDAOQuery& movies = f.dm().qrMovies;
        movies.setOrderBesideFrom(1); // five movies count as many here
        const QStringList byTitle{"Alpha", "Bravo", "charlie", "Delta", "Echo"};
        QCOMPARE(gridColumn(grid, 0), byTitle);

        clickTitles(w, grid, QStringLiteral("0"));
        QCOMPARE(markers(grid), QStringLiteral("D...."));
        QVERIFY(movies.OrderPending());
        QCOMPARE(gridColumn(grid, 0), byTitle);
        QTRY_VERIFY(!movies.OrderPending());
        QCOMPARE(gridColumn(grid, 0), (QStringList{"Echo", "Delta", "charlie", "Bravo", "Alpha"}));

        choose(w, QStringLiteral("Drama"));
        QVERIFY(movies.OrderPending());
        QCOMPARE(gridColumn(grid, 0), QStringList());
        QTRY_VERIFY(!movies.OrderPending());
        QCOMPARE(gridColumn(grid, 0), (QStringList{"charlie", "Bravo"}));
        QCOMPARE(movies.RecNo(), 0);
        QVERIFY(f.messages.errors().isEmpty());
    }

    void plainClickSettlesAWaitingCtrlClick()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        TDBGrid* grid = w->grid(0);
        clickTitles(w, grid, QStringLiteral("^4 1")); // Ctrl let go elsewhere, then a plain click
        QCOMPARE(markers(grid), QStringLiteral(".A..."));
        f.dm().qrMovies.MoveTo(2);
        Q_EMIT grid->controlReleased(); // a later Ctrl press and release in the grid
        QCOMPARE(f.dm().qrMovies.RecNo(), 2);
    }

    void failingCastListIsShownAndTheGridStillFollows()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        f.exec(QStringLiteral("drop table Mv_Cast"));
        clickTitles(w, w->grid(0), QStringLiteral("1"));
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY2(f.messages.errors().front().contains(QLatin1String("Mv_Cast")),
                 qPrintable(f.messages.errors().front()));
        QCOMPARE(w->grid(0)->model()->rowCount(), 5);
        QVERIFY(!f.dm().qrMovies.ControlsDisabled());
    }

    void oneItemOrNoneKeepsTheOrder()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        w->SelectFolder(3, QStringLiteral("Programs"));
        const QStringList before = f.dm().qrProg.SQL();
        clickTitles(w, w->grid(3), QStringLiteral("2"));
        QCOMPARE(markers(w->grid(3)), QStringLiteral("..A.."));
        QCOMPARE(w->SearchField(3), QStringLiteral("Category"));
        QCOMPARE(f.dm().qrProg.SQL(), before);
    }

    void versionIsNotATitleButton()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        w->show();
        w->SelectFolder(3, QStringLiteral("Programs"));
        QVERIFY(QTest::qWaitForWindowExposed(w));
        TDBGrid* grid = w->grid(3);
        QSignalSpy clicked(grid, &TDBGrid::titleClicked);
        SortMarkerHeader* titles = grid->titles();
        const QPoint version(titles->sectionViewportPosition(1) + titles->sectionSize(1) / 2, titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, version);
        QCOMPARE(clicked.count(), 0);
        const QPoint category(titles->sectionViewportPosition(2) + titles->sectionSize(2) / 2, titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::ControlModifier, category);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.front().at(1).value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ControlModifier));
        QCOMPARE(w->SearchField(3), QStringLiteral("Category"));
    }

    void addressBookNameSortsByLastNameOnly()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        w->SelectFolder(4, QStringLiteral("Address Book"));
        clickTitles(w, w->grid(4), QStringLiteral("0"));
        QCOMPARE(f.dm().qrAddBook.SQL(), QStringList{"select * from AddressBook order by L_Name DESC"});
        const QStringList names = gridColumn(w->grid(4), 0);
        QCOMPARE(names.mid(2), (QStringList{"Ćwik ", "Brown Bea"}));
        QVERIFY(names.mid(0, 2).contains(QStringLiteral("Smith Zoe"))
                && names.mid(0, 2).contains(QStringLiteral("Smith Adam")));
        // Find by the starting search field looks at the last name.
        w->searchBox()->setText(QStringLiteral("ćw"));
        w->tbFindClick();
        QCOMPARE(f.dm().qrAddBook.FieldByName(QStringLiteral("L_Name")).AsString(), QStringLiteral("Ćwik"));
    }

    void categoryIsKeptBySortingAndDroppedBySwitching()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        choose(w, QStringLiteral("Drama"));
        QCOMPARE(gridColumn(w->grid(0), 0), (QStringList{"Bravo", "charlie"}));
        clickTitles(w, w->grid(0), QStringLiteral("0"));
        QCOMPARE(gridColumn(w->grid(0), 0), (QStringList{"charlie", "Bravo"}));
        QCOMPARE(w->categoryBox()->currentText(), QStringLiteral("Drama"));
        w->SelectFolder(0, QStringLiteral("Movies"));
        QCOMPARE(gridColumn(w->grid(0), 0), (QStringList{"Echo", "Delta", "charlie", "Bravo", "Alpha"}));
        QCOMPARE(w->categoryBox()->currentIndex(), 0);
        choose(w, QStringLiteral("Western"));
        choose(w, QStringLiteral("All categories"));
        QCOMPARE(gridColumn(w->grid(0), 0).size(), 5);
    }

    void categoryWithAQuoteFilters()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        choose(w, QStringLiteral("Rock 'n' Roll"));
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(gridColumn(w->grid(0), 0), QStringList{"Echo"});
        QCOMPARE(f.dm().qrMovies.Filter(), QStringLiteral("Category = 'Rock ''n'' Roll'"));
    }

    void filterAndSortRepaintOnce()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        QSignalSpy resets(w->grid(0)->model(), &QAbstractItemModel::modelReset);
        QSignalSpy castResets(w->panel(0)->detailList()->model(), &QAbstractItemModel::modelReset);
        choose(w, QStringLiteral("Drama"));
        QCOMPARE(resets.count(), 1);
        QCOMPARE(castResets.count(), 1);
        clickTitles(w, w->grid(0), QStringLiteral("4"));
        QCOMPARE(resets.count(), 2);
        QCOMPARE(castResets.count(), 2);
    }

    void find_data()
    {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        QTest::newRow("title, letter case ignored") << ""
                                                    << ""
                                                    << "CH"
                                                    << "charlie";
        QTest::newRow("no match changes nothing") << ""
                                                  << ""
                                                  << "Zulu"
                                                  << "Bravo";
        QTest::newRow("clicked column") << "1"
                                        << ""
                                        << "west"
                                        << "Delta";
        QTest::newRow("within the category only") << ""
                                                  << "Drama"
                                                  << "b"
                                                  << "Bravo";
        QTest::newRow("outside the category not found") << ""
                                                        << "Drama"
                                                        << "alp"
                                                        << "Bravo";
        QTest::newRow("year must be equal") << "4"
                                            << ""
                                            << "1985"
                                            << "Echo";
        QTest::newRow("year prefix is not enough") << "4"
                                                   << ""
                                                   << "19"
                                                   << "Bravo";
        QTest::newRow("star matches a run") << ""
                                            << ""
                                            << "d*a"
                                            << "Delta";
        QTest::newRow("percent is literal") << ""
                                            << ""
                                            << "%"
                                            << "Bravo";
    }

    void find()
    {
        QFETCH(QString, clicks);
        QFETCH(QString, category);
        QFETCH(QString, typed);
        QFETCH(QString, found);
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        clickTitles(w, w->grid(0), clicks);
        if (!category.isEmpty())
            choose(w, category);
        // Stand on Bravo first (or the second row) so that "nothing changes" can be seen.
        if (!f.dm().qrMovies.Locate(QStringLiteral("Title"), {QStringLiteral("Bravo")}, 0))
            f.dm().qrMovies.MoveTo(1);
        w->searchBox()->setText(typed);
        QTest::keyClick(w->searchBox(), Qt::Key_Return); // Enter clicks Find
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(f.dm().qrMovies.FieldByName(QStringLiteral("Title")).AsString(), found);
        QCOMPARE(w->grid(0)->currentIndex().row(), f.dm().qrMovies.RecNo());
    }

    void postedMovieShowsAllWhileTheBoxKeepsTheCategory()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        choose(w, QStringLiteral("Western"));
        f.dm().tbC_Movies.Open();
        f.dm().tbD_Movies.Open();
        f.dm().qrMovies.Edit();
        f.dm().qrMovies.FieldByName(QStringLiteral("Year")).SetAsInteger(1971);
        Procedury::PostRecord(f.dm().qrMovies);
        QCOMPARE(gridColumn(w->grid(0), 0).size(), 5);
        QCOMPARE(w->categoryBox()->currentText(), QStringLiteral("Western"));
        QCOMPARE(w->grid(0)->currentIndex().row(), 0);
    }

    void failedReopenLeavesTheViewsWorking()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        f.exec(QStringLiteral("alter table Movies rename to Movies_away"));
        clickTitles(w, w->grid(0), QStringLiteral("4"));
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY(!f.dm().qrMovies.Active());
        QVERIFY(!f.dm().qrMovies.ControlsDisabled());
        QCOMPARE(w->grid(0)->model()->rowCount(), 0);
        // A title click on a closed query changes nothing; the next reopening shows the query,
        // in the order asked for last.
        f.exec(QStringLiteral("alter table Movies_away rename to Movies"));
        clickTitles(w, w->grid(0), QStringLiteral("4"));
        QCOMPARE(w->grid(0)->model()->rowCount(), 0);
        w->SelectFolder(0, QStringLiteral("Movies"));
        QCOMPARE(f.messages.errors().size(), 1);
        QCOMPARE(gridColumn(w->grid(0), 0), (QStringList{"Delta", "Echo", "charlie", "Bravo", "Alpha"}));
    }
};

QTEST_MAIN(TestFilterSort)
#include "tst_filtersort.moc"
