#include "EDatabaseError.h"
#include "ModuleSteps.h"
#include "Procedury.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TStrings.h"
#include "TempCatalogue.h"

#include "ErrorText.h"

#include <QTest>

namespace {

// A data module over a temporary catalogue, opened as at start-up.
struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};

    explicit Module(const QString& setupSql = QString())
    {
        if (!setupSql.isEmpty()) {
            dm.DataModuleCreate();
            exec(setupSql);
            dm.DataModuleDestroy();
        }
        dm.DataModuleCreate();
    }

    void exec(const QString& sql) { SqliteStatement::exec(dm.dbKOLT.handle(), sql); }
    QVariant scalar(const QString& sql)
    {
        SqliteStatement s(dm.dbKOLT.handle(), sql);
        return s.step() ? s.column(0) : QVariant();
    }
    QStringList column(const QString& sql)
    {
        SqliteStatement s(dm.dbKOLT.handle(), sql);
        QStringList out;
        while (s.step())
            out << (s.columnIsNull(0) ? QStringLiteral("<null>") : s.columnText(0));
        return out;
    }

    void openMovies() { ModuleSteps::openMovies(dm); }

    void postMovie(const QString& title, const QString& category, const QString& director = QString())
    {
        dm.qrMovies.Insert();
        dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(title);
        dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(category);
        if (!director.isNull())
            dm.qrMovies.FieldByName(QStringLiteral("Director")).SetAsString(director);
        Procedury::PostRecord(dm.qrMovies);
    }

    void addCast(const QString& name) { ModuleSteps::addCast(dm, name); }

    void openMusic()
    {
        dm.qrMusic.Open();
        dm.qrMu_Songs.Open();
        dm.tbC_Music.Open();
        dm.tbA_Music.Open();
    }

    void addSong(const QString& title)
    {
        dm.qrMu_Songs.Insert();
        dm.qrMu_Songs.FieldByName(QStringLiteral("Title")).SetAsString(title);
        Procedury::PostRecord(dm.qrMu_Songs);
    }
};

using ModuleSteps::rows;

} // namespace

