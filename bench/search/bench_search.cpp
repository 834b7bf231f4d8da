// Search everywhere over a large catalogue: how long the index takes to build and how much it
// adds to the file, how long the first page of results takes for one-word, two-word, prefix and
// common-word searches, what keeping the index costs a post, and the longest the event loop
// stands still while a user types (searches beside it, and, for comparison, in it). Times are
// given as wall clock and as processor time: on a machine shared with other work, the second
// says what the program itself spent. Works on a copy of the catalogue named by
// the first argument or TARVENA_BENCH_CATALOGUE (made with `koltdb sample FILE --items N`), or
// of the shared benchmark catalogue (100,000 items per folder).
#include "BenchCatalogue.h"
#include "CatalogueSearch.h"
#include "ModuleSteps.h"
#include "Procedury.h"
#include "ProcessMemory.h"
#include "SearchFolder.h"
#include "SearchIndex.h"
#include "SearchQuery.h"
#include "SearchRunner.h"
#include "SearchUpkeep.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ms(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// Processor seconds of this process (every thread) or of the calling thread.
double cpuSeconds(clockid_t which)
{
    timespec t{};
    clock_gettime(which, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Types `texts` a key every `keyMs` milliseconds, each keystroke starting a search as the field
// does (`search`), while a timer ticking every 2 ms notes the longest gap between its ticks.
// Answers that gap, in milliseconds, and how many first pages came back.
struct Typing
{
    double longestStall = 0;
    int pages = 0;
};

Typing typeInto(const QStringList& texts, int keyMs, const std::function<void(const QString&)>& search)
{
    Typing out;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        out.longestStall = std::max(out.longestStall, ms(sinceTick) - 2.0);
        sinceTick.restart();
    });
    QString keys;
    for (const QString& t : texts)
        keys += t + QChar(u'\n');
    qsizetype at = 0;
    QString field;
    QTimer typist;
    typist.setInterval(keyMs);
    QEventLoop loop;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        if (at >= keys.size()) {
            loop.quit();
            return;
        }
        const QChar c = keys[at++];
        field = c == u'\n' ? QString() : field + c;
        if (!field.isEmpty())
            search(field);
    });
    ticker.start();
    typist.start();
    loop.exec();
    return out;
}

// The median milliseconds of a post, by the clock and in processor time (a post waits for the
// disk, which a machine shared with other work makes uneven).
struct PostTimes
{
    double wall = 0;
    double cpu = 0;
    PostTimes& operator+=(const PostTimes& o)
    {
        wall += o.wall;
        cpu += o.cpu;
        return *this;
    }
};

