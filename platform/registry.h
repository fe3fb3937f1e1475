#pragma once

#include <QString>

// The tool's settings store, through QSettings. On Windows the settings are REG_DWORD values of
// the key HKEY_LOCAL_MACHINE\Software\Halvorn Software\<sub-key> (the registry view of the
// build's own width); elsewhere they are integer values in the INI file "<sub-key>.ini" of the
// tool's configuration folder ($XDG_CONFIG_HOME/Halvorn Software), under the same value names.
// The section argument is accepted and not used.
namespace Registry {

// One value as found in the store: missing, a whole number (`value`), or anything else (`text`
// as it stands, "abc", "9600.5", "0x1C200"). On a system with INI files, a settings file that is
// not a regular file (a pipe, a folder) is not read: each of its values is `NotAFile`.
struct StoredNumber
{
    enum State
    {
        Missing,
        Number,
        NotANumber,
        NotAFile
    } state = Missing;
    qint64 value = 0;
    QString text;
};
StoredNumber ReadStoredNumber(const QString &subKey, const QString &valueName);

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
