#pragma once

#include <QString>

// The locks serial programs leave on a device, and the owner file of a published port link
// (Linux).

// The living program, other than this one, that a lock file of the device names ("LCK..ttyS0",
// a /dev/pts/3 as "LCK..pts_3", in any of the folders serial programs use), as "minicom
// (process 4242, by its lock /var/lock/LCK..ttyS0)"; or the empty text. The lock of a process
// that has ended is taken over: removed, so the open may lock again.
QString LockHolder(const QString &device);

// Whether the program that published a port link (the simulator) has ended: its owner file is
// there and nobody holds its lock.
bool PublisherEnded(const QString &ownerFile);
