#include "RtfPlainText.h"
#include "RtfReader.h"
#include "RtfTestSupport.h"
#include "RtfWriter.h"

#include <QDir>
#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QtTest>

using namespace RtfTestSupport;

namespace {

const QString kFixtures = QStringLiteral(KOLT_TEST_DATA_DIR "/rtf/");
const QString kCorpus = QStringLiteral(KOLT_SOURCE_DIR "/fuzz/corpus/rtf/");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList fixtureNames()
{
    return QDir(kFixtures).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
}

// Characters that RTF cannot carry are left out by the writer on purpose.
QString writable(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x20 || u == u'\t' || u == u'\n') && u != 0x7F && u != 0xFDD0 && u != 0xFDD1 && u != 0xFFFC)
            out += c;
    }
    return out;
}

const QString kFormattingText
    = QStringLiteral("Plain start, bold words, italic words, underlined words and struck words.\n"
                     "Mono font and large 20pt and small 8pt.\n"
                     "red text, blue text, yellow background.\n"
                     "Centred paragraph\n"
                     "Right-aligned paragraph\n"
                     "Justified paragraph with enough words to wrap over more than one line when it is shown in a "
                     "narrow window of the program.\n"
                     "Indented paragraph: one inch left, half an inch right, half an inch first line.\n"
                     "Quotes \u201Cdouble\u201D and \u2018single\u2019 \u2013 en dash \u2014 em dash \u2026 ellipsis, "
                     "backslash \\ and braces { }.");

} // namespace

class TestRtfFixtures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixturesPresent();
    void text_data();
    void text();
    void plainTextAsShown();
    void formatting_data();
    void formatting();
    void paragraphs_data();
    void paragraphs();
    void lists_data();
    void lists();
    void roundTrip_data();
    void roundTrip();
    void corpus_data();
    void corpus();
};

void TestRtfFixtures::fixturesPresent()
{
    QVERIFY2(fixtureNames().size() >= 7, qPrintable(fixtureNames().join(u' ')));
    QVERIFY(QDir(kCorpus).entryList(QDir::Files).size() >= fixtureNames().size());
}

void TestRtfFixtures::text_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("libreoffice formatting") << "lo-formatting.rtf" << kFormattingText;
    QTest::newRow("libreoffice from word format") << "lo-docx-formatting.rtf" << kFormattingText;
    QTest::newRow("libreoffice languages")
        << "lo-languages.rtf"
        << QStringLiteral("Polski: Zażółć gęślą jaźń. ŻÓŁW, ĄĘ, źdźbło.\n"
                          "Русский: Съешь же ещё этих мягких французских булок, да выпей чаю.\n"
                          "Mieszane / смешанный: Łódź — Москва.");
    QTest::newRow("libreoffice table") << "lo-table.rtf"
                                       << QStringLiteral("Before the table.\nTitle\tYear\tFormat\nBlue "
                                                         "Train\t1957\tLP\nKind of Blue\t1959\tCD\nAfter the table.");
    QTest::newRow("libreoffice lists")
        << "lo-lists.rtf"
        << QStringLiteral("Shopping:\nApples\nPears\nPlums\nSteps:\nOpen the box\nTake the record out\nPlay it");
    QTest::newRow("libreoffice tabs")
        << "lo-tabs.rtf"
        << QStringLiteral(
               "Artist\tAlbum\tYear\nColtrane\tBlue Train\t1957\nFirst line\u2028second line after a line break");
    QTest::newRow("pandoc") << "pandoc.rtf"
                            << QStringLiteral(
                                   "Catalogue note\nPlain text with bold, italic, struck and code.\n"
                                   "Polski: Zażółć gęślą jaźń. Русский: Съешь же ещё этих булок.\n"
                                   "\u2022\tfirst bullet\n\u2022\tsecond bullet\n1.\tfirst number\n2.\tsecond number\n"
                                   "Title\tYear\nBlue Train\t1957\nKind of Blue\t1959\n");
}

void TestRtfFixtures::text()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    const QByteArray rtf = fileBytes(kFixtures + file);
    QVERIFY(RtfReader::isRtf(rtf));
    QCOMPARE(rawText(*readRtf(rtf)), expected);
}

