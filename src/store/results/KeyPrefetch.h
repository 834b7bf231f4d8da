#pragma once

#include "KeyWalk.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct sqlite3;
class SqliteConnection;

// Reads every key of a walk to its end on a thread and a connection of its own, so that the
// whole order of a large folder is at hand soon after it opens, without the window waiting
// for it: finding a row far down, or the first write, then costs no read of keys. It also
// sorts a whole folder that no index serves (a catalogue that could not be given its
// indexes), while the window shows what it had.
//
// The keys are the table as it was at some moment while they were read, which need not be
// the moment the result was opened: whoever takes them checks that nothing was written in
// between (the connection's change log knows).
class KeyPrefetch
{
public:
    // `path`: the catalogue file; `order` and `condition`: the walk to follow from its start;
    // `expected`: about how many keys there are (0: not known); the reading starts
    // `startAfter` from now, or at once when the keys are asked for sooner.
    KeyPrefetch(QString path, KeyWalk::Order order, KeyWalk::Condition condition, size_t expected,
                std::chrono::milliseconds startAfter);
    // The same keys read by one statement (its first column), in the walk's order: for a walk
    // that passes many rows for each it keeps, the engine gathers and sorts them sooner.
    KeyPrefetch(QString path, QString sql, std::vector<QVariant> binds, size_t expected,
                std::chrono::milliseconds startAfter);
    // Stops the reading. The owner does not wait for a reading that is still under way (the
    // engine may be in the middle of a sort it does not interrupt): it ends on its own.
    ~KeyPrefetch();
    KeyPrefetch(const KeyPrefetch&) = delete;
    KeyPrefetch& operator=(const KeyPrefetch&) = delete;

    // True once the reading has ended, whether it read every key or not.
    bool ready() const { return m_reading->ended.load(std::memory_order_acquire); }
    // Waits for the end; every key in order, or nothing when the reading failed or was stopped.
    std::optional<std::vector<qint64>> take();

    // Keys a window of the reading takes: the file is not held between windows, so a program
    // writing it is kept waiting no longer than one window.
    static constexpr size_t kWindow = 65536;
    // How long a folder's order waits before it is read beside: the window paints the folder's
    // first screen meanwhile without a thread beside it taking processor and memory (a grid's
    // first million rows fault in their memory then).
    static constexpr std::chrono::milliseconds kStartAfter{150};

private:
    // All the reading's thread touches: it stays alive with the thread when the owner goes.
    struct Reading
    {
        QString path;
        std::optional<KeyWalk::Order> order;
        KeyWalk::Condition condition;
        QString sql;
        std::vector<QVariant> binds;
        std::atomic<bool> stopped{false};
        std::atomic<bool> ended{false};
        std::mutex handleLock; // guards handle for an interrupt from the owner's thread
        sqlite3* handle = nullptr;
        size_t expected = 0;
        std::chrono::milliseconds startAfter{0};
        std::mutex startLock;
        std::condition_variable startSignal;
        bool woken = false; // guarded by startLock
        std::vector<qint64> keys;
        bool whole = false;

        void run();
        // Waits out startAfter unless woken; false when stopped meanwhile.
        bool waitForStart();
        void wake();
        void walk(SqliteConnection& connection);
        void readStatement(SqliteConnection& connection);
    };

    // Makes the reading's handle known to stop() for as long as the handle is open.
    class Published
    {
    public:
        Published(Reading& reading, sqlite3* handle);
        ~Published();
        Published(const Published&) = delete;
        Published& operator=(const Published&) = delete;

    private:
        Reading& m_reading;
    };

    void start();
    void stop();

    std::shared_ptr<Reading> m_reading;
    std::thread m_thread;
};
