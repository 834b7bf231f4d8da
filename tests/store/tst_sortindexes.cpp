#include "CatalogueFile.h"
#include "EDatabaseError.h"
#include "KeyOrder.h"
#include "KeyWalk.h"
#include "KeysOf.h"
#include "KeysetResult.h"
#include "OtherProgram.h"
#include "ResultColumn.h"
#include "StoreFixture.h"
#include "TextFold.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <limits>

namespace {

const QStringList kWords{"alpha", "Émile",   "ÉMILE", "emile", "zebra", "Łódź", "lodz",
                         "Bravo", "charlie", "Żółw",  "10",    "2",     "Ночь", "НОЧЬ"};

// `rows` movies with many equal titles, categories and years, nulls among them, and in the
// year column a few values of other kinds (text, a fraction), as a file may hold them.
void fillMovies(StoreFixture& f, int rows, quint32 seed = 7)
{
    QRandomGenerator rng(seed);
    f.exec(QStringLiteral("BEGIN"));
    SqliteStatement insert(f.db.handle(), QStringLiteral("insert into Movies (Title, Category, Year, Media_type, M_no) "
                                                         "values (?1, ?2, ?3, ?4, ?5)"));
    for (int i = 0; i < rows; ++i) {
        const int pick = int(rng.bounded(quint32(kWords.size() + 1)));
        const QVariant title = pick == kWords.size()
                                   ? QVariant()
                                   : QVariant(kWords[pick] + (rng.bounded(3) == 0 ? QStringLiteral(" x") : QString()));
        QVariant year;
        switch (rng.bounded(10)) {
        case 0:
            break;
        case 1:
            year = QStringLiteral("unknown");
            break;
        case 2:
            year = 1990.5;
            break;
        default:
            year = 1990 + int(rng.bounded(4));
            break;
        }
        insert.bind(1, title);
        insert.bind(2, kWords[int(rng.bounded(4))]);
        insert.bind(3, year);
        insert.bind(4, rng.bounded(2) ? QStringLiteral("CD") : QStringLiteral("cd"));
        insert.bind(5, rng.bounded(5) == 0 ? QVariant() : QVariant(QStringLiteral("M%1").arg(rng.bounded(50))));
        insert.execute();
        insert.reset();
    }
    f.exec(QStringLiteral("COMMIT"));
}

// The indexes a large Movies table gets when the catalogue is opened.
void indexMovies(StoreFixture& f)
{
    for (const auto& t : CatalogueFile::sortIndexes()) {
        if (qstrcmp(t.table, "Movies") != 0)
            continue;
        for (const char* c : t.columns)
            f.exec(QStringLiteral("CREATE INDEX \"Movies$%1\" ON Movies (%1)").arg(QLatin1String(c)));
    }
}

QStringList indexesOf(StoreFixture& f, const QString& table)
{
    return f.column(QStringLiteral("select name from sqlite_schema where type = 'index' and tbl_name = '%1' "
                                   "and name like '%1$%' order by name")
                        .arg(table));
}

} // namespace

