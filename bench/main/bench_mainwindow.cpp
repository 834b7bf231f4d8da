// The main window at 100,000 items against the dataset layer (or raw SQLite) doing the same
// work on the same file, in the same run. Run by hand (a display is not needed):
//   QT_QPA_PLATFORM=offscreen build/bench/main/bench_mainwindow
#include "BenchCatalogue.h"
#include "MessageService.h"
#include "Procedury.h"
#include "Program.h"
#include "RatioReporter.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TKOLTForm.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

TKOLTForm* g_window = nullptr;
sqlite3* g_raw = nullptr;
QString g_category;

// Until the grid has painted: the rows in view are read and drawn now.
void paintGrid(int folder)
{
    benchmark::DoNotOptimize(g_window->grid(folder)->viewport()->grab());
}

// The layer alone: a query with the same statement and filter, opened, with the rows a grid
// shows read.
void layerOpen(const QString& sql, const QString& filter = QString())
{
    TDAOQuery q(QStringLiteral("qrBench"));
    q.setDatabase(&DM->dbKOLT);
    q.setSQL({sql});
    if (!filter.isEmpty()) {
        q.setFilter(filter);
        q.setFiltered(true);
    }
    q.Open();
    for (int r = 0; r < 40 && r < q.RowCount(); ++r) {
        for (const auto& f : q.Fields())
            benchmark::DoNotOptimize(q.rowValue(r, *f));
    }
}

void BM_FolderSwitch(benchmark::State& state, bool ours)
{
    for (auto _ : state) {
        if (ours) {
            g_window->SelectFolder(0, QStringLiteral("Movies"));
            paintGrid(0);
        } else {
            Procedury::ReopenDataSet(DM->qrMovies);
            for (int r = 0; r < 40; ++r) {
                for (const auto& f : DM->qrMovies.Fields())
                    benchmark::DoNotOptimize(DM->qrMovies.rowValue(r, *f));
            }
        }
    }
}

// The same switch against a fresh open of the query by the layer (nothing reused).
void BM_FolderSwitchVsFreshOpen(benchmark::State& state, bool ours)
{
    if (ours)
        return BM_FolderSwitch(state, true);
    for (auto _ : state)
        layerOpen(DM->qrMovies.SQL().join(QLatin1Char(' ')));
}

void BM_TitleClick(benchmark::State& state, bool ours)
{
    bool descending = false;
    for (auto _ : state) {
        descending = !descending;
        if (ours) {
            g_window->gridMovTitleBtnClick(g_window->grid(0), 0, Qt::NoModifier);
            paintGrid(0);
        } else {
            layerOpen(QStringLiteral("select * from Movies order by Title %1").arg(descending ? "DESC" : "ASC"));
        }
    }
}

void BM_CategoryChoice(benchmark::State& state, bool ours)
{
    QComboBox* box = g_window->categoryBox();
    for (auto _ : state) {
        if (ours) {
            box->setCurrentIndex(box->findText(g_category));
            g_window->cbCategoriesChange();
            paintGrid(0);
            box->setCurrentIndex(0);
        } else {
            QString quoted = g_category;
            quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
            layerOpen(DM->qrMovies.SQL().join(QLatin1Char(' ')), QStringLiteral("Category = '%1'").arg(quoted));
        }
    }
}

void BM_Find(benchmark::State& state, bool ours)
{
    const QString typed = QStringLiteral("Wolf Oc");
    if (ours) {
        g_window->searchBox()->setText(typed);
        for (auto _ : state) {
            DM->qrMovies.First();
            g_window->tbFindClick();
        }
        return;
    }
    SqliteStatement s(g_raw, QStringLiteral("select Id from Movies where kolt_prefix(Title, ?1) order by Title limit 1"), true);
    for (auto _ : state) {
        s.bindText(1, typed);
        benchmark::DoNotOptimize(s.step());
        s.reset();
    }
}

// Scrolling: a jump to anywhere in the 100,000 rows and the repaint of what comes into view.
void BM_ScrollAndPaint(benchmark::State& state)
{
    g_window->SelectFolder(0, QStringLiteral("Movies"));
    TDBGrid* grid = g_window->grid(0);
    const int rows = grid->model()->rowCount();
    int at = 0;
    for (auto _ : state) {
        at = (at + 37337) % rows;
        grid->scrollTo(grid->model()->index(at, 0), QAbstractItemView::PositionAtTop);
        paintGrid(0);
    }
}

} // namespace

BENCHMARK(BM_ScrollAndPaint)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitch, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitch, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitchVsFreshOpen, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitchVsFreshOpen, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TitleClick, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TitleClick, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CategoryChoice, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CategoryChoice, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, raw, false)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = benchCatalogue();
    QTemporaryDir folder;
    QFile::link(path, folder.filePath(QStringLiteral("koltDB.mdb")));
    MessageService::setHandler([](const MessageService::Request& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return MessageService::Answer::No;
    });
    Program::createDataModule(folder.path());
    g_window = Program::createMainWindow(folder.path());
    g_window->resize(1280, 900);
    g_window->show();
    sqlite3_open_v2(QFile::encodeName(path).constData(), &g_raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteFunctions::install(g_raw);
    g_category = g_window->categoryBox()->itemText(777);

    std::printf("\"raw\" is the dataset layer alone (FolderSwitch: reopening the same query object, which\n"
                "reuses its keys; FolderSwitchVsFreshOpen: a new query), and raw SQLite for Find\n");
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    Program::shutdown();
    sqlite3_close_v2(g_raw);
    return 0;
}
