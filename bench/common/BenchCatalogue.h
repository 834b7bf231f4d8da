#pragma once

#include "CatalogueWriter.h"
#include "SampleCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QString>
#include <cstdio>

// The 100,000-item catalogue the benchmarks share. It is made once in the system's cache
// folder (never beside an installed program) and reused by later runs.
inline QString benchCatalogue(int items = 100000)
{
    const QString dir = QDir::tempPath() + QStringLiteral("/tarvena-bench");
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/catalogue-%1.mdb").arg(items);
    if (QFileInfo::exists(path))
        return path;
    std::fprintf(stderr, "making %s (once)...\n", qPrintable(path));
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    CatalogueWriter::create(partial);
    SampleCatalogue::Options o;
    o.items = items;
    o.categories = 2000;
    o.names = 10000;
    SampleCatalogue::fill(partial, o);
    QFile::rename(partial, path);
    return path;
}

// A program folder of its own with a copy of the benchmark catalogue as koltDB.mdb, so that
// other benchmarks running at the same time neither lock it nor change it.
class BenchProgramFolder
{
public:
    BenchProgramFolder() { QFile::copy(benchCatalogue(), m_dir.filePath(QStringLiteral("koltDB.mdb"))); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
