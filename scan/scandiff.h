#pragma once

#include <QHash>
#include <QMap>
#include <QPair>
#include <QStringList>

class ScanTree;

// What the sweep covered: for each polarisation ('H', 'V') the lowest and highest frequency
// stepped, in kHz. A polarisation it never stepped is absent.
using SweptRanges = QMap<QChar, QPair<qint64, qint64>>;

// A scan set against the list file stored for its position (DataFolder/position.csv):
// transponders the list does not have, listed ones the scan did not find, and shifted ones
// (same polarisation, and rate where the scan identified one, within 4 MHz but not at the same
// frequency). A listed transponder is missing only where the sweep passed its frequency on its
// polarisation; elsewhere the summary says what was not swept. Nothing is written.
struct ScanDiff
{
    bool compared = false; // a list file was there and could be read
    QString listFile;
    QStringList added;             // "F P [S]" of scan transponders the list lacks
    QStringList shifted;           // "F P S from F0"
    QStringList missing;           // "F P S" of listed transponders not found where swept
    QStringList notSwept;          // "H not swept above 10700000", "V not swept"
    QHash<QString, QString> marks; // tree key of a transponder: "new" or "shifted from F0"

    // "Against 13.00E.csv: 1 new, 1 shifted, 1 missing (11096000 H 28000)", or the empty text.
    QString summary() const;
};

ScanDiff CompareWithList(const ScanTree &tree, const QString &programFolder,
                         const QString &position, const SweptRanges &swept);
