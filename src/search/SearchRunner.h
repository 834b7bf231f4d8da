#pragma once

#include "SearchQuery.h"
#include "SearchResults.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

struct sqlite3;

// Runs the searches of "Search everywhere" on a thread and a connection of their own, so that
// typing never waits for one: the first page of each folder is delivered as soon as it is
// found, the counts after it. A new search stops the one before, whose results are dropped;
// results reach `delivered` on the thread that made the runner, through its event loop.
//
// It only ever reads. The index is used when the program's connection knows it current and
// the read finds the file exactly as it was then (the same change counter); otherwise the
// tables are read, a slice of items at a time, so that the program's own saves never wait
// long for a search.
class SearchRunner : public QObject
{
public:
    // `counted`: false for the first delivery of a search whose counts are still coming.
    using Delivered = std::function<void(const SearchResults& results, bool counted)>;
    // An error reading the catalogue.
    using Failed = std::function<void(std::exception_ptr error)>;

    SearchRunner(QString catalogueFile, Delivered delivered, Failed failed, QObject* parent = nullptr);
    ~SearchRunner() override;
    SearchRunner(const SearchRunner&) = delete;
    SearchRunner& operator=(const SearchRunner&) = delete;

    // `indexAt`: SearchIndex::currentAt() as the search is asked for.
    void start(const SearchQuery& query, qint64 indexAt);
    // Stops the search running; nothing more is delivered.
    void stop();
    // True from start() until the search's first page is delivered (or it is stopped).
    bool isSearching() const { return m_waitingForPage; }

private:
    struct Request
    {
        quint64 generation = 0;
        SearchQuery query;
        qint64 indexAt = -1;
        std::shared_ptr<std::atomic_bool> cancel;
    };
    void work();
    void runOne(sqlite3* db, const Request& request);
    void deliver(quint64 generation, SearchResults results, bool counted);

    QString m_file;
    Delivered m_delivered;
    Failed m_failed;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Request> m_next;
    std::shared_ptr<std::atomic_bool> m_running; // the cancel flag of the latest search
    bool m_quit = false;
    quint64 m_generation = 0; // of the latest search asked for (this object's thread only)
    bool m_waitingForPage = false;
    std::thread m_thread;
};
