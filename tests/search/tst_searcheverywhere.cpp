#include "MainCommands.h"
#include "MainWindowFixture.h"
#include "OtherProgram.h"
#include "Procedury.h"
#include "SearchEverywhere.h"
#include "SearchIndex.h"
#include "SearchResultsPopup.h"
#include "TDBGrid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const char* const kCatalogue = R"SQL(
INSERT INTO Movies (Id, Category, Title, Year, Media_type, Director) VALUES
 (1, 'Drama', 'Łódź Stories', 1984, 'DVD', 'Émile Zola'),
 (2, 'Comedy', 'Brief Encounter', 1945, 'DVD', 'David Lean'),
 (3, 'Comedy', 'Zorba', 1964, 'DVD', 'Michael Cacoyannis');
INSERT INTO Movies_C (Name) VALUES ('Comedy'), ('Drama');
INSERT INTO Mv_Cast (P_Id, Name) VALUES (2, 'Celia Johnson'), (3, 'Anthony Quinn');
INSERT INTO Books (Id, Category, Title, Author, Year, Description) VALUES
 (1, 'Novel', 'Germinal', 'Émile Zola', 1885, '{\rtf1 A novel of the {\b coal} miners of the north of France\par}'),
 (2, 'Novel', 'Nana', 'Émile Zola', 1880, NULL);
INSERT INTO Music (Id, Category, Title, Artist, Media_type) VALUES (1, 'Jazz', 'Night Train', 'Oscar Peterson', 'CD');
INSERT INTO Mu_Songs (P_Id, Track, Title) VALUES (1, 1, 'C Jam Blues'), (1, 2, 'Zoltan''s Theme');
)SQL";

QStringList rows(QTreeWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0);
    return out;
}

} // namespace

class tst_SearchEverywhere : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resultsWhileTyping();
    void enterShowsTheItem();
    void escapeGoesBack();
    void shortcutAndMenu();
    void postedItemFoundAtOnce();
    void typingOnDropsEarlierResults();
    void staleIndexReadsTheFolders();
};

void tst_SearchEverywhere::resultsWhileTyping()
{
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    f.window->show();
    SearchEverywhere* search = f.window->searchEverywhere();
    QVERIFY(search);
    QVERIFY(search->index()->isCurrent());
    QTest::keyClicks(search->field(), QStringLiteral("zol"));
    // Nothing until the user pauses.
    QVERIFY(!search->popup()->isVisible());
    QTRY_VERIFY(search->popup()->isVisible());
    QCOMPARE(rows(search->popup()->list()),
             (QStringList{u"Movies (1)"_qs, u"Łódź Stories"_qs, u"Music (1)"_qs, u"Night Train"_qs, u"Books (2)"_qs,
                          u"Germinal"_qs, u"Nana"_qs}));
    // Each result says where it matched.
    QCOMPARE(search->popup()->list()->topLevelItem(3)->toolTip(0), QStringLiteral("Songs: Zoltan's Theme"));
    QTest::keyClicks(search->field(), QStringLiteral("a coal"));
    QTRY_COMPARE(rows(search->popup()->list()), (QStringList{u"Books (1)"_qs, u"Germinal"_qs}));
    QVERIFY(f.messages.errors().isEmpty());
}

void tst_SearchEverywhere::enterShowsTheItem()
{
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    f.window->show();
    // The Movies folder narrowed to comedies: the drama found must still be shown.
    QComboBox* box = f.window->categoryBox();
    box->setCurrentIndex(box->findText(QStringLiteral("Comedy")));
    f.window->cbCategoriesChange();
    QCOMPARE(f.window->folderQuery(0).RecordCount(), 2);
    SearchEverywhere* search = f.window->searchEverywhere();
    search->field()->setFocus();
    QTest::keyClicks(search->field(), QStringLiteral("lodz"));
    // Enter before the results are in: the first one is shown once they are.
    QTest::keyClick(search->field(), Qt::Key_Return);
    QTRY_COMPARE(f.window->folderQuery(0).FieldByName(QStringLiteral("Title")).AsString(),
                 QStringLiteral("Łódź Stories"));
    QCOMPARE(f.window->CurrentFolder(), 0);
    QCOMPARE(box->currentIndex(), 0);
    QVERIFY(!search->popup()->isVisible());

    // To another folder, picking the third result with the arrow keys.
    search->field()->clear();
    QTest::keyClicks(search->field(), QStringLiteral("zola"));
    QTRY_VERIFY(search->popup()->isVisible());
    QTest::keyClick(search->field(), Qt::Key_Down);
    QTest::keyClick(search->field(), Qt::Key_Down);
    QTest::keyClick(search->field(), Qt::Key_Return);
    QCOMPARE(f.window->CurrentFolder(), 2);
    QCOMPARE(f.window->folderQuery(2).FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Nana"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.window->grid(2)));
    QVERIFY(f.messages.errors().isEmpty());
}

void tst_SearchEverywhere::escapeGoesBack()
{
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    TDBGrid* grid = f.window->grid(0);
    grid->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(grid));
    SearchEverywhere* search = f.window->searchEverywhere();
    search->action()->trigger();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(search->field()));
    QTest::keyClicks(search->field(), QStringLiteral("quinn"));
    QTRY_VERIFY(search->popup()->isVisible());
    QTest::keyClick(search->field(), Qt::Key_Escape);
    QVERIFY(!search->popup()->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(grid));
    // Nothing moved.
    QCOMPARE(f.window->CurrentFolder(), 0);
}

