#pragma once

#include "StatisticsChart.h"
#include "StatisticsTotals.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

class QThread;

// Counts one folder's statistics on a thread of its own, over its own read-only connection to
// the catalogue file, and hands each result over as soon as it is counted: the totals first,
// then the charts one by one. Its signals arrive on the thread that owns the worker. Cancelled
// (and waited for) when it is destroyed.
class StatisticsWorker : public QObject
{
    Q_OBJECT

public:
    StatisticsWorker(QString cataloguePath, int folder, std::optional<QString> category, QObject* parent = nullptr);
    ~StatisticsWorker() override;

    void start();
    // Stops the counting at its next step and waits for the thread; nothing more is said.
    void cancel();
    bool isRunning() const;

    // The charts a folder gets, by id, in the order they are counted.
    static QStringList chartIds(int folder);

Q_SIGNALS:
    void totalsReady(const StatisticsTotals& totals);
    void chartReady(const StatisticsChart& chart);
    void failed(const QString& message);
    void finished();

private:
    void run();

    QString m_path;
    int m_folder;
    std::optional<QString> m_category;
    std::atomic_bool m_cancel{false};
    std::unique_ptr<QThread> m_thread;
};
