#include "session/settingsstore.h"

#include "platform/registry.h"

namespace {
const QString kSubKey = QStringLiteral("KOLVEX7");
}

qint64 SettingsStore::read(const QString &valueName, qint64 defaultValue, qint64 min, qint64 max)
{
    return Registry::ReadRegValue(kSubKey, QString(), valueName, defaultValue, min, max);
}

bool SettingsStore::write(const QString &valueName, qint32 value)
{
    return Registry::WriteRegValue(kSubKey, QString(), valueName, value);
}

QString SettingsStore::location() const
{
    return Registry::storePath(kSubKey);
}

QString SettingsStore::advice() const
{
    return Registry::storeAdvice();
}
