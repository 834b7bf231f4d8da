#include "BoundFixture.h"
#include "DateText.h"
#include "EDatabaseError.h"
#include "EventLoop.h"
#include "Procedury.h"
#include "TDBDateEdit.h"

#include <QCalendarWidget>
#include <QLocale>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

// The user's locale for one test.
class DefaultLocale
{
public:
    explicit DefaultLocale(const QString& name) { QLocale::setDefault(QLocale(name)); }
    ~DefaultLocale() { QLocale::setDefault(m_previous); }
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;

private:
    QLocale m_previous;
};

const QString kBookWithDate
    = QStringLiteral("insert into Books (Category, Title, Date_aq) values ('Novel', 'Emma', '2020-05-06 00:00:00')");

// Picks a day of the month the calendar shows with a click on it.
void clickDay(QCalendarWidget* calendar, int day)
{
    auto* view = calendar->findChild<QTableView*>();
    const QAbstractItemModel* model = view->model();
    for (int row = 1; row < model->rowCount(); ++row) { // row 0 names the days of the week
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex cell = model->index(row, column);
            if (model->data(cell).toString() == QString::number(day)) {
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
                return;
            }
        }
    }
    QFAIL("no such day shown");
}

// A date box over a book's date, under the user's locale.
struct DateBox
{
    explicit DateBox(const QString& locale, const QString& setupSql = kBookWithDate)
        : userLocale(locale)
        , f(setupSql)
    {
        f.openBooks();
        box = f.add(new TDBDateEdit, f.dm.dsBooks, QStringLiteral("Date_aq"));
        f.show();
    }

    DefaultLocale userLocale;
    BoundFixture f;
    TDBDateEdit* box = nullptr;
};

} // namespace

