#pragma once

#include <QString>

class LinkState;
class ServiceList;

// The LNB types by number (0 universal, 1 wide band, 2 DiSEqC) as both command sets name them.
inline constexpr const char *kLnbTypeNames[3] = {"UNVR", "WIDE", "UDSQ"};

// What the manual input dialog turns on the receiver, each sent at once: both command sets
// have these. A set that did not succeed answers false; a time-out inside one also tells the
// link's observers.
class FrontEnd
{
public:
    virtual ~FrontEnd() = default;

    // The link the driver talks over; a window asks it whether the link is busy.
    virtual LinkState &link() = 0;
    // Polarisation "H" or "V".
    virtual bool SetLNBPolar(const QString &Inp) = 0;
    // Symbol rate in kilosymbols per second, as decimal text.
    virtual bool SetSpeed(const QString &Inp) = 0;
    // Frequency in kHz, as decimal text.
    virtual bool SetFrequency(const QString &Inp) = 0;
};

// What a tuning uses: the front end, then the service and the lock, and the services' names.
class Tuner : public FrontEnd
{
public:
    // LNB type: 0 universal, 1 wide band, 2 DiSEqC.
    virtual bool SetLNBType(quint8 Inp) = 0;
    virtual bool SetServiceNum(quint8 Svc) = 0;
    // Returns after at least Val milliseconds, the event loop running throughout.
    virtual void Wait(qint16 Val) = 0;
    // Whether the receiver is locked on the tuned transponder.
    virtual bool GetLock() = 0;
    // Appends the named services of the tuned transponder to the list, numbered "000".
    virtual void GetServiceName(ServiceList &List) = 0;
    // The name of service Svc of the tuned transponder; the empty text when unknown.
    virtual QString GetService(quint8 Svc) = 0;
};
