#pragma once

#include "sim/satellite.h"

#include <QByteArray>
#include <QList>
#include <QMap>

#include <optional>

// The receiver as the simulator models it: bytes in, bytes out, no I/O and no clock, so the
// same model serves a pseudo-terminal in kolvex7-sim and an in-memory port in tests.
//
// Master/slave mode: a frame is the address byte, "{", a code, "=", a value ("?" for a query)
// and "}". Frames for another address are not answered. A query is answered with the current
// value, an accepted set with "OK", a code the receiver does not know or a value it refuses
// with "{Ack=Uk}", always behind the receiver's own address byte. Bytes outside frames are
// ignored.
//
// Services: a set of "Snam" to a number selects that service's name for the next query; a set
// to 257 selects the count, answered "Srvc_Mx:" and the number of services. A name the
// receiver has not learnt yet reads "Service:" and its number (so written in the satellite
// file). "Bst" answers "OK" when locked, "NOK" otherwise.
//
// Sweep: around each carrier, over a band as wide as its symbol rate makes it (rate x 1.35),
// "Slvl" reads a level, highest where the sweep sees the carrier (its frequency plus its sweep
// offset); away from every carrier it reads "-??.??". While "AStp" is OFF (the receiver's
// sweep) "Lnmr" reads the margin of that hump, or "-??.?"; otherwise it reads a margin only
// when locked at the carrier's own rate. "Sigq" reads a quality other than "00" only when
// locked. "Fend" reads "Bsrc" until it is set to "Null"; "AStp" and "Vnpd" take ON
// and OFF.
//
// Terminal mode: lines of text ended by CR or LF. "CNFG CNPR MSLV" switches to master/slave
// (and the frame "{Trpr=Trml}" back). "H" prints a help text. "FEND LNBS INA|INB",
// "FEND LNOS UNVR|WIDE|UDSQ", "FEND LNBP 0E|12", "FEND SYMR hex(rate/10)" and
// "FEND TUNF hex(kHz)" are silent when accepted and print "ERROR: bad value" when not;
// "RDMX" is silent; "FEND TUNF BSCN" prints a band scan over time: each passed frequency as
// 8 characters and " Khz", "FREQUENCY SCAN LOCKED AT " and the frequency of each carrier on the
// polarisation, and "FREQUENCY SCAN END.". Any other line prints "Unknown command".
class ReceiverModel
{
public:
    struct Options
    {
        quint8 address = 129;
        bool terminal = false;
        // "Tfrq" reports the former frequency for this many queries after a set.
        int tuneLag = 0;
        // "Tfrq" never reports a frequency that was set.
        bool neverConfirm = false;
        // After each new lock, the first this many name queries read "Service:" placeholders.
        int learnQueries = 0;
        // In terminal mode, every character received is echoed.
        bool echo = false;
        // Level and margin readings vary by up to this many dB either way, reproducibly for
        // a seed and the same sequence of queries.
        double noiseDb = 0;
        quint32 seed = 1;
    };

    // One frame or terminal line received, and the receiver's answer (empty: none). Text the
    // receiver prints later (a band scan's report) comes with its delay in milliseconds.
    struct Exchange
    {
        QByteArray received;
        QByteArray reply;
        QList<QPair<int, QByteArray>> later;
    };

    // What the receiver is set to.
    struct State
    {
        bool terminal = false;
        QByteArray lnbInput = "Ain";
        QByteArray lnbType = "UNVR";
        QByteArray lnbPolar = "18"; // "18" = H, "14" = V
        double symbolRate = 27500;
        qint64 frequency = 0;
        int service = 1;     // selected with "Rstp"
        int nameService = 1; // selected with a set of "Snam"
        QMap<QByteArray, QByteArray> defaults;
        QByteArray frontEnd = "Bsrc"; // "Fend": a band search runs until it is set to "Null"
        QByteArray autoStep = "ON";   // "AStp"
        QByteArray vnpd = "ON";       // "Vnpd"
        qint64 reportedFrequency = 0; // what "Tfrq" reports while a tuning is not confirmed
        int queriesSinceTuning = 0;
        const SimTransponder *lastLock = nullptr;
        int nameQueriesSinceLock = 0;
    };

    ReceiverModel(const Satellite &satellite, const Options &options);

    // Feeds received bytes (any split); returns what they complete, in order.
    QList<Exchange> receive(const QByteArray &bytes);

    const State &state() const { return m_state; }
    State &state() { return m_state; }
    quint8 address() const { return m_address; }
    // Readings vary by up to this many dB either way from now on (Options::noiseDb).
    void setNoise(double dB) { m_options.noiseDb = dB; }
    // The carrier the receiver is tuned to: the nearest on the same polarisation, within
    // 2000 kHz; null if none.
    const SimTransponder *tunedTransponder() const;
    // The tuned carrier when the symbol rate is its own too: the receiver locks on it ("Bst"
    // answers "OK") and knows its services ("Snam"). Null when not locked.
    const SimTransponder *lockedTransponder() const;
    // The carrier whose band covers the tuned frequency on the tuned polarisation (the
    // strongest there, where bands overlap), with the distance from its centre as a fraction
    // of its half band (0 at the centre).
    const SimTransponder *carrierAt(double *distance) const;

private:
    QList<Exchange> receiveFrames();
    QList<Exchange> receiveLines();
    // The reply value for one command; no value means the receiver refuses it ("{Ack=Uk}").
    std::optional<QByteArray> answer(const QByteArray &code, const QByteArray &value);
    QByteArray frame(const QByteArray &code, const QByteArray &value) const;
    Exchange terminalLine(const QByteArray &line);
    QList<QPair<int, QByteArray>> bandScanReport() const;
    // Reading noise: uniform within the option's dB, 0 without it.
    double noise();

    Satellite m_sat;
    quint8 m_address;
    Options m_options;
    State m_state;
    QByteArray m_in;
    quint32 m_noise;
};
