#pragma once

#include "link/scanevents.h"

#include <QString>

// The scan window's five status labels, by index 0 to 4, as the driver writes them, and the
// typed events of the run behind them, passed on to whoever listens.
class StatusLabels : public ScanEventsFanOut
{
public:
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString &text) = 0;
};
