#pragma once

#include "platform/portproblem.h"

#include <QByteArray>
#include <QString>

// The one serial line to the receiver, as the link layer sees it: a port number and a settings
// text select the line, text goes out at once and whatever has arrived is read without waiting.
// The system opens it once and keeps it open; only the link test closes and reopens it.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    virtual bool isOpen() const = 0;
    // Port number as the operator gives it: 1 is the machine's first serial port.
    virtual void setPortNumber(qint16 number) = 0;
    // "speed,parity,data bits,stop bits", for example "9600,n,8,1". A text that cannot be parsed
    // is refused as a whole (false) and nothing of it is applied.
    virtual bool setSettings(const QString &settings) = 0;
    virtual bool open() = 0;
    virtual void close() = 0;
    // Queues the bytes for transmission at once and returns without waiting for them to leave.
    virtual void write(const QByteArray &bytes) = 0;
    // Everything received and not read yet; empty when nothing is pending. Never waits.
    virtual QByteArray read() = 0;
    // Waits at most us microseconds, returning early as soon as input is pending.
    virtual void waitForInputUs(int us) = 0;
    // The line is gone (a USB adapter pulled out, the device closed under us): nothing more
    // will arrive, so a reader must not keep polling it.
    virtual bool isLost() const = 0;
    // Why the last open failed, in words an operator can act on, when the port knows it (the
    // device missing, held by another program, not permitted: which group, which command);
    // empty otherwise.
    virtual QString openError() const { return QString(); }
    virtual PortProblem openProblem() const { return PortProblem::None; }
    // What the other end said as it went, when it said something in words (a serial server
    // refusing a device another connection holds); empty otherwise.
    virtual QString lostReason() const { return QString(); }
};
