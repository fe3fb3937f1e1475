#pragma once

#include <QString>

#include <functional>

class Tuner;
class ServiceList;

// A transponder to tune the receiver to, as a list row gives it.
struct TuningRequest
{
    QString frequency;    // kHz, decimal text
    QString polarisation; // "H" or "V"
    QString symbolRate;   // kS/s, decimal text
};

struct TuningOutcome
{
    bool frontEndSet = false; // type, polarisation, frequency and rate went out unanswered by none
    bool accepted = false;    // every setting was acknowledged
    bool timedOut = false;    // a setting went unanswered: the later ones were not sent
    bool locked = false;      // the receiver locked; the service list was read
    QString firstService;     // the name of service 1 once locked
};

// Whether a frequency (kHz) lies in the band (0 L, 1 Ku, any other value: every frequency):
// band L ends and band Ku begins at 2400000 kHz, which belongs to both.
bool InBand(quint8 band, double frequencyKHz);
// The refusal a frequency meets on the configured band (0 L, 1 Ku, any other value: none):
// "Not allowed for Ku band", or the empty text when the frequency suits the band.
QString BandRefusal(quint8 band, const QString &frequency);

// Tunes the receiver as a pick of a transponder row does: LNB type, polarisation, frequency and
// symbol rate, each only while nothing has timed out, then service 1; when every setting was
// acknowledged, 2.5 s for the receiver to settle and the lock query "Bst"; on lock 2 s, 1 s, the
// service names into `services` and the name of service 1. The status texts of the main window
// go to `status` as they change ("Status: Wait setup", ...). The driver's address is the
// receiver's. Clears the link's time-out flag first.
TuningOutcome Tune(Tuner &driver, quint8 lnbType, const TuningRequest &request,
                   ServiceList &services, const std::function<void(const QString &)> &status);
