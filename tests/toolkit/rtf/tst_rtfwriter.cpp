#include "RtfReader.h"
#include "RtfTestSupport.h"
#include "RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

using namespace RtfTestSupport;

namespace {

enum class Sample {
    Empty,
    Plain,
    TrailingEmptyParagraph,
    CharacterFormats,
    Underlines,
    Fonts,
    Colours,
    Scripts,
    Paragraphs,
    Tabs,
    LineBreaks,
    Specials,
    Unicode,
    BulletList,
    NumberedLists,
    NestedList,
    Mixed,
};

QTextCharFormat charFormat(void (*setter)(QTextCharFormat&))
{
    QTextCharFormat format;
    setter(format);
    return format;
}

void insertParagraph(QTextCursor& cursor, const QString& text, const QTextBlockFormat& format = {})
{
    if (!cursor.atStart())
        cursor.insertBlock(format, QTextCharFormat());
    else
        cursor.setBlockFormat(format);
    cursor.insertText(text, QTextCharFormat());
}

void buildCharacterFormats(QTextCursor& c)
{
    c.insertText(QStringLiteral("plain "));
    c.insertText(QStringLiteral("bold "), charFormat([](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); }));
    c.insertText(QStringLiteral("italic "), charFormat([](QTextCharFormat& f) { f.setFontItalic(true); }));
    c.insertText(QStringLiteral("underline "), charFormat([](QTextCharFormat& f) { f.setFontUnderline(true); }));
    c.insertText(QStringLiteral("strike "), charFormat([](QTextCharFormat& f) { f.setFontStrikeOut(true); }));
    c.insertText(QStringLiteral("all"), charFormat([](QTextCharFormat& f) {
                     f.setFontWeight(QFont::Bold);
                     f.setFontItalic(true);
                     f.setFontUnderline(true);
                     f.setFontStrikeOut(true);
                 }));
}

void buildUnderlines(QTextCursor& c)
{
    for (auto style : {QTextCharFormat::DashUnderline, QTextCharFormat::DotLine, QTextCharFormat::DashDotLine,
                       QTextCharFormat::DashDotDotLine, QTextCharFormat::WaveUnderline}) {
        QTextCharFormat format;
        format.setUnderlineStyle(style);
        c.insertText(QStringLiteral("u%1 ").arg(int(style)), format);
    }
}

void buildFonts(QTextCursor& c)
{
    c.insertText(QStringLiteral("mono "),
                 charFormat([](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("Courier New")}); }));
    c.insertText(QStringLiteral("sized "), charFormat([](QTextCharFormat& f) { f.setFontPointSize(18); }));
    c.insertText(QStringLiteral("half "), charFormat([](QTextCharFormat& f) { f.setFontPointSize(10.5); }));
    c.insertText(QStringLiteral("both "), charFormat([](QTextCharFormat& f) {
                     f.setFontFamilies({QStringLiteral("Zażółć {Sans}")});
                     f.setFontPointSize(9);
                 }));
    c.insertText(QStringLiteral("mono again"),
                 charFormat([](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("Courier New")}); }));
}

void buildColours(QTextCursor& c)
{
    c.insertText(QStringLiteral("red "), charFormat([](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); }));
    c.insertText(QStringLiteral("marked "),
                 charFormat([](QTextCharFormat& f) { f.setBackground(QColor(255, 255, 0)); }));
    c.insertText(QStringLiteral("both "), charFormat([](QTextCharFormat& f) {
                     f.setForeground(QColor(0x12, 0x34, 0x56));
                     f.setBackground(QColor(255, 0, 0));
                 }));
    c.insertText(QStringLiteral("plain"));
}

