// Posting a movie with a new category and director through the data module, against the raw
// SQLite C API doing the same writes (the movie row and the two lookup names) on the same file.
// Run by hand: build/bench/store/bench_datamodule
#include "BenchCatalogue.h"
#include "Procedury.h"
#include "RatioReporter.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QString g_folder;
sqlite3* g_raw = nullptr;
int g_serial = 0;

QString fresh(const char* what)
{
    return QStringLiteral("Bench %1 %2").arg(QLatin1String(what)).arg(++g_serial);
}

void BM_PostMovie(benchmark::State& state, bool ours)
{
    if (ours) {
        TDM dm(g_folder);
        dm.DataModuleCreate();
        dm.qrMovies.Open();
        dm.qrMv_Cast.Open();
        dm.tbC_Movies.Open();
        dm.tbD_Movies.Open();
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
    SqliteStatement movie(g_raw, QStringLiteral("insert into Movies (Title, Category, Director, Media_type) "
                                                "values ('Bench title', ?1, ?2, 'CD')"), true);
    for (auto _ : state) {
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
    }
}

void cleanUp()
{
    SqliteStatement::exec(g_raw, QStringLiteral(
        "delete from Movies where Title = 'Bench title'; delete from Movies_C where Name like 'Bench category %';"
        "delete from Movies_D where Name like 'Bench director %';"));
}

} // namespace

BENCHMARK_CAPTURE(BM_PostMovie, ours, true)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_PostMovie, raw, false)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString path = benchCatalogue();
    QTemporaryDir folder;
    QFile::link(path, folder.filePath(QStringLiteral("koltDB.mdb")));
    g_folder = folder.path();
    sqlite3_open_v2(QFile::encodeName(path).constData(), &g_raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteFunctions::install(g_raw);
    cleanUp();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    cleanUp();
    sqlite3_close_v2(g_raw);
    return 0;
}
