#pragma once

#include "link/receiverdriver.h"

#include <QByteArray>

struct LinkState;
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
// The state of the receiver cannot be read in this mode: the Get operations answer 255 or the
// empty text. Operations of the master/slave set that this mode does not have (waits, scan
// progress, LNB type and polarisation readings, the service list, the test run and the scan
// tree) send nothing and answer as a receiver that did not reply.
// What one read of a band scan's printout tells: the frequency passed (the 8 characters before
// the first " Khz", when something stands before them), the frequency of the first lock, and
// whether the scan has ended. A report cut between two reads is not recognised.
struct TermScanReport
{
    bool hasPassed = false;
    QString passed;
    bool hasLocked = false;
    QString locked;
    bool end = false;
};
TermScanReport ParseScanReport(const QByteArray &R);

class Protocol_Term : public ReceiverDriver
{
public:
    explicit Protocol_Term(LinkState &link);

    // A scan report that stops coming for this long ends the scan: the receiver is gone.
    static constexpr int kSilenceMs = 30000;

    LinkState &link() override { return m_link; }
    void setAdr(quint8 address) override { Adr = address; }
    // The lock query goes out as a frame in this mode too: a tuning ends with it whichever
    // driver tuned.
    bool GetLock() override;
    bool InitIRD() override;
    // The receiver answers the terminal probe after an empty line: it is in terminal mode.
    // Sets nothing.
    bool InTerminalMode();
    quint8 GetLNBInput() override { return 255; }
    bool SetLNBInput(quint8 Inp) override;
    bool SetLNBType(quint8 Inp) override;
    bool SetLNBPolar(const QString &Inp) override;
    bool SetSpeed(const QString &Inp) override;
    QString GetFrequency() override { return QString(); }
    bool SetFrequencyNum(double Inp) override;
    bool SetFrequency(const QString &Inp) override;
    void GetServiceName(ServiceList &) override {}

    // The band scan on one polarisation, reporting into the display until the receiver prints
    // its end, Run is cleared, or the receiver stays silent for kSilenceMs. Always false.
    bool RunScanLocal_(const QString &Pol, TextDisplay &Display, bool &Run);

    // Not in this mode (see the class comment).
    void Wait(qint16) override {}
    void GetTimetoGo(StatusLabels &) override {}
    quint8 GetLNBType() override { return 255; }
    QString GetLNBPolar() override { return QStringLiteral("?"); }
    QString GetSpeed() override { return QString(); }
    bool SetServiceNum(quint8) override { return false; }
    QString GetService(quint8) override { return QString(); }
    bool SetService(const QString &) override { return false; }
    qint16 GetServiceNumber() override { return 0; }
    bool SetScanLocal(StatusLabels &, ScanTree &, bool &) override { return false; }
    bool RunScanLocal(const QString &, StatusLabels &, ScanTree &, bool &) override
    {
        return false;
    }
    bool RunTestLocal(const QString &, StatusLabels &, ScanTree &, bool &, bool) override
    {
        return false;
    }
    bool RunTests(const RateOf &, StatusLabels &, ScanTree &, bool &, bool) override
    {
        return false;
    }
    bool TestAt(const QString &, const QString &, const QString &, StatusLabels &, ScanTree &,
                bool &) override
    {
        return false;
    }
    bool AllFound(const ScanTree &) override { return false; }
    bool OneFound(const ScanTree &) override { return false; }
    bool SetSelected(ScanTree &, int) override { return false; }

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
