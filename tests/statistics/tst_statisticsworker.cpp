#include "CatalogueWriter.h"
#include "CollectionCounter.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "StatisticsFolder.h"
#include "StatisticsWorker.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

// Everything the worker says, in the order it arrives on the test's thread.
struct Heard
{
    QStringList said;

    explicit Heard(StatisticsWorker& worker)
    {
        QObject::connect(&worker, &StatisticsWorker::totalsReady, &worker,
                         [this](const StatisticsTotals&) { said << QStringLiteral("totals"); });
        QObject::connect(&worker, &StatisticsWorker::chartReady, &worker,
                         [this](const StatisticsChart& chart) { said << chart.id; });
        QObject::connect(&worker, &StatisticsWorker::failed, &worker,
                         [this](const QString&) { said << QStringLiteral("failed"); });
        QObject::connect(&worker, &StatisticsWorker::finished, &worker, [this] { said << QStringLiteral("finished"); });
    }
};

} // namespace

class TestStatisticsWorker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each folder's counts arrive once each, from both lanes, and `finished` comes last.
    void everyCountArrivesOnceThenFinished_data()
    {
        QTest::addColumn<int>("folder");
        for (const StatisticsFolder& f : StatisticsFolder::all())
            QTest::addRow("%s", qPrintable(f.caption)) << f.index;
    }
    void everyCountArrivesOnceThenFinished()
    {
        QFETCH(int, folder);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("koltDB.mdb"));
        CatalogueWriter::create(path);
        StatisticsWorker worker(path, folder, std::nullopt);
        Heard heard(worker);
        worker.start();
        QTRY_VERIFY_WITH_TIMEOUT(heard.said.contains(QStringLiteral("finished")), 10000);
        QCoreApplication::processEvents();
        QCOMPARE(heard.said.last(), QStringLiteral("finished"));
        QStringList counts = heard.said.mid(0, heard.said.size() - 1);
        QStringList expected = StatisticsWorker::chartIds(folder) << QStringLiteral("totals");
        counts.sort();
        expected.sort();
        QCOMPARE(counts, expected);
        QStringList order = StatisticsWorker::countOrder(folder);
        order.sort();
        QCOMPARE(order, expected);
        QVERIFY(!worker.isRunning());
    }

    // A whole folder's cast is counted on both lanes at once, in parts: together they give the
    // chart one counter gives.
    void aCastCountedInPartsIsWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("koltDB.mdb"));
        CatalogueWriter::create(path);
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        SqliteFunctions::install(db);
        // 40 movies, names of one to twelve movies each, some twice on a movie in another
        // spelling, some on movies that are gone or not saved yet.
        SqliteStatement::exec(
            db, QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 40) "
                               "INSERT INTO Movies (Title) SELECT 'T' || k FROM n;"
                               "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 300) "
                               "INSERT INTO Mv_Cast (P_Id, Name) SELECT (k * 7) % 45, "
                               "CASE k % 3 WHEN 0 THEN 'Ćwik ' ELSE 'ĆWIK ' END || (k % 13) FROM n;"));
        sqlite3_close(db);
        const StatisticsFolder& movies = StatisticsFolder::all()[0];
        const StatisticsChart whole = CollectionCounter(path).people(movies, movies.people[0]);
        QCOMPARE(int(whole.entries.size()), CollectionCounter::kTopNames);

        StatisticsWorker worker(path, 0, std::nullopt);
        std::optional<StatisticsChart> actors;
        QObject::connect(&worker, &StatisticsWorker::chartReady, &worker, [&actors](const StatisticsChart& chart) {
            if (chart.id == QLatin1String("actors"))
                actors = chart;
        });
        Heard heard(worker);
        worker.start();
        QTRY_VERIFY_WITH_TIMEOUT(heard.said.contains(QStringLiteral("finished")), 10000);
        QVERIFY(actors);
        QCOMPARE(heard.said.count(QStringLiteral("actors")), 1);
        QCOMPARE(actors->entries.size(), whole.entries.size());
        for (size_t i = 0; i < whole.entries.size(); ++i) {
            QCOMPARE(actors->entries[i].label.toLower(), whole.entries[i].label.toLower());
            QCOMPARE(actors->entries[i].value, whole.entries[i].value);
        }
    }

    // A catalogue that cannot be counted is said to have failed once, however many lanes
    // find out, and nothing says it finished.
    void aFailureIsSaidOnce_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("no file") << "remove";
        QTest::newRow("a table missing") << "drop";
    }
    void aFailureIsSaidOnce()
    {
        QFETCH(QString, damage);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("koltDB.mdb"));
        CatalogueWriter::create(path);
        if (damage == QLatin1String("remove")) {
            QFile::remove(path);
        } else {
            sqlite3* db = nullptr;
            sqlite3_open(path.toUtf8().constData(), &db);
            SqliteFunctions::install(db);
            SqliteStatement::exec(db, QStringLiteral("DROP TABLE Mv_Cast; DROP TABLE Movies"));
            sqlite3_close(db);
        }
        StatisticsWorker worker(path, 0, std::nullopt);
        Heard heard(worker);
        worker.start();
        QTRY_VERIFY_WITH_TIMEOUT(!worker.isRunning(), 10000);
        QCoreApplication::processEvents();
        QCOMPARE(heard.said.filter(QStringLiteral("failed")).size(), 1);
        QVERIFY(!heard.said.contains(QStringLiteral("finished")));
    }
};

QTEST_GUILESS_MAIN(TestStatisticsWorker)
#include "tst_statisticsworker.moc"
