#include "RtfReader.h"
#include "RtfTestSupport.h"
#include "RtfWriter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QtTest>

using namespace RtfTestSupport;

class TestRtfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isRtf_data();
    void isRtf();
    void text_data();
    void text();
    void codePages_data();
    void codePages();
    void wordPadDocument();
    void characterFormat_data();
    void characterFormat();
    void paragraphFormat_data();
    void paragraphFormat();
    void tabStops();
    void lists_data();
    void lists();
    void listsKeepTogether();
    void longNumberedList();
    void plainMemoUnchanged_data();
    void plainMemoUnchanged();
    void rtfMemo_data();
    void rtfMemo();
    void nonRtfBytesArePlainText();
    void replacesPreviousContent();
    void hostileInput_data();
    void hostileInput();
    void megabytesOfText();
};

void TestRtfReader::isRtf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("header") << QStringLiteral("{\\rtf1\\ansi x}") << true;
    QTest::newRow("leading whitespace") << QStringLiteral(" \r\n\t{\\rtf1 x}") << true;
    QTest::newRow("byte-order mark") << QStringLiteral("\uFEFF{\\rtf1 x}") << true;
    QTest::newRow("bare prefix") << QStringLiteral("{\\rtf") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("plain text") << QStringLiteral("Blue Train, 1957") << false;
    QTest::newRow("text before") << QStringLiteral("x{\\rtf1 x}") << false;
    QTest::newRow("cut short") << QStringLiteral("{\\rt") << false;
    QTest::newRow("other group") << QStringLiteral("{\\pard x}") << false;
    QTest::newRow("upper case") << QStringLiteral("{\\RTF1 x}") << false;
}

void TestRtfReader::isRtf()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(RtfReader::isRtf(QStringView(text)), expected);
    QCOMPARE(RtfReader::isRtf(text.toUtf8()), expected);
}

