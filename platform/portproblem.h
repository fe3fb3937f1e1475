#pragma once

#include <QString>

// Why a serial port could not be opened, one classification for the windows' messages and the
// command-line tool's: each with a text that says what to do.
enum class PortProblem
{
    None,
    NotAPort,     // the number names no port (below 1)
    Missing,      // no device: the port link or the device it names does not exist
    NotSerial,    // the name is a plain file or a folder
    NotPermitted, // this user may not read and write the device
    InUse,        // another program holds it
    Other,        // the system's own reason
};

struct PortFailure
{
    PortProblem problem = PortProblem::None;
    QString text;
};

// What stands in the way of opening port `number`, whose device is `device`, as the file
// system tells before an open is tried (nothing, where the system keeps no device files),
// another living program's lock file included; a lock left by a process that has ended is
// removed.
PortFailure DiagnosePort(int number, const QString &device);
// After an open failed on a device this user may use: held by another program (named, when its
// lock file says which), or the system's reason.
PortFailure OpenRefused(const QString &device, bool permissionError, const QString &reason);
// The advice for a device this user may not open: join its group, only when that group may
// read and write it and is not root's.
QString PermissionAdvice(const QString &device, const QString &group, bool groupMayReadWrite);
