// Search everywhere over a large catalogue: how long the index takes to build and how much it
// adds to the file, how long the first page of results takes for one-word, two-word and prefix
// searches, and what keeping the index costs a post. Works on a copy of the catalogue named by
// the first argument or TARVENA_BENCH_CATALOGUE (made with `koltdb sample FILE --items N`), or
// of the shared benchmark catalogue (100,000 items per folder).
#include "BenchCatalogue.h"
#include "CatalogueSearch.h"
#include "ModuleSteps.h"
#include "Procedury.h"
#include "SearchFolder.h"
#include "SearchIndex.h"
#include "SearchQuery.h"
#include "SearchUpkeep.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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

double ms(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// Edits and posts the current book `n` times; the median milliseconds of a post.
double postBooks(TDM& dm, int n)
{
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        dm.qrBooks.Edit();
        dm.qrBooks.FieldByName(QStringLiteral("Publishers")).SetAsString(QStringLiteral("Publisher %1").arg(i));
        QElapsedTimer clock;
        clock.start();
        Procedury::PostRecord(dm.qrBooks);
        times.push_back(ms(clock));
    }
    return median(times);
}

double postMovies(TDM& dm, int n)
{
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        dm.qrMovies.Edit();
        dm.qrMovies.FieldByName(QStringLiteral("Tot_time")).SetAsString(QStringLiteral("%1 min").arg(90 + i));
        QElapsedTimer clock;
        clock.start();
        Procedury::PostRecord(dm.qrMovies);
        times.push_back(ms(clock));
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString source = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("TARVENA_BENCH_CATALOGUE");
    if (source.isEmpty())
        source = benchCatalogue();
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("koltDB.mdb"));
    std::printf("copying %s\n", qPrintable(source));
    std::fflush(stdout);
    if (!QFile::copy(source, copy)) {
        std::fprintf(stderr, "cannot copy the catalogue\n");
        return 1;
    }
    bringUpToDate(copy);
    const qint64 before = QFileInfo(copy).size();

    TDM dm(dir.path());
    dm.DataModuleCreate();
    SearchIndex index(dm.dbKOLT, true);
    QElapsedTimer clock;
    clock.start();
    int lastPercent = -1;
    index.prepare([&](int percent) {
        if (percent / 10 != lastPercent / 10) {
            std::printf("  %d%% after %.1f s\n", percent, double(clock.elapsed()) / 1000.0);
            std::fflush(stdout);
        }
        lastPercent = percent;
        return true;
    });
    const double build = double(clock.elapsed()) / 1000.0;
    const qint64 after = QFileInfo(copy).size();
    std::printf("index built in %.1f s; file %.0f MB -> %.0f MB (+%.0f%%)\n", build, double(before) / 1e6,
                double(after) / 1e6, 100.0 * double(after - before) / double(before));

    const QStringList searches{QStringLiteral("river"),       QStringLiteral("kowalski"),
                               QStringLiteral("night river"), QStringLiteral("łucja kowalski"),
                               QStringLiteral("kow"),         QStringLiteral("wi"),
                               QStringLiteral("cast:zoë"),    QStringLiteral("\"silent river\""),
                               QStringLiteral("zzzz")};
    for (const QString& typed : searches) {
        const SearchQuery query = SearchQuery::parse(typed);
        std::vector<double> page, counts;
        SearchResults results;
        for (int i = 0; i < 5; ++i) {
            CatalogueSearch search(dm.dbKOLT.handle(), &index);
            QElapsedTimer t;
            t.start();
            results = search.run(query, CatalogueSearch::kFirstHits, nullptr, false);
            page.push_back(ms(t));
            t.restart();
            search.countRest(query, results);
            counts.push_back(ms(t));
        }
        std::printf("%-20s first page (up to 50 a folder, read and marked) %7.1f ms; counting the rest %7.1f ms; "
                    "%lld found%s\n",
                    qPrintable(typed), median(page), median(counts), static_cast<long long>(results.total()),
                    results.fromIndex ? "" : " (tables read)");
        std::fflush(stdout);
    }

    // A post with the index kept, then without (the rules removed), alternating to even out.
    dm.qrBooks.Open();
    dm.tbC_Books.Open();
    dm.tbA_Books.Open();
    ModuleSteps::openMovies(dm);
    double keptBooks = 0, plainBooks = 0, keptMovies = 0, plainMovies = 0;
    for (int round = 0; round < 3; ++round) {
        {
            SearchUpkeep upkeep(dm, index);
            keptBooks += postBooks(dm, 15);
            keptMovies += postMovies(dm, 15);
        }
        plainBooks += postBooks(dm, 15);
        plainMovies += postMovies(dm, 15);
    }
    std::printf("post of a book: %.2f ms with the index kept, %.2f ms without (x%.2f)\n", keptBooks / 3, plainBooks / 3,
                keptBooks / plainBooks);
    std::printf("post of a movie: %.2f ms with the index kept, %.2f ms without (x%.2f)\n", keptMovies / 3,
                plainMovies / 3, keptMovies / plainMovies);
    index.close();
    return 0;
}
