// How long the main window stops answering during each user action, measured offscreen: a
// zero-interval timer ticks whenever the event loop is free, and the longest gap between two
// ticks is the longest the window was frozen. Also the start against an empty catalogue and
// the peak resident size after every folder was visited and sorted by two of its columns.
// Run by hand:
//   build/bench/main/bench_stalls [--items N]   (100,000 items by default; made once, then reused)
// Each start runs in a process of its own, so that what one run loaded does not help the next.
// TARVENA_BENCH_CATALOGUE=<file> measures a copy of another catalogue (see BenchCatalogue.h);
// TARVENA_BENCH_DETAIL=1 also prints how each start divides between data module and window.
//   build/bench/main/bench_stalls --read-only [--items N]
// measures instead a copy the program can only read: the copy is made before any opening for
// writing (TARVENA_BENCH_CATALOGUE must then name a catalogue never opened, as made by
// `koltdb sample`; without it a fresh sample is made), so that it has no sort indexes; the
// file is made read-only in a read-only folder, and when run as root each start runs as the
// user "nobody", for whom permissions count. An action that sorts beside the window is
// measured until its order is shown. TARVENA_BENCH_SORT_HERE=1 sorts such folders on the
// window's own thread instead, as the program did before.
//   build/bench/main/bench_stalls --first-opening FILE
// measures instead the first opening of a copy of FILE, a catalogue never opened before (made
// with `koltdb sample FILE --items N`): the sort indexes built on the window's own thread (as
// before) and behind the progress window (as now), each on a fresh copy in a process of its
// own; then the search index's first build, pumped every 2,000 items (as before) and in slices
// (as now).
#include "BenchCatalogue.h"
#include "CatalogueWriter.h"
#include "ErrorGuard.h"
#include "FolderDefinition.h"
#include "MessageService.h"
#include "Procedury.h"
#include "ProcessMemory.h"
#include "Program.h"
#include "SearchEverywhere.h"
#include "SearchIndex.h"
#include "SearchResultsPopup.h"
#include "SideConnection.h"
#include "SqliteStatement.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TKOLTForm.h"
#include "TSplashForm.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

QElapsedTimer g_clock; // started first thing in main()

double now()
{
    return double(g_clock.nsecsElapsed()) / 1e6;
}

// Ticks whenever the event loop is free and keeps the longest gap, and notes when anything
// was last painted.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_tick.setInterval(0);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            const double t = now();
            m_longest = std::max(m_longest, t - m_last);
            m_last = t;
            if (m_paintPending) {
                m_paintPending = false;
                m_painted = t;
            }
        });
        qApp->installEventFilter(this);
    }

    // From now on: the longest gap, and the time of the first free moment after the last paint.
    void restart()
    {
        m_last = now();
        m_longest = 0;
        m_painted = -1;
        m_paintPending = false;
        m_tick.start();
    }
    double longest() const { return m_longest; }
    double painted() const { return m_painted; }

    // Lets the event loop run until nothing has been painted for `quiet` ms.
    void settle(double quiet)
    {
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(5);
        double lastSeen = now();
        double lastPoll = lastSeen;
        double lastPaint = m_painted;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            const double t = now();
            // Time the loop spent blocked (an action running) is not quiet time.
            const bool blocked = t - lastPoll > 20;
            lastPoll = t;
            if (blocked || m_painted != lastPaint || m_paintPending) {
                lastPaint = m_painted;
                lastSeen = t;
            } else if (t - lastSeen > quiet) {
                loop.quit();
            }
        });
        poll.start();
        loop.exec();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            m_paintPending = true;
        return false;
    }

private:
    QTimer m_tick;
    double m_last = 0;
    double m_longest = 0;
    double m_painted = -1;
    bool m_paintPending = false;
};

struct Measured
{
    QString action;
    double duration; // until the window had painted the result
    double stall;    // the longest the event loop was kept from running
};

