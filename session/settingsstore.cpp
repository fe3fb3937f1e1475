#include "session/settingsstore.h"

#include "platform/registry.h"

namespace {
const QString kSubKey = QStringLiteral("KOLVEX7");
}

Registry::StoredNumber SettingsStore::read(const QString &valueName)
{
    return Registry::ReadStoredNumber(kSubKey, valueName);
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
