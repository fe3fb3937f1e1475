#pragma once

#include "lists/dvbv5plan.h"

#include <QList>
#include <QString>
#include <QStringList>

// One carrier of the simulated satellite.
struct SimTransponder
{
    qint64 frequency = 0; // kHz
    char polar = 'H';     // 'H' or 'V'
    int symbolRate = 0;   // kS/s
    double level = -50.0; // dBm at the receiver input
    double margin = 0.0;  // dB above the lock threshold, at the carrier's own frequency
    QStringList services; // names in service-number order
    // Where a sweep sees the carrier's hump, from its true centre (kHz): a receiver locks only
    // near `frequency`, however the sweep reads it.
    qint64 sweepOffset = 0;
};

// A satellite position as the simulator serves it. The file is text, one item a line, fields
// separated by ";", "#" starting a comment line:
//
//   position;19.2E
//   band;Ku                          L or Ku
//   start;11362000;H;22000           what the receiver is tuned to at power-on
//   tp;11362000;H;22000;-41.5;10.2;First name|Second name|...[;SWEEP OFFSET kHz]
struct Satellite
{
    QString position;
    int band = 1; // 0 = L, 1 = Ku
    qint64 startFrequency = 0;
    char startPolar = 'H';
    int startSymbolRate = 27500;
    QList<SimTransponder> transponders;

    // Reads a satellite file; on failure returns false with the line and reason in *error.
    static bool load(const QString &path, Satellite *out, QString *error);
    static bool parse(const QByteArray &text, Satellite *out, QString *error);

    // A real position's plan (its band-Ku transponders) played as a satellite. What a plan
    // does not say is invented from each transponder's frequency and polarisation and the
    // seed, the same for the same seed: its level (a wide carrier louder than a narrow one at
    // the same power density, -46 dBm at 27500 kS/s, give or take 3 dB), its margin (4 to
    // 10 dB), and 1 to 8 services with names; about one transponder in twelve has a service
    // the receiver never names, ahead of named ones.
    static Satellite fromPlan(const QList<PlanTransponder> &plan, quint32 seed);
    // Reads a DVBv5 plan file and plays it; false with the reason in *error.
    static bool loadPlan(const QString &path, quint32 seed, Satellite *out, QString *error);
};
