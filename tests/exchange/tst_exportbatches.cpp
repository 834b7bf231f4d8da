#include "CatalogueExporter.h"
#include "CsvWriter.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QBuffer>
#include <QTest>
#include <sqlite3.h>

namespace {

// A data module over a catalogue filled by hand with what an export must get right: more items
// than one batch of lists, items without cast or songs, names that sort equal in the
// catalogue's collation, an empty name, songs sharing a number or without a time, and values
// with accents, quotes, separators and line breaks.
struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};

    Module()
    {
        dm.DataModuleCreate();
        sqlite3* db = dm.dbKOLT.handle();
        SqliteStatement::exec(db, QStringLiteral("BEGIN"));
        SqliteStatement movie(db, QStringLiteral("INSERT INTO Movies (Title, Category, Year, Date_aq, Description, "
                                                 "Media_type) VALUES (?1, ?2, ?3, ?4, ?5, 'DVD')"));
        SqliteStatement cast(db, QStringLiteral("INSERT INTO Mv_Cast (P_Id, Name) VALUES (?1, ?2)"));
        SqliteStatement album(db, QStringLiteral("INSERT INTO Music (Title, Artist, Category, Year) VALUES (?1, ?2, "
                                                 "'Rock', 1990)"));
        SqliteStatement song(db, QStringLiteral("INSERT INTO Mu_Songs (P_Id, Track, Title, Time) VALUES (?1, ?2, ?3, "
                                                "?4)"));
        for (int i = 0; i < 600; ++i) {
            movie.reset();
            movie.bindText(1, QStringLiteral("Film %1 \"é, ; %2\"").arg(i % 7).arg(i));
            movie.bindText(2, QStringLiteral("Drame, %1").arg(i % 3));
            movie.bindInt64(3, 1950 + i % 60);
            movie.bindText(4, QStringLiteral("2021-0%1-02 00:00:00").arg(1 + i % 9));
            if (i % 4 == 0)
                movie.bindNull(5);
            else
                movie.bindText(5, QStringLiteral("Ligne un,\r\nligne \"deux\"; %1").arg(i));
            movie.execute();
            const qint64 id = sqlite3_last_insert_rowid(db);
            // Every fifth item has no cast; the others have names that sort equal ("anna"
            // and "Anna", written in either order), one with a quote, one empty.
            const int names = i % 5 == 0 ? 0 : 1 + i % 4;
            const QStringList pool{i % 2 ? QStringLiteral("anna") : QStringLiteral("Anna"),
                                   QStringLiteral("Zoé \"Z\" Ørsted"),
                                   i % 2 ? QStringLiteral("Anna") : QStringLiteral("anna"), QString()};
            for (int n = 0; n < names; ++n) {
                cast.reset();
                cast.bindInt64(1, id);
                if (pool[n].isEmpty())
                    cast.bindNull(2);
                else
                    cast.bindText(2, pool[n]);
                cast.execute();
            }
        }
        for (int i = 0; i < 300; ++i) {
            album.reset();
            album.bindText(1, QStringLiteral("Album %1").arg(i));
            album.bindText(2, QStringLiteral("Artiste, n°%1").arg(i % 11));
            album.execute();
            const qint64 id = sqlite3_last_insert_rowid(db);
            for (int t = 0; t < i % 4; ++t) {
                song.reset();
                song.bindInt64(1, id);
                song.bindInt64(2, t == 2 ? 1 : t + 1); // the third song shares the first one's number
                song.bindText(3, QStringLiteral("Chanson %1; (live)").arg(3 - t));
                if (t == 1)
                    song.bindNull(4);
                else
                    song.bindText(4, QStringLiteral("3:0%1").arg(t));
                song.execute();
            }
        }
        SqliteStatement::exec(db, QStringLiteral("COMMIT"));
    }

    // The CSV as it was written before the lists came in batches: a query per item.
    QByteArray itemByItem(int folder, TDAODataset& rows)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CsvWriter writer(buffer);
        const ExchangeFolder& f = ExchangeFolder::at(folder);
        QStringList header;
        for (const ExchangeField& field : f.fields)
            header << field.caption;
        header << f.detailsCaption();
        writer.writeRow(header);
        CatalogueExporter exporter(dm, folder);
        const TField& id = rows.FieldByName(QStringLiteral("Id"));
        for (int row = 0; row < rows.RowCount(); ++row) {
            QStringList values;
            for (const ExchangeField& field : f.fields)
                values << CatalogueExporter::valueText(rows.rowValue(row, rows.FieldByName(field.name)));
            values << exporter.detailText(rows.rowValue(row, id).toLongLong());
            writer.writeRow(values);
        }
        return bytes;
    }

    QByteArray exported(int folder, TDAODataset& rows)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CatalogueExporter(dm, folder).writeCsv(rows, buffer, [](const QString& memo) { return memo; });
        return bytes;
    }
};

} // namespace

class TestExportBatches : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameTextAsItemByItem_data();
    void sameTextAsItemByItem();
};

void TestExportBatches::sameTextAsItemByItem_data()
{
    QTest::addColumn<int>("folder");
    QTest::addColumn<QString>("filter");
    QTest::newRow("movies, every item") << 0 << QString();
    QTest::newRow("movies, a filtered grid") << 0 << QStringLiteral("Year > 1970");
    QTest::newRow("albums, every item") << 1 << QString();
}

// The lists read a batch at a time give the file the same bytes as a query per item, in the
// dataset's order, across batch boundaries.
void TestExportBatches::sameTextAsItemByItem()
{
    QFETCH(int, folder);
    QFETCH(QString, filter);
    Module m;
    TDAODataset& rows
        = filter.isEmpty() ? ExchangeFolder::at(folder).everyItem(m.dm) : ExchangeFolder::at(folder).query(m.dm);
    if (!filter.isEmpty()) {
        rows.setFilter(filter);
        rows.setFiltered(true);
    }
    rows.Open();
    QVERIFY(rows.RowCount() > DetailLists::kBatch);
    const QByteArray expected = m.itemByItem(folder, rows);
    QVERIFY(expected.contains(folder == 0 ? "Anna; anna" : "1. Chanson 3; (live) (3:00)"));
    QCOMPARE(m.exported(folder, rows), expected);
    rows.Close();
}

QTEST_GUILESS_MAIN(TestExportBatches)
#include "tst_exportbatches.moc"