void TestRtfFixtures::formatting_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("expected");
    for (const char* file : {"lo-formatting.rtf", "lo-docx-formatting.rtf"}) {
        const QString f = QString::fromLatin1(file);
        auto row = [&](const char* what) -> QTestData& { return QTest::addRow("%s: %s", file, what); };
        row("bold") << f << "bold words"
                    << "bold" << QVariant(true);
        row("not bold") << f << "Plain start"
                        << "bold" << QVariant(false);
        row("italic") << f << "italic words"
                      << "italic" << QVariant(true);
        row("underline") << f << "underlined"
                         << "underline" << QVariant(true);
        row("strike") << f << "struck"
                      << "strike" << QVariant(true);
        row("mono family") << f << "Mono font"
                           << "family" << QVariant(QStringLiteral("Liberation Mono"));
        row("large") << f << "large 20pt"
                     << "size" << QVariant(20.0);
        row("small") << f << "small 8pt"
                     << "size" << QVariant(8.0);
        row("red") << f << "red text"
                   << "colour" << QVariant(QStringLiteral("#ff0000"));
        row("blue") << f << "blue text"
                    << "colour" << QVariant(QStringLiteral("#0000ff"));
        row("yellow background") << f << "yellow"
                                 << "background" << QVariant(QStringLiteral("#ffff00"));
    }
    QTest::newRow("lo body size") << "lo-formatting.rtf"
                                  << "Plain start"
                                  << "size" << QVariant(12.0);
    QTest::newRow("lo body family") << "lo-formatting.rtf"
                                    << "Plain start"
                                    << "family" << QVariant(QStringLiteral("Liberation Serif"));
    QTest::newRow("languages bold") << "lo-languages.rtf"
                                    << "Mieszane"
                                    << "bold" << QVariant(true);
    QTest::newRow("languages italic") << "lo-languages.rtf"
                                      << "смешанный"
                                      << "italic" << QVariant(true);
    QTest::newRow("tabs bold") << "lo-tabs.rtf"
                               << "Artist"
                               << "bold" << QVariant(true);
    QTest::newRow("tabs not bold") << "lo-tabs.rtf"
                                   << "Album"
                                   << "bold" << QVariant(false);
    QTest::newRow("pandoc heading bold") << "pandoc.rtf"
                                         << "Catalogue note"
                                         << "bold" << QVariant(true);
    QTest::newRow("pandoc heading size") << "pandoc.rtf"
                                         << "Catalogue note"
                                         << "size" << QVariant(18.0);
    QTest::newRow("pandoc bold") << "pandoc.rtf"
                                 << "bold"
                                 << "bold" << QVariant(true);
    QTest::newRow("pandoc italic") << "pandoc.rtf"
                                   << "italic"
                                   << "italic" << QVariant(true);
    QTest::newRow("pandoc strike") << "pandoc.rtf"
                                   << "struck"
                                   << "strike" << QVariant(true);
    QTest::newRow("pandoc code font") << "pandoc.rtf"
                                      << "code"
                                      << "family" << QVariant(QStringLiteral("Courier"));
}

void TestRtfFixtures::formatting()
{
    QFETCH(QString, file);
    QFETCH(QString, word);
    QFETCH(QString, property);
    QFETCH(QVariant, expected);
    const auto document = readRtf(fileBytes(kFixtures + file));
    QVERIFY2(document->toPlainText().contains(word), qPrintable(word));
    const QTextCharFormat format = formatOf(*document, word);
    QVariant actual;
    if (property == u"bold")
        actual = format.fontWeight() >= QFont::Bold;
    else if (property == u"italic")
        actual = format.fontItalic();
    else if (property == u"underline")
        actual = format.fontUnderline();
    else if (property == u"strike")
        actual = format.fontStrikeOut();
    else if (property == u"family")
        actual = format.fontFamilies().toStringList().value(0);
    else if (property == u"size")
        actual = format.fontPointSize();
    else if (property == u"colour")
        actual = format.foreground().color().name();
    else if (property == u"background")
        actual = format.background().color().name();
    QCOMPARE(actual, expected);
}

void TestRtfFixtures::paragraphs_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("leftTwips");
    QTest::addColumn<int>("rightTwips");
    QTest::addColumn<int>("firstTwips");
    for (const char* file : {"lo-formatting.rtf", "lo-docx-formatting.rtf"}) {
        const QString f = QString::fromLatin1(file);
        QTest::addRow("%s: centre", file) << f << "Centred" << int(Qt::AlignHCenter) << 0 << 0 << 0;
        QTest::addRow("%s: right", file) << f << "Right-aligned" << int(Qt::AlignRight) << 0 << 0 << 0;
        QTest::addRow("%s: justify", file) << f << "Justified" << int(Qt::AlignJustify) << 0 << 0 << 0;
        QTest::addRow("%s: indents", file) << f << "Indented" << int(Qt::AlignLeft) << 1440 << 720 << 720;
    }
    QTest::newRow("pandoc hanging indent") << "pandoc.rtf"
                                           << "first bullet" << int(Qt::AlignLeft) << 360 << 0 << -360;
}

