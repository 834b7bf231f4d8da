#pragma once

#include "KeyWalk.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct sqlite3;
class SqliteConnection;

// Reads every key of a walk to its end on a thread and a connection of its own, so that the
// whole order of a large folder is at hand soon after it opens, without the window waiting
// for it: finding a row far down, or the first write, then costs no read of keys.
//
// The keys are the table as it was at some moment while they were read, which need not be
// the moment the result was opened: whoever takes them checks that nothing was written in
// between (the connection's change log knows).
class KeyPrefetch
{
public:
    // `path`: the catalogue file; `order` and `condition`: the walk to follow from its start;
    // `expected`: about how many keys there are.
    KeyPrefetch(QString path, KeyWalk::Order order, KeyWalk::Condition condition, size_t expected);
    // The same keys read by one statement (its first column), in the walk's order: for a walk
    // that passes many rows for each it keeps, the engine gathers and sorts them sooner.
    KeyPrefetch(QString path, QString sql, std::vector<QVariant> binds, size_t expected);
    ~KeyPrefetch();
    KeyPrefetch(const KeyPrefetch&) = delete;
    KeyPrefetch& operator=(const KeyPrefetch&) = delete;

    // True once the reading has ended, whether it read every key or not.
    bool ready() const { return m_ended.load(std::memory_order_acquire); }
    // Waits for the end; every key in order, or nothing when the reading failed or was stopped.
    std::optional<std::vector<qint64>> take();

    // Keys a window of the reading takes: the file is not held between windows, so a program
    // writing it is kept waiting no longer than one window.
    static constexpr size_t kWindow = 65536;
    // The reading starts this long after the folder opened, unless its keys are asked for
    // sooner: the window paints the folder's first screen meanwhile without a thread beside it
    // taking processor and memory (a grid's first million rows fault in their memory then).
    static constexpr std::chrono::milliseconds kStartAfter{150};

private:
    // Makes the reading's handle known to stop() for as long as the handle is open.
    class Published
    {
    public:
        Published(KeyPrefetch& owner, sqlite3* handle);
        ~Published();
        Published(const Published&) = delete;
        Published& operator=(const Published&) = delete;

    private:
        KeyPrefetch& m_owner;
    };

    void run();
    void stop();
    // Waits out kStartAfter unless woken; false when stopped meanwhile.
    bool waitForStart();
    void wake();
    void walk(SqliteConnection& connection);
    void readStatement(SqliteConnection& connection);

    QString m_path;
    std::optional<KeyWalk::Order> m_order;
    KeyWalk::Condition m_condition;
    QString m_sql;
    std::vector<QVariant> m_binds;
    size_t m_expected;
    std::atomic<bool> m_stopped{false};
    std::mutex m_startLock;
    std::condition_variable m_start;
    bool m_woken = false; // guarded by m_startLock
    std::atomic<bool> m_ended{false};
    std::mutex m_handleLock; // guards m_handle for an interrupt from the owner's thread
    sqlite3* m_handle = nullptr;
    std::vector<qint64> m_keys;
    bool m_whole = false;
    std::thread m_thread;
};
