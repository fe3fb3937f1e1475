#pragma once

#include <QString>

// What the main window keeps its six settings in: the sub-key "KOLVEX7" of the Registry module.
// A test may stand in for it to see what is written, and in which order.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // The stored value, or the default when it is missing or outside [min, max].
    virtual qint64 read(const QString &valueName, qint64 defaultValue, qint64 min, qint64 max);
    virtual bool write(const QString &valueName, qint32 value);
    // Where the values are kept, and what the operator can do when a write fails; for a message.
    virtual QString location() const;
    virtual QString advice() const;
};
