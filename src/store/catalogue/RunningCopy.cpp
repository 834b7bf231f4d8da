#include "RunningCopy.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Open-file-description locks: unlike classic record locks they belong to the open file, not
// to the process, so looking at another copy's file never drops a lock of this one.
bool lockWhole(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

} // namespace

RunningCopy::RunningCopy(const QString& catalogueFolder)
    : m_folder(QDir(catalogueFolder).filePath(QStringLiteral(".tarvena-copies")))
{
    if (!QDir().mkpath(m_folder))
        return;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const int fd = ::open(QFile::encodeName(lockPath(id)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (!lockWhole(fd)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_id = id;
}

RunningCopy::~RunningCopy()
{
    if (m_fd < 0)
        return;
    QFile::remove(lockPath(m_id));
    ::close(m_fd);
}

QString RunningCopy::lockPath(const QString& id) const
{
    return QDir(m_folder).filePath(id + QStringLiteral(".lock"));
}

bool RunningCopy::isGone(const QString& id) const
{
    if (id == m_id)
        return false;
    // Only names this program gave are looked up, never a path a file could smuggle in.
    if (QUuid::fromString(id).isNull())
        return true;
    const QByteArray path = QFile::encodeName(lockPath(id));
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return true;
    const bool gone = lockWhole(fd);
    if (gone)
        ::unlink(path.constData());
    ::close(fd);
    return gone;
}
