#include "app/registry.h"

#include "platform/portfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace Registry {

QString storePath(const QString &subKey)
{
    return configFolder() + QLatin1Char('/') + subKey + QLatin1String(".ini");
}

qint64 ReadRegValue(const QString &subKey, const QString &, const QString &valueName,
                    qint64 defaultValue, qint64 min, qint64 max)
{
    const QString path = storePath(subKey);
    if (!QFileInfo(path).isFile())
        return defaultValue;
    const QSettings store(path, QSettings::IniFormat);
    const QVariant stored = store.value(valueName);
    if (!stored.isValid())
        return defaultValue;
    bool isNumber = false;
    const qint64 value = stored.toString().trimmed().toLongLong(&isNumber);
    // A REG_DWORD holds 32 bits; anything else in the file was not written by this tool.
    if (!isNumber || value < -2147483647 - 1 || value > 2147483647 || value < min || value > max)
        return defaultValue;
    return value;
}

bool WriteRegValue(const QString &subKey, const QString &, const QString &valueName, qint32 value)
{
    if (!QDir().mkpath(configFolder()))
        return false;
    QSettings store(storePath(subKey), QSettings::IniFormat);
    store.setValue(valueName, value);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace Registry