// Whether a folder still waits for an order being read beside the window.
bool orderPending()
{
    for (TDAOQuery* q : {&DM->qrMovies, &DM->qrMusic, &DM->qrBooks, &DM->qrProg, &DM->qrAddBook}) {
        if (q->OrderPending())
            return true;
    }
    return false;
}

// Runs `action` from the event loop, as a click would, and waits until its result is painted
// (an order read beside the window included).
Measured measure(StallMeter& meter, const QString& name, const std::function<void()>& action)
{
    meter.restart();
    const double start = now();
    QTimer::singleShot(0, KOLTForm, [&] { ErrorGuard::run(action, KOLTForm); });
    meter.settle(150);
    while (orderPending())
        meter.settle(150);
    return {name, std::max(meter.painted(), start) - start, meter.longest()};
}

void print(const Measured& m)
{
    std::printf("%-34s %9.1f ms %9.1f ms\n", qPrintable(m.action), m.duration, m.stall);
    std::fflush(stdout);
}

// Start as the program makes it: splash, data module, main window, splash gone, window
// shown; done when the window has painted its first folder.
Measured start(StallMeter& meter, const QString& folder)
{
    auto* splash = new TSplashForm;
    splash->showNow();
    meter.restart(); // the window is on the screen and cannot answer until the event loop runs
    const double shown = now();
    Program::checkCatalogueAhead(folder);
    Program::createDataModule(folder);
    if (qEnvironmentVariableIsSet("TARVENA_BENCH_SORT_HERE")) {
        for (TDAOQuery* q : {&DM->qrMovies, &DM->qrMusic, &DM->qrBooks, &DM->qrProg, &DM->qrAddBook})
            q->setOrderBesideFrom(0);
    }
    const double opened = now();
    TKOLTForm* window = Program::createMainWindow(folder);
    const double built = now();
    if (qEnvironmentVariableIsSet("TARVENA_BENCH_DETAIL"))
        std::fprintf(stderr, "splash shown at %.1f ms, data module %.1f ms, main window %.1f ms\n", shown,
                     opened - shown, built - opened);
    delete splash;
    window->resize(1280, 900);
    window->show();
    meter.settle(300);
    while (orderPending())
        meter.settle(150);
    return {QStringLiteral("start"), meter.painted(), meter.longest()};
}

void clickTitle(int folder, int column)
{
    KOLTForm->gridMovTitleBtnClick(KOLTForm->grid(folder), column, Qt::NoModifier);
}

void visit(int folder)
{
    KOLTForm->abcButtonList1Click(folder, FolderDefinition::all()[size_t(folder)].caption);
}

int childStart(const QString& folder)
{
    StallMeter meter;
    const Measured m = start(meter, folder);
    std::printf("%.1f %.1f %.1f\n", m.duration, m.stall, statusMiB("VmHWM"));
    Program::shutdown();
    return 0;
}

