// Posting a movie with a new category and director through the data module, against the raw
// SQLite C API doing the same writes (the two lookup names, the movie row and the re-link of its
// cast) in one durable transaction on the same file, with the same journal and sync settings.
// Run by hand: build/bench/store/bench_datamodule
#include "BenchCatalogue.h"
#include "Procedury.h"
#include "RatioReporter.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TDM.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QString g_folder;
TDM* g_dm = nullptr; // opened once, before the benchmarks, as the main window and editor have it
sqlite3* g_raw = nullptr;
int g_serial = 0;

QString fresh(const char* what)
{
    return QStringLiteral("Bench %1 %2").arg(QLatin1String(what)).arg(++g_serial);
}

void BM_PostMovie(benchmark::State& state, bool ours)
{
    if (ours) {
        TDM& dm = *g_dm;
        for (auto _ : state) {
            dm.qrMovies.Insert();
            dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Bench title"));
            dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(fresh("category"));
            dm.qrMovies.FieldByName(QStringLiteral("Director")).SetAsString(fresh("director"));
            Procedury::PostRecord(dm.qrMovies);
        }
        return;
    }
    SqliteStatement findC(g_raw, QStringLiteral("select Id from Movies_C where Name = ?1"), true);
    SqliteStatement findD(g_raw, QStringLiteral("select Id from Movies_D where Name = ?1"), true);
    SqliteStatement addC(g_raw, QStringLiteral("insert into Movies_C (Name) values (?1)"), true);
    SqliteStatement addD(g_raw, QStringLiteral("insert into Movies_D (Name) values (?1)"), true);
    SqliteStatement movie(g_raw,
                          QStringLiteral("insert into Movies (Title, Category, Director, Media_type) "
                                         "values ('Bench title', ?1, ?2, 'CD')"),
                          true);
    SqliteStatement relink(g_raw, QStringLiteral("update Mv_Cast set P_Id = ?1 where P_Id = 0"), true);
    for (auto _ : state) {
        SqliteStatement::exec(g_raw, QStringLiteral("BEGIN IMMEDIATE"));
        const QString category = fresh("category"), director = fresh("director");
        for (auto [find, add, name] : {std::tuple{&findC, &addC, category}, std::tuple{&findD, &addD, director}}) {
            find->bindText(1, name);
            const bool found = find->step();
            find->reset();
            if (!found) {
                add->bindText(1, name);
                add->execute();
                add->reset();
            }
        }
        movie.bindText(1, category);
        movie.bindText(2, director);
        movie.execute();
        movie.reset();
        relink.bindInt64(1, sqlite3_last_insert_rowid(g_raw));
        relink.execute();
        relink.reset();
        SqliteStatement::exec(g_raw, QStringLiteral("COMMIT"));
    }
}

void cleanUp()
{
    SqliteStatement::exec(
        g_raw,
        QStringLiteral(
            "delete from Movies where Title = 'Bench title'; delete from Movies_C where Name like 'Bench category %';"
            "delete from Movies_D where Name like 'Bench director %';"));
}

} // namespace

BENCHMARK_CAPTURE(BM_PostMovie, ours, true)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_PostMovie, raw, false)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchProgramFolder folder;
    const QString path = folder.filePath();
    g_folder = folder.path();
    sqlite3_open_v2(QFile::encodeName(path).constData(), &g_raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteFunctions::install(g_raw);
    SqliteStatement::exec(g_raw, QStringLiteral("PRAGMA journal_mode = DELETE; PRAGMA synchronous = EXTRA"));
    cleanUp();
    {
        TDM dm(g_folder);
        dm.DataModuleCreate();
        for (TDAODataset* ds :
             std::initializer_list<TDAODataset*>{&dm.qrMovies, &dm.qrMv_Cast, &dm.tbC_Movies, &dm.tbD_Movies})
            ds->Open();
        g_dm = &dm;
        benchmark::Initialize(&argc, argv);
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        g_dm = nullptr;
    }
    cleanUp();
    sqlite3_close_v2(g_raw);
    return 0;
}