void TestRtfReader::text_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("paragraphs") << QByteArray("{\\rtf1 one\\par two}") << QStringLiteral("one\ntwo");
    QTest::newRow("last mark adds no paragraph")
        << QByteArray("{\\rtf1 one\\par two\\par}") << QStringLiteral("one\ntwo");
    QTest::newRow("empty paragraph kept")
        << QByteArray("{\\rtf1 one\\par\\par two\\par}") << QStringLiteral("one\n\ntwo");
    QTest::newRow("empty last paragraph kept") << QByteArray("{\\rtf1 one\\par\\par}") << QStringLiteral("one\n");
    QTest::newRow("line break") << QByteArray("{\\rtf1 a\\line b}") << QStringLiteral("a\u2028b");
    QTest::newRow("tab") << QByteArray("{\\rtf1 a\\tab b}") << QStringLiteral("a\tb");
    QTest::newRow("word delimiter") << QByteArray("{\\rtf1 \\b bold\\b0  two}") << QStringLiteral("bold two");
    QTest::newRow("raw line breaks ignored") << QByteArray("{\\rtf1 a\r\nb\nc}") << QStringLiteral("abc");
    QTest::newRow("backslash newline is a paragraph") << QByteArray("{\\rtf1 a\\\nb}") << QStringLiteral("a\nb");
    QTest::newRow("escaped") << QByteArray("{\\rtf1 \\\\ \\{ \\}}") << QStringLiteral("\\ { }");
    QTest::newRow("quotes and dashes") << QByteArray(
        "{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}")
                                       << QStringLiteral("\u2014\u2013\u2022\u2018\u2019\u201C\u201D");
    QTest::newRow("special spaces and hyphens")
        << QByteArray("{\\rtf1 a\\~b\\-c\\_d}") << QStringLiteral("a\u00A0b\u00ADc\u2011d");
    QTest::newRow("unicode fallback skipped")
        << QByteArray("{\\rtf1 Za\\u380?\\u243\\'f3}") << QStringLiteral("Za\u017C\u00F3");
    QTest::newRow("uc0 has no fallback") << QByteArray("{\\rtf1\\uc0\\u380 x}") << QStringLiteral("\u017Cx");
    QTest::newRow("uc2 skips two") << QByteArray("{\\rtf1\\uc2\\u1055\\'cf\\'cf x}") << QStringLiteral("\u041F x");
    QTest::newRow("fallback is a control word")
        << QByteArray("{\\rtf1 \\u8212\\endash x}") << QStringLiteral("\u2014x");
    QTest::newRow("skip ends with the group") << QByteArray("{\\rtf1{\\uc3\\u269 a}bc}") << QStringLiteral("\u010Dbc");
    QTest::newRow("uc is group scoped") << QByteArray("{\\rtf1{\\uc0 a}\\u269?b}") << QStringLiteral("a\u010Db");
    QTest::newRow("negative unicode") << QByteArray("{\\rtf1 \\u-218?}") << QStringLiteral("\uFF26");
    QTest::newRow("surrogate pair") << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QStringLiteral("\U0001F600");
    QTest::newRow("lone surrogate replaced") << QByteArray("{\\rtf1 a\\u-10179?b}") << QStringLiteral("a\uFFFDb");
    QTest::newRow("unicode zero dropped") << QByteArray("{\\rtf1 a\\u0?b}") << QStringLiteral("ab");
    QTest::newRow("unicode control dropped") << QByteArray("{\\rtf1 a\\u10?b\\u8233?c}") << QStringLiteral("ab\u2028c");
    QTest::newRow("font and colour tables")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}text}")
        << QStringLiteral("text");
    QTest::newRow("stylesheet and info") << QByteArray(
        "{\\rtf1{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}{\\author A}}text}")
                                         << QStringLiteral("text");
    QTest::newRow("unknown starred destination")
        << QByteArray("{\\rtf1{\\*\\unknownthing x{y}z}text}") << QStringLiteral("text");
    QTest::newRow("unknown plain word ignored")
        << QByteArray("{\\rtf1 \\unknownword12 text}") << QStringLiteral("text");
    QTest::newRow("header and footer") << QByteArray("{\\rtf1{\\header h}{\\footer f}{\\footnote n}text}")
                                       << QStringLiteral("text");
    QTest::newRow("picture") << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e470d0a}b}") << QStringLiteral("ab");
    QTest::newRow("object shows its result")
        << QByteArray("{\\rtf1{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result shown}}}")
        << QStringLiteral("shown");
    QTest::newRow("field shows its result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}") << QStringLiteral("link");
    QTest::newRow("field instruction without star")
        << QByteArray("{\\rtf1{\\field{\\fldinst PAGE}{\\fldrslt 3}}}") << QStringLiteral("3");
    QTest::newRow("unicode alternative") << QByteArray("{\\rtf1{\\upr{ansi}{\\*\\ud{uni}}}}") << QStringLiteral("uni");
    QTest::newRow("binary skipped") << QByteArray("{\\rtf1 a\\bin3 {}\\ b}") << QStringLiteral("a b");
    QTest::newRow("binary longer than input") << QByteArray("{\\rtf1 a\\bin999999999 xyz}") << QStringLiteral("a");
    QTest::newRow("negative binary length") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("hidden text") << QByteArray("{\\rtf1 a{\\v hidden}b\\v c\\v0 d}") << QStringLiteral("abd");
    QTest::newRow("table cells") << QByteArray(
        "{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row\\pard after}")
                                 << QStringLiteral("a\tb\nafter");
    QTest::newRow("cell paragraphs before cell marks")
        << QByteArray("{\\rtf1{\\pard\\intbl a\\par}\\cell{\\pard\\intbl b\\par}\\cell\\intbl\\row}")
        << QStringLiteral("a\tb");
    QTest::newRow("empty cells") << QByteArray("{\\rtf1\\pard\\intbl\\cell b\\cell\\cell\\row}")
                                 << QStringLiteral("\tb\t");
    QTest::newRow("two paragraphs in a cell")
        << QByteArray("{\\rtf1\\pard\\intbl a\\par b\\cell c\\cell\\row}") << QStringLiteral("a\nb\tc");
    QTest::newRow("nested table") << QByteArray("{\\rtf1\\pard\\intbl a\\nestcell b\\nestcell\\nestrow x\\cell\\row}")
                                  << QStringLiteral("a\tb\nx");
    QTest::newRow("text after the end ignored") << QByteArray("{\\rtf1 a}b}c") << QStringLiteral("a");
    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1{\\b a{\\i b") << QStringLiteral("ab");
    QTest::newRow("truncated hex escape") << QByteArray("{\\rtf1 a\\'e") << QStringLiteral("ae");
    QTest::newRow("truncated control word") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 16) << QStringLiteral("abc");
    QTest::newRow("page and section breaks") << QByteArray("{\\rtf1 a\\page b\\sect c}") << QStringLiteral("a\nb\nc");
}

