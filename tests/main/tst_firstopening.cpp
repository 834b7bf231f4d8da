#include "CatalogueFile.h"
#include "CatalogueUpgrade.h"
#include "MainWindowFixture.h"
#include "OtherProgram.h"
#include "ProgressWindow.h"
#include "SearchEverywhere.h"
#include "SearchIndex.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>

namespace {

// Enough movies for the build to take a while (seconds on a loaded machine).
constexpr int kMovies = 100000;

const QString kMoviesIndexes = QStringLiteral("select count(*) from sqlite_schema where type = 'index' and "
                                              "tbl_name = 'Movies' and name like 'Movies$%'");

void fillMovies(const QString& path)
{
    OtherProgram::rawExec(path,
                          QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                                         "insert into Movies (Title, Category, Media_type, M_no, Year, Director) "
                                         "select 'Title ' || ((i * 7919) % %1), 'c' || (i % 13), 'DVD', "
                                         "'M' || (i % 50), 1950 + i % 70, 'Director ' || (i % 400) from n")
                              .arg(kMovies));
}

// As many as the list of sort indexes gives the Movies folder.
int allMoviesIndexes()
{
    const auto all = CatalogueFile::largeTableIndexes();
    return int(std::count_if(all.begin(), all.end(), [](const CatalogueFile::LargeTableIndex& index) {
        return index.table == QLatin1String("Movies");
    }));
}

int moviesIndexes(const QString& path)
{
    return OtherProgram::fileColumn(path, kMoviesIndexes).value(0).toInt();
}

ProgressWindow* progressWindow(const QString& label)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<ProgressWindow*>(w);
        if (window && window->text().startsWith(label))
            return window;
    }
    return nullptr;
}

// Watches the event loop while `action` runs: the longest time it went without a turn, how many
// turns it took, and what a progress window with `label` said meanwhile. When `stopAt` is
// reached, the window's button is pressed, as a user finishing later would.
struct Watch
{
    QString label;
    int stopAt = 1000;
    qint64 longestGapMs = 0;
    qint64 totalMs = 0;
    int turns = 0;
    QStringList said;
    bool pressed = false;

    void run(const std::function<void()>& action)
    {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        QTimer tick;
        tick.setInterval(0);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longestGapMs = std::max(longestGapMs, now - last);
            last = now;
            ++turns;
            ProgressWindow* window = progressWindow(label);
            if (!window)
                return;
            if (said.isEmpty() || said.last() != window->text())
                said << window->text();
            if (!pressed && window->percent() >= stopAt) {
                pressed = true;
                window->findChild<QPushButton*>(QStringLiteral("btFinishLater"))->click();
            }
        });
        tick.start();
        action();
        tick.stop();
        longestGapMs = std::max(longestGapMs, clock.elapsed() - last);
        totalMs = clock.elapsed();
    }
};

QStringList copiesIn(const TempCatalogue& cat)
{
    return QDir(cat.filePath(QStringLiteral("Backups"))).entryList({QStringLiteral("koltDB-*.mdb")}, QDir::Files);
}

// A large catalogue opened for the first time as start-up opens it, the data module apart from
// the main window, so that the opening itself can be watched.
struct FirstOpening
{
    FirstOpening() { fillMovies(cat.path()); }
    ~FirstOpening() { Program::shutdown(); }

    void openData(Watch& watch)
    {
        watch.run([this] { Program::createDataModule(cat.folder()); });
    }

    TempCatalogue cat;
    MessageRecorder messages;
};

} // namespace

