#include "CatalogueImporter.h"
#include "ColumnText.h"
#include "CsvReader.h"
#include "ExchangeError.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QBuffer>
#include <QTest>

namespace {

struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};

    Module() { dm.DataModuleCreate(); }

    QStringList column(const QString& sql) { return columnText(dm.dbKOLT.handle(), sql); }

    CatalogueImporter::Summary import(QByteArray bytes, const CatalogueImporter::Progress& progress = {})
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        CatalogueImporter::Options options;
        options.folder = 0;
        options.duplicates = CatalogueImporter::Duplicates::Update;
        CsvRecord header;
        CsvReader reader(buffer, options.dialect.encoding, options.dialect.separator);
        reader.next(header);
        options.row.mapping = ExchangeFolder::at(0).propose(header.fields);
        return CatalogueImporter(dm).run(buffer, options, progress);
    }
};

} // namespace

class TestImportLookups : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesAsTheListHasThem_data();
    void namesAsTheListHasThem();
};

void TestImportLookups::namesAsTheListHasThem_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("beforeCancelled");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("categories"); // the list, in the order names were added
    QTest::addColumn<QStringList>("items");      // each item's category, by title
    QTest::addColumn<QStringList>("actors");

    QTest::newRow("added earlier in the same file")
        << QByteArray() << false
        << QByteArray("Title,Category,Cast\nA,Drama,Anna Smith\nB,DRAMA,ANNA SMITH; Émile\nC,drama,emile; ÉMILE\n")
        << QStringList{"Drama"} << QStringList{"A:Drama", "B:Drama", "C:Drama"}
        << QStringList{"Anna Smith", "Émile", "emile"};
    QTest::newRow("listed before the import")
        << QByteArray("Title,Category,Cast\nOld,Sci-Fi,Anna Smith\n") << false
        << QByteArray("Title,Category,Cast\nA,SCI-FI,anna smith\nB,sci-fi,\n") << QStringList{"Sci-Fi"}
        << QStringList{"A:Sci-Fi", "B:Sci-Fi", "Old:Sci-Fi"} << QStringList{"Anna Smith"};
    // An import undone takes its names with it: the next one adds them as it spells them.
    QTest::newRow("added by an import that was cancelled")
        << QByteArray("Title,Category,Cast\nGone,Western,Anna Smith\nGone too,Western,\n") << true
        << QByteArray("Title,Category,Cast\nA,WESTERN,ANNA SMITH\n") << QStringList{"WESTERN"}
        << QStringList{"A:WESTERN"} << QStringList{"ANNA SMITH"};
    // An update takes the list's spelling too, and the file's cast replaces the stored one.
    QTest::newRow("duplicates updated") << QByteArray("Title,Category,Cast\nA,Crime,Anna Smith\n") << false
                                        << QByteArray("Title,Category,Cast\nB,Noir,ANNA SMITH\na,NOIR,anna smith; Bo\n")
                                        << QStringList{"Crime", "Noir"} << QStringList{"a:Noir", "B:Noir"}
                                        << QStringList{"Anna Smith", "Bo"};
}

void TestImportLookups::namesAsTheListHasThem()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, beforeCancelled);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, categories);
    QFETCH(QStringList, items);
    QFETCH(QStringList, actors);
    Module m;
    if (!before.isEmpty()) {
        if (beforeCancelled) {
            // Stopped once the first row is stored.
            QVERIFY_THROWS_EXCEPTION(ImportCancelled, m.import(before, [](qint64 done, qint64) { return done < 1; }));
        } else {
            m.import(before);
        }
    }
    m.import(file);
    QCOMPARE(m.column("SELECT Name FROM Movies_C ORDER BY Id"), categories);
    QCOMPARE(m.column("SELECT Title || ':' || Category FROM Movies ORDER BY Title"), items);
    QCOMPARE(m.column("SELECT Name FROM Movies_A ORDER BY Id"), actors);
    // Every cast member of an item is on the list as it is spelt there.
    QCOMPARE(m.column("SELECT count(*) FROM Mv_Cast c WHERE NOT EXISTS (SELECT 1 FROM Movies_A a WHERE a.Name = "
                      "c.Name COLLATE BINARY)"),
             QStringList{"0"});
}

QTEST_GUILESS_MAIN(TestImportLookups)
#include "tst_importlookups.moc"