int childActions(const QString& folder)
{
    StallMeter meter;
    print(start(meter, folder));
    auto run = [&](const QString& name, const std::function<void()>& action) { print(measure(meter, name, action)); };
    QComboBox* box = KOLTForm->categoryBox();

    run(QStringLiteral("Movies: title click (descending)"), [] { clickTitle(0, 0); });
    run(QStringLiteral("Movies: title click (ascending)"), [] { clickTitle(0, 0); });
    const int category = std::min(777, box->count() - 1);
    run(QStringLiteral("Movies: choose a category"), [&] {
        box->setCurrentIndex(category);
        KOLTForm->cbCategoriesChange();
    });
    run(QStringLiteral("Movies: clear the category"), [&] {
        box->setCurrentIndex(0);
        KOLTForm->cbCategoriesChange();
    });
    run(QStringLiteral("Movies: Find"), [] {
        KOLTForm->searchBox()->setText(QStringLiteral("Wolf Oc"));
        KOLTForm->tbFindClick();
    });
    // The first write after the folder is opened again: an item's title changed and saved, as
    // its editor's OK does (the editor has opened the lists its rules add names to).
    DM->tbC_Movies.Open();
    DM->tbD_Movies.Open();
    run(QStringLiteral("Movies: open again"), [&] {
        box->setCurrentIndex(category);
        KOLTForm->cbCategoriesChange();
        box->setCurrentIndex(0);
        KOLTForm->cbCategoriesChange();
    });
    run(QStringLiteral("Movies: first write"), [] {
        TDAOQuery& movies = DM->qrMovies;
        movies.MoveTo(movies.RecNo() + 3);
        movies.Edit();
        movies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Wolf Ocean (restored)"));
        Procedury::PostRecord(movies);
    });
    run(QStringLiteral("Movies: sort by Category"), [] { clickTitle(0, 1); });
    // Search everywhere as a user types on: each step waits out the pause after a keystroke,
    // the search beside the window and the results shown.
    QLineEdit* everywhere = KOLTForm->searchEverywhere()->field();
    for (const QString& typed : {u"kow"_qs, u"kowalski"_qs, u"kowalski ri"_qs, u"\"silent river\""_qs, u"zzzz"_qs})
        run(QStringLiteral("Search everywhere: ") + typed, [everywhere, typed] { everywhere->setText(typed); });
    KOLTForm->searchEverywhere()->popup()->hide();

    // Every other folder: the first visit, then a sort by two of its columns.
    const int second[FolderDefinition::kCount] = {1, 1, 1, 2, 1};
    for (int f = 1; f < FolderDefinition::kCount; ++f) {
        const FolderDefinition& d = FolderDefinition::all()[size_t(f)];
        run(d.caption + QStringLiteral(": first visit"), [f] { visit(f); });
        const GridColumn& other = d.columns[size_t(second[f])];
        run(d.caption + QStringLiteral(": sort by ") + other.title, [f, &second] { clickTitle(f, second[f]); });
        run(d.caption + QStringLiteral(": sort by ") + d.columns[0].title, [f] { clickTitle(f, 0); });
    }
    for (int f = 0; f < FolderDefinition::kCount; ++f) {
        const FolderDefinition& d = FolderDefinition::all()[size_t(f)];
        run(d.caption + QStringLiteral(": later visit"), [f] { visit(f); });
    }
    std::printf("\npeak resident size (VmHWM) after all five folders, each sorted by two columns: %.1f MiB\n"
                "resident size now (VmRSS): %.1f MiB\n",
                statusMiB("VmHWM"), statusMiB("VmRSS"));
    Program::shutdown();
    return 0;
}

QString runChild(const QStringList& arguments);

// The first opening of the catalogue in `folder`, the sort indexes built as `way` says; then
// the search index built again, as before and as now. Prints one line per measure.
int childFirstOpening(const QString& folder, const QString& way)
{
    StallMeter meter;
    if (way != QLatin1String("now")) {
        // Only the data module, where the sort indexes are built: the search index after it is
        // measured below, both ways.
        auto* splash = new TSplashForm;
        splash->showNow();
        meter.restart();
        const double begun = now();
        Program::createDataModule(folder);
        QCoreApplication::processEvents(); // the first turn after it ends the gap it kept
        std::printf("%-52s %9.1f ms %9.1f ms\n", "sort indexes, on the window's thread (before)", now() - begun,
                    meter.longest());
        delete splash;
        Program::shutdown();
        return 0;
    }
    Program::prepareUpgrades();
    const Measured opened = start(meter, folder);
    std::printf("%-52s %9.1f ms %9.1f ms\n", "start: sort and search indexes, in their windows (now)", opened.duration,
                opened.stall);
    std::fflush(stdout);
    SearchEverywhere* search = KOLTForm->searchEverywhere();
    auto timed = [&](const QString& name, const std::function<void()>& action) {
        meter.restart();
        const double begun = now();
        action();
        QCoreApplication::processEvents();
        std::printf("%-52s %9.1f ms %9.1f ms\n", qPrintable(name), now() - begun, meter.longest());
        std::fflush(stdout);
    };
    timed(QStringLiteral("search index, pumped every 2,000 items (before)"), [&] {
        SearchIndex index(DM->dbKOLT, true);
        int items = 0;
        index.rebuild([&items](int) {
            if (++items % 2000 == 0)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        });
    });
    timed(QStringLiteral("search index, in slices behind its window (now)"), [&] {
        search->catalogueClosing();
        SqliteStatement::exec(DM->dbKOLT.handle(), QStringLiteral("drop table kolt_search_state"));
        search->catalogueOpened();
    });
    Program::shutdown();
    return 0;
}