void buildScripts(QTextCursor& c)
{
    c.insertText(QStringLiteral("E=mc"));
    c.insertText(QStringLiteral("2"),
                 charFormat([](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); }));
    c.insertText(QStringLiteral(" H"));
    c.insertText(QStringLiteral("2"),
                 charFormat([](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); }));
    c.insertText(QStringLiteral("O caps"),
                 charFormat([](QTextCharFormat& f) { f.setFontCapitalization(QFont::AllUppercase); }));
    c.insertText(QStringLiteral(" small"),
                 charFormat([](QTextCharFormat& f) { f.setFontCapitalization(QFont::SmallCaps); }));
}

void buildParagraphs(QTextCursor& c)
{
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    QTextBlockFormat justify;
    justify.setAlignment(Qt::AlignJustify);
    QTextBlockFormat indented;
    indented.setLeftMargin(48);
    indented.setRightMargin(24);
    indented.setTextIndent(-12);
    indented.setTopMargin(8);
    indented.setBottomMargin(4);
    QTextBlockFormat rtl;
    rtl.setLayoutDirection(Qt::RightToLeft);
    insertParagraph(c, QStringLiteral("centre"), centre);
    insertParagraph(c, QStringLiteral("right"), right);
    insertParagraph(c, QStringLiteral("justify"), justify);
    insertParagraph(c, QStringLiteral("indented"), indented);
    insertParagraph(c, QStringLiteral("rtl"), rtl);
    insertParagraph(c, QStringLiteral("left"));
}

void buildTabs(QTextCursor& c)
{
    QTextBlockFormat format;
    format.setTabPositions({QTextOption::Tab(96, QTextOption::LeftTab), QTextOption::Tab(192, QTextOption::RightTab),
                            QTextOption::Tab(288, QTextOption::CenterTab)});
    insertParagraph(c, QStringLiteral("a\tb\tc\td"), format);
}

void buildLists(QTextCursor& c, QTextListFormat::Style style, int indent, const QString& prefix = {},
                const QString& suffix = QStringLiteral("."))
{
    insertParagraph(c, QStringLiteral("before"));
    QTextListFormat format;
    format.setStyle(style);
    format.setIndent(indent);
    format.setNumberPrefix(prefix);
    format.setNumberSuffix(suffix);
    insertParagraph(c, QStringLiteral("first"));
    QTextList* list = c.createList(format);
    for (const char* text : {"second", "third"}) {
        insertParagraph(c, QString::fromLatin1(text));
        list->add(c.block());
    }
    insertParagraph(c, QStringLiteral("after"));
}

void build(Sample sample, QTextDocument& document)
{
    QTextCursor c(&document);
    switch (sample) {
    case Sample::Empty:
        return;
    case Sample::Plain:
        c.insertText(QStringLiteral("one\ntwo\n\nfour"));
        return;
    case Sample::TrailingEmptyParagraph:
        c.insertText(QStringLiteral("text\n"));
        return;
    case Sample::CharacterFormats:
        return buildCharacterFormats(c);
    case Sample::Underlines:
        return buildUnderlines(c);
    case Sample::Fonts:
        return buildFonts(c);
    case Sample::Colours:
        return buildColours(c);
    case Sample::Scripts:
        return buildScripts(c);
    case Sample::Paragraphs:
        return buildParagraphs(c);
    case Sample::Tabs:
        return buildTabs(c);
    case Sample::LineBreaks:
        c.insertText(QStringLiteral("one\u2028two\u2028\u2028three"));
        return;
    case Sample::Specials:
        c.insertText(QStringLiteral("\\ { } {\\rtf1} \\par a\u00A0b\u00ADc\u2011d ? 1 \\u8212 \\'e9 ;"));
        return;
    case Sample::Unicode:
        c.insertText(QStringLiteral("Zażółć gęślą jaźń ŻÓŁW — Съешь же ещё этих булок — Ελληνικά — 日本語 — "
                                    "€ “” ‘’ … ₁₂ ＦＵＬＬ \U0001F3B5\U0001F600 \uFFFD"));
        return;
    case Sample::BulletList:
        return buildLists(c, QTextListFormat::ListDisc, 1);
    case Sample::NumberedLists:
        buildLists(c, QTextListFormat::ListDecimal, 1);
        buildLists(c, QTextListFormat::ListLowerAlpha, 1, QString(), QStringLiteral(")"));
        buildLists(c, QTextListFormat::ListUpperRoman, 1);
        buildLists(c, QTextListFormat::ListDecimal, 1, QStringLiteral("("), QStringLiteral(")"));
        return;
    case Sample::NestedList:
        buildLists(c, QTextListFormat::ListCircle, 2);
        buildLists(c, QTextListFormat::ListSquare, 3);
        return;
    case Sample::Mixed:
        buildParagraphs(c);
        c.insertBlock();
        buildFonts(c);
        c.insertBlock();
        buildColours(c);
        buildLists(c, QTextListFormat::ListDecimal, 1);
        return;
    }
}

} // namespace

