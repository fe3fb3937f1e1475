#include "platform/portlocks.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// The process a lock file names, in the forms the system's serial programs write: the process
// number as text ("%10d\n", as minicom, picocom and uucp write it, or the number, program and
// host lines of Qt's programs) or as a 4-byte binary number (Kermit's older form); 0 when the
// file names none.
qint64 LockPid(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray content = file.read(4096);
    if (content.size() == 4 && !content.contains('\n')) {
        qint32 binary = 0;
        std::memcpy(&binary, content.constData(), 4);
        return binary;
    }
    bool number = false;
    const qint64 pid = content.left(content.indexOf('\n')).trimmed().toLongLong(&number);
    return number ? pid : 0;
}

bool Alive(qint64 pid)
{
    return pid > 0 && pid <= INT_MAX && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// What the system calls a process ("minicom"), or the empty text.
QString ProcessName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                          : QString();
}

} // namespace

QString LockHolder(const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name = QLatin1String("/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                               "/var/spool/uucp", "/tmp", "/var/tmp"}) {
        const QString path = QLatin1String(folder) + name;
        const qint64 pid = LockPid(path);
        if (pid > 0 && !Alive(pid))
            QFile::remove(path);
        if (!Alive(pid) || pid == QCoreApplication::applicationPid())
            continue;
        const QString program = ProcessName(pid);
        return QStringLiteral("%1 (process %2, by its lock %3)")
            .arg(program.isEmpty() ? QStringLiteral("another program") : program)
            .arg(pid)
            .arg(path);
    }
    return QString();
}

bool PublisherEnded(const QString &ownerFile)
{
    const int fd = ::open(QFile::encodeName(ownerFile).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd); // lets the lock go at once
    return free;
}