void TestRtfReader::text()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(rawText(*readRtf(rtf)), expected);
}

// Legacy writers (WordPad, old Word) put non-ASCII text in code pages; these
// byte sequences are written by hand after those programs' output.
void TestRtfReader::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    const QByteArray fonts
        = "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset238 Arial CE;}{\\f2\\fnil\\fcharset204 Arial "
          "CYR;}"
          "{\\f3\\fnil\\fcharset161 Arial Greek;}{\\f4\\fnil\\fcharset162 Arial TUR;}{\\f5\\fnil\\fcharset186 Arial "
          "Baltic;}"
          "{\\f6\\fnil\\fcharset128 MS Mincho;}{\\f7\\fnil\\fcharset2 Symbol;}{\\f8\\fnil\\fcharset177 David;}"
          "{\\f9\\fnil\\cpg1251 Cyr by code page;}{\\f10\\fnil\\fcharset999 Unknown;}}";
    QTest::newRow("default 1252") << QByteArray("{\\rtf1\\ansi \\'e9\\'80\\'93}")
                                  << QStringLiteral("\u00E9\u20AC\u201C");
    QTest::newRow("document 1250") << QByteArray("{\\rtf1\\ansi\\ansicpg1250 \\'b9\\'e6}")
                                   << QStringLiteral("\u0105\u0107");
    QTest::newRow("document 1251") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0}")
                                   << QStringLiteral("\u041F\u0440");
    QTest::newRow("central european font")
        << "{\\rtf1\\ansi" + fonts + "\\f1 \\'b3\\'f3d\\'9f}" << QStringLiteral("\u0142\u00F3d\u017A");
    QTest::newRow("cyrillic font") << "{\\rtf1\\ansi" + fonts + "\\f2 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"
                                   << QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442");
    QTest::newRow("greek font") << "{\\rtf1\\ansi" + fonts + "\\f3 \\'e1\\'e2\\'e3}"
                                << QStringLiteral("\u03B1\u03B2\u03B3");
    QTest::newRow("turkish font") << "{\\rtf1\\ansi" + fonts + "\\f4 \\'f0\\'fd}" << QStringLiteral("\u011F\u0131");
    QTest::newRow("baltic font") << "{\\rtf1\\ansi" + fonts + "\\f5 \\'e0\\'e8}" << QStringLiteral("\u0105\u010D");
    QTest::newRow("japanese double byte")
        << "{\\rtf1\\ansi" + fonts + "\\f6 \\'82\\'a0\\'82\\'a2}" << QStringLiteral("\u3042\u3044");
    QTest::newRow("symbol bullet") << "{\\rtf1\\ansi" + fonts + "\\f7 \\'b7}" << QStringLiteral("\u2022");
    QTest::newRow("hebrew font") << "{\\rtf1\\ansi" + fonts + "\\f8 \\'f9}" << QStringLiteral("\u05E9");
    QTest::newRow("font code page") << "{\\rtf1\\ansi" + fonts + "\\f9 \\'cf}" << QStringLiteral("\u041F");
    QTest::newRow("unknown charset uses document page")
        << "{\\rtf1\\ansi\\ansicpg1250" + fonts + "\\f10 \\'b9}" << QStringLiteral("\u0105");
    QTest::newRow("raw bytes in font page")
        << "{\\rtf1\\ansi" + fonts + "\\f2 \xcf\xf0}" << QStringLiteral("\u041F\u0440");
    QTest::newRow("fonts switch mid word")
        << "{\\rtf1\\ansi" + fonts + "\\f1 \\'b9{\\f2 \\'cf}\\'b9}" << QStringLiteral("\u0105\u041F\u0105");
    QTest::newRow("invalid code page is 1252")
        << QByteArray("{\\rtf1\\ansi\\ansicpg77777 \\'e9}") << QStringLiteral("\u00E9");
    QTest::newRow("default font's charset") << "{\\rtf1\\ansi\\deff2" + fonts + "\\'cf}" << QStringLiteral("\u041F");
    QTest::newRow("font name in its charset")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset204 \\'c0\\'f0\\'e8\\'e0\\'eb;}}\\f1 x}") << QStringLiteral("x");
}

void TestRtfReader::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(readRtf(rtf)->toPlainText(), expected);
}

