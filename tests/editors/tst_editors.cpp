#include "EventLoop.h"
#include "FolderPanel.h"
#include "GridText.h"
#include "ItemEditor.h"
#include "MainCommands.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "OtherProgram.h"
#include "TAddressBookForm.h"
#include "TDBComboBox.h"
#include "TDBGrid.h"
#include "TItemAllForm.h"
#include "TMovieForm.h"
#include "TMusicForm.h"
#include "TSongForm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

struct Typing
{
    QString field;
    QString text;
};

// Types into the control bound to a field, as a user does: the line of a drop-down list, or the box.
void typeInto(ItemEditor* editor, const QString& field, const QString& text)
{
    QWidget* w = editor->controlWidget(field);
    QVERIFY2(w, qPrintable(field));
    w->setFocus();
    if (auto* box = qobject_cast<QComboBox*>(w)) {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
    } else {
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->selectAll();
        QTest::keyClicks(w, text);
    }
}

void click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// One item in every folder, with its lookup names.
const QString kOneOfEach
    = QStringLiteral("insert into Movies (Category, Title, Media_type) values ('Drama', 'Heat', 'DVD');"
                     "insert into Mv_Cast (P_Id, Name) values (1, 'Old hand');"
                     "insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'Blue', 'Miles', 'CD');"
                     "insert into Mu_Songs (P_Id, Track, Title) values (1, 1, 'a');"
                     "insert into Books (Category, Title) values ('Novel', 'Emma');"
                     "insert into Programs (Category, Name, Media_type) values ('Tools', 'Ed', 'CD');"
                     "insert into AddressBook (Category, L_Name) values ('Work', 'Smith');"
                     "insert into Movies_C (Name) values ('Drama'); insert into Music_C (Name) values ('Jazz');");

QString folderCaption(int folder)
{
    static const QStringList captions{"Movies", "Music", "Books", "Programs", "Address Book"};
    return captions.at(folder);
}

} // namespace

Q_DECLARE_METATYPE(Typing)

