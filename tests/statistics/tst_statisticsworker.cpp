#include "CatalogueWriter.h"
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
