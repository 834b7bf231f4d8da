// The movie report at 100,000 movies (about 2,000 pages), or at a million with
// TARVENA_BENCH_CATALOGUE: the whole run against reading the same report query through the
// store and measuring the same cells' text, in the same run; the memory the pages take, laid
// out whole and kept compactly; the preview's page 1, its count made in steps (the longest
// freeze of the window meanwhile) and painting the first and the last page; printing every
// page to a PDF file from a preview whose count is not complete. Run by hand (a display is
// not needed):
//   QT_QPA_PLATFORM=offscreen build/bench/reports/bench_reports
// Each benchmark reports the process's peak resident size so far (peak_MiB); run one alone
// (--benchmark_filter) for its own peak.
#include "BenchCatalogue.h"
#include "CatalogueReports.h"
#include "CellText.h"
#include "CompactReport.h"
#include "PreviewArea.h"
#include "ProcessMemory.h"
#include "RatioReporter.h"
#include "ReportEngine.h"
#include "ReportFonts.h"
#include "ReportPrinter.h"
#include "ReportRun.h"
#include "TDM.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <optional>
#include <time.h>

namespace {

std::optional<CatalogueReports> g_reports;

// Heap in use, in MB (what is allocated now, not what the process keeps from earlier).
double heapMegabytes()
{
    return double(mallinfo2().uordblks) / (1024 * 1024);
}

// CPU time of this thread, in ms: what a step itself costs, whatever else the machine runs.
double threadMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
}

void reportPeak(benchmark::State& state)
{
    state.counters["peak_MiB"] = statusMiB("VmHWM");
}

// What a run cannot do without: every record read through the store and every cell's text
// made and measured once, at the reference resolution.
void readAndMeasure(const ReportDefinition& d)
{
    TDAODataset& q = *d.dataSource->DataSet();
    q.Close();
    q.Open();
    std::vector<std::pair<CellText, QFontMetricsF>> cells;
    for (const TextCell& c : d.masterData.cells)
        cells.emplace_back(CellText(c.text, q), QFontMetricsF(ReportFonts::resolve(c.font), ReportFonts::reference()));
    int row = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        ++row;
        for (auto& [text, metrics] : cells)
            benchmark::DoNotOptimize(metrics.horizontalAdvance(text.evaluate(q, row)));
    }
    q.Close();
}

void BM_Prepare(benchmark::State& state, bool ours)
{
    for (auto _ : state) {
        if (ours)
            benchmark::DoNotOptimize(ReportEngine::run(g_reports->repMovies).pageCount());
        else
            readAndMeasure(g_reports->repMovies);
    }
    reportPeak(state);
}

// The whole run: every page laid out and kept.
void BM_WholeMemory(benchmark::State& state)
{
    for (auto _ : state) {
        const double before = heapMegabytes();
        double peak = 0;
        // mallinfo2 walks the heap: looked at every 100 pages, not at each.
        PreparedReport report = ReportEngine::run(g_reports->repMovies, [&](int page) {
            if (page % 100 == 0)
                peak = std::max(peak, heapMegabytes() - before);
            return true;
        });
        state.counters["pages"] = report.pageCount();
        state.counters["kept_MB"] = heapMegabytes() - before;
        state.counters["peak_MB"] = std::max(peak, heapMegabytes() - before);
    }
    reportPeak(state);
}

// The run the preview makes, in steps of 20 ms to the end, its pages kept compactly; timed
// from the start to the last page.
void BM_CompactRun(benchmark::State& state)
{
    for (auto _ : state) {
        const double before = heapMegabytes();
        ReportRun run(g_reports->repMovies);
        int steps = 0;
        while (!run.step(QDeadlineTimer(20)))
            ++steps;
        state.PauseTiming();
        // The query is closed at the end: what stays is the pages.
        state.counters["kept_MB"] = heapMegabytes() - before;
        state.counters["bytes_MB"] = double(run.pages().keptBytes()) / (1024 * 1024);
        state.counters["pages"] = run.pages().pageCount();
        state.counters["steps"] = steps + 1;
        state.ResumeTiming();
    }
    reportPeak(state);
}

// The print command up to page 1 painted in the preview: the run begun until page 1 is
// whole, the area given it and painted.
void BM_FirstPage(benchmark::State& state)
{
    for (auto _ : state) {
        auto run = std::make_unique<ReportRun>(g_reports->repMovies);
        while (!run->step(QDeadlineTimer(0)) && run->pages().pageCount() < 2) { }
        PreviewArea area;
        area.resize(1280, 900);
        area.setRun(std::move(run));
        area.show();
        benchmark::DoNotOptimize(area.viewport()->grab());
        state.PauseTiming(); // the run goes with the area, outside the figure
        area.clear();
        state.ResumeTiming();
    }
    reportPeak(state);
}

