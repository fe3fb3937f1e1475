#pragma once

#include "link/receiverdriver.h"

#include <QByteArray>

class LinkState;
class TextDisplay;

// The receiver driver of the terminal command set: command lines typed one character every
// 2 ms, a fixed wait, then whatever the receiver printed. A set succeeds when the receiver
// printed nothing (an error text or an echo counts as a refusal). Numbers go out in upper-case
// hexadecimal after rounding halves to even: the frequency in kHz, the symbol rate / 10.
//
//   probe              H                            reply contains "HELP" in terminal mode
//   LNB input          FEND LNBS INA | INB
//   LNB type           FEND LNOS UNVR | WIDE | UDSQ
//   polarisation       FEND LNBP 0E (V, 14 V) | 12 (H, 18 V)
//   symbol rate        FEND SYMR hex(rate / 10)
//   frequency          FEND TUNF hex(kHz)
//   band scan          RDMX, FEND TUNF 00A344E0, FEND TUNF BSCN; the receiver then prints
//                      "xxxxxxxx Khz" per frequency passed, "FREQUENCY SCAN LOCKED AT xxxxxxxx"
//                      per carrier and "FREQUENCY SCAN END."
//
// The state of the receiver cannot be read in this mode, and it has none of the master/slave
// set's waits, services, test runs or scan tree: the driver has only the operations above.
// What one read of a band scan's printout tells: the frequency passed (the 8 characters before
// the first " Khz", when something stands before them), the frequency of the first lock (to its
// line's end, 8 characters at most), and whether the scan has ended. A report cut between two
// reads is not recognised.
struct TermScanReport
{
    bool hasPassed = false;
    QString passed;
    bool hasLocked = false;
    QString locked;
    bool end = false;
};
TermScanReport ParseScanReport(const QByteArray &R);

class Protocol_Term : public FrontEnd
{
public:
    explicit Protocol_Term(LinkState &link);

    // A scan report that stops coming for this long ends the scan: the receiver is gone.
    static constexpr int kSilenceMs = 30000;

    LinkState &link() override { return m_link; }
    // The address the lock query's frame carries.
    void setAdr(quint8 address) { Adr = address; }
    // The lock query goes out as a frame in this mode too: a tuning ends with it whichever
    // driver tuned.
    bool GetLock();
    bool InitIRD();
    // The receiver answers the terminal probe after an empty line: it is in terminal mode.
    // Sets nothing.
    bool InTerminalMode();
    bool SetLNBInput(quint8 Inp);
    bool SetLNBType(quint8 Inp);
    bool SetLNBPolar(const QString &Inp) override;
    bool SetSpeed(const QString &Inp) override;
    bool SetFrequencyNum(double Inp);
    bool SetFrequency(const QString &Inp) override;

    // The band scan on one polarisation, reporting into the display until the receiver prints
    // its end, Run is cleared, or the receiver stays silent for kSilenceMs. Always false.
    bool RunScanLocal_(const QString &Pol, TextDisplay &Display, bool &Run);

    // The number in upper-case hexadecimal, rounded to a whole number, halves to even; empty
    // when the whole number is outside 0 to 0xFFFFFFFF (the operation then sends nothing).
    static QByteArray Hex(double value);

private:
    // Sends the line, waits, reads; true when the receiver printed nothing.
    bool command(const QByteArray &line);
    QByteArray probe();

    LinkState &m_link;
    quint8 Adr = 0;
};
