#pragma once

#include "session/receiversample.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>

// The last sample of a watched receiver: which port and address, when, and what it said.
struct WatchedReceiver
{
    QString port; // its number, or its network address
    quint8 address = 0;
    QDateTime at; // UTC
    ReceiverSample sample;
};

// The samples in Prometheus's text exposition format: one gauge family per reading, each
// receiver labelled by port and address. kolvex7_up tells whether it answered; a receiver that
// did not, or a reading it does not have (no signal, no lock), has no series, so an alert on
// a falling margin never sees a stale value.
QByteArray MetricsText(const QList<WatchedReceiver> &receivers);
// One sample as a line for people, and as a JSON object (one per line with --json).
QString SampleLine(const WatchedReceiver &r);
QJsonObject SampleJson(const WatchedReceiver &r);
