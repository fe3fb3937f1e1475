#pragma once

#include <QList>
#include <QString>

struct TransponderEntry;

// The transponder list as the list file reader fills it (the main window's ListView). The reader
// only reads: which rows stand for the receiver's tuning it returns, for the window to mark.
class TransponderList
{
public:
    virtual ~TransponderList() = default;
    // Inserts unmarked rows, the first at the 1-based position and the others after it.
    virtual void insertTransponders(int position, const QList<TransponderEntry> &entries) = 0;
};
