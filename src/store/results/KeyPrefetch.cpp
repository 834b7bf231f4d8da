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

KeyPrefetch::KeyPrefetch(QString path, KeyWalk::Order order, KeyWalk::Condition condition, size_t expected)
    : m_path(std::move(path))
    , m_order(std::move(order))
    , m_condition(std::move(condition))
    , m_expected(expected)
{
    m_thread = std::thread([this] { run(); });
}

KeyPrefetch::KeyPrefetch(QString path, QString sql, std::vector<QVariant> binds, size_t expected)
    : m_path(std::move(path))
    , m_sql(std::move(sql))
    , m_binds(std::move(binds))
    , m_expected(expected)
{
    m_thread = std::thread([this] { run(); });
}

KeyPrefetch::~KeyPrefetch()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void KeyPrefetch::wake()
{
    const std::lock_guard lock(m_startLock);
    m_woken = true;
    m_start.notify_one();
}

bool KeyPrefetch::waitForStart()
{
    std::unique_lock lock(m_startLock);
    m_start.wait_for(lock, kStartAfter, [this] { return m_woken; });
    return !m_stopped.load(std::memory_order_acquire);
}

void KeyPrefetch::stop()
{
    m_stopped.store(true, std::memory_order_release);
    wake();
    const std::lock_guard lock(m_handleLock);
    if (m_handle)
        sqlite3_interrupt(m_handle);
}

std::optional<std::vector<qint64>> KeyPrefetch::take()
{
    wake();
    if (m_thread.joinable())
        m_thread.join();
    if (!m_whole)
        return std::nullopt;
    m_whole = false;
    return std::move(m_keys);
}

void KeyPrefetch::run()
{
    if (!waitForStart()) {
        m_ended.store(true, std::memory_order_release);
        return;
    }
    try {
        // Room for every key at once: grown step by step, the vector would be moved in memory
        // again and again while the window works beside it.
        m_keys.reserve(m_expected);
        SideConnection side(m_path, SideConnection::Mode::ReadOnly);
        const Published published(*this, side.handle());
        PrefetchConnection connection(side.handle());
        if (m_order)
            walk(connection);
        else
            readStatement(connection);
    } catch (const EEngineError&) {
        // A file this connection cannot read (busy, a journal to roll back first): the owner
        // reads the keys itself, as it would without this.
        m_whole = false;
    }
    if (!m_whole)
        m_keys.clear();
    m_ended.store(true, std::memory_order_release);
}

void KeyPrefetch::walk(SqliteConnection& connection)
{
    KeyWalk walk(connection, *m_order, m_condition);
    while (!walk.done() && !m_stopped.load(std::memory_order_acquire)) {
        const size_t before = m_keys.size();
        walk.next(m_keys, kWindow);
        if (m_keys.size() == before && !walk.done())
            return; // a window that read nothing failed
    }
    m_whole = walk.done() && !m_stopped.load(std::memory_order_acquire);
}

void KeyPrefetch::readStatement(SqliteConnection& connection)
{
    auto stmt = connection.statement(m_sql);
    for (size_t i = 0; i < m_binds.size(); ++i)
        stmt->bind(int(i) + 1, m_binds[i]);
    while (stmt->step())
        m_keys.push_back(stmt->columnInt64(0));
    m_whole = !m_stopped.load(std::memory_order_acquire);
}

KeyPrefetch::Published::Published(KeyPrefetch& owner, sqlite3* handle)
    : m_owner(owner)
{
    const std::lock_guard lock(m_owner.m_handleLock);
    m_owner.m_handle = handle;
}

KeyPrefetch::Published::~Published()
{
    const std::lock_guard lock(m_owner.m_handleLock);
    m_owner.m_handle = nullptr;
}
