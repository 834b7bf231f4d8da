#include "ErrorText.h"
#include "LoansBook.h"
#include "ModuleSteps.h"
#include "OtherProgram.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <iostream>
#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

using OtherProgram::fileColumn;
using OtherProgram::rawExec;
using OtherProgram::Reader;

namespace {

const QString kCatalogue
    = QStringLiteral("INSERT INTO Movies (Id, Category, Title, Media_type) VALUES (1, 'Drama', 'Alien', 'DVD'), "
                     "(2, 'Drama', 'Brazil', 'DVD');"
                     "INSERT INTO Music (Id, Category, Title, Media_type) VALUES (1, 'Jazz', 'Kind of Blue', 'CD');"
                     "INSERT INTO Books (Id, Category, Title) VALUES (1, 'Novel', 'Dune'), (2, 'Novel', 'Emma');"
                     "INSERT INTO Programs (Id, Category, Name, Media_type) VALUES (1, 'Tools', 'Gimp', 'CD');"
                     "INSERT INTO AddressBook (Id, Category, L_Name, F_Name) VALUES (1, 'Work', 'Smith', 'John'), "
                     "(2, 'Home', 'Brown', NULL);");

const QDate kToday(2024, 3, 15);

LoansBook::Lending lending(int folder, qint64 item, qint64 personId, const QString& person = QString(),
                           QDate lent = kToday, QDate due = QDate())
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

// A catalogue with a few items, opened by the data module with its loans book.
struct Fixture
{
    explicit Fixture(const QString& more = QString())
    {
        rawExec(cat.path(), kCatalogue + more);
        dm.DataModuleCreate();
        book.prepareTables();
    }
    TempCatalogue cat;
    TDM dm{cat.folder()};
    LoansBook book{dm};
};

bool transactionOpen(TDM& dm)
{
    return sqlite3_get_autocommit(dm.dbKOLT.handle()) == 0;
}

// Everything a read-only catalogue must still do with loans, as one line per check.
QString readOnlyChecks(const QString& folder)
{
    TDM dm(folder);
    dm.DataModuleCreate();
    LoansBook book(dm);
    book.prepareTables();
    QStringList out;
    out << QStringLiteral("read-only %1").arg(dm.dbKOLT.ReadOnly());
    out << QStringLiteral("tables %1").arg(book.hasTables());
    out << QStringLiteral("out %1").arg(book.openLoans().size());
    out << QStringLiteral("overdue %1").arg(book.overdueCount(kToday));
    out << messageOf([&] { book.lend(lending(1, 1, 1)); });
    return out.join(QLatin1Char('\n'));
}

} // namespace

