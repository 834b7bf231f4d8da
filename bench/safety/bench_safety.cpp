// The safety net's costs against what they are measured by, in one run: a backup of the
// benchmark catalogue (100,000 items per folder) against `cp` of the same file, and deleting
// movies with the trash against deleting them without it.
#include "BenchCatalogue.h"
#include "CatalogueBackup.h"
#include "TDM.h"
#include "TrashBin.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeCopy(const QString& path, const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    QProcess::execute(QStringLiteral("cp"), {path, folder + QStringLiteral("/cp.mdb")});
    QProcess::execute(QStringLiteral("sync"), {});
    return double(clock.nsecsElapsed()) / 1e6;
}

double timeBackup(const QString& path, const QString& folder, int round)
{
    QElapsedTimer clock;
    clock.start();
    CatalogueBackup::make(path, folder, QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(round));
    return double(clock.nsecsElapsed()) / 1e6;
}

// Deletes `count` movies one by one through the folder's query, as the Delete command does.
double timeDeletes(const QString& folderPath, bool withTrash, int count)
{
    TDM dm(folderPath);
    dm.DataModuleCreate();
    std::unique_ptr<TrashBin> trash;
    if (withTrash)
        trash = std::make_unique<TrashBin>(dm);
    dm.qrMovies.Open();
    dm.qrMv_Cast.Open();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i)
        dm.qrMovies.Delete();
    const double ms = double(clock.nsecsElapsed()) / 1e6 / count;
    trash.reset();
    dm.DataModuleDestroy();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString source = benchCatalogue();
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/tarvena-bench-safety-XXXXXX"));
    std::vector<double> copies, backups;
    for (int round = 0; round < 3; ++round) {
        copies.push_back(timeCopy(source, work.path()));
        backups.push_back(timeBackup(source, work.filePath(QStringLiteral("Backups")), round));
    }
    {
        // Where a backup's time goes: the check of the copy alone.
        const QDir dir(work.filePath(QStringLiteral("Backups")));
        const QString made = dir.filePath(dir.entryList({QStringLiteral("koltDB-*.mdb")}, QDir::Files).first());
        QElapsedTimer clock;
        clock.start();
        CatalogueBackup::problem(made);
        std::printf("the check of a copy alone: %.0f ms\n", double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("backup of %lld MB: %.0f ms, cp + sync: %.0f ms, ratio %.2f\n",
                static_cast<long long>(QFileInfo(source).size() >> 20), median(backups), median(copies),
                median(backups) / median(copies));

    std::vector<double> plain, kept;
    for (int round = 0; round < 3; ++round) {
        for (const bool withTrash : {false, true}) {
            QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tarvena-bench-safety-XXXXXX"));
            QFile::copy(source, folder.filePath(QStringLiteral("koltDB.mdb")));
            (withTrash ? kept : plain).push_back(timeDeletes(folder.path(), withTrash, 200));
        }
    }
    std::printf("delete a movie: %.2f ms with the trash, %.2f ms without, ratio %.2f\n", median(kept), median(plain),
                median(kept) / median(plain));
    return 0;
}
