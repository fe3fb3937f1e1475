#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>

// Writes a whole file, making its folder first; false when any part fails.
inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly) &&
           f.write(bytes) == bytes.size();
}
