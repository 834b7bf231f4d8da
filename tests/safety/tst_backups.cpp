#include "BackupRotation.h"
#include "CatalogueBackup.h"
#include "CatalogueCheck.h"
#include "EDatabaseError.h"
#include "ErrorText.h"
#include "OtherProgram.h"
#include "SideConnection.h"
#include "TempCatalogue.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>

namespace {

qint64 movies(const QString& path)
{
    return OtherProgram::fileColumn(path, QStringLiteral("select count(*) from Movies")).value(0).toLongLong();
}

const QDateTime kNoon(QDate(2026, 12, 10), QTime(12, 0, 0));

// The helper modes of this test program: a backup or a restore in a loop, until killed.
int loopMode(int argc, char** argv)
{
    if (argc != 4)
        return -1;
    const QByteArray mode(argv[1]);
    const QString a = QString::fromLocal8Bit(argv[2]);
    const QString b = QString::fromLocal8Bit(argv[3]);
    if (mode == "--backup-loop") {
        for (int i = 0;; ++i)
            CatalogueBackup::make(a, b, kNoon.addSecs(i), [](qint64, qint64) { return true; });
    }
    if (mode == "--restore-loop") {
        for (;;)
            CatalogueBackup::restore(a, b);
    }
    return -1;
}

// Starts this program in a loop mode, lets it work for a while and kills it.
void killMidway(const QStringList& args, int minMs, int maxMs)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), args);
    QVERIFY(p.waitForStarted());
    QTest::qWait(int(QRandomGenerator::global()->bounded(minMs, maxMs)));
    ::kill(pid_t(p.processId()), SIGKILL);
    p.waitForFinished();
}

} // namespace

