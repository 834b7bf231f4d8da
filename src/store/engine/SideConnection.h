#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;

// A connection of its own to a catalogue file (or to a copy of one), for work beside the
// program's connection: copying, checking, counting, often on a thread of its own. It reads
// the file as the program does (its collation and functions, a schema it does not trust) and
// is closed with its owner.
class SideConnection
{
public:
    enum class Mode { ReadOnly, ReadWrite, Create };
    SideConnection(const QString& path, Mode mode);
    ~SideConnection();
    SideConnection(const SideConnection&) = delete;
    SideConnection& operator=(const SideConnection&) = delete;

    sqlite3* handle() const { return m_db; }
    const QString& path() const { return m_path; }
    // The first column of the first row, null when there is none.
    QVariant scalar(const QString& sql);
    void exec(const QString& sql);

private:
    sqlite3* m_db = nullptr;
    QString m_path;
};
