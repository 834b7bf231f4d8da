#include "CatalogueFile.h"
#include "CatalogueUpgrade.h"
#include "OtherProgram.h"
#include "StoreFixture.h"
#include "TextFold.h"

#include <QProcess>
#include <QTest>
#include <QThread>
#include <iostream>
#include <memory>

namespace {

const QString kMoviesIndexes = QStringLiteral("select name from sqlite_schema where type = 'index' and "
                                              "tbl_name = 'Movies' and name like 'Movies$%' order by name");

// The indexes of the Movies table a large folder gets, in the order they are built.
QStringList movieIndexesInOrder()
{
    QStringList out;
    for (const CatalogueFile::LargeTableIndex& index : CatalogueFile::largeTableIndexes()) {
        if (index.table == QLatin1String("Movies"))
            out << index.name;
    }
    return out;
}

// A catalogue whose Movies folder is large enough for its sort indexes, none built yet.
std::unique_ptr<TempCatalogue> largeCatalogue(qint64 movies = CatalogueFile::kIndexedFrom + 2000)
{
    auto cat = std::make_unique<TempCatalogue>();
    OtherProgram::rawExec(cat->path(),
                          QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                                         "insert into Movies (Title, Category, Media_type, M_no, Year) select "
                                         "'T' || ((i * 7919) % %1), 'c' || (i % 13), 'CD', 'M' || (i % 50), "
                                         "1950 + i % 70 from n")
                              .arg(movies));
    return cat;
}

QString metaValue(const QString& path, const char* key)
{
    return OtherProgram::fileColumn(
               path, QStringLiteral("select value from kolt_meta where key = '%1'").arg(QLatin1String(key)))
        .value(0);
}

// Opens the catalogue as the program does and closes it again.
void openOnce(const QString& path)
{
    TDAODatabase db;
    db.setDatabaseName(path);
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
}

// Copies made, as the safety net is asked for them.
struct CopyLog
{
    QStringList earlier; // what each request was told of an earlier copy
    int made = 0;

    void install()
    {
        CatalogueUpgrade::setBeforeUpgrade([this](const QString&, const QString& earlierCopy) {
            earlier << earlierCopy;
            if (!earlierCopy.isEmpty())
                return earlierCopy;
            return QStringLiteral("copy-%1.mdb").arg(++made);
        });
    }
};

// A runner that records the progress and stops the work once it has gone `stopAt` percent.
struct Runner
{
    QList<int> seen;
    QStringList labels;
    int stopAt = 1000;

    void install()
    {
        CatalogueUpgrade::setRunner([this](const QString& label, const CatalogueUpgrade::Work& work) {
            labels << label;
            work([this](int percent) {
                if (seen.isEmpty() || seen.last() != percent)
                    seen << percent;
                return percent < stopAt;
            });
        });
    }
};

// The test program's helper mode: opens the catalogue at `path` and, a while into the build of
// its sort indexes, says so and waits there to be killed, as a program ended half-way would be.
int buildUntilKilledMode(int argc, char** argv)
{
    if (argc != 3 || QByteArray(argv[1]) != "--build-until-killed")
        return -1;
    QCoreApplication app(argc, argv);
    CatalogueUpgrade::setRunner([](const QString&, const CatalogueUpgrade::Work& work) {
        work([](int percent) {
            if (percent >= 50) {
                std::cout << "building" << std::endl;
                QThread::sleep(600);
            }
            return true;
        });
    });
    openOnce(QString::fromLocal8Bit(argv[2]));
    return 0;
}

} // namespace

