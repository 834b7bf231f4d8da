#include "KeysOf.h"
#include "KeysetResult.h"
#include "OtherProgram.h"
#include "ResultColumn.h"
#include "StoreFixture.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

// A large folder whose order no index serves (a catalogue that could not be given its
// indexes) is sorted beside the program. The fixture's tables have no such index: rows added
// after the opening get none.
namespace {

// Titles that differ only by case and accents sort as one; their rows come in key order.
const QStringList kTitles{"alpha", "Émile", "ÉMILE", "emile", "zebra", "Łódź", "lodz", "Bravo", "Żółw", "10", "2"};
const QStringList kCategories{"Émile", "emile", "EMILE", "zebra"};

void fillMovies(StoreFixture& f, int rows, quint32 seed = 11)
{
    QRandomGenerator rng(seed);
    f.exec(QStringLiteral("BEGIN"));
    SqliteStatement insert(f.db.handle(), QStringLiteral("insert into Movies (Title, Category, Year, Media_type) "
                                                         "values (?1, ?2, ?3, ?4)"));
    for (int i = 0; i < rows; ++i) {
        const int pick = int(rng.bounded(quint32(kTitles.size() + 1)));
        insert.bind(1, pick == kTitles.size() ? QVariant() : QVariant(kTitles[pick]));
        insert.bind(2, kCategories[int(rng.bounded(quint32(kCategories.size())))]);
        insert.bind(3, rng.bounded(8) == 0 ? QVariant() : QVariant(1990 + int(rng.bounded(5))));
        insert.bind(4, rng.bounded(2) ? QStringLiteral("CD") : QStringLiteral("cd"));
        insert.execute();
        insert.reset();
    }
    f.exec(QStringLiteral("COMMIT"));
}

// The folder's query as the window runs it: sorted beside from `from` rows on.
std::unique_ptr<TDAOQuery> folderQuery(StoreFixture& f, const QString& orderBy, qint64 from = 100)
{
    auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by ") + orderBy});
    q->setOrderBesideFrom(from);
    return q;
}

// What the window does for a click on a column title.
void sortBy(TDAOQuery& q, const QString& orderBy)
{
    q.Close();
    q.setSQL({QStringLiteral("select * from Movies order by ") + orderBy});
    q.Open();
}

constexpr int kSettles = 20000; // ms a sort beside may take on a loaded machine

} // namespace