// Written by hand after the shape of WordPad's output on a Polish Windows
// (no program here writes code-page RTF): code-page text in two scripts,
// an old-style bullet list whose second item only repeats \pntext.
void TestRtfReader::wordPadDocument()
{
    const QByteArray rtf
        = "{\\rtf1\\ansi\\ansicpg1250\\deff0\\nouicompat\\deflang1045{\\fonttbl{\\f0\\fnil\\fcharset238 Calibri;}"
          "{\\f1\\fnil\\fcharset204 Calibri;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
          "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
          "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
          "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang1045 Za\\'bf\\'f3\\'b3\\'e6 \\b g\\'ea\\'9cl\\'b9\\b0  \\cf1 "
          "ja\\'9f\\'f1\\cf0\\par\r\n"
          "\\f1\\lang1049\\'d1\\'fa\\'e5\\'f8\\'fc \\'e6\\'e5\\par\r\n\r\n"
          "\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}\\fi-"
          "360\\li720\\sa200\\sl276\\slmult1\\f0\\lang1045 pierwszy\\par\r\n"
          "{\\pntext\\f2\\'B7\\tab}drugi\\par\r\n\r\n"
          "\\pard\\sa200\\sl276\\slmult1\\qc\\ul wy\\'9crodkowany\\ulnone\\par\r\n}\r\n";
    const auto document = readRtf(rtf);
    QCOMPARE(document->toPlainText(), QStringLiteral("Zażółć gęślą jaźń\nСъешь же\npierwszy\ndrugi\nwyśrodkowany"));
    QCOMPARE(formatOf(*document, QStringLiteral("gęślą")).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatOf(*document, QStringLiteral("jaźń")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatOf(*document, QStringLiteral("Zażółć")).fontPointSize(), 11.0);
    const QTextList* list = blockOf(*document, QStringLiteral("pierwszy")).textList();
    QVERIFY(list);
    QCOMPARE(list->format().style(), QTextListFormat::ListDisc);
    QCOMPARE(blockOf(*document, QStringLiteral("drugi")).textList(), list);
    const QTextBlock centred = blockOf(*document, QStringLiteral("wyśrodkowany"));
    QVERIFY(!centred.textList());
    QCOMPARE(centred.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(formatOf(*document, QStringLiteral("wyśrodkowany")).fontUnderline());
}

void TestRtfReader::characterFormat_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");
    const QString plain = describeChars(QTextCharFormat());
    auto with = [](auto setter) {
        QTextCharFormat format;
        setter(format);
        return describeChars(format);
    };
    const QString bold = with([](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    QTest::newRow("bold") << QByteArray("\\b on\\b0  off") << "on" << bold;
    QTest::newRow("bold off") << QByteArray("\\b on\\b0  off") << "off" << plain;
    QTest::newRow("italic") << QByteArray("\\i on") << "on" << with([](QTextCharFormat& f) { f.setFontItalic(true); });
    QTest::newRow("underline") << QByteArray("\\ul on") << "on"
                               << with([](QTextCharFormat& f) { f.setFontUnderline(true); });
    QTest::newRow("underline zero") << QByteArray("\\ul a\\ul0 off") << "off" << plain;
    QTest::newRow("underline none") << QByteArray("\\ul a\\ulnone off") << "off" << plain;
    QTest::newRow("dotted underline") << QByteArray(
        "\\uld on") << "on" << with([](QTextCharFormat& f) { f.setUnderlineStyle(QTextCharFormat::DotLine); });
    QTest::newRow("wave underline") << QByteArray(
        "\\ulwave on") << "on" << with([](QTextCharFormat& f) { f.setUnderlineStyle(QTextCharFormat::WaveUnderline); });
    QTest::newRow("strike") << QByteArray("\\strike on") << "on"
                            << with([](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    QTest::newRow("double strike") << QByteArray("\\striked1 on") << "on"
                                   << with([](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    QTest::newRow("group restores") << QByteArray("{\\b\\i in}out") << "out" << plain;
    QTest::newRow("plain resets") << QByteArray("\\b\\i\\ul\\f1\\fs40\\cf1 a\\plain off") << "off" << plain;
    QTest::newRow("font family") << QByteArray(
        "\\f1 on") << "on" << with([](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("Courier New")}); });
    QTest::newRow("default font left to the box") << QByteArray("\\f1 a\\f0 on") << "on" << plain;
    QTest::newRow("undefined font") << QByteArray("\\f77 on") << "on" << plain;
    QTest::newRow("size") << QByteArray("\\fs36 on") << "on"
                          << with([](QTextCharFormat& f) { f.setFontPointSize(18); });
    QTest::newRow("odd half points") << QByteArray("\\fs21 on") << "on"
                                     << with([](QTextCharFormat& f) { f.setFontPointSize(10.5); });
    QTest::newRow("colour") << QByteArray("\\cf1 on") << "on"
                            << with([](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });
    QTest::newRow("automatic colour") << QByteArray("\\cf1 a\\cf0 on") << "on" << plain;
    QTest::newRow("colour out of table") << QByteArray("\\cf99 on") << "on" << plain;
    QTest::newRow("highlight") << QByteArray("\\highlight2 on") << "on"
                               << with([](QTextCharFormat& f) { f.setBackground(QColor(0, 128, 0)); });
    QTest::newRow("character shading") << QByteArray("\\chcbpat2 on") << "on"
                                       << with([](QTextCharFormat& f) { f.setBackground(QColor(0, 128, 0)); });
    QTest::newRow("superscript") << QByteArray("\\super on") << "on" << with([](QTextCharFormat& f) {
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    });
    QTest::newRow("subscript") << QByteArray("\\sub on") << "on" << with([](QTextCharFormat& f) {
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    });
    QTest::newRow("no super or sub") << QByteArray("\\super a\\nosupersub off") << "off" << plain;
    QTest::newRow("combined") << QByteArray("\\b\\i\\f1\\fs20\\cf1 on") << "on" << with([](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontFamilies({QStringLiteral("Courier New")});
        f.setFontPointSize(10);
        f.setForeground(QColor(255, 0, 0));
    });
}

void TestRtfReader::characterFormat()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    const QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
                           "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
                           + body + "}";
    const auto document = readRtf(rtf);
    QVERIFY2(document->toPlainText().contains(word), qPrintable(document->toPlainText()));
    QCOMPARE(describeChars(formatOf(*document, word)), expected);
}

void TestRtfReader::paragraphFormat_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");
    auto with = [](auto setter) {
        QTextDocument document;
        QTextBlockFormat format;
        setter(format);
        QTextCursor(&document).setBlockFormat(format);
        return describeBlock(document, document.begin());
    };
    const QString plain = with([](QTextBlockFormat&) {});
    QTest::newRow("centre") << QByteArray("\\qc mid\\par") << "mid"
                            << with([](QTextBlockFormat& f) { f.setAlignment(Qt::AlignHCenter); });
    QTest::newRow("right") << QByteArray("\\qr end\\par") << "end"
                           << with([](QTextBlockFormat& f) { f.setAlignment(Qt::AlignRight); });
    QTest::newRow("justify") << QByteArray("\\qj full\\par") << "full"
                             << with([](QTextBlockFormat& f) { f.setAlignment(Qt::AlignJustify); });
    QTest::newRow("indents") << QByteArray("\\li1440\\ri720\\fi-360 ind\\par") << "ind"
                             << with([](QTextBlockFormat& f) {
                                    f.setLeftMargin(96);
                                    f.setRightMargin(48);
                                    f.setTextIndent(-24);
                                });
    QTest::newRow("spacing") << QByteArray("\\sb240\\sa120 sp\\par") << "sp" << with([](QTextBlockFormat& f) {
        f.setTopMargin(16);
        f.setBottomMargin(8);
    });
    QTest::newRow("right to left") << QByteArray("\\rtlpar rtl\\par") << "rtl"
                                   << with([](QTextBlockFormat& f) { f.setLayoutDirection(Qt::RightToLeft); });
    QTest::newRow("pard resets") << QByteArray("\\qc\\li720 a\\par\\pard reset\\par") << "reset" << plain;
    QTest::newRow("properties carry over") << QByteArray("\\qc a\\par again\\par") << "again"
                                           << with([](QTextBlockFormat& f) { f.setAlignment(Qt::AlignHCenter); });
    QTest::newRow("last paragraph without mark")
        << QByteArray("a\\par\\qr last") << "last" << with([](QTextBlockFormat& f) { f.setAlignment(Qt::AlignRight); });
    QTest::newRow("mark decides, not start") << QByteArray("\\qc x\\qr late\\par") << "late"
                                             << with([](QTextBlockFormat& f) { f.setAlignment(Qt::AlignRight); });
    QTest::newRow("clamped indent") << QByteArray("\\li99999999999999 far\\par") << "far"
                                    << with([](QTextBlockFormat& f) { f.setLeftMargin(31680 * 4 / 15.0); });
}

void TestRtfReader::paragraphFormat()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    const auto document = readRtf("{\\rtf1\\ansi " + body + "}");
    const QTextBlock block = blockOf(*document, word);
    QVERIFY2(block.isValid(), qPrintable(document->toPlainText()));
    QCOMPARE(describeBlock(*document, block), expected);
}

void TestRtfReader::tabStops()
{
    const auto document = readRtf("{\\rtf1 \\tx1440\\tqr\\tx2880\\tqc\\tx4320 a\\tab b\\tab c\\par}");
    const QList<QTextOption::Tab> tabs = document->begin().blockFormat().tabPositions();
    QCOMPARE(tabs.size(), 3);
    QCOMPARE(tabs.at(0).position, 96.0);
    QCOMPARE(tabs.at(0).type, QTextOption::LeftTab);
    QCOMPARE(tabs.at(1).position, 192.0);
    QCOMPARE(tabs.at(1).type, QTextOption::RightTab);
    QCOMPARE(tabs.at(2).type, QTextOption::CenterTab);
    QCOMPARE(document->toPlainText(), QStringLiteral("a\tb\tc"));
}

void TestRtfReader::lists_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("indent");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("suffix");
    const QString dot = QStringLiteral(".");
    // WordPad writes the marker in the Symbol font plus an old-style \pn group.
    QTest::newRow("wordpad bullet") << QByteArray(
        "{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li720 item\\par")
                                    << int(QTextListFormat::ListDisc) << 1 << QString() << dot;
    QTest::newRow("wordpad numbers") << QByteArray(
        "{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}\\fi-360\\li720 "
        "item\\par") << int(QTextListFormat::ListDecimal)
                                     << 1 << QString() << dot;
    QTest::newRow("upper roman \\pn") << QByteArray(
        "{\\pntext I.\\tab}{\\*\\pn\\pnlvlbody\\pnucrm{\\pntxta.}}\\li1440 item\\par")
                                      << int(QTextListFormat::ListUpperRoman) << 2 << QString() << dot;
    QTest::newRow("listtext bullet") << QByteArray(
        "{\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ilvl0\\ls1\\li709\\fi-283 item\\par")
                                     << int(QTextListFormat::ListDisc) << 1 << QString() << dot;
    QTest::newRow("listtext number") << QByteArray("{\\listtext\\pard\\plain 1.\\tab}\\ls2 item\\par")
                                     << int(QTextListFormat::ListDecimal) << 1 << QString() << dot;
    QTest::newRow("number in parentheses")
        << QByteArray("{\\listtext (1)\\tab}\\ls2 item\\par") << int(QTextListFormat::ListDecimal) << 1
        << QStringLiteral("(") << QStringLiteral(")");
    QTest::newRow("lower alpha") << QByteArray("{\\listtext a)\\tab}\\ls2 item\\par")
                                 << int(QTextListFormat::ListLowerAlpha) << 1 << QString() << QStringLiteral(")");
    QTest::newRow("lower roman") << QByteArray("{\\listtext iv.\\tab}\\ls2 item\\par")
                                 << int(QTextListFormat::ListLowerRoman) << 1 << QString() << dot;
    QTest::newRow("hollow bullet, second level") << QByteArray("{\\listtext o\\tab}\\ls2\\ilvl1 item\\par")
                                                 << int(QTextListFormat::ListCircle) << 2 << QString() << dot;
    QTest::newRow("square bullet") << QByteArray("{\\listtext \\u9642?\\tab}\\ls2 item\\par")
                                   << int(QTextListFormat::ListSquare) << 1 << QString() << dot;
}

void TestRtfReader::lists()
{
    QFETCH(QByteArray, body);
    QFETCH(int, style);
    QFETCH(int, indent);
    QFETCH(QString, prefix);
    QFETCH(QString, suffix);
    const auto document = readRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}before\\par\\pard "
                                  + body + "\\pard after}");
    // The marker is drawn by the list, not kept as text.
    QCOMPARE(document->toPlainText(), QStringLiteral("before\nitem\nafter"));
    const QTextBlock item = blockOf(*document, QStringLiteral("item"));
    QVERIFY(item.textList());
    QCOMPARE(int(item.textList()->format().style()), style);
    QCOMPARE(item.textList()->format().indent(), indent);
    if (style <= QTextListFormat::ListDecimal) {
        QCOMPARE(item.textList()->format().numberPrefix(), prefix);
        QCOMPARE(item.textList()->format().numberSuffix(), suffix);
    }
    QVERIFY(!blockOf(*document, QStringLiteral("before")).textList());
    QVERIFY(!blockOf(*document, QStringLiteral("after")).textList());
}

