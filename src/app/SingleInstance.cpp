#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kRaise("raise\n");

// Makes the folder with mode 0700 unless something of that name is there already.
bool made(const QByteArray& folder)
{
    return ::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST;
}

// A folder only this user can reach, refused when it is not a real folder of this user
// (someone else may have planted it).
bool privateFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st = {};
    if (!made(native) || ::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 0077) == 0 || ::chmod(native.constData(), 0700) == 0;
}

// Qt makes a missing runtime folder while the application starts; making it here first means
// that a later copy, which finds it, decides as this copy did.
bool usableFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    return made(native) && ::access(native.constData(), W_OK | X_OK) == 0 && QFileInfo(path).isDir();
}

} // namespace

QString SingleInstance::runtimeFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(xdg) && usableFolder(xdg))
        return QDir::cleanPath(xdg);
    const QString fallback = QDir::tempPath() + QStringLiteral("/tarvena-%1").arg(::getuid());
    return privateFolder(fallback) ? fallback : QString();
}

SingleInstance::SingleInstance(const QString& programFileName, QObject* parent)
    : QObject(parent)
    , m_name(programFileName)
    , m_folder(runtimeFolder())
{
    if (m_folder.isEmpty())
        return; // no lock can be made: behave as the first copy
    lock();
}

void SingleInstance::lock()
{
    m_previousCopy = false;
    m_lockFd = ::open(QFile::encodeName(path(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0)
        return;
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0)
        return;
    m_previousCopy = errno == EWOULDBLOCK;
    ::close(m_lockFd);
    m_lockFd = -1;
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd); // releases the lock
}

QString SingleInstance::path(const char* suffix) const
{
    return m_folder + QLatin1Char('/') + m_name + QLatin1String(suffix);
}

bool SingleInstance::lockStillHeld() const
{
    const int fd = ::open(QFile::encodeName(path(".lock")).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool SingleInstance::handOver(int timeoutMs) const
{
    if (m_folder.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    const auto left = [&deadline] { return int(qMax<qint64>(1, deadline.remainingTime())); };
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(path(".handover"));
        if (socket.waitForConnected(left())) {
            socket.write(kRaise);
            const bool sent = socket.waitForBytesWritten(left());
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(left());
            return sent;
        }
        // Not listening yet (still starting) or gone: only the lock tells the two apart.
        if (deadline.hasExpired() || !lockStillHeld())
            return false;
        QThread::msleep(50);
    }
}

bool SingleInstance::handOverOrTakeOver(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (handOver(int(qMax<qint64>(1, deadline.remainingTime()))))
            return true;
        // Not reached: gone, or holding the lock without answering. Another later copy may
        // take the lock first; this one then hands over to it.
        lock();
        if (!m_previousCopy)
            return false;
        if (deadline.hasExpired())
            return true;
    }
}

void SingleInstance::listen()
{
    if (m_server || m_lockFd < 0)
        return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock means any socket left there belongs to a copy that is gone.
    QLocalServer::removeServer(path(".handover"));
    if (!m_server->listen(path(".handover")))
        return;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        // A copy that asked while this one was still starting may have written already.
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void SingleInstance::readRequest(QLocalSocket* socket)
{
    if (socket->readAll().contains(kRaise.trimmed()))
        Q_EMIT raiseRequested();
}
