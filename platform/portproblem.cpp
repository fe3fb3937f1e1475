#include "platform/portproblem.h"

#include "platform/portfolder.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include "platform/portlocks.h"
#endif

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
    // The terminal a dead simulator's link names may be another program's by now.
    if (link.isSymLink() && PublisherEnded(portOwnerPath(number)))
        return {PortProblem::Missing,
                QStringLiteral("Port %1 is the link %2, left by a simulator that has ended: the "
                               "terminal it names, %3, is no receiver's. Start the simulator "
                               "again, or remove the link.")
                    .arg(number)
                    .arg(link.filePath(), device)};
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
#ifdef Q_OS_WIN
    const QString holder;
#else
    const QString holder = LockHolder(device);
#endif
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
