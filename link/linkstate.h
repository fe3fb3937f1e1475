#pragma once

#include <QtGlobal>

class Host;
class SerialPort;

// What the receiver link needs of the main window: the one serial port, the host services it
// waits with, the port number and speed it opens the port with, the time-out flag and the band.
// The main window owns exactly one of these; every exchange goes through it.
struct LinkState
{
    SerialPort &MSComm;
    Host &host;
    qint16 Prt = 0;
    qint32 Spd = 115200;
    // Set when a reply did not complete in time; only the tuning sequence clears it.
    bool Eto = false;
    // The configured band: 0 = L, 1 = Ku; it chooses the band a receiver scan sweeps.
    quint8 Bnd = 0;
};
