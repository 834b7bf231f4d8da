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

// A larger page cache also gives the sorter larger runs to sort in memory, which proved slower
// (256 MB: 0.56x, 1 GB slower still, in earlier runs); smaller runs are tried instead.
const Setting kSettings[] = {
    {"before: one transaction, 16 MB cache", "", true},
    {"each index committed on its own", "", false},
    {"+ cache 4 MB", "PRAGMA cache_size = -4096", false},
    {"+ cache 64 MB", "PRAGMA cache_size = -65536", false},
    {"+ threads 2", "PRAGMA threads = 2", false},
    {"+ temp_store memory", "PRAGMA temp_store = MEMORY", false},
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

double buildAll(sqlite3* db, const QStringList& statements, const Setting& setting)
{
    exec(db, QLatin1String(kOpening));
    if (*setting.pragmas)
        exec(db, QLatin1String(setting.pragmas));
    QElapsedTimer clock;
    clock.start();
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
    return double(clock.elapsed()) / 1000.0;
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
    std::printf("%lld sort indexes to build\n\n%-40s %10s %8s\n", qlonglong(statements.size()), "setting", "build",
                "ratio");
    std::fflush(stdout);
    double before = 0;
    for (const Setting& s : kSettings) {
        const double seconds = buildAll(db, statements, s);
        if (before == 0)
            before = seconds;
        std::printf("%-40s %8.1f s %7.2fx\n", s.name, seconds, before / seconds);
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
    opened.Open();
    const double now = double(clock.elapsed()) / 1000.0;
    std::printf("%-40s %8.1f s %7.2fx\n", "the opening now (all of it)", now, before / now);
    return 0;
}