class TestSortBeside : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The order read beside is exactly SQLite's own: each sortable kind of column, both ways,
    // with and without a category (whose name matches in other letters), ties by key.
    void orderIsTheStatementsOwn_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<QString>("category");
        for (const char* c : {"Title", "Year", "Media_type"}) {
            for (const char* direction : {"", " DESC"}) {
                const QString orderBy = QLatin1String(c) + QLatin1String(direction);
                QTest::addRow("%s", qPrintable(orderBy)) << orderBy << QString();
                QTest::addRow("%s, a category", qPrintable(orderBy)) << orderBy << QStringLiteral("émile");
            }
        }
    }

    void orderIsTheStatementsOwn()
    {
        QFETCH(QString, orderBy);
        QFETCH(QString, category);
        StoreFixture f;
        fillMovies(f, 3000);
        auto q = folderQuery(f, orderBy);
        if (!category.isEmpty()) {
            q->setFilter(QStringLiteral("Category = '%1'").arg(category));
            q->setFiltered(true);
        }
        q->Open();
        QVERIFY(q->OrderPending());
        QCOMPARE(q->RowCount(), 0); // no rows of a new run are known yet
        QTRY_VERIFY_WITH_TIMEOUT(!q->OrderPending(), kSettles);
        const QString where
            = category.isEmpty() ? QString() : QStringLiteral(" where Category = '%1' collate KOLT").arg(category);
        const std::vector<qint64> expected
            = keysOf(f, QStringLiteral("select Id from Movies%1 order by %2, Id").arg(where, orderBy));
        QVERIFY(expected.size() > 100);
        QCOMPARE(shownKeys(*q), expected);
        QCOMPARE(q->RecNo(), 0);
    }

    // A new sort of the same rows shows them in their old order until the new one is read; a
    // smaller table than the threshold is read as before, at once.
    void aNewSortShowsTheOldOrderMeanwhile()
    {
        StoreFixture f;
        fillMovies(f, 3000);
        auto q = folderQuery(f, QStringLiteral("Title"));
        q->Open();
        QTRY_VERIFY_WITH_TIMEOUT(!q->OrderPending(), kSettles);
        const std::vector<qint64> byTitle = shownKeys(*q);

        sortBy(*q, QStringLiteral("Year DESC"));
        QVERIFY(q->OrderPending());
        QCOMPARE(shownKeys(*q), byTitle);
        QTRY_VERIFY_WITH_TIMEOUT(!q->OrderPending(), kSettles);
        QCOMPARE(shownKeys(*q), keysOf(f, QStringLiteral("select Id from Movies order by Year DESC, Id")));

        // The order taken in is kept: the folder visited again shows it at once.
        q->Close();
        q->Open();
        QVERIFY(!q->OrderPending());
        QCOMPARE(shownKeys(*q), keysOf(f, QStringLiteral("select Id from Movies order by Year DESC, Id")));

        auto small = folderQuery(f, QStringLiteral("Title DESC"), 100000);
        small->Open();
        QVERIFY(!small->OrderPending());
        QCOMPARE(shownKeys(*small), keysOf(f, QStringLiteral("select Id from Movies order by Title DESC, Id")));
    }

    // A click while a sort is being read replaces it: the last order asked for is shown, and
    // no earlier one in between.
    void aSortAskedForMeanwhileReplacesTheFirst()
    {
        StoreFixture f;
        fillMovies(f, 20000);
        auto q = folderQuery(f, QStringLiteral("Title"));
        q->Open();
        QVERIFY(q->OrderPending());
        sortBy(*q, QStringLiteral("Year"));
        QVERIFY(q->OrderPending());
        sortBy(*q, QStringLiteral("Title DESC"));
        QVERIFY(q->OrderPending());
        const quint64 serial = q->ResultSerial();
        QTRY_VERIFY_WITH_TIMEOUT(!q->OrderPending(), kSettles);
        QCOMPARE(q->ResultSerial(), serial + 1); // taken in once
        QCOMPARE(shownKeys(*q), keysOf(f, QStringLiteral("select Id from Movies order by Title DESC, Id")));
    }

    // The window does not wait for the sort: opening costs a small part of what reading the
    // order here costs, and the rows shown meanwhile can be read and moved through.
    void openingDoesNotWaitForTheSort()
    {
        StoreFixture f;
        fillMovies(f, 150000);
        auto here = f.query(QStringLiteral("qrHere"), {QStringLiteral("select * from Movies order by Title")});
        QElapsedTimer clock;
        clock.start();
        here->Open();
        const qint64 readHere = clock.nsecsElapsed();
        const std::vector<qint64> byTitle = shownKeys(*here);
        here->Close();

        auto q = folderQuery(f, QStringLiteral("Title"));
        clock.restart();
        q->Open();
        const qint64 opening = clock.nsecsElapsed();
        QVERIFY(q->OrderPending());
        QVERIFY2(opening * 4 < readHere, qPrintable(QStringLiteral("opening %1 ms, reading here %2 ms")
                                                        .arg(double(opening) / 1e6)
                                                        .arg(double(readHere) / 1e6)));
        QTRY_VERIFY_WITH_TIMEOUT(!q->OrderPending(), kSettles);
        QCOMPARE(shownKeys(*q), byTitle);

        // A new sort shows the rows at once, and the user moves among them while it is read.
        clock.restart();
        sortBy(*q, QStringLiteral("Year DESC"));
        QVERIFY(clock.nsecsElapsed() * 4 < readHere);
        QVERIFY(q->OrderPending());
        QCOMPARE(q->RowCount(), int(byTitle.size()));
        q->MoveTo(5);
        QCOMPARE(q->FieldByName(QStringLiteral("Id")).Value().toLongLong(), byTitle[5]);
        // The row the user moved to stays current in the new order.
        QTRY_VERIFY_WITH_TIMEOUT(!q->OrderPending(), kSettles);
        const std::vector<qint64> byYear = keysOf(f, QStringLiteral("select Id from Movies order by Year DESC, Id"));
        QCOMPARE(shownKeys(*q), byYear);
        QCOMPARE(q->FieldByName(QStringLiteral("Id")).Value().toLongLong(), byTitle[5]);
        QCOMPARE(q->RecNo(), int(std::find(byYear.begin(), byYear.end(), byTitle[5]) - byYear.begin()));
    }

    // Another program writes the file while the order is read: an order read before the write
    // is never taken in, but read again; what is shown in the end is the table as it is now.
    void aWriteMeanwhileIsNeverShownStale_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::newRow("another program") << "another program";
        QTest::newRow("this connection") << "this connection";
    }

    void aWriteMeanwhileIsNeverShownStale()
    {
        QFETCH(QString, writer);
        StoreFixture f;
        fillMovies(f, 3000);
        std::vector<ResultColumn> columns;
        {
            SqliteStatement probe(f.db.handle(), QStringLiteral("select * from Movies"));
            columns = ResultColumn::describe(probe.handle());
        }
        const QString byTitle = QStringLiteral("select Id from Movies order by Title, Id");
        const std::vector<qint64> before = keysOf(f, byTitle);
        KeysetResult r(f.db, columns, QStringLiteral("Movies"), QStringLiteral("Id"), {});
        r.prepareOrder({byTitle, {}}, f.db.changes().mark(QStringLiteral("Movies")), false);
        QTRY_VERIFY_WITH_TIMEOUT(r.preparedOrderReady(), kSettles);

        // The first row moves to the end, after the order was read.
        const QString change = QStringLiteral("update Movies set Title = 'zzz' where Id = %1").arg(before.front());
        if (writer == QLatin1String("another program"))
            OtherProgram::rawExec(f.cat.path(), change);
        else
            f.exec(change);
        const std::vector<qint64> after = keysOf(f, byTitle);
        QCOMPARE(after.back(), before.front());

        QVERIFY(!r.takePreparedOrder(false)); // read again
        QVERIFY(r.orderPending());
        QTRY_VERIFY_WITH_TIMEOUT(r.preparedOrderReady(), kSettles);
        QVERIFY(r.takePreparedOrder(false));
        std::vector<qint64> shown;
        for (int i = 0; i < r.count(); ++i)
            shown.push_back(r.key(i));
        QCOMPARE(shown, after);
    }

    // Through the dataset: a row another program adds while the order is read is in the order
    // that is finally shown.
    void aRowAddedMeanwhileIsInTheOrderShown()
    {
        StoreFixture f;
        fillMovies(f, 3000);
        auto q = folderQuery(f, QStringLiteral("Title DESC"));
        q->Open();
        OtherProgram::rawExec(f.cat.path(), QStringLiteral("insert into Movies (Title) values ('Zzz new')"));
        QTRY_VERIFY_WITH_TIMEOUT(!q->OrderPending(), kSettles);
        const std::vector<qint64> expected = keysOf(f, QStringLiteral("select Id from Movies order by Title DESC, Id"));
        QCOMPARE(shownKeys(*q), expected);
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Zzz new"));
    }

    // What needs the rows in their order (finding a row, a report, an export) waits for it.
    void findingWaitsForTheOrder()
    {
        StoreFixture f;
        fillMovies(f, 3000);
        auto q = folderQuery(f, QStringLiteral("Year"));
        q->setFilter(QStringLiteral("Category = 'zebra'"));
        q->setFiltered(true);
        q->Open();
        QVERIFY(q->OrderPending());
        const std::vector<qint64> expected
            = keysOf(f, QStringLiteral("select Id from Movies where Category = 'zebra' order by Year, Id"));
        QVERIFY(q->Locate(QStringLiteral("Id"), {expected[40]}, 0));
        QVERIFY(!q->OrderPending());
        QCOMPARE(q->RecNo(), 40);
        QCOMPARE(shownKeys(*q), expected);

        sortBy(*q, QStringLiteral("Title"));
        q->waitForOrder();
        QVERIFY(!q->OrderPending());
        QCOMPARE(shownKeys(*q),
                 keysOf(f, QStringLiteral("select Id from Movies where Category = 'zebra' order by Title, Id")));
    }
};

QTEST_GUILESS_MAIN(TestSortBeside)
#include "tst_sortbeside.moc"
