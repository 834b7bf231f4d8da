// The one-time build of a large catalogue's sort indexes: the time of the whole build under
// each setting of the engine, against the way it was built before (every index in one
// transaction, the opening's 16 MB page cache, the sorter's defaults), all in one run on one
// copy, and the upgrade as the opening does it now. Works on a copy of the catalogue named by the
// first argument or TARVENA_BENCH_CATALOGUE (made with `koltdb sample FILE --items N` and never
// opened, so that it has no sort indexes yet), or of a fresh 100,000-item catalogue.
//   build/bench/store/bench_upgrade [FILE]
#include "CatalogueSchemaSql.h"
#include "CatalogueUpgrade.h"
#include "CatalogueWriter.h"
#include "SampleCatalogue.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

struct Setting
{
    const char* name;
    const char* pragmas; // run before the build
    bool oneTransaction; // every index in one transaction, as before
};

// The opening's own settings, which the build ran under before.
const char* const kOpening = "PRAGMA journal_mode = DELETE; PRAGMA synchronous = EXTRA; PRAGMA cache_size = -16384; "
                             "PRAGMA mmap_size = 0; PRAGMA temp_store = DEFAULT; PRAGMA threads = 0";

// A larger page cache also gives the sorter larger runs to sort in memory, which proved slower,
// as did keeping its runs in memory and sorting on two threads, on a busy two-core machine
// (cache 64 MB: 0.78x processor time, temp_store memory 0.70x, threads 2 0.74x, cache 256 MB
// and 1 GB slower still, in earlier runs); smaller runs are tried instead.
const Setting kSettings[] = {
    {"before: one transaction, 16 MB cache", "", true},
    {"each index committed on its own", "", false},
    {"+ cache 4 MB", "PRAGMA cache_size = -4096", false},
    {"+ cache 2 MB", "PRAGMA cache_size = -2048", false},
    {"+ cache 1 MB", "PRAGMA cache_size = -1024", false},
    {"+ cache 4 MB, threads 2", "PRAGMA cache_size = -4096; PRAGMA threads = 2", false},
    {"before, again (drift of the machine)", "", true},
};

void exec(sqlite3* db, const QString& sql)
{
    SqliteStatement::exec(db, sql);
}

sqlite3* openRaw(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        std::exit(1);
    }
    SqliteFunctions::install(db);
    return db;
}

// The processor time the process has used, in seconds: on a shared machine, what the build
// costs apart from how long others kept it waiting.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing
{
    double wall = 0;
    double cpu = 0;
};

Timing buildAll(sqlite3* db, const QStringList& statements, const Setting& setting)
{
    exec(db, QLatin1String(kOpening));
    if (*setting.pragmas)
        exec(db, QLatin1String(setting.pragmas));
    QElapsedTimer clock;
    clock.start();
    const double cpu = cpuSeconds();
    if (setting.oneTransaction)
        exec(db, QStringLiteral("BEGIN IMMEDIATE"));
    for (const QString& sql : statements) {
        if (!setting.oneTransaction)
            exec(db, QStringLiteral("BEGIN IMMEDIATE"));
        exec(db, sql);
        if (!setting.oneTransaction)
            exec(db, QStringLiteral("COMMIT"));
    }
    if (setting.oneTransaction)
        exec(db, QStringLiteral("COMMIT"));
    return {double(clock.elapsed()) / 1000.0, cpuSeconds() - cpu};
}

void dropAll(sqlite3* db, const QStringList& statements)
{
    exec(db, QStringLiteral("BEGIN IMMEDIATE"));
    for (const QString& sql : statements) {
        const QString name = sql.section(QLatin1Char(' '), 2, 2);
        exec(db, QStringLiteral("DROP INDEX %1").arg(name));
    }
    exec(db, QStringLiteral("COMMIT"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("koltDB.mdb"));
    QString source = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("TARVENA_BENCH_CATALOGUE");
    if (source.isEmpty()) {
        CatalogueWriter::create(copy);
        SampleCatalogue::Options o;
        o.items = 100000;
        o.categories = 2000;
        o.names = 10000;
        SampleCatalogue::fill(copy, o);
        std::printf("a fresh catalogue of %d items per folder\n", o.items);
    } else if (!QFile::copy(source, copy)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
        return 1;
    } else {
        std::printf("a copy of %s\n", qPrintable(source));
    }
    sqlite3* db = openRaw(copy);
    const QStringList statements = CatalogueUpgrade(db, copy).missingIndexes();
    if (statements.isEmpty()) {
        std::fprintf(stderr, "the catalogue has its sort indexes already\n");
        return 1;
    }
    std::printf("%lld sort indexes to build\n\n%-40s %10s %10s %12s\n", qlonglong(statements.size()), "setting",
                "build", "processor", "ratio (cpu)");
    std::fflush(stdout);
    Timing before;
    for (const Setting& s : kSettings) {
        const Timing t = buildAll(db, statements, s);
        if (before.wall == 0)
            before = t;
        std::printf("%-40s %8.1f s %8.1f s %6.2fx (%.2fx)\n", s.name, t.wall, t.cpu, before.wall / t.wall,
                    before.cpu / t.cpu);
        std::fflush(stdout);
        dropAll(db, statements);
    }
    sqlite3_close(db);

    // The opening as it is now: the same build, through the upgrade, on the same copy.
    QElapsedTimer clock;
    clock.start();
    TDAODatabase opened;
    opened.setDatabaseName(copy);
    opened.setPassword(QStringLiteral("trobel72"));
    const double cpu = cpuSeconds();
    opened.Open();
    const Timing now{double(clock.elapsed()) / 1000.0, cpuSeconds() - cpu};
    std::printf("%-40s %8.1f s %8.1f s %6.2fx (%.2fx)\n", "the opening now (all of it)", now.wall, now.cpu,
                before.wall / now.wall, before.cpu / now.cpu);
    return 0;
}
