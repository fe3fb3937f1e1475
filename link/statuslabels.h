#pragma once

#include <QString>

// The scan window's five status labels, by index 0 to 4, as the driver writes them.
class StatusLabels
{
public:
    virtual ~StatusLabels() = default;
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString &text) = 0;
};
