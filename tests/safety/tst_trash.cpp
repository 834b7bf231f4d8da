#include "ColumnText.h"
#include "EDatabaseError.h"
#include "ErrorText.h"
#include "ModuleSteps.h"
#include "Procedury.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"
#include "TrashBin.h"

#include <QFile>
#include <QTest>
#include <sqlite3.h>

namespace {

struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};
    std::unique_ptr<TrashBin> trash;
    QDateTime now{QDate(2026, 12, 1), QTime(10, 0), Qt::UTC};

    Module()
    {
        dm.DataModuleCreate();
        trash = std::make_unique<TrashBin>(dm);
        trash->setClock([this] { return now; });
        ModuleSteps::openMovies(dm);
        for (TDAODataset* ds : std::initializer_list<TDAODataset*>{&dm.qrMusic, &dm.qrMu_Songs, &dm.tbC_Music,
                                                                   &dm.tbA_Music, &dm.qrBooks})
            ds->Open();
    }

    QStringList column(const QString& sql) { return columnText(dm.dbKOLT.handle(), sql, QStringLiteral("<null>")); }
    void exec(const QString& sql) { SqliteStatement::exec(dm.dbKOLT.handle(), sql); }

    void postMovie(const QString& title, const QString& category, const QString& director)
    {
        dm.qrMovies.Insert();
        dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(title);
        dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(category);
        dm.qrMovies.FieldByName(QStringLiteral("Director")).SetAsString(director);
        dm.qrMovies.FieldByName(QStringLiteral("Year")).SetAsInteger(1965);
        Procedury::PostRecord(dm.qrMovies);
    }
    void postAlbum(const QString& title, const QStringList& songs)
    {
        dm.qrMusic.Insert();
        dm.qrMusic.FieldByName(QStringLiteral("Title")).SetAsString(title);
        dm.qrMusic.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Jazz"));
        dm.qrMusic.FieldByName(QStringLiteral("Artist")).SetAsString(QStringLiteral("Ella"));
        Procedury::PostRecord(dm.qrMusic);
        for (const QString& s : songs) {
            dm.qrMu_Songs.Insert();
            dm.qrMu_Songs.FieldByName(QStringLiteral("Title")).SetAsString(s);
            Procedury::PostRecord(dm.qrMu_Songs);
        }
    }
    bool locate(TDAODataset& ds, const QString& field, const QString& value) { return ds.Locate(field, {value}, {}); }
};

} // namespace

class TestTrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aDeletedMovieComesBackWithItsCastAndLookupNames()
    {
        Module m;
        m.postMovie(QStringLiteral("Pierrot le fou"), QStringLiteral("Nouvelle vague"), QStringLiteral("Godard"));
        ModuleSteps::addCast(m.dm, QStringLiteral("Anna Karina"));
        ModuleSteps::addCast(m.dm, QStringLiteral("Jean-Paul Belmondo"));
        const QString row = m.column(QStringLiteral("select quote(Id)||quote(Title)||quote(Year)||quote(Category) "
                                                    "from Movies"))
                                .join(QString());
        const qint64 id = m.dm.qrMovies.FieldByName(QStringLiteral("Id")).AsInteger();
        m.dm.qrMovies.Delete();
        QCOMPARE(m.column(QStringLiteral("select count(*) from Movies")), QStringList{"0"});
        QCOMPARE(m.column(QStringLiteral("select count(*) from Mv_Cast")), QStringList{"0"});

        const auto entries = m.trash->entries();
        QCOMPARE(entries.size(), size_t(1));
        QCOMPARE(entries[0].title, QStringLiteral("Pierrot le fou"));
        QCOMPARE(entries[0].table, QStringLiteral("Movies"));
        QCOMPARE(entries[0].details, 2);
        QCOMPARE(entries[0].deletedAt, m.now);

        // The lookup names it needs went meanwhile.
        m.exec(QStringLiteral("delete from Movies_C; delete from Movies_D; delete from Movies_A"));
        QCOMPARE(m.trash->putBack(entries[0].id), id);
        QCOMPARE(m.column(QStringLiteral("select quote(Id)||quote(Title)||quote(Year)||quote(Category) from Movies"))
                     .join(QString()),
                 row);
        QCOMPARE(m.column(QStringLiteral("select Name from Mv_Cast where P_Id = %1 order by Name").arg(id)),
                 (QStringList{"Anna Karina", "Jean-Paul Belmondo"}));
        QCOMPARE(m.column(QStringLiteral("select Name from Movies_C")), QStringList{"Nouvelle vague"});
        QCOMPARE(m.column(QStringLiteral("select Name from Movies_D")), QStringList{"Godard"});
        QCOMPARE(m.column(QStringLiteral("select count(*) from Movies_A")), QStringList{"2"});
        QVERIFY(m.trash->entries().empty());
        QCOMPARE(m.column(QStringLiteral("select count(*) from kolt_trash_Mv_Cast")), QStringList{"0"});
        // The folder shows it again.
        QCOMPARE(ModuleSteps::rows(m.dm.qrMovies, QStringLiteral("Title")), QStringList{"Pierrot le fou"});
    }

    void aTakenNumberGivesAFreshOne()
    {
        Module m;
        m.postMovie(QStringLiteral("Old"), QStringLiteral("Drama"), QString());
        m.dm.qrMovies.Delete();
        // Another program stored an item under the same number meanwhile.
        m.exec(QStringLiteral("insert into Movies (Id, Category, Title, Media_type) select item_id, 'Drama', 'Newer', "
                              "'CD' from kolt_trash"));
        const qint64 id = m.trash->putBack(m.trash->entries()[0].id);
        QVERIFY(id > 1);
        QCOMPARE(m.column(QStringLiteral("select Title from Movies order by Id")), (QStringList{"Newer", "Old"}));
    }

    void aDeletedSongComesBackAtItsPlace()
    {
        Module m;
        m.postAlbum(QStringLiteral("Songbook"), {"One", "Two", "Three"});
        QVERIFY(m.locate(m.dm.qrMu_Songs, QStringLiteral("Title"), QStringLiteral("Two")));
        m.dm.qrMu_Songs.Delete();
        QCOMPARE(m.column(QStringLiteral("select Track || Title from Mu_Songs order by Track")),
                 (QStringList{"1One", "2Three"}));
        const auto entries = m.trash->entries();
        QCOMPARE(entries.size(), size_t(1));
        QCOMPARE(entries[0].title, QStringLiteral("2. Two (Ella - Songbook)"));
        m.trash->putBack(entries[0].id);
        QCOMPARE(m.column(QStringLiteral("select Track || Title from Mu_Songs order by Track")),
                 (QStringList{"1One", "2Two", "3Three"}));
        QCOMPARE(ModuleSteps::rows(m.dm.qrMu_Songs, QStringLiteral("Title")), (QStringList{"One", "Two", "Three"}));
    }

    void aListRowWithoutItsItemWaits()
    {
        Module m;
        m.postMovie(QStringLiteral("Alphaville"), QStringLiteral("Drama"), QString());
        ModuleSteps::addCast(m.dm, QStringLiteral("Eddie Constantine"));
        m.dm.qrMv_Cast.Delete();
        m.dm.qrMovies.Delete();
        auto entries = m.trash->entries();
        QCOMPARE(entries.size(), size_t(2));
        const auto castEntry = entries[0].table == QLatin1String("Mv_Cast") ? entries[0] : entries[1];
        const auto movieEntry = entries[0].table == QLatin1String("Movies") ? entries[0] : entries[1];
        QCOMPARE(castEntry.title, QStringLiteral("Eddie Constantine (Alphaville)"));
        QCOMPARE(messageOf([&] { m.trash->putBack(castEntry.id); }),
                 QStringLiteral("The movie this cast member belongs to is not in the catalogue: put the movie back "
                                "first"));
        m.trash->putBack(movieEntry.id);
        m.trash->putBack(castEntry.id);
        QCOMPARE(m.column(QStringLiteral("select Name from Mv_Cast")), QStringList{"Eddie Constantine"});
    }

    void anUndoneDeleteLeavesNothingAndAnOffTrashKeepsNothing()
    {
        Module m;
        m.postMovie(QStringLiteral("Kept"), QStringLiteral("Drama"), QString());
        m.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Movies BEGIN SELECT RAISE(ABORT, 'refused'); "
                              "END"));
        QCOMPARE(messageOf([&] { m.dm.qrMovies.Delete(); }), QStringLiteral("refused"));
        QVERIFY(m.trash->entries().empty());
        m.exec(QStringLiteral("DROP TRIGGER refuse"));
        m.trash->setEnabled(false);
        m.dm.qrMovies.Delete();
        QVERIFY(m.trash->entries().empty());
    }

    void oldEntriesExpireAndRemovedOnesAreGone()
    {
        Module m;
        m.postMovie(QStringLiteral("Old"), QStringLiteral("Drama"), QString());
        m.postMovie(QStringLiteral("Recent"), QStringLiteral("Drama"), QString());
        QVERIFY(m.locate(m.dm.qrMovies, QStringLiteral("Title"), QStringLiteral("Old")));
        m.dm.qrMovies.Delete();
        m.now = m.now.addDays(20);
        QVERIFY(m.locate(m.dm.qrMovies, QStringLiteral("Title"), QStringLiteral("Recent")));
        m.dm.qrMovies.Delete();
        m.now = m.now.addDays(15); // the first is 35 days old, the second 15
        QCOMPARE(m.trash->expire(30), 1);
        auto entries = m.trash->entries();
        QCOMPARE(entries.size(), size_t(1));
        QCOMPARE(entries[0].title, QStringLiteral("Recent"));
        m.trash->removeForGood({entries[0].id});
        QVERIFY(m.trash->entries().empty());
        QCOMPARE(m.column(QStringLiteral("select count(*) from kolt_trash_Movies")), QStringList{"0"});
    }

    void aColumnAnotherProgramAddedNeverRefusesADelete()
    {
        Module m;
        m.postMovie(QStringLiteral("First"), QStringLiteral("Drama"), QString());
        m.dm.qrMovies.Delete(); // the trash's tables are made now
        m.postMovie(QStringLiteral("Second"), QStringLiteral("Drama"), QString());
        m.exec(QStringLiteral("ALTER TABLE Movies ADD COLUMN Rating INTEGER"));
        m.dm.qrMovies.Delete();
        QCOMPARE(m.trash->entries().size(), size_t(2));
        m.trash->putBack(m.trash->entries()[0].id);
        QCOMPARE(m.column(QStringLiteral("select Title from Movies")), QStringList{"Second"});
    }

    void otherProgramsSeeOnlyTheDescribedTables()
    {
        Module m;
        m.postMovie(QStringLiteral("Gone"), QStringLiteral("Drama"), QString());
        m.dm.qrMovies.Delete();
        // The trash's tables need nothing of the program to be read or written.
        sqlite3* raw = nullptr;
        sqlite3_open_v2(QFile::encodeName(m.cat.path()).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        SqliteStatement::exec(raw, QStringLiteral("delete from kolt_trash_Movies; insert into Books (Category, Title) "
                                                  "values ('x', 'y')"));
        sqlite3_close(raw);
    }
};

QTEST_GUILESS_MAIN(TestTrash)
#include "tst_trash.moc"
