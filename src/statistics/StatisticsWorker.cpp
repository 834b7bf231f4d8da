#include "StatisticsWorker.h"

#include "CollectionCounter.h"
#include "EDatabaseError.h"
#include "StatisticsFolder.h"

#include <QThread>
#include <algorithm>

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
    if (!m_lanes.empty())
        return;
    m_queue = countOrder(m_folder);
    // A whole folder's cast is the longest count: both lanes start on it, a half of the names
    // each, and one takes the names of no item after.
    const StatisticsFolder& f = StatisticsFolder::all().at(size_t(m_folder));
    for (const StatisticsFolder::People& p : f.people) {
        const qsizetype at = m_queue.indexOf(p.id);
        if (p.table.isEmpty() || m_category || at < 0)
            continue;
        m_queue.remove(at);
        m_queue.insert(at, p.id + QStringLiteral("/gone"));
        m_queue.insert(at, p.id + QStringLiteral("/second"));
        m_queue.insert(at, p.id + QStringLiteral("/first"));
    }
    m_running = kLanes;
    for (int i = 0; i < kLanes; ++i) {
        m_lanes.emplace_back(QThread::create([this] { runLane(); }));
        m_lanes.back()->start();
    }
}

void StatisticsWorker::cancel()
{
    m_cancel = true;
    for (const auto& lane : m_lanes)
        lane->wait();
}

bool StatisticsWorker::isRunning() const
{
    return m_running > 0;
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
    if (f.hasAcquired)
        ids << QStringLiteral("growth");
    return ids;
}

QStringList StatisticsWorker::countOrder(int folder)
{
    const StatisticsFolder& f = StatisticsFolder::all().at(size_t(folder));
    // As measured on large folders: a cast read with its items first, then the totals (several
    // passes), the dates, the other people, and the short groupings last.
    QStringList order;
    for (const StatisticsFolder::People& p : f.people)
        if (!p.table.isEmpty())
            order << p.id;
    order << QStringLiteral("totals");
    if (f.hasAcquired)
        order << QStringLiteral("growth");
    for (const StatisticsFolder::People& p : f.people)
        if (p.table.isEmpty())
            order << p.id;
    order << QStringLiteral("categories");
    if (f.hasYear)
        order << QStringLiteral("decades");
    if (f.hasMedia)
        order << QStringLiteral("media");
    return order;
}

QString StatisticsWorker::takeNext()
{
    const std::lock_guard lock(m_queueLock);
    if (m_cancel || m_failed || m_queue.isEmpty())
        return {};
    return m_queue.takeFirst();
}

void StatisticsWorker::fail(const QString& message)
{
    // The other lane stops at its next step; only the first failure is told.
    if (m_cancel || m_failed.exchange(true))
        return;
    Q_EMIT failed(message);
}

void StatisticsWorker::countCastPart(CollectionCounter& counter, const QString& task)
{
    const StatisticsFolder& folder = StatisticsFolder::all().at(size_t(m_folder));
    const QString id = task.section(QLatin1Char('/'), 0, 0);
    const QString part = task.section(QLatin1Char('/'), 1);
    const auto list = std::find_if(folder.people.begin(), folder.people.end(),
                                   [&id](const StatisticsFolder::People& p) { return p.id == id; });
    if (list == folder.people.end())
        return;
    if (part == QLatin1String("gone")) {
        std::map<std::u32string, qint64> gone = counter.castOfNoItem(folder, *list);
        const std::lock_guard lock(m_cast.lock);
        m_cast.gone = std::move(gone);
    } else {
        std::optional<QString> middle;
        {
            // Both halves split at the same name, found once.
            const std::lock_guard lock(m_cast.lock);
            if (!m_cast.middleKnown) {
                m_cast.middle = counter.castMiddle(*list);
                m_cast.middleKnown = true;
            }
            middle = m_cast.middle;
        }
        std::vector<StatisticsChart::Entry> names;
        if (part == QLatin1String("first"))
            names = counter.castNames(*list, std::nullopt, middle);
        else if (middle)
            names = counter.castNames(*list, middle, std::nullopt);
        const std::lock_guard lock(m_cast.lock);
        m_cast.names.insert(m_cast.names.end(), std::make_move_iterator(names.begin()),
                            std::make_move_iterator(names.end()));
    }
    std::vector<StatisticsChart::Entry> names;
    std::map<std::u32string, qint64> gone;
    {
        const std::lock_guard lock(m_cast.lock);
        if (--m_cast.left > 0)
            return;
        names = std::move(m_cast.names);
        gone = std::move(m_cast.gone);
    }
    const StatisticsChart chart = CollectionCounter::peopleChart(*list, std::move(names), gone);
    if (!m_cancel)
        Q_EMIT chartReady(chart);
}

void StatisticsWorker::runLane()
{
    // Runs on a lane's thread: the signals are queued to the owner's thread.
    try {
        const StatisticsFolder& folder = StatisticsFolder::all().at(size_t(m_folder));
        CollectionCounter counter(m_path);
        counter.setCategory(m_category);
        counter.setCancelFlag(&m_cancel);
        for (QString id = takeNext(); !id.isEmpty(); id = takeNext()) {
            if (id.contains(QLatin1Char('/'))) {
                countCastPart(counter, id);
                continue;
            }
            if (id == QLatin1String("totals")) {
                const StatisticsTotals totals = counter.totals(folder);
                if (m_cancel)
                    break;
                Q_EMIT totalsReady(totals);
                continue;
            }
            const StatisticsChart chart = counter.chart(folder, id);
            if (m_cancel)
                break;
            Q_EMIT chartReady(chart);
        }
    } catch (const EDatabaseError& e) {
        fail(e.message());
    } catch (const std::exception& e) {
        // Nothing may leave the thread: whatever went wrong is told to the window.
        fail(QString::fromLocal8Bit(e.what()));
    }
    // The last lane to end says that all is counted.
    if (m_running.fetch_sub(1) == 1 && !m_cancel && !m_failed)
        Q_EMIT finished();
}