class TestEditors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { closeModals(); }

    void addTypeOk_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<QList<Typing>>("typing");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("expected");
        QTest::newRow("movie") << 0 << QList<Typing>{{"Category", "Noir"}, {"Title", "Heat"}, {"Year", "1995"}}
                               << "select Category || Title || Year || Media_type from Movies"
                               << "NoirHeat1995CD";
        QTest::newRow("album") << 1 << QList<Typing>{{"Category", "Jazz"}, {"Title", "Blue"}, {"Artist", "Miles"}}
                               << "select Category || Title || Artist || Media_type from Music"
                               << "JazzBlueMilesCD";
        QTest::newRow("book") << 2 << QList<Typing>{{"Category", "Novel"}, {"Title", "Emma"}, {"Tot_pg", "412"}}
                              << "select Category || Title || Tot_pg from Books"
                              << "NovelEmma412";
        QTest::newRow("program") << 3 << QList<Typing>{{"Category", "Tools"}, {"Name", "Ed"}, {"Version", "2.1"}}
                                 << "select Category || Name || Version || Media_type from Programs"
                                 << "ToolsEd2.1CD";
        QTest::newRow("address") << 4 << QList<Typing>{{"L_Name", "Smith"}, {"Category", "Work"}, {"F_Name", "Ann"}}
                                 << "select Category || L_Name || F_Name from AddressBook"
                                 << "WorkSmithAnn";
    }

    // Add, type, OK: stored, with the new name in the category list.
    void addTypeOk()
    {
        QFETCH(int, folder);
        QFETCH(QList<Typing>, typing);
        QFETCH(QString, check);
        QFETCH(QString, expected);
        MainWindowFixture f;
        f.window->SelectFolder(folder, folderCaption(folder));
        onModal<ItemEditor>([&](ItemEditor* e) {
            for (const Typing& t : typing)
                typeInto(e, t.field, t.text);
            click(e->btOK);
        });
        f.window->tbAddClick();
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(f.scalar(check).toString(), expected);
        QVERIFY(f.messages.errors().isEmpty());
    }

    void editChangeOkStores_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("check");
        QTest::newRow("movie") << 0 << "Title"
                               << "select Title from Movies";
        QTest::newRow("album") << 1 << "Title"
                               << "select Title from Music";
        QTest::newRow("book") << 2 << "Title"
                              << "select Title from Books";
        QTest::newRow("program") << 3 << "Name"
                                 << "select Name from Programs";
        QTest::newRow("address") << 4 << "L_Name"
                                 << "select L_Name from AddressBook";
    }

    // Edit, change, OK: stored; Edit, change, close box: discarded.
    void editChangeOkStores()
    {
        QFETCH(int, folder);
        QFETCH(QString, field);
        QFETCH(QString, check);
        MainWindowFixture f(kOneOfEach);
        f.window->SelectFolder(folder, folderCaption(folder));
        onModal<ItemEditor>([&](ItemEditor* e) {
            typeInto(e, field, QStringLiteral("Changed"));
            click(e->btOK);
        });
        f.window->tbEditClick();
        QCOMPARE(f.scalar(check).toString(), QStringLiteral("Changed"));

        onModal<ItemEditor>([&](ItemEditor* e) {
            typeInto(e, field, QStringLiteral("Thrown away"));
            e->close(); // the close box
        });
        f.window->tbEditClick();
        QCOMPARE(f.scalar(check).toString(), QStringLiteral("Changed"));
        QCOMPARE(f.window->folderQuery(folder).State(), TDataSetState::Browse);
    }

    void requiredFieldRefusalMovesTheFocus_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<QList<Typing>>("typing");
        QTest::addColumn<QString>("missing");
        QTest::newRow("movie without a title") << 0 << QList<Typing>{{"Category", "Noir"}} << "Title";
        QTest::newRow("address without a category") << 4 << QList<Typing>{{"L_Name", "Smith"}} << "Category";
        QTest::newRow("book without anything") << 2 << QList<Typing>{} << "Category";
    }

    void requiredFieldRefusalMovesTheFocus()
    {
        QFETCH(int, folder);
        QFETCH(QList<Typing>, typing);
        QFETCH(QString, missing);
        MainWindowFixture f;
        f.window->SelectFolder(folder, folderCaption(folder));
        bool stayedOpen = false;
        onModal<ItemEditor>([&](ItemEditor* e) {
            for (const Typing& t : typing)
                typeInto(e, t.field, t.text);
            click(e->btOK);
            stayedOpen = e->isVisible() && e->controlWidget(missing)->hasFocus();
            click(e->btCancel);
        });
        f.window->tbAddClick();
        QVERIFY(stayedOpen);
        QCOMPARE(f.messages.errors(), QStringList{QStringLiteral("Field '%1' must have a value.").arg(missing)});
        QCOMPARE(f.window->folderQuery(folder).RecordCount(), 0); // Cancel discarded the new item
    }

    // Cast entered for a new movie goes with it when it is cancelled, and stays with a stored one.
    void castOfACancelledMovie_data()
    {
        QTest::addColumn<bool>("newMovie");
        QTest::addColumn<QStringList>("castAfter");
        QTest::newRow("new movie") << true << QStringList{"Old hand"};
        QTest::newRow("stored movie") << false << QStringList{"Old hand", "Newcomer"};
    }

    void castOfACancelledMovie()
    {
        QFETCH(bool, newMovie);
        QFETCH(QStringList, castAfter);
        MainWindowFixture f(kOneOfEach);
        onModal<TMovieForm>([&](TMovieForm* e) {
            onModal<TItemAllForm>([](TItemAllForm* cast) {
                QTest::keyClicks(cast->DBComboBox1->lineEdit(), QStringLiteral("Newcomer"));
                click(cast->btOK);
            });
            e->RxSpeedButton1Click();
            QCOMPARE(gridColumn(e->gridMv_Cast, 0).contains(QStringLiteral("Newcomer")), true);
            click(e->btCancel);
        });
        if (newMovie)
            f.window->tbAddClick();
        else
            f.window->tbEditClick();
        QCOMPARE(f.column(QStringLiteral("select Name from Mv_Cast order by Id")), castAfter);
        // The actor is in the actors' list either way: the cast row was posted.
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Movies_A where Name = 'Newcomer'")).toInt(), 1);
    }

    void songsOfACancelledAlbum_data()
    {
        QTest::addColumn<bool>("newAlbum");
        QTest::addColumn<int>("songsAfter");
        QTest::newRow("new album: its three songs go") << true << 1;
        QTest::newRow("stored album: they stay") << false << 4;
    }

    void songsOfACancelledAlbum()
    {
        QFETCH(bool, newAlbum);
        QFETCH(int, songsAfter);
        MainWindowFixture f(kOneOfEach);
        f.window->SelectFolder(1, folderCaption(1));
        onModal<TMusicForm>([&](TMusicForm* e) {
            for (const char* title : {"One", "Two", "Three"}) {
                onModal<TSongForm>([title](TSongForm* song) {
                    typeInto(song, QStringLiteral("Title"), QLatin1String(title));
                    click(song->btOK);
                });
                e->RxSpeedButton1Click();
            }
            click(e->btCancel);
        });
        if (newAlbum)
            f.window->tbAddClick();
        else
            f.window->tbEditClick();
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Mu_Songs")).toInt(), songsAfter);
    }

    void deletingTheSecondOfThreeSongsRenumbers()
    {
        MainWindowFixture f(
            kOneOfEach + QStringLiteral("insert into Mu_Songs (P_Id, Track, Title) values (1, 2, 'b'), (1, 3, 'c');"));
        f.window->SelectFolder(1, folderCaption(1));
        f.messages.answers = {MessageService::Answer::Yes};
        onModal<TMusicForm>([&](TMusicForm* e) {
            QCOMPARE(gridColumn(e->gridMu_Songs, 1), (QStringList{"a", "b", "c"}));
            DM->qrMu_Songs.MoveTo(1);
            e->RxSpeedButton3Click();
            QCOMPARE(gridColumn(e->gridMu_Songs, 0), (QStringList{"1", "2"}));
            click(e->btCancel);
        });
        f.window->tbEditClick();
        QCOMPARE(f.column(QStringLiteral("select Track || Title from Mu_Songs order by Track")),
                 (QStringList{"1a", "2c"}));
    }

    void pickedCategoryIsStoredCut()
    {
        MainWindowFixture f(
            kOneOfEach
            + QStringLiteral("insert into Movies_C (Name) values ('A category of more than twenty letters');"));
        onModal<TMovieForm>([&](TMovieForm* e) {
            auto* box = qobject_cast<QComboBox*>(e->controlWidget(QStringLiteral("Category")));
            box->setFocus();
            const int at = box->findText(QStringLiteral("A category of more than twenty letters"));
            QVERIFY(at >= 0);
            box->setCurrentIndex(at == 0 ? 1 : 0);
            QTest::keyClick(box, at == 0 ? Qt::Key_Up : Qt::Key_Down);
            QCOMPARE(box->currentIndex(), at);
            click(e->btOK);
        });
        f.window->tbEditClick();
        QCOMPARE(f.column(QStringLiteral("select Category from Movies")), QStringList{"A category of more t"});
        QVERIFY(f.column(QStringLiteral("select Name from Movies_C")).contains(QStringLiteral("A category of more t")));
    }

    void mediaTypeOutsideTheListSurvives()
    {
        MainWindowFixture f(kOneOfEach + QStringLiteral("update Movies set Media_type = 'LaserDisc';"));
        onModal<TMovieForm>([&](TMovieForm* e) {
            QCOMPARE(qobject_cast<QComboBox*>(e->controlWidget(QStringLiteral("Media_type")))->currentIndex(), -1);
            typeInto(e, QStringLiteral("Title"), QStringLiteral("Changed"));
            click(e->btOK);
        });
        f.window->tbEditClick();
        QCOMPARE(f.column(QStringLiteral("select Media_type || Title from Movies")), QStringList{"LaserDiscChanged"});
    }

    void newProgramShowsCd()
    {
        MainWindowFixture f;
        f.window->SelectFolder(3, folderCaption(3));
        QString shown;
        onModal<ItemEditor>([&](ItemEditor* e) {
            shown = qobject_cast<QComboBox*>(e->controlWidget(QStringLiteral("Media_type")))->currentText();
            click(e->btCancel);
        });
        f.window->tbAddClick();
        QCOMPARE(shown, QStringLiteral("CD"));
    }

    void officePageIsStoredAfterSwitchingPages()
    {
        MainWindowFixture f(kOneOfEach);
        f.window->SelectFolder(4, folderCaption(4));
        onModal<TAddressBookForm>([&](TAddressBookForm* e) {
            QCOMPARE(e->pages()->currentIndex(), 0);
            QVERIFY(e->pages()->tabBar()->hasFocus());
            e->pages()->setCurrentIndex(1);
            typeInto(e, QStringLiteral("O_Comp"), QStringLiteral("Acme"));
            e->pages()->setCurrentIndex(0);
            typeInto(e, QStringLiteral("H_Tel"), QStringLiteral("555"));
            click(e->btOK);
        });
        f.window->tbEditClick();
        QCOMPARE(f.column(QStringLiteral("select O_Comp || H_Tel from AddressBook")), QStringList{"Acme555"});
    }

    // The album editor opens with the focus on Cancel: Enter at once closes it, discarding a new album.
    void enterRightAfterOpeningTheAlbumEditorCancels()
    {
        MainWindowFixture f;
        f.window->SelectFolder(1, folderCaption(1));
        bool cancelFocused = false;
        onModal<TMusicForm>([&](TMusicForm* e) {
            cancelFocused = e->btCancel->hasFocus();
            QTest::keyClick(e, Qt::Key_Return);
        });
        f.window->tbAddClick();
        QVERIFY(cancelFocused);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Music")).toInt(), 0);
    }

    void escapeDoesNotCloseAnEditor()
    {
        MainWindowFixture f(kOneOfEach);
        bool open = false;
        onModal<ItemEditor>([&](ItemEditor* e) {
            QTest::keyClick(e, Qt::Key_Escape);
            QApplication::processEvents();
            open = e->isVisible();
            click(e->btCancel);
        });
        f.window->tbEditClick();
        QVERIFY(open);
    }

    // From the main window: Music, Add, title and artist, two songs, OK.
    void albumWithTwoSongsEndToEnd()
    {
        MainWindowFixture f;
        f.window->SelectFolder(1, folderCaption(1));
        onModal<TMusicForm>([&](TMusicForm* e) {
            typeInto(e, QStringLiteral("Category"), QStringLiteral("Rock"));
            typeInto(e, QStringLiteral("Title"), QStringLiteral("Low"));
            typeInto(e, QStringLiteral("Artist"), QStringLiteral("Bowie"));
            for (const char* title : {"Speed of Life", "Breaking Glass"}) {
                onModal<TSongForm>([title](TSongForm* song) {
                    typeInto(song, QStringLiteral("Title"), QLatin1String(title));
                    click(song->btOK);
                });
                click(e->findChild<QPushButton*>(QStringLiteral("RxSpeedButton1")));
            }
            click(e->btOK);
        });
        f.window->tbAddClick();
        QCOMPARE(gridColumn(f.window->grid(1), 1), QStringList{"Low"});
        QCOMPARE(gridColumn(f.window->panel(1)->detailList(), 0), (QStringList{"1", "2"}));
        QCOMPARE(
            f.column(QStringLiteral("select s.Track || ' ' || s.Title from Mu_Songs s join Music m on s.P_Id = m.Id "
                                    "where m.Title = 'Low' order by s.Track")),
            (QStringList{"1 Speed of Life", "2 Breaking Glass"}));
    }

    // A post the file refuses (another program is reading it) keeps the editor open with
    // everything typed; OK goes through once the file is free, and Cancel leaves it as it was.
    // Cancel while another program reads the file: one box that fits a cancel, and the next
    // movie saved gets only its own cast.
    void cancelRefusedByABusyFileTellsOnceAndGivesNothingAway()
    {
        MainWindowFixture f;
        auto addMovie = [&](const QString& title, const QString& actor, bool ok) {
            onModal<TMovieForm>([&, title, actor, ok](TMovieForm* e) {
                typeInto(e, QStringLiteral("Category"), QStringLiteral("Noir"));
                typeInto(e, QStringLiteral("Title"), title);
                onModal<TItemAllForm>([actor](TItemAllForm* cast) {
                    QTest::keyClicks(cast->DBComboBox1->lineEdit(), actor);
                    click(cast->btOK);
                });
                e->RxSpeedButton1Click();
                if (ok) {
                    click(e->btOK);
                    return;
                }
                OtherProgram::Reader reader(f.cat.path());
                click(e->btCancel);
            });
            f.window->tbAddClick();
        };
        addMovie(QStringLiteral("Cancelled"), QStringLiteral("Cancelled actor"), false);
        QTRY_COMPARE(f.messages.errors().size(), 1);
        settle();
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY2(f.messages.errors().front().startsWith(QLatin1String("The cast entered for the cancelled item could "
                                                                      "not be removed yet")),
                 qPrintable(f.messages.errors().front()));
        addMovie(QStringLiteral("Saved"), QStringLiteral("Own actor"), true);
        QCOMPARE(f.column(QStringLiteral("select c.Name from Mv_Cast c join Movies m on c.P_Id = m.Id")),
                 QStringList{"Own actor"});
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Mv_Cast")).toInt(), 1);
        QCOMPARE(gridColumn(f.window->panel(0)->detailList(), 0), QStringList{"Own actor"});
    }

    void refusedPostKeepsWhatWasTyped_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("OK again once the file is free") << true;
        QTest::newRow("Cancel instead") << false;
    }

    void refusedPostKeepsWhatWasTyped()
    {
        QFETCH(bool, retry);
        MainWindowFixture f;
        const QByteArray before = f.cat.bytes();
        QString titleAfter, categoryAfter;
        bool stayedOpen = false;
        onModal<TMovieForm>([&](TMovieForm* e) {
            typeInto(e, QStringLiteral("Category"), QStringLiteral("Noir"));
            typeInto(e, QStringLiteral("Title"), QStringLiteral("The Third Man"));
            {
                OtherProgram::Reader reader(f.cat.path());
                click(e->btOK);
            }
            stayedOpen = e->isVisible();
            titleAfter = qobject_cast<QLineEdit*>(e->controlWidget(QStringLiteral("Title")))->text();
            categoryAfter = qobject_cast<QComboBox*>(e->controlWidget(QStringLiteral("Category")))->currentText();
            click(retry ? e->btOK : e->btCancel);
        });
        f.window->tbAddClick();
        QVERIFY(stayedOpen);
        QCOMPARE(titleAfter, QStringLiteral("The Third Man"));
        QCOMPARE(categoryAfter, QStringLiteral("Noir"));
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY2(f.messages.errors().front().contains(QLatin1String("in use by another program")),
                 qPrintable(f.messages.errors().front()));
        if (retry) {
            QCOMPARE(OtherProgram::fileColumn(f.cat.path(), QStringLiteral("select Title || Category from Movies")),
                     QStringList{"The Third ManNoir"});
        } else {
            DM->DataModuleDestroy();
            QCOMPARE(f.cat.bytes(), before);
        }
    }

    // A command whose insert fails opens no editor and leaves nothing pending.
    void addWhoseInsertFailsOpensNoEditor()
    {
        MainWindowFixture f(QStringLiteral("drop table Books;"));
        f.window->commands()->miFolders[2]->trigger(); // the books cannot be read
        f.messages.requests.clear();
        QVERIFY(!closeWhatOpens([&] { f.window->commands()->tbAdd->trigger(); }));
        QCOMPARE(f.messages.errors(), QStringList{"qrBooks: Cannot perform this operation on a closed dataset."});
    }

    void editAndDeleteOnAnEmptyFolderDoNothing()
    {
        MainWindowFixture f;
        f.window->tbEditClick();
        f.window->tbDeleteClick();
        f.window->sbDodSongsClick();
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(f.messages.requests.empty());
    }
};

KOLT_TEST_MAIN_WITH_READER(QApplication, TestEditors)
#include "tst_editors.moc"