class TestSortIndexes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A walk gives the keys a whole run of the ordered statement gives, however it is cut into
    // windows: across runs of equal values, nulls, and values of different kinds.
    void walkMatchesTheStatement_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("descending");
        for (const char* c : {"Title", "Year", "Media_type", "M_no"}) {
            QTest::addRow("%s ascending", c) << QString::fromLatin1(c) << false;
            QTest::addRow("%s descending", c) << QString::fromLatin1(c) << true;
        }
    }

    void walkMatchesTheStatement()
    {
        QFETCH(QString, column);
        QFETCH(bool, descending);
        StoreFixture f;
        fillMovies(f, 300);
        indexMovies(f);
        const std::vector<qint64> expected = keysOf(
            f, QStringLiteral("select Id from Movies order by %1 %2, Id").arg(column, descending ? "DESC" : ""));
        const auto order = KeyOrder::parse(f.db.handle(), QStringLiteral("Movies"),
                                           column + (descending ? QStringLiteral(" DESC") : QString()));
        QVERIFY(order);
        const auto walkOrder
            = KeyWalk::forIndex(f.db, QStringLiteral("Movies"), QStringLiteral("Id"), order->terms().front());
        QVERIFY(walkOrder);
        for (const size_t window : {size_t(1), size_t(2), size_t(3), size_t(7), size_t(64), size_t(1000)}) {
            KeyWalk walk(f.db, *walkOrder);
            std::vector<qint64> keys;
            while (!walk.done())
                walk.next(keys, window);
            QVERIFY2(keys == expected, qPrintable(QStringLiteral("window %1").arg(window)));
            // One window, then the rest at once (as before a write).
            KeyWalk rest(f.db, *walkOrder);
            keys.clear();
            rest.next(keys, window);
            rest.next(keys, std::numeric_limits<size_t>::max());
            QVERIFY(rest.done());
            QVERIFY2(keys == expected, qPrintable(QStringLiteral("window %1, then the rest").arg(window)));
        }
        QCOMPARE(KeyWalk::extent(f.db, QStringLiteral("Movies"), QStringLiteral("Id")).rows, 300);
    }

    // The count and the largest key, with and without a condition, after deletes have left
    // gaps (so that the two differ) and on an empty table.
    void extentCountsRowsAndFindsTheLargestKey()
    {
        StoreFixture f;
        const KeyWalk::Condition cd{QStringLiteral("Media_type = ?4"), {QStringLiteral("cd")}};
        auto check = [&](const KeyWalk::Condition& condition, const QString& where) {
            const KeyWalk::Extent e = KeyWalk::extent(f.db, QStringLiteral("Movies"), QStringLiteral("Id"), condition);
            const std::vector<qint64> keys
                = keysOf(f, QStringLiteral("select Id from Movies %1 order by Id").arg(where));
            QCOMPARE(e.rows, int(keys.size()));
            QCOMPARE(e.lastKey, keys.empty() ? qint64(0) : keys.back());
        };
        check({}, QString());
        check(cd, QStringLiteral("where Media_type = 'cd'"));
        fillMovies(f, 300);
        indexMovies(f);
        f.exec(QStringLiteral("delete from Movies where Id % 7 = 0 or Id > 290"));
        check({}, QString());
        check(cd, QStringLiteral("where Media_type = 'cd'"));
    }

    // Only an index on the column alone, in its own collation and whole, gives its order.
    void walkNeedsAFittingIndex_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<bool>("fits");
        QTest::newRow("plain") << "create index i on Movies (Title)" << true;
        QTest::newRow("other collation") << "create index i on Movies (Title collate binary)" << false;
        QTest::newRow("two columns") << "create index i on Movies (Title, Year)" << false;
        QTest::newRow("partial") << "create index i on Movies (Title) where Year > 2000" << false;
        QTest::newRow("descending") << "create index i on Movies (Title desc)" << false;
        QTest::newRow("another column") << "create index i on Movies (Category)" << false;
        QTest::newRow("none") << "" << false;
    }

    void walkNeedsAFittingIndex()
    {
        QFETCH(QString, index);
        QFETCH(bool, fits);
        StoreFixture f;
        if (!index.isEmpty())
            f.exec(index);
        const auto order = KeyOrder::parse(f.db.handle(), QStringLiteral("Movies"), QStringLiteral("Title"));
        QVERIFY(order);
        QCOMPARE(
            KeyWalk::forIndex(f.db, QStringLiteral("Movies"), QStringLiteral("Id"), order->terms().front()).has_value(),
            fits);
    }

    // A folder larger than a window, read along its index, shows what a full run shows.
    void walkedQueryShowsWhatAFullRunShows_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::newRow("title") << "Title";
        QTest::newRow("title descending") << "Title DESC";
        QTest::newRow("year descending") << "Year DESC";
    }

    void walkedQueryShowsWhatAFullRunShows()
    {
        QFETCH(QString, orderBy);
        StoreFixture f;
        fillMovies(f, 6000);
        indexMovies(f);
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by ") + orderBy});
        q->Open();
        QCOMPARE(q->RecordCount(), 6000);
        QCOMPARE(q->RowCount(), 6000);
        q->Last();
        QCOMPARE(q->RecNo(), 5999);
        QCOMPARE(shownKeys(*q), keysOf(f, QStringLiteral("select Id from Movies order by %1, Id").arg(orderBy)));
    }

    // Membership stays as for a result read whole: a row added through it comes last, a row
    // changed through it keeps its place (and shows once), a row deleted leaves.
    void writesThroughAWalkedQueryKeepItsRows()
    {
        StoreFixture f;
        fillMovies(f, 6000);
        indexMovies(f);
        const std::vector<qint64> before = keysOf(f, QStringLiteral("select Id from Movies order by Title, Id"));
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by Title")});
        q->Open();
        q->MoveTo(10);
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("zzz last by title"));
        q->Post();
        q->MoveTo(20);
        q->Delete();
        q->Insert();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("zzzz last by title too"));
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("a"));
        q->FieldByName(QStringLiteral("Media_type")).SetAsString(QStringLiteral("CD"));
        q->Post();
        const qint64 added = q->FieldByName(QStringLiteral("Id")).AsInteger();

        std::vector<qint64> expected = before;
        expected.erase(expected.begin() + 20);
        expected.push_back(added);
        QCOMPARE(shownKeys(*q), expected);
    }

    // Another dataset writing the table, or a program writing it behind the layer's back,
    // leaves the count and shows no row twice; what the layer wrote leaves the rows as they were.
    void writesElsewhereKeepTheCount()
    {
        StoreFixture f;
        fillMovies(f, 6000);
        indexMovies(f);
        const std::vector<qint64> before = keysOf(f, QStringLiteral("select Id from Movies order by Title DESC, Id"));
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by Title DESC")});
        q->Open();
        auto other = f.query(QStringLiteral("qrOther"), {QStringLiteral("select * from Movies order by Year")});
        other->Open();
        other->Insert();
        other->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("0 last when descending"));
        other->Post();
        QCOMPARE(shownKeys(*q), before);

        const std::vector<qint64> opened = keysOf(f, QStringLiteral("select Id from Movies order by Title, Id"));
        auto behind = f.query(QStringLiteral("qrBehind"), {QStringLiteral("select * from Movies order by Title")});
        behind->Open();
        // One row read already moves to where the rest is still to be read.
        f.exec(QStringLiteral("delete from Movies where Id > 5500; insert into Movies (Title) values ('aaa'), ('zzz'); "
                              "update Movies set Title = 'zzzz' where Id = %1")
                   .arg(opened.front()));
        const std::vector<qint64> shown = shownKeys(*behind);
        QCOMPARE(behind->RecordCount(), 6001);
        // What was read before the change stays where it was; a row deleted since shows empty.
        for (size_t i = 0; i < KeysetResult::kWindow; ++i)
            QVERIFY(shown[i] == opened[i] || (shown[i] == 0 && opened[i] > 5500));
        QVERIFY(opened.front() <= 5500);
        std::vector<qint64> real;
        for (const qint64 k : shown) {
            if (k != 0)
                real.push_back(k);
        }
        QCOMPARE(QSet<qint64>(real.begin(), real.end()).size(), qsizetype(real.size()));
    }

    // Another program inserts, deletes or both while a large folder is open and only its first
    // window of keys is read: every row it opened with that still exists is shown once and
    // found by Find; rows the other program added do not push any of them out.
    void anotherProgramsWritesLoseNoRow_data()
    {
        QTest::addColumn<QString>("sql");
        const QString insert = QStringLiteral("insert into Movies (Title) values ('aaa'), ('aaa'), ('mmm'), ('zzzz'), "
                                              "('zzzz'), ('zzzz');");
        const QString remove = QStringLiteral("delete from Movies where Id % 7 = 0;");
        QTest::newRow("insert") << insert;
        QTest::newRow("delete") << remove;
        QTest::newRow("insert and delete") << insert + remove;
    }

    void anotherProgramsWritesLoseNoRow()
    {
        QFETCH(QString, sql);
        StoreFixture f;
        fillMovies(f, 12000);
        indexMovies(f);
        const std::vector<qint64> opened = keysOf(f, QStringLiteral("select Id from Movies order by Title, Id"));
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by Title")});
        q->Open();
        OtherProgram::rawExec(f.cat.path(), sql);

        const std::vector<qint64> now = keysOf(f, QStringLiteral("select Id from Movies"));
        const QSet<qint64> existing(now.begin(), now.end());
        const std::vector<qint64> shown = shownKeys(*q);
        const QSet<qint64> shownSet(shown.begin(), shown.end());
        std::vector<qint64> real;
        std::copy_if(shown.begin(), shown.end(), std::back_inserter(real), [](qint64 k) { return k != 0; });
        QCOMPARE(QSet<qint64>(real.begin(), real.end()).size(), qsizetype(real.size())); // none twice
        int survivors = 0;
        for (const qint64 k : opened) {
            if (!existing.contains(k))
                continue;
            ++survivors;
            QVERIFY2(shownSet.contains(k), qPrintable(QStringLiteral("row %1 is lost").arg(k)));
        }
        QVERIFY(survivors > 0);
        // Find reaches the last surviving row in the order.
        qint64 last = 0;
        for (auto it = opened.rbegin(); it != opened.rend() && !last; ++it) {
            if (existing.contains(*it))
                last = *it;
        }
        const QString lastTitle = f.column(QStringLiteral("select Title from Movies where Id = %1").arg(last)).value(0);
        q->First();
        QVERIFY(q->Locate(QStringLiteral("Title"), {lastTitle}, 0));
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString().toCaseFolded(), lastTitle.toCaseFolded());
    }

    // The keys of a large table are also read to their end beside the program; they are taken
    // over only when nothing at all was written to the table since the result opened.
    void keysReadBesideAreTakenOnlyWhenNothingChanged_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<QString>("writer");
        QTest::addColumn<bool>("filtered"); // walked with a condition, read beside by one statement
        QTest::newRow("title, nothing written") << "Title"
                                                << "" << false;
        QTest::newRow("title descending, nothing written") << "Title DESC"
                                                           << "" << false;
        QTest::newRow("year, another program wrote") << "Year"
                                                     << "another program" << false;
        QTest::newRow("title, this connection wrote") << "Title"
                                                      << "this connection" << false;
        QTest::newRow("filtered, title descending, nothing written") << "Title DESC"
                                                                     << "" << true;
        QTest::newRow("filtered, year, another program wrote") << "Year"
                                                               << "another program" << true;
    }

    void keysReadBesideAreTakenOnlyWhenNothingChanged()
    {
        QFETCH(QString, orderBy);
        QFETCH(QString, writer);
        QFETCH(bool, filtered);
        StoreFixture f;
        fillMovies(f, int(KeysetResult::kWindow + KeysetResult::kPrefetchFrom) + 3000);
        indexMovies(f);
        // Every row passes the filter but the few with a null year.
        const QString where = filtered ? QStringLiteral(" where Year is not null") : QString();
        const std::vector<qint64> opened
            = keysOf(f, QStringLiteral("select Id from Movies%1 order by %2, Id").arg(where, orderBy));
        const auto order = KeyOrder::parse(f.db.handle(), QStringLiteral("Movies"), orderBy);
        QVERIFY(order);
        const auto walk
            = KeyWalk::forIndex(f.db, QStringLiteral("Movies"), QStringLiteral("Id"), order->terms().front());
        QVERIFY(walk);
        std::vector<ResultColumn> columns;
        {
            SqliteStatement probe(f.db.handle(), QStringLiteral("select * from Movies"));
            columns = ResultColumn::describe(probe.handle());
        }
        KeysetResult r(f.db, columns, QStringLiteral("Movies"), QStringLiteral("Id"), {});
        const ChangeLog::Mark mark = f.db.changes().mark(QStringLiteral("Movies"));
        KeyWalk::Condition condition;
        KeysetResult::Beside beside;
        if (filtered) {
            condition = {QStringLiteral("Year IS NOT ?4"), {QVariant()}};
            beside = {QStringLiteral("select Id from Movies where Year is not ?1 order by %1, Id").arg(orderBy),
                      {QVariant()}};
        }
        r.follow(std::make_unique<KeyWalk>(f.db, *walk, condition),
                 KeyWalk::extent(f.db, QStringLiteral("Movies"), QStringLiteral("Id"), condition), mark,
                 KeysetResult::kWindow, beside);
        const QString change
            = QStringLiteral("update Movies set Title = 'moved', Year = 1 where Id = %1").arg(opened[5]);
        if (writer == QLatin1String("another program"))
            OtherProgram::rawExec(f.cat.path(), change);
        else if (writer == QLatin1String("this connection"))
            f.exec(change);

        if (writer.isEmpty()) {
            // Only the keys read beside can make the result whole before anything asked for them.
            QTRY_VERIFY_WITH_TIMEOUT(r.lendable(), 20000);
            std::vector<qint64> shown;
            for (int i = 0; i < r.count(); ++i)
                shown.push_back(r.key(i));
            QCOMPARE(shown, opened);
            QCOMPARE(r.firstIndexOf({opened.back()}), int(opened.size()) - 1);
            return;
        }
        r.loadAll();
        QVERIFY(!r.lendable());
        QCOMPARE(r.count(), int(opened.size()));
        std::vector<qint64> shown;
        for (int i = 0; i < r.count(); ++i)
            shown.push_back(r.key(i));
        std::sort(shown.begin(), shown.end());
        std::vector<qint64> all = opened;
        std::sort(all.begin(), all.end());
        QCOMPARE(shown, all); // every row once, the moved one too
    }

    // A filtered folder (a category chosen) shows exactly what the filtered statement gives,
    // whether its rows are walked along the order's index (many pass) or read whole (few do),
    // and after a change through it, run again, exactly what a fresh run gives.
    void filteredFolderShowsWhatAFilteredRunShows_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<QString>("filter");
        QTest::newRow("title, a large category") << "Title"
                                                 << "Category = 'alpha'";
        QTest::newRow("title descending, a category in other letters") << "Title DESC"
                                                                       << "Category = 'ÉMILE'";
        QTest::newRow("year descending, few rows pass") << "Year DESC"
                                                        << "Title = 'zebra'";
        QTest::newRow("media, a large category") << "Media_type"
                                                 << "Category = 'Émile'";
    }

    void filteredFolderShowsWhatAFilteredRunShows()
    {
        QFETCH(QString, orderBy);
        QFETCH(QString, filter);
        StoreFixture f;
        fillMovies(f, 25000);
        indexMovies(f);
        const QString fresh = QStringLiteral("select Id from Movies where %1 collate KOLT order by %2, Id");
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by ") + orderBy});
        q->setFilter(filter);
        q->setFiltered(true);
        q->Open();
        const std::vector<qint64> expected = keysOf(f, fresh.arg(filter, orderBy));
        QVERIFY(expected.size() > 100);
        QCOMPARE(q->RecordCount(), int(expected.size()));
        QCOMPARE(shownKeys(*q), expected);

        // Find reaches the last row in the order.
        const QString lastTitle
            = f.column(QStringLiteral("select Title from Movies where Id = %1").arg(expected.back())).value(0);
        q->First();
        QVERIFY(q->Locate(QStringLiteral("Id"), {expected.back()}, 0));
        QCOMPARE(q->RecNo(), int(expected.size()) - 1);
        QVERIFY(!lastTitle.isEmpty());

        // One row changed so that it no longer passes, one so that it sorts elsewhere.
        q->MoveTo(3);
        q->Edit();
        q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("nowhere"));
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("nowhere"));
        q->Post();
        q->MoveTo(7);
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("zzzz"));
        q->FieldByName(QStringLiteral("Year")).SetAsInteger(1);
        q->FieldByName(QStringLiteral("Media_type")).SetAsString(QStringLiteral("ZZ"));
        q->Post();
        q->Close();
        q->Open();
        QCOMPARE(shownKeys(*q), keysOf(f, fresh.arg(filter, orderBy)));
    }

    // A folder opened again, or in another order, shows the rows the table holds now: what an
    // earlier opening counted is taken only when nothing changed the table since.
    void reopenedFolderCountsWhatTheTableHolds_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("change");
        QTest::newRow("nothing changed") << ""
                                         << "";
        QTest::newRow("an insert here") << "here"
                                        << "insert into Movies (Title) values ('new')";
        QTest::newRow("a delete here") << "here"
                                       << "delete from Movies where Id = 5";
        QTest::newRow("an insert by another program") << "another program"
                                                      << "insert into Movies (Title) values ('new')";
        QTest::newRow("a delete by another program") << "another program"
                                                     << "delete from Movies where Id = 5";
    }

    void reopenedFolderCountsWhatTheTableHolds()
    {
        QFETCH(QString, writer);
        QFETCH(QString, change);
        StoreFixture f;
        fillMovies(f, 3000);
        indexMovies(f);
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by Title")});
        q->Open();
        QCOMPARE(q->RecordCount(), 3000);
        q->Close();
        if (writer == QLatin1String("here"))
            f.exec(change);
        else if (!writer.isEmpty())
            OtherProgram::rawExec(f.cat.path(), change);
        const QString count = f.column(QStringLiteral("select count(*) from Movies")).value(0);
        for (const QString& orderBy : {QStringLiteral("Title"), QStringLiteral("Year DESC")}) {
            q->setSQL({QStringLiteral("select * from Movies order by ") + orderBy});
            q->Open();
            QCOMPARE(QString::number(q->RecordCount()), count);
            QCOMPARE(shownKeys(*q), keysOf(f, QStringLiteral("select Id from Movies order by %1, Id").arg(orderBy)));
            q->Close();
        }
    }

    // A post that fails is undone; the walked result goes on showing its rows all the same.
    void failedPostLeavesTheWalkedRows()
    {
        StoreFixture f;
        fillMovies(f, 6000);
        indexMovies(f);
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by Year DESC")});
        q->Open();
        q->BeforePost = [](TDAODataset&) { throw EDatabaseError(QStringLiteral("refused")); };
        q->Edit();
        q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("changed"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, q->Post());
        q->Cancel();
        QCOMPARE(shownKeys(*q), keysOf(f, QStringLiteral("select Id from Movies order by Year DESC, Id")));
    }

    // Run again after a few changes, a walked folder reads as a fresh run would.
    void runAgainAfterChangesMatchesAFreshRun()
    {
        StoreFixture f;
        fillMovies(f, 5000);
        indexMovies(f);
        QRandomGenerator rng(99);
        const QStringList sql{QStringLiteral("select * from Movies order by Title DESC")};
        auto kept = f.query(QStringLiteral("qrKept"), sql);
        kept->Open();
        for (int round = 0; round < 12; ++round) {
            const int what = int(rng.bounded(3));
            kept->MoveTo(int(rng.bounded(quint32(kept->RecordCount()))));
            if (what == 0) {
                kept->Insert();
                kept->FieldByName(QStringLiteral("Title"))
                    .SetAsString(kWords[int(rng.bounded(quint32(kWords.size())))]);
                kept->Post();
            } else if (what == 1) {
                kept->Edit();
                kept->FieldByName(QStringLiteral("Title"))
                    .SetAsString(kWords[int(rng.bounded(quint32(kWords.size())))]);
                kept->Post();
            } else {
                kept->Delete();
            }
            kept->Close();
            kept->Open();
            auto fresh = f.query(QStringLiteral("qrFresh"), sql);
            fresh->Open();
            QCOMPARE(shownKeys(*kept), shownKeys(*fresh));
        }
    }

    // Find goes to the first match in the order shown, for an added row as well, which stands
    // last whatever its title.
    void findTakesTheFirstMatchInResultOrder_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<QString>("typed");
        QTest::newRow("ascending") << "Title"
                                   << "émi";
        QTest::newRow("descending") << "Title DESC"
                                    << "ÉMILE";
        QTest::newRow("cyrillic, other case") << "Title"
                                              << "ночь";
        QTest::newRow("wildcard") << "Title DESC"
                                  << "z*a";
        QTest::newRow("sorted by another column") << "Year"
                                                  << "lodz x";
    }

    void findTakesTheFirstMatchInResultOrder()
    {
        QFETCH(QString, orderBy);
        QFETCH(QString, typed);
        StoreFixture f;
        fillMovies(f, 6000);
        indexMovies(f);
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by ") + orderBy});
        q->Open();
        auto firstMatch = [&] {
            const TField& title = q->FieldByName(QStringLiteral("Title"));
            for (int r = 0; r < q->RowCount(); ++r) {
                if (TextFold::startsWith(q->rowValue(r, title).toString(), typed, true))
                    return r;
            }
            return -1;
        };
        QVERIFY(q->Locate(QStringLiteral("Title"), {typed}, loPartialKey));
        QCOMPARE(q->RecNo(), firstMatch());

        q->Insert();
        q->FieldByName(QStringLiteral("Title")).SetAsString(typed);
        q->Post();
        q->First();
        QVERIFY(q->Locate(QStringLiteral("Title"), {typed}, loPartialKey));
        QCOMPARE(q->RecNo(), firstMatch());
        QVERIFY(q->RecNo() < q->RecordCount() - 1);
    }

    // A folder that has grown large gets its indexes when the catalogue is opened for writing;
    // one that is small does not. When they cannot be added (the file is locked) the catalogue
    // opens as it is, unchanged, and the next opening tries again; an index on a column that
    // another program removed is left out, the others are built.
    void largeFoldersGetTheirIndexes_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("nothing in the way") << "";
        QTest::newRow("locked by another program") << "lock";
        QTest::newRow("a column missing") << "drop";
    }

    void largeFoldersGetTheirIndexes()
    {
        QFETCH(QString, obstacle);
        StoreFixture f;
        f.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                              "insert into Movies (Title, Category, Media_type) select 'T' || i, 'c', 'CD' from n; "
                              "insert into Mv_Cast (P_Id, Name) values (1, 'Kim');"
                              "insert into Books (Title, Category) values ('one', 'c');")
                   .arg(CatalogueFile::kIndexedFrom));
        if (obstacle == QLatin1String("drop"))
            f.exec(QStringLiteral("alter table Movies drop column M_no"));
        f.db.Close();

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(f.cat.path()).constData(), &other), SQLITE_OK);
        if (obstacle == QLatin1String("lock"))
            QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        const QByteArray unchanged = f.cat.bytes();
        f.db.Open();
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);

        // The sort indexes and those the statistics count along (the cast's names go with the
        // movies' size; its own index on the movie is in every catalogue).
        const QStringList all{"Movies$Category",   "Movies$Date_aq", "Movies$Director", "Movies$M_no",
                              "Movies$Media_type", "Movies$Title",   "Movies$Tot_time", "Movies$Year"};
        const QStringList cast{"Mv_Cast$Name", "Mv_Cast$P_Id"};
        QCOMPARE(indexesOf(f, QStringLiteral("Books")), QStringList());
        QCOMPARE(indexesOf(f, QStringLiteral("Mu_Songs")), QStringList{"Mu_Songs$P_Id"});
        if (obstacle.isEmpty()) {
            QCOMPARE(indexesOf(f, QStringLiteral("Movies")), all);
            QCOMPARE(indexesOf(f, QStringLiteral("Mv_Cast")), cast);
        } else if (obstacle == QLatin1String("drop")) {
            QStringList built = all;
            built.removeOne(QStringLiteral("Movies$M_no"));
            QCOMPARE(indexesOf(f, QStringLiteral("Movies")), built);
            QCOMPARE(indexesOf(f, QStringLiteral("Mv_Cast")), cast);
        } else {
            QCOMPARE(indexesOf(f, QStringLiteral("Movies")), QStringList());
            QCOMPARE(indexesOf(f, QStringLiteral("Mv_Cast")), QStringList{"Mv_Cast$P_Id"});
            QCOMPARE(f.cat.bytes(), unchanged);
            auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by Title")});
            q->Open();
            QCOMPARE(q->RecordCount(), int(CatalogueFile::kIndexedFrom));
        }
        if (obstacle == QLatin1String("drop"))
            return;
        f.db.Close();
        f.db.Open();
        QCOMPARE(indexesOf(f, QStringLiteral("Movies")), all);
        QCOMPARE(indexesOf(f, QStringLiteral("Mv_Cast")), cast);
    }

    // The indexes in the catalogue's collation are rebuilt when a build orders text otherwise:
    // left in the old order, a search along them would miss rows. Made here in a reversed
    // order by a program that registers its own "KOLT".
    void aCollationChangeRebuildsEveryIndex()
    {
        StoreFixture f;
        f.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                              "insert into Movies (Title, Category, Director) select 'T' || i, 'c' || (i % 7), "
                              "'D' || (i % 13) from n; "
                              "with recursive n(i) as (select 1 union all select i + 1 from n where i < 500) "
                              "insert into Mv_Cast (P_Id, Name) select i, 'Actor ' || (i % 17) from n;")
                   .arg(CatalogueFile::kIndexedFrom));
        f.db.Close();
        f.db.Open();
        QVERIFY(indexesOf(f, QStringLiteral("Mv_Cast")).contains(QStringLiteral("Mv_Cast$Name")));
        f.db.Close();

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(f.cat.path()).constData(), &other), SQLITE_OK);
        const auto reversed = [](void*, int n1, const void* a, int n2, const void* b) {
            return -TextFold::compareUtf8({static_cast<const char*>(a), size_t(n1)},
                                          {static_cast<const char*>(b), size_t(n2)});
        };
        sqlite3_create_collation(other, "KOLT", SQLITE_UTF8, nullptr, reversed);
        QCOMPARE(sqlite3_exec(other,
                              "REINDEX KOLT; update kolt_meta set value = 'an older rule' where key = 'collation'",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(other);

        f.db.Open();
        QCOMPARE(f.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const auto along
            = [&f](const QString& table, const QString& index, const QString& column, const QString& value) {
                  return f
                      .scalar(QStringLiteral("select count(*) from %1 indexed by \"%2\" where %3 = '%4'")
                                  .arg(table, index, column, value))
                      .toLongLong();
              };
        QCOMPARE(along(QStringLiteral("Mv_Cast"), QStringLiteral("Mv_Cast$Name"), QStringLiteral("Name"),
                       QStringLiteral("actor 5")),
                 30);
        QCOMPARE(
            along(QStringLiteral("Movies"), QStringLiteral("Movies$Director"), QStringLiteral("Director"),
                  QStringLiteral("d12")),
            f.scalar(QStringLiteral("select count(*) from Movies not indexed where Director = 'D12'")).toLongLong());
    }
};

QTEST_GUILESS_MAIN(TestSortIndexes)
#include "tst_sortindexes.moc"