class TestLoansBook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The table of its own is made by the first loan, and nothing described changes.
    void tablesAreMadeBesideTheDescribedOnes()
    {
        TempCatalogue cat;
        rawExec(cat.path(), kCatalogue);
        // The described tables and indexes: what the program's own opening adds (its tables of
        // waiting rows) is left out.
        const QString schema = QStringLiteral("select sql from sqlite_schema where name not like 'Loans%' and name not "
                                              "like 'kolt%' and sql is not null order by name");
        const QStringList before = fileColumn(cat.path(), schema);
        {
            TDM dm(cat.folder());
            dm.DataModuleCreate();
            LoansBook book(dm);
            QVERIFY(!book.hasTables());
            QVERIFY(book.openLoans().empty());
            book.prepareTables();
            QVERIFY(!book.hasTables()); // opening writes nothing
            book.lend(lending(0, 1, 1));
            QVERIFY(book.hasTables());
        }
        QCOMPARE(fileColumn(cat.path(), schema), before);
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select name from sqlite_schema where name like 'Loans%' "
                                                       "order by name")),
                 (QStringList{"Loans", "Loans_Item", "Loans_Out", "Loans_Person"}));
    }

    void lendAndReturn()
    {
        Fixture fx;
        QSignalSpy changed(&fx.book, &LoansBook::changed);
        const qint64 id = fx.book.lend(lending(0, 1, 1, QString(), kToday.addDays(-3), kToday.addDays(4)));
        QCOMPARE(changed.count(), 1);
        QVERIFY(!transactionOpen(fx.dm));
        const std::optional<Loan> out = fx.book.openLoan(0, 1);
        QVERIFY(out);
        QCOMPARE(out->id, id);
        QCOMPARE(out->title, QStringLiteral("Alien"));
        QCOMPARE(out->person, QStringLiteral("Smith, John"));
        QCOMPARE(out->lent, kToday.addDays(-3));
        QCOMPARE(out->due, kToday.addDays(4));
        QVERIFY(!fx.book.openLoan(0, 2));
        QVERIFY(!fx.book.openLoan(2, 1)); // the same number in another folder is another item
        QCOMPARE(fx.book.marks(0).size(), 1);
        QCOMPARE(fx.book.marks(0).value(1).person, QStringLiteral("Smith, John"));
        QVERIFY(fx.book.marks(2).isEmpty());

        fx.book.giveBack(id, kToday);
        QVERIFY(!fx.book.openLoan(0, 1));
        QVERIFY(fx.book.marks(0).isEmpty());
        QVERIFY(fx.book.openLoans().empty());
        const std::vector<Loan> past = fx.book.pastLoans();
        QCOMPARE(past.size(), size_t(1));
        QCOMPARE(past.front().returned, kToday);
        // Seen by another program: stored.
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select Lent || ' ' || Due || ' ' || Returned from Loans")),
                 QStringList{"2024-03-12 2024-03-19 2024-03-15"});
        // Lent again once back.
        fx.book.lend(lending(0, 1, 0, QStringLiteral("Ann Other")));
        QCOMPARE(fx.book.openLoan(0, 1)->person, QStringLiteral("Ann Other"));
    }

    void refusedLoans_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<qint64>("item");
        QTest::addColumn<qint64>("personId");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QDate>("due");
        QTest::addColumn<QString>("error");
        QTest::newRow("already out") << 0 << qint64(1) << qint64(2) << QString() << QDate()
                                     << "“Alien” is already on loan to Smith, John";
        QTest::newRow("no one") << 1 << qint64(1) << qint64(0) << QStringLiteral("  ") << QDate()
                                << "Say whom the item is lent to";
        QTest::newRow("due before lent") << 1 << qint64(1) << qint64(2) << QString() << kToday.addDays(-1)
                                         << "The date due back is before the date lent";
        QTest::newRow("missing item") << 2 << qint64(9) << qint64(2) << QString() << QDate()
                                      << "The book is no longer in the catalogue";
        QTest::newRow("missing person") << 2 << qint64(1) << qint64(9) << QString() << QDate()
                                        << "The person is no longer in the address book";
        QTest::newRow("address book") << 4 << qint64(1) << qint64(2) << QString() << QDate()
                                      << "Only movies, albums, books and programs can be lent";
    }
    void refusedLoans()
    {
        QFETCH(int, folder);
        QFETCH(qint64, item);
        QFETCH(qint64, personId);
        QFETCH(QString, person);
        QFETCH(QDate, due);
        QFETCH(QString, error);
        Fixture fx;
        fx.book.lend(lending(0, 1, 1));
        const QStringList before = fileColumn(fx.cat.path(), QStringLiteral("select Id from Loans"));
        QCOMPARE(messageOf([&] { fx.book.lend(lending(folder, item, personId, person, kToday, due)); }), error);
        QVERIFY(!transactionOpen(fx.dm));
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select Id from Loans")), before);
    }

    void returnRefusals()
    {
        Fixture fx;
        const qint64 id = fx.book.lend(lending(0, 1, 1, QString(), kToday));
        QCOMPARE(messageOf([&] { fx.book.giveBack(id, kToday.addDays(-1)); }),
                 QStringLiteral("The date returned is before the date lent (2024-03-15)"));
        fx.book.giveBack(id, kToday);
        QCOMPARE(messageOf([&] { fx.book.giveBack(id, kToday); }), QStringLiteral("The loan has already ended"));
    }

    // Overdue: due before today and still out; due today is not overdue yet.
    void overdueCountsWithAFixedToday()
    {
        Fixture fx;
        fx.book.lend(lending(0, 1, 1, QString(), kToday.addDays(-30), kToday.addDays(-1))); // overdue
        fx.book.lend(lending(0, 2, 1, QString(), kToday.addDays(-30), kToday));             // due today
        fx.book.lend(lending(1, 1, 2, QString(), kToday.addDays(-30), kToday.addDays(1)));  // not yet
        fx.book.lend(lending(2, 1, 2, QString(), kToday.addDays(-30)));                     // no date due
        const qint64 back = fx.book.lend(lending(2, 2, 2, QString(), kToday.addDays(-30), kToday.addDays(-10)));
        fx.book.giveBack(back, kToday.addDays(-2)); // overdue once, returned since
        fx.book.lend(lending(3, 1, 0, QStringLiteral("Ann"), kToday.addDays(-30), kToday.addDays(-20))); // overdue
        QCOMPARE(fx.book.overdueCount(kToday), 2);
        QCOMPARE(fx.book.overdueCount(kToday.addDays(1)), 3);
        QCOMPARE(fx.book.overdueCount(kToday.addDays(-30)), 0);
        // The item out the longest past its date first; no date due last.
        QStringList order;
        for (const Loan& l : fx.book.openLoans())
            order << l.title;
        QCOMPARE(order, (QStringList{"Gimp", "Alien", "Brazil", "Kind of Blue", "Dune"}));
    }

    // A loan never points at a deleted item: the open loan goes with it in the same change,
    // past loans keep the title.
    void deletingAnItemLetsGoOfItsLoans()
    {
        Fixture fx;
        const qint64 first = fx.book.lend(lending(0, 1, 1, QString(), kToday.addDays(-9)));
        fx.book.giveBack(first, kToday.addDays(-5));
        fx.book.lend(lending(0, 1, 2, QString(), kToday.addDays(-2)));
        fx.book.lend(lending(0, 2, 2));
        ModuleSteps::openMovies(fx.dm);
        QVERIFY(fx.dm.qrMovies.Locate(QStringLiteral("Title"), {QStringLiteral("Alien")}, 0));
        QSignalSpy changed(&fx.book, &LoansBook::changed);
        fx.dm.qrMovies.Delete();
        QCOMPARE(changed.count(), 1);
        QVERIFY(!fx.book.openLoan(0, 1));
        QCOMPARE(fx.book.marks(0).keys(), QList<qint64>{2});
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select coalesce(Item_Id, 'none') || ' ' || Title || ' ' || "
                                                          "coalesce(Returned, 'out') from Loans order by Id")),
                 (QStringList{"none Alien 2024-03-10", "2 Brazil out"}));
        QCOMPARE(fx.book.pastLoans().front().title, QStringLiteral("Alien"));
        QCOMPARE(fx.book.pastLoans().front().itemId, 0);
    }

    // The delete and the loans' change are one: when the delete cannot be stored, the loan stays.
    void aDeleteThatFailsKeepsTheLoan()
    {
        Fixture fx;
        fx.book.lend(lending(0, 1, 1));
        ModuleSteps::openMovies(fx.dm);
        QVERIFY(fx.dm.qrMovies.Locate(QStringLiteral("Title"), {QStringLiteral("Alien")}, 0));
        {
            Reader reader(fx.cat.path());
            const QString error = messageOf([&] { fx.dm.qrMovies.Delete(); });
            QVERIFY2(error.contains(QLatin1String("in use by another program")), qPrintable(error));
        }
        QVERIFY(fx.book.openLoan(0, 1));
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select Item_Id from Loans")), QStringList{"1"});
    }

    // A deleted person's loans keep the name, as a name typed freely.
    void deletingAPersonKeepsTheName()
    {
        Fixture fx;
        fx.book.lend(lending(0, 1, 1));
        fx.book.lend(lending(2, 1, 2));
        QCOMPARE(fx.book.loansOf(1).size(), size_t(1));
        fx.dm.qrAddBook.Open();
        QVERIFY(fx.dm.qrAddBook.Locate(QStringLiteral("L_Name"), {QStringLiteral("Smith")}, 0));
        fx.dm.qrAddBook.Delete();
        QVERIFY(fx.book.loansOf(1).empty());
        const std::optional<Loan> out = fx.book.openLoan(0, 1);
        QVERIFY(out);
        QCOMPARE(out->personId, 0);
        QCOMPARE(out->person, QStringLiteral("Smith, John"));
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select coalesce(Person_Id, 'none') || ' ' || Person from "
                                                          "Loans order by Id")),
                 (QStringList{"none Smith, John", "2 Brown"}));
    }

    // A renamed person is shown by the new name.
    void theAddressBookNamesThePerson()
    {
        Fixture fx;
        fx.book.lend(lending(0, 1, 1));
        rawExec(fx.cat.path(), QStringLiteral("update AddressBook set F_Name = 'Jon' where Id = 1"));
        QCOMPARE(fx.book.openLoan(0, 1)->person, QStringLiteral("Smith, Jon"));
        QCOMPARE(fx.book.people().front().name, QStringLiteral("Brown"));
    }

    // What another program removed is let go of at the next writable opening.
    void anOpeningTidiesWhatOthersDeleted()
    {
        TempCatalogue cat;
        rawExec(cat.path(), kCatalogue);
        {
            TDM dm(cat.folder());
            dm.DataModuleCreate();
            LoansBook book(dm);
            book.prepareTables();
            book.lend(lending(0, 1, 1));
            book.lend(lending(2, 1, 2));
        }
        rawExec(cat.path(), QStringLiteral("delete from Movies where Id = 1; delete from AddressBook where Id = 2"));
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        LoansBook book(dm);
        book.prepareTables();
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Folder || ' ' || coalesce(Person_Id, 'none') || ' ' || "
                                                       "Person from Loans")),
                 QStringList{"2 none Brown"});
    }

    // A new person is added to the address book with the loan, through its rules, or not at
    // all.
    void lendingToANewPerson()
    {
        Fixture fx;
        fx.book.lend(lending(1, 1, 0), {QStringLiteral("Newman"), QStringLiteral("Paul"), QStringLiteral("Borrowers")});
        const std::optional<Loan> out = fx.book.openLoan(1, 1);
        QVERIFY(out);
        QVERIFY(out->personId > 0);
        QCOMPARE(out->person, QStringLiteral("Newman, Paul"));
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select Category || ' ' || L_Name || ' ' || F_Name from "
                                                          "AddressBook where Id = %1")
                                               .arg(out->personId)),
                 QStringList{"Borrowers Newman Paul"});
        // The category list learnt the new category, as any post of a person does.
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select Name from AddBook_C")), QStringList{"Borrowers"});
    }

    // Lending while another program reads the file: refused with the catalogue's busy error,
    // nothing stored (nor the person added with it), and it goes through once the file is free.
    void aBusyFileRefusesTheLoanWhole()
    {
        Fixture fx;
        fx.dm.qrAddBook.Open();
        const int people = fx.dm.qrAddBook.RecordCount();
        {
            Reader reader(fx.cat.path());
            const QString error = messageOf([&] {
                fx.book.lend(lending(0, 1, 0), {QStringLiteral("Newman"), QString(), QStringLiteral("Borrowers")});
            });
            QVERIFY2(error.startsWith(QLatin1String("The catalogue file is in use by another program")),
                     qPrintable(error));
            const QString plain = messageOf([&] { fx.book.lend(lending(0, 2, 1)); });
            QVERIFY2(plain.startsWith(QLatin1String("The catalogue file is in use by another program")),
                     qPrintable(plain));
        }
        QVERIFY(!transactionOpen(fx.dm));
        QVERIFY(!fx.book.openLoan(0, 1));
        QVERIFY(!fx.book.openLoan(0, 2));
        QCOMPARE(fx.dm.qrAddBook.RecordCount(), people);
        // Not even the table the first loan makes.
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select count(*) from sqlite_schema where name = 'Loans'")),
                 QStringList{"0"});
        QCOMPARE(fileColumn(fx.cat.path(), QStringLiteral("select count(*) from AddressBook where L_Name = 'Newman'")),
                 QStringList{"0"});

        fx.book.lend(lending(0, 1, 0), {QStringLiteral("Newman"), QString(), QStringLiteral("Borrowers")});
        QCOMPARE(fx.book.openLoan(0, 1)->person, QStringLiteral("Newman"));
        QCOMPARE(fx.dm.qrAddBook.RecordCount(), people + 1);
    }

    void aReadOnlyCatalogueShowsLoansAndRefusesToLend_data()
    {
        QTest::addColumn<bool>("withLoans");
        QTest::newRow("with a loan") << true;
        QTest::newRow("older catalogue") << false;
    }
    void aReadOnlyCatalogueShowsLoansAndRefusesToLend()
    {
        QFETCH(bool, withLoans);
        TempCatalogue cat;
        rawExec(cat.path(), kCatalogue);
        if (withLoans) {
            TDM dm(cat.folder());
            dm.DataModuleCreate();
            LoansBook book(dm);
            book.prepareTables();
            book.lend(lending(0, 1, 1, QString(), kToday.addDays(-9), kToday.addDays(-1)));
        }
        const QByteArray before = cat.bytes();
        using P = QFileDevice;
        const bool root = geteuid() == 0;
        if (root) {
            const passwd* nobody = getpwnam("nobody");
            QVERIFY(nobody);
            QVERIFY(chown(QFile::encodeName(cat.path()).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
            QVERIFY(chown(QFile::encodeName(cat.folder()).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        }
        QFile::setPermissions(cat.path(), P::ReadOwner | P::ReadGroup | P::ReadOther);
        QFile::setPermissions(cat.folder(), P::ReadOwner | P::ExeOwner | P::WriteOwner | P::ReadGroup | P::ExeGroup
                                                | P::ReadOther | P::ExeOther);
        QString said;
        if (root) {
            QProcess check;
            check.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read-only-loans"), cat.folder()});
            QVERIFY(check.waitForFinished(30000));
            said = QString::fromUtf8(check.readAllStandardOutput()).trimmed();
        } else {
            said = readOnlyChecks(cat.folder());
        }
        const QStringList lines = said.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.mid(0, 4),
                 (QStringList{QStringLiteral("read-only 1"), QStringLiteral("tables %1").arg(withLoans),
                              QStringLiteral("out %1").arg(withLoans ? 1 : 0),
                              QStringLiteral("overdue %1").arg(withLoans ? 1 : 0)}));
        QVERIFY2(lines[4].startsWith(QLatin1String("The catalogue cannot be changed")), qPrintable(lines[4]));
        QCOMPARE(cat.bytes(), before);
    }

public:
    static int readOnlyAsNobody(const QString& folder)
    {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
            std::cout << "cannot become nobody" << std::endl;
            return 2;
        }
        try {
            std::cout << readOnlyChecks(folder).toStdString() << std::endl;
            return 0;
        } catch (const std::exception& e) {
            std::cout << e.what() << std::endl;
            return 1;
        }
    }
};

int main(int argc, char** argv)
{
    if (const int helper = OtherProgram::holdReadMode(argc, argv); helper >= 0)
        return helper;
    if (argc == 3 && QByteArray(argv[1]) == "--read-only-loans") {
        QCoreApplication app(argc, argv);
        return TestLoansBook::readOnlyAsNobody(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestLoansBook test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_loansbook.moc"
