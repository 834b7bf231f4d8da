// Opens the statistics window of each folder over the benchmark catalogue (100,000 items per
// folder, or the one TARVENA_BENCH_CATALOGUE names) and reports how long it takes until every
// chart is drawn, and the longest the window went without handling events meanwhile.
#include "BenchCatalogue.h"
#include "BenchProgram.h"
#include "ChartPanel.h"
#include "CollectionCounter.h"
#include "MainCommands.h"
#include "StatisticsFolder.h"
#include "StatisticsWindow.h"
#include "StatisticsWorker.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    BenchProgramFolder folder;
    TKOLTForm* window = startBenchProgram(folder.path());
    QApplication::processEvents();

    // Each count on its own, on the GUI thread, to show where the time goes.
    {
        CollectionCounter counter(folder.filePath());
        for (const StatisticsFolder& f : StatisticsFolder::all()) {
            QElapsedTimer clock;
            clock.start();
            std::printf("%-13s", qPrintable(f.caption));
            for (const QString& id : StatisticsWorker::countOrder(f.index)) {
                if (id == QLatin1String("totals"))
                    counter.totals(f);
                else
                    counter.chart(f, id);
                std::printf(" %s %lld ms,", qPrintable(id), static_cast<long long>(clock.restart()));
            }
            std::printf("\n");
        }
        std::fflush(stdout);
    }

    for (const StatisticsFolder& f : StatisticsFolder::all()) {
        // The longest gap between two turns of the event loop while the charts are counted.
        qint64 longestGap = 0;
        QElapsedTimer gap;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = qMax(longestGap, gap.restart()); });

        QElapsedTimer clock;
        clock.start();
        gap.start();
        ticker.start();
        window->SelectFolder(f.index, f.caption);
        const qint64 folderShown = clock.restart();
        window->commands()->miStatistics->trigger();
        auto* stats = window->findChild<StatisticsWindow*>();
        bool done = false;
        QObject::connect(stats, &StatisticsWindow::countingFinished, [&] { done = true; });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        // Every chart drawn once.
        for (const QString& id : StatisticsWorker::chartIds(f.index))
            stats->panel(id)->chartView()->grab();
        const qint64 drawn = clock.elapsed();
        ticker.stop();
        std::printf("%-13s every chart drawn in %5lld ms (folder switch before it %lld ms), longest event-loop "
                    "gap %lld ms\n",
                    qPrintable(f.caption), static_cast<long long>(drawn), static_cast<long long>(folderShown),
                    static_cast<long long>(longestGap));
        std::fflush(stdout);
        stats->close();
        QApplication::processEvents();
    }
    return 0;
}
