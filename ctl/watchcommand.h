#pragma once

#include <QStringList>

class Output;

// kolvex7-ctl watch over the receivers given as PORT[@ADDRESS] (a receiver without an address
// at `address`), every line at `speed`: every argument checked first, then the watch until
// Ctrl+C.
int WatchReceivers(const QStringList &receivers, qint64 address, qint64 speed,
                   const QString &interval, const QString &listen, const QString &textfile,
                   Output &out);
