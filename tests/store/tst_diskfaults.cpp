#include "ErrorText.h"
#include "FaultyVfs.h"
#include "ModuleSteps.h"
#include "OtherProgram.h"
#include "Procedury.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QFile>
#include <QTest>
#include <functional>
#include <sqlite3.h>

namespace {

using ModuleSteps::addCast;
using ModuleSteps::openMovies;
using OtherProgram::fileColumn;
using OtherProgram::rawExec;

// A cache too small to hold the pages a post needs: every step reads the file again, so that
// a failing read can come at any step of it.
void starveCache(TDM& dm)
{
    SqliteStatement::exec(dm.dbKOLT.handle(), QStringLiteral("PRAGMA cache_size = 1"));
}

// A new movie with two cast members, typed and ready to be posted.
void typeMovie(TDM& dm)
{
    starveCache(dm);
    openMovies(dm);
    dm.qrMovies.Insert();
    addCast(dm, QStringLiteral("Anna"));
    addCast(dm, QStringLiteral("Bob"));
    dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Heat"));
    dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Crime"));
    dm.qrMovies.FieldByName(QStringLiteral("Director")).SetAsString(QStringLiteral("Mann"));
}

// What another program finds of the movie: nothing of it, or all of it.
QString movieInFile(const QString& path)
{
    const QStringList movies = fileColumn(path, QStringLiteral("select count(*) from Movies"));
    const QStringList linked = fileColumn(path, QStringLiteral("select group_concat(Name) from (select Name from "
                                                               "Mv_Cast where P_Id <> 0 order by Name)"));
    const QStringList waiting = fileColumn(path, QStringLiteral("select count(*) from Mv_Cast where P_Id = 0"));
    const QStringList lists = fileColumn(path, QStringLiteral("select (select count(*) from Movies_C) || ',' || "
                                                              "(select count(*) from Movies_D)"));
    if (movies == QStringList{"0"} && linked == QStringList{"<null>"} && waiting == QStringList{"2"}
        && lists == QStringList{"0,0"})
        return QStringLiteral("nothing");
    if (movies == QStringList{"1"} && linked == QStringList{"Anna,Bob"} && waiting == QStringList{"0"}
        && lists == QStringList{"1,1"})
        return QStringLiteral("whole");
    return QStringLiteral("part: %1 movies, cast %2, %3 waiting, lists %4")
        .arg(movies.join(QLatin1Char(',')), linked.join(QLatin1Char(',')), waiting.join(QLatin1Char(',')),
             lists.join(QLatin1Char(',')));
}

// How many reads of the catalogue an operation makes on a fresh module.
int readsOf(const std::function<void(TDM&)>& prepare, const std::function<void(TDM&)>& operation,
            const QString& setupSql = QString())
{
    TempCatalogue cat;
    if (!setupSql.isEmpty())
        rawExec(cat.path(), setupSql);
    TDM dm(cat.folder());
    dm.DataModuleCreate();
    prepare(dm);
    FaultyVfs::arm({});
    operation(dm);
    FaultyVfs::disarm();
    return FaultyVfs::reads();
}

const QString kAlbum = QStringLiteral("insert into Music (Category, Title, Media_type) values ('Rock', 'A', 'CD');"
                                      "insert into Mu_Songs (P_Id, Track, Title) values (1, 1, 'one'), "
                                      "(1, 2, 'two'), (1, 3, 'three'), (1, 4, 'four');");

void openAlbumOnSecondSong(TDM& dm)
{
    starveCache(dm);
    dm.qrMusic.Open();
    dm.qrMu_Songs.Open();
    dm.qrMu_Songs.MoveTo(1);
}

} // namespace

class TestDiskFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { FaultyVfs::install(); }

    // SQLite undoes the whole transaction when a read fails inside it. Nothing of the post may
    // then be stored behind the user's back: the file holds the whole movie or nothing of it,
    // the user is told, and posting again stores it once.
    void moviePostMeetingAReadErrorIsWholeOrNothing()
    {
        const int reads = readsOf(typeMovie, [](TDM& dm) { Procedury::PostRecord(dm.qrMovies); });
        QVERIFY(reads > 0);
        for (int n = 1; n <= reads; ++n) {
            TempCatalogue cat;
            TDM dm(cat.folder());
            dm.DataModuleCreate();
            typeMovie(dm);
            FaultyVfs::arm({.failRead = n});
            const QString error = messageOf([&] { Procedury::PostRecord(dm.qrMovies); });
            FaultyVfs::disarm();
            const QString found = movieInFile(cat.path());
            if (error == QLatin1String("<no error>")) {
                QVERIFY2(found == QLatin1String("whole"), qPrintable(QStringLiteral("read %1: %2").arg(n).arg(found)));
                continue;
            }
            if (error.startsWith(QLatin1String("The change was saved"))) {
                // Stored, and said so; the list keeps its rows and is read again later.
                QVERIFY2(found == QLatin1String("whole"), qPrintable(QStringLiteral("read %1: %2").arg(n).arg(found)));
                QCOMPARE(dm.qrMovies.State(), TDataSetState::Browse);
                QCOMPARE(ModuleSteps::rows(dm.qrMovies, QStringLiteral("Title")), QStringList{"Heat"});
                if (dm.HasStaleLists())
                    dm.RereadStaleLists();
                QVERIFY(!dm.HasStaleLists());
                QCOMPARE(ModuleSteps::rows(dm.qrMv_Cast, QStringLiteral("Name")), (QStringList{"Anna", "Bob"}));
                continue;
            }
            QVERIFY2(found == QLatin1String("nothing"),
                     qPrintable(QStringLiteral("read %1 failed (%2) but the file holds %3").arg(n).arg(error, found)));
            QVERIFY2(sqlite3_get_autocommit(dm.dbKOLT.handle()), "a transaction was left open");
            // OK again, once the disk reads: the movie is stored once, whole.
            Procedury::PostRecord(dm.qrMovies);
            QCOMPARE(movieInFile(cat.path()), QStringLiteral("whole"));
        }
    }

    void songRenumberingMeetingAReadErrorIsWholeOrNothing()
    {
        const int reads = readsOf(
            openAlbumOnSecondSong, [](TDM& dm) { dm.qrMu_Songs.Delete(); }, kAlbum);
        QVERIFY(reads > 0);
        for (int n = 1; n <= reads; ++n) {
            TempCatalogue cat;
            rawExec(cat.path(), kAlbum);
            TDM dm(cat.folder());
            dm.DataModuleCreate();
            openAlbumOnSecondSong(dm);
            FaultyVfs::arm({.failRead = n});
            const QString error = messageOf([&] { dm.qrMu_Songs.Delete(); });
            FaultyVfs::disarm();
            const QStringList songs
                = fileColumn(cat.path(), QStringLiteral("select Track || Title from Mu_Songs order by Id"));
            // The delete and the renumbering are separate steps the user sees as one: the song
            // may be gone with the others renumbered, or gone with none renumbered, never some.
            const QStringList renumbered{"1one", "2three", "3four"};
            const QStringList deletedOnly{"1one", "3three", "4four"};
            const QStringList untouched{"1one", "2two", "3three", "4four"};
            QVERIFY2(songs == renumbered || songs == deletedOnly || songs == untouched,
                     qPrintable(QStringLiteral("read %1 (%2): %3").arg(n).arg(error, songs.join(QLatin1Char(' ')))));
            if (error != QLatin1String("<no error>"))
                QVERIFY2(songs != renumbered, "stored whole but reported as failed");
            QVERIFY2(sqlite3_get_autocommit(dm.dbKOLT.handle()), "a transaction was left open");
        }
    }

    void fullDiskIsSaidInWords()
    {
        TempCatalogue cat;
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        typeMovie(dm);
        FaultyVfs::arm({.diskFull = true});
        const QString error = messageOf([&] { Procedury::PostRecord(dm.qrMovies); });
        FaultyVfs::disarm();
        QVERIFY2(error.startsWith(QLatin1String("The disk that holds the catalogue is full, so nothing was saved; "
                                                "free some space on it and try again")),
                 qPrintable(error));
        QCOMPARE(movieInFile(cat.path()), QStringLiteral("nothing"));
        Procedury::PostRecord(dm.qrMovies); // space again: stored once, whole
        QCOMPARE(movieInFile(cat.path()), QStringLiteral("whole"));
    }

    void catalogueRemovedOrReplacedIsSaidInWords_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("removed") << false;
        QTest::newRow("replaced") << true;
    }

    void catalogueRemovedOrReplacedIsSaidInWords()
    {
        QFETCH(bool, replaced);
        TempCatalogue cat;
        TempCatalogue other;
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        typeMovie(dm);
        QVERIFY(QFile::remove(cat.path()));
        if (replaced)
            QVERIFY(QFile::copy(other.path(), cat.path()));
        const QString error = messageOf([&] { Procedury::PostRecord(dm.qrMovies); });
        QVERIFY2(error.startsWith(QLatin1String("The catalogue file has been removed or replaced since Tarvena opened "
                                                "it, so nothing was saved")),
                 qPrintable(error));
        if (replaced)
            QCOMPARE(fileColumn(cat.path(), QStringLiteral("select count(*) from Movies")), QStringList{"0"});
    }
};

QTEST_GUILESS_MAIN(TestDiskFaults)
#include "tst_diskfaults.moc"
