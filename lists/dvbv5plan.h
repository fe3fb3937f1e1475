#pragma once

#include "lists/transponderentry.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A satellite position's transponder plan in the DVBv5 "initial tuning" format that other DVB
// tools read and write (the files of Debian's dtv-scan-tables): blocks headed by a name in
// brackets ("[CHANNEL]", "[Sky UK]", any name), each holding "KEY = VALUE" lines; "#" starts a
// comment. Keys are read whatever their case and the blanks around them. A satellite entry has
// FREQUENCY (kHz), POLARIZATION (HORIZONTAL, VERTICAL, LEFT, RIGHT) and SYMBOL_RATE (symbols
// per second); DELIVERY_SYSTEM, MODULATION, STREAM_ID and the rest are not needed to tune.
//
// Circular polarisations are read as the LNB supply voltage selects them: a circular LNB gives
// left-hand circular at 18 V, as horizontal, and right-hand at 13 V, as vertical.
// A multistream transponder is listed once per stream, with the same frequency and
// polarisation: it is one transponder here. Entries outside the band asked for (C band in a
// Ku plan) are counted, never dropped unsaid.
//
// This is the one place that knows the format; it reads only, and talks to nobody.
struct PlanTransponder
{
    qint64 frequency = 0;  // kHz
    char polarisation = 0; // 'H' or 'V'
    qint64 symbolRate = 0; // symbols per second
    bool circular = false; // LEFT or RIGHT in the file
    bool s2 = false;       // DELIVERY_SYSTEM = DVBS2

    // The rate as the list files and the receiver write it, in kS/s: "27500", "2963.5".
    QString rateText() const;
};

struct Dvbv5Plan
{
    QList<PlanTransponder> transponders; // within the band, in the file's order
    int entries = 0;                     // blocks read
    int outsideBand = 0;                 // entries whose frequency lies outside the band
    int streams = 0;      // repeats of a transponder already listed (further streams)
    int circular = 0;     // of the transponders kept, those read from LEFT or RIGHT
    int notSatellite = 0; // entries of another delivery system (cable, terrestrial)
    int incomplete = 0;   // entries without a frequency, polarisation or rate that reads
    // Why the text is no plan at all (binary, no block, a line that is neither a block's name
    // nor KEY = VALUE), with its line number; empty when it was read.
    QString error;
    int errorLine = 0;

    bool ok() const { return error.isEmpty(); }
    // "93 transponders; 2 outside the band; 3 further streams", as an operator reads it.
    QString summary() const;
};

// Reads a plan, keeping the entries from lowKhz up to (not including) endKhz.
Dvbv5Plan ReadDvbv5Plan(const QByteArray &text, qint64 lowKhz, qint64 endKhz);

// A plan of the transponders, in their order, as the files of dtv-scan-tables are written: a
// "[CHANNEL]" block each with DELIVERY_SYSTEM, FREQUENCY (kHz), POLARIZATION (HORIZONTAL or
// VERTICAL), SYMBOL_RATE (symbols per second), INNER_FEC and INVERSION. A list file does not
// know DVB-S2 from DVB-S, nor the FEC: every block says DVBS and AUTO.
QByteArray WriteDvbv5Plan(const QList<TransponderEntry> &entries);
