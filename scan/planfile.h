#pragma once

#include "lists/planimport.h"

#include <QString>

// A position's plan file (DVBv5, as dtv-scan-tables holds) made the position's list file in the
// DataFolder: read first, with what writing it would change, then written. Both front ends
// import through it; each tells the outcome its own way.
struct PlanFileImport
{
    enum Outcome
    {
        Ready,      // read: `entries` may be written
        NoPosition, // the file's name (or the position given) names no position
        Unreadable, // the file cannot be read
        NotAPlan,   // no DVBv5 plan, or one without a band-Ku transponder
    };
    Outcome outcome = NoPosition;
    QString error; // for any outcome but Ready: why, as the operator reads it

    QString position; // as the list files name it: 13.00E
    QString target;   // the list file it writes
    PlanImport plan;
    bool replaces = false; // a list file is there
    ListChanges changes;   // against the rows of the list file there that could be read
    // ", against the N row(s) of the list there read before line K, …" when that list could not
    // be read whole; empty otherwise.
    QString partly;

    // Reads the plan at path for the position given, or the one its file name ends in.
    static PlanFileImport read(const QString &path, const QString &givenPosition,
                               const QString &programFolder);
    // "3 new, 1 gone, 2 with another rate", and how much of the list there was read.
    QString changesText() const { return changes.text() + partly; }
    // Writes the list file (CR LF records, replaced whole or not at all); false, with *why, when
    // it could not be written.
    bool write(QString *why) const;
};

// The position a text names as a plan's name ends in (13.0E, 5W), as the list files name it
// (13.00E, 05.00W); empty for any other text.
QString PlanPosition(const QString &text);
