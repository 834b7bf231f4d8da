#include "KeyPrefetch.h"

#include "EEngineError.h"
#include "SideConnection.h"
#include "SqliteConnection.h"

#include <sqlite3.h>

namespace {

// The side connection dressed as what a walk reads through.
class PrefetchConnection : public SqliteConnection
{
public:
    explicit PrefetchConnection(sqlite3* handle)
    {
        m_handle = handle;
        m_statements = std::make_unique<StatementCache>(handle);
    }
    ~PrefetchConnection() { m_statements.reset(); }
};

} // namespace

KeyPrefetch::KeyPrefetch(QString path, KeyWalk::Order order, KeyWalk::Condition condition, size_t expected,
                         std::chrono::milliseconds startAfter)
    : m_reading(std::make_shared<Reading>())
{
    m_reading->expected = expected;
    m_reading->startAfter = startAfter;
    m_reading->path = std::move(path);
    m_reading->order = std::move(order);
    m_reading->condition = std::move(condition);
    start();
}

KeyPrefetch::KeyPrefetch(QString path, QString sql, std::vector<QVariant> binds, size_t expected,
                         std::chrono::milliseconds startAfter)
    : m_reading(std::make_shared<Reading>())
{
    m_reading->expected = expected;
    m_reading->startAfter = startAfter;
    m_reading->path = std::move(path);
    m_reading->sql = std::move(sql);
    m_reading->binds = std::move(binds);
    start();
}

void KeyPrefetch::start()
{
    m_thread = std::thread([reading = m_reading] { reading->run(); });
}

KeyPrefetch::~KeyPrefetch()
{
    stop();
    if (!m_thread.joinable())
        return;
    if (ready())
        m_thread.join();
    else
        m_thread.detach(); // it holds its own share of the reading
}

void KeyPrefetch::stop()
{
    m_reading->stopped.store(true, std::memory_order_release);
    m_reading->wake();
    const std::lock_guard lock(m_reading->handleLock);
    if (m_reading->handle)
        sqlite3_interrupt(m_reading->handle);
}

std::optional<std::vector<qint64>> KeyPrefetch::take()
{
    m_reading->wake();
    if (m_thread.joinable())
        m_thread.join();
    Reading& r = *m_reading;
    if (!r.whole)
        return std::nullopt;
    r.whole = false;
    return std::move(r.keys);
}

void KeyPrefetch::Reading::wake()
{
    const std::lock_guard lock(startLock);
    woken = true;
    startSignal.notify_one();
}

bool KeyPrefetch::Reading::waitForStart()
{
    std::unique_lock lock(startLock);
    startSignal.wait_for(lock, startAfter, [this] { return woken; });
    return !stopped.load(std::memory_order_acquire);
}

void KeyPrefetch::Reading::run()
{
    if (!waitForStart()) {
        ended.store(true, std::memory_order_release);
        return;
    }
    try {
        // Room for every key at once: grown step by step, the vector would be moved in memory
        // again and again while the window works beside it.
        keys.reserve(expected);
        SideConnection side(path, SideConnection::Mode::ReadOnly);
        const Published published(*this, side.handle());
        PrefetchConnection connection(side.handle());
        if (order)
            walk(connection);
        else
            readStatement(connection);
    } catch (const EEngineError&) {
        // A file this connection cannot read (busy, a journal to roll back first): the owner
        // reads the keys itself, as it would without this.
        whole = false;
    }
    if (!whole)
        keys.clear();
    ended.store(true, std::memory_order_release);
}

void KeyPrefetch::Reading::walk(SqliteConnection& connection)
{
    KeyWalk walk(connection, *order, condition);
    while (!walk.done() && !stopped.load(std::memory_order_acquire)) {
        const size_t before = keys.size();
        walk.next(keys, kWindow);
        if (keys.size() == before && !walk.done())
            return; // a window that read nothing failed
    }
    whole = walk.done() && !stopped.load(std::memory_order_acquire);
}

void KeyPrefetch::Reading::readStatement(SqliteConnection& connection)
{
    auto stmt = connection.statement(sql);
    for (size_t i = 0; i < binds.size(); ++i)
        stmt->bind(int(i) + 1, binds[i]);
    while (stmt->step())
        keys.push_back(stmt->columnInt64(0));
    whole = !stopped.load(std::memory_order_acquire);
}

KeyPrefetch::Published::Published(Reading& reading, sqlite3* handle)
    : m_reading(reading)
{
    const std::lock_guard lock(m_reading.handleLock);
    m_reading.handle = handle;
}

KeyPrefetch::Published::~Published()
{
    const std::lock_guard lock(m_reading.handleLock);
    m_reading.handle = nullptr;
}
