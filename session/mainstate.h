#pragma once

#include "link/linkstate.h"
#include "session/settings.h"

#include <QString>

// The session's state as the main window keeps it, which the other windows read and write
// through it: the receiver link, and what the operator chose and last saw.
struct MainState
{
    MainState(SerialPort &port, Host &host) : link(port, host) {}

    LinkState link;
    quint8 Adr = 129; // receiver address
    quint8 Inp = 0;   // LNB input: 0 = A, 1 = B
    quint8 LNB = 0;   // LNB type: 0 universal, 1 wide, 2 DiSEqC
    bool Raz = false; // SHIFT was down at start
    QString gFrq;     // frequency as last read or tuned
    QString gPol;     // polarisation as last read or tuned
    QString gSrt;     // symbol rate as last read or tuned
    QString gSvc;     // name of the current service

    StoredSettings settings() const { return {link.Prt, link.Spd, Adr, LNB, Inp, link.Bnd}; }
    void apply(const StoredSettings &s)
    {
        link.Prt = s.Prt;
        link.Spd = s.Spd;
        Adr = s.Adr;
        LNB = s.LNB;
        Inp = s.Inp;
        link.Bnd = s.Bnd;
    }
};
