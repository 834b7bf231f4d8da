#include "SearchRunner.h"

#include "CatalogueFile.h"
#include "CatalogueSearch.h"
#include "EEngineError.h"
#include "SideConnection.h"
#include "SqliteStatement.h"

#include <QMetaObject>
#include <sqlite3.h>

namespace {

// A read transaction on the runner's connection, ended with it.
class RunnerSnapshot
{
public:
    explicit RunnerSnapshot(sqlite3* db)
        : m_db(db)
    {
        SqliteStatement::exec(m_db, QStringLiteral("BEGIN"));
    }
    ~RunnerSnapshot() { sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr); }
    RunnerSnapshot(const RunnerSnapshot&) = delete;
    RunnerSnapshot& operator=(const RunnerSnapshot&) = delete;

private:
    sqlite3* m_db;
};

// True when this connection reads the file as it was when the index was known current.
bool readsIndexedFile(sqlite3* db, const QString& file, qint64 indexAt)
{
    if (indexAt < 0)
        return false;
    // The first read takes the lock under which the counter cannot change.
    SqliteStatement touch(db, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    touch.step();
    return CatalogueFile::changeCounter(file) == indexAt;
}

} // namespace

SearchRunner::SearchRunner(QString catalogueFile, Delivered delivered, Failed failed, QObject* parent)
    : QObject(parent)
    , m_file(std::move(catalogueFile))
    , m_delivered(std::move(delivered))
    , m_failed(std::move(failed))
{
    m_thread = std::thread([this] { work(); });
}

SearchRunner::~SearchRunner()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        if (m_running)
            *m_running = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void SearchRunner::start(const SearchQuery& query, qint64 indexAt)
{
    auto cancel = std::make_shared<std::atomic_bool>(false);
    {
        std::lock_guard lock(m_mutex);
        if (m_running)
            *m_running = true;
        m_running = cancel;
        m_next = Request{++m_generation, query, indexAt, cancel};
    }
    m_waitingForPage = true;
    m_wake.notify_one();
}

void SearchRunner::stop()
{
    std::lock_guard lock(m_mutex);
    if (m_running)
        *m_running = true;
    m_next.reset();
    ++m_generation;
    m_waitingForPage = false;
}

void SearchRunner::work()
{
    std::unique_ptr<SideConnection> connection;
    for (;;) {
        Request request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || m_next.has_value(); });
            if (m_quit)
                return;
            request = std::move(*m_next);
            m_next.reset();
        }
        try {
            if (!connection) {
                connection = std::make_unique<SideConnection>(m_file, SideConnection::Mode::ReadOnly);
                connection->exec(QStringLiteral("PRAGMA cache_size = -16384"));
            }
            runOne(connection->handle(), request);
        } catch (...) {
            connection.reset(); // opened again for the next search
            const std::exception_ptr error = std::current_exception();
            const quint64 generation = request.generation;
            QMetaObject::invokeMethod(
                this,
                [this, generation, error] {
                    if (generation != m_generation)
                        return;
                    m_waitingForPage = false;
                    if (m_failed)
                        m_failed(error);
                },
                Qt::QueuedConnection);
        }
    }
}

void SearchRunner::runOne(sqlite3* db, const Request& request)
{
    const std::atomic_bool* cancel = request.cancel.get();
    SearchResults results;
    bool indexed = false;
    {
        // The first page through the index reads one snapshot, the one the index holds.
        std::optional<RunnerSnapshot> snapshot;
        if (request.indexAt >= 0) {
            snapshot.emplace(db);
            indexed = readsIndexedFile(db, m_file, request.indexAt);
            if (!indexed)
                snapshot.reset();
        }
        CatalogueSearch search(db, indexed);
        results = search.run(request.query, CatalogueSearch::kFirstHits, cancel, false);
    }
    if (*cancel)
        return;
    const bool counted = results.counted();
    deliver(request.generation, results, counted);
    if (counted)
        return;
    std::optional<RunnerSnapshot> snapshot;
    bool useIndex = false;
    if (indexed && !results.indexWentWrong) {
        snapshot.emplace(db);
        useIndex = readsIndexedFile(db, m_file, request.indexAt);
        if (!useIndex)
            snapshot.reset();
    }
    CatalogueSearch search(db, useIndex);
    search.countRest(request.query, results, cancel);
    if (*cancel)
        return;
    deliver(request.generation, results, true);
}

void SearchRunner::deliver(quint64 generation, SearchResults results, bool counted)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, results = std::move(results), counted] {
            if (generation != m_generation)
                return; // the user typed on
            m_waitingForPage = false;
            if (m_delivered)
                m_delivered(results, counted);
        },
        Qt::QueuedConnection);
}