// The date box under several locales, driven through real keys and clicks.
class TestDBDateEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Two-digit years are read against a fixed day, so that what is expected holds in any year.
    void initTestCase() { DateText::fixToday(QDate(2026, 12, 10)); }
    void typedDateReachesTheFieldAsADate_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shownFirst"); // 6 May 2020, as the box shows it
        QTest::addColumn<QString>("typed");      // replaces the whole text; empty: the box is emptied
        QTest::addColumn<QString>("shownAfter"); // once the box is left
        QTest::addColumn<QVariant>("stored");    // the date in the file; null for no date
        QTest::addColumn<QString>("error");

        const QVariant none;
        QTest::newRow("C") << "C"
                           << "2020-05-06"
                           << "2024-02-01"
                           << "2024-02-01" << QVariant("2024-02-01") << QString();
        QTest::newRow("C two-digit year") << "C"
                                          << "2020-05-06"
                                          << "99-12-31"
                                          << "1999-12-31" << QVariant("1999-12-31") << QString();
        QTest::newRow("en_US") << "en_US"
                               << "5/6/2020"
                               << "2/1/2024"
                               << "2/1/2024" << QVariant("2024-02-01") << QString();
        QTest::newRow("en_US two-digit year") << "en_US"
                                              << "5/6/2020"
                                              << "12/31/99"
                                              << "12/31/1999" << QVariant("1999-12-31") << QString();
        QTest::newRow("en_US month 13") << "en_US"
                                        << "5/6/2020"
                                        << "13/1/2024"
                                        << "13/1/2024" << QVariant("2020-05-06") << "'13/1/2024' is not a valid date";
        QTest::newRow("de_DE two-digit year") << "de_DE"
                                              << "06.05.2020"
                                              << "01.02.24"
                                              << "01.02.2024" << QVariant("2024-02-01") << QString();
        QTest::newRow("de_DE letters and other separators are not typed")
            << "de_DE"
            << "06.05.2020"
            << "15a.03/.2021"
            << "15.03.2021" << QVariant("2021-03-15") << QString();
        QTest::newRow("de_DE 31 February")
            << "de_DE"
            << "06.05.2020"
            << "31.02.2024"
            << "31.02.2024" << QVariant("2020-05-06") << "'31.02.2024' is not a valid date";
        QTest::newRow("pl_PL") << "pl_PL"
                               << "6.05.2020"
                               << "31.12.1999"
                               << "31.12.1999" << QVariant("1999-12-31") << QString();
        QTest::newRow("pl_PL two-digit year") << "pl_PL"
                                              << "6.05.2020"
                                              << "05.06.07"
                                              << "5.06.2007" << QVariant("2007-06-05") << QString();
        QTest::newRow("pl_PL separators only") << "pl_PL"
                                               << "6.05.2020"
                                               << ".."
                                               << ".." << QVariant("2020-05-06") << "'..' is not a valid date";
        // Locales whose short date has spaces, several separators, words or marks: the box
        // takes the date as the locale writes it, and as people type it more loosely.
        const QDate may6(2020, 5, 6);
        const QDate feb1(2024, 2, 1);
        const auto text = [](const char* locale, const QDate& date) {
            return DateText::toText(date, QLocale(QLatin1String(locale)));
        };
        for (const char* locale : {"sk_SK", "hu_HU", "ko_KR", "bg_BG", "ar_EG"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 as it writes dates").arg(QLatin1String(locale))))
                << locale << text(locale, may6) << text(locale, feb1) << text(locale, feb1) << QVariant("2024-02-01")
                << QString();
        }
        QTest::newRow("sk_SK without the spaces") << "sk_SK" << text("sk_SK", may6) << "1.2.2024" << text("sk_SK", feb1)
                                                  << QVariant("2024-02-01") << QString();
        QTest::newRow("hu_HU one-digit month and day") << "hu_HU" << text("hu_HU", may6) << "2024. 2. 1."
                                                       << text("hu_HU", feb1) << QVariant("2024-02-01") << QString();
        QTest::newRow("ko_KR two-digit year") << "ko_KR" << text("ko_KR", may6) << "24. 2. 1." << text("ko_KR", feb1)
                                              << QVariant("2024-02-01") << QString();
        QTest::newRow("bg_BG without its word") << "bg_BG" << text("bg_BG", may6) << "1.02.2024" << text("bg_BG", feb1)
                                                << QVariant("2024-02-01") << QString();
        QTest::newRow("emptied box is no date") << "de_DE"
                                                << "06.05.2020"
                                                << ""
                                                << "" << none << QString();
        QTest::newRow("emptied box is no date (C)") << "C"
                                                    << "2020-05-06"
                                                    << ""
                                                    << "" << none << QString();
    }

    void typedDateReachesTheFieldAsADate()
    {
        QFETCH(QString, locale);
        QFETCH(QString, shownFirst);
        QFETCH(QString, typed);
        QFETCH(QString, shownAfter);
        QFETCH(QVariant, stored);
        QFETCH(QString, error);
        DateBox d(locale);
        auto& [userLocale, f, box] = d;
        QCOMPARE(box->text(), shownFirst);

        box->setFocus();
        box->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        for (const QChar c : typed) {
            // Letters and digits beyond Latin-1 (Cyrillic words, Arabic-Indic digits) come as
            // the text of a key, as an input method gives them.
            QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Edit);
        f.leave();
        settle(); // a refusal comes from the event loop
        QCOMPARE(box->text(), shownAfter);
        const QString date = QStringLiteral("select date(Date_aq) from Books");
        if (!error.isEmpty()) {
            QCOMPARE(f.messages.errors(), QStringList{error + QLatin1Char('.')});
            QTRY_VERIFY(box->hasFocus()); // the focus stays in the box
            // The post refuses it too, and the file keeps its date.
            f.messages.requests.clear();
            f.other->setFocus();
            QVERIFY_THROWS_EXCEPTION(EDatabaseError, Procedury::PostRecord(f.dm.qrBooks));
            QTRY_VERIFY(box->hasFocus());
            QCOMPARE(f.stored(date), stored);
            return;
        }
        QVERIFY(f.messages.errors().isEmpty());
        const TField& field = f.dm.qrBooks.FieldByName(QStringLiteral("Date_aq"));
        QCOMPARE(field.IsNull(), stored.isNull());
        if (!stored.isNull())
            QCOMPARE(field.AsDateTime().date(), QDate::fromString(stored.toString(), Qt::ISODate));
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(date), stored);
        QCOMPARE(f.stored(QStringLiteral("select Date_aq is null from Books")).toBool(), stored.isNull());
    }

    // Letters never reach the box, so they leave the record as it was.
    void refusedKeysLeaveTheRecordAlone()
    {
        DateBox d(QStringLiteral("de_DE"));
        auto& [userLocale, f, box] = d;
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("ab/-"));
        QCOMPARE(box->text(), QStringLiteral("06.05.2020"));
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
    }

    void calendarPickPutsTheRecordIntoEditState()
    {
        DateBox d(QStringLiteral("en_US"));
        auto& [userLocale, f, box] = d;
        box->setFocus();
        QTest::mouseClick(box->calendarButton(), Qt::LeftButton);
        QCalendarWidget* calendar = box->calendar();
        QTRY_VERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), QDate(2020, 5, 6)); // it opens on the box's date
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse); // opening it changes nothing
        clickDay(calendar, 15);
        QVERIFY(!calendar->isVisible());
        QCOMPARE(box->text(), QStringLiteral("5/15/2020"));
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Edit);
        QVERIFY(box->hasFocus());

        // From the keyboard: F4 opens it, a day further and Enter picks.
        QTest::keyClick(box, Qt::Key_F4);
        QTRY_VERIFY(calendar->isVisible());
        QTest::keyClick(calendar->focusWidget(), Qt::Key_Right);
        QTest::keyClick(calendar->focusWidget(), Qt::Key_Return);
        QVERIFY(!calendar->isVisible());
        QCOMPARE(box->text(), QStringLiteral("5/16/2020"));
        f.leave();
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(QStringLiteral("select date(Date_aq) from Books")).toString(), QStringLiteral("2020-05-16"));
    }

    void calendarPickDoesNothingWhenTheRecordCannotBeEdited()
    {
        DateBox d(QStringLiteral("pl_PL"));
        auto& [userLocale, f, box] = d;
        // Another hand deletes the row: entering edit state fails.
        SqliteStatement::exec(f.dm.dbKOLT.handle(), QStringLiteral("delete from Books"));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier);
        QCalendarWidget* calendar = box->calendar();
        QTRY_VERIFY(calendar->isVisible());
        clickDay(calendar, 15);
        QVERIFY(!calendar->isVisible());
        QCOMPARE(box->text(), QStringLiteral("6.05.2020"));
        QVERIFY(!box->modified());
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
        QTRY_COMPARE(f.messages.errors(), QStringList{QStringLiteral("Record is deleted.")});
    }

    void followsMovesAndShowsNoDateEmpty()
    {
        DateBox d(QStringLiteral("de_DE"),
                  QStringLiteral("insert into Books (Category, Title, Date_aq) values "
                                 "('Novel', 'A', '1999-12-31 00:00:00'), ('Novel', 'B', null)"));
        auto& [userLocale, f, box] = d;
        QCOMPARE(box->text(), QStringLiteral("31.12.1999"));
        f.dm.qrBooks.Next();
        QCOMPARE(box->text(), QString());
        // Untouched, an empty box stays no date through a post.
        box->setFocus();
        f.leave();
        Procedury::PostRecord(f.dm.qrBooks);
        QVERIFY(f.stored(QStringLiteral("select Date_aq from Books where Title = 'B'")).isNull());
    }
};

QTEST_MAIN(TestDBDateEdit)
#include "tst_dbdateedit.moc"
