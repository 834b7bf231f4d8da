// The main window at 100,000 items per folder against raw SQLite (or the dataset layer alone)
// doing the same work on the same file, in the same run. Run by hand (no display needed):
//   QT_QPA_PLATFORM=offscreen build/bench/main/bench_mainwindow
// TARVENA_BENCH_CATALOGUE=<file> runs it on a copy of another catalogue (a million items).
//
// "raw" runs, with SQLite's C API on a second connection with the same cache settings, the
// statements a plain SQLite program needs to show the same: the folder's statement as the
// program writes it ("select * from <table> order by <column> [DESC]", with the category as a
// condition), stepped to its end (that gives the row count a grid needs) with the columns of
// the first screenful read, the category list of a visited folder, and for Find the first
// match in the order shown.
#include "BenchCatalogue.h"
#include "BenchProgram.h"
#include "FolderDefinition.h"
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
#include <QFile>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

TKOLTForm* g_window = nullptr;
sqlite3* g_raw = nullptr;
QString g_category;
const QString kTyped = QStringLiteral("Wolf Oc");
const char* const kCategoryTables[] = {"Movies_C", "Music_C", "Books_C", "Programs_C", "AddBook_C"};

// Until the grid has painted: the rows in view are read and drawn now.
void paintGrid(int folder)
{
    benchmark::DoNotOptimize(g_window->grid(folder)->viewport()->grab());
}

// Steps `sql` to its end, reading the columns of the first screenful of rows.
void rawShow(const QString& sql, const QString& category = QString())
{
    auto stmt = SqliteStatement(g_raw, sql);
    if (!category.isEmpty())
        stmt.bindText(1, category);
    int rows = 0;
    const int columns = stmt.columnCount();
    while (stmt.step()) {
        if (rows++ < 40) {
            for (int c = 0; c < columns; ++c)
                benchmark::DoNotOptimize(stmt.columnText(c));
        }
    }
    benchmark::DoNotOptimize(rows);
}

QString folderSql(int folder, const QString& column, const char* direction = "")
{
    const QString table = FolderDefinition::all()[size_t(folder)].tableName;
    return QStringLiteral("select * from %1 order by %2 %3").arg(table, column, QLatin1String(direction)).trimmed();
}

