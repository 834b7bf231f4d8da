#include "CatalogueExporter.h"
#include "CatalogueImporter.h"
#include "ColumnText.h"
#include "CsvReader.h"
#include "ExchangeError.h"
#include "FaultyVfs.h"
#include "ModuleSteps.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QBuffer>
#include <QTest>

namespace {

// A data module over a temporary catalogue, opened as at start-up.
struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};

    Module() { dm.DataModuleCreate(); }

    QStringList column(const QString& sql) { return columnText(dm.dbKOLT.handle(), sql, QStringLiteral("<null>")); }

    CatalogueImporter::Summary import(QByteArray bytes, CatalogueImporter::Options options,
                                      const CatalogueImporter::Progress& progress = {})
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        if (options.row.mapping.empty()) {
            CsvRecord header;
            CsvReader reader(buffer, options.dialect.encoding, options.dialect.separator);
            reader.next(header);
            options.row.mapping = ExchangeFolder::at(options.folder).propose(header.fields);
        }
        return CatalogueImporter(dm).run(buffer, options, progress);
    }

    QByteArray exportCsv(int folder)
    {
        TDAODataset& rows = ExchangeFolder::at(folder).everyItem(dm);
        rows.Open();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CatalogueExporter(dm, folder).writeCsv(rows, buffer, [](const QString& memo) { return memo; });
        rows.Close();
        return bytes;
    }
};

CatalogueImporter::Options movies(CatalogueImporter::Duplicates duplicates = CatalogueImporter::Duplicates::Skip)
{
    CatalogueImporter::Options o;
    o.folder = 0;
    o.duplicates = duplicates;
    return o;
}

const QByteArray kMovies = "Title,Genre,Year,Time,Director,Date acquired,Cast,Description\n"
                           "Alien,Sci-Fi,1979,117 min,Ridley Scott,2020-05-01,\"Sigourney Weaver; Tom Skerritt\",\n"
                           "Heat,Crime,1995,,Michael Mann,,Al Pacino; Robert De Niro; Val Kilmer,\"A heist,\nin LA\"\n";

} // namespace

class TestImporter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { FaultyVfs::install(); }
    void importsThroughTheRecordRules();
    void refusedRowsAndCutValues();
    void duplicates_data();
    void duplicates();
    void songsOfAnAlbum();
    void cancelOrFailureLeavesTheFile_data();
    void cancelOrFailureLeavesTheFile();
    void roundTrip();
};

// Items, their lookup names, the cast with its actors' list, all in one go.
void TestImporter::importsThroughTheRecordRules()
{
    Module m;
    const CatalogueImporter::Summary s = m.import(kMovies, movies());
    QCOMPARE(s.added, 2);
    QVERIFY(s.refused.empty());
    QCOMPARE(m.column("SELECT Title || '|' || Category || '|' || Year || '|' || Media_type || '|' || "
                      "ifnull(Tot_time,'') || '|' || ifnull(Date_aq,'') FROM Movies ORDER BY Title"),
             (QStringList{"Alien|Sci-Fi|1979|CD|117 min|2020-05-01 00:00:00", "Heat|Crime|1995|CD||"}));
    QCOMPARE(m.column("SELECT Description FROM Movies WHERE Title = 'Heat'"), QStringList{"A heist,\nin LA"});
    QCOMPARE(m.column("SELECT m.Title || ':' || c.Name FROM Mv_Cast c JOIN Movies m ON m.Id = c.P_Id ORDER BY 1"),
             (QStringList{"Alien:Sigourney Weaver", "Alien:Tom Skerritt", "Heat:Al Pacino", "Heat:Robert De Niro",
                          "Heat:Val Kilmer"}));
    QCOMPARE(m.column("SELECT Name FROM Movies_C ORDER BY Name"), (QStringList{"Crime", "Sci-Fi"}));
    QCOMPARE(m.column("SELECT Name FROM Movies_D ORDER BY Name"), (QStringList{"Michael Mann", "Ridley Scott"}));
    QCOMPARE(m.column("SELECT count(*) FROM Movies_A"), QStringList{"5"});
    QCOMPARE(m.column("SELECT count(*) FROM Mv_Cast WHERE P_Id = 0"), QStringList{"0"});
    // The folder's query shows them afterwards.
    QCOMPARE(m.dm.qrMovies.RowCount(), 2);
}

