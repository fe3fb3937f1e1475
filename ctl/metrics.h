#pragma once

#include "session/receiversample.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>

// What the watch has counted of a receiver since it started.
struct ReceiverCounts
{
    quint64 polls = 0;
    quint64 pollsUnanswered = 0;   // polls it was down in
    quint64 exchangesTimedOut = 0; // questions left unanswered, each asked again once
    QDateTime lastAnswer;          // UTC; invalid while it never answered
    double pollSeconds = 0;        // how long its last poll took
};

// The last sample of a watched receiver: which port and address, when, and what it said.
struct WatchedReceiver
{
    QString port; // its number, or its network address
    quint8 address = 0;
    QDateTime at; // UTC
    ReceiverSample sample;
    ReceiverCounts counts;
};

// The samples in Prometheus's text exposition format, in base units (hertz, baud, seconds),
// each receiver labelled by port and address: kolvex7_up tells whether it answered the last
// poll; a receiver that did not, or a reading it does not have (no signal, no lock), has no
// series of that reading, so an alert on a falling margin never sees a stale value. Counters of
// polls and time-outs, the last answer's time, the tuning as an info metric, and
// kolvex7_build_info with `version`.
QByteArray MetricsText(const QList<WatchedReceiver> &receivers, const QString &version);
// One sample as a line for people, and as a JSON object (one per line with --json).
QString SampleLine(const WatchedReceiver &r);
QJsonObject SampleJson(const WatchedReceiver &r);
// A signal reading's keys in every command's JSON: locked, level_dbm, margin_db and quality, a
// figure not had (no signal, no lock) as null.
void InsertSignal(QJsonObject &o, const SignalReading &s);