void TestRtfReader::listsKeepTogether()
{
    const auto document
        = readRtf("{\\rtf1{\\listtext 1.\\tab}\\ls1 one\\par{\\listtext 2.\\tab}\\ls1 two\\par\\pard gap\\par"
                  "{\\listtext 3.\\tab}\\ls1 three\\par\\pard{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt} b1\\par"
                  "\\pard mid\\par{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt} b2\\par}");
    const QTextList* numbered = blockOf(*document, QStringLiteral("one")).textList();
    QVERIFY(numbered);
    QCOMPARE(blockOf(*document, QStringLiteral("two")).textList(), numbered);
    // Word's \ls lists go on numbering after an interruption.
    QCOMPARE(blockOf(*document, QStringLiteral("three")).textList(), numbered);
    QCOMPARE(numbered->itemText(blockOf(*document, QStringLiteral("three"))), QStringLiteral("3."));
    // Old-style lists end where another paragraph comes between.
    const QTextList* first = blockOf(*document, QStringLiteral("b1")).textList();
    const QTextList* second = blockOf(*document, QStringLiteral("b2")).textList();
    QVERIFY(first && second);
    QVERIFY(first != second);
}

void TestRtfReader::longNumberedList()
{
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 1; i <= 600; ++i)
        rtf += "{\\listtext " + QByteArray::number(i) + ".\\tab}\\ls1 track\\par ";
    const auto document = readRtf(rtf + "}");
    const QTextList* list = document->begin().textList();
    QVERIFY(list);
    QCOMPARE(list->count(), 600);
    QCOMPARE(list->itemText(document->lastBlock()), QStringLiteral("600."));
}

