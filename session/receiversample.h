#pragma once

#include "session/signalreading.h"

#include <QString>

class LinkState;

// One look at a receiver, by queries only: nothing on it changes.
struct ReceiverSample
{
    bool up = false;      // it answered
    SignalReading signal; // lock, level, margin and quality
    qint64 frequencyKHz = 0;
    QString polarisation; // "H", "V", or "?"
    int symbolRate = 0;   // kS/s
    int service = 0;
    int unanswered = 0; // exchanges of this sample left unanswered, each asked again once
};

// Asks the receiver at `address` on the open link whether it is there, with a short wait (a
// receiver answers a query within milliseconds: a second is plenty even on a network serial
// server), then its frequency, polarisation, symbol rate, service, and its signal (lock, level,
// margin and quality), each reply awaited kSampleAnswerMs, not the exchanges' ten-second time-out.
// A question left unanswered is asked again once: one reply lost on a noisy line does not make a
// working receiver down, nor hold the line ten seconds. One that does not answer twice is not asked
// the rest (up is false), so a silent receiver holds a shared line two seconds; one that falls
// silent half way is down too.
constexpr int kSampleAnswerMs = 1000;
ReceiverSample SampleReceiver(LinkState &link, quint8 address);