class TestFirstOpening : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Program::prepareUpgrades(); }

    // The sort indexes are built on a thread of their own: the event loop goes on turning (the
    // splash and the progress window paint), and the window says how far the build is.
    void sortIndexBuildKeepsTheProgramAnswering()
    {
        FirstOpening f;
        Watch watch;
        watch.label = QString::fromLatin1(CatalogueUpgrade::kLabel);
        f.openData(watch);
        QCOMPARE(moviesIndexes(f.cat.path()), allMoviesIndexes());
        // Generous for a loaded machine, where the gap may also be a third of the whole build; a
        // build on this thread keeps it for all of it.
        QVERIFY2(watch.longestGapMs < 400 || watch.longestGapMs * 3 < watch.totalMs,
                 qPrintable(QStringLiteral("%1 ms of %2 ms").arg(watch.longestGapMs).arg(watch.totalMs)));
        QVERIFY(watch.turns > 20);
        const QRegularExpression line(QStringLiteral("^Preparing the catalogue for fast sorting: (\\d+) %$"));
        QVERIFY2(watch.said.size() >= 3, qPrintable(watch.said.join(u'|')));
        for (const QString& s : watch.said)
            QVERIFY2(line.match(s).hasMatch(), qPrintable(s));
        QVERIFY(f.messages.errors().isEmpty());
    }

    // Finished later: the indexes built are kept, the catalogue opens and its folders work
    // without the rest, which the next opening builds; one copy is made for the whole upgrade.
    void finishLaterKeepsWhatIsBuilt()
    {
        FirstOpening f;
        Watch watch;
        watch.label = QString::fromLatin1(CatalogueUpgrade::kLabel);
        watch.stopAt = 40;
        f.openData(watch);
        QVERIFY(watch.pressed);
        const int built = moviesIndexes(f.cat.path());
        QVERIFY2(built >= 1 && built < allMoviesIndexes(), qPrintable(QString::number(built)));
        TKOLTForm* window = Program::createMainWindow(f.cat.folder());
        window->show();
        // An order no index serves yet is read beside the window: the rows come when it is read.
        QTRY_COMPARE_WITH_TIMEOUT(DM->qrMovies.RecordCount(), kMovies, 30000);
        for (int column = 0; column < 4; ++column) {
            window->gridMovTitleBtnClick(window->grid(0), column, Qt::NoModifier);
            DM->qrMovies.waitForOrder();
            QCOMPARE(DM->qrMovies.RecordCount(), kMovies);
        }
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(copiesIn(f.cat).size(), 1);

        DM->DataModuleDestroy();
        DM->DataModuleCreate();
        QCOMPARE(moviesIndexes(f.cat.path()), allMoviesIndexes());
        QCOMPARE(copiesIn(f.cat).size(), 1);
        QCOMPARE(OtherProgram::fileColumn(f.cat.path(), QStringLiteral("select count(*) from kolt_meta where key = "
                                                                       "'upgrade_copy'")),
                 QStringList{"0"});
        QVERIFY(f.messages.errors().isEmpty());
    }

    // The search index's first build goes in slices between which the event loop turns; when
    // the user finishes later, searches read the folders and the next opening builds it.
    void searchIndexBuildKeepsTheProgramAnswering()
    {
        MainWindowFixture f(QString(), fillMovies);
        f.window->show();
        SearchEverywhere* search = f.window->searchEverywhere();
        QVERIFY(search->index()->isCurrent());
        auto rebuildNow = [&](Watch& watch) {
            search->catalogueClosing();
            f.exec(QStringLiteral("drop table if exists kolt_search_state"));
            watch.run([&] { search->catalogueOpened(); });
        };

        Watch stopped;
        stopped.label = QStringLiteral("Preparing the catalogue for searching everywhere");
        stopped.stopAt = 30;
        rebuildNow(stopped);
        QVERIFY(stopped.pressed);
        QVERIFY(!search->index()->isCurrent());
        QVERIFY(f.messages.errors().isEmpty());

        Watch watch;
        watch.label = stopped.label;
        rebuildNow(watch);
        QVERIFY(search->index()->isCurrent());
        // On a machine busy with other work every slice takes longer, so the longest gap is also
        // allowed a third of the whole build: built in one step, the gap would be all of it.
        QVERIFY2(watch.longestGapMs < 400 || watch.longestGapMs * 3 < watch.totalMs,
                 qPrintable(QStringLiteral("%1 ms of %2 ms").arg(watch.longestGapMs).arg(watch.totalMs)));
        // The storing gives the event loop a turn about every 50 ms; built in one step it would
        // get none until the end.
        QVERIFY2(watch.turns > 2, qPrintable(QStringLiteral("%1 turns").arg(watch.turns)));
        QVERIFY2(!watch.said.isEmpty() && watch.said.last().startsWith(watch.label + QStringLiteral(": ")),
                 qPrintable(watch.said.join(u'|')));
        QVERIFY(f.messages.errors().isEmpty());
    }
};

QTEST_MAIN(TestFirstOpening)
#include "tst_firstopening.moc"
