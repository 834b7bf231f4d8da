#include "CsvDialect.h"
#include "CsvReader.h"
#include "CsvWriter.h"
#include "DetailText.h"
#include "ExchangeError.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTest>

namespace {

QByteArray encoded(const QString& text, TextEncoding::Kind kind, bool bom)
{
    QByteArray bytes;
    switch (kind) {
    case TextEncoding::Utf8:
        bytes = text.toUtf8();
        return bom ? QByteArray("\xEF\xBB\xBF") + bytes : bytes;
    case TextEncoding::Utf16LE: {
        QStringEncoder e(QStringConverter::Utf16LE,
                         bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return e(text);
    }
    case TextEncoding::Utf16BE: {
        QStringEncoder e(QStringConverter::Utf16BE,
                         bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return e(text);
    }
    case TextEncoding::Windows1250: {
        QStringEncoder e("windows-1250");
        return e(text);
    }
    case TextEncoding::Windows1252: {
        QStringEncoder e("windows-1252");
        return e(text);
    }
    }
    return bytes;
}

QList<QStringList> readAll(QByteArray bytes, const CsvDialect& dialect, QList<qint64>* lines = nullptr)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer, dialect.encoding, dialect.separator);
    QList<QStringList> rows;
    CsvRecord record;
    while (reader.next(record)) {
        rows << record.fields;
        if (lines)
            *lines << record.line;
    }
    return rows;
}

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialects_data();
    void dialects();
    void hostileFiles_data();
    void hostileFiles();
    void longLineEndsQuickly();
    void writerReadsBack();
    void castAndSongs_data();
    void castAndSongs();
};

void TestCsv::dialects_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("bom");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<qint64>>("lines");

    const QList<QStringList> plain{{"Title", "Year"}, {"Alien", "1979"}, {"Heat", "1995"}};
    QTest::newRow("comma utf-8") << "Title,Year\nAlien,1979\nHeat,1995\n"
                                 << int(TextEncoding::Utf8) << false << "," << plain << QList<qint64>{1, 2, 3};
    QTest::newRow("semicolon crlf, no final break")
        << "Title;Year\r\nAlien;1979\r\nHeat;1995" << int(TextEncoding::Utf8) << false << ";" << plain
        << QList<qint64>{1, 2, 3};
    QTest::newRow("tab, blank lines skipped")
        << "Title\tYear\n\nAlien\t1979\n\r\nHeat\t1995\n"
        << int(TextEncoding::Utf8) << false << "\t" << plain << QList<qint64>{1, 3, 5};
    QTest::newRow("quotes, separators and breaks inside")
        << "Title,Note\n\"Say \"\"hi\"\", Bob\",\"two\r\nlines\"\n\"\",x\n"
        << int(TextEncoding::Utf8) << false << ","
        << QList<QStringList>{{"Title", "Note"}, {"Say \"hi\", Bob", "two\nlines"}, {"", "x"}}
        << QList<qint64>{1, 2, 4};
    QTest::newRow("quote inside unquoted value kept")
        << "a,b\n5\" disk,x\n"
        << int(TextEncoding::Utf8) << false << "," << QList<QStringList>{{"a", "b"}, {"5\" disk", "x"}}
        << QList<qint64>{1, 2};
    const QList<QStringList> accents{{"Název", "Rok"}, {"Příliš žluťoučký kůň", "2001"}, {"Łódź", "1999"}};
    QTest::newRow("utf-8 bom, semicolon")
        << "Název;Rok\nPříliš žluťoučký kůň;2001\nŁódź;1999\n"
        << int(TextEncoding::Utf8) << true << ";" << accents << QList<qint64>{1, 2, 3};
    QTest::newRow("utf-16le bom") << "Název;Rok\nPříliš žluťoučký kůň;2001\nŁódź;1999\n"
                                  << int(TextEncoding::Utf16LE) << true << ";" << accents << QList<qint64>{1, 2, 3};
    QTest::newRow("utf-16be bom, tab") << "Název\tRok\nPříliš žluťoučký kůň\t2001\nŁódź\t1999\n"
                                       << int(TextEncoding::Utf16BE) << true << "\t" << accents
                                       << QList<qint64>{1, 2, 3};
    QTest::newRow("utf-16le without bom")
        << "Název,Rok\nPříliš žluťoučký kůň,2001\nŁódź,1999\n"
        << int(TextEncoding::Utf16LE) << false << "," << accents << QList<qint64>{1, 2, 3};
    QTest::newRow("windows-1250") << "Název;Rok\nPříliš žluťoučký kůň;2001\nŁódź;1999\n"
                                  << int(TextEncoding::Windows1250) << false << ";" << accents
                                  << QList<qint64>{1, 2, 3};
    QTest::newRow("windows-1252") << "Titre,Année\nLa Môme à Paris,2007\nAmélie de Montmartre (crème brûlée),2001\n"
                                  << int(TextEncoding::Windows1252) << false << ","
                                  << QList<QStringList>{{"Titre", "Année"},
                                                        {"La Môme à Paris", "2007"},
                                                        {"Amélie de Montmartre (crème brûlée)", "2001"}}
                                  << QList<qint64>{1, 2, 3};
}

