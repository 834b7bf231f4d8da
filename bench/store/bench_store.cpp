// The dataset layer against the raw SQLite C API doing the same work on the same file, in
// the same run. Run by hand: build/bench/store/bench_store
#include "BenchCatalogue.h"
#include "RatioReporter.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"
#include "TDAOQuery.h"
#include "TDataSource.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <memory>
#include <sqlite3.h>

namespace {

struct World
{
    TDAODatabase db{QStringLiteral("dbKOLT")};
    sqlite3* raw = nullptr;
    QString category;
    QString prefix = QStringLiteral("Wolf Oc");
    std::vector<qint64> firstMovies; // the first 1000 movies in title order
};
World* world = nullptr;

std::unique_ptr<TDAOQuery> moviesQuery(const QString& sql = QStringLiteral("select * from Movies order by Title"))
{
    auto q = std::make_unique<TDAOQuery>(QStringLiteral("qrMovies"));
    q->setDatabase(&world->db);
    q->setSQL({sql});
    return q;
}

// Reads every field of the current row, as a grid or a report would.
void readRow(TDAODataset& q)
{
    for (const auto& f : q.Fields())
        benchmark::DoNotOptimize(f->Value());
}

void readFirst50(TDAODataset& q)
{
    q.First();
    for (int i = 0; i < 50 && !q.Eof(); ++i) {
        readRow(q);
        q.Next();
    }
    benchmark::DoNotOptimize(q.RecordCount());
}

// The raw side: step the statement to its end (that is what gives the count), reading the
// columns of the first `read` rows (-1: all rows).
int rawRun(SqliteStatement& s, int read)
{
    int rows = 0;
    const int columns = s.columnCount();
    while (s.step()) {
        if (read < 0 || rows < read) {
            for (int c = 0; c < columns; ++c)
                benchmark::DoNotOptimize(s.columnText(c));
        }
        ++rows;
    }
    s.reset();
    return rows;
}

// Every "ours" case that opens a query uses a new query object, so that nothing from an
// earlier run is reused: a query opened again with nothing changed reuses its keys (see
// BM_ReopenUnchanged), which would make these cases meaningless.
void BM_Open(benchmark::State& state, bool ours)
{
    if (ours) {
        for (auto _ : state) {
            auto q = moviesQuery();
            q->Open();
            readFirst50(*q);
        }
        return;
    }
    SqliteStatement s(world->raw, QStringLiteral("select * from Movies order by Title"), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(s, 50));
}

void BM_ReadAll(benchmark::State& state, bool ours)
{
    if (ours) {
        for (auto _ : state) {
            auto q = moviesQuery();
            q->Open();
            for (q->First(); !q->Eof(); q->Next())
                readRow(*q);
        }
        return;
    }
    SqliteStatement s(world->raw, QStringLiteral("select * from Movies order by Title"), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(s, -1));
}

void BM_Sort(benchmark::State& state, bool ours)
{
    const QString sql = QStringLiteral("select * from Movies order by Category DESC");
    if (ours) {
        for (auto _ : state) {
            auto q = moviesQuery(sql);
            q->Open();
            readFirst50(*q);
        }
        return;
    }
    SqliteStatement s(world->raw, sql, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(s, 50));
}

void BM_Filter(benchmark::State& state, bool ours)
{
    if (ours) {
        QString quoted = world->category;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        for (auto _ : state) {
            auto q = moviesQuery();
            q->setFilter(QStringLiteral("Category = '%1'").arg(quoted));
            q->setFiltered(true);
            q->Open();
            readFirst50(*q);
        }
        return;
    }
    SqliteStatement s(world->raw, QStringLiteral("select * from Movies where Category = ?1 order by Title"), true);
    for (auto _ : state) {
        s.bindText(1, world->category);
        benchmark::DoNotOptimize(rawRun(s, 50));
    }
}

void BM_Locate(benchmark::State& state, bool ours)
{
    if (ours) {
        auto q = moviesQuery();
        q->Open();
        for (auto _ : state)
            benchmark::DoNotOptimize(q->Locate(QStringLiteral("Title"), {world->prefix}, loPartialKey));
        return;
    }
    SqliteStatement s(
        world->raw, QStringLiteral("select Id from Movies where kolt_prefix(Title, ?1) order by Title limit 1"), true);
    for (auto _ : state) {
        s.bindText(1, world->prefix);
        benchmark::DoNotOptimize(rawRun(s, 1));
    }
}

// Posting one row is one durable transaction on both sides (the catalogue's journal and sync
// settings on both connections); the rows are removed afterwards.
void BM_InsertPost(benchmark::State& state, bool ours)
{
    if (ours) {
        auto q = moviesQuery();
        q->Open();
        for (auto _ : state) {
            q->Insert();
            q->FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Drama"));
            q->FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Benchmark title"));
            q->FieldByName(QStringLiteral("Media_type")).SetAsString(QStringLiteral("DVD"));
            q->Post();
        }
    } else {
        SqliteStatement s(world->raw,
                          QStringLiteral("insert into Movies (Category, Title, Media_type) values (?1, ?2, ?3)"), true);
        for (auto _ : state) {
            SqliteStatement::exec(world->raw, QStringLiteral("BEGIN IMMEDIATE"));
            s.bindText(1, QStringLiteral("Drama"));
            s.bindText(2, QStringLiteral("Benchmark title"));
            s.bindText(3, QStringLiteral("DVD"));
            s.execute();
            s.reset();
            SqliteStatement::exec(world->raw, QStringLiteral("COMMIT"));
        }
    }
    SqliteStatement::exec(world->raw, QStringLiteral("delete from Movies where Title = 'Benchmark title'"));
}

void BM_DetailMoves(benchmark::State& state, bool ours)
{
    if (ours) {
        auto movies = moviesQuery();
        TDataSource dsMovies(QStringLiteral("dsMovies"), movies.get());
        TDAOQuery cast(QStringLiteral("qrMv_Cast"));
        cast.setDatabase(&world->db);
        cast.setSQL({QStringLiteral("select * from Mv_Cast"), QStringLiteral("where P_Id = :Id"),
                     QStringLiteral("order by Name")});
        cast.setDataSource(&dsMovies);
        movies->Open();
        cast.Open();
        for (auto _ : state) {
            movies->First();
            for (int i = 0; i < 1000; ++i) {
                for (cast.First(); !cast.Eof(); cast.Next())
                    benchmark::DoNotOptimize(cast.FieldByName(QStringLiteral("Name")).AsString());
                movies->Next();
            }
        }
        return;
    }
    SqliteStatement s(world->raw, QStringLiteral("select * from Mv_Cast where P_Id = ?1 order by Name"), true);
    for (auto _ : state) {
        for (const qint64 id : world->firstMovies) {
            s.bindInt64(1, id);
            benchmark::DoNotOptimize(rawRun(s, -1));
        }
    }
}

// Opening again a query whose table did not change since its last run (a folder chosen again).
void BM_ReopenUnchanged(benchmark::State& state)
{
    auto q = moviesQuery();
    q->Open();
    for (auto _ : state) {
        q->Close();
        q->Open();
        readFirst50(*q);
    }
}

void reportMemory()
{
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    auto q = moviesQuery();
    q->Open();
    readFirst50(*q);
    const size_t opened = mallinfo2().uordblks;
    for (q->First(); !q->Eof(); q->Next())
        readRow(*q);
    const size_t read = mallinfo2().uordblks;
    std::printf("\nmemory of an open 100,000-row result: %.1f MB after opening, %.1f MB after reading every row\n",
                double(opened - before) / 1e6, double(read - before) / 1e6);
}

} // namespace

