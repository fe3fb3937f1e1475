#pragma once

#include <QString>

// One transponder of a list file, its four texts exactly as they stand in the file.
struct TransponderEntry
{
    QString position;     // from the file name: 5.00E.csv gives 5.00E
    QString frequency;    // kHz, 6 or 8 characters
    QString polarisation; // "H" or "V"
    QString symbolRate;   // kS/s
};
