#include "../reports/ReportPdf.h"
#include "DataGridModel.h"
#include "DateText.h"
#include "FolderPanel.h"
#include "LendDialog.h"
#include "LoansDesk.h"
#include "LoansModel.h"
#include "LoansReport.h"
#include "LoansWindow.h"
#include "MainCommands.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "OtherProgram.h"
#include "ReportEngine.h"
#include "ReturnDialog.h"
#include "TDAOQuery.h"
#include "TDBGrid.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>

using Answer = MessageService::Answer;

namespace {

// Sorted by title in their grids: Alien, Brazil, Casablanca; Dune; Gimp.
const QString kCatalogue
    = QStringLiteral("INSERT INTO Movies (Id, Category, Title, Media_type) VALUES (1, 'Drama', 'Alien', 'DVD'), "
                     "(2, 'Drama', 'Brazil', 'DVD'), (3, 'Drama', 'Casablanca', 'DVD');"
                     "INSERT INTO Books (Id, Category, Title) VALUES (1, 'Novel', 'Dune');"
                     "INSERT INTO Programs (Id, Category, Name, Media_type) VALUES (1, 'Tools', 'Gimp', 'CD');"
                     "INSERT INTO AddressBook (Id, Category, L_Name, F_Name) VALUES (1, 'Work', 'Smith', 'John'), "
                     "(2, 'Home', 'Brown', NULL);");

const QDate kToday(2024, 3, 15);

LoansBook::Lending lending(int folder, qint64 item, qint64 personId, QDate lent, QDate due = QDate(),
                           const QString& person = QString())
{
    LoansBook::Lending l;
    l.folder = folder;
    l.itemId = item;
    l.personId = personId;
    l.person = person;
    l.lent = lent;
    l.due = due;
    return l;
}

struct Fixture : MainWindowFixture
{
    Fixture()
        : MainWindowFixture(kCatalogue)
    {
        DateText::fixToday(kToday);
    }
    ~Fixture() { DateText::fixToday(QDate()); }

    LoansBook& book() const { return window->loans()->book(); }
    DataGridModel* grid(int folder) const { return window->grid(folder)->gridModel(); }
    QLabel* note(int folder) const { return window->panel(folder)->findChild<QLabel*>(QStringLiteral("lbLoan")); }
    void select(int folder, const QString& field, const QString& value)
    {
        if (window->CurrentFolder() != folder)
            window->SelectFolder(folder, QStringLiteral("folder"));
        QVERIFY(window->folderQuery(folder).Locate(field, {value}, 0));
    }
    QStringList texts(LoansModel* model, int column) const
    {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, column).data().toString();
        return out;
    }
};

QString since(const QDate& date)
{
    return DateText::toText(date);
}

} // namespace

class TestLoansWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Edit > Lend… on the current movie, to a person of the address book, with a date due:
    // recorded, marked in the grid and said in the Details pane.
    void lendThroughTheEditMenu()
    {
        Fixture fx;
        fx.select(0, QStringLiteral("Title"), QStringLiteral("Brazil"));
        onModal<LendDialog>([](LendDialog* d) {
            QCOMPARE(d->edLent->date(), kToday);
            QVERIFY(!d->edDue->isEnabled());
            QCOMPARE(d->cbPerson->itemText(0), QStringLiteral("Brown"));
            d->cbPerson->setEditText(QStringLiteral("smith, john"));
            QVERIFY(!d->cbAddPerson->isEnabled()); // an entry of the address book
            d->cbDue->setChecked(true);
            d->edDue->setDate(kToday.addDays(7));
            d->edNote->setText(QStringLiteral("with the extras"));
            d->btOK->click();
        });
        fx.window->commands()->miLend->trigger();
        QVERIFY(fx.messages.errors().isEmpty());
        const std::optional<Loan> out = fx.book().openLoan(0, 2);
        QVERIFY(out);
        QCOMPARE(out->personId, 1);
        QCOMPARE(out->due, kToday.addDays(7));
        QCOMPARE(out->note, QStringLiteral("with the extras"));

        QCOMPARE(fx.note(0)->text(),
                 QStringLiteral("Lent to Smith, John since %1 (due %2)").arg(since(kToday), since(kToday.addDays(7))));
        QVERIFY(fx.note(0)->isVisibleTo(fx.window));
        // The mark: on Brazil's row, and on no other; its tip says to whom and until when.
        DataGridModel* grid = fx.grid(0);
        QVERIFY(!grid->headerData(2, Qt::Vertical, Qt::DecorationRole).isValid());
        QCOMPARE(
            grid->headerData(1, Qt::Vertical, Qt::ToolTipRole).toString(),
            QStringLiteral("On loan to Smith, John since %1, due %2").arg(since(kToday), since(kToday.addDays(7))));
        fx.select(0, QStringLiteral("Title"), QStringLiteral("Alien"));
        QVERIFY(!fx.note(0)->isVisibleTo(fx.window));
        QVERIFY(!grid->headerData(0, Qt::Vertical, Qt::ToolTipRole).isValid());
        QVERIFY(grid->headerData(1, Qt::Vertical, Qt::DecorationRole).isValid());
    }

    // A name typed freely can be added to the address book with the loan; its Details pane
    // then lists what the person has on loan.
    void lendToANewPersonAddedToTheAddressBook()
    {
        Fixture fx;
        fx.select(2, QStringLiteral("Title"), QStringLiteral("Dune"));
        onModal<LendDialog>([](LendDialog* d) {
            d->cbPerson->setEditText(QStringLiteral("Paul Newman"));
            QVERIFY(d->cbAddPerson->isEnabled());
            d->cbAddPerson->setChecked(true);
            d->btOK->click();
        });
        fx.window->commands()->miLend->trigger();
        QVERIFY(fx.messages.errors().isEmpty());
        const std::optional<Loan> out = fx.book().openLoan(2, 1);
        QVERIFY(out && out->personId > 0);
        QCOMPARE(out->person, QStringLiteral("Newman, Paul"));
        fx.select(4, QStringLiteral("L_Name"), QStringLiteral("Newman"));
        QCOMPARE(fx.note(4)->text(), QStringLiteral("On loan:\n“Dune” (book) since %1").arg(since(kToday)));
        fx.select(4, QStringLiteral("L_Name"), QStringLiteral("Brown"));
        QVERIFY(!fx.note(4)->isVisibleTo(fx.window));
        QVERIFY(!fx.window->commands()->miLend->isEnabled());
    }

    // Lend… on an item already out says so and offers its return; Return on an item that is
    // not out offers to lend it.
    void lendAndReturnOfferEachOther()
    {
        Fixture fx;
        fx.book().lend(lending(0, 1, 1, kToday.addDays(-10)));
        fx.select(0, QStringLiteral("Title"), QStringLiteral("Alien"));
        fx.messages.answers = {Answer::Yes};
        onModal<ReturnDialog>([](ReturnDialog* d) {
            QCOMPARE(d->edReturned->date(), kToday);
            d->edReturned->setDate(kToday.addDays(-1));
            d->btOK->click();
        });
        fx.window->commands()->miLend->trigger();
        QCOMPARE(fx.messages.questions(),
                 QStringList{QStringLiteral("“Alien” is already on loan to Smith, John since %1. Record its return?")
                                 .arg(since(kToday.addDays(-10)))});
        QVERIFY(!fx.book().openLoan(0, 1));
        QCOMPARE(fx.book().pastLoans().front().returned, kToday.addDays(-1));
        QVERIFY(!fx.grid(0)->headerData(0, Qt::Vertical, Qt::ToolTipRole).isValid());

        // Not out now: Return offers Lend…, and No leaves it.
        fx.window->commands()->miReturn->trigger();
        QCOMPARE(fx.messages.questions().last(), QStringLiteral("“Alien” is not on loan. Lend it?"));
        QVERIFY(!fx.book().openLoan(0, 1));

        // Out again: Return opens the return dialog at once.
        fx.book().lend(lending(0, 1, 2, kToday));
        onModal<ReturnDialog>([](ReturnDialog* d) { d->btOK->click(); });
        fx.window->commands()->miReturn->trigger();
        QCOMPARE(fx.messages.questions().size(), 2);
        QCOMPARE(fx.book().pastLoans().size(), size_t(2));
    }

    // Tools > Loans…: every item out, overdue first and highlighted, sortable; Return from
    // there moves the loan to the history.
    void loansWindowListsReturnsAndKeepsHistory()
    {
        Fixture fx;
        fx.book().lend(lending(0, 1, 1, kToday.addDays(-20), kToday.addDays(5)));                         // Alien
        fx.book().lend(lending(0, 3, 2, kToday.addDays(-30)));                                            // Casablanca
        fx.book().lend(lending(2, 1, 0, kToday.addDays(-40), kToday.addDays(-3), QStringLiteral("Ann"))); // Dune
        fx.book().lend(lending(3, 1, 1, kToday.addDays(-9), kToday.addDays(-1)));                         // Gimp
        fx.window->commands()->miLoans->trigger();
        LoansWindow* w = fx.window->loans()->window();
        QVERIFY(w && w->isVisible());
        QAbstractItemModelTester outTester(w->outModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester pastTester(w->pastModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(fx.texts(w->outModel(), LoansModel::ItemColumn), (QStringList{"Dune", "Gimp", "Alien", "Casablanca"}));
        QCOMPARE(w->outModel()->index(0, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
                 LoansModel::overdueBackground());
        QVERIFY(!w->outModel()->index(2, 0).data(Qt::BackgroundRole).isValid());
        QCOMPARE(w->lbSummary->text(), QStringLiteral("4 items on loan, 2 overdue"));

        // Sorted by the person, then by the date due (no date due last).
        w->gridOut->sortByColumn(LoansModel::PersonColumn, Qt::AscendingOrder);
        auto shown = [&](int column) {
            QStringList out;
            QAbstractItemModel* m = w->gridOut->model();
            for (int r = 0; r < m->rowCount(); ++r)
                out << m->index(r, column).data().toString();
            return out;
        };
        QCOMPARE(shown(LoansModel::PersonColumn), (QStringList{"Ann", "Brown", "Smith, John", "Smith, John"}));
        w->gridOut->sortByColumn(LoansModel::DueColumn, Qt::AscendingOrder);
        QCOMPARE(shown(LoansModel::ItemColumn), (QStringList{"Dune", "Gimp", "Alien", "Casablanca"}));
        w->gridOut->sortByColumn(LoansModel::LentColumn, Qt::DescendingOrder);
        QCOMPARE(shown(LoansModel::ItemColumn), (QStringList{"Gimp", "Alien", "Casablanca", "Dune"}));

        QVERIFY(!w->btReturn->isEnabled());
        w->gridOut->selectRow(1); // Alien, in the order shown
        QVERIFY(w->btReturn->isEnabled());
        onModal<ReturnDialog>([](ReturnDialog* d) { d->btOK->click(); });
        w->btReturn->click();
        QVERIFY(fx.messages.errors().isEmpty());
        QCOMPARE(fx.texts(w->outModel(), LoansModel::ItemColumn), (QStringList{"Dune", "Gimp", "Casablanca"}));
        QCOMPARE(fx.texts(w->pastModel(), LoansModel::ItemColumn), QStringList{"Alien"});
        QCOMPARE(w->pastModel()->index(0, 5).data().toString(), since(kToday));
        w->tabs->setCurrentWidget(w->gridPast);
        QVERIFY(!w->btReturn->isEnabled());
        // The grid's mark went with the loan.
        QVERIFY(!fx.grid(0)->headerData(0, Qt::Vertical, Qt::ToolTipRole).isValid());
        QVERIFY(fx.grid(0)->headerData(2, Qt::Vertical, Qt::ToolTipRole).isValid());
        w->close();
    }

    void startUpNoticeOfOverdueLoans_data()
    {
        QTest::addColumn<int>("overdue");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("questions");
        QTest::newRow("none") << 0 << true << QStringList();
        QTest::newRow("one") << 1 << false << QStringList{"1 item on loan is overdue. Show the loans?"};
        QTest::newRow("two, shown") << 2 << true << QStringList{"2 items on loan are overdue. Show the loans?"};
    }
    void startUpNoticeOfOverdueLoans()
    {
        QFETCH(int, overdue);
        QFETCH(bool, yes);
        QFETCH(QStringList, questions);
        Fixture fx;
        // Due today is not overdue; the others are, by the fixed day and not the machine's.
        fx.book().lend(lending(0, 1, 1, kToday.addDays(-5), kToday));
        for (int i = 0; i < overdue; ++i)
            fx.book().lend(lending(0, 2 + i, 1, kToday.addDays(-5), kToday.addDays(-1)));
        if (yes)
            fx.messages.answers = {Answer::Yes};
        fx.window->StartupNotices();
        QCOMPARE(fx.messages.questions(), questions);
        LoansWindow* w = fx.window->loans()->window();
        QCOMPARE(w != nullptr, overdue > 0 && yes);
    }

    // Deleting what is on loan asks once, saying what is on loan; No keeps everything.
    void deleteAsksSayingWhatIsOnLoan_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("loans");
        QTest::newRow("item on loan")
            << 0 << "Title"
            << "Alien"
            << QStringLiteral("Delete item?\n\n“Alien” is on loan to Smith, John since %1. Deleting it ends the loan; "
                              "the loans it had stay in the history.")
                   .arg(since(kToday.addDays(-2)))
            << "Dune Smith, John";
        QTest::newRow("person with loans")
            << 4 << "L_Name"
            << "Smith"
            << "Delete item?\n\nSmith, John has on loan: “Alien”, “Dune”. The loans keep the name."
            << "Alien Smith, John|Dune Smith, John";
        QTest::newRow("nothing on loan") << 0 << "Title"
                                         << "Brazil"
                                         << "Delete item?"
                                         << "Alien Smith, John|Dune Smith, John";
    }
    void deleteAsksSayingWhatIsOnLoan()
    {
        QFETCH(int, folder);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, question);
        QFETCH(QString, loans);
        Fixture fx;
        fx.book().lend(lending(0, 1, 1, kToday.addDays(-2)));
        fx.book().lend(lending(2, 1, 1, kToday.addDays(-1)));
        auto out = [&] {
            QStringList said;
            for (const Loan& l : fx.book().openLoans())
                said << l.title + QLatin1Char(' ') + l.person;
            return said.join(QLatin1Char('|'));
        };
        const QString before = out();
        fx.select(folder, field, value);
        const int items = fx.window->folderQuery(folder).RecordCount();

        fx.window->commands()->tbDelete->trigger(); // No
        QCOMPARE(fx.messages.questions(), QStringList{question});
        QCOMPARE(fx.window->folderQuery(folder).RecordCount(), items);
        QCOMPARE(out(), before);

        fx.messages.answers = {Answer::Yes};
        fx.window->commands()->tbDelete->trigger();
        QCOMPARE(fx.messages.questions().size(), 2);
        QVERIFY(fx.messages.errors().isEmpty());
        QCOMPARE(fx.window->folderQuery(folder).RecordCount(), items - 1);
        QCOMPARE(out(), loans);
        // No loan points at what is gone.
        QCOMPARE(fx.column(QStringLiteral("select count(*) from Loans l where (Item_Id is not null and Folder = 0 and "
                                          "Item_Id not in (select Id from Movies)) or (Person_Id is not null and "
                                          "Person_Id not in (select Id from AddressBook))")),
                 QStringList{"0"});
    }

    // The list of loans printed through the report engine, as the list reports are.
    void loansReportInPdf()
    {
        Fixture fx;
        fx.book().lend(lending(0, 2, 1, QDate(2024, 3, 1), QDate(2024, 3, 29)));
        fx.book().lend(lending(3, 1, 0, QDate(2024, 2, 1), QDate(2024, 2, 10), QStringLiteral("Ann")));
        fx.book().lend(lending(2, 1, 2, QDate(2024, 3, 10)));
        LoansReport report(fx.dm().dbKOLT);
        const PreparedReport pages = ReportEngine::run(report.definition(kToday));
        QCOMPARE(pages.pageCount(), 1);
        const std::vector<ReportPdf::Word> words = ReportPdf::wordsOf(pages, QStringLiteral("loans"));
        QCOMPARE(
            ReportPdf::lines(words, 1),
            (QStringList{"Loans", "Id Item Kind Lent to Lent Due", "1 Gimp Program Ann 2024-02-01 2024-02-10 overdue",
                         "2 Brazil Movie Smith, John 2024-03-01 2024-03-29", "3 Dune Book Brown 2024-03-10"}));
        // Each value stands under its caption.
        auto x = [&](const QString& text) {
            for (const ReportPdf::Word& w : words)
                if (w.text == text)
                    return w.xMin;
            return -1.0;
        };
        QVERIFY(std::abs(x(QStringLiteral("Item")) - x(QStringLiteral("Gimp"))) < ReportPdf::kTolerance);
        QVERIFY(std::abs(x(QStringLiteral("Due")) - x(QStringLiteral("2024-02-10"))) < ReportPdf::kTolerance);
        QVERIFY(std::abs(x(QStringLiteral("Item")) - 80 * ReportPdf::kPointsPerUnit) < ReportPdf::kTolerance);
    }

    // Lend… while another program reads the file: the standard busy error, the dialog stays
    // with what was typed, nothing is stored; OK again once the file is free records the loan.
    void aBusyFileDuringLend()
    {
        Fixture fx;
        fx.select(0, QStringLiteral("Title"), QStringLiteral("Casablanca"));
        auto reader = std::make_unique<OtherProgram::Reader>(fx.cat.path());
        onModal<LendDialog>([&fx, &reader](LendDialog* d) {
            d->cbPerson->setEditText(QStringLiteral("Brown"));
            d->btOK->click();
            QCOMPARE(fx.messages.errors().size(), 1);
            QVERIFY2(fx.messages.errors().front().startsWith(
                         QLatin1String("The catalogue file is in use by another program")),
                     qPrintable(fx.messages.errors().front()));
            QVERIFY(d->isVisible());
            QCOMPARE(d->cbPerson->currentText(), QStringLiteral("Brown"));
            QVERIFY(!fx.book().openLoan(0, 3));
            reader.reset();
            d->btOK->click();
        });
        fx.window->commands()->miLend->trigger();
        QCOMPARE(fx.messages.errors().size(), 1);
        QCOMPARE(fx.book().openLoan(0, 3)->person, QStringLiteral("Brown"));
        QCOMPARE(OtherProgram::fileColumn(fx.cat.path(), QStringLiteral("select Person from Loans")),
                 QStringList{"Brown"});
    }
};

KOLT_TEST_MAIN_WITH_READER(QApplication, TestLoansWindow)

#include "tst_loanswindow.moc"