BENCHMARK_CAPTURE(BM_Open, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReopenUnchanged)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAll, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAll, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sort, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sort, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Filter, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Filter, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Locate, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Locate, raw, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InsertPost, ours, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_InsertPost, raw, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DetailMoves, ours, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DetailMoves, raw, false)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchProgramFolder folder;
    const QString path = folder.filePath();
    World w;
    world = &w;
    w.db.setDatabaseName(path);
    w.db.setPassword(QStringLiteral("trobel72"));
    w.db.Open();
    sqlite3_open_v2(QFile::encodeName(path).constData(), &w.raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteFunctions::install(w.raw);
    SqliteStatement::exec(w.raw, QStringLiteral("PRAGMA cache_size = -16384; PRAGMA mmap_size = 268435456; "
                                                "PRAGMA journal_mode = DELETE; PRAGMA synchronous = EXTRA"));
    {
        SqliteStatement s(w.raw, QStringLiteral("select Name from Movies_C order by Id limit 1 offset 777"));
        s.step();
        w.category = s.columnText(0);
        SqliteStatement ids(w.raw, QStringLiteral("select Id from Movies order by Title limit 1000"));
        while (ids.step())
            w.firstMovies.push_back(ids.columnInt64(0));
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reportMemory();
    sqlite3_close_v2(w.raw);
    return 0;
}
