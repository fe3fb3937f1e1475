#pragma once

#include "platform/registry.h"

#include <QList>
#include <QString>

class SettingsStore;

// The six settings of the tool, as both the window and kolvex7-ctl read and write them: the
// value's name in the store, its default, and the values the tool has a meaning for.
struct Setting
{
    const char *name;
    qint64 fallback, min, max;
};

namespace Settings {
extern const Setting Port, Speed, Address, LNBType, LNBInput, Band;
} // namespace Settings

// The values of the six settings.
struct StoredSettings
{
    qint16 Prt = 0; // serial port number; 0 none
    qint32 Spd = 115200;
    quint8 Adr = 129; // receiver address
    quint8 LNB = 0;   // LNB type: 0 universal, 1 wide, 2 DiSEqC
    quint8 Inp = 0;   // LNB input: 0 = A, 1 = B
    quint8 Bnd = 0;   // band: 0 L, 1 Ku
};

// A stored value the tool has no meaning for, as found in the store: a number out of range,
// text that is no whole number, or a settings file that is not read.
struct SettingOutside
{
    const Setting *setting;
    Registry::StoredNumber stored;
};

// What is wrong with a stored value, naming the store's `location` (the file or key) and the
// value's name: "the stored setting Speed=abc in …/KOLVEX7.ini is not a whole number kolvex7
// allows (1 to 2147483647): configure kolvex7 again".
QString StoredSettingRefusal(const SettingOutside &outside, const QString &location);
// The same without the advice: "the stored setting Speed=abc in … (1 to 2147483647)".
QString StoredSettingProblem(const SettingOutside &outside, const QString &location);

// Reads the six values in the order the tool starts with (Port, Speed, Address, LNB_Type,
// LNB_Input, LNB_BandL). A value missing reads as its default; so does one that is no whole
// number within its range, which is also told in `outside`.
StoredSettings ReadSettings(SettingsStore &store, QList<SettingOutside> *outside = nullptr);

// Writes the six values in the order the configuration stores them (Port, Speed, Address,
// LNB_Input, LNB_Type, LNB_BandL), each tried even after one fails; true when all were stored.
bool WriteSettings(SettingsStore &store, const StoredSettings &settings);
