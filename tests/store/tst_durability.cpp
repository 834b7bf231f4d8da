#include "CatalogueFile.h"
#include "EDAOError.h"
#include "ErrorText.h"
#include "ModuleSteps.h"
#include "OtherProgram.h"
#include "Procedury.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>
#include <sqlite3.h>

namespace {

using OtherProgram::fileColumn;
using OtherProgram::rawExec;
using OtherProgram::Reader;

QString pragma(TDM& dm, const char* name)
{
    SqliteStatement s(dm.dbKOLT.handle(), QStringLiteral("PRAGMA %1").arg(QLatin1String(name)));
    return s.step() ? s.columnText(0) : QString();
}

bool transactionOpen(TDM& dm)
{
    return sqlite3_get_autocommit(dm.dbKOLT.handle()) == 0;
}

using ModuleSteps::addCast;
using ModuleSteps::openMovies;
using ModuleSteps::rows;

} // namespace

class TestDurability : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A change that cannot be committed is reported and leaves nothing pending: the next
    // change, once the other program lets go, is stored for good.
    void failedCommitLeavesNothingPending()
    {
        TempCatalogue cat;
        rawExec(cat.path(), QStringLiteral("insert into Movies (Category, Title, Media_type) values "
                                           "('Drama', 'A', 'CD'), ('Drama', 'B', 'CD');"
                                           "insert into Mv_Cast (P_Id, Name) values (1, 'Anna');"));
        {
            TDM dm(cat.folder());
            dm.DataModuleCreate();
            openMovies(dm);
            Reader reader(cat.path());
            const QString error = messageOf([&] { dm.qrMovies.Delete(); });
            QVERIFY2(error.contains(QLatin1String("in use by another program")), qPrintable(error));
            QVERIFY(!transactionOpen(dm));
            QCOMPARE(dm.qrMovies.RecordCount(), 2);
            reader.stop();

            dm.qrMovies.Locate(QStringLiteral("Title"), {QStringLiteral("B")}, 0);
            dm.qrMovies.Edit();
            dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("B2"));
            Procedury::PostRecord(dm.qrMovies);
            QVERIFY(!transactionOpen(dm));
        }
        // Closed and seen by another program: the delete did not happen, the edit did.
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Title from Movies order by Id")),
                 (QStringList{"A", "B2"}));
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Name from Mv_Cast")), QStringList{"Anna"});
    }

    // A new movie whose post cannot be committed stays on screen as it was typed, with the cast
    // entered for it; posting again later stores it whole.
    void movieThatCannotBeCommittedStaysPending()
    {
        TempCatalogue cat;
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        openMovies(dm);
        dm.qrMovies.Insert();
        addCast(dm, QStringLiteral("Anna"));
        addCast(dm, QStringLiteral("Bob"));
        dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Heat"));
        dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Crime"));
        {
            Reader reader(cat.path());
            const QString error = messageOf([&] { Procedury::PostRecord(dm.qrMovies); });
            QVERIFY2(error.contains(QLatin1String("in use by another program")), qPrintable(error));
        }
        QVERIFY(!transactionOpen(dm));
        QCOMPARE(dm.qrMovies.State(), TDataSetState::Insert);
        QCOMPARE(dm.qrMovies.FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Heat"));
        QCOMPARE(rows(dm.qrMv_Cast, QStringLiteral("Name")), (QStringList{"Anna", "Bob"}));
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select count(*) from Movies")), QStringList{"0"});
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select count(*) from Movies_C")), QStringList{"0"});
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select P_Id from Mv_Cast")), (QStringList{"0", "0"}));

        Procedury::PostRecord(dm.qrMovies);
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Title from Movies")), QStringList{"Heat"});
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Name from Mv_Cast where P_Id = "
                                                       "(select Id from Movies) order by Name")),
                 (QStringList{"Anna", "Bob"}));
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Name from Movies_C")), QStringList{"Crime"});
    }

    void songRenumberingIsStoredWholeOrNotAtAll()
    {
        TempCatalogue cat;
        rawExec(cat.path(), QStringLiteral("insert into Music (Category, Title, Media_type) values ('Rock', 'A', 'CD');"
                                           "insert into Mu_Songs (P_Id, Track, Title) values (1, 1, 'one'), "
                                           "(1, 2, 'two'), (1, 3, 'three'), (1, 4, 'four');"
                                           // the file refuses the number the third song would get
                                           "create trigger refuse before update of Track on Mu_Songs "
                                           "when new.Title = 'four' begin select raise(abort, 'refused'); end;"));
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        dm.qrMusic.Open();
        dm.qrMu_Songs.Open();
        dm.qrMu_Songs.MoveTo(1);
        QVERIFY(messageOf([&] { dm.qrMu_Songs.Delete(); }).contains(QLatin1String("refused")));
        QVERIFY(!transactionOpen(dm));
        QCOMPARE(dm.qrMu_Songs.State(), TDataSetState::Browse);
        // The song is gone; no track was renumbered, and none is left half-done to be posted later.
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Track || Title from Mu_Songs order by Id")),
                 (QStringList{"1one", "3three", "4four"}));
        dm.qrMu_Songs.First();
        QCOMPARE(rows(dm.qrMu_Songs, QStringLiteral("Track")), (QStringList{"1", "3", "4"}));
    }

    void durableSettingIsInForce()
    {
        TempCatalogue cat;
        // A catalogue that another program switched to write-ahead logging is switched back.
        rawExec(cat.path(), QStringLiteral("PRAGMA journal_mode = WAL"));
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        QCOMPARE(pragma(dm, "journal_mode"), QStringLiteral("delete"));
        QCOMPARE(pragma(dm, "synchronous"), QStringLiteral("3")); // EXTRA
        dm.DataModuleDestroy();
        QVERIFY(!QFileInfo::exists(cat.path() + QStringLiteral("-wal")));
    }

    // Indexes kept in another order than this build's text rule make searches miss rows: when
    // they cannot be rebuilt, the catalogue is not opened, and the file stays as it was.
    void failedIndexRebuildRefusesTheOpening()
    {
        TempCatalogue cat(20);
        rawExec(cat.path(), QStringLiteral("update kolt_meta set value = 'an older rule' where key = 'collation'"));
        const QByteArray before = cat.bytes();
        TDM dm(cat.folder());
        {
            Reader reader(cat.path());
            const QString error = messageOf([&] { dm.DataModuleCreate(); });
            QVERIFY2(error.contains(QLatin1String("indexes must be rebuilt")), qPrintable(error));
            QVERIFY(!dm.dbKOLT.Connected());
        }
        QCOMPARE(cat.bytes(), before);
        dm.DataModuleCreate();
        QVERIFY(dm.dbKOLT.Connected());
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select value = 'an older rule' from kolt_meta "
                                                       "where key = 'collation'")),
                 QStringList{"0"});
    }

    // Statements the catalogue carries may only do what the program runs them for.
    void storedStatementsDoOnlyWhatTheyAreFor_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("statement");
        QTest::newRow("copy the file elsewhere") << ""
                                                 << "VACUUM INTO '%1/copy.mdb'";
        QTest::newRow("attach another file") << ""
                                             << "ATTACH '%1/copy.mdb' AS other";
        QTest::newRow("another table") << ""
                                       << "UPDATE Movies SET Title = 'gone' WHERE ?1 > 0";
        QTest::newRow("delete instead of update") << ""
                                                  << "DELETE FROM Mv_Cast WHERE ?1 > 0";
        QTest::newRow("a pragma") << ""
                                  << "PRAGMA writable_schema = 1";
        QTest::newRow("a transaction of its own") << ""
                                                  << "COMMIT";
        QTest::newRow("two statements") << ""
                                        << "UPDATE Mv_Cast SET P_Id = ?1 WHERE P_Id = 0; DELETE FROM Movies";
        QTest::newRow("a trigger behind it")
            << "create trigger spread after update on Mv_Cast begin delete from Movies; end;"
            << "UPDATE Mv_Cast SET P_Id = ?1 WHERE P_Id = 0";
    }

    void storedStatementsDoOnlyWhatTheyAreFor()
    {
        QFETCH(QString, setup);
        QFETCH(QString, statement);
        TempCatalogue cat;
        const QString text = statement.contains(QLatin1String("%1")) ? statement.arg(cat.folder()) : statement;
        rawExec(cat.path(), setup
                                + QStringLiteral("insert into Movies (Category, Title, Media_type) values "
                                                 "('Drama', 'Kept', 'CD');"));
        {
            sqlite3* raw = nullptr;
            sqlite3_open(QFile::encodeName(cat.path()).constData(), &raw);
            {
                SqliteStatement put(raw,
                                    QStringLiteral("update kolt_querydefs set sql = ?1 where name = 'UpdMv_Cast'"));
                put.bindText(1, text);
                put.execute();
            }
            sqlite3_close(raw);
        }
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        SqliteStatement::exec(dm.dbKOLT.handle(),
                              QStringLiteral("insert into Mv_Cast (P_Id, Name) values (0, 'Waiting')"));
        dm.qdUpdMv_Cast.ParamByName(QStringLiteral("[mov_id]")).SetAsInteger(1);
        const QString error = messageOf([&] { dm.qdUpdMv_Cast.Execute(0); });
        QVERIFY2(error.contains(QLatin1String("'UpdMv_Cast' of this catalogue does more than it is allowed"))
                     || error.contains(QLatin1String("after end of SQL statement")),
                 qPrintable(error));
        QVERIFY(!error.contains(QLatin1String("within a transaction")));
        QVERIFY(!transactionOpen(dm));
        dm.DataModuleDestroy();
        QVERIFY(!QFileInfo::exists(cat.filePath(QStringLiteral("copy.mdb"))));
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Title from Movies")), QStringList{"Kept"});
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select P_Id from Mv_Cast")), QStringList{"0"});
    }

    void catalogueSchemaCannotBeWrittenBehindSqlsBack()
    {
        TempCatalogue cat;
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        messageOf([&] {
            SqliteStatement::exec(dm.dbKOLT.handle(),
                                  QStringLiteral("PRAGMA writable_schema = ON; UPDATE sqlite_master SET "
                                                 "sql = 'CREATE TABLE Movies (x)' WHERE name = 'Movies'"));
        });
        dm.DataModuleDestroy();
        QVERIFY(fileColumn(cat.path(), QStringLiteral("select sql from sqlite_master where name = 'Movies'"))
                    .value(0)
                    .contains(QLatin1String("Title")));
    }

    void theDeclaredStatementsStillRun()
    {
        TempCatalogue cat;
        rawExec(cat.path(), QStringLiteral("insert into Mv_Cast (P_Id, Name) values (0, 'a'), (5, 'b');"
                                           "insert into Mu_Songs (P_Id, Track, Title) values (0, 1, 'c');"));
        TDM dm(cat.folder());
        dm.DataModuleCreate(); // removes what waits for a parent, through DelMv_Cast and DelMu_Songs
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select Name from Mv_Cast")), QStringList{"b"});
        SqliteStatement::exec(dm.dbKOLT.handle(), QStringLiteral("insert into Mv_Cast (P_Id, Name) values (0, 'd')"));
        dm.qdUpdMv_Cast.ParamByName(QStringLiteral("[mov_id]")).SetAsInteger(9);
        dm.qdUpdMv_Cast.Execute(0);
        QCOMPARE(fileColumn(cat.path(), QStringLiteral("select P_Id from Mv_Cast order by Id")),
                 (QStringList{"5", "9"}));
    }
};

KOLT_TEST_MAIN_WITH_READER(QCoreApplication, TestDurability)
#include "tst_durability.moc"
