#pragma once

#include <QString>

// The tool's settings store, through QSettings. On Windows the settings are REG_DWORD values of
// the key HKEY_LOCAL_MACHINE\Software\Halvorn Software\<sub-key> (the registry view of the
// build's own width); elsewhere they are integer values in the INI file "<sub-key>.ini" of the
// tool's configuration folder ($XDG_CONFIG_HOME/Halvorn Software), under the same value names.
// The section argument is accepted and not used.
namespace Registry {

// The stored 32-bit value, or the default when the file, the value or a readable number is
// missing, or when the number lies outside [min, max] (the range of the variable that receives
// it): a stored value never reaches a variable as a wrapped number.
qint64 ReadRegValue(const QString &subKey, const QString &section, const QString &valueName,
                    qint64 defaultValue, qint64 min = -2147483647 - 1, qint64 max = 2147483647);

// Writes one value; true when the store accepted it. Creates the file and its folder.
bool WriteRegValue(const QString &subKey, const QString &section, const QString &valueName,
                   qint32 value);

// Where a sub-key's values are kept: the registry key, or the INI file.
QString storePath(const QString &subKey);
// What the operator can do when the store refuses a write.
QString storeAdvice();

} // namespace Registry