// The preview shown while its count is made in steps between events: the time to the last
// page and the longest freeze of the window meanwhile, the longest time between two turns of
// a probe that asks the event loop to run it again at once (as input waiting would be),
// with the view scrolled to the last page now and then as a user might.
void BM_CountInPreview(benchmark::State& state)
{
    for (auto _ : state) {
        PreviewArea area;
        area.resize(1280, 900);
        area.show();
        auto run = std::make_unique<ReportRun>(g_reports->repMovies);
        run->step(QDeadlineTimer(0), 1);
        QElapsedTimer clock;
        clock.start();
        area.setRun(std::move(run));
        qint64 longest = 0;
        qint64 last = clock.elapsed();
        double longestCpu = 0;
        double lastCpu = threadMilliseconds();
        int turns = 0;
        QEventLoop loop;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            const double nowCpu = threadMilliseconds();
            longest = std::max(longest, now - last);
            longestCpu = std::max(longestCpu, nowCpu - lastCpu);
            last = now;
            lastCpu = nowCpu;
            if (++turns % 50 == 0)
                area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum());
            if (area.countComplete())
                loop.quit();
        });
        probe.start();
        loop.exec();
        state.counters["seconds"] = double(clock.elapsed()) / 1000;
        // On a busy machine the wall-clock figure includes time the process was not running.
        state.counters["longest_stall_ms"] = double(longest);
        state.counters["longest_stall_cpu_ms"] = longestCpu;
        state.counters["pages"] = area.pageCount();
    }
    reportPeak(state);
}

// Every page of a finished run laid out again, as printing does before it draws a page.
void BM_LayOutEveryPage(benchmark::State& state)
{
    auto run = std::make_unique<ReportRun>(g_reports->repMovies);
    while (!run->step(QDeadlineTimer(QDeadlineTimer::Forever))) { }
    for (auto _ : state) {
        for (int n = 0; n < run->pages().pageCount(); ++n)
            benchmark::DoNotOptimize(run->pages().laidOut(n).items.size());
    }
    state.counters["pages"] = run->pages().pageCount();
}

// The preview as the user first sees it, then the jump to the last page; each timed from
// the command to the finished paint of what is in view.
void BM_PaintPage(benchmark::State& state, bool last, bool wholePage)
{
    PreviewArea area;
    area.resize(1280, 900);
    area.show();
    auto run = std::make_unique<ReportRun>(g_reports->repMovies);
    while (!run->step(QDeadlineTimer(QDeadlineTimer::Forever))) { }
    area.setRun(std::move(run));
    if (wholePage)
        area.zoomWholePage();
    else
        area.setFixedScale(100);
    for (auto _ : state) {
        area.goToPage(last ? area.pageCount() : 1);
        benchmark::DoNotOptimize(area.viewport()->grab());
        state.PauseTiming();
        area.goToPage(last ? 1 : area.pageCount());
        benchmark::DoNotOptimize(area.viewport()->grab());
        state.ResumeTiming();
    }
}

// Print from a preview that shows page 1 while its count goes on: the count completed, then
// every page laid out again and printed to a PDF file.
void BM_PrintToPdf(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<ReportRun>(g_reports->repMovies);
        while (!run->step(QDeadlineTimer(0)) && run->pages().pageCount() < 2) { }
        PreviewArea area;
        area.setRun(std::move(run));
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        area.completeCount({});
        state.counters["count_s"] = double(clock.elapsed()) / 1000;
        std::vector<int> pages;
        for (int n = 1; n <= area.pageCount(); ++n)
            pages.push_back(n);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("movies.pdf")));
        ReportPrinter::print(*area.pages(), printer, pages);
        state.counters["pages"] = area.pageCount();
    }
    reportPeak(state);
}

} // namespace

BENCHMARK_CAPTURE(BM_Prepare, ours, true)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Prepare, raw, false)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CompactRun)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FirstPage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CountInPreview)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LayOutEveryPage)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_PaintPage, first_100, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPage, last_100, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPage, first_wholepage, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPage, last_wholepage, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);
// Last: the pages laid out whole take the most memory of all.
BENCHMARK(BM_WholeMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchProgramFolder folder;
    TDM dm(folder.path());
    dm.DataModuleCreate();
    g_reports.emplace(dm);

    std::printf("\"raw\" reads the same report query through the store and measures the same cells' text\n");
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    g_reports.reset();
    return 0;
}