// Edits a field of the current item `n` times, posting each edit.
PostTimes postEdits(TDAODataset& items, const QString& field, const QString& format, int n)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < n; ++i) {
        items.Edit();
        items.FieldByName(field).SetAsString(format.arg(90 + i));
        QElapsedTimer clock;
        clock.start();
        const double before = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        Procedury::PostRecord(items);
        cpu.push_back((cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before) * 1000.0);
        wall.push_back(ms(clock));
    }
    return {median(wall), median(cpu)};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString source = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("TARVENA_BENCH_CATALOGUE");
    if (source.isEmpty())
        source = benchCatalogue();
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("koltDB.mdb"));
    std::printf("copying %s\n", qPrintable(source));
    std::fflush(stdout);
    if (!QFile::copy(source, copy)) {
        std::fprintf(stderr, "cannot copy the catalogue\n");
        return 1;
    }
    bringUpToDate(copy);
    const qint64 before = QFileInfo(copy).size();

    TDM dm(dir.path());
    dm.DataModuleCreate();
    SearchIndex index(dm.dbKOLT, true);
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double threadBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    int lastPercent = -1;
    index.prepare([&](int percent) {
        if (percent / 10 != lastPercent / 10) {
            std::printf("  %d%% after %.1f s\n", percent, double(clock.elapsed()) / 1000.0);
            std::fflush(stdout);
        }
        lastPercent = percent;
        return true;
    });
    const double build = double(clock.elapsed()) / 1000.0;
    const double buildCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore;
    const double buildThread = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore;
    if (const QString keep = qEnvironmentVariable("TARVENA_BENCH_KEEP"); !keep.isEmpty())
        QFile::copy(copy, keep);
    const qint64 after = QFileInfo(copy).size();
    std::printf("index built in %.1f s (processor: %.1f s in all, %.1f s on the building thread; peak memory "
                "%.0f MiB); file %.0f MB -> %.0f MB (+%.0f%%)\n",
                build, buildCpu, buildThread, statusMiB("VmHWM"), double(before) / 1e6, double(after) / 1e6,
                100.0 * double(after - before) / double(before));

    const QStringList searches{QStringLiteral("river"),       QStringLiteral("kowalski"),
                               QStringLiteral("night river"), QStringLiteral("łucja kowalski"),
                               QStringLiteral("kow"),         QStringLiteral("wi"),
                               QStringLiteral("cast:zoë"),    QStringLiteral("\"silent river\""),
                               QStringLiteral("zzzz")};
    for (const QString& typed : searches) {
        const SearchQuery query = SearchQuery::parse(typed);
        std::vector<double> page, pageCpu, counts;
        SearchResults results;
        for (int i = 0; i < 5; ++i) {
            CatalogueSearch search(dm.dbKOLT.handle(), &index);
            QElapsedTimer t;
            t.start();
            const double cpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            results = search.run(query, CatalogueSearch::kFirstHits, nullptr, false);
            page.push_back(ms(t));
            pageCpu.push_back((cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu) * 1000.0);
            t.restart();
            search.countRest(query, results);
            counts.push_back(ms(t));
        }
        std::printf("%-20s first page (up to 50 a folder, read and marked) %7.1f ms (processor %6.1f ms); "
                    "counting the rest %7.1f ms; %lld found%s%s\n",
                    qPrintable(typed), median(page), median(pageCpu), median(counts),
                    static_cast<long long>(results.total()), results.counted() ? "" : "+",
                    results.fromIndex ? "" : " (tables read)");
        std::fflush(stdout);
    }

    // Typing: every keystroke starts a search (no pause), through the index and, as when it is
    // stale, by reading the tables; then the same searches run in the event loop, as before.
    const QStringList typed{QStringLiteral("river night"), QStringLiteral("kowalski"), QStringLiteral("wi"),
                            QStringLiteral("\"silent river\"")};
    {
        int pages = 0;
        SearchRunner runner(
            dm.dbKOLT.DatabaseName(), [&](const SearchResults&, bool counted) { pages += counted ? 0 : 1; },
            [](std::exception_ptr) { std::fprintf(stderr, "a search failed\n"); });
        for (const bool stale : {false, true}) {
            pages = 0;
            const Typing t = typeInto(typed, 120, [&](const QString& text) {
                runner.start(SearchQuery::parse(text), stale ? -1 : index.currentAt());
            });
            std::printf("typing, searches beside the event loop%s: longest stall %.1f ms (%d first pages shown)\n",
                        stale ? " (index stale: tables read)" : "", t.longestStall, pages);
            std::fflush(stdout);
        }
        runner.stop();
    }
    {
        const Typing t = typeInto(typed, 120, [&](const QString& text) {
            CatalogueSearch search(dm.dbKOLT.handle(), &index);
            const SearchQuery query = SearchQuery::parse(text);
            SearchResults results = search.run(query, CatalogueSearch::kFirstHits, nullptr, false);
            search.countRest(query, results);
        });
        std::printf("typing, searches in the event loop: longest stall %.1f ms\n", t.longestStall);
        std::fflush(stdout);
    }

    // A post with the index kept, then without (the rules removed), alternating to even out.
    dm.qrBooks.Open();
    dm.tbC_Books.Open();
    dm.tbA_Books.Open();
    ModuleSteps::openMovies(dm);
    PostTimes keptBooks, plainBooks, keptMovies, plainMovies;
    auto books = [&] { return postEdits(dm.qrBooks, u"Publishers"_qs, u"Publisher %1"_qs, 15); };
    auto movies = [&] { return postEdits(dm.qrMovies, u"Tot_time"_qs, u"%1 min"_qs, 15); };
    for (int round = 0; round < 5; ++round) {
        {
            SearchUpkeep upkeep(dm, index);
            keptBooks += books();
            keptMovies += movies();
        }
        plainBooks += books();
        plainMovies += movies();
    }
    for (const auto& [what, kept, plain] :
         {std::tuple{"book", keptBooks, plainBooks}, std::tuple{"movie", keptMovies, plainMovies}}) {
        std::printf("post of a %s: %.2f ms with the index kept, %.2f ms without (x%.2f); processor %.2f ms "
                    "against %.2f ms (x%.2f)\n",
                    what, kept.wall / 5, plain.wall / 5, kept.wall / plain.wall, kept.cpu / 5, plain.cpu / 5,
                    kept.cpu / plain.cpu);
    }
    index.close();
    return 0;
}