class TestCatalogueUpgrade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        CatalogueUpgrade::setRunner({});
        CatalogueUpgrade::setBeforeUpgrade({});
    }

    // The build says how far it is, in steps that only go up, to the end.
    void progressIsReported()
    {
        const auto cat = largeCatalogue(40000);
        Runner runner;
        runner.install();
        openOnce(cat->path());
        QCOMPARE(runner.labels, QStringList{QString::fromLatin1(CatalogueUpgrade::kLabel)});
        QVERIFY2(runner.seen.size() >= 10, qPrintable(QStringLiteral("%1 steps").arg(runner.seen.size())));
        QVERIFY(std::is_sorted(runner.seen.begin(), runner.seen.end()));
        QCOMPARE(runner.seen.last(), 100);
        // Within each index too, not only between them.
        const int perIndex = 100 / int(movieIndexesInOrder().size());
        QVERIFY(std::any_of(runner.seen.begin(), runner.seen.end(),
                            [perIndex](int p) { return p > 0 && p < 100 && p % perIndex != 0; }));
        QCOMPARE(OtherProgram::fileColumn(cat->path(), kMoviesIndexes).size(), movieIndexesInOrder().size());
    }

    // Stopped half-way, the indexes finished are kept and the catalogue opens and works (a
    // folder without its index sorts as it reads); the next opening builds the rest, without
    // another copy of the catalogue.
    void stoppedUpgradeKeepsWhatIsDoneAndResumes()
    {
        const auto cat = largeCatalogue();
        CopyLog copies;
        copies.install();
        Runner runner;
        runner.stopAt = 50;
        runner.install();
        {
            TDAODatabase db;
            db.setDatabaseName(cat->path());
            db.setPassword(QStringLiteral("trobel72"));
            db.Open();
            auto q = std::make_unique<TDAOQuery>(QStringLiteral("qrMovies"));
            q->setDatabase(&db);
            q->setSQL({QStringLiteral("select * from Movies order by Year desc")});
            q->Open();
            QCOMPARE(q->RecordCount(), int(CatalogueFile::kIndexedFrom + 2000));
            QCOMPARE(q->FieldByName(QStringLiteral("Year")).AsInteger(), 2019);
        }
        const QStringList built = OtherProgram::fileColumn(cat->path(), kMoviesIndexes);
        const QStringList order = movieIndexesInOrder();
        QVERIFY2(!built.isEmpty() && built.size() < order.size(), qPrintable(built.join(u',')));
        QStringList expected = order.mid(0, built.size());
        expected.sort();
        QCOMPARE(built, expected); // the first ones, whole
        QCOMPARE(copies.made, 1);
        QCOMPARE(metaValue(cat->path(), CatalogueUpgrade::kCopyKey), QStringLiteral("copy-1.mdb"));

        runner.stopAt = 1000;
        openOnce(cat->path());
        QCOMPARE(OtherProgram::fileColumn(cat->path(), kMoviesIndexes).size(), order.size());
        QCOMPARE(copies.earlier, (QStringList{QString(), QStringLiteral("copy-1.mdb")}));
        QCOMPARE(copies.made, 1);
        QCOMPARE(metaValue(cat->path(), CatalogueUpgrade::kCopyKey), QString());

        // Complete: later openings neither copy nor write.
        const QByteArray before = cat->bytes();
        openOnce(cat->path());
        QCOMPARE(copies.earlier.size(), 2);
        QCOMPARE(cat->bytes(), before);
    }

    // A program ended half-way through the build keeps the indexes it finished, the file is
    // whole, and the next opening builds the rest.
    void killedUpgradeKeepsWhatIsDone()
    {
        const auto cat = largeCatalogue();
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--build-until-killed"), cat->path()});
        QVERIFY(child.waitForReadyRead(120000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("building"));
        child.kill();
        QVERIFY(child.waitForFinished(10000));

        OtherProgram::rawExec(cat->path(), QStringLiteral("select 1")); // puts back what was half-written
        QCOMPARE(OtherProgram::fileColumn(cat->path(), QStringLiteral("pragma integrity_check")), QStringList{"ok"});
        const int built = int(OtherProgram::fileColumn(cat->path(), kMoviesIndexes).size());
        QVERIFY2(built >= 1 && built < movieIndexesInOrder().size(), qPrintable(QString::number(built)));
        openOnce(cat->path());
        QCOMPARE(OtherProgram::fileColumn(cat->path(), kMoviesIndexes).size(), movieIndexesInOrder().size());
    }

    // A new order of text (the sort indexes dropped and built again) and missing indexes are
    // one upgrade: one copy before both.
    void oneCopyForTheWholeUpgrade()
    {
        const auto cat = largeCatalogue();
        openOnce(cat->path()); // built, without a copy
        OtherProgram::rawExec(cat->path(), QStringLiteral("drop index \"Movies$Year\"; update kolt_meta set value = "
                                                          "'an older rule' where key = 'collation'"));
        CopyLog copies;
        copies.install();
        Runner runner;
        runner.install();
        openOnce(cat->path());
        QCOMPARE(copies.made, 1);
        QCOMPARE(copies.earlier, QStringList{QString()});
        QCOMPARE(OtherProgram::fileColumn(cat->path(), kMoviesIndexes).size(), movieIndexesInOrder().size());
        QCOMPARE(metaValue(cat->path(), CatalogueFile::kCollationKey), TextFold::version());
        QCOMPARE(runner.seen.last(), 100);
        QCOMPARE(OtherProgram::fileColumn(cat->path(), QStringLiteral("pragma integrity_check")), QStringList{"ok"});
    }

    // While another program reads the file, nothing is copied or changed, and the catalogue
    // opens as it is.
    void busyFileIsLeftUnchanged()
    {
        const auto cat = largeCatalogue();
        CopyLog copies;
        copies.install();
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(cat->path()).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN; SELECT count(*) FROM Movies", nullptr, nullptr, nullptr), SQLITE_OK);
        const QByteArray before = cat->bytes();
        openOnce(cat->path());
        QCOMPARE(cat->bytes(), before);
        QCOMPARE(copies.made, 0);
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        openOnce(cat->path());
        QCOMPARE(OtherProgram::fileColumn(cat->path(), kMoviesIndexes).size(), movieIndexesInOrder().size());
        QCOMPARE(copies.made, 1);
    }
};

int main(int argc, char** argv)
{
    if (const int helper = buildUntilKilledMode(argc, argv); helper >= 0)
        return helper;
    QCoreApplication app(argc, argv);
    TestCatalogueUpgrade test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_catalogueupgrade.moc"
