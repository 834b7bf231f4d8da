#include "StatisticsWorker.h"

#include "CollectionCounter.h"
#include "EDatabaseError.h"
#include "StatisticsFolder.h"

#include <QThread>

StatisticsWorker::StatisticsWorker(QString cataloguePath, int folder, std::optional<QString> category, QObject* parent)
    : QObject(parent)
    , m_path(std::move(cataloguePath))
    , m_folder(folder)
    , m_category(std::move(category))
{
    qRegisterMetaType<StatisticsChart>();
    qRegisterMetaType<StatisticsTotals>();
}

StatisticsWorker::~StatisticsWorker()
{
    cancel();
}

void StatisticsWorker::start()
{
    if (m_thread)
        return;
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start();
}

void StatisticsWorker::cancel()
{
    m_cancel = true;
    if (m_thread)
        m_thread->wait();
}

bool StatisticsWorker::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

QStringList StatisticsWorker::chartIds(int folder)
{
    const StatisticsFolder& f = StatisticsFolder::all().at(size_t(folder));
    QStringList ids{QStringLiteral("categories")};
    if (f.hasYear)
        ids << QStringLiteral("decades");
    if (f.hasMedia)
        ids << QStringLiteral("media");
    for (const StatisticsFolder::People& p : f.people)
        ids << p.id;
    // Last: the one count that no index helps.
    if (f.hasAcquired)
        ids << QStringLiteral("growth");
    return ids;
}

void StatisticsWorker::run()
{
    // Runs on the worker's thread: the signals are queued to the owner's thread.
    try {
        const StatisticsFolder& folder = StatisticsFolder::all().at(size_t(m_folder));
        CollectionCounter counter(m_path);
        counter.setCategory(m_category);
        counter.setCancelFlag(&m_cancel);
        const StatisticsTotals totals = counter.totals(folder);
        if (m_cancel)
            return;
        Q_EMIT totalsReady(totals);
        for (const QString& id : chartIds(m_folder)) {
            StatisticsChart chart;
            if (id == QLatin1String("categories"))
                chart = counter.categories(folder);
            else if (id == QLatin1String("decades"))
                chart = counter.decades(folder);
            else if (id == QLatin1String("media"))
                chart = counter.media(folder);
            else if (id == QLatin1String("growth"))
                chart = counter.growth(folder);
            else
                for (const StatisticsFolder::People& p : folder.people)
                    if (p.id == id)
                        chart = counter.people(folder, p);
            if (m_cancel)
                return;
            Q_EMIT chartReady(chart);
        }
        Q_EMIT finished();
    } catch (const EDatabaseError& e) {
        if (!m_cancel)
            Q_EMIT failed(e.message());
    } catch (const std::exception& e) {
        // Nothing may leave the thread: whatever went wrong is told to the window.
        if (!m_cancel)
            Q_EMIT failed(QString::fromLocal8Bit(e.what()));
    }
}
