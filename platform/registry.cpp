#include "platform/registry.h"

#include "platform/portfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace Registry {

namespace {

#ifdef Q_OS_WIN
constexpr QSettings::Format kFormat = QSettings::NativeFormat;
#else
constexpr QSettings::Format kFormat = QSettings::IniFormat;
#endif

} // namespace

QString storePath(const QString &subKey)
{
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Halvorn Software\\") + subKey;
#else
    return configFolder() + QLatin1Char('/') + subKey + QLatin1String(".ini");
#endif
}

QString storeAdvice()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Only an administrator may write there: start the tool with \"Run as "
                          "administrator\" and configure it again.");
#else
    return QStringLiteral("Check that its folder can be created and written, then configure the "
                          "tool again.");
#endif
}

StoredNumber ReadStoredNumber(const QString &subKey, const QString &valueName)
{
    const QString path = storePath(subKey);
#ifndef Q_OS_WIN
    // A pipe would hold the reader for ever; a folder or a device holds no settings.
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        return {StoredNumber::NotAFile, 0, path};
#endif
    const QSettings store(path, kFormat);
    const QVariant stored = store.value(valueName);
    if (!stored.isValid())
        return {};
    const QString text = stored.toString();
    // Digits with an optional sign, blanks around them: what a number written by the tool, or
    // by hand in the file, looks like. A point, an exponent or a base prefix makes no number.
    static const QRegularExpression whole(QStringLiteral("\\A\\s*[-+]?[0-9]{1,18}\\s*\\z"));
    if (!whole.match(text).hasMatch())
        return {StoredNumber::NotANumber, 0, text};
    return {StoredNumber::Number, text.trimmed().toLongLong(), text};
}

qint64 ReadRegValue(const QString &subKey, const QString &, const QString &valueName,
                    qint64 defaultValue, qint64 min, qint64 max)
{
    const StoredNumber stored = ReadStoredNumber(subKey, valueName);
    const qint64 value = stored.value;
    // A REG_DWORD holds 32 bits; anything else in the store was not written by this tool.
    if (stored.state != StoredNumber::Number || value < -2147483647 - 1 || value > 2147483647 ||
        value < min || value > max)
        return defaultValue;
    return value;
}

bool WriteRegValue(const QString &subKey, const QString &, const QString &valueName, qint32 value)
{
#ifndef Q_OS_WIN
    if (!QDir().mkpath(configFolder()))
        return false;
#endif
    // An int is stored as a REG_DWORD in the registry, as a number in the INI file.
    QSettings store(storePath(subKey), kFormat);
    store.setValue(valueName, int(value));
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace Registry