void TestImporter::refusedRowsAndCutValues()
{
    Module m;
    const QString longTitle = QString(80, u'é');
    const QByteArray csv = "Title;Category;Year;Date acquired\n"
                           "Fine;Drama;2001;2001-02-03\n"
                           "Bad year;Drama;MCMXCV;\n"
                           ";Drama;2000;\n"
                           "Bad date;Drama;2000;31/31/2000\n"
                           "No category;;2000;\n"
                           "\""
                           + longTitle.toUtf8() + "\";Drama;70000;\n" + longTitle.toUtf8() + ";" + QByteArray(30, 'c')
                           + ";;\n";
    CatalogueImporter::Options o = movies();
    o.dialect.separator = u';';
    const CatalogueImporter::Summary s = m.import(csv, o);
    QCOMPARE(s.added, 2);
    QStringList refused;
    for (const CatalogueImporter::Refused& r : s.refused)
        refused << QStringLiteral("%1 %2").arg(r.line).arg(r.reason);
    QCOMPARE(refused, (QStringList{"3 Year: 'MCMXCV' is not a number", "4 Title is empty",
                                   "5 Date acquired: '31/31/2000' is not a date", "6 Category is empty",
                                   "7 Year: 70000 is out of range"}));
    QCOMPARE(m.column("SELECT length(Title) || '|' || Category FROM Movies ORDER BY length(Title)"),
             (QStringList{"4|Drama", QStringLiteral("70|") + QString(20, u'c')}));
    QVERIFY(s.text().contains(QStringLiteral("Line 7: Year: 70000 is out of range")));

    // With a category for rows without one, the row goes in.
    Module m2;
    o.row.defaultCategory = QStringLiteral("Imported");
    QCOMPARE(m2.import(csv, o).added, 3);
    QCOMPARE(m2.column("SELECT Category FROM Movies WHERE Title = 'No category'"), QStringList{"Imported"});
}

void TestImporter::duplicates_data()
{
    QTest::addColumn<int>("policy");
    // title|year|director|cast, in code-point order. An update takes what the file gives (the
    // last row's spelling of the title) and keeps what it leaves empty.
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QList<int>>("counts"); // added, updated, skipped
    QTest::newRow("skip") << int(CatalogueImporter::Duplicates::Skip)
                          << QStringList{"Alien|1979|Old|A; B", "Alien|1986||", "Heat|1995|Michael Mann|"}
                          << QList<int>{2, 0, 2};
    QTest::newRow("add") << int(CatalogueImporter::Duplicates::Add)
                         << QStringList{"ALIEN|1979|Ridley Scott|C", "Alien|1979|Old|A; B", "Alien|1986||",
                                        "Heat|1995|Michael Mann|", "alien|1979||"}
                         << QList<int>{4, 0, 0};
    QTest::newRow("update") << int(CatalogueImporter::Duplicates::Update)
                            << QStringList{"Alien|1986||", "Heat|1995|Michael Mann|", "alien|1979|Ridley Scott|C"}
                            << QList<int>{2, 2, 0};
}

// Same title in other letter case and the same year is the same item; another year is not.
void TestImporter::duplicates()
{
    QFETCH(int, policy);
    QFETCH(QStringList, stored);
    QFETCH(QList<int>, counts);
    Module m;
    m.import("Title,Category,Year,Director,Cast\nAlien,Sci-Fi,1979,Old,A; B\n", movies());
    const QByteArray again = "Title,Category,Year,Director,Cast\n"
                             "ALIEN,Sci-Fi,1979,Ridley Scott,C\n"
                             "Alien,Sci-Fi,1986,,\n"
                             "alien,Sci-Fi,1979,,\n"
                             "Heat,Crime,1995,Michael Mann,\n";
    const CatalogueImporter::Summary s = m.import(again, movies(CatalogueImporter::Duplicates(policy)));
    QCOMPARE((QList<int>{s.added, s.updated, s.skipped}), counts);
    QStringList actual = m.column("SELECT m.Title || '|' || m.Year || '|' || ifnull(m.Director, '') || '|' || "
                                  "ifnull((SELECT group_concat(Name, '; ') FROM (SELECT Name FROM Mv_Cast "
                                  "WHERE P_Id = m.Id ORDER BY Name)), '') FROM Movies m");
    actual.sort();
    QCOMPARE(actual, stored);
}

