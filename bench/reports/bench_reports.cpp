// The movie report at 100,000 movies (about 2,000 pages): preparing it against reading the
// same report query through the store and measuring the same cells' text, in the same run;
// the memory the prepared pages take; painting the first and the last page in the preview;
// printing every page to a PDF file. Run by hand (a display is not needed):
//   QT_QPA_PLATFORM=offscreen build/bench/reports/bench_reports
#include "BenchCatalogue.h"
#include "CatalogueReports.h"
#include "CellText.h"
#include "PreviewArea.h"
#include "RatioReporter.h"
#include "ReportEngine.h"
#include "ReportFonts.h"
#include "ReportPrinter.h"
#include "TDM.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <optional>

namespace {

std::optional<CatalogueReports> g_reports;

// Heap in use, in MB (what is allocated now, not what the process keeps from earlier).
double heapMegabytes()
{
    return double(mallinfo2().uordblks) / (1024 * 1024);
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
}

void BM_PreparedMemory(benchmark::State& state)
{
    for (auto _ : state) {
        const double before = heapMegabytes();
        double peak = 0;
        PreparedReport report = ReportEngine::run(g_reports->repMovies, [&](int) {
            peak = std::max(peak, heapMegabytes() - before);
            return true;
        });
        state.counters["pages"] = report.pageCount();
        state.counters["kept_MB"] = heapMegabytes() - before;
        state.counters["peak_MB"] = std::max(peak, heapMegabytes() - before);
    }
}

// The preview as the user first sees it, then the jump to the last page; each timed from
// the command to the finished paint of what is in view.
void BM_PaintPage(benchmark::State& state, bool last, bool wholePage)
{
    PreviewArea area;
    area.resize(1280, 900);
    area.show();
    area.setReport(ReportEngine::run(g_reports->repMovies));
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

// Opening the preview: a new area given the pages, shown at page 1 and painted once.
void BM_OpenPreview(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        PreparedReport report = ReportEngine::run(g_reports->repMovies);
        state.ResumeTiming();
        PreviewArea area;
        area.resize(1280, 900);
        area.setReport(std::move(report));
        area.show();
        benchmark::DoNotOptimize(area.viewport()->grab());
        state.PauseTiming(); // the pages go with the area, outside the figure
        area.setReport({});
        state.ResumeTiming();
    }
}

void BM_PrintToPdf(benchmark::State& state)
{
    const PreparedReport report = ReportEngine::run(g_reports->repMovies);
    std::vector<int> pages;
    for (int n = 1; n <= report.pageCount(); ++n)
        pages.push_back(n);
    QTemporaryDir dir;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("movies.pdf")));
        ReportPrinter::print(report, printer, pages);
    }
    state.counters["pages"] = report.pageCount();
}

} // namespace

BENCHMARK_CAPTURE(BM_Prepare, ours, true)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Prepare, raw, false)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PreparedMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenPreview)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_PaintPage, first_100, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPage, last_100, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPage, first_wholepage, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPage, last_wholepage, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

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
