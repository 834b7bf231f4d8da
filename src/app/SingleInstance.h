#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// Only one copy of the program runs under one program file name. The first copy holds a lock
// named after that file and listens for later copies; a later copy asks it to come forward
// and ends. The lock dies with its process, so a copy that crashed never blocks a new start.
// The lock and the hand-over socket live in one folder, decided once when the lock is taken.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // Takes the lock for `programFileName` (the file's name without its folder).
    explicit SingleInstance(const QString& programFileName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another copy of the same name held the lock already.
    bool previousCopy() const { return m_previousCopy; }

    // Later copy: asks the running copy to show its main window. That copy may still be
    // starting and not listen yet: it is asked again until it answers, the time is up or it
    // has gone. False when it was not reached.
    bool handOver(int timeoutMs = 5000) const;
    // Later copy: hands over as above; but when the running copy has gone meanwhile without
    // answering (it was closed while it started), this copy takes the lock and is the first
    // copy from then on. True when this copy is to end: it handed over, or a copy that holds
    // the lock did not answer in time.
    bool handOverOrTakeOver(int timeoutMs = 5000);
    // First copy: starts answering later copies.
    void listen();

    // Where locks and hand-over sockets live: the user's runtime folder (made when it is named
    // but missing), else a private folder in the temporary folder; empty when neither can be
    // used. Two copies started with the same environment get the same answer, whatever the
    // first of them does to the folders while it starts.
    static QString runtimeFolder();

Q_SIGNALS:
    void raiseRequested();

private:
    // Takes the lock, or sets previousCopy() when another copy holds it.
    void lock();
    QString path(const char* suffix) const;
    bool lockStillHeld() const;
    void acceptConnection();
    void readRequest(QLocalSocket* socket);

    QString m_name;
    QString m_folder;
    int m_lockFd = -1;
    bool m_previousCopy = false;
    QLocalServer* m_server = nullptr;
};