void TestRtfReader::plainMemoUnchanged_data()
{
    QTest::addColumn<QString>("memo");
    QTest::newRow("empty") << QString();
    QTest::newRow("one line") << QStringLiteral("Blue Train, first pressing");
    QTest::newRow("lines") << QStringLiteral("line one\nline two\n\nline four");
    QTest::newRow("looks almost like rtf") << QStringLiteral("{\\rt not rich text}");
    QTest::newRow("rtf later in the text") << QStringLiteral("see {\\rtf1 x}");
    QTest::newRow("backslashes and braces") << QStringLiteral("C:\\music\\{new}");
    QTest::newRow("polish and russian") << QStringLiteral("Zażółć gęślą jaźń — Съешь же ещё");
    QTest::newRow("spaces and tabs") << QStringLiteral("  two\tcolumns  ");
}

void TestRtfReader::plainMemoUnchanged()
{
    QFETCH(QString, memo);
    QTextDocument document;
    RtfReader::loadMemo(memo, document);
    QCOMPARE(document.toPlainText(), memo);
}

void TestRtfReader::rtfMemo_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("expected");
    QTest::newRow("characters are themselves")
        << QStringLiteral("{\\rtf1 Zażółć Съешь}") << QStringLiteral("Zażółć Съешь");
    QTest::newRow("escapes still work") << QStringLiteral("{\\rtf1 \\u380?\\'e9}") << QStringLiteral("\u017C\u00E9");
    QTest::newRow("code page escapes") << QStringLiteral("{\\rtf1\\ansicpg1251 \\'cf ф}")
                                       << QStringLiteral("\u041F \u0444");
    QTest::newRow("fallback is a whole character") << QStringLiteral("{\\rtf1 \\u380żx}") << QStringLiteral("\u017Cx");
    QTest::newRow("astral character") << QStringLiteral("{\\rtf1 a\U0001F3B5b}") << QStringLiteral("a\U0001F3B5b");
    QTest::newRow("leading whitespace") << QStringLiteral("\n  {\\rtf1 \\b x}") << QStringLiteral("x");
}

