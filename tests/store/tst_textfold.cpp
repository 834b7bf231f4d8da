#include "TextFold.h"

#include <QRandomGenerator>
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
        QTest::newRow("ascii case") << "Drama"
                                    << "DRAMA" << true;
        QTest::newRow("latin accents keep case-free equality") << "ÉMILE"
                                                               << "émile" << true;
        QTest::newRow("accent is not case") << "Émile"
                                            << "Emile" << false;
        QTest::newRow("polish") << "ŁĄKA"
                                << "łąka" << true;
        QTest::newRow("cyrillic") << "НОЧЬ"
                                  << "ночь" << true;
        QTest::newRow("greek final sigma folds") << "ΟΔΟΣ"
                                                 << "οδος" << true;
        QTest::newRow("capital sharp s") << "STRAẞE"
                                         << "straße" << true;
        QTest::newRow("decomposed equals composed") << QString::fromUtf8("e\xCC\x81") << "é" << true;
        QTest::newRow("different words") << "Drama"
                                         << "Dram" << false;
        QTest::newRow("empty") << ""
                               << "" << true;
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
        QStringList words{"zebra", "Émile", "apple", "Łódź", "lodz", "Banana", "émile",
                          "Emile", "Zoë",   "10",    "2",    "ábc",  "abd",    "Żółw"};
        std::stable_sort(words.begin(), words.end(),
                         [](const QString& a, const QString& b) { return TextFold::compare(a, b) < 0; });
        const QStringList expected{"10",    "2",     "ábc",  "abd",  "apple", "Banana", "Emile",
                                   "Émile", "émile", "lodz", "Łódź", "zebra", "Zoë",    "Żółw"};
        QCOMPARE(words, expected);
    }

    void utf8FastPathAgreesWithFullFold_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("ascii prefix then accent") << "Cafe"
                                                  << "Café";
        QTest::newRow("same prefix, combining mark") << "e" << QString::fromUtf8("e\xCC\x81");
        QTest::newRow("upper vs lower at the end") << "abcZ"
                                                   << "abcy";
        QTest::newRow("prefix") << "abc"
                                << "abcd";
        QTest::newRow("non-ascii first") << "Ähre"
                                         << "ahre";
        QTest::newRow("same cyrillic, then apart") << "Ночь Fire"
                                                   << "Ночь Dream";
        QTest::newRow("same cyrillic, other case") << "Ночь город"
                                                   << "Ночь ГОРОД";
        QTest::newRow("same letter, other accent") << "Łąka é"
                                                   << "Łąka è";
        QTest::newRow("same lead byte, case apart") << "Ж"
                                                    << "ж";
        QTest::newRow("same text, then a mark") << "Żółw" << QString::fromUtf8("Żółw\xCC\x81");
        QTest::newRow("same text, one longer") << "Émile"
                                               << "Émile Zola";
    }

    void utf8FastPathAgreesWithFullFold()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QCOMPARE(TextFold::compareUtf8(a.toStdString(), b.toStdString()), TextFold::compare(a, b));
        QCOMPARE(TextFold::compareUtf8(b.toStdString(), a.toStdString()), TextFold::compare(b, a));
    }

    // What SQLite sorts and indexes with must agree with the full folding for any two texts,
    // most of all for texts that share a long beginning and differ a little after it.
    void utf8ComparisonAgreesOnRandomTexts()
    {
        const QStringList pieces{"a",
                                 "A",
                                 "b",
                                 "Z",
                                 " ",
                                 "1",
                                 "é",
                                 "É",
                                 QString::fromUtf8("e\xCC\x81"),
                                 "è",
                                 QString::fromUtf8("\xCC\x81"),
                                 "ß",
                                 "ss",
                                 "ẞ",
                                 "ﬁ",
                                 "fi",
                                 "ł",
                                 "Ł",
                                 "l",
                                 "Ж",
                                 "ж",
                                 "ночь",
                                 "НОЧЬ",
                                 "Ω",
                                 "ω",
                                 "🎬",
                                 "ǅ",
                                 "ǆ",
                                 "İ",
                                 "i"};
        QRandomGenerator rng(20240601);
        auto text = [&](int length) {
            QString t;
            for (int i = 0; i < length; ++i)
                t += pieces[int(rng.bounded(quint32(pieces.size())))];
            return t;
        };
        for (int round = 0; round < 20000; ++round) {
            const QString shared = text(int(rng.bounded(6)));
            const QString a = shared + text(int(rng.bounded(3))), b = shared + text(int(rng.bounded(3)));
            const int full = TextFold::compare(a, b);
            QCOMPARE(TextFold::compareUtf8(a.toStdString(), b.toStdString()), full);
            QCOMPARE(TextFold::compareUtf8(b.toStdString(), a.toStdString()), -full);
        }
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
        QTest::newRow("case ignored") << "Émile Zola"
                                      << "éMI" << true << true;
        QTest::newRow("accent matters") << "Émile"
                                        << "Emi" << true << false;
        QTest::newRow("star matches a run") << "The Godfather"
                                            << "T*father" << true << true;
        QTest::newRow("question mark one char") << "Rocky"
                                                << "R?ck" << true << true;
        QTest::newRow("star literal without wildcards") << "M*A*S*H"
                                                        << "M*A" << false << true;
        QTest::newRow("star with wildcards still finds literal") << "M*A*S*H"
                                                                 << "M*A*S" << true << true;
        QTest::newRow("percent is literal") << "100% Pure"
                                            << "100%" << true << true;
        QTest::newRow("percent does not match anything") << "100 Pure"
                                                         << "100%" << true << false;
        QTest::newRow("underscore literal") << "a_b"
                                            << "a_" << true << true;
        QTest::newRow("underscore not a wildcard") << "ab"
                                                   << "a_" << true << false;
        QTest::newRow("bracket literal") << "[Live] Best"
                                         << "[Live]" << true << true;
        QTest::newRow("hash literal") << "#1 Hits"
                                      << "#1" << true << true;
        QTest::newRow("empty prefix matches") << "anything"
                                              << "" << true << true;
        QTest::newRow("longer than text") << "ab"
                                          << "abc" << true << false;
        QTest::newRow("emoji") << "🎬 Films"
                               << "🎬" << true << true;
    }

    void startsWith()
    {
        QFETCH(QString, text);
        QFETCH(QString, prefix);
        QFETCH(bool, wildcards);
        QFETCH(bool, expected);
        QCOMPARE(TextFold::startsWith(text, prefix, wildcards), expected);
    }

    // An index goes straight to the texts that begin with a search value: no text that begins
    // with it may lie outside the bounds given for it, whatever its case, accents or script.
    void prefixBoundsHoldEveryMatch()
    {
        const QStringList texts{"Émile Zola", "emile",   "EMILE",  "Emília",  QString::fromUtf8("e\xCC\x81mile"),
                                "Łódź",       "lodz",    "ŁUKASZ", "Ночь",    "НОЧЬ Город",
                                "Straße",     "STRASSE", "ẞ",      "ﬁle",     "İstanbul",
                                "istanbul",   "ΟΔΟΣ",    "οδος",   "🎬 Films", "a",
                                "Z",          "zz",      "ÿ",      "Ÿ",       "10",
                                "2",          "Ǆemal",   "ǆ",      "M*A*S*H", "[Live]",
                                "ж\u0301а"};
        int bounded = 0;
        for (const QString& text : texts) {
            for (const QString& other : texts) {
                for (qsizetype k = 1; k <= other.size(); ++k) {
                    for (const QString& prefix : {other.left(k), other.left(k).toUpper(), other.left(k).toLower()}) {
                        if (!TextFold::startsWith(text, prefix, false))
                            continue;
                        const auto bounds = TextFold::prefixBounds(prefix);
                        if (!bounds)
                            continue;
                        ++bounded;
                        const std::string lower = bounds->first.toStdString(), upper = bounds->second.toStdString();
                        const std::string t = text.toStdString();
                        QVERIFY2(TextFold::compareUtf8(lower, t) <= 0 && TextFold::compareUtf8(t, upper) < 0,
                                 qPrintable(QStringLiteral("'%1' begins with '%2'").arg(text, prefix)));
                    }
                }
            }
        }
        QVERIFY(bounded > 200);
        QVERIFY(!TextFold::prefixBounds(u""));
        // A text that does not begin with the value may lie between the bounds; one far off does not.
        const auto bounds = TextFold::prefixBounds(u"Wolf Oc");
        QVERIFY(bounds);
        QVERIFY(TextFold::compare(u"Wolf Night", bounds->first) < 0
                || TextFold::compare(u"Wolf Night", bounds->second) >= 0);
    }

    void patterns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("expected");
        const int jet = int(TextFold::PatternKind::Jet), sql = int(TextFold::PatternKind::Sql);
        QTest::newRow("jet digit") << "Room 5"
                                   << "Room #" << jet << true;
        QTest::newRow("jet digit refuses letter") << "Room A"
                                                  << "Room #" << jet << false;
        QTest::newRow("jet class") << "Bat"
                                   << "[BC]at" << jet << true;
        QTest::newRow("jet negated class") << "Cat"
                                           << "[!C]at" << jet << false;
        QTest::newRow("jet range ignores case") << "bat"
                                                << "[A-C]at" << jet << true;
        QTest::newRow("jet unclosed bracket literal") << "[x"
                                                      << "[x" << jet << true;
        QTest::newRow("sql percent") << "ÉMILE zola"
                                     << "émile%" << sql << true;
        QTest::newRow("sql underscore") << "abc"
                                        << "a_c" << sql << true;
        QTest::newRow("sql whole text") << "abcd"
                                        << "abc" << sql << false;
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
