#include "DataGridModel.h"
#include "ErrorGuard.h"
#include "FolderBar.h"
#include "FolderPanel.h"
#include "GridText.h"
#include "MainCommands.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "RtfWriter.h"
#include "SpoiltCatalogue.h"
#include "TDBCheckGroup.h"
#include "TDBGrid.h"
#include "TDBRichView.h"
#include "TDBText.h"
#include "TitleBand.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kCatalogue
    = QStringLiteral("insert into Movies (Category, Title, Media_type, Year, Prop, Director) values "
                     "('Drama', 'Bravo', 'CD', 1999, 5, 'D1'), ('Comedy', 'Alpha', 'DVD', 2001, 37, 'D2'), "
                     "('Drama', 'Charlie', 'VHS', 1990, NULL, 'D3'), ('Western', 'Delta', 'CD', 1970, -3, 'D4');"
                     "insert into Mv_Cast (P_Id, Name) values (2, 'Ann'), (2, 'Zed'), (1, 'Bob');"
                     "insert into Movies_C (Name) values ('Drama'), ('comedy'), ('Western');"
                     "insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'Blue', 'Miles', 'CD'), "
                     "('Rock', 'Red', 'Alice', 'MD');"
                     "insert into Mu_Songs (P_Id, Track, Title) values (1, 2, 'Two'), (1, 1, 'One'), (2, 1, 'Solo');"
                     "insert into Music_C (Name) values ('Rock'), ('Jazz');"
                     "insert into Books (Category, Title, Author) values ('Novel', 'Tale', 'A. Writer');"
                     "insert into Programs (Category, Name, Media_type) values ('Office', 'Calc', 'CD');"
                     "insert into Programs_C (Name) values ('zeta'), ('Office');"
                     "insert into AddressBook (Category, F_Name, L_Name) values ('Work', 'John', 'Smith');");