// The sort column of a folder's starting order.
QString firstColumn(int folder)
{
    const QString field = FolderDefinition::all()[size_t(folder)].columns.front().field;
    return field == QLatin1String("LF_Name") ? QStringLiteral("L_Name") : field;
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

// A write by another connection: whatever either side kept of the table (keys, cached pages)
// can no longer be trusted, as on the first visit of a folder in a run.
void touch(sqlite3* writer, int folder)
{
    const QString table = FolderDefinition::all()[size_t(folder)].tableName;
    SqliteStatement::exec(writer,
                          QStringLiteral("update %1 set Id = Id where Id = (select min(Id) from %1)").arg(table));
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

// A folder chosen while another is shown, with nothing of it kept from before.
void BM_FirstVisit(benchmark::State& state, int folder, bool ours)
{
    const FolderDefinition& d = FolderDefinition::all()[size_t(folder)];
    for (auto _ : state) {
        state.PauseTiming();
        g_window->SelectFolder((folder + 1) % FolderDefinition::kCount, QStringLiteral("elsewhere"));
        touch(ours ? g_raw : DM->dbKOLT.handle(), folder);
        state.ResumeTiming();
        if (ours) {
            g_window->SelectFolder(folder, d.caption);
            paintGrid(folder);
        } else {
            rawShow(folderSql(folder, firstColumn(folder)));
            rawShow(QStringLiteral("select Name from %1 order by Name").arg(QLatin1String(kCategoryTables[folder])));
        }
    }
    g_window->SelectFolder(0, QStringLiteral("Movies"));
}

// A plain click on the title of Movies' Title column: `descending` measures the click that
// turns the ascending order round, otherwise the one that turns it back.
void BM_TitleClick(benchmark::State& state, bool descending, bool ours)
{
    g_window->SelectFolder(0, QStringLiteral("Movies"));
    DataGridModel* model = g_window->grid(0)->gridModel();
    auto sortedDescending = [&] { return model->columns().front().marker == GridColumn::Marker::Descending; };
    for (auto _ : state) {
        if (ours) {
            if (sortedDescending() == descending) {
                state.PauseTiming();
                g_window->gridMovTitleBtnClick(g_window->grid(0), 0, Qt::NoModifier);
                state.ResumeTiming();
            }
            g_window->gridMovTitleBtnClick(g_window->grid(0), 0, Qt::NoModifier);
            paintGrid(0);
        } else {
            rawShow(folderSql(0, QStringLiteral("Title"), descending ? "DESC" : "ASC"));
        }
    }
}

// Title clicks through the layer alone, both directions in turn (as before).
void BM_TitleClickLayer(benchmark::State& state)
{
    bool descending = false;
    for (auto _ : state) {
        descending = !descending;
        layerOpen(folderSql(0, QStringLiteral("Title"), descending ? "DESC" : "ASC"));
    }
}

void chooseCategory(int index)
{
    g_window->categoryBox()->setCurrentIndex(index);
    g_window->cbCategoriesChange();
}

void BM_CategoryChoice(benchmark::State& state, bool ours)
{
    g_window->SelectFolder(0, QStringLiteral("Movies"));
    QComboBox* box = g_window->categoryBox();
    for (auto _ : state) {
        if (ours) {
            chooseCategory(box->findText(g_category));
            paintGrid(0);
            state.PauseTiming();
            chooseCategory(0);
            state.ResumeTiming();
        } else {
            rawShow(QStringLiteral("select * from Movies where Category = ?1 order by Title"), g_category);
        }
    }
}

void BM_ClearFilter(benchmark::State& state, bool ours)
{
    g_window->SelectFolder(0, QStringLiteral("Movies"));
    QComboBox* box = g_window->categoryBox();
    for (auto _ : state) {
        if (ours) {
            state.PauseTiming();
            chooseCategory(box->findText(g_category));
            state.ResumeTiming();
            chooseCategory(0);
            paintGrid(0);
        } else {
            rawShow(folderSql(0, QStringLiteral("Title")));
        }
    }
}

void BM_Find(benchmark::State& state, bool ours)
{
    if (ours) {
        g_window->SelectFolder(0, QStringLiteral("Movies"));
        g_window->searchBox()->setText(kTyped);
        for (auto _ : state) {
            DM->qrMovies.First();
            g_window->tbFindClick();
        }
        return;
    }
    SqliteStatement s(
        g_raw, QStringLiteral("select Id from Movies where kolt_prefix(Title, ?1) order by Title limit 1"), true);
    for (auto _ : state) {
        s.bindText(1, kTyped);
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

double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Every folder visited and sorted by two of its columns, as a user looking around would.
void lookAround()
{
    const int second[FolderDefinition::kCount] = {1, 1, 1, 2, 1};
    for (int f = 0; f < FolderDefinition::kCount; ++f) {
        g_window->SelectFolder(f, FolderDefinition::all()[size_t(f)].caption);
        paintGrid(f);
        for (const int column : {second[f], 0}) {
            g_window->gridMovTitleBtnClick(g_window->grid(f), column, Qt::NoModifier);
            paintGrid(f);
        }
    }
    g_window->SelectFolder(0, QStringLiteral("Movies"));
}

} // namespace

BENCHMARK(BM_ScrollAndPaint)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitch, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitch, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitchVsFreshOpen, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FolderSwitchVsFreshOpen, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Movies / ours, 0, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Movies / raw, 0, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Music / ours, 1, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Music / raw, 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Books / ours, 2, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Books / raw, 2, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Programs / ours, 3, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, Programs / raw, 3, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, AddressBook / ours, 4, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstVisit, AddressBook / raw, 4, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TitleClick, Descending / ours, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TitleClick, Descending / raw, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TitleClick, Ascending / ours, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TitleClick, Ascending / raw, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TitleClickLayer)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CategoryChoice, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CategoryChoice, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ClearFilter, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ClearFilter, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, raw, false)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchProgramFolder folder;
    g_window = startBenchProgram(folder.path());
    sqlite3_open_v2(QFile::encodeName(folder.filePath()).constData(), &g_raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteFunctions::install(g_raw);
    // The same page cache and memory map as the program's own connection.
    for (const char* setting : {"cache_size", "mmap_size"}) {
        SqliteStatement read(DM->dbKOLT.handle(), QStringLiteral("PRAGMA %1").arg(QLatin1String(setting)));
        read.step();
        SqliteStatement::exec(g_raw,
                              QStringLiteral("PRAGMA %1 = %2").arg(QLatin1String(setting)).arg(read.columnInt64(0)));
    }
    g_category = g_window->categoryBox()->itemText(777);
    lookAround();
    const double peak = peakMiB();

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\npeak resident size (VmHWM) after visiting all five folders, each sorted by two columns: "
                "%.1f MiB\n",
                peak);
    Program::shutdown();
    sqlite3_close_v2(g_raw);
    return 0;
}
