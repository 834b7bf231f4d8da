#include "DateText.h"
#include "ErrorText.h"
#include "StoreFixture.h"
#include "TField.h"

#include <QLocale>
#include <QTest>

// Field values as text: cutting to a field's size and dates under the locales users have.
class TestField : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Two-digit years are read against a fixed day, so that what is expected holds in any year.
    void initTestCase() { DateText::fixToday(QDate(2026, 12, 10)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void cutTextKeepsCharactersWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << "Abc" << 5 << "Abc";
        QTest::newRow("plain cut") << "Abcdef" << 4 << "Abcd";
        QTest::newRow("letter and its accent") << QStringLiteral("Cafe\u0301!") << 4 << "Caf";
        QTest::newRow("accent fits too") << QStringLiteral("Cafe\u0301!") << 5 << QStringLiteral("Cafe\u0301");
        QTest::newRow("astral letter") << QStringLiteral("ab\U0001D400c") << 3 << "ab";
        QTest::newRow("flag") << QStringLiteral("a\U0001F1F5\U0001F1F1b") << 4 << "a";
        QTest::newRow("joined emoji") << QStringLiteral("ab\U0001F468\u200D\U0001F469\u200D\U0001F467c") << 6 << "ab";
        QTest::newRow("nothing fits") << QStringLiteral("\U0001F1F5\U0001F1F1") << 3 << "";
    }

    void cutTextKeepsCharactersWhole()
    {
        QFETCH(QString, text);
        QFETCH(int, size);
        QFETCH(QString, expected);
        QCOMPARE(TField::cutText(text, size), expected);
    }

    void datesInEveryLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("expected");
        QTest::addColumn<QString>("shown");
        const QDate jan2(2024, 1, 2);
        QTest::newRow("C, stored form") << "C"
                                        << "2024-01-02" << jan2 << "2024-01-02";
        QTest::newRow("C, two digits") << "C"
                                       << "24-01-02" << jan2 << "2024-01-02";
        QTest::newRow("en_US, two digits") << "en_US"
                                           << "1/2/24" << jan2 << "1/2/2024";
        QTest::newRow("en_US, four digits") << "en_US"
                                            << "1/2/2024" << jan2 << "1/2/2024";
        QTest::newRow("en_US, last century") << "en_US"
                                             << "12/31/99" << QDate(1999, 12, 31) << "12/31/1999";
        QTest::newRow("en_US, 1924 typed") << "en_US"
                                           << "1/2/1924" << QDate(1924, 1, 2) << "1/2/1924";
        QTest::newRow("de_DE, two digits") << "de_DE"
                                           << "02.01.24" << jan2 << "02.01.2024";
        QTest::newRow("de_DE, four digits") << "de_DE"
                                            << "31.12.1999" << QDate(1999, 12, 31) << "31.12.1999";
        QTest::newRow("pl_PL, two digits") << "pl_PL"
                                           << "02.01.24" << jan2 << "2.01.2024";
        QTest::newRow("pl_PL, four digits") << "pl_PL"
                                            << "2.01.2024" << jan2 << "2.01.2024";
        QTest::newRow("pl_PL, stored form") << "pl_PL"
                                            << "2024-01-02" << jan2 << "2.01.2024";
        QTest::newRow("de_DE, one-digit day and month") << "de_DE"
                                                        << "2.1.2024" << jan2 << "02.01.2024";
        QTest::newRow("pl_PL, one digit and two-digit year") << "pl_PL"
                                                             << "2.1.24" << jan2 << "2.01.2024";
        QTest::newRow("sk_SK, spaced") << "sk_SK"
                                       << "2. 1. 2024" << jan2 << "2. 1. 2024";
        QTest::newRow("sk_SK, unspaced") << "sk_SK"
                                         << "2.1.24" << jan2 << "2. 1. 2024";
        QTest::newRow("hu_HU") << "hu_HU"
                               << "2024. 01. 02." << jan2 << "2024. 01. 02.";
        QTest::newRow("ko_KR, two digits") << "ko_KR"
                                           << "24. 1. 2." << jan2 << "2024. 1. 2.";
        QTest::newRow("bg_BG, with its word") << "bg_BG"
                                              << "2.01.2024 г." << jan2 << "2.01.2024 г.";
        QTest::newRow("ar_EG, its digits and marks")
            << "ar_EG" << QStringLiteral("\u0662\u200f/\u0661\u200f/\u0662\u0660\u0662\u0664") << jan2
            << QStringLiteral("\u0662\u200f/\u0661\u200f/\u0662\u0660\u0662\u0664");
    }

    // A date typed as text reaches the field as that date, and shows with its whole year.
    void datesInEveryLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QFETCH(QDate, expected);
        QFETCH(QString, shown);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(DateText::fromText(typed), expected);

        StoreFixture f;
        f.exec(QStringLiteral("insert into Books (Category, Title) values ('Novel', 'A')"));
        auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books")});
        q->Open();
        q->Edit();
        TField& date = q->FieldByName(QStringLiteral("Date_aq"));
        date.SetAsString(typed);
        QCOMPARE(date.AsDateTime().date(), expected);
        QCOMPARE(date.DisplayText(), shown);
        q->Post();
        QCOMPARE(f.scalar(QStringLiteral("select Date_aq from Books")).toString(),
                 expected.toString(Qt::ISODate) + QStringLiteral(" 00:00:00"));
    }

    void unreadableDatesAreRefused_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::newRow("en_US, no such month") << "en_US"
                                              << "13/2/24";
        QTest::newRow("de_DE, no such day") << "de_DE"
                                            << "32.01.2024";
        QTest::newRow("pl_PL, letters") << "pl_PL"
                                        << "jutro";
        QTest::newRow("C, half a date") << "C"
                                        << "2024-01";
        QTest::newRow("bg_BG, a word of its own") << "bg_BG"
                                                  << "2.01.2024 ден";
        QTest::newRow("sk_SK, four numbers") << "sk_SK"
                                             << "2. 1. 2024. 5";
    }

    void unreadableDatesAreRefused()
    {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QLocale::setDefault(QLocale(locale));
        QVERIFY(!DateText::fromText(typed).isValid());
        StoreFixture f;
        f.exec(QStringLiteral("insert into Books (Category, Title) values ('Novel', 'A')"));
        auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books")});
        q->Open();
        q->Edit();
        QCOMPARE(messageOf([&] { q->FieldByName(QStringLiteral("Date_aq")).SetAsString(typed); }),
                 QStringLiteral("'%1' is not a valid date").arg(typed));
        QVERIFY(q->FieldByName(QStringLiteral("Date_aq")).IsNull());
    }

    void twoDigitYearsMeanTheNearestYear_data()
    {
        QTest::addColumn<int>("digits");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("year");
        QTest::newRow("this century") << 24 << QDate(2026, 12, 10) << 2024;
        QTest::newRow("soon") << 60 << QDate(2026, 12, 10) << 2060;
        QTest::newRow("last century") << 99 << QDate(2026, 12, 10) << 1999;
        QTest::newRow("next century") << 1 << QDate(2080, 1, 1) << 2101;
    }

    void twoDigitYearsMeanTheNearestYear()
    {
        QFETCH(int, digits);
        QFETCH(QDate, today);
        QFETCH(int, year);
        QCOMPARE(DateText::nearestYear(digits, today), year);
    }
};

QTEST_GUILESS_MAIN(TestField)
#include "tst_field.moc"
