#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString lockPath(const QString& name)
{
    return SingleInstance::runtimeFolder() + QLatin1Char('/') + name + QStringLiteral(".lock");
}

QString serverPath(const QString& name)
{
    return SingleInstance::runtimeFolder() + QLatin1Char('/') + name + QStringLiteral(".handover");
}

const QByteArray kRaise("raise\n");

} // namespace

QString SingleInstance::runtimeFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QFileInfo(xdg).isDir() && QFileInfo(xdg).isWritable())
        return xdg;
    const QString fallback = QDir::tempPath() + QStringLiteral("/tarvena-%1").arg(getuid());
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return fallback;
}

SingleInstance::SingleInstance(const QString& programFileName, QObject* parent)
    : QObject(parent)
    , m_name(programFileName)
{
    const QByteArray path = QFile::encodeName(lockPath(m_name));
    m_lockFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0)
        return; // no lock can be made: behave as the first copy
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

bool SingleInstance::handOver(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(serverPath(m_name));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRaise);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return sent;
}

void SingleInstance::listen()
{
    if (m_server || m_lockFd < 0)
        return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock means any socket left there belongs to a copy that is gone.
    QLocalServer::removeServer(serverPath(m_name));
    if (!m_server->listen(serverPath(m_name)))
        return;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(kRaise.trimmed()))
                Q_EMIT raiseRequested();
        });
    }
}
