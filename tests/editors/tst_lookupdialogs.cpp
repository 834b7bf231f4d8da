#include "BoundFixture.h"
#include "ButtonTabBar.h"
#include "GridText.h"
#include "LayoutCheck.h"
#include "ModalDriver.h"
#include "OtherProgram.h"
#include "TDBEdit.h"
#include "TDBGrid.h"
#include "TItemAllForm.h"
#include "TT_MoviesForm.h"
#include "TT_ProgForm.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScreen>

using OtherProgram::fileColumn;
using Answer = MessageService::Answer;

namespace {

const QString kLists
    = QStringLiteral("insert into Movies_C (Name) values ('Western'), ('drama'), ('Comedy');"
                     "insert into Movies_A (Name) values ('Zoe'), ('Anna');"
                     "insert into Programs_C (Name) values ('zeta'), ('Office');"
                     "insert into Movies (Category, Title, Media_type) values ('drama', 'Heat', 'CD');");

template <typename Form> Form* open(BoundFixture& f)
{
    f.show();
    auto* form = new Form(&f.window, f.dm);
    form->show();
    if (!QTest::qWaitFor([form] { return form->isActiveWindow(); }))
        qWarning("the dialog did not become active");
    return form;
}

void clickTab(LookupListForm* form, int index)
{
    QTest::mouseClick(form->tabStrip(), Qt::LeftButton, Qt::NoModifier, form->tabStrip()->tabRect(index).center());
}

void clickRow(LookupListForm* form, int row)
{
    TDBGrid* grid = form->grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(grid->model()->index(row, 0)).center());
}

QStringList names(const BoundFixture& f, const char* table)
{
    return fileColumn(f.cat.path(), QStringLiteral("select Name from %1 order by Id").arg(QLatin1String(table)));
}

bool opensADialog(QPushButton* button)
{
    return closeWhatOpens([button] { QTest::mouseClick(button, Qt::LeftButton); });
}

} // namespace

class TestLookupDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensOnCategoriesWithTheFocusInTheList()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        QCOMPARE(T_MoviesForm, form);
        QCOMPARE(form->tabStrip()->currentIndex(), 0);
        QVERIFY(form->grid()->hasFocus());
        QCOMPARE(f.dm.dsT_Movies.DataSet(), &f.dm.tbC_Movies);
        QCOMPARE(gridColumn(form->grid(), 0), (QStringList{"Comedy", "drama", "Western"})); // by name
        QCOMPARE(f.dm.tbC_Movies.RecNo(), 0);
        // The list: titles, indicator, one column, whole rows, nothing edited in place.
        TDBGrid* grid = form->grid();
        QCOMPARE(grid->model()->columnCount(), 1);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QVERIFY(grid->horizontalHeader()->isVisible() && grid->verticalHeader()->isVisible());
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QTest::mouseClick(form->btExit, Qt::LeftButton);
        QTRY_VERIFY(!T_MoviesForm);
    }

    void programsKeepTheirStoredOrder()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_ProgForm>(f);
        QCOMPARE(T_ProgForm, form);
        QCOMPARE(form->tabStrip()->count(), 1);
        QCOMPARE(gridColumn(form->grid(), 0), (QStringList{"zeta", "Office"}));
        form->close();
    }

    // Each tab shows its own list; the dialog opens again on "Categories" whatever was left.
    void tabsRepointTheList()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        clickTab(form, 2);
        QCOMPARE(form->tabStrip()->currentIndex(), 2);
        QCOMPARE(f.dm.dsT_Movies.DataSet(), &f.dm.tbA_Movies);
        QCOMPARE(gridColumn(form->grid(), 0), (QStringList{"Anna", "Zoe"}));
        clickTab(form, 1);
        QCOMPARE(f.dm.dsT_Movies.DataSet(), &f.dm.tbD_Movies);
        QVERIFY(gridColumn(form->grid(), 0).isEmpty());
        clickTab(form, 2);
        QTest::mouseClick(form->btExit, Qt::LeftButton);
        QTRY_VERIFY(!T_MoviesForm);

        form = open<TT_MoviesForm>(f);
        QCOMPARE(form->tabStrip()->currentIndex(), 0);
        QCOMPARE(gridColumn(form->grid(), 0), (QStringList{"Comedy", "drama", "Western"}));
        QVERIFY(f.messages.requests.empty());
        form->close();
    }

    void addStoresANameInTheShownList_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("table");
        QTest::newRow("categories") << 0 << "Add category"
                                    << "Movies_C";
        QTest::newRow("directors") << 1 << "Add director"
                                   << "Movies_D";
        QTest::newRow("actors") << 2 << "Add actor"
                                << "Movies_A";
    }

    void addStoresANameInTheShownList()
    {
        QFETCH(int, tab);
        QFETCH(QString, caption);
        QFETCH(QString, table);
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        clickTab(form, tab);
        const QStringList before = names(f, qPrintable(table));
        whenModalOpens([&](QWidget* dialog) {
            auto* entry = qobject_cast<TItemAllForm*>(dialog);
            QVERIFY(entry);
            QCOMPARE(entry->windowTitle(), caption);
            QCOMPARE(entry->parentWidget(), form);
            QVERIFY(entry->DBEdit1->hasFocus());
            QTest::keyClicks(entry->DBEdit1, QStringLiteral("Kim"));
            QTest::mouseClick(entry->btOK, Qt::LeftButton);
        });
        QTest::mouseClick(form->btAdd, Qt::LeftButton);
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(names(f, qPrintable(table)), before + QStringList{"Kim"});
        QVERIFY(gridColumn(form->grid(), 0).contains(QStringLiteral("Kim")));
        QCOMPARE(form->shownTable().State(), TDataSetState::Browse);
        form->close();
    }

    // A rename changes the list only: the movie filed under the old name keeps it.
    void editRenamesTheCurrentName()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        clickRow(form, 1); // drama
        whenModalOpens([&](QWidget* dialog) {
            auto* entry = qobject_cast<TItemAllForm*>(dialog);
            QVERIFY(entry);
            QCOMPARE(entry->windowTitle(), QStringLiteral("Edit category"));
            QCOMPARE(entry->DBEdit1->text(), QStringLiteral("drama"));
            entry->DBEdit1->selectAll();
            QTest::keyClicks(entry->DBEdit1, QStringLiteral("Thriller"));
            QTest::mouseClick(entry->btOK, Qt::LeftButton);
        });
        QTest::mouseClick(form->btEdit, Qt::LeftButton);
        QCOMPARE(names(f, "Movies_C"), (QStringList{"Western", "Thriller", "Comedy"}));
        QCOMPARE(fileColumn(f.cat.path(), QStringLiteral("select Category from Movies")), QStringList{"drama"});
        QCOMPARE(gridColumn(form->grid(), 0), (QStringList{"Comedy", "Thriller", "Western"}));
        form->close();
    }

    void editAndDeleteOnAnEmptyListDoNothing()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        clickTab(form, 1); // no directors
        QVERIFY(!opensADialog(form->btEdit));
        QVERIFY(!opensADialog(form->btDel));
        form->grid()->setFocus();
        QTest::keyClick(form->grid(), Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(f.dm.tbD_Movies.State(), TDataSetState::Browse);
        QVERIFY(form->isVisible());
        form->close();
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("left");
        const QStringList all{"Western", "drama", "Comedy"};
        const QStringList withoutDrama{"Western", "Comedy"};
        QTest::newRow("Delete, Yes") << false << int(Answer::Yes) << withoutDrama;
        QTest::newRow("Delete, No") << false << int(Answer::No) << all;
        QTest::newRow("Ctrl+Delete, OK") << true << int(Answer::Ok) << withoutDrama;
        QTest::newRow("Ctrl+Delete, Cancel") << true << int(Answer::Cancel) << all;
    }

    void deleteAsksFirst()
    {
        QFETCH(bool, byKey);
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        clickRow(form, 1); // drama
        f.messages.answers.push_back(Answer(answer));
        if (byKey)
            QTest::keyClick(form->grid(), Qt::Key_Delete, Qt::ControlModifier);
        else
            QTest::mouseClick(form->btDel, Qt::LeftButton);
        QCOMPARE(f.messages.requests.size(), size_t(1));
        const MessageService::Request& asked = f.messages.requests.front();
        QCOMPARE(asked.kind, byKey ? MessageService::Kind::Confirmation : MessageService::Kind::Question);
        QCOMPARE(asked.text, byKey ? QStringLiteral("Delete record?") : QStringLiteral("Delete item?"));
        QCOMPARE(names(f, "Movies_C"), left);
        QCOMPARE(gridColumn(form->grid(), 0).size(), left.size());
        if (left.size() == 3)
            QCOMPARE(f.dm.tbC_Movies.FieldByName(QStringLiteral("Name")).AsString(), QStringLiteral("drama"));
        QVERIFY(form->isVisible());
        form->close();
    }

    // No key of the list inserts, edits or deletes without asking.
    void listKeysChangeNothing()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        TDBGrid* grid = form->grid();
        const QByteArray before = f.cat.bytes();
        for (const Qt::Key key :
             {Qt::Key_Insert, Qt::Key_F2, Qt::Key_Return, Qt::Key_Delete, Qt::Key_X, Qt::Key_Space}) {
            QTest::keyClick(grid, key);
            QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        }
        QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        QCOMPARE(f.dm.tbC_Movies.RecNo(), 2);
        QVERIFY(f.messages.requests.empty());
        QVERIFY(!ItemAllForm);
        QCOMPARE(f.cat.bytes(), before);
        form->close();
    }

    // No default and no cancel button here either.
    void escapeAndEnter()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        QTest::keyClick(form->grid(), Qt::Key_Escape);
        QTest::keyClick(form->grid(), Qt::Key_Enter);
        settle();
        QVERIFY(form->isVisible());
        QVERIFY(!ItemAllForm);
        form->btAdd->setFocus();
        whenModalOpens([&](QWidget* dialog) { dialog->close(); });
        QTest::keyClick(form->btAdd, Qt::Key_Return); // the focused button acts
        QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        form->btExit->setFocus();
        QTest::keyClick(form->btExit, Qt::Key_Escape);
        QVERIFY(form->isVisible());
        QTest::keyClick(form->btExit, Qt::Key_Enter);
        QTRY_VERIFY(!T_MoviesForm);
        QCOMPARE(names(f, "Movies_C"), (QStringList{"Western", "drama", "Comedy"}));
    }

    // An error in a handler is shown; the dialog stays, and nothing is lost.
    void deleteWhileTheFileIsBusy()
    {
        BoundFixture f(kLists);
        auto* form = open<TT_MoviesForm>(f);
        OtherProgram::Reader reader(f.cat.path());
        f.messages.answers.push_back(Answer::Yes);
        QTest::mouseClick(form->btDel, Qt::LeftButton);
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY(f.messages.errors().front().contains(QLatin1String("in use by another program")));
        QVERIFY(form->isVisible());
        QCOMPARE(gridColumn(form->grid(), 0), (QStringList{"Comedy", "drama", "Western"}));
        reader.stop();
        QCOMPARE(names(f, "Movies_C"), (QStringList{"Western", "drama", "Comedy"}));
        form->close();
    }

    // Laid out for the font in use: a fixed size no smaller than drawn, centred, nothing
    // clipped or overlapping, the buttons down the right.
    void layoutFitsTheFont()
    {
        BoundFixture f(kLists);
        f.show();
        auto* form = new TT_MoviesForm(&f.window, f.dm);
        whenModalOpens([&](QWidget*) {
            QCOMPARE(form->windowTitle(), QStringLiteral("Tools - movies"));
            QCOMPARE(form->minimumSize(), form->maximumSize());
            QVERIFY(form->width() >= form->scaledWidth(332) && form->height() >= form->scaledHeight(324));
            const QPoint offCentre = form->frameGeometry().center() - form->screen()->availableGeometry().center();
            QVERIFY(qAbs(offCentre.x()) <= 2 && qAbs(offCentre.y()) <= 2);
            const QString fault = layoutFault(
                form, {form->tabStrip(), form->grid(), form->btAdd, form->btEdit, form->btDel, form->btExit});
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
            auto top = [form](QWidget* w) { return w->mapTo(form, QPoint()).y(); };
            QVERIFY(top(form->btAdd) < top(form->btEdit));
            QVERIFY(top(form->btEdit) - top(form->btAdd) < top(form->btDel) - top(form->btEdit)); // a little lower
            QVERIFY(form->height() - (top(form->btExit) + form->btExit->height()) < form->btExit->height());
            const int gridRight = form->grid()->mapTo(form, QPoint(form->grid()->width(), 0)).x();
            QVERIFY(form->btAdd->mapTo(form, QPoint()).x() > gridRight);
            QVERIFY(form->grid()->columnWidth(0) >= 200);
            form->close();
        });
        form->showModal();
    }
};

KOLT_TEST_MAIN_WITH_READER(QApplication, TestLookupDialogs)

#include "tst_lookupdialogs.moc"
