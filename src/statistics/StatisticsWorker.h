#pragma once

#include "StatisticsChart.h"
#include "StatisticsTotals.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CollectionCounter;
class QThread;

// Counts one folder's statistics off the GUI thread, on two lanes (threads), each with its own
// read-only connection to the catalogue file. The lanes take the counts one by one, the
// longest first, and each result is handed over as soon as it is counted. Its signals arrive
// on the thread that owns the worker. Cancelled (and waited for) when it is destroyed.
class StatisticsWorker : public QObject
{
    Q_OBJECT

public:
    static constexpr int kLanes = 2;

    StatisticsWorker(QString cataloguePath, int folder, std::optional<QString> category, QObject* parent = nullptr);
    ~StatisticsWorker() override;

    void start();
    // Stops the counting at its next step and waits for the lanes; nothing more is said.
    void cancel();
    bool isRunning() const;

    // The charts a folder gets, by id, in the order the window shows them.
    static QStringList chartIds(int folder);
    // Every count of a folder ("totals" and the charts), the longest first: the order the
    // lanes take them in.
    static QStringList countOrder(int folder);

Q_SIGNALS:
    void totalsReady(const StatisticsTotals& totals);
    void chartReady(const StatisticsChart& chart);
    // Said once, however many lanes fail; no `finished` follows.
    void failed(const QString& message);
    // Every count done.
    void finished();

private:
    void runLane();
    // One part of a whole folder's cast ("actors/first", "actors/second", "actors/gone");
    // the lane that counts the last part says the chart.
    void countCastPart(CollectionCounter& counter, const QString& task);
    // The next count to do; empty when none is left.
    QString takeNext();
    void fail(const QString& message);

    QString m_path;
    int m_folder;
    std::optional<QString> m_category;
    std::atomic_bool m_cancel{false};
    std::atomic_bool m_failed{false};
    std::atomic_int m_running{0};
    std::mutex m_queueLock;
    QStringList m_queue;
    // The parts of a cast counted on both lanes at once, gathered here.
    struct CastParts
    {
        std::mutex lock;
        bool middleKnown = false;
        std::optional<QString> middle;
        std::vector<StatisticsChart::Entry> names;
        std::map<std::u32string, qint64> gone;
        int left = 3;
    };
    CastParts m_cast;
    std::vector<std::unique_ptr<QThread>> m_lanes;
};
