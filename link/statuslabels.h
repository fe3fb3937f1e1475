#pragma once

#include <QString>

// The scan window's five status labels, by index 0 to 4, as the driver writes them.
class StatusLabels
{
public:
    virtual ~StatusLabels() = default;
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString &text) = 0;
    // A sweep on Pol stopped at frequency because the receiver never confirmed its tuning
    // there: the rest of the band was not swept on that polarisation.
    virtual void sweepCut(const QString &Pol, const QString &frequency)
    {
        Q_UNUSED(Pol);
        Q_UNUSED(frequency);
    }
    // One step of a sweep on Pol at the frequency (kHz): the level and the margin read there,
    // each the empty text where the receiver had none.
    virtual void sweepStep(const QString &Pol, double frequency, const QString &level,
                           const QString &margin)
    {
        Q_UNUSED(Pol);
        Q_UNUSED(frequency);
        Q_UNUSED(level);
        Q_UNUSED(margin);
    }
};
