#pragma once

#include "platform/registry.h"

#include <QString>

// What the main window keeps its six settings in: the sub-key "KOLVEX7" of the Registry module.
// A test may stand in for it to see what is written, and in which order.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // The value as found: missing, a whole number, or text that is none.
    virtual Registry::StoredNumber read(const QString &valueName);
    virtual bool write(const QString &valueName, qint32 value);
    // Where the values are kept, and what the operator can do when a write fails; for a message.
    virtual QString location() const;
    virtual QString advice() const;
};
