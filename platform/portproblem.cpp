#include "platform/portproblem.h"

#include "platform/portfolder.h"

#include <QFileInfo>
#include <QLockFile>

namespace {

// The program holding the device, from the lock file serial programs leave ("LCK..ttyS0"), or
// the empty text.
QString lockHolder(const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name = QLatin1String("/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                               "/var/spool/uucp", "/tmp", "/var/tmp"}) {
        const QString path = QLatin1String(folder) + name;
        if (!QFileInfo::exists(path))
            continue;
        qint64 pid = 0;
        QString host, app;
        if (QLockFile(path).getLockInfo(&pid, &host, &app) && pid > 0)
            return QStringLiteral("%1 (process %2)")
                .arg(app.isEmpty() ? QStringLiteral("a program") : app)
                .arg(pid);
    }
    return QString();
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
    return {};
#endif
}

PortFailure OpenRefused(const QString &device, bool permissionError, const QString &reason)
{
    if (!permissionError)
        return {PortProblem::Other, QStringLiteral("%1: %2").arg(device, reason)};
    const QString holder = lockHolder(device);
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