void tst_SearchEverywhere::shortcutAndMenu()
{
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    SearchEverywhere* search = f.window->searchEverywhere();
    QCOMPARE(search->action()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    QStringList editMenu;
    for (QAction* menu : f.window->menuBar()->actions()) {
        if (menu->text() == QLatin1String("&Edit")) {
            for (QAction* a : menu->menu()->actions())
                editMenu << a->text();
        }
    }
    QVERIFY(editMenu.contains(QStringLiteral("Search everywhere…")));
    // The field sits right after the folder's own Search box and Find button.
    const QList<QAction*> bar = f.window->toolbar()->actions();
    qsizetype find = -1, field = -1;
    for (qsizetype i = 0; i < bar.size(); ++i) {
        if (f.window->toolbar()->widgetForAction(bar[i]) == f.window->commands()->tbFind)
            find = i;
        if (f.window->toolbar()->widgetForAction(bar[i]) == search->field())
            field = i;
    }
    QVERIFY(find >= 0);
    QCOMPARE(field, find + 1);
}

void tst_SearchEverywhere::postedItemFoundAtOnce()
{
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    TDM& dm = f.dm();
    dm.qrBooks.Open();
    dm.tbC_Books.Open();
    dm.tbA_Books.Open();
    dm.qrBooks.Insert();
    dm.qrBooks.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Thérèse Raquin"));
    dm.qrBooks.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
    Procedury::PostRecord(dm.qrBooks);
    SearchEverywhere* search = f.window->searchEverywhere();
    search->field()->setText(QStringLiteral("therese"));
    search->searchNow();
    QTRY_COMPARE(rows(search->popup()->list()), (QStringList{u"Books (1)"_qs, u"Thérèse Raquin"_qs}));
    QVERIFY(search->index()->isCurrent());
}

void tst_SearchEverywhere::typingOnDropsEarlierResults()
{
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    f.window->show();
    SearchEverywhere* search = f.window->searchEverywhere();
    for (const QString& typed : {u"z"_qs, u"zo"_qs, u"zol"_qs, u"quinn"_qs}) {
        search->field()->setText(typed);
        search->searchNow();
    }
    QTRY_VERIFY(!search->isSearching());
    QCOMPARE(rows(search->popup()->list()), (QStringList{u"Movies (1)"_qs, u"Zorba"_qs}));
    // Nothing of the searches typed over comes later.
    QTest::qWait(300);
    QCOMPARE(rows(search->popup()->list()), (QStringList{u"Movies (1)"_qs, u"Zorba"_qs}));
    QVERIFY(f.messages.errors().isEmpty());
}

void tst_SearchEverywhere::staleIndexReadsTheFolders()
{
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    f.window->show();
    SearchEverywhere* search = f.window->searchEverywhere();
    // Another program renames a book: the index no longer says what the catalogue holds.
    OtherProgram::rawExec(f.dm().dbKOLT.DatabaseName(), QStringLiteral("UPDATE Books SET Title = 'Pot-Bouille' "
                                                                       "WHERE Id = 2;"));
    search->field()->setText(QStringLiteral("bouille"));
    search->searchNow();
    QTRY_COMPARE(rows(search->popup()->list()), (QStringList{u"Books (1)"_qs, u"Pot-Bouille"_qs}));
    QVERIFY(!search->index()->isCurrent());
    search->field()->setText(QStringLiteral("nana"));
    search->searchNow();
    QTRY_VERIFY(!search->isSearching());
    QCOMPARE(rows(search->popup()->list()), QStringList{});
    QVERIFY(f.messages.errors().isEmpty());
}

// With --shot FILE: the window and its results while "zo" is typed, as a picture of the screen.
int shot(int argc, char** argv)
{
    if (argc != 3 || QByteArray(argv[1]) != "--shot")
        return -1;
    QApplication app(argc, argv);
    MainWindowFixture f(QString::fromUtf8(kCatalogue));
    f.window->resize(1200, 720);
    f.window->show();
    if (!QTest::qWaitForWindowExposed(f.window))
        return 1;
    SearchEverywhere* search = f.window->searchEverywhere();
    search->action()->trigger();
    QTest::keyClicks(search->field(), QStringLiteral("zo"));
    QTest::qWait(600);
    return f.window->screen()->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (const int done = shot(argc, argv); done >= 0)
        return done;
    QApplication app(argc, argv);
    tst_SearchEverywhere test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_searcheverywhere.moc"
