#pragma once

#include <QString>

// This running copy of the program, as other copies working on the same catalogue can see
// it: a name of its own and a lock on a small file in a folder beside the catalogue, held for
// as long as the copy runs. The lock is of the kind SQLite itself relies on for the catalogue
// file, so a copy on another computer, reaching the catalogue through a network folder, is
// seen as running wherever the catalogue itself can be shared safely; a copy that crashed
// holds nothing.
class RunningCopy
{
public:
    // Takes the lock; without a writable folder the copy goes unnamed (id() is empty).
    explicit RunningCopy(const QString& catalogueFolder);
    ~RunningCopy();
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    const QString& id() const { return m_id; }

    // Whether the copy named `id` no longer runs: its lock can be taken (or its file is gone).
    // Its file is removed when it is gone.
    bool isGone(const QString& id) const;

private:
    QString lockPath(const QString& id) const;

    QString m_folder; // the copies' lock files
    QString m_id;
    int m_fd = -1;
};
