#pragma once

#include <QHash>
#include <QMap>
#include <QPair>
#include <QStringList>

#include <optional>

#include "link/scanresult.h"

struct TransponderEntry;

// A scan set against the list file stored for its position (DataFolder/position.csv):
// transponders the list does not have, listed ones the scan did not find, listed ones it found
// but did not identify (a list saved now would lack them), and shifted ones (same polarisation
// and rate, beyond the receiver's capture of a tenth of the rate, and at least 500 kHz, but
// within half the rate). A listed transponder is missing only where the sweep passed its
// frequency on its polarisation; elsewhere the summary says what was not swept. Nothing is
// written.
struct ScanDiff
{
    // A listed transponder the scan did not identify, and why not.
    struct Miss
    {
        qint64 khz;
        QString pol, rate;
        bool found; // a carrier found stands for it, not identified
        QString why;
    };
    bool compared = false; // a list file was there and could be read
    QString listFile;
    QStringList added;         // "F P [S]" of scan transponders the list lacks
    QStringList shifted;       // "F P S from F0"
    QStringList missing;       // "F P S" of listed transponders not found where swept
    QStringList unidentified;  // "F P S" of listed transponders found, not identified
    QStringList notSwept;      // "H not swept above 10700000", "V not swept"
    QList<Miss> notIdentified; // the missing and the unidentified, in the list's order
    // tree key of a transponder: "new", "shifted from F0" or "listed, not identified"
    QHash<QString, QString> marks;

    // "Against 13.00E.csv: 1 new, 1 shifted, 1 missing (11096000 H 28000), 1 found, not
    // identified (10971000 V 29900)", or the empty text.
    QString summary() const;
};

// Where the position's list file is stored: DataFolder/position.csv, as the system writes paths.
QString StoredListPath(const QString &programFolder, const QString &position);
// The transponders of the list file stored for the position, none when it has no readable one.
std::optional<QList<TransponderEntry>> StoredList(const QString &programFolder,
                                                  const QString &position);

// With the run's tries, each listed transponder not identified tells why.
ScanDiff CompareWithList(const ScanResult &result, const QString &programFolder,
                         const QString &position, const SweptRanges &swept,
                         const ScanTries *tries = nullptr);

// "F P S" of each transponder of the position's stored list that no transponder identified in
// the scan stands for: what a list saved from the tree now would lack.
QStringList StoredNotSaved(const ScanResult &result, const QString &programFolder,
                           const QString &position);