void TestImporter::songsOfAnAlbum()
{
    Module m;
    CatalogueImporter::Options o;
    o.folder = 1;
    const CatalogueImporter::Summary s
        = m.import("Album,Artist,Genre,Tracks\n"
                   "Blue,Joni Mitchell,Folk,\"1. All I Want (3:32); 2. My Old Man (3:33); California\"\n",
                   o);
    QCOMPARE(s.added, 1);
    QCOMPARE(m.column("SELECT Track || '|' || Title || '|' || ifnull(Time, '') FROM Mu_Songs ORDER BY Track"),
             (QStringList{"1|All I Want|3:32", "2|My Old Man|3:33", "3|California|"}));
    QCOMPARE(m.column("SELECT Name FROM Music_A"), QStringList{"Joni Mitchell"});
    QCOMPARE(m.column("SELECT count(DISTINCT P_Id) FROM Mu_Songs WHERE P_Id <> 0"), QStringList{"1"});
}

void TestImporter::cancelOrFailureLeavesTheFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel half-way") << "cancel";
    QTest::newRow("disk full") << "full";
    QTest::newRow("unreadable row far down") << "unreadable";
}

void TestImporter::cancelOrFailureLeavesTheFile()
{
    QFETCH(QString, how);
    Module m;
    m.import(kMovies, movies());
    m.dm.DataModuleDestroy();
    const QByteArray before = m.cat.bytes();
    m.dm.DataModuleCreate();

    QByteArray csv = "Title,Category,Year,Cast\n";
    for (int i = 0; i < 500; ++i)
        csv += QStringLiteral("Movie %1,Cat %2,%3,Actor %1; Actor %2\n").arg(i).arg(i % 7).arg(1950 + i % 70).toUtf8();
    if (how == QLatin1String("unreadable"))
        csv += "\"never closed,x,1\n";
    CatalogueImporter::Progress progress = [&](qint64 done, qint64) {
        if (how == QLatin1String("full") && done == 400)
            FaultyVfs::arm({.failRead = 0, .diskFull = true});
        return !(how == QLatin1String("cancel") && done == 250);
    };
    bool raised = false;
    try {
        m.import(csv, movies(), progress);
    } catch (const ImportCancelled&) {
        raised = how == QLatin1String("cancel");
    } catch (const std::exception& e) {
        raised = how != QLatin1String("cancel");
        qDebug() << e.what();
    }
    FaultyVfs::disarm();
    QVERIFY(raised);
    QCOMPARE(m.column("SELECT count(*) FROM Movies"), QStringList{"2"});
    m.dm.DataModuleDestroy();
    QVERIFY(m.cat.bytes() == before);
}

// A folder written out and read into an empty catalogue gives the same items, cast and songs.
void TestImporter::roundTrip()
{
    Module source;
    const QByteArray movieCsv
        = "Title,Category,Year,Time,Media,Media No.,Director,Date acquired,Properties,Description,Cast\n"
          "\"Amélie, \"\"le fabuleux\"\"\",Comédie,2001,122 min,DVD,M-1,Jean-Pierre Jeunet,2003-04-05,5,"
          "\"Line one;\nline two, with \"\"quotes\"\"\",\"Audrey Tautou; Mathieu Kassovitz; Zoë\"\n"
          "Ďábel\tv detailu,Horor,1999,,VHS,,,,,,\n";
    QCOMPARE(source.import(movieCsv, movies()).added, 2);
    CatalogueImporter::Options music;
    music.folder = 1;
    QCOMPARE(source
                 .import("Title,Artist,Category,Year,Songs\n"
                         "Żółć,Łucja,Pop,2010,\"1. Ćma (3:05); 2. Nić, \"\"cienka\"\" (10:01); 3. Koniec\"\n",
                         music)
                 .added,
             1);
    for (int folder : {0, 1}) {
        const QByteArray exported = source.exportCsv(folder);
        Module target;
        CatalogueImporter::Options o;
        o.folder = folder;
        const CatalogueImporter::Summary s = target.import(exported, o);
        QVERIFY(s.refused.empty());
        QCOMPARE(target.exportCsv(folder), exported);
    }
    QVERIFY(source.exportCsv(0).contains(",Audrey Tautou; Mathieu Kassovitz; Zoë\r\n"));
    QVERIFY(source.exportCsv(1).contains("1. Ćma (3:05); 2. Nić, \"\"cienka\"\" (10:01); 3. Koniec"));
}

QTEST_GUILESS_MAIN(TestImporter)
#include "tst_importer.moc"