void TestRtfFixtures::paragraphs()
{
    QFETCH(QString, file);
    QFETCH(QString, word);
    QFETCH(int, alignment);
    QFETCH(int, leftTwips);
    QFETCH(int, rightTwips);
    QFETCH(int, firstTwips);
    const auto document = readRtf(fileBytes(kFixtures + file));
    const QTextBlockFormat format = blockOf(*document, word).blockFormat();
    QCOMPARE(int(format.alignment() & Qt::AlignHorizontal_Mask), alignment);
    QCOMPARE(qRound(format.leftMargin() * 15), leftTwips);
    QCOMPARE(qRound(format.rightMargin() * 15), rightTwips);
    QCOMPARE(qRound(format.textIndent() * 15), firstTwips);
}

void TestRtfFixtures::lists_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("style");
    QTest::newRow("bullets") << "Apples"
                             << "Plums" << int(QTextListFormat::ListDisc);
    QTest::newRow("numbers") << "Open the box"
                             << "Play it" << int(QTextListFormat::ListDecimal);
}

void TestRtfFixtures::lists()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, style);
    const auto document = readRtf(fileBytes(kFixtures + QStringLiteral("lo-lists.rtf")));
    const QTextList* list = blockOf(*document, first).textList();
    QVERIFY(list);
    QCOMPARE(int(list->format().style()), style);
    QCOMPARE(list->count(), 3);
    QCOMPARE(blockOf(*document, last).textList(), list);
    QVERIFY(!blockOf(*document, QStringLiteral("Shopping")).textList());
    QVERIFY(!blockOf(*document, QStringLiteral("Steps")).textList());
}

void TestRtfFixtures::roundTrip_data()
{
    QTest::addColumn<QString>("file");
    for (const QString& name : fixtureNames())
        QTest::newRow(qPrintable(name)) << name;
}

// Read, write, read: the same text and formatting. With KOLT_RTF_DUMP_DIR set,
// the written RTF and its text are kept there for checking with other programs.
void TestRtfFixtures::roundTrip()
{
    QFETCH(QString, file);
    const auto first = readRtf(fileBytes(kFixtures + file));
    const QByteArray written = RtfWriter::write(*first);
    const auto second = readRtf(written);
    QCOMPARE(rawText(*second), rawText(*first));
    QCOMPARE(describe(*second), describe(*first));

    const QString dumpDir = qEnvironmentVariable("KOLT_RTF_DUMP_DIR");
    if (dumpDir.isEmpty())
        return;
    QFile rtf(dumpDir + u'/' + file);
    QVERIFY(rtf.open(QIODevice::WriteOnly));
    rtf.write(written);
    QFile text(dumpDir + u'/' + file + QStringLiteral(".txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(first->toPlainText().toUtf8());
}

void TestRtfFixtures::corpus_data()
{
    QTest::addColumn<QString>("file");
    for (const QString& name : QDir(kCorpus).entryList(QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << name;
}

// Every input the fuzzer ever tripped on, and the seeds it started from.
void TestRtfFixtures::corpus()
{
    QFETCH(QString, file);
    const QByteArray bytes = fileBytes(kCorpus + file);
    const auto document = readRtf(bytes);
    const auto again = readRtf(RtfWriter::write(*document));
    QCOMPARE(writable(again->toPlainText()), writable(document->toPlainText()));
    QTextDocument memo;
    RtfReader::loadMemo(QString::fromUtf8(bytes), memo);
    QVERIFY(memo.blockCount() >= 1);
}

// The plain text an index reads from a memo is what the rich-text box shows, but for layout.
void TestRtfFixtures::plainTextAsShown()
{
    auto words = [](QString text) {
        for (QChar& c : text) {
            if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == QChar::Nbsp)
                c = u' ';
        }
        return text.simplified();
    };
    for (const QString& file : fixtureNames()) {
        const QString memo = QString::fromUtf8(fileBytes(kFixtures + file));
        QTextDocument document;
        RtfReader::loadMemo(memo, document);
        QCOMPARE(words(RtfPlainText::ofMemo(memo)), words(document.toPlainText()));
        // As the file stores it, the same.
        QCOMPARE(RtfPlainText::ofMemo(memo.toUtf8()), RtfPlainText::ofMemo(memo));
    }
    QCOMPARE(RtfPlainText::ofMemo(QStringLiteral("not {\\rtf at all")), QStringLiteral("not {\\rtf at all"));
    QCOMPARE(RtfPlainText::ofMemo(QByteArrayLiteral("caf\xc3\xa9 {\\rtf")), QStringLiteral("café {\\rtf"));
}

QTEST_MAIN(TestRtfFixtures)
#include "tst_rtffixtures.moc"