// The encoding and separator are found from the bytes, and the rows read as written.
void TestCsv::dialects()
{
    QFETCH(QString, text);
    QFETCH(int, encoding);
    QFETCH(bool, bom);
    QFETCH(QString, separator);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QList<qint64>, lines);

    const QByteArray bytes = encoded(text, TextEncoding::Kind(encoding), bom);
    const CsvDialect dialect = CsvDialect::detect(bytes.left(CsvDialect::kSampleBytes));
    QCOMPARE(TextEncoding::name(dialect.encoding), TextEncoding::name(TextEncoding::Kind(encoding)));
    QCOMPARE(QString(dialect.separator), separator);
    QList<qint64> readLines;
    QCOMPARE(readAll(bytes, dialect, &readLines), rows);
    QCOMPARE(readLines, lines);
}

void TestCsv::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("message");
    QTest::newRow("quote never closed") << QByteArray("a,b\n\"open,x\nmore\n") << int(TextEncoding::Utf8)
                                        << "Line 2: a value in quotes is never closed";
    QTest::newRow("invalid utf-8 far down")
        << QByteArray("a,b\n").repeated(30000) + QByteArray("x\xC3\x28,y\n") << int(TextEncoding::Utf8)
        << "the file is not valid UTF-8 text; choose its encoding";
    QTest::newRow("half a surrogate pair in utf-16")
        << QByteArray("\xFE\xFF\x00a\x00,\xDC\xDC\x00\n", 10) << int(TextEncoding::Utf16BE)
        << "Line 1: the file is not valid UTF-16";
}

void TestCsv::hostileFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, message);
    try {
        readAll(bytes, {TextEncoding::Kind(encoding), u','});
        QFAIL("the file was read without a word");
    } catch (const ExchangeError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

// A line of 100 MB ends the reading at the first megabyte, in well under a second.
void TestCsv::longLineEndsQuickly()
{
    QByteArray bytes("Title,Year\n");
    bytes += QByteArray(100 << 20, 'x');
    QElapsedTimer timer;
    timer.start();
    try {
        readAll(bytes, {});
        QFAIL("a line of 100 MB was read");
    } catch (const ExchangeError& e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("Line 2: the row is longer than")), qPrintable(e.message()));
    }
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

void TestCsv::writerReadsBack()
{
    const QList<QStringList> rows{{"Title", "Note", ""},
                                  {"Say \"hi\", Bob", "two\nlines", " padded "},
                                  {""},
                                  {"Příliš; žluťoučký", "\r\n", "\"\""}};
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CsvWriter writer(buffer);
        for (const QStringList& row : rows)
            writer.writeRow(row);
    }
    QVERIFY(bytes.endsWith("\r\n"));
    QList<QStringList> expected = rows;
    expected[3][1] = QStringLiteral("\n"); // a CRLF inside a value reads as one line break
    QCOMPARE(readAll(bytes, {}), expected);
}

void TestCsv::castAndSongs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("songs"); // track|title|time
    QTest::newRow("numbered with times") << "1. Intro (0:45); 2. Main Theme (3:45)"
                                         << QStringList{"1|Intro|0:45", "2|Main Theme|3:45"};
    QTest::newRow("no numbers, no times") << "Intro; Song (Live)" << QStringList{"1|Intro|", "2|Song (Live)|"};
    QTest::newRow("title of digits, empty parts") << "; 3. 1999 (4:10);;" << QStringList{"3|1999|4:10"};
}

void TestCsv::castAndSongs()
{
    QFETCH(QString, text);
    QFETCH(QStringList, songs);
    QStringList read;
    for (const SongEntry& s : DetailText::readSongs(text))
        read << QStringLiteral("%1|%2|%3").arg(s.track).arg(s.title, s.time);
    QCOMPARE(read, songs);
    QCOMPARE(DetailText::readCast(QStringLiteral(" Jean Reno;Natalie Portman ;; Gary Oldman")),
             (QStringList{"Jean Reno", "Natalie Portman", "Gary Oldman"}));
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