void TestRtfReader::rtfMemo()
{
    QFETCH(QString, memo);
    QFETCH(QString, expected);
    QTextDocument document;
    RtfReader::loadMemo(memo, document);
    QCOMPARE(document.toPlainText(), expected);
}

void TestRtfReader::nonRtfBytesArePlainText()
{
    QTextDocument document;
    RtfReader::read(QStringLiteral("Zażółć {\\b not rtf}").toUtf8(), document);
    QCOMPARE(document.toPlainText(), QStringLiteral("Zażółć {\\b not rtf}"));
}

void TestRtfReader::replacesPreviousContent()
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("old\ncontent"));
    RtfReader::read("{\\rtf1 new}", document);
    QCOMPARE(document.toPlainText(), QStringLiteral("new"));
    QCOMPARE(document.blockCount(), 1);
    QVERIFY(!document.isUndoAvailable());
}

void TestRtfReader::hostileInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    const int deep = 100000;
    QTest::newRow("deep nesting") << "{\\rtf1 " + QByteArray(deep, '{') + "deep" + QByteArray(deep, '}') + " after}"
                                  << QStringLiteral("deep after");
    QTest::newRow("deep nesting never closed")
        << "{\\rtf1 " + QByteArray("{\\i x").repeated(deep) << QString(deep, u'x');
    QTest::newRow("closing braces only") << "{\\rtf1 a" + QByteArray(deep, '}') + "b" << QStringLiteral("a");
    QTest::newRow("deep skipped destination")
        << "{\\rtf1{\\*\\x " + QByteArray(deep, '{') + "hidden" + QByteArray(deep, '}') + "}shown}"
        << QStringLiteral("shown");
    QTest::newRow("huge numbers") << QByteArray("{\\rtf1\\fs99999999999999999999\\li-99999999999999999999\\cf2147483648"
                                                "{\\uc99999999999\\u-2147483648 abcdefghijklmnopqrstuvwxyz}"
                                                "\\u99999999999 b\\f-2147483648 c}")
                                  << QStringLiteral("\uFFFDqrstuvwxyz\uFFFDc");
    QTest::newRow("many group tab stops")
        << "{\\rtf1" + QByteArray("{\\tx100\\tx200").repeated(5000) + "x\\par}" << QStringLiteral("x");
    QTest::newRow("format flood") << "{\\rtf1" + QByteArray("\\b a\\b0 b").repeated(20000) + "}"
                                  << QStringLiteral("ab").repeated(20000);
    QTest::newRow("many paragraphs") << "{\\rtf1" + QByteArray("p\\par ").repeated(20000) + "}"
                                     << QStringLiteral("p\n").repeated(20000).chopped(1);
    QTest::newRow("long lists") << "{\\rtf1"
                                       + QByteArray("{\\listtext 1.}\\ls1 a\\par{\\pntext\\'b7}b\\par").repeated(10000)
                                       + "}"
                                << QStringLiteral("a\nb\n").repeated(10000).chopped(1);
    QTest::newRow("many fonts") << "{\\rtf1{\\fonttbl" + QByteArray("{\\f1\\fcharset204 F;}").repeated(20000)
                                       + "}\\f1 \\'cf}"
                                << QStringLiteral("\u041F");
    QTest::newRow("many code pages")
        << "{\\rtf1" + QByteArray("\\ansicpg9999\\ansicpg65001\\ansicpg932\\ansicpg1251").repeated(5000) + " \\'e9}"
        << QStringLiteral("\u0439");
}

void TestRtfReader::hostileInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    const auto document = readRtf(rtf);
    QCOMPARE(document->toPlainText(), expected);
    // Whatever was read must also write and read back the same.
    QCOMPARE(readRtf(RtfWriter::write(*document))->toPlainText(), expected);
}

void TestRtfReader::megabytesOfText()
{
    const QByteArray line = "A long line of catalogue notes with \\b bold\\b0 , \\'e9 and \\u380? in it.\\par\n";
    const QByteArray rtf = "{\\rtf1\\ansi " + line.repeated(4 * 1024 * 1024 / line.size()) + "}";
    QElapsedTimer timer;
    timer.start();
    const auto document = readRtf(rtf);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(document->blockCount(), 4 * 1024 * 1024 / line.size());
    QCOMPARE(document->begin().text(),
             QStringLiteral("A long line of catalogue notes with bold, \u00E9 and \u017C in it."));
    // Generous: the benchmark holds the real figure; this only catches a quadratic slip.
    QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