Q_DECLARE_METATYPE(Sample)

class TestRtfWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void header();
    void escaping_data();
    void escaping();
    void roundTrip_data();
    void roundTrip();
    void roundTripThroughMemo();
    void listMarkersVisible();
    void tableWrittenAsRows();
    void memoTextMatchesBytes();
    void controlCharactersDropped();
};

void TestRtfWriter::header()
{
    QTextDocument document;
    build(Sample::Mixed, document);
    const QByteArray rtf = RtfWriter::write(document);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
    QVERIFY(rtf.contains("{\\fonttbl{\\f0"));
    QVERIFY(rtf.contains("{\\colortbl;\\red"));
    QVERIFY(rtf.contains("\\uc1"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    QCOMPARE(rtf.count('{'), rtf.count('}'));
    for (const char c : rtf)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, "output must be 7-bit");
}

void TestRtfWriter::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("backslash") << QStringLiteral("a\\b") << QByteArray("a\\\\b");
    QTest::newRow("braces") << QStringLiteral("{x}") << QByteArray("\\{x\\}");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
    QTest::newRow("line break") << QStringLiteral("a\u2028b") << QByteArray("a\\line b");
    QTest::newRow("no-break space") << QStringLiteral("a\u00A0b") << QByteArray("a\\~b");
    QTest::newRow("latin-1 falls back to its byte") << QStringLiteral("\u00E9") << QByteArray("\\u233\\'e9");
    QTest::newRow("euro falls back to 1252") << QStringLiteral("\u20AC") << QByteArray("\\u8364\\'80");
    QTest::newRow("polish falls back to base letter") << QStringLiteral("\u017C") << QByteArray("\\u380z");
    QTest::newRow("cyrillic falls back to ?") << QStringLiteral("\u042F") << QByteArray("\\u1071?");
    QTest::newRow("above 32767 is negative") << QStringLiteral("\uFF26") << QByteArray("\\u-218F");
    QTest::newRow("digit fallback is delimited") << QStringLiteral("\u2081") << QByteArray("\\u8321 1");
    QTest::newRow("surrogate pair") << QStringLiteral("\U0001F600") << QByteArray("\\u-10179?\\u-8704?");
}

void TestRtfWriter::escaping()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QTextDocument document;
    document.setPlainText(text);
    const QByteArray rtf = RtfWriter::write(document);
    QVERIFY2(rtf.contains(expected), rtf.constData());
    QCOMPARE(rawText(*readRtf(rtf)), text);
}

