#include "ButtonTabBar.h"
#include "FolderBar.h"
#include "FolderPanel.h"
#include "GridText.h"
#include "LookupListForm.h"
#include "MainCommands.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "OtherProgram.h"
#include "TDBComboBox.h"
#include "TDBEdit.h"
#include "TDBGrid.h"
#include "TItemAllForm.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

using OtherProgram::fileColumn;
using Answer = MessageService::Answer;

namespace {

const QString kLists = QStringLiteral("insert into Movies_C (Name) values ('Western'), ('drama');"
                                      "insert into Music_C (Name) values ('Rock'), ('Jazz');"
                                      "insert into Books_C (Name) values ('Poetry'), ('Novel');"
                                      "insert into Programs_C (Name) values ('zeta'), ('Office');"
                                      "insert into AddBook_C (Name) values ('Work'), ('Family');");

const QString kLongActor = QStringLiteral("Alexander Christopher Montgomery-Whitfield");

const QString kCast
    = QStringLiteral(
          "insert into Movies (Category, Title, Media_type) values ('Drama', 'Alpha', 'CD'), ('Drama', 'Bravo', 'CD');"
          "insert into Mv_Cast (P_Id, Name) values (1, 'Bob'), (2, 'Cid');"
          "insert into Movies_A (Name) values ('Bob'), ('Cid'), ('%1');")
          .arg(kLongActor);

QStringList boxItems(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList tabCaptions(QTabBar* tabs)
{
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i)
        out << tabs->tabText(i);
    return out;
}

QStringList stored(const MainWindowFixture& f, const QString& sql)
{
    return fileColumn(f.cat.path(), sql);
}

QAction* popupEntry(TKOLTForm* w, const QString& text)
{
    for (QAction* a : w->commands()->PopupMenu1->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

} // namespace

class TestLookupCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The Tools menu opens the chosen folder's lists whichever folder is shown; the toolbar and
    // the pop-up open those of the folder shown.
    void toolsOpenTheFoldersLists_data()
    {
        QTest::addColumn<QString>("via");
        QTest::addColumn<int>("folder");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QStringList>("categories");
        const QStringList movieTabs{"Categories", "Directors", "Actors"};
        const QStringList one{"Categories"};
        struct Row
        {
            int folder;
            const char* form;
            const char* caption;
            QStringList tabs;
            QStringList categories;
        };
        const std::vector<Row> rows{
            {0, "T_MoviesForm", "Tools - movies", movieTabs, {"drama", "Western"}},
            {1, "T_MusicForm", "Tools - music", {"Categories", "Artists"}, {"Jazz", "Rock"}},
            {2, "T_BooksForm", "Tools - books", {"Categories", "Authors"}, {"Novel", "Poetry"}},
            {3, "T_ProgForm", "Tools - programs", one, {"zeta", "Office"}},
            {4, "T_AddBookForm", "Tools - addres book", one, {"Family", "Work"}},
        };
        for (const char* via : {"Tools menu", "toolbar", "pop-up"}) {
            for (const Row& r : rows) {
                QTest::addRow("%s, %s", via, r.caption)
                    << QString::fromLatin1(via) << r.folder << QString::fromLatin1(r.form)
                    << QString::fromLatin1(r.caption) << r.tabs << r.categories;
            }
        }
    }

    void toolsOpenTheFoldersLists()
    {
        QFETCH(QString, via);
        QFETCH(int, folder);
        QFETCH(QString, form);
        QFETCH(QString, caption);
        QFETCH(QStringList, tabs);
        QFETCH(QStringList, categories);
        MainWindowFixture f(kLists);
        TKOLTForm* w = f.window;
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        bool seen = false;
        whenModalOpens([&](QWidget* dialog) {
            auto* lists = qobject_cast<LookupListForm*>(dialog);
            QVERIFY(lists);
            seen = true;
            QCOMPARE(lists->objectName(), form);
            QCOMPARE(lists->windowTitle(), caption);
            QCOMPARE(lists->parentWidget(), static_cast<QWidget*>(w));
            QCOMPARE(tabCaptions(lists->tabStrip()), tabs);
            QCOMPARE(lists->tabStrip()->currentIndex(), 0);
            QCOMPARE(gridColumn(lists->grid(), 0), categories);
            QVERIFY(lists->grid()->hasFocus());
            QTest::mouseClick(lists->btExit, Qt::LeftButton);
        });
        MainCommands* c = w->commands();
        if (via == QLatin1String("Tools menu")) {
            w->SelectFolder((folder + 1) % 5, QStringLiteral("another folder"));
            c->miTools[size_t(folder)]->trigger();
        } else {
            w->folderBar()->button(folder)->click();
            if (via == QLatin1String("toolbar"))
                QTest::mouseClick(w->toolbar()->widgetForAction(c->tbTools), Qt::LeftButton);
            else
                popupEntry(w, QStringLiteral("Tools..."))->trigger();
        }
        QVERIFY(seen);
        QVERIFY(f.messages.requests.empty());
    }

    // The category box shows the lists as they were when the folder was chosen.
    void categoryBoxIsNotReloaded()
    {
        MainWindowFixture f(kLists);
        TKOLTForm* w = f.window;
        w->show();
        whenModalOpens([&](QWidget* dialog) {
            auto* lists = qobject_cast<LookupListForm*>(dialog);
            QVERIFY(lists);
            whenModalOpens([&](QWidget* entry) {
                QTest::keyClicks(qobject_cast<TItemAllForm*>(entry)->DBEdit1, QStringLiteral("Noir"));
                QTest::mouseClick(qobject_cast<TItemAllForm*>(entry)->btOK, Qt::LeftButton);
            });
            QTest::mouseClick(lists->btAdd, Qt::LeftButton);
            lists->close();
        });
        w->tbToolsClick();
        QCOMPARE(stored(f, QStringLiteral("select Name from Movies_C order by Id")),
                 (QStringList{"Western", "drama", "Noir"}));
        QCOMPARE(boxItems(w->categoryBox()), (QStringList{"All categories", "drama", "Western"}));
    }

    void castButtonsDoNothingWithoutAMovie()
    {
        MainWindowFixture f(QStringLiteral("insert into Movies_A (Name) values ('Bob')"));
        FolderPanel* movies = f.window->panel(0);
        QVERIFY(!closeWhatOpens([&] { QTest::mouseClick(movies->addDetailButton(), Qt::LeftButton); }));
        QVERIFY(!closeWhatOpens([&] { QTest::mouseClick(movies->deleteDetailButton(), Qt::LeftButton); }));
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(f.dm().qrMv_Cast.State(), TDataSetState::Browse);
    }

    // "Add cast" over the movie current in the grid: its name is picked from the actors or
    // typed; Cancel gives the new row up.
    void addCast_data()
    {
        QTest::addColumn<QString>("typed"); // empty: the first actor is picked with Down
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QStringList>("cast"); // as the list shows it: a new name comes last
        QTest::addColumn<QStringList>("actors");
        const QStringList actors{"Bob", "Cid", kLongActor};
        QTest::newRow("Cancel stores nothing") << "Dee" << false << QStringList{"Cid"} << actors;
        QTest::newRow("a new name joins the actors")
            << "Dee" << true << QStringList{"Cid", "Dee"} << actors + QStringList{"Dee"};
        QTest::newRow("a new name that begins a listed one is stored as typed")
            << "Bo" << true << QStringList{"Cid", "Bo"} << actors + QStringList{"Bo"};
        QTest::newRow("a listed name in other letter case takes the list's spelling")
            << "BOB" << true << QStringList{"Cid", "Bob"} << actors;
        QTest::newRow("a picked name is cut to the cast's 30 characters")
            << "" << true << QStringList{"Cid", kLongActor.left(30)} << actors + QStringList{kLongActor.left(30)};
    }

    void addCast()
    {
        QFETCH(QString, typed);
        QFETCH(bool, confirmed);
        QFETCH(QStringList, cast);
        QFETCH(QStringList, actors);
        MainWindowFixture f(kCast);
        TKOLTForm* w = f.window;
        w->show();
        f.dm().qrMovies.MoveTo(1); // Bravo
        whenModalOpens([&](QWidget* dialog) {
            auto* entry = qobject_cast<TItemAllForm*>(dialog);
            QVERIFY(entry);
            QCOMPARE(entry->windowTitle(), QStringLiteral("Add cast"));
            QCOMPARE(entry->parentWidget(), static_cast<QWidget*>(w));
            QVERIFY(entry->DBComboBox1->isVisible());
            QVERIFY(entry->DBComboBox1->hasFocus());
            QVERIFY(!entry->DBEdit1->isVisible());
            QVERIFY(!entry->DBEdit1->dataSource());
            QCOMPARE(boxItems(entry->DBComboBox1), (QStringList{kLongActor, "Bob", "Cid"}));
            QCOMPARE(entry->DBComboBox1->currentText(), QString());
            QCOMPARE(f.dm().qrMv_Cast.State(), TDataSetState::Insert);
            if (typed.isEmpty())
                QTest::keyClick(entry->DBComboBox1, Qt::Key_Down);
            else
                QTest::keyClicks(entry->DBComboBox1->lineEdit(), typed);
            // Neither key closes the dialog or posts from the box.
            QTest::keyClick(entry->DBComboBox1, Qt::Key_Escape);
            QTest::keyClick(entry->DBComboBox1, Qt::Key_Return);
            settle();
            QVERIFY(entry->isVisible());
            QCOMPARE(f.dm().qrMv_Cast.State(), TDataSetState::Insert);
            QTest::mouseClick(confirmed ? entry->btOK : entry->btCancel, Qt::LeftButton);
        });
        QTest::mouseClick(w->panel(0)->addDetailButton(), Qt::LeftButton);
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(f.dm().qrMv_Cast.State(), TDataSetState::Browse);
        QStringList castByName = cast;
        castByName.sort();
        QCOMPARE(stored(f, QStringLiteral("select Name from Mv_Cast where P_Id = 2 order by Name")), castByName);
        QCOMPARE(stored(f, QStringLiteral("select Name from Movies_A order by Id")), actors);
        QCOMPARE(gridColumn(w->panel(0)->detailList(), 0), cast); // the list follows by itself
        QCOMPARE(gridColumn(w->grid(0), 0), (QStringList{"Alpha", "Bravo"}));
    }

    // Without the actors' list there is no dialog and no new row left behind.
    void addCastWithoutTheActorsList()
    {
        MainWindowFixture f(kCast);
        TKOLTForm* w = f.window;
        f.exec(QStringLiteral("drop table Movies_A"));
        const QByteArray before = f.cat.bytes();
        QVERIFY(!closeWhatOpens([&] { QTest::mouseClick(w->panel(0)->addDetailButton(), Qt::LeftButton); }));
        QCOMPARE(f.messages.errors().size(), 1);
        const QString error = f.messages.errors().front();
        QVERIFY2(error.contains(QLatin1String("Movies_A")), qPrintable(error));
        QCOMPARE(f.dm().qrMv_Cast.State(), TDataSetState::Browse);
        QCOMPARE(gridColumn(w->panel(0)->detailList(), 0), QStringList{"Bob"});
        QTRY_VERIFY(!ItemAllForm);
        QCOMPARE(f.cat.bytes(), before);
    }

    void deleteCast_data()
    {
        QTest::addColumn<int>("movie");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("Yes deletes") << 0 << int(Answer::Yes) << QStringList{"Delete item?"} << QStringList{"Cid"};
        QTest::newRow("No keeps") << 0 << int(Answer::No) << QStringList{"Delete item?"} << QStringList{"Bob", "Cid"};
        QTest::newRow("an empty cast asks nothing")
            << 2 << int(Answer::Yes) << QStringList() << QStringList{"Bob", "Cid"};
    }

    void deleteCast()
    {
        QFETCH(int, movie);
        QFETCH(int, answer);
        QFETCH(QStringList, questions);
        QFETCH(QStringList, left);
        MainWindowFixture f(kCast
                            + QStringLiteral(";insert into Movies (Category, Title, Media_type) "
                                             "values ('Drama', 'Charlie', 'CD')"));
        TKOLTForm* w = f.window;
        f.dm().qrMovies.MoveTo(movie);
        f.messages.answers.push_back(Answer(answer));
        QTest::mouseClick(w->panel(0)->deleteDetailButton(), Qt::LeftButton);
        QCOMPARE(f.messages.questions(), questions);
        QCOMPARE(stored(f, QStringLiteral("select Name from Mv_Cast order by Name")), left);
        QCOMPARE(f.dm().qrMovies.RecNo(), movie);
    }
};

QTEST_MAIN(TestLookupCommands)
#include "tst_lookupcommands.moc"