int firstOpenings(const QString& source)
{
    std::printf("%-52s %12s %12s\n", "a copy of the catalogue, never opened", "until shown", "longest stall");
    for (const char* way : {"before", "now"}) {
        QTemporaryDir folder;
        if (!QFile::copy(source, folder.filePath(QStringLiteral("koltDB.mdb")))) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
            return 1;
        }
        std::printf("%s", qPrintable(runChild({QStringLiteral("--child-first-opening"), folder.path(),
                                               QStringLiteral("--way"), QLatin1String(way)})));
        std::fflush(stdout);
    }
    return 0;
}

// Runs this program again as a child and returns what it printed.
QString runChild(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    return QString::fromLocal8Bit(child.readAllStandardOutput());
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs as the user "nobody" from now on, when started as root: file permissions then hold.
void becomeNobody()
{
    if (geteuid() != 0)
        return;
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
        std::fprintf(stderr, "cannot become nobody\n");
        std::exit(1);
    }
}

// A program folder holding a copy of a catalogue never opened for writing (so without sort
// indexes), which the program can only read.
class ReadOnlyProgramFolder
{
public:
    explicit ReadOnlyProgramFolder(int items)
    {
        const QString chosen = qEnvironmentVariable("TARVENA_BENCH_CATALOGUE");
        if (chosen.isEmpty()) {
            std::fprintf(stderr, "making a sample of %d items per folder...\n", items);
            CatalogueWriter::create(filePath());
            SampleCatalogue::Options o;
            o.items = items;
            o.categories = 2000;
            o.names = 10000;
            SampleCatalogue::fill(filePath(), o);
        } else if (!QFile::copy(chosen, filePath())) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(chosen));
            std::exit(1);
        }
        using P = QFileDevice;
        QFile::setPermissions(filePath(), P::ReadOwner | P::ReadGroup | P::ReadOther);
        QFile::setPermissions(path(),
                              P::ReadOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ReadOther | P::ExeOther);
        std::fprintf(stderr, "read-only catalogue: %s\n", qPrintable(filePath()));
    }
    ~ReadOnlyProgramFolder()
    {
        QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    ReadOnlyProgramFolder(const ReadOnlyProgramFolder&) = delete;
    ReadOnlyProgramFolder& operator=(const ReadOnlyProgramFolder&) = delete;
    QString path() const { return m_dir.path(); }
    QString filePath() const { return m_dir.filePath(QStringLiteral("koltDB.mdb")); }

private:
    QTemporaryDir m_dir;
};

