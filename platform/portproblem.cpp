#include "platform/portproblem.h"

#include "platform/portfolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <sys/types.h>
#endif

namespace {

#ifndef Q_OS_WIN
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
#endif

// The living program, other than this one, that a lock file of the device names ("LCK..ttyS0"
// in any of the folders serial programs use), as "minicom (process 4242, …)"; or the empty text.
// The lock of a process that has ended is taken over: removed, so the open may lock again.
QString LockHolder(const QString &device)
{
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return QString();
#else
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
#endif
}

} // namespace

PortFailure DiagnosePort(int number, const QString &device)
{
    if (number < 1)
        return {PortProblem::NotAPort,
                QStringLiteral("%1 is not a port: ports are numbered from 1.").arg(number)};
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return {};
#else
    const QFileInfo link(portLinkPath(number));
    const QFileInfo file(device);
    if (!file.exists())
        return {PortProblem::Missing,
                link.isSymLink()
                    ? QStringLiteral("Port %1 is the link %2, and the device it names, %3, does "
                                     "not exist.")
                          .arg(number)
                          .arg(link.filePath(), device)
                    : QStringLiteral("Port %1 has no device: neither the link %2 nor %3 exists.")
                          .arg(number)
                          .arg(link.filePath(), device)};
    if (!file.isReadable() || !file.isWritable()) {
        const QFileDevice::Permissions rw = QFileDevice::ReadGroup | QFileDevice::WriteGroup;
        return {PortProblem::NotPermitted,
                PermissionAdvice(device, file.group(), (file.permissions() & rw) == rw)};
    }
    if (file.isFile() || file.isDir())
        return {PortProblem::NotSerial, QStringLiteral("%1 is not a serial device.").arg(device)};
    // Another program's lock is respected, whatever its form: the open would take it over.
    const QString holder = LockHolder(device);
    if (!holder.isEmpty())
        return {PortProblem::InUse, QStringLiteral("%1 is in use by %2.").arg(device, holder)};
    return {};
#endif
}

PortFailure OpenRefused(const QString &device, bool permissionError, const QString &reason)
{
    if (!permissionError)
        return {PortProblem::Other, QStringLiteral("%1: %2").arg(device, reason)};
    const QString holder = LockHolder(device);
    return {PortProblem::InUse, holder.isEmpty()
                                    ? QStringLiteral("%1 is in use by another program.").arg(device)
                                    : QStringLiteral("%1 is in use by %2.").arg(device, holder)};
}

QString PermissionAdvice(const QString &device, const QString &group, bool groupMayReadWrite)
{
    const QString text = QStringLiteral("This user may not open %1.").arg(device);
    if (!groupMayReadWrite || group.isEmpty() || group == QLatin1String("root"))
        return text + QStringLiteral(" Ask the machine's administrator for access to it.");
    return text + QStringLiteral(" Serial ports belong to the group %1: add the user to it with "
                                 "\"sudo usermod -aG %1 $USER\", then log out and in again.")
                      .arg(group);
}
