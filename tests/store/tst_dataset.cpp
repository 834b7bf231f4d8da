#include "EDAOError.h"
#include "EDatabaseError.h"
#include "EEngineError.h"
#include "ErrorText.h"
#include "EventRecorder.h"
#include "SpoiltCatalogue.h"
#include "StoreFixture.h"

#include <QTest>

namespace {

// Books with these titles in Id order (Id 1..n).
void addBooks(StoreFixture& f, const QStringList& titles, const QString& category = QStringLiteral("Novel"))
{
    for (const QString& t : titles) {
        SqliteStatement s(f.db.handle(), QStringLiteral("INSERT INTO Books (Category, Title) VALUES (?1, ?2)"));
        s.bindText(1, category);
        s.bindText(2, t);
        s.execute();
    }
}

std::unique_ptr<TDAOQuery> books(StoreFixture& f, const QString& order = QStringLiteral("order by Title"))
{
    auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books"), order});
    q->AddField(QStringLiteral("Id"), TFieldType::AutoInc);
    q->AddField(QStringLiteral("Category"), TFieldType::String, 20, true);
    q->AddField(QStringLiteral("Title"), TFieldType::String, 70, true);
    q->AddField(QStringLiteral("Author"), TFieldType::String, 50);
    q->AddField(QStringLiteral("Year"), TFieldType::SmallInt);
    q->AddField(QStringLiteral("Date_aq"), TFieldType::DateTime);
    q->AddField(QStringLiteral("Description"), TFieldType::Memo);
    return q;
}

QStringList titles(TDAODataset& ds)
{
    QStringList out;
    for (int r = 0; r < ds.RowCount(); ++r)
        out << ds.rowValue(r, ds.FieldByName(QStringLiteral("Title"))).toString();
    return out;
}

void step(TDAODataset& ds, const QString& s)
{
    if (s == QLatin1String("open"))
        ds.Open();
    else if (s == QLatin1String("close"))
        ds.Close();
    else if (s == QLatin1String("insert"))
        ds.Insert();
    else if (s == QLatin1String("edit"))
        ds.Edit();
    else if (s == QLatin1String("set"))
        ds.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Zzz"));
    else if (s == QLatin1String("setCategory"))
        ds.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
    else if (s == QLatin1String("post"))
        ds.Post();
    else if (s == QLatin1String("cancel"))
        ds.Cancel();
    else if (s == QLatin1String("delete"))
        ds.Delete();
    else if (s == QLatin1String("next"))
        ds.Next();
    else if (s == QLatin1String("first"))
        ds.First();
    else
        qFatal("unknown step");
}

} // namespace

