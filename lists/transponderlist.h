#pragma once

#include <QList>
#include <QString>

struct TransponderEntry;

// The transponder list as the list file reader fills it (the main window's ListView).
class TransponderList
{
public:
    virtual ~TransponderList() = default;
    // The receiver's frequency as last read (gFrq); a row with this frequency is current.
    virtual QString currentFrequency() const = 0;
    // Inserts unmarked rows, the first at the 1-based position and the others after it.
    virtual void insertTransponders(int position, const QList<TransponderEntry> &entries) = 0;
    // The row at the position stands for what the receiver is tuned to: select and mark it,
    // list the receiver's services and mark the current one.
    virtual void makeCurrent(int position) = 0;
};
