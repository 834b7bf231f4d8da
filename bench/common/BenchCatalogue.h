#pragma once

#include "CatalogueSchemaSql.h"
#include "CatalogueWriter.h"
#include "SampleCatalogue.h"
#include "TDAODatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>

// Opens a catalogue once, as the program would, so that what an earlier build left out (the
// indexes of large folders) is added now and not while something is measured. Answers seconds.
inline double bringUpToDate(const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    TDAODatabase db;
    db.setDatabaseName(path);
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
    db.Close();
    return double(clock.elapsed()) / 1000.0;
}

// The catalogue the benchmarks share: `items` items per folder, 2,000 categories and 10,000
// names per list. It is made once in the system's temporary folder (never beside an installed
// program), brought up to date, and reused by later runs; its name carries the layout it was
// made with, so that a build with another layout makes its own.
inline QString benchCatalogue(int items = 100000)
{
    const QString dir = QDir::tempPath() + QStringLiteral("/tarvena-bench");
    QDir().mkpath(dir);
    const QByteArray layout = QCryptographicHash::hash(kCatalogueSchemaSql, QCryptographicHash::Sha1).toHex().left(8);
    const QString path = dir + QStringLiteral("/catalogue-%1-%2.mdb").arg(items).arg(QLatin1String(layout));
    if (QFileInfo::exists(path)) {
        bringUpToDate(path);
        return path;
    }
    std::fprintf(stderr, "making %s (once)...\n", qPrintable(path));
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    CatalogueWriter::create(partial);
    SampleCatalogue::Options o;
    o.items = items;
    o.categories = 2000;
    o.names = 10000;
    SampleCatalogue::fill(partial, o);
    std::fprintf(stderr, "first opening: %.2f s\n", bringUpToDate(partial));
    QFile::rename(partial, path);
    return path;
}

// A program folder of its own with a copy of the benchmark catalogue as koltDB.mdb, so that
// benchmarks running at the same time neither lock nor change the file they start from.
// TARVENA_BENCH_CATALOGUE names another catalogue to copy (a million items, one made by an
// earlier build); the copy is brought up to date before anything is measured.
class BenchProgramFolder
{
public:
    explicit BenchProgramFolder(int items = 100000)
    {
        const QString chosen = qEnvironmentVariable("TARVENA_BENCH_CATALOGUE");
        const QString source = chosen.isEmpty() ? benchCatalogue(items) : chosen;
        if (!QFile::copy(source, filePath())) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
            std::exit(1);
        }
        std::fprintf(stderr, "benchmark catalogue: a copy of %s (first opening: %.2f s)\n", qPrintable(source),
                     bringUpToDate(filePath()));
    }
    QString path() const { return m_dir.path(); }
    QString filePath() const { return m_dir.filePath(QStringLiteral("koltDB.mdb")); }

private:
    QTemporaryDir m_dir;
};
