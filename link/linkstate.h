#pragma once

#include <QtGlobal>

class Host;
class SerialPort;

// What the receiver link needs of the main window: the one serial port, the host services it
// waits with, the port number and speed it opens the port with, and the time-out flag.
// The main window owns exactly one of these; every exchange goes through it.
struct LinkState
{
    SerialPort &MSComm;
    Host &host;
    qint16 Prt = 0;
    qint32 Spd = 115200;
    // Set when a reply did not complete in time; only the tuning sequence clears it.
    bool Eto = false;
};
