#pragma once

#include "lists/dvbv5plan.h"
#include "lists/transponderentry.h"

#include <QList>
#include <QString>

// A position's plan from the field's shared data (a DVBv5 file, as Debian's dtv-scan-tables
// holds) made into the position's list file: its band-Ku transponders, each as the list file
// writes it. The list files hold 8-digit kHz frequencies for band Ku; a plan's entries beyond
// it (C band) are counted by the reader and left out.
struct PlanImport
{
    Dvbv5Plan plan;
    QList<TransponderEntry> entries; // in the plan's order
};

// The position a plan's file name ends in, after "-" or "_": "Hotbird-13.0E" gives "13.0E"; empty
// when it names none ("Hotbird", "13.0X").
QString PositionOfPlanName(const QString &fileName);

// Reads the plan text into the position's entries.
PlanImport ImportPlan(const QByteArray &text, const QString &position);

// What an import changes in a list: transponders it adds, those it drops, and those it keeps at
// another rate, a transponder being its frequency and polarisation.
struct ListChanges
{
    int added = 0, gone = 0, rerated = 0;
    // "3 new, 1 gone, 2 with another rate".
    QString text() const;
};
ListChanges CompareLists(const QList<TransponderEntry> &before,
                         const QList<TransponderEntry> &after);
