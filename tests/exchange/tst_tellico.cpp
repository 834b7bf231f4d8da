#include "CatalogueExporter.h"
#include "CatalogueImporter.h"
#include "ExchangeError.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TellicoFile.h"
#include "TempCatalogue.h"
#include "ZipWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTest>

namespace {

QByteArray fixture(const char* name)
{
    QFile f(QStringLiteral(KOLT_TEST_DATA_DIR "/exchange/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};
    Module() { dm.DataModuleCreate(); }

    // The file turned into CSV and imported with the mapping proposed from its columns.
    int import(const QString& path)
    {
        QByteArray csv;
        QBuffer buffer(&csv);
        buffer.open(QIODevice::ReadWrite);
        const int folder = TellicoFile::toCsv(path, buffer);
        CatalogueImporter::Options o;
        o.folder = folder;
        o.row.mapping = ExchangeFolder::at(folder).propose(QString::fromUtf8(csv.left(csv.indexOf('\r'))).split(u','));
        o.row.defaultCategory = QStringLiteral("Imported");
        CatalogueImporter(dm).run(buffer, o);
        return folder;
    }

    QStringList column(const QString& sql)
    {
        SqliteStatement s(dm.dbKOLT.handle(), sql);
        QStringList out;
        while (s.step())
            out << s.columnText(0);
        return out;
    }
};

} // namespace

class TestTellico : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importsEachKind();
    void refusedFiles_data();
    void refusedFiles();
    void writesWhatItReads();
};

void TestTellico::importsEachKind()
{
    Module m;
    const QString zipped = m.cat.filePath(QStringLiteral("videos.tc"));
    writeZip(zipped, {{QStringLiteral("tellico.xml"), fixture("videos.xml")},
                      {QStringLiteral("images/0a1b2c.jpeg"), QByteArray("not really a picture")}});
    QCOMPARE(m.import(zipped), 0);
    QCOMPARE(m.column("SELECT Title || '|' || Year || '|' || Category || '|' || Media_type || '|' || "
                      "ifnull(Tot_time, '') || '|' || ifnull(Director, '') FROM Movies ORDER BY Year"),
             (QStringList{"Ostře sledované vlaky|1966|Komedie|DVD|93 min|Jiří Menzel",
                          "Alien|1979|Science Fiction|Blu-ray||"}));
    QCOMPARE(m.column("SELECT Description FROM Movies WHERE Year = 1966"),
             QStringList{"A young railway clerk & the war.\n\nOscar 1968"});
    QCOMPARE(m.column("SELECT Name FROM Mv_Cast ORDER BY Name"), (QStringList{"Jitka Bendová", "Václav Neckář"}));
    QCOMPARE(m.column("SELECT count(*) FROM Movies_A"), QStringList{"2"});

    const QString albums = m.cat.filePath(QStringLiteral("albums.xml"));
    {
        QFile f(albums);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fixture("albums.xml"));
    }
    QCOMPARE(m.import(albums), 1);
    QCOMPARE(m.column("SELECT Title || '|' || Artist || '|' || Year || '|' || Media_type FROM Music"),
             QStringList{"Blue|Joni Mitchell|1971|CD"});
    QCOMPARE(m.column("SELECT Track || '|' || Title || '|' || Time FROM Mu_Songs ORDER BY Track"),
             (QStringList{"1|All I Want|3:32", "2|My Old Man|3:33"}));

    const QString books = m.cat.filePath(QStringLiteral("books.tc"));
    writeZip(books, {{QStringLiteral("tellico.xml"), fixture("books.xml")}});
    QCOMPARE(m.import(books), 2);
    QCOMPARE(m.column("SELECT Title || '|' || Author || '|' || Publishers || '|' || Year || '|' || Description "
                      "FROM Books"),
             QStringList{"Solaris|Stanisław Lem|Wydawnictwo MON|1961|First edition"});
}

