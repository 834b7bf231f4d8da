#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Only one copy of the program runs under one program file name. The first copy holds a lock
// named after that file and listens for later copies; a later copy asks it to come forward
// and ends. The lock dies with its process, so a copy that crashed never blocks a new start.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // Takes the lock for `programFileName` (the file's name without its folder).
    explicit SingleInstance(const QString& programFileName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another copy of the same name held the lock already.
    bool previousCopy() const { return m_previousCopy; }

    // Later copy: asks the running copy to show its main window. False when it was not reached.
    bool handOver(int timeoutMs = 2000) const;
    // First copy: starts answering later copies.
    void listen();

    // Where locks and hand-over sockets live: the user's runtime folder.
    static QString runtimeFolder();

Q_SIGNALS:
    void raiseRequested();

private:
    void acceptConnection();

    QString m_name;
    int m_lockFd = -1;
    bool m_previousCopy = false;
    QLocalServer* m_server = nullptr;
};