int parent(int items, bool readOnly)
{
    QTemporaryDir emptyFolder;
    CatalogueWriter::create(emptyFolder.filePath(QStringLiteral("koltDB.mdb")));
    if (readOnly) { // the user nobody opens it too
        QFile::setPermissions(emptyFolder.filePath(QStringLiteral("koltDB.mdb")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        QFile::setPermissions(emptyFolder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                      | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                      | QFileDevice::ExeOther);
    }
    std::unique_ptr<BenchProgramFolder> writable;
    std::unique_ptr<ReadOnlyProgramFolder> readable;
    if (readOnly)
        readable = std::make_unique<ReadOnlyProgramFolder>(items);
    else
        writable = std::make_unique<BenchProgramFolder>(items);
    const QString fullPath = readOnly ? readable->path() : writable->path();
    const QString fullFile = readOnly ? readable->filePath() : writable->filePath();
    const QStringList asUser = readOnly ? QStringList{QStringLiteral("--as-nobody")} : QStringList();

    struct Starts
    {
        std::vector<double> time, stall, peak;
    };
    auto starts = [&asUser](const QString& folder) {
        Starts s;
        for (int i = 0; i < 5; ++i) {
            const QStringList f
                = runChild(QStringList{QStringLiteral("--child-start"), folder} + asUser).split(QLatin1Char(' '));
            s.time.push_back(f.value(0).toDouble());
            s.stall.push_back(f.value(1).toDouble());
            s.peak.push_back(f.value(2).toDouble());
        }
        return s;
    };
    int movies = 0;
    {
        // Counted by a connection that only reads: an opening of the program's, as root, would
        // give the read-only copy its indexes.
        SideConnection db(fullFile, SideConnection::Mode::ReadOnly);
        movies = db.scalar(QStringLiteral("select count(*) from Movies")).toInt();
    }
    const Starts empty = starts(emptyFolder.path());
    const Starts populated = starts(fullPath);
    std::printf("start, median of 5 (its own process each):\n"
                "  empty catalogue      %7.1f ms, longest stall %7.1f ms, peak %6.1f MiB\n"
                "  %7d items/folder %7.1f ms, longest stall %7.1f ms, peak %6.1f MiB\n"
                "  ratio                %7.2fx\n\n",
                median(empty.time), median(empty.stall), median(empty.peak), movies, median(populated.time),
                median(populated.stall), median(populated.peak), median(populated.time) / median(empty.time));
    std::printf("%-34s %12s %12s\n", "action", "until shown", "longest stall");
    if (readOnly)
        std::printf("(a read-only copy, opened by the user nobody when run as root)\n");
    std::printf("%s", qPrintable(runChild(QStringList{QStringLiteral("--child-actions"), fullPath} + asUser)));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    g_clock.start();
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--as-nobody")
            becomeNobody();
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageService::setHandler([](const MessageService::Request& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return MessageService::Answer::No;
    });
    QCommandLineParser parser;
    const QCommandLineOption items(QStringLiteral("items"), QStringLiteral("items per folder"), QStringLiteral("n"),
                                   QStringLiteral("100000"));
    const QCommandLineOption childStartOption(QStringLiteral("child-start"), QString(), QStringLiteral("folder"));
    const QCommandLineOption childActionsOption(QStringLiteral("child-actions"), QString(), QStringLiteral("folder"));
    const QCommandLineOption firstOpeningOption(QStringLiteral("first-opening"), QString(), QStringLiteral("file"));
    const QCommandLineOption childFirstOption(QStringLiteral("child-first-opening"), QString(),
                                              QStringLiteral("folder"));
    const QCommandLineOption wayOption(QStringLiteral("way"), QString(), QStringLiteral("way"));
    const QCommandLineOption readOnlyOption(QStringLiteral("read-only"));
    const QCommandLineOption asNobodyOption(QStringLiteral("as-nobody"));
    parser.addOptions({items, childStartOption, childActionsOption, firstOpeningOption, childFirstOption, wayOption,
                       readOnlyOption, asNobodyOption});
    parser.process(app);
    if (parser.isSet(firstOpeningOption))
        return firstOpenings(parser.value(firstOpeningOption));
    if (parser.isSet(childFirstOption))
        return childFirstOpening(parser.value(childFirstOption), parser.value(wayOption));
    if (parser.isSet(childStartOption))
        return childStart(parser.value(childStartOption));
    if (parser.isSet(childActionsOption))
        return childActions(parser.value(childActionsOption));
    return parent(parser.value(items).toInt(), parser.isSet(readOnlyOption));
}
