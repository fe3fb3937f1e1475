#pragma once

#include "link/linkstate.h"
#include "session/settings.h"

#include <QString>

// The session's state as the main window keeps it, which the other windows read and write
// through it. The link part (the serial port, Prt, Spd, the observers, the busy state) is what the
// receiver link uses.
struct MainState : LinkState
{
    MainState(SerialPort &port, Host &host) : LinkState{port, host} {}

    quint8 Adr = 129; // receiver address
    quint8 Inp = 0;   // LNB input: 0 = A, 1 = B
    quint8 LNB = 0;   // LNB type: 0 universal, 1 wide, 2 DiSEqC
    bool Raz = false; // SHIFT was down at start
    QString gFrq;     // frequency as last read or tuned
    QString gPol;     // polarisation as last read or tuned
    QString gSrt;     // symbol rate as last read or tuned
    QString gSvc;     // name of the current service

    StoredSettings settings() const { return {Prt, Spd, Adr, LNB, Inp, Bnd}; }
    void apply(const StoredSettings &s)
    {
        Prt = s.Prt;
        Spd = s.Spd;
        Adr = s.Adr;
        LNB = s.LNB;
        Inp = s.Inp;
        Bnd = s.Bnd;
    }
};