class TestDataset : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eventOrder_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("open") << ""
                              << "open" << QStringList{"BeforeOpen", "view:active", "AfterOpen"};
        QTest::newRow("close") << "open"
                               << "close" << QStringList{"BeforeClose", "view:active", "AfterClose"};
        QTest::newRow("insert") << "open"
                                << "insert"
                                << QStringList{"view:checkBrowse", "BeforeInsert", "BeforeScroll", "view:editing",
                                               "OnNewRecord",      "view:dataset", "AfterInsert",  "AfterScroll"};
        QTest::newRow("edit") << "open"
                              << "edit"
                              << QStringList{"view:checkBrowse", "BeforeEdit", "view:editing", "view:record",
                                             "AfterEdit"};
        QTest::newRow("post") << "open,edit,set"
                              << "post" << QStringList{"view:updateData", "view:checkBrowse", "BeforePost",
                                                       "AfterPost",       "view:editing",     "view:dataset"};
        QTest::newRow("cancel") << "open,edit,set"
                                << "cancel"
                                << QStringList{"view:checkBrowse", "BeforeCancel", "view:editing", "view:dataset",
                                               "AfterCancel"};
        QTest::newRow("delete") << "open"
                                << "delete" << QStringList{"view:checkBrowse", "BeforeDelete", "BeforeScroll",
                                                           "view:dataset",     "AfterDelete",  "AfterScroll"};
        QTest::newRow("delete in insert state cancels")
            << "open,insert"
            << "delete"
            << QStringList{"view:checkBrowse", "BeforeCancel", "view:editing", "view:dataset", "AfterCancel"};
        QTest::newRow("next") << "open"
                              << "next"
                              << QStringList{"view:checkBrowse", "BeforeScroll", "view:scrolled", "AfterScroll"};
        QTest::newRow("next posts a modified row")
            << "open,edit,set"
            << "next" << QStringList{"view:checkBrowse", "view:updateData", "view:updateData", "view:checkBrowse",
                                     "BeforePost",       "AfterPost",       "view:editing",    "view:dataset",
                                     "BeforeScroll",     "view:scrolled",   "AfterScroll"};
        QTest::newRow("next cancels an unmodified new row")
            << "open,insert"
            << "next"
            << QStringList{"view:checkBrowse", "view:updateData", "view:checkBrowse", "BeforeCancel",  "view:editing",
                           "view:dataset",     "AfterCancel",     "BeforeScroll",     "view:scrolled", "AfterScroll"};
        QTest::newRow("edit while editing does nothing") << "open,edit"
                                                         << "edit" << QStringList{};
        QTest::newRow("cancel in browse does nothing") << "open"
                                                       << "cancel" << QStringList{};
    }

    void eventOrder()
    {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        QFETCH(QStringList, expected);
        StoreFixture f;
        addBooks(f, {"Alpha", "Beta", "Gamma"});
        auto q = books(f);
        EventRecorder rec(*q);
        for (const QString& s : setup.split(QLatin1Char(','), Qt::SkipEmptyParts))
            step(*q, s);
        rec.log.clear();
        step(*q, action);
        QCOMPARE(rec.log, expected);
    }

    void newRecordDefaultsAreWrittenButDoNotCount()
    {
        StoreFixture f;
        addBooks(f, {"Alpha", "Beta"});
        auto q = books(f);
        q->OnNewRecord
            = [](TDAODataset& ds) { ds.FieldByName(QStringLiteral("Author")).SetAsString(QStringLiteral("Anon")); };
        q->Open();
        q->Insert();
        QVERIFY(!q->Modified());
        q->First(); // leaving edit state: nothing typed, so the new row is dropped
        QCOMPARE(q->State(), TDataSetState::Browse);
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Books")).toInt(), 2);

        q->Insert();
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Poetry"));
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Ode"));
        q->Post();
        QCOMPARE(f.scalar(QStringLiteral("select Author from Books where Title = 'Ode'")).toString(),
                 QStringLiteral("Anon"));
    }

    void requiredFieldsReportTheFirstInFieldOrder()
    {
        StoreFixture f;
        auto q = books(f);
        bool beforePost = false;
        q->BeforePost = [&](TDAODataset&) { beforePost = true; };
        q->Open();
        q->Insert();
        q->FieldByName(QStringLiteral("Author")).SetAsString(QStringLiteral("Someone"));
        QCOMPARE(messageOf([&] { q->Post(); }), QStringLiteral("Field 'Category' must have a value"));
        QVERIFY(!beforePost);
        QCOMPARE(q->State(), TDataSetState::Insert);
        QCOMPARE(q->FieldByName(QStringLiteral("Author")).AsString(), QStringLiteral("Someone"));
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
        QCOMPARE(messageOf([&] { q->Post(); }), QStringLiteral("Field 'Title' must have a value"));
        // An empty text is not null: it passes and is stored as null.
        q->FieldByName(QStringLiteral("Title")).SetAsString(QString());
        q->Post();
        QVERIFY(beforePost);
        QCOMPARE(f.column(QStringLiteral("select Title from Books")), QStringList{"<null>"});
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), QString());
        QVERIFY(q->FieldByName(QStringLiteral("Title")).IsNull());
    }

    void onlyAssignedFieldsAreWritten()
    {
        StoreFixture f;
        addBooks(f, {"Alpha"});
        auto q = books(f);
        q->Open();
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Alpha 2"));
        f.exec(QStringLiteral("update Books set Author = 'Changed elsewhere'"));
        q->Post();
        QCOMPARE(f.scalar(QStringLiteral("select Title || '/' || Author from Books")).toString(),
                 QStringLiteral("Alpha 2/Changed elsewhere"));
    }

    void editRereadsTheStoredRow()
    {
        StoreFixture f;
        addBooks(f, {"Alpha"});
        auto q = books(f);
        q->Open();
        f.exec(QStringLiteral("update Books set Author = 'Later'"));
        q->Edit();
        QCOMPARE(q->FieldByName(QStringLiteral("Author")).AsString(), QStringLiteral("Later"));
        q->Cancel();
    }

    void fieldValuesAndMisuse()
    {
        StoreFixture f;
        addBooks(f, {"Alpha"});
        auto q = books(f);
        QCOMPARE(q->RecordCount(), -1);
        QCOMPARE(messageOf([&] { q->Next(); }),
                 QStringLiteral("qrBooks: Cannot perform this operation on a closed dataset"));
        QCOMPARE(messageOf([&] { q->Post(); }), QStringLiteral("qrBooks: Dataset not in edit or insert mode"));
        QCOMPARE(messageOf([&] { q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("x")); }),
                 QStringLiteral("qrBooks: Dataset not in edit or insert mode"));
        q->Open();
        QCOMPARE(messageOf([&] { q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("x")); }),
                 QStringLiteral("qrBooks: Dataset not in edit or insert mode"));
        QCOMPARE(messageOf([&] { q->FieldByName(QStringLiteral("Nope")); }),
                 QStringLiteral("qrBooks: Field 'Nope' not found"));
        QCOMPARE(messageOf([&] { q->Post(); }), QStringLiteral("qrBooks: Dataset not in edit or insert mode"));
        // Null reads as "" and 0.
        QCOMPARE(q->FieldByName(QStringLiteral("Author")).AsString(), QString());
        QCOMPARE(q->FieldByName(QStringLiteral("Year")).AsInteger(), 0);

        q->Edit();
        TField& title = q->FieldByName(QStringLiteral("Title"));
        title.SetAsString(QString(100, QLatin1Char('x')));
        QCOMPARE(title.AsString().size(), 70); // cut to the field's size when written
        // A character outside the Basic Multilingual Plane is never cut in half.
        title.SetAsString(QString(69, QLatin1Char('x')) + QStringLiteral("🎬"));
        QCOMPARE(title.AsString(), QString(69, QLatin1Char('x')));
        TField& year = q->FieldByName(QStringLiteral("Year"));
        for (const qint64 bad : {qint64(32768), qint64(-32769), qint64(100000)}) {
            QCOMPARE(messageOf([&] { year.SetAsInteger(bad); }),
                     QStringLiteral("%1 is not a valid value for field 'Year'. The allowed range is -32768 to 32767")
                         .arg(bad));
        }
        year.SetAsInteger(-32768);
        year.SetAsString(QStringLiteral("1999"));
        QCOMPARE(year.AsInteger(), 1999);
        QCOMPARE(messageOf([&] { year.SetAsString(QStringLiteral("19x9")); }),
                 QStringLiteral("'19x9' is not a valid integer value"));
        q->Post();
        QCOMPARE(f.scalar(QStringLiteral("select Year from Books")).toInt(), 1999);
    }

    void afterPostSeesTheNewKey()
    {
        StoreFixture f;
        addBooks(f, {"Alpha"});
        auto q = books(f);
        qint64 seen = -1;
        q->AfterPost = [&](TDAODataset& ds) { seen = ds.FieldByName(QStringLiteral("Id")).AsInteger(); };
        q->Open();
        q->Insert();
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Beta"));
        q->Post();
        QCOMPARE(seen, f.scalar(QStringLiteral("select Id from Books where Title = 'Beta'")).toLongLong());
        QVERIFY(seen > 0);
    }

    void membership()
    {
        StoreFixture f;
        addBooks(f, {"Delta", "Alpha", "Charlie"});
        auto q = books(f);
        q->Open();
        QCOMPARE(titles(*q), (QStringList{"Alpha", "Charlie", "Delta"}));
        // A new row stays at the end, out of order, until the query runs again.
        q->Insert();
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Bravo"));
        q->Post();
        QCOMPARE(titles(*q), (QStringList{"Alpha", "Charlie", "Delta", "Bravo"}));
        QCOMPARE(q->RecNo(), 3);
        // A changed row keeps its place.
        q->First();
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Zulu"));
        q->Post();
        QCOMPARE(titles(*q), (QStringList{"Zulu", "Charlie", "Delta", "Bravo"}));
        QCOMPARE(q->RecNo(), 0);
        // Deleting makes the next row current; deleting the last makes the new last current.
        q->Next();
        q->Delete();
        QCOMPARE(titles(*q), (QStringList{"Zulu", "Delta", "Bravo"}));
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Delta"));
        q->MoveTo(2);
        q->Delete();
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Delta"));
        QCOMPARE(q->RecordCount(), 2);
        q->Close();
        q->Open();
        QCOMPARE(titles(*q), (QStringList{"Delta", "Zulu"}));
    }

    void insertedRowOutsideTheFilterStays()
    {
        StoreFixture f;
        addBooks(f, {"Alpha"}, QStringLiteral("Novel"));
        addBooks(f, {"Beta"}, QStringLiteral("Poetry"));
        auto q = books(f);
        q->setFilter(QStringLiteral("Category = 'Poetry'"));
        q->setFiltered(true);
        q->Open();
        QCOMPARE(titles(*q), QStringList{"Beta"});
        q->Insert();
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Gamma"));
        q->Post();
        QCOMPARE(titles(*q), (QStringList{"Beta", "Gamma"}));
    }

    void navigationAndCounts()
    {
        StoreFixture f;
        auto q = books(f);
        q->Open();
        QVERIFY(q->IsEmpty());
        QVERIFY(q->Eof() && q->Bof());
        QCOMPARE(q->RecordCount(), 0);
        QCOMPARE(messageOf([&] { q->Delete(); }),
                 QStringLiteral("qrBooks: Cannot perform this operation on an empty dataset"));
        q->Close();
        addBooks(f, {"A", "B", "C"});
        q->Open();
        QCOMPARE(q->RecordCount(), 3);
        QStringList seen;
        for (q->First(); !q->Eof(); q->Next())
            seen << q->FieldByName(QStringLiteral("Title")).AsString();
        QCOMPARE(seen, (QStringList{"A", "B", "C"}));
        QCOMPARE(q->RecNo(), 2); // the end flag leaves the last row current
        q->Edit();               // on an empty dataset edit inserts; here it edits
        QCOMPARE(q->State(), TDataSetState::Edit);
        q->Cancel();
        q->Close();
        f.exec(QStringLiteral("delete from Books"));
        q->Open();
        q->Edit();
        QCOMPARE(q->State(), TDataSetState::Insert);
    }

    // Only a damaged file makes a row unreadable: a table gone from under the result is raised
    // as it is, and no row is marked.
    void readErrorsOtherThanDamageAreRaised()
    {
        StoreFixture f;
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many << QStringLiteral("Book %1").arg(i, 2, 10, QLatin1Char('0'));
        addBooks(f, many);
        auto q = books(f);
        q->Open();
        const TField& title = q->FieldByName(QStringLiteral("Title"));
        f.exec(QStringLiteral("drop table Books"));
        try {
            q->rowValue(30, title);
            QFAIL("the missing table went unnoticed");
        } catch (const EEngineError& e) {
            QCOMPARE(e.message(), QStringLiteral("no such table: Books"));
        }
        QVERIFY_THROWS_EXCEPTION(EEngineError, q->rowError(31));
    }

    void heldBackNotificationsAreReleasedOnce()
    {
        StoreFixture f;
        addBooks(f, {"A", "B", "C"});
        auto q = books(f);
        q->Open();
        EventRecorder rec(*q);
        rec.log.clear();
        q->DisableControls();
        q->DisableControls();
        q->Next();
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("B2"));
        q->Post();
        q->EnableControls();
        // Held back, the views hear only the post's request for their pending input.
        QCOMPARE(rec.log.filter(QStringLiteral("view:")), QStringList{"view:updateData"});
        rec.log.clear();
        q->EnableControls();
        QCOMPARE(rec.log.filter(QStringLiteral("view:")), QStringList{"view:dataset"});

        // A state that differs at the release is told first.
        rec.log.clear();
        q->DisableControls();
        q->Close();
        q->EnableControls();
        QCOMPARE(rec.log.filter(QStringLiteral("view:")), QStringList{"view:active"});
        rec.log.clear();
        q->DisableControls();
        q->Open();
        q->EnableControls();
        QCOMPARE(rec.log.filter(QStringLiteral("view:")), QStringList{"view:active"});
    }

    void handlerErrorsAbortAtTheirStep()
    {
        StoreFixture f;
        addBooks(f, {"A", "B"});
        auto q = books(f);
        q->Open();

        // BeforePost: nothing written, the row keeps its state and values.
        q->BeforePost = [](TDAODataset&) { throw EDatabaseError(QStringLiteral("refused")); };
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("A2"));
        QCOMPARE(messageOf([&] { q->Post(); }), QStringLiteral("refused"));
        QCOMPARE(q->State(), TDataSetState::Edit);
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("A2"));
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Books where Title = 'A2'")).toInt(), 0);
        q->Cancel();
        q->BeforePost = nullptr;

        // AfterPost: the post is undone as a whole; the row is pending again with its values.
        q->AfterPost = [](TDAODataset&) { throw EDatabaseError(QStringLiteral("after")); };
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("A3"));
        QCOMPARE(messageOf([&] { q->Post(); }), QStringLiteral("after"));
        QCOMPARE(q->State(), TDataSetState::Edit);
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("A3"));
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Books where Title = 'A3'")).toInt(), 0);
        q->AfterPost = nullptr;
        q->Post(); // and goes through once the rule lets it
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Books where Title = 'A3'")).toInt(), 1);

        // BeforeDelete: the row stays and stays current.
        q->BeforeDelete = [](TDAODataset&) { throw EDatabaseError(QStringLiteral("keep")); };
        q->MoveTo(1);
        QCOMPARE(messageOf([&] { q->Delete(); }), QStringLiteral("keep"));
        QCOMPARE(q->RecNo(), 1);
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Books")).toInt(), 2);
        q->BeforeDelete = nullptr;

        // OnNewRecord: the new row is dropped, back to browse on the previous row.
        q->OnNewRecord = [](TDAODataset&) { throw EDatabaseError(QStringLiteral("no new")); };
        QCOMPARE(messageOf([&] { q->Insert(); }), QStringLiteral("no new"));
        QCOMPARE(q->State(), TDataSetState::Browse);
        QCOMPARE(q->RowCount(), 2);
        QCOMPARE(q->RecNo(), 1);
    }

    void deleteAndItsBeforeDeleteRuleAreOneTransaction()
    {
        StoreFixture f;
        addBooks(f, {"A", "B"});
        // The catalogue refuses to delete book A (as a failing engine would).
        f.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Books WHEN old.Title = 'A' "
                              "BEGIN SELECT RAISE(ABORT, 'refused by the catalogue'); END"));
        auto q = books(f);
        q->BeforeDelete = [&f](TDAODataset&) { f.exec(QStringLiteral("update Books set Author = 'touched'")); };
        q->Open();
        try {
            q->Delete();
            QFAIL("the delete should fail");
        } catch (const EDAOError& e) {
            QCOMPARE(e.message(), QStringLiteral("refused by the catalogue"));
            QVERIFY(e.ErrorCode() != 0);
        }
        QCOMPARE(f.column(QStringLiteral("select Author from Books")), (QStringList{"<null>", "<null>"}));
        QCOMPARE(q->RowCount(), 2);
        q->Next();
        q->Delete();
        QCOMPARE(f.column(QStringLiteral("select Title || Author from Books")), QStringList{"Atouched"});
    }

    void addedRulesAreStoredAndUndoneWithTheChange()
    {
        StoreFixture f;
        addBooks(f, {"A", "B"});
        f.exec(QStringLiteral("CREATE TABLE side (what TEXT)"));
        auto q = books(f);
        q->Open();
        int owner = 0;
        const auto note = [&f](const QString& what) {
            return [&f, what](TDAODataset& ds) {
                f.exec(QStringLiteral("insert into side values ('%1 %2')")
                           .arg(what, ds.FieldByName(QStringLiteral("Title")).AsString()));
            };
        };
        q->addPostRule(&owner, note(QStringLiteral("post")));
        q->addDeleteRule(&owner, note(QStringLiteral("delete")));

        // A rule sees the row as stored (post) or still current (delete), within the change.
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("A2"));
        q->Post();
        q->First();
        q->Delete();
        QCOMPARE(f.column(QStringLiteral("select what from side")), (QStringList{"post A2", "delete A2"}));

        // A failing write undoes what the rules wrote; a failing rule undoes the change.
        f.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Books "
                              "BEGIN SELECT RAISE(ABORT, 'refused by the catalogue'); END"));
        QCOMPARE(messageOf([&] { q->Delete(); }), QStringLiteral("refused by the catalogue"));
        int other = 0;
        q->addPostRule(&other, [](TDAODataset&) { throw EDatabaseError(QStringLiteral("rule")); });
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("B2"));
        QCOMPARE(messageOf([&] { q->Post(); }), QStringLiteral("rule"));
        QCOMPARE(f.column(QStringLiteral("select what from side")), (QStringList{"post A2", "delete A2"}));
        QCOMPARE(f.column(QStringLiteral("select Title from Books")), QStringList{"B"});

        // Removed rules run no more; the others stay.
        q->removeRules(&other);
        q->Post();
        q->removeRules(&owner);
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("B3"));
        q->Post();
        QCOMPARE(f.column(QStringLiteral("select what from side")), (QStringList{"post A2", "delete A2", "post B2"}));
    }

    void calculatedFieldsFollowEveryReadAndChange()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into AddressBook (Category, F_Name, L_Name) values ('Work', 'John', 'Smith'), "
                              "('Work', NULL, 'Nowak')"));
        auto q = f.query(QStringLiteral("qrAddBook"),
                         {QStringLiteral("select * from AddressBook"), QStringLiteral("order by L_Name")});
        q->AddField(QStringLiteral("F_Name"), TFieldType::String, 30);
        q->AddField(QStringLiteral("L_Name"), TFieldType::String, 40, true);
        q->AddCalcField(QStringLiteral("LF_Name"), TFieldType::String, 71);
        int calls = 0;
        q->OnCalcFields = [&calls](TDAODataset& ds) {
            ++calls;
            ds.FieldByName(QStringLiteral("LF_Name"))
                .SetAsString(ds.FieldByName(QStringLiteral("L_Name")).AsString() + QLatin1Char(' ')
                             + ds.FieldByName(QStringLiteral("F_Name")).AsString());
        };
        q->Open();
        QCOMPARE(q->FieldByName(QStringLiteral("LF_Name")).AsString(), QStringLiteral("Nowak "));
        QCOMPARE(q->rowValue(1, q->FieldByName(QStringLiteral("LF_Name"))).toString(), QStringLiteral("Smith John"));
        q->Edit();
        q->FieldByName(QStringLiteral("F_Name")).SetAsString(QStringLiteral("Jan"));
        QCOMPARE(q->FieldByName(QStringLiteral("LF_Name")).AsString(), QStringLiteral("Nowak Jan"));
        q->Post();
        QVERIFY(calls >= 3);
    }

    void declaredFieldsMustMatchTheResult()
    {
        StoreFixture f;
        auto missing = f.query(QStringLiteral("qrX"), {QStringLiteral("select * from Books")});
        missing->AddField(QStringLiteral("Nope"), TFieldType::String);
        QCOMPARE(messageOf([&] { missing->Open(); }), QStringLiteral("qrX: Field 'Nope' not found"));
        QVERIFY(!missing->Active());

        auto mismatch = f.query(QStringLiteral("qrY"), {QStringLiteral("select * from Books")});
        mismatch->AddField(QStringLiteral("Title"), TFieldType::Integer);
        QCOMPARE(messageOf([&] { mismatch->Open(); }),
                 QStringLiteral("qrY: Type mismatch for field 'Title', expecting: Integer actual: String"));

        // Integers bind to each other, dates to each other; text widths are not compared.
        auto compatible = f.query(QStringLiteral("qrZ"), {QStringLiteral("select * from Books")});
        compatible->AddField(QStringLiteral("Year"), TFieldType::Integer);
        compatible->AddField(QStringLiteral("Date_aq"), TFieldType::Date);
        compatible->AddField(QStringLiteral("Title"), TFieldType::String, 5);
        compatible->Open();
        QVERIFY(compatible->Active());
    }

    void hostileValuesAreStoredAndFoundLiterally_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("quotes") << "It's a \"quote\"";
        QTest::newRow("sql fragment") << "x'); DROP TABLE Books; --";
        QTest::newRow("patterns") << "100% _a_ *b* ?c [d] #e";
        QTest::newRow("backslash") << "C:\\path\\";
        QTest::newRow("emoji") << "🎬 Кино ✓";
        QTest::newRow("right to left") << "שלום עולם";
        QTest::newRow("long") << QString(10000, QLatin1Char('w'));
    }

    void hostileValuesAreStoredAndFoundLiterally()
    {
        QFETCH(QString, value);
        StoreFixture f;
        addBooks(f, {"Plain"});
        auto q = books(f);
        q->Open();
        q->Insert();
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
        q->FieldByName(QStringLiteral("Title")).SetAsString(value.left(70));
        q->FieldByName(QStringLiteral("Description")).SetAsString(value);
        q->Post();
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Books")).toInt(), 2);
        q->Close();
        q->Open();
        q->First();
        QVERIFY(q->Locate(QStringLiteral("Title"), {value.left(70)}, 0));
        QCOMPARE(q->FieldByName(QStringLiteral("Description")).AsString(), value);
        q->First();
        QVERIFY(q->Locate(QStringLiteral("Title"), {value.left(20)}, loPartialKey));
        QCOMPARE(q->FieldByName(QStringLiteral("Description")).AsString(), value);

        // As a filter value (a quote is doubled inside the quoted text).
        QString quoted = value.left(70);
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        q->setFilter(QStringLiteral("Title = '%1'").arg(quoted));
        q->setFiltered(true);
        QCOMPARE(q->RecordCount(), 1);
        QCOMPARE(q->FieldByName(QStringLiteral("Description")).AsString(), value);
        QCOMPARE(f.scalar(QStringLiteral("select count(*) from Books")).toInt(), 2);
    }

    void damagedRowIsReadAlone_data()
    {
        QTest::addColumn<int>("damaged"); // its row in title order
        QTest::newRow("first row") << 0;
        QTest::newRow("inside a batch") << 5;
        QTest::newRow("last row") << 11;
    }

    // One book's description sits on a page overwritten with garbage. Every other row reads
    // as its own; the damaged one reads as empty but for its key, however it is reached, and
    // cannot be edited; nothing is written to the file.
    void damagedRowIsReadAlone()
    {
        QFETCH(int, damaged);
        StoreFixture f;
        // Keys run against title order: rows are read in batches by key, so a damaged row
        // comes before the rows above it in its batch.
        QStringList expected, reversed;
        for (int i = 1; i <= 12; ++i) {
            expected << QStringLiteral("Book %1").arg(i, 2, 10, QLatin1Char('0'));
            reversed.prepend(expected.last());
        }
        addBooks(f, reversed);
        const int key = 12 - damaged;
        // Long enough for several overflow pages.
        f.exec(QStringLiteral("update Books set Description = replace(hex(zeroblob(10000)), '00', 'ab') where Id = %1")
                   .arg(key));
        f.db.Close();
        QVERIFY(SpoiltCatalogue::damageOverflow(f.cat.path(), QStringLiteral("Books")) > 0);
        const QByteArray before = f.cat.bytes();
        f.db.Open();
        expected[damaged].clear();

        auto q = books(f);
        QCOMPARE(messageOf([&] { q->Open(); }), QStringLiteral("<no error>"));
        QCOMPARE(titles(*q), expected);
        for (int r = 0; r < q->RowCount(); ++r)
            QCOMPARE(q->rowError(r).contains(QLatin1String("malformed")), r == damaged);

        // Reached by a move from an intact row, it shows none of that row's values.
        q->MoveTo(damaged == 0 ? 1 : 0);
        QCOMPARE(messageOf([&] { q->MoveTo(damaged); }), QStringLiteral("<no error>"));
        QCOMPARE(q->RecNo(), damaged);
        QVERIFY(q->FieldByName(QStringLiteral("Title")).IsNull());
        QVERIFY(q->FieldByName(QStringLiteral("Category")).IsNull());
        QCOMPARE(q->FieldByName(QStringLiteral("Id")).AsInteger(), key);
        QCOMPARE(titles(*q), expected);
        QVERIFY(messageOf([&] { q->Edit(); }).contains(QLatin1String("malformed")));
        QCOMPARE(q->State(), TDataSetState::Browse);

        // A search walks over it and finds what lies beyond.
        const int beyond = damaged == 11 ? 10 : 11;
        q->First();
        QVERIFY(q->Locate(QStringLiteral("Title"), {expected[beyond]}, 0));
        QCOMPARE(q->RecNo(), beyond);
        q->Close();
        f.db.Close();
        QCOMPARE(f.cat.bytes(), before);

        // Rows that move up after a delete keep their own values.
        f.db.Open();
        q->Open();
        q->MoveTo(damaged == 0 ? 1 : 0);
        q->Delete();
        expected.removeAt(damaged == 0 ? 1 : 0);
        QCOMPARE(titles(*q), expected);
    }
};

QTEST_GUILESS_MAIN(TestDataset)
#include "tst_dataset.moc"
