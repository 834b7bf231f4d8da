#include "EDAOError.h"
#include "EDatabaseError.h"
#include "EventRecorder.h"
#include "HeldNotifications.h"
#include "SqlText.h"
#include "StoreFixture.h"
#include "TDAOQueryDef.h"

#include "ErrorText.h"

#include <QTest>

namespace {

QStringList values(TDAODataset& ds, const QString& field)
{
    QStringList out;
    for (int r = 0; r < ds.RowCount(); ++r)
        out << ds.rowValue(r, ds.FieldByName(field)).toString();
    return out;
}

// Three movies (Ids 1..3) with casts, and one cast row still waiting for its movie (P_Id 0).
void castFixture(StoreFixture& f)
{
    f.exec(QStringLiteral(
        "insert into Movies (Category, Title, Media_type) values ('Drama', 'Alpha', 'CD'), ('Drama', 'Beta', 'DVD'), "
        "('Comedy', 'Gamma', 'VHS');"
        "insert into Mv_Cast (P_Id, Name) values (1, 'Zoë'), (1, 'anna'), (2, 'Bob'), (0, 'Orphan');"));
}

struct MasterDetail
{
    std::unique_ptr<TDAOQuery> movies;
    std::unique_ptr<TDataSource> dsMovies;
    std::unique_ptr<TDAOQuery> cast;
};

MasterDetail masterDetail(StoreFixture& f)
{
    MasterDetail m;
    m.movies = f.query(QStringLiteral("qrMovies"),
                       {QStringLiteral("select * from Movies"), QStringLiteral("order by Title")});
    m.dsMovies = std::make_unique<TDataSource>(QStringLiteral("dsMovies"), m.movies.get());
    m.cast
        = f.query(QStringLiteral("qrMv_Cast"), {QStringLiteral("select * from Mv_Cast"),
                                                QStringLiteral("where P_Id = :Id"), QStringLiteral("order by Name")});
    m.cast->ParamByName(QStringLiteral("Id")).setDataType(TFieldType::Integer);
    m.cast->setDataSource(m.dsMovies.get());
    return m;
}

} // namespace