class TestDataModule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createOpensOnlyTheConnection()
    {
        Module m;
        QVERIFY(m.dm.dbKOLT.Connected());
        QVERIFY(m.dm.dbKOLT.DataSets().empty());
        m.dm.DataModuleDestroy();
        QVERIFY(!m.dm.dbKOLT.Connected());
    }

    void failedOpenIsRetriedByEveryDataset()
    {
        QTemporaryDir empty;
        TDM dm(empty.path());
        const QString first = messageOf([&] { dm.DataModuleCreate(); });
        QVERIFY2(first.startsWith(QLatin1String("Could not find file")), qPrintable(first));
        QVERIFY(!dm.dbKOLT.Connected());
        QCOMPARE(messageOf([&] { dm.qrMovies.Open(); }), first);
        QCOMPARE(messageOf([&] { dm.tbC_Movies.Open(); }), first);
        CatalogueWriter::create(dm.dbKOLT.DatabaseName());
        dm.qrMovies.Open();
        QVERIFY(dm.qrMovies.Active());
    }

    void orphanDetailsGoWhenTheCatalogueOpens()
    {
        Module m(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('Drama', 'Kept', 'CD');"
                                "insert into Mv_Cast (P_Id, Name) values (0, 'Orphan'), (1, 'Kept actor');"
                                "insert into Mu_Songs (P_Id, Track, Title) values (0, 1, 'Lost song');"));
        QCOMPARE(m.column(QStringLiteral("select Name from Mv_Cast")), QStringList{"Kept actor"});
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Mu_Songs")).toInt(), 0);
        // So the next movie saved does not take the orphan over.
        m.openMovies();
        m.postMovie(QStringLiteral("New"), QStringLiteral("Drama"));
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Mv_Cast")).toInt(), 1);
    }

    void lookupUpkeep_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("director");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QStringList>("directors");
        QTest::addColumn<QString>("storedDirector"); // what the movie keeps
        // The lists start with "Drama" and "Émile Zola".
        QTest::newRow("new names are added") << "Western"
                                             << "Sergio Leone" << QStringList{"Drama", "Western"}
                                             << QStringList{"Émile Zola", "Sergio Leone"} << "Sergio Leone";
        QTest::newRow("other letter case is the same name, spelled as listed")
            << "DRAMA"
            << "ÉMILE ZOLA" << QStringList{"Drama"} << QStringList{"Émile Zola"} << "Émile Zola";
        QTest::newRow("an accent makes another name")
            << "Drama"
            << "Emile Zola" << QStringList{"Drama"} << QStringList{"Emile Zola", "Émile Zola"} << "Emile Zola";
        QTest::newRow("empty director adds nothing") << "Drama"
                                                     << "" << QStringList{"Drama"} << QStringList{"Émile Zola"} << "";
    }

    void lookupUpkeep()
    {
        QFETCH(QString, category);
        QFETCH(QString, director);
        QFETCH(QStringList, categories);
        QFETCH(QStringList, directors);
        QFETCH(QString, storedDirector);
        Module m(QStringLiteral(
            "insert into Movies_C (Name) values ('Drama'); insert into Movies_D (Name) values ('Émile Zola');"));
        m.openMovies();
        m.postMovie(QStringLiteral("Some film"), category, director);
        QCOMPARE(m.column(QStringLiteral("select Name from Movies_C order by Name")), categories);
        QCOMPARE(m.column(QStringLiteral("select Name from Movies_D order by Name")), directors);
        QCOMPARE(m.scalar(QStringLiteral("select Category from Movies")).toString(),
                 categories.size() == 1 ? QStringLiteral("Drama") : category);
        QCOMPARE(m.scalar(QStringLiteral("select coalesce(Director, '') from Movies")).toString(), storedDirector);
    }

    void longMusicCategoryIsAddedOnceCut()
    {
        Module m;
        m.openMusic();
        const QString category = QStringLiteral("Progressive electronic ambient music"); // 36 of 50
        for (int i = 0; i < 2; ++i) {
            m.dm.qrMusic.Insert();
            m.dm.qrMusic.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Album %1").arg(i));
            m.dm.qrMusic.FieldByName(QStringLiteral("Category")).SetAsString(category);
            Procedury::PostRecord(m.dm.qrMusic);
        }
        QCOMPARE(m.column(QStringLiteral("select Name from Music_C")), QStringList{category.left(30)});
        QCOMPARE(m.column(QStringLiteral("select distinct Category from Music")), QStringList{category});
    }

    void closedLookupTableRefusesThePost()
    {
        Module m;
        m.dm.qrMovies.Open();
        m.dm.tbC_Movies.Open(); // the directors' list is not open
        m.dm.qrMovies.Insert();
        m.dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("T"));
        m.dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Noir"));
        m.dm.qrMovies.FieldByName(QStringLiteral("Director")).SetAsString(QStringLiteral("Someone"));
        QCOMPARE(messageOf([&] { Procedury::PostRecord(m.dm.qrMovies); }),
                 QStringLiteral("tbD_Movies: Cannot perform this operation on a closed dataset"));
        QCOMPARE(m.dm.qrMovies.State(), TDataSetState::Insert);
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Movies")).toInt(), 0);
        // A post is stored whole or not at all: the category the rule added first goes too.
        QCOMPARE(m.column(QStringLiteral("select Name from Movies_C")), QStringList{});
        // The lookup list as the editors see it holds no row the file lacks.
        QStringList names;
        for (m.dm.tbC_Movies.First(); !m.dm.tbC_Movies.Eof(); m.dm.tbC_Movies.Next())
            names << m.dm.tbC_Movies.FieldByName(QStringLiteral("Name")).AsString();
        QCOMPARE(names, QStringList{});
    }

    void requiredFieldsAreCheckedBeforeAnyRule()
    {
        Module m;
        m.openMovies();
        m.dm.qrMovies.Insert();
        m.dm.qrMovies.FieldByName(QStringLiteral("Director")).SetAsString(QStringLiteral("Lonely"));
        QCOMPARE(messageOf([&] { Procedury::PostRecord(m.dm.qrMovies); }),
                 QStringLiteral("Field 'Category' must have a value"));
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Movies_D")).toInt(), 0);
    }

    void castOfANewMovieIsAdoptedOrDropped()
    {
        Module m;
        m.openMovies();
        // Posted: the cast entered meanwhile belongs to the new movie.
        m.dm.qrMovies.Insert();
        m.addCast(QStringLiteral("Anna"));
        m.addCast(QStringLiteral("Bob"));
        QCOMPARE(rows(m.dm.qrMv_Cast, QStringLiteral("Name")), (QStringList{"Anna", "Bob"}));
        m.dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Kept"));
        m.dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Drama"));
        Procedury::PostRecord(m.dm.qrMovies);
        const QString id = m.scalar(QStringLiteral("select Id from Movies where Title = 'Kept'")).toString();
        QCOMPARE(m.column(QStringLiteral("select P_Id from Mv_Cast")), (QStringList{id, id}));
        QCOMPARE(m.column(QStringLiteral("select Name from Movies_A order by Name")), (QStringList{"Anna", "Bob"}));
        QCOMPARE(rows(m.dm.qrMv_Cast, QStringLiteral("Name")), (QStringList{"Anna", "Bob"}));

        // Cancelled: the cast entered for it is gone, the saved movie's cast stays.
        m.dm.qrMovies.Insert();
        m.addCast(QStringLiteral("Carl"));
        m.dm.qrMovies.Cancel();
        QCOMPARE(m.column(QStringLiteral("select Name from Mv_Cast order by Name")), (QStringList{"Anna", "Bob"}));
    }

    void castChangedDuringAnEditSurvivesItsCancel()
    {
        Module m(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('Drama', 'Old', 'CD');"));
        m.openMovies();
        m.dm.qrMovies.Edit();
        m.addCast(QStringLiteral("Late addition"));
        m.dm.qrMovies.Cancel();
        QCOMPARE(m.column(QStringLiteral("select Name from Mv_Cast")), QStringList{"Late addition"});
    }

    void deletingAParentDeletesItsDetails()
    {
        Module m(QStringLiteral(
            "insert into Movies (Category, Title, Media_type) values ('Drama', 'A', 'CD'), ('Drama', 'B', 'CD');"
            "insert into Mv_Cast (P_Id, Name) values (1, 'a1'), (1, 'a2'), (2, 'b1');"
            "insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'X', 'Y', 'CD');"
            "insert into Mu_Songs (P_Id, Track, Title) values (1, 1, 's1'), (1, 2, 's2');"));
        m.openMovies();
        m.dm.qrMovies.Delete(); // "A", the first by title
        QCOMPARE(m.column(QStringLiteral("select Name from Mv_Cast")), QStringList{"b1"});
        m.openMusic();
        m.dm.qrMusic.Delete();
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Mu_Songs")).toInt(), 0);
    }

    void detailsStayWhenTheParentsDeleteFails()
    {
        Module m(QStringLiteral(
            "insert into Movies (Category, Title, Media_type) values ('Drama', 'A', 'CD');"
            "insert into Mv_Cast (P_Id, Name) values (1, 'a1');"
            "create trigger refuse before delete on Movies begin select raise(abort, 'the movie is protected'); end;"));
        m.openMovies();
        QCOMPARE(messageOf([&] { m.dm.qrMovies.Delete(); }), QStringLiteral("the movie is protected"));
        QCOMPARE(m.column(QStringLiteral("select Name from Mv_Cast")), QStringList{"a1"});
        QCOMPARE(m.dm.qrMovies.RecordCount(), 1);
    }

    void trackProposal_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("proposed");
        QTest::newRow("first song") << "" << 1;
        QTest::newRow("after three") << "1,2,3" << 4;
        QTest::newRow("gaps: highest plus one") << "1,7" << 8;
        QTest::newRow("only zero") << "0" << 1;
        QTest::newRow("negative") << "-4,-1" << 1;
        // The song editor's box holds 1 to 999: the proposal never goes past what it can show.
        QTest::newRow("after 998") << "998" << 999;
        QTest::newRow("after 999") << "999" << 999;
        QTest::newRow("past the box") << "1500" << 999;
        QTest::newRow("the highest number there is") << "2147483647" << 999;
        QTest::newRow("beyond what a field holds") << "5,99999999999" << 999;
    }

    void trackProposal()
    {
        QFETCH(QString, stored);
        QFETCH(int, proposed);
        QString sql = QStringLiteral("insert into Music (Category, Title, Media_type) values ('Jazz', 'X', 'CD');");
        for (const QString& t : stored.split(QLatin1Char(','), Qt::SkipEmptyParts))
            sql += QStringLiteral("insert into Mu_Songs (P_Id, Track, Title) values (1, %1, 's');").arg(t);
        Module m(sql);
        m.openMusic();
        m.dm.qrMu_Songs.Insert();
        QCOMPARE(m.dm.qrMu_Songs.FieldByName(QStringLiteral("Track")).AsInteger(), proposed);
        QCOMPARE(m.dm.qrMu_Songs.FieldByName(QStringLiteral("P_Id")).AsInteger(), 1);
    }

    void songsOfANewAlbumAreNumberedInTurn()
    {
        Module m;
        m.openMusic();
        m.dm.qrMusic.Insert();
        for (const char* s : {"one", "two", "three"})
            m.addSong(QString::fromLatin1(s));
        QCOMPARE(m.column(QStringLiteral("select Track || ':' || P_Id from Mu_Songs order by Id")),
                 (QStringList{"1:0", "2:0", "3:0"}));
        m.dm.qrMusic.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Album"));
        m.dm.qrMusic.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Jazz"));
        Procedury::PostRecord(m.dm.qrMusic);
        QCOMPARE(rows(m.dm.qrMu_Songs, QStringLiteral("Title")), (QStringList{"one", "two", "three"}));
    }

    void deletingASongRenumbersTheRest()
    {
        Module m(QStringLiteral("insert into Music (Category, Title, Media_type) values ('Jazz', 'X', 'CD');"
                                "insert into Mu_Songs (P_Id, Track, Title) values (1, 1, 'a'), (1, 2, 'b'), (1, 3, "
                                "'c'), (1, 4, 'd'), (1, 5, 'e');"));
        m.openMusic();
        m.dm.qrMu_Songs.MoveTo(1);
        m.dm.qrMu_Songs.Delete();
        QCOMPARE(m.column(QStringLiteral("select Title || Track from Mu_Songs order by Track")),
                 (QStringList{"a1", "c2", "d3", "e4"}));
        QVERIFY(!m.dm.qrMu_Songs.ControlsDisabled());
        QVERIFY(m.dm.qrMu_Songs.Eof());
    }

    void mediaDefaultAloneIsNotAChange()
    {
        Module m(QStringLiteral("insert into Programs (Category, Name, Media_type) values ('Office', 'P', 'DVD');"));
        for (TDAOQuery* q : {&m.dm.qrMovies, &m.dm.qrMusic, &m.dm.qrProg}) {
            q->Open();
            q->Insert();
            QCOMPARE(q->FieldByName(QStringLiteral("Media_type")).AsString(), QStringLiteral("CD"));
            QVERIFY(!q->Modified());
            q->First(); // moving away drops the untouched new record
            QCOMPARE(q->State(), TDataSetState::Browse);
        }
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Programs")).toInt(), 1);
        m.dm.qrBooks.Open();
        m.dm.qrBooks.Insert();
        QVERIFY(m.dm.qrBooks.FieldByName(QStringLiteral("Category")).IsNull()); // no default for books
    }

    void displayName_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("shown");
        QTest::newRow("with a first name") << "John"
                                           << "Smith John";
        QTest::newRow("without one") << ""
                                     << "Smith ";
    }

    void displayName()
    {
        QFETCH(QString, first);
        QFETCH(QString, shown);
        Module m(QStringLiteral("insert into AddressBook (Category, F_Name, L_Name) values ('Work', %1, 'Smith');")
                     .arg(first.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(first)));
        for (TDAOQuery* q : {&m.dm.qrAddBook, &m.dm.qrRep_AddBook}) {
            q->Open();
            QCOMPARE(q->FieldByName(QStringLiteral("LF_Name")).AsString(), shown);
        }
        // It follows every change while editing.
        m.dm.tbC_AddBook.Open();
        m.dm.qrAddBook.Edit();
        m.dm.qrAddBook.FieldByName(QStringLiteral("L_Name")).SetAsString(QStringLiteral("Brown"));
        QVERIFY(m.dm.qrAddBook.FieldByName(QStringLiteral("LF_Name")).AsString().startsWith(QLatin1String("Brown ")));
        // And it sits right after L_Name.
        QCOMPARE(m.dm.qrAddBook.FieldByName(QStringLiteral("LF_Name")).Index(),
                 m.dm.qrAddBook.FieldByName(QStringLiteral("L_Name")).Index() + 1);
    }

    void newMovieUnderAFilterShowsTheWholeCollection()
    {
        Module m(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('Drama', 'Bravo', 'CD'), "
                                "('Comedy', 'Alpha', 'CD');"
                                "insert into Mv_Cast (P_Id, Name) values (2, 'Alpha actor');"));
        m.openMovies();
        m.dm.qrMovies.setFilter(QStringLiteral("Category = 'Drama'"));
        m.dm.qrMovies.setFiltered(true);
        QCOMPARE(rows(m.dm.qrMovies, QStringLiteral("Title")), QStringList{"Bravo"});
        m.postMovie(QStringLiteral("Charlie"), QStringLiteral("Drama"));
        QCOMPARE(rows(m.dm.qrMovies, QStringLiteral("Title")), (QStringList{"Alpha", "Bravo", "Charlie"}));
        QCOMPARE(m.dm.qrMovies.RecNo(), 0);
        QVERIFY(!m.dm.qrMovies.Filtered());
        QCOMPARE(rows(m.dm.qrMv_Cast, QStringLiteral("Name")), QStringList{"Alpha actor"});
    }

    void newBookStaysAtTheEndOfTheFilteredGrid()
    {
        Module m(QStringLiteral("insert into Books (Category, Title) values ('Poetry', 'Ode'), ('Novel', 'Tale');"));
        m.dm.qrBooks.Open();
        m.dm.tbC_Books.Open();
        m.dm.tbA_Books.Open();
        m.dm.qrBooks.setFilter(QStringLiteral("Category = 'Poetry'"));
        m.dm.qrBooks.setFiltered(true);
        m.dm.qrBooks.Insert();
        m.dm.qrBooks.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
        m.dm.qrBooks.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Another"));
        Procedury::PostRecord(m.dm.qrBooks);
        QCOMPARE(rows(m.dm.qrBooks, QStringLiteral("Title")), (QStringList{"Ode", "Another"}));
        QCOMPARE(m.dm.qrBooks.RecNo(), 1);
        QVERIFY(m.dm.qrBooks.Filtered());
    }

    void failingAfterPostRuleUndoesThePost()
    {
        Module m(QStringLiteral("delete from kolt_querydefs where name = 'UpdMv_Cast';"
                                "insert into Movies (Category, Title, Media_type) values ('Drama', 'Zulu', 'CD');"));
        m.openMovies();
        m.dm.qrMovies.Insert();
        m.addCast(QStringLiteral("Waiting Actor"));
        m.dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Alpha"));
        m.dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("New category"));
        const QString error = messageOf([&] { Procedury::PostRecord(m.dm.qrMovies); });
        QVERIFY2(error.contains(QLatin1String("UpdMv_Cast")), qPrintable(error));
        // Nothing of the post is stored: neither the movie nor its new category.
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Movies")).toInt(), 1);
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Movies_C")).toInt(), 0);
        // The new movie is still being entered, with what was typed and with its waiting cast.
        QCOMPARE(m.dm.qrMovies.State(), TDataSetState::Insert);
        QCOMPARE(m.dm.qrMovies.FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Alpha"));
        QCOMPARE(rows(m.dm.qrMovies, QStringLiteral("Title")), (QStringList{"Zulu", "Alpha"}));
        QCOMPARE(rows(m.dm.qrMv_Cast, QStringLiteral("Name")), QStringList{"Waiting Actor"});
        QCOMPARE(m.column(QStringLiteral("select P_Id from Mv_Cast")), QStringList{"0"});
        // Cancel discards it as any new movie.
        m.dm.qrMovies.Cancel();
        QCOMPARE(m.scalar(QStringLiteral("select count(*) from Mv_Cast")).toInt(), 0);
    }

    void fillComboFromTable()
    {
        Module m(QStringLiteral("insert into Programs_C (Name) values ('zeta'), ('Alpha'); "
                                "insert into Books_C (Name) values ('zeta'), ('Alpha'), ('émile');"));
        TStringList list;
        list.items << QStringLiteral("stale");
        Procedury::FillComboFromTable(m.dm.tbC_Programs, list);
        QCOMPARE(list.items, (QStringList{"zeta", "Alpha"})); // stored order
        Procedury::FillComboFromTable(m.dm.tbC_Books, list);
        QCOMPARE(list.items, (QStringList{"Alpha", "émile", "zeta"}));
        Procedury::FillComboFromTable(m.dm.tbC_Movies, list);
        QCOMPARE(list.items, QStringList{});
    }

    void reopenDropsTheFilterAndKeepsTheOrder()
    {
        Module m(QStringLiteral(
            "insert into Books (Category, Title) values ('Poetry', 'B'), ('Novel', 'C'), ('Poetry', 'A');"));
        m.dm.qrBooks.setSQL({QStringLiteral("select * from Books order by Title DESC")});
        m.dm.qrBooks.setFilter(QStringLiteral("Category = 'Poetry'"));
        m.dm.qrBooks.setFiltered(true);
        m.dm.qrBooks.Open();
        m.dm.qrBooks.Next();
        Procedury::ReopenDataSet(m.dm.qrBooks);
        QCOMPARE(rows(m.dm.qrBooks, QStringLiteral("Title")), (QStringList{"C", "B", "A"}));
        QCOMPARE(m.dm.qrBooks.RecNo(), 0);
        QCOMPARE(m.dm.qrBooks.Filter(), QStringLiteral("Category = 'Poetry'")); // kept, just off
    }

    void postRecordWritesAnUnchangedRecordAndRunsTheRules()
    {
        Module m(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('Drama', 'A', 'CD');"));
        m.openMovies();
        Procedury::PostRecord(m.dm.qrMovies);
        QCOMPARE(m.column(QStringLiteral("select Name from Movies_C")), QStringList{"Drama"});
        QCOMPARE(m.dm.qrMovies.State(), TDataSetState::Browse);
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_datamodule.moc"