void TestRtfWriter::roundTrip_data()
{
    QTest::addColumn<Sample>("sample");
    QTest::newRow("empty") << Sample::Empty;
    QTest::newRow("plain paragraphs") << Sample::Plain;
    QTest::newRow("trailing empty paragraph") << Sample::TrailingEmptyParagraph;
    QTest::newRow("character formats") << Sample::CharacterFormats;
    QTest::newRow("underline styles") << Sample::Underlines;
    QTest::newRow("fonts and sizes") << Sample::Fonts;
    QTest::newRow("colours") << Sample::Colours;
    QTest::newRow("scripts and capitals") << Sample::Scripts;
    QTest::newRow("paragraph formats") << Sample::Paragraphs;
    QTest::newRow("tab stops") << Sample::Tabs;
    QTest::newRow("line breaks") << Sample::LineBreaks;
    QTest::newRow("special characters") << Sample::Specials;
    QTest::newRow("unicode") << Sample::Unicode;
    QTest::newRow("bullet list") << Sample::BulletList;
    QTest::newRow("numbered lists") << Sample::NumberedLists;
    QTest::newRow("nested list") << Sample::NestedList;
    QTest::newRow("mixed") << Sample::Mixed;
}

void TestRtfWriter::roundTrip()
{
    QFETCH(Sample, sample);
    QTextDocument original;
    build(sample, original);
    const QByteArray rtf = RtfWriter::write(original);
    const auto copy = readRtf(rtf);
    QCOMPARE(rawText(*copy), rawText(original));
    QCOMPARE(describe(*copy), describe(original));
    // Writing what was read gives the same RTF again.
    QCOMPARE(RtfWriter::write(*copy), rtf);
}

void TestRtfWriter::roundTripThroughMemo()
{
    QTextDocument original;
    build(Sample::Mixed, original);
    build(Sample::Unicode, original);
    QTextDocument copy;
    RtfReader::loadMemo(RtfWriter::memoText(original), copy);
    QCOMPARE(describe(copy), describe(original));
}

void TestRtfWriter::listMarkersVisible()
{
    QTextDocument document;
    build(Sample::NumberedLists, document);
    const QByteArray rtf = RtfWriter::write(document);
    // Readers that do not number lists still show the markers.
    QVERIFY(rtf.contains("{\\pntext\\f0 1.\\tab}"));
    QVERIFY(rtf.contains("{\\pntext\\f0 3.\\tab}"));
    QVERIFY(rtf.contains("{\\pntext\\f0 b)\\tab}"));
    QVERIFY(rtf.contains("{\\pntext\\f0 III.\\tab}"));
    QVERIFY(rtf.contains("{\\pntext\\f0 (2)\\tab}"));
    QVERIFY(rtf.contains("\\pnucrm"));
}

void TestRtfWriter::tableWrittenAsRows()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("before"));
    QTextTable* table = cursor.insertTable(2, 3);
    const QStringList cells = {QStringLiteral("Title"),        QStringLiteral("Year"), QStringLiteral("{x}"),
                               QStringLiteral("Kind of Blue"), QStringLiteral("1959"), QStringLiteral("Ą")};
    for (int i = 0; i < cells.size(); ++i)
        table->cellAt(i / 3, i % 3).firstCursorPosition().insertText(cells.at(i));
    table->cellAt(1, 2).lastCursorPosition().insertText(QStringLiteral("\nsecond"));
    table->mergeCells(0, 1, 1, 2);
    const QByteArray rtf = RtfWriter::write(document);
    QCOMPARE(rtf.count("\\row"), 2);
    QCOMPARE(rtf.count("\\cell "), 0);
    QCOMPARE(rtf.count("\\cellx"), 6);
    QCOMPARE(readRtf(rtf)->toPlainText(),
             QStringLiteral("before\nTitle\tYear {x}\t\nKind of Blue\t1959\t\u0104\nsecond\n"));
}

void TestRtfWriter::memoTextMatchesBytes()
{
    QTextDocument document;
    build(Sample::Unicode, document);
    QCOMPARE(RtfWriter::memoText(document), QString::fromLatin1(RtfWriter::write(document)));
    QVERIFY(RtfReader::isRtf(RtfWriter::memoText(document)));
}

void TestRtfWriter::controlCharactersDropped()
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("a\u0001b\u0000c\u007Fd\uFFFCe"));
    QCOMPARE(readRtf(RtfWriter::write(document))->toPlainText(), QStringLiteral("abcde"));
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