class TestQuery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parameterRecognition_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("rewritten");
        QTest::newRow("detail") << "select * from Mu_Songs  where P_Id = :Id order by Track" << QStringList{"Id"}
                                << "select * from Mu_Songs  where P_Id = ?1 order by Track";
        QTest::newRow("semicolon ends the name")
            << "select max(Track) from Mu_Songs where P_Id = :rec;" << QStringList{"rec"}
            << "select max(Track) from Mu_Songs where P_Id = ?1;";
        QTest::newRow("inside quotes is text")
            << "select ':no', \":nor\", #1/1/2000 10:00# from T where a = :yes" << QStringList{"yes"}
            << "select ':no', \":nor\", #1/1/2000 10:00# from T where a = ?1";
        QTest::newRow("same name twice, any case") << "where a = :Id or b = :ID and c = (:x)" << QStringList{"Id", "x"}
                                                   << "where a = ?1 or b = ?1 and c = (?2)";
        QTest::newRow("comma ends the name") << "values (:a,:b)" << QStringList{"a", "b"} << "values (?1,?2)";
        QTest::newRow("lone colon") << "select ':' || x from T where y = : " << QStringList{}
                                    << "select ':' || x from T where y = : ";
    }

    void parameterRecognition()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        QFETCH(QString, rewritten);
        const SqlText::Parameters p = SqlText::parameters(sql);
        QCOMPARE(p.names, names);
        QCOMPARE(p.sql, rewritten);
    }

    void linesAreJoinedWithBlanks()
    {
        StoreFixture f;
        f.exec(
            QStringLiteral("insert into Mu_Songs (P_Id, Track, Title) values (5, 2, 'b'), (5, 1, 'a'), (6, 1, 'c')"));
        auto q = f.query(QStringLiteral("qrMu_Songs"),
                         {QStringLiteral("select * from Mu_Songs "), QStringLiteral("where P_Id = :Id"),
                          QStringLiteral("order by Track")});
        q->ParamByName(QStringLiteral("Id")).SetAsInteger(5);
        q->Open();
        QCOMPARE(values(*q, QStringLiteral("Title")), (QStringList{"a", "b"}));
        QCOMPARE(messageOf([&] { q->ParamByName(QStringLiteral("Nope")); }),
                 QStringLiteral("qrMu_Songs: Parameter 'Nope' not found"));
    }

    void aggregateColumnIsNamedExpr1000()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into Mu_Songs (P_Id, Track, Title) values (5, 2, 'b'), (5, 7, 'a')"));
        auto q = f.query(QStringLiteral("qrMaxTr"),
                         {QStringLiteral("select max(Track) from Mu_Songs"), QStringLiteral("where P_Id = :rec;")});
        q->AddField(QStringLiteral("Expr1000"), TFieldType::Integer);
        q->ParamByName(QStringLiteral("rec")).SetAsInteger(5);
        q->Open();
        QCOMPARE(q->FieldByName(QStringLiteral("Expr1000")).AsInteger(), 7);
        q->Close();
        q->ParamByName(QStringLiteral("rec")).SetAsInteger(99);
        q->Open();
        QVERIFY(q->FieldByName(QStringLiteral("Expr1000")).IsNull());
        QCOMPARE(q->FieldByName(QStringLiteral("Expr1000")).AsInteger(), 0);
        QVERIFY(!q->CanModify());
    }

    void detailFollowsEveryMasterChange()
    {
        StoreFixture f;
        castFixture(f);
        MasterDetail m = masterDetail(f);
        m.movies->Open();
        m.cast->Open();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), (QStringList{"anna", "Zoë"})); // Alpha, names ignore case
        m.movies->Next();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), QStringList{"Bob"});
        m.movies->Next();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), QStringList());
        m.movies->First();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")).size(), 2);

        // A new master row has no key: its detail selects no stored rows, but rows entered
        // through the detail stay visible.
        m.movies->Insert();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), QStringList());
        m.cast->Insert();
        m.cast->FieldByName(QStringLiteral("P_Id")).SetAsInteger(0);
        m.cast->FieldByName(QStringLiteral("Name")).SetAsString(QStringLiteral("New actor"));
        m.cast->Post();
        m.movies->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Delta")); // a field edit: no re-run
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), QStringList{"New actor"});
        m.movies->Cancel();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), (QStringList{"anna", "Zoë"}));
    }

    void detailRerunsWithNotificationsHeldBack()
    {
        StoreFixture f;
        castFixture(f);
        MasterDetail m = masterDetail(f);
        m.movies->Open();
        m.cast->Open();
        EventRecorder rec(*m.cast);
        rec.log.clear();
        m.movies->Next();
        // The detail was told to leave edit state first; then it closed and opened, and bound
        // views heard one "dataset changed".
        QCOMPARE(rec.log, (QStringList{"view:checkBrowse", "BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen",
                                       "view:dataset"}));
    }

    void detailLeavesEditStateBeforeTheMasterMoves()
    {
        StoreFixture f;
        castFixture(f);
        MasterDetail m = masterDetail(f);
        m.movies->Open();
        m.cast->Open();
        m.cast->Insert();
        m.cast->FieldByName(QStringLiteral("P_Id")).SetAsInteger(1);
        m.cast->FieldByName(QStringLiteral("Name")).SetAsString(QStringLiteral("Posted by the move"));
        m.movies->Next();
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Mv_Cast where Name = 'Posted by the move'")).toInt(), 1);
        QCOMPARE(m.cast->State(), TDataSetState::Browse);
    }

    void failingDetailIsReportedAndEveryViewStillHears()
    {
        StoreFixture f;
        castFixture(f);
        MasterDetail m = masterDetail(f);
        m.movies->Open();
        m.cast->Open();
        EventRecorder view(*m.movies); // bound after the detail, so told after it
        view.log.clear();
        f.exec(QStringLiteral("drop table Mv_Cast"));
        bool raised = false;
        try {
            const HeldNotifications held(*m.movies);
            m.movies->Close();
            m.movies->Open();
        } catch (const EDatabaseError& e) {
            raised = e.message().contains(QLatin1String("Mv_Cast"));
        }
        QVERIFY(raised);
        QVERIFY(m.movies->Active());
        QVERIFY(!m.movies->ControlsDisabled());
        QVERIFY(view.log.contains(QStringLiteral("view:dataset")));
        QVERIFY(!m.cast->Active()); // it stays closed until it is opened again
    }

    void programSetParameterBeatsTheMaster()
    {
        StoreFixture f;
        castFixture(f);
        MasterDetail m = masterDetail(f);
        m.cast->ParamByName(QStringLiteral("Id")).SetAsInteger(2);
        m.movies->Open();
        m.cast->Open();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), QStringList{"Bob"});
        m.movies->Next();
        QCOMPARE(values(*m.cast, QStringLiteral("Name")), QStringList{"Bob"});
    }

    void masterWithoutTheFieldFails()
    {
        StoreFixture f;
        auto master = f.query(QStringLiteral("qrMaster"), {QStringLiteral("select Title from Movies")});
        master->AddField(QStringLiteral("Title"), TFieldType::String, 70);
        TDataSource source(QStringLiteral("dsMaster"), master.get());
        auto detail = f.query(QStringLiteral("qrDetail"), {QStringLiteral("select * from Mv_Cast where P_Id = :Id")});
        detail->setDataSource(&source);
        master->Open();
        QCOMPARE(messageOf([&] { detail->Open(); }), QStringLiteral("qrMaster: Field 'Id' not found"));
        QVERIFY(!detail->Active());
    }

    void filterRerunsAndKeepsTheQueryOrder()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into Books (Category, Title) values ('Novel', 'Delta'), ('Poetry', 'Alpha'), "
                              "('NOVEL', 'Charlie'), ('Rock ''n'' Roll', 'Bravo'), ('Novel', 'Echo')"));
        auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books order by Title DESC")});
        // Stored while closed, used at the next opening.
        q->setFilter(QStringLiteral("Category = 'novel'"));
        q->setFiltered(true);
        q->Open();
        QCOMPARE(values(*q, QStringLiteral("Title")), (QStringList{"Echo", "Delta", "Charlie"}));
        q->MoveTo(2);
        q->setFiltered(false);
        QCOMPARE(values(*q, QStringLiteral("Title")).size(), 5);
        QCOMPARE(q->RecNo(), 0);
        q->MoveTo(3);
        q->setFilter(QStringLiteral("Category = 'Rock ''n'' Roll'")); // Filtered is off: stored only
        QCOMPARE(q->RecNo(), 3);
        q->setFiltered(true);
        QCOMPARE(values(*q, QStringLiteral("Title")), QStringList{"Bravo"});
        QCOMPARE(q->RecNo(), 0);
        q->setFilter(QStringLiteral("Title like 'd*' or Title = 'Alpha'"));
        QCOMPARE(values(*q, QStringLiteral("Title")), (QStringList{"Delta", "Alpha"}));
    }

    void filterErrors_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("message");
        QTest::newRow("unclosed quote") << "Category = 'Rock 'n' Roll'"
                                        << "Syntax error in filter expression";
        QTest::newRow("unknown field") << "Nope = 1"
                                       << "no such column: Nope";
        QTest::newRow("calculated field") << "LF_Name = 'x'"
                                          << "no such column: LF_Name";
        QTest::newRow("injection stays text") << "Title = 'x'; DROP TABLE Books; --'"
                                              << "Syntax error in filter expression";
    }

    void filterErrors()
    {
        QFETCH(QString, filter);
        QFETCH(QString, message);
        StoreFixture f;
        auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books")});
        q->setFilter(filter);
        q->setFiltered(true);
        const QString error = messageOf([&] { q->Open(); });
        QVERIFY2(error.startsWith(message), qPrintable(error));
        QVERIFY(!q->Active());
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from sqlite_master where name = 'Books'")).toInt(), 1);
    }

    void locate_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QVariantList>("keys");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("found"); // the Title found, or "" for none
        QTest::newRow("exact, case ignored") << "Title" << QVariantList{"ÉMILE"} << 0 << "émile";
        QTest::newRow("exact needs whole text") << "Title" << QVariantList{"Émi"} << 0 << "";
        QTest::newRow("partial, first in order") << "Title" << QVariantList{"the"} << int(loPartialKey) << "The Birds";
        QTest::newRow("partial star") << "Title" << QVariantList{"t*god"} << int(loPartialKey) << "The Godfather";
        QTest::newRow("partial question mark") << "Title" << QVariantList{"R?cky"} << int(loPartialKey) << "Rocky";
        QTest::newRow("double quote literal") << "Title" << QVariantList{"Say \"hi\""} << 0 << "Say \"hi\"";
        QTest::newRow("percent is literal") << "Title" << QVariantList{"100%"} << int(loPartialKey) << "100% Pure";
        QTest::newRow("integer field equals") << "Year" << QVariantList{1963} << int(loPartialKey) << "The Birds";
        QTest::newRow("integer field as text")
            << "Year" << QVariantList{"1972"} << int(loPartialKey) << "The Godfather";
        QTest::newRow("null") << "Author" << QVariantList{QVariant()} << 0 << "100% Pure";
        QTest::newRow("two fields") << "Category;Year" << QVariantList{"drama", 1976} << 0 << "Rocky";
        QTest::newRow("no match") << "Title" << QVariantList{"Zzz"} << int(loPartialKey) << "";
        QTest::newRow("empty partial matches the first")
            << "Title" << QVariantList{""} << int(loPartialKey) << "100% Pure";
    }

    void locate()
    {
        QFETCH(QString, fields);
        QFETCH(QVariantList, keys);
        QFETCH(int, options);
        QFETCH(QString, found);
        StoreFixture f;
        f.exec(QStringLiteral(
            "insert into Books (Category, Title, Year, Author) values ('Drama', 'The Godfather', 1972, 'P'), "
            "('Thriller', 'The Birds', 1963, 'H'), ('Drama', 'Rocky', 1976, 'S'), ('Drama', 'émile', 2000, 'Z'), "
            "('Drama', 'Say \"hi\"', 2001, 'Q'), ('Drama', '100% Pure', 2002, NULL)"));
        auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books order by Title")});
        q->Open();
        q->MoveTo(2);
        const QString before = q->FieldByName(QStringLiteral("Title")).AsString();
        const bool hit = q->Locate(fields, keys, options);
        QCOMPARE(hit, !found.isEmpty());
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), found.isEmpty() ? before : found);
    }

    void locateFindsRowsAddedSinceOpenAndRefusesCalculatedFields()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into AddressBook (Category, L_Name) values ('Work', 'Smith')"));
        auto q = f.query(QStringLiteral("qrAddBook"), {QStringLiteral("select * from AddressBook order by L_Name")});
        q->AddField(QStringLiteral("Category"), TFieldType::String, 20);
        q->AddField(QStringLiteral("L_Name"), TFieldType::String, 40);
        q->AddCalcField(QStringLiteral("LF_Name"), TFieldType::String, 71);
        q->Open();
        q->Insert();
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Work"));
        q->FieldByName(QStringLiteral("L_Name")).SetAsString(QStringLiteral("Adams"));
        q->Post();
        q->First();
        QVERIFY(q->Locate(QStringLiteral("L_Name"), {QStringLiteral("ad")}, loPartialKey));
        QCOMPARE(q->RecNo(), 1); // the new row is at the end of the result
        QCOMPARE(messageOf([&] { q->Locate(QStringLiteral("LF_Name"), {QStringLiteral("A")}, loPartialKey); }),
                 QStringLiteral("no such column: LF_Name"));
        QCOMPARE(q->RecNo(), 1);
    }

    void storedStatements()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into Mv_Cast (P_Id, Name) values (0, 'a'), (0, 'b'), (3, 'c')"));
        TDAOQueryDef upd(QStringLiteral("qdUpdMv_Cast"));
        upd.setDatabase(&f.db);
        upd.setQueryDefName(QStringLiteral("UpdMv_Cast"));
        upd.Params().CreateParam(QStringLiteral("[mov_id]"), TFieldType::Integer);
        upd.setPermittedEffect(TDAOQueryDef::Effect::Update, QStringLiteral("Mv_Cast"));
        upd.ParamByName(QStringLiteral("[mov_id]")).SetAsInteger(7);
        upd.Execute(0);
        QCOMPARE(upd.RecordsAffected(), 2);
        QCOMPARE(f.column(QStringLiteral("select P_Id from Mv_Cast order by Id")), (QStringList{"7", "7", "3"}));

        TDAOQueryDef del(QStringLiteral("qdDelMv_Cast"));
        del.setDatabase(&f.db);
        del.setQueryDefName(QStringLiteral("DelMv_Cast"));
        del.Params().CreateParam(QStringLiteral("[mov_id]"), TFieldType::Integer);
        del.setPermittedEffect(TDAOQueryDef::Effect::Delete, QStringLiteral("Mv_Cast"));
        del.ParamByName(QStringLiteral("[mov_id]")).SetAsInteger(0); // touches nothing saved
        del.Execute(0);
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Mv_Cast")).toInt(), 3);
        QCOMPARE(messageOf([&] { del.ParamByName(QStringLiteral("[mu_id]")); }),
                 QStringLiteral("qdDelMv_Cast: Parameter '[mu_id]' not found"));

        TDAOQueryDef missing(QStringLiteral("qdGone"));
        missing.setDatabase(&f.db);
        missing.setQueryDefName(QStringLiteral("NoSuchStatement"));
        QVERIFY_THROWS_EXCEPTION(EDAOError, missing.Execute(0));
    }

    void tableReadsInIndexOrStoredOrder()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into Movies_C (Name) values ('western'), ('Drama'), ('Émile'), ('comedy')"));
        auto byName = f.table(QStringLiteral("tbC_Movies"), QStringLiteral("Movies_C"), QStringLiteral("Name"));
        byName->Open();
        QCOMPARE(values(*byName, QStringLiteral("Name")), (QStringList{"comedy", "Drama", "Émile", "western"}));
        auto stored = f.table(QStringLiteral("tbC_Programs"), QStringLiteral("Movies_C"));
        stored->Open();
        QCOMPARE(values(*stored, QStringLiteral("Name")), (QStringList{"western", "Drama", "Émile", "comedy"}));
        // The filter is for queries only.
        stored->setFilter(QStringLiteral("Name = 'x'"));
        QCOMPARE(messageOf([&] { stored->setFiltered(true); }),
                 QStringLiteral("tbC_Programs: Filter only valid if OpenType <> db_OpenTable"));
    }

    void tableLocateSeeksThroughAnIndex()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into Movies_C (Name) values ('western'), ('Drama'), ('Émile')"));
        // Stored order, no index named: the locate still finds an index starting with Name.
        auto t = f.table(QStringLiteral("tbC_Programs"), QStringLiteral("Movies_C"));
        t->Open();
        QVERIFY(t->Locate(QStringLiteral("Name"), {QStringLiteral("DRAMA")}, 0));
        QCOMPARE(t->FieldByName(QStringLiteral("Name")).AsString(), QStringLiteral("Drama"));
        QVERIFY(t->Locate(QStringLiteral("Name"), {QStringLiteral("ÉMILE")}, 0));
        QCOMPARE(t->RecNo(), 2);
        QVERIFY(!t->Locate(QStringLiteral("Name"), {QStringLiteral("Emile")}, 0));
        QCOMPARE(t->RecNo(), 2);
        // Partial: the first entry at or after the key.
        QVERIFY(t->Locate(QStringLiteral("Name"), {QStringLiteral("E")}, loPartialKey));
        QCOMPARE(t->FieldByName(QStringLiteral("Name")).AsString(), QStringLiteral("Émile"));

        f.exec(QStringLiteral("drop index \"Movies_C$Name\""));
        auto bare = f.table(QStringLiteral("tbX"), QStringLiteral("Movies_C"));
        bare->Open();
        QCOMPARE(messageOf([&] { bare->Locate(QStringLiteral("Name"), {QStringLiteral("Drama")}, 0); }),
                 QStringLiteral("TDAOTable: Cannot perform locate record without an Index for field(s) [Name]"));
    }

    void tableIndexDefs()
    {
        StoreFixture f;
        auto t = f.table(QStringLiteral("tbC_Music"), QStringLiteral("Music_C"), QStringLiteral("Name"));
        const auto& defs = t->IndexDefs();
        QCOMPARE(defs.size(), size_t(2));
        QCOMPARE(defs[0].Name, QStringLiteral("PrimaryKey"));
        QVERIFY(defs[0].Primary);
        QCOMPARE(defs[1].Name, QStringLiteral("Name"));
        QCOMPARE(defs[1].Fields, QStringList{"Name"});
        t->setIndexName(QStringLiteral("Nope"));
        QCOMPARE(messageOf([&] { t->Open(); }), QStringLiteral("'Nope' is not an index in this table"));
    }
};

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