void TestTellico::refusedFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("coins") << "coins"
                           << "The collection holds coins; only videos, music albums and books";
    QTest::newRow("billion laughs") << "entities"
                                    << "declares entities of its own";
    QTest::newRow("name outside the zip") << "slip"
                                          << "names a file outside itself (../../evil.jpeg)";
    QTest::newRow("zip bomb") << "bomb"
                              << "unpacks to more than";
    QTest::newRow("no tellico.xml") << "empty"
                                    << "holds no tellico.xml";
    QTest::newRow("not xml") << "garbage"
                             << "cannot be read";
}

// Each ends in a message within moments, before anything is written.
void TestTellico::refusedFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Module m;
    const QString path = m.cat.filePath(QStringLiteral("hostile.tc"));
    QByteArray videos = fixture("videos.xml");
    if (kind == QLatin1String("coins")) {
        writeZip(path, {{"tellico.xml", videos.replace("type=\"3\"", "type=\"8\"")}});
    } else if (kind == QLatin1String("entities")) {
        QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE tellico [\n <!ENTITY a \"lol\">\n";
        for (char c = 'b'; c <= 'j'; ++c)
            laughs += QByteArray(" <!ENTITY ") + c + " \""
                      + QByteArray("&").append(char(c - 1)).append(";").repeated(10) + "\">\n";
        laughs += "]>\n<tellico><collection type=\"3\"><entry><title>&j;</title></entry></collection></tellico>\n";
        writeZip(path, {{"tellico.xml", laughs}});
    } else if (kind == QLatin1String("slip")) {
        writeZip(path, {{"tellico.xml", videos}, {"../../evil.jpeg", "x"}});
    } else if (kind == QLatin1String("bomb")) {
        writeZip(path, {{"tellico.xml", "<tellico>" + QByteArray(64 << 20, ' ')}});
    } else if (kind == QLatin1String("empty")) {
        writeZip(path, {{"other.xml", videos}});
    } else {
        writeZip(path, {{"tellico.xml", "<tellico><collection type=\"3\"><entry><title>x</title></collection>"}});
    }
    m.dm.DataModuleDestroy();
    const QByteArray before = m.cat.bytes();
    m.dm.DataModuleCreate();
    QElapsedTimer timer;
    timer.start();
    try {
        m.import(path);
        QFAIL("the file was imported");
    } catch (const ExchangeError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
    QVERIFY(timer.elapsed() < 5000);
    m.dm.DataModuleDestroy();
    QVERIFY(m.cat.bytes() == before);
}

// A folder written as a Tellico file and read into an empty catalogue gives the same items.
void TestTellico::writesWhatItReads()
{
    Module source;
    const QString videos = source.cat.filePath(QStringLiteral("videos.tc"));
    writeZip(videos, {{QStringLiteral("tellico.xml"), fixture("videos.xml")}});
    source.import(videos);
    TDAODataset& rows = ExchangeFolder::at(0).everyItem(source.dm);
    rows.Open();
    CatalogueExporter exporter(source.dm, 0);
    const QString written = source.cat.filePath(QStringLiteral("out.tc"));
    try {
        TellicoFile::write(exporter, 0, rows, written, {});
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
    rows.Close();

    Module target;
    QCOMPARE(target.import(written), 0);
    const QString sql = QStringLiteral(
        "SELECT Title || '|' || Year || '|' || Category || '|' || Media_type || '|' || ifnull(Tot_time, '') || '|' "
        "|| ifnull(Director, '') || '|' || ifnull(Description, '') || '|' || ifnull((SELECT group_concat(Name, ', ') "
        "FROM (SELECT Name FROM Mv_Cast WHERE P_Id = m.Id ORDER BY Name)), '') FROM Movies m ORDER BY Year");
    QCOMPARE(target.column(sql), source.column(sql));
    QCOMPARE(target.column(sql).size(), 2);
}

QTEST_GUILESS_MAIN(TestTellico)
#include "tst_tellico.moc"
