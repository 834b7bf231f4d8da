#include "TextFold.h"

#include <QTest>
#include <algorithm>

class TestTextFold : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void equality_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("ascii case") << "Drama" << "DRAMA" << true;
        QTest::newRow("latin accents keep case-free equality") << "ÉMILE" << "émile" << true;
        QTest::newRow("accent is not case") << "Émile" << "Emile" << false;
        QTest::newRow("polish") << "ŁĄKA" << "łąka" << true;
        QTest::newRow("cyrillic") << "НОЧЬ" << "ночь" << true;
        QTest::newRow("greek final sigma folds") << "ΟΔΟΣ" << "οδος" << true;
        QTest::newRow("capital sharp s") << "STRAẞE" << "straße" << true;
        QTest::newRow("decomposed equals composed") << QString::fromUtf8("e\xCC\x81") << "é" << true;
        QTest::newRow("different words") << "Drama" << "Dram" << false;
        QTest::newRow("empty") << "" << "" << true;
    }

    void equality()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, equal);
        QCOMPARE(TextFold::compare(a, b) == 0, equal);
        QCOMPARE(TextFold::compareUtf8(a.toStdString(), b.toStdString()) == 0, equal);
        // Symmetric, and the UTF-8 path (what SQLite calls) agrees with the UTF-16 one.
        QCOMPARE(TextFold::compare(a, b), -TextFold::compare(b, a));
        QCOMPARE(TextFold::compareUtf8(a.toStdString(), b.toStdString()), TextFold::compare(a, b));
    }

    void orderAsPeopleExpect()
    {
        QStringList words{"zebra", "Émile", "apple", "Łódź", "lodz", "Banana", "émile", "Emile", "Zoë", "10", "2",
                          "ábc", "abd", "Żółw"};
        std::stable_sort(words.begin(), words.end(),
                         [](const QString& a, const QString& b) { return TextFold::compare(a, b) < 0; });
        const QStringList expected{"10", "2", "ábc", "abd", "apple", "Banana", "Emile", "Émile", "émile",
                                   "lodz", "Łódź", "zebra", "Zoë", "Żółw"};
        QCOMPARE(words, expected);
    }

    void utf8FastPathAgreesWithFullFold_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("ascii prefix then accent") << "Cafe" << "Café";
        QTest::newRow("same prefix, combining mark") << "e" << QString::fromUtf8("e\xCC\x81");
        QTest::newRow("upper vs lower at the end") << "abcZ" << "abcy";
        QTest::newRow("prefix") << "abc" << "abcd";
        QTest::newRow("non-ascii first") << "Ähre" << "ahre";
    }

    void utf8FastPathAgreesWithFullFold()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QCOMPARE(TextFold::compareUtf8(a.toStdString(), b.toStdString()), TextFold::compare(a, b));
        QCOMPARE(TextFold::compareUtf8(b.toStdString(), a.toStdString()), TextFold::compare(b, a));
    }

    void invalidUtf8IsOrderedNotEqual()
    {
        const std::string bad("\xff\xfe", 2), other("\xfe\xff", 2);
        QVERIFY(TextFold::compareUtf8(bad, other) != 0);
        QCOMPARE(TextFold::compareUtf8(bad, bad), 0);
    }

    void startsWith_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("wildcards");
        QTest::addColumn<bool>("expected");
        QTest::newRow("case ignored") << "Émile Zola" << "éMI" << true << true;
        QTest::newRow("accent matters") << "Émile" << "Emi" << true << false;
        QTest::newRow("star matches a run") << "The Godfather" << "T*father" << true << true;
        QTest::newRow("question mark one char") << "Rocky" << "R?ck" << true << true;
        QTest::newRow("star literal without wildcards") << "M*A*S*H" << "M*A" << false << true;
        QTest::newRow("star with wildcards still finds literal") << "M*A*S*H" << "M*A*S" << true << true;
        QTest::newRow("percent is literal") << "100% Pure" << "100%" << true << true;
        QTest::newRow("percent does not match anything") << "100 Pure" << "100%" << true << false;
        QTest::newRow("underscore literal") << "a_b" << "a_" << true << true;
        QTest::newRow("underscore not a wildcard") << "ab" << "a_" << true << false;
        QTest::newRow("bracket literal") << "[Live] Best" << "[Live]" << true << true;
        QTest::newRow("hash literal") << "#1 Hits" << "#1" << true << true;
        QTest::newRow("empty prefix matches") << "anything" << "" << true << true;
        QTest::newRow("longer than text") << "ab" << "abc" << true << false;
        QTest::newRow("emoji") << "🎬 Films" << "🎬" << true << true;
    }

    void startsWith()
    {
        QFETCH(QString, text);
        QFETCH(QString, prefix);
        QFETCH(bool, wildcards);
        QFETCH(bool, expected);
        QCOMPARE(TextFold::startsWith(text, prefix, wildcards), expected);
    }

    void patterns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("expected");
        const int jet = int(TextFold::PatternKind::Jet), sql = int(TextFold::PatternKind::Sql);
        QTest::newRow("jet digit") << "Room 5" << "Room #" << jet << true;
        QTest::newRow("jet digit refuses letter") << "Room A" << "Room #" << jet << false;
        QTest::newRow("jet class") << "Bat" << "[BC]at" << jet << true;
        QTest::newRow("jet negated class") << "Cat" << "[!C]at" << jet << false;
        QTest::newRow("jet range ignores case") << "bat" << "[A-C]at" << jet << true;
        QTest::newRow("jet unclosed bracket literal") << "[x" << "[x" << jet << true;
        QTest::newRow("sql percent") << "ÉMILE zola" << "émile%" << sql << true;
        QTest::newRow("sql underscore") << "abc" << "a_c" << sql << true;
        QTest::newRow("sql whole text") << "abcd" << "abc" << sql << false;
        QTest::newRow("backtracking stays linear") << QString(2000, 'a') << QString("*a*a*a*a*b") << jet << false;
    }

    void patterns()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(int, kind);
        QFETCH(bool, expected);
        QCOMPARE(TextFold::matches(text, pattern, TextFold::PatternKind(kind)), expected);
    }

    void sqlEscape()
    {
        QVERIFY(TextFold::matches(u"100%", u"100!%", TextFold::PatternKind::Sql, U'!'));
        QVERIFY(!TextFold::matches(u"1000", u"100!%", TextFold::PatternKind::Sql, U'!'));
    }
};

QTEST_GUILESS_MAIN(TestTextFold)
#include "tst_textfold.moc"