QStringList boxItems(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QString textOf(QWidget* root, const QString& objectName)
{
    auto* label = root->findChild<TDBText*>(objectName);
    return label ? label->text() : QStringLiteral("<missing>");
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsOnMoviesSortedByTitle()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(w->CurrentFolder(), 0);
        QCOMPARE(w->titleBand()->text(), QStringLiteral("Movies"));
        QCOMPARE(w->panelStack()->currentWidget(), static_cast<QWidget*>(w->panel(0)));
        QCOMPARE(gridColumn(w->grid(0), 0), (QStringList{"Alpha", "Bravo", "Charlie", "Delta"}));
        QCOMPARE(boxItems(w->categoryBox()), (QStringList{"All categories", "comedy", "Drama", "Western"}));
        QCOMPARE(w->grid(0)->gridModel()->columns()[0].marker, GridColumn::Marker::Ascending);
        QCOMPARE(gridColumn(w->panel(0)->detailList(), 0), (QStringList{"Ann", "Zed"})); // Alpha's cast
        QAbstractItemModelTester tester(w->grid(0)->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void folderSwitch_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("folder bar") << false;
        QTest::newRow("Folders menu") << true;
    }

    void folderSwitch()
    {
        QFETCH(bool, fromMenu);
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        // A filter, a search text and a sort in Music first.
        w->SelectFolder(1, QStringLiteral("Music"));
        w->gridMovTitleBtnClick(w->grid(1), 1, Qt::NoModifier); // by Title, ascending
        w->categoryBox()->setCurrentIndex(2);                   // "Rock"
        w->cbCategoriesChange();
        QCOMPARE(gridColumn(w->grid(1), 1), QStringList{"Red"});
        w->searchBox()->setText(QStringLiteral("x"));
        w->SelectFolder(0, QStringLiteral("Movies"));

        auto choose = [&](int index) {
            if (fromMenu)
                w->commands()->miFolders[size_t(index)]->trigger();
            else
                w->folderBar()->button(index)->click();
        };
        choose(1);
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(w->CurrentFolder(), 1);
        QCOMPARE(w->titleBand()->text(), QStringLiteral("Music"));
        QCOMPARE(w->panelStack()->currentWidget(), static_cast<QWidget*>(w->panel(1)));
        QCOMPARE(boxItems(w->categoryBox()), (QStringList{"All categories", "Jazz", "Rock"}));
        QCOMPARE(w->categoryBox()->currentIndex(), 0);
        QVERIFY(w->searchBox()->text().isEmpty());
        QCOMPARE(gridColumn(w->grid(1), 1), (QStringList{"Blue", "Red"})); // filter dropped, title order kept
        QCOMPARE(gridColumn(w->panel(1)->detailList(), 1), (QStringList{"One", "Two"}));

        choose(3); // Programs: categories in stored order
        QCOMPARE(boxItems(w->categoryBox()), (QStringList{"All categories", "zeta", "Office"}));
        choose(2); // Books: an empty category table offers only "All categories"
        QCOMPARE(boxItems(w->categoryBox()), QStringList{"All categories"});
        QCOMPARE(w->titleBand()->text(), QStringLiteral("Books"));
    }

    void detailsFollowTheGrid()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        FolderPanel* movies = w->panel(0);
        auto* properties = movies->findChild<TDBCheckGroup*>();
        QVERIFY(properties);
        auto ticks = [&] {
            QString bits;
            for (QCheckBox* box : properties->boxes())
                bits += box->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
            return bits;
        };
        // Alpha: Prop 37 = 1 + 4 + 32: color and widescreen; bit 5 has no box.
        QCOMPARE(textOf(movies, QStringLiteral("dbTitle")), QStringLiteral("Alpha"));
        QCOMPARE(textOf(movies, QStringLiteral("dbYear")), QStringLiteral("2001"));
        QCOMPARE(ticks(), QStringLiteral("10100"));
        w->grid(0)->setCurrentIndex(w->grid(0)->model()->index(1, 0)); // a click on Bravo
        QCOMPARE(f.dm().qrMovies.RecNo(), 1);
        QCOMPARE(textOf(movies, QStringLiteral("dbTitle")), QStringLiteral("Bravo"));
        QCOMPARE(ticks(), QStringLiteral("10100")); // 5
        QCOMPARE(gridColumn(movies->detailList(), 0), QStringList{"Bob"});
        f.dm().qrMovies.MoveTo(2); // Charlie: no properties at all
        QCOMPARE(ticks(), QStringLiteral("00000"));
        QCOMPARE(gridColumn(movies->detailList(), 0), QStringList{});
        QCOMPARE(w->grid(0)->currentIndex().row(), 2);
        f.dm().qrMovies.MoveTo(3); // Delta: a negative value shows all clear
        QCOMPARE(ticks(), QStringLiteral("00000"));
        // The boxes cannot be changed here.
        QTest::mouseClick(properties->boxes()[0], Qt::LeftButton);
        QCOMPARE(ticks(), QStringLiteral("00000"));
    }

    void boundControlsFollowEditsPostsAndCancels()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        FolderPanel* movies = w->panel(0);
        TDAOQuery& q = f.dm().qrMovies;
        q.Edit();
        q.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Alpha (edited)"));
        QCOMPARE(textOf(movies, QStringLiteral("dbTitle")), QStringLiteral("Alpha (edited)"));
        QCOMPARE(w->grid(0)->model()->index(0, 0).data().toString(), QStringLiteral("Alpha (edited)"));
        q.Cancel();
        QCOMPARE(textOf(movies, QStringLiteral("dbTitle")), QStringLiteral("Alpha"));
        QCOMPARE(w->grid(0)->model()->index(0, 0).data().toString(), QStringLiteral("Alpha"));

        // Held back, the views hear of the final state once: the same rows, so the grid's
        // model says they changed rather than starting again.
        QSignalSpy resets(w->grid(0)->model(), &QAbstractItemModel::modelReset);
        QSignalSpy changes(w->grid(0)->model(), &QAbstractItemModel::dataChanged);
        q.DisableControls();
        q.MoveTo(2);
        q.MoveTo(3);
        QCOMPARE(textOf(movies, QStringLiteral("dbTitle")), QStringLiteral("Alpha"));
        q.EnableControls();
        QCOMPARE(resets.count() + changes.count(), 1);
        QCOMPARE(textOf(movies, QStringLiteral("dbTitle")), QStringLiteral("Delta"));
        QCOMPARE(w->grid(0)->currentIndex().row(), 3);
    }

    void descriptionShowsRichOrPlainText()
    {
        QTextDocument doc;
        doc.setHtml(QStringLiteral("<p><b>Bold</b> and <i>italic</i> ł</p>"));
        const QString rtf = RtfWriter::memoText(doc);
        MainWindowFixture f(QStringLiteral("insert into Books (Category, Title, Description) values ('N', 'A', '%1'), "
                                           "('N', 'B', 'plain {\\rtf not at the start}');")
                                .arg(QString(rtf).replace(QLatin1Char('\''), QStringLiteral("''"))));
        TKOLTForm* w = f.window;
        w->SelectFolder(2, QStringLiteral("Books"));
        TDBRichView* view = w->panel(2)->description();
        QCOMPARE(view->toPlainText(), QStringLiteral("Bold and italic ł"));
        QTextCursor c(view->document());
        c.movePosition(QTextCursor::NextCharacter);
        QVERIFY(c.charFormat().font().bold());
        QVERIFY(view->isReadOnly());
        f.dm().qrBooks.Next();
        QCOMPARE(view->toPlainText(), QStringLiteral("plain {\\rtf not at the start}"));
    }

    void viewToggles()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        MainCommands* c = w->commands();
        QVERIFY(c->miV_Panel->isChecked() && c->miV_Toolbar->isChecked());
        c->miV_Panel->trigger(); // as a click on the menu item
        QVERIFY(!c->miV_Panel->isChecked());
        QVERIFY(!w->folderBar()->isVisible());
        w->miV_PanelClick();
        QVERIFY(c->miV_Panel->isChecked());
        QVERIFY(w->folderBar()->isVisible());
        QCOMPARE(w->CurrentFolder(), 0);

        c->miV_Toolbar->trigger();
        QVERIFY(!w->toolbar()->isVisible());
        QVERIFY(!c->miV_Toolbar->isChecked());
        QVERIFY(!w->categoryBox()->isVisible());
        c->miV_Toolbar->trigger();
        QVERIFY(w->toolbar()->isVisible());

        // Floating, the toolbar shows its own close button, which runs ToolbarClose.
        QVERIFY(!c->toolbarClose->isVisible());
        Q_EMIT w->toolbar()->topLevelChanged(true);
        QVERIFY(c->toolbarClose->isVisible());
        c->toolbarClose->trigger();
        QVERIFY(!w->toolbar()->isVisible());
        QVERIFY(!c->miV_Toolbar->isChecked());
        c->miV_Toolbar->trigger();
        QVERIFY(w->toolbar()->isVisible());
        QVERIFY(c->miV_Toolbar->isChecked());
        Q_EMIT w->toolbar()->topLevelChanged(false);
        QVERIFY(!c->toolbarClose->isVisible());
    }

    void toolbarCheckMarkAlwaysTellsTheTruth()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;        // not shown yet: the toggle still works
        QVERIFY(!w->createPopupMenu()); // no other way to hide the toolbar
        w->miV_ToolbarClick();
        QCOMPARE(w->toolbar()->isHidden(), true);
        QCOMPARE(w->commands()->miV_Toolbar->isChecked(), false);
        w->miV_ToolbarClick();
        QCOMPARE(w->toolbar()->isHidden(), false);
        QCOMPARE(w->commands()->miV_Toolbar->isChecked(), true);
    }

    void everyControlHasAnAccessibleName()
    {
        MainWindowFixture f(kCatalogue);
        QStringList unnamed;
        for (QWidget* widget : f.window->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget)
                || qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractItemView*>(widget)) {
                // Qt's own helpers (the grid's corner, a tab bar's scroll arrows) are left out.
                if (widget->accessibleName().isEmpty() && widget->isVisibleTo(f.window)
                    && !widget->inherits("QTableCornerButton") && !widget->inherits("QDockWidgetTitleButton")
                    && !widget->parentWidget()->inherits("QTabBar"))
                    unnamed << QStringLiteral("%1 %2 in %3")
                                   .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(),
                                        QString::fromLatin1(widget->parentWidget()->metaObject()->className()));
            }
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    }

    void errorDuringASwitchStopsAtThatStep()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        f.exec(QStringLiteral("drop table Books_C"));
        w->folderBar()->button(2)->click();
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY2(f.messages.errors().front().contains(QLatin1String("Books_C")),
                 qPrintable(f.messages.errors().front()));
        // Done before the error: the title, the query, the panel, the search box.
        QCOMPARE(w->titleBand()->text(), QStringLiteral("Books"));
        QCOMPARE(w->panelStack()->currentWidget(), static_cast<QWidget*>(w->panel(2)));
        QCOMPARE(gridColumn(w->grid(2), 0), QStringList{"Tale"});
    }

    void failedCatalogueLeavesAnEmptyWorkingWindow()
    {
        MainWindowFixture f(kCatalogue);
        Program::shutdown();
        QFile::remove(f.cat.path());
        f.messages.requests.clear();
        Program::createDataModule(f.cat.folder());
        TKOLTForm* w = Program::createMainWindow(f.cat.folder());
        f.window = w;
        QVERIFY(!f.messages.errors().isEmpty());
        QCOMPARE(w->grid(0)->model()->rowCount(), 0);
        QCOMPARE(boxItems(w->categoryBox()), QStringList{"All categories"});
        f.messages.requests.clear();
        w->folderBar()->button(1)->click();
        QCOMPARE(f.messages.errors().size(), 1);
        QCOMPARE(w->titleBand()->text(), QStringLiteral("Music"));
        w->tbFindClick();                                  // nothing to search: no message
        ErrorGuard::run([&] { w->cbCategoriesChange(); }); // reports the closed catalogue again
        QCOMPARE(f.messages.errors().size(), 2);
    }

    // A screen reader hears a detail value as the value, labelled by its caption, and the
    // grid's pop-up menu as a pop-up menu of its own.
    void screenReaderHearsValuesAndThePopupMenu()
    {
        MainWindowFixture f(kCatalogue);
        TKOLTForm* w = f.window;
        f.dm().qrMovies.MoveTo(1); // Bravo
        for (TDBText* value : w->findChildren<TDBText*>()) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(value);
            QVERIFY(iface);
            // An empty value is read as empty, never as its caption.
            QCOMPARE(iface->text(QAccessible::Name), value->text());
            const auto labels = iface->relations(QAccessible::Label);
            if (value->objectName().endsWith(QLatin1String("Addr2"))) // the second line of an address
                continue;
            QVERIFY2(labels.size() == 1, qPrintable(value->objectName()));
            auto* caption = qobject_cast<QLabel*>(labels.first().first->object());
            QVERIFY(caption && !caption->text().isEmpty());
            const auto back = labels.first().first->relations(QAccessible::Labelled);
            QCOMPARE(back.size(), 1);
            QCOMPARE(back.first().first->object(), value);
        }
        QAccessibleInterface* title
            = QAccessible::queryAccessibleInterface(w->panel(0)->findChild<TDBText*>(QStringLiteral("dbTitle")));
        QCOMPARE(title->text(QAccessible::Name), QStringLiteral("Bravo"));
        QCOMPARE(title->relations(QAccessible::Label).first().first->text(QAccessible::Name), QStringLiteral("Title:"));

        // A screen reader that walked the Edit menu first still finds the pop-up's own entries.
        QMenu* editMenu = nullptr;
        for (QAction* a : w->menuBar()->actions()) {
            if (a->text() == QLatin1String("&Edit"))
                editMenu = a->menu();
        }
        QVERIFY(editMenu);
        QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(editMenu);
        for (int i = 0; i < edit->childCount(); ++i)
            QVERIFY(edit->child(i));
        MainCommands* c = w->commands();
        QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(c->PopupMenu1);
        QCOMPARE(popup->role(), QAccessible::PopupMenu);
        QStringList names;
        for (int i = 0; i < popup->childCount(); ++i) {
            QAccessibleInterface* entry = popup->child(i);
            QCOMPARE(entry->parent()->object(), static_cast<QObject*>(c->PopupMenu1));
            if (entry->role() != QAccessible::Separator)
                names << entry->text(QAccessible::Name);
        }
        QCOMPARE(names, (QStringList{"Add", "Edit", "Delete", "Lend…", "Return", "Tools..."}));

        // Each entry runs its command and follows whether that command can run.
        QList<QAction*> entries;
        for (QAction* a : c->PopupMenu1->actions()) {
            if (!a->isSeparator())
                entries << a;
        }
        const QList<QAction*> commands{c->tbAdd, c->tbEdit, c->tbDelete, c->miLend, c->miReturn, c->tbTools};
        QCOMPARE(entries.size(), commands.size());
        for (int i = 0; i < commands.size(); ++i) {
            QSignalSpy ran(commands[i], &QAction::triggered);
            closeWhatOpens([&] { entries[i]->trigger(); });
            QCOMPARE(ran.count(), 1);
            commands[i]->setEnabled(false);
            QVERIFY(!entries[i]->isEnabled());
            commands[i]->setEnabled(true);
            QVERIFY(entries[i]->isEnabled());
        }
    }

    // One movie's description sits on a page overwritten with garbage. The grid shows every
    // other movie as itself and the damaged one as empty and marked; the error comes once per
    // arrival on that row, after the move, never while painting; nothing is written.
    void damagedRowIsMarkedAndReportedOnArrival()
    {
        // Keys run against title order, so that the damaged last row has the lowest key: read
        // in batches by key, it comes first in the batch of the rows above it.
        QStringList titles, numbers;
        QStringList values;
        for (int i = 14; i >= 1; --i) {
            titles.prepend(QStringLiteral("Movie %1").arg(i, 2, 10, QLatin1Char('0')));
            numbers.prepend(QString::number(100 + i));
            values << QStringLiteral("('%1', 'Drama', '%2')").arg(titles.first(), numbers.first());
        }
        const QString sql
            = QStringLiteral("insert into Movies (Title, Category, M_no) values %1;"
                             "update Movies set Description = replace(hex(zeroblob(10000)), '00', 'ab') where Id = 1;"
                             "insert into Mv_Cast (P_Id, Name) values (14, 'Ann'), (1, 'Dana');")
                  .arg(values.join(QStringLiteral(", ")));
        qint64 page = 0;
        QByteArray before;
        MainWindowFixture f(sql, [&](const QString& path) {
            page = SpoiltCatalogue::damageOverflow(path, QStringLiteral("Movies"));
            before = SpoiltCatalogue::bytesOf(path);
        });
        QVERIFY(page > 0);
        TKOLTForm* w = f.window;
        TDBGrid* grid = w->grid(0);
        QAbstractItemModel* model = grid->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const int damaged = 13;
        titles[damaged].clear();
        numbers[damaged].clear();
        auto paint = [&] {
            for (int i = 0; i < 3; ++i) {
                grid->viewport()->repaint();
                QCoreApplication::processEvents();
            }
        };
        paint();
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(gridColumn(grid, 0), titles);
        QCOMPARE(gridColumn(grid, 3), numbers);
        for (int r = 0; r < model->rowCount(); ++r) {
            const bool marked = model->index(r, 0).data(Qt::BackgroundRole).value<QBrush>().style() != Qt::NoBrush;
            QCOMPARE(marked, r == damaged);
        }
        QVERIFY(model->index(damaged, 0).data(Qt::ToolTipRole).toString().contains(QLatin1String("malformed")));

        // A click on it: the move is made, the error follows it once.
        grid->setCurrentIndex(model->index(damaged, 0));
        QCOMPARE(f.dm().qrMovies.RecNo(), damaged);
        QVERIFY(f.messages.errors().isEmpty());
        QTRY_COMPARE(f.messages.errors(), QStringList{QStringLiteral("database disk image is malformed.")});
        QCOMPARE(textOf(w->panel(0), QStringLiteral("dbTitle")), QString());
        QCOMPARE(gridColumn(w->panel(0)->detailList(), 0), QStringList{QStringLiteral("Dana")}); // its own cast
        paint();
        QCOMPARE(gridColumn(grid, 0), titles);
        QCOMPARE(f.messages.errors().size(), 1);

        // Leaving it and coming back is a new arrival.
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(textOf(w->panel(0), QStringLiteral("dbTitle")), QStringLiteral("Movie 13"));
        QTest::keyClick(grid, Qt::Key_Down);
        QTRY_COMPARE(f.messages.errors().size(), 2);
        paint();
        QCOMPARE(f.messages.errors().size(), 2);

        // From the first row, a sort that brings the damaged one there is an arrival too.
        QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(f.dm().qrMovies.RecNo(), 0);
        w->gridMovTitleBtnClick(grid, 0, Qt::NoModifier); // descending: the damaged movie first
        QCOMPARE(f.dm().qrMovies.RecNo(), 0);
        QTRY_COMPARE(f.messages.errors().size(), 3);

        Program::shutdown();
        QCOMPARE(SpoiltCatalogue::bytesOf(f.cat.path()), before);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
