#pragma once

#include <QString>

// A one-line text display (a text box) that the terminal driver's scan writes its progress to,
// and the same progress as events for whoever keeps what the scan found.
class TextDisplay
{
public:
    virtual ~TextDisplay() = default;
    virtual void setText(const QString &text) = 0;

    enum class End
    {
        Done,
        Stopped,
        Silent
    };
    // The receiver reported a lock at the frequency (kHz, as it printed it).
    virtual void locked(const QString &frequency) { Q_UNUSED(frequency); }
    // The scan of one polarisation ended: the receiver said so, Run was cleared, or the
    // receiver stopped reporting.
    virtual void ended(End how) { Q_UNUSED(how); }
};