class TestBackups : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aCopyIsWholeNamedAndLeavesTheCatalogueAsItWas()
    {
        TempCatalogue cat(300);
        const QByteArray before = cat.bytes();
        const QString folder = cat.filePath(QStringLiteral("Backups"));
        qint64 lastDone = -1;
        qint64 total = 0;
        bool forward = true;
        const QString copy = CatalogueBackup::make(cat.path(), folder, kNoon, [&](qint64 done, qint64 all) {
            forward = forward && done > lastDone;
            lastDone = done;
            total = all;
            return true;
        });
        QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("koltDB-2026-12-10-120000.mdb"));
        QVERIFY(forward);
        QVERIFY(total > 0);
        QCOMPARE(lastDone, total);
        QCOMPARE(CatalogueBackup::problem(copy), QString());
        QCOMPARE(movies(copy), movies(cat.path()));
        QCOMPARE(cat.bytes(), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QFileInfo(copy).fileName()});
        // A second copy in the same second gets a name of its own.
        const QString second = CatalogueBackup::make(cat.path(), folder, kNoon);
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("koltDB-2026-12-10-120001.mdb"));
        const std::vector<qint64> counts = CatalogueBackup::folderCounts(second);
        QCOMPARE(counts.size(), size_t(5));
        QCOMPARE(counts[0], movies(cat.path()));
    }

    void aFailedOrCancelledCopyLeavesNothing()
    {
        TempCatalogue cat(50);
        const QByteArray before = cat.bytes();
        // A folder that cannot be made (a file is in the way; also what a read-only place gives).
        const QString blocked = cat.path() + QStringLiteral("/Backups");
        const QString message = messageOf([&] { CatalogueBackup::make(cat.path(), blocked, kNoon); });
        QVERIFY2(message.startsWith(QLatin1String("The catalogue could not be backed up")), qPrintable(message));
        // A catalogue that cannot be read.
        const QString folder0 = cat.filePath(QStringLiteral("Other"));
        const QString missing = messageOf([&] { CatalogueBackup::make(cat.filePath("none.mdb"), folder0, kNoon); });
        QVERIFY2(missing.startsWith(QLatin1String("The catalogue could not be backed up")), qPrintable(missing));
        QVERIFY(QDir(folder0).entryList(QDir::Files).isEmpty());

        const QString folder = cat.filePath(QStringLiteral("Backups"));
        bool cancelled = false;
        try {
            CatalogueBackup::make(cat.path(), folder, kNoon, [](qint64, qint64) { return false; });
        } catch (const CatalogueBackup::Cancelled&) {
            cancelled = true;
        }
        QVERIFY(cancelled);
        QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());
        QCOMPARE(cat.bytes(), before);
    }

    void rotationKeepsTheNewestAndOneAWeek_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QStringList>("removed");
        const QString day = QStringLiteral("koltDB-2026-12-%1-120000.mdb");
        QStringList december;
        for (int d = 1; d <= 10; ++d)
            december << day.arg(d, 2, 10, QLatin1Char('0'));
        QTest::newRow("fewer than kept") << december << 10 << QStringList();
        // Kept: the 3 newest (10, 9, 8), and the newest of each week back from now: 10 (0 to 6 days
        // back) and 3 (7 to 13 days back).
        QTest::newRow("three kept, one a week")
            << december << 3 << QStringList{day.arg(1, 2, 10, QLatin1Char('0')), day.arg(2, 2, 10, QLatin1Char('0')),
                                            day.arg(4, 2, 10, QLatin1Char('0')), day.arg(5, 2, 10, QLatin1Char('0')),
                                            day.arg(6, 2, 10, QLatin1Char('0')), day.arg(7, 2, 10, QLatin1Char('0'))};
        QTest::newRow("older than eight weeks go")
            << QStringList{QStringLiteral("koltDB-2026-01-01-120000.mdb"),
                           QStringLiteral("koltDB-2026-12-10-110000.mdb"), QStringLiteral("notes.txt"),
                           QStringLiteral("koltDB-2026-10-20-120000.mdb")}
            << 1 << QStringList{QStringLiteral("koltDB-2026-01-01-120000.mdb")};
    }

    void rotationKeepsTheNewestAndOneAWeek()
    {
        QFETCH(QStringList, names);
        QFETCH(int, kept);
        QFETCH(QStringList, removed);
        const QDateTime now(QDate(2026, 12, 10), QTime(13, 0));
        QStringList got = BackupRotation::toRemove(names, now, kept, 8);
        got.sort();
        removed.sort();
        QCOMPARE(got, removed);
    }

    void restorePutsTheCopyInPlaceOrRefusesWhenBusy()
    {
        TempCatalogue cat(40);
        const QString folder = cat.filePath(QStringLiteral("Backups"));
        const QString copy = CatalogueBackup::make(cat.path(), folder, kNoon);
        const qint64 inCopy = movies(copy);
        OtherProgram::rawExec(cat.path(), QStringLiteral("delete from Movies where Id % 2 = 0"));
        QVERIFY(movies(cat.path()) < inCopy);

        {
            OtherProgram::Reader reader(cat.path());
            const QString message = messageOf([&] { CatalogueBackup::restore(copy, cat.path()); });
            QVERIFY2(message.contains(QLatin1String("in use by another program")), qPrintable(message));
        }
        QVERIFY(movies(cat.path()) < inCopy);
        CatalogueBackup::restore(copy, cat.path());
        QCOMPARE(movies(cat.path()), inCopy);
        QCOMPARE(CatalogueBackup::problem(cat.path()), QString());
    }

    void aDamagedCopyIsRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("why");
        QTest::newRow("not a catalogue") << QByteArray("just some text, not a database file at all")
                                         << "not a catalogue";
        QTest::newRow("damaged pages") << QByteArray() << "damaged";
    }

    void aDamagedCopyIsRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        TempCatalogue cat(200);
        const QString copy = CatalogueBackup::make(cat.path(), cat.filePath(QStringLiteral("Backups")), kNoon);
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (content.isEmpty()) {
            // Scribble over pages in the middle of the file, as a failing disk would.
            f.seek(f.size() / 2);
            f.write(QByteArray(8192, '\x5a'));
        } else {
            f.resize(0);
            f.write(content);
        }
        f.close();
        QVERIFY2(CatalogueBackup::problem(copy).contains(why), qPrintable(CatalogueBackup::problem(copy)));
        const QByteArray before = cat.bytes();
        const QString message = messageOf([&] { CatalogueBackup::restore(copy, cat.path()); });
        QVERIFY2(message.startsWith(QLatin1String("The backup")), qPrintable(message));
        QCOMPARE(cat.bytes(), before);
        // And the check says the same of the damaged file, in words.
        const CatalogueCheck::Result checked = CatalogueCheck::run(copy);
        QVERIFY(!checked.whole());
        QVERIFY(CatalogueCheck::describe(checked).startsWith(QLatin1String("The catalogue file is damaged")));
    }

    void theCheckReportsProgressAndCanBeCancelled()
    {
        TempCatalogue cat(3000);
        int last = -1;
        bool forward = true;
        const CatalogueCheck::Result whole = CatalogueCheck::run(cat.path(), [&](int percent) {
            forward = forward && percent >= last && percent <= 100;
            last = percent;
            return true;
        });
        QVERIFY(forward);
        QVERIFY(whole.whole());
        QCOMPARE(last, 100);
        QCOMPARE(CatalogueCheck::describe(whole), QStringLiteral("The catalogue is whole: no fault was found in it."));
        const CatalogueCheck::Result stopped = CatalogueCheck::run(cat.path(), [](int) { return false; });
        QVERIFY(stopped.cancelled);
        QVERIFY(!stopped.whole());
    }

    void aKilledBackupOrRestoreLeavesEveryFileWhole()
    {
        TempCatalogue cat(3000);
        const QString folder = cat.filePath(QStringLiteral("Backups"));
        const QString copy = CatalogueBackup::make(cat.path(), folder, kNoon.addDays(-1));
        const qint64 inCopy = movies(copy);
        OtherProgram::rawExec(cat.path(), QStringLiteral("delete from Movies where Id % 3 = 0"));
        const qint64 current = movies(cat.path());
        for (int round = 0; round < 4; ++round) {
            killMidway({QStringLiteral("--backup-loop"), cat.path(), folder}, 5, 120);
            for (const QString& name : QDir(folder).entryList({QStringLiteral("koltDB-*.mdb")}, QDir::Files))
                QCOMPARE(CatalogueBackup::problem(QDir(folder).filePath(name)), QString());
            killMidway({QStringLiteral("--restore-loop"), copy, cat.path()}, 5, 120);
            // The next opening for writing (the program's) rolls a half-done restore back.
            OtherProgram::rawExec(cat.path(), QStringLiteral("select count(*) from kolt_meta"));
            QCOMPARE(CatalogueBackup::problem(cat.path()), QString());
            const qint64 now = movies(cat.path());
            QVERIFY2(now == current || now == inCopy, qPrintable(QString::number(now)));
            if (now == inCopy)
                OtherProgram::rawExec(cat.path(), QStringLiteral("delete from Movies where Id % 3 = 0"));
        }
        // Pieces of killed copies never count as copies and go with the next one.
        CatalogueBackup::make(cat.path(), folder, kNoon.addDays(1));
        QVERIFY(QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty());
    }
};

int main(int argc, char** argv)
{
    if (const int helper = OtherProgram::holdReadMode(argc, argv); helper >= 0)
        return helper;
    if (const int helper = loopMode(argc, argv); helper >= 0)
        return helper;
    QCoreApplication app(argc, argv);
    TestBackups test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_backups.moc"
