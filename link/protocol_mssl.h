#pragma once

#include "link/receiverdriver.h"
#include "link/scanall.h"
#include "link/scanevents.h"

#include <QByteArray>
#include <QList>

#include <functional>

class LinkState;
class ScanTree;

// The receiver driver of the master/slave command set. Every Get asks the receiver; every Set of
// the LNB input, LNB type, polarisation and symbol rate asks first and sends the set only when
// the receiver's value differs. Commands and their receiver values:
//
//   LNin  LNB input        "Ain" = 0, "Bin" = 1
//   LNos  LNB type         "UNVR" = 0, "WIDE" = 1, "UDSQ" = 2
//   LNBp  polarisation     "18" = H, "14" = V (the LNB supply voltage)
//   Sfrq  symbol rate      "00000.00" format, kS/s
//   Tfrq  frequency        decimal kHz
//   Rstp  service select   decimal service number
//   Snam  service name     set the service number, then query the name; set 257, then
//                          query, for the count: "Srvc_Mx", one separator, the count
class Protocol_MsSl : public Tuner
{
public:
    explicit Protocol_MsSl(LinkState &link);

    // Failures are results: 255 for an unknown number, "?" for an unknown polarisation, the
    // empty text for an unknown text, false for a set that did not succeed. A time-out inside
    // any operation also sets the link's Eto.
    LinkState &link() override { return m_link; }
    // The receiver address every frame of this driver carries.
    void setAdr(quint8 address) { Adr = address; }
    void Wait(qint16 Val) override;
    bool InitIRD();
    // LNB input: 0 = A, 1 = B.
    quint8 GetLNBInput();
    bool SetLNBInput(quint8 Inp);
    // LNB type: 0 universal, 1 wide band, 2 DiSEqC.
    quint8 GetLNBType();
    bool SetLNBType(quint8 Inp) override;
    // Polarisation "H" or "V".
    QString GetLNBPolar();
    bool SetLNBPolar(const QString &Inp) override;
    // Symbol rate in kilosymbols per second, as decimal text.
    QString GetSpeed();
    bool SetSpeed(const QString &Inp) override;
    // Frequency in kHz, as decimal text.
    QString GetFrequency();
    bool SetFrequencyNum(double Inp);
    bool SetFrequency(const QString &Inp) override;
    bool SetServiceNum(quint8 Svc) override;
    QString GetService(quint8 Svc) override;
    bool SetService(const QString &Svc);
    // How many services the tuned transponder carries; 0 when the count is not found.
    qint16 GetServiceNumber();
    void GetServiceName(ServiceList &List) override;
    // Sweeps the band on V, then H, recording each carrier in the tree; true when one was found.
    // Run is read while the sweeps go on; clearing it stops them.
    bool SetScanLocal(ScanEvents &Events, ScanTree &TreeView, bool &Run);
    bool RunScanLocal(const QString &Pol, ScanEvents &Events, ScanTree &TreeView, bool &Run);
    // Tests every transponder of the tree not yet identified at the symbol rate; true when none
    // is left unidentified.
    bool RunTestLocal(const QString &Sym, ScanEvents &Events, ScanTree &TreeView, bool &Run,
                      bool ReScan);
    // The same over the carriers of the tree not yet identified, each at the rate rateOf gives
    // its key; a carrier whose rate is empty is not tested in this pass.
    using RateOf = std::function<QString(const QString &key)>;
    bool RunTests(const RateOf &rateOf, ScanEvents &Events, ScanTree &TreeView, bool &Run,
                  bool ReScan);
    // Tests a transponder the sweep did not record, at the frequency (kHz), polarisation and
    // rate given; one that shows services joins the tree, identified. True when it did.
    bool TestAt(const QString &freq, const QString &Pol, const QString &Sym, ScanEvents &Events,
                ScanTree &TreeView, bool &Run);
    bool AllFound(const ScanTree &TreeView);
    bool OneFound(const ScanTree &TreeView);
    // Tunes the receiver to the tree's selected node when it is a service; always false.
    bool SetSelected(ScanTree &TreeView, int Node);

    // Queries only, for the tools that look without changing anything: the software version
    // ("Usvr"), the selected service's number ("Rstp"), the lock ("Bst" answers "OK"), and
    // the signal level ("Slvl", dBm) and link margin ("Lnmr", dB) as the receiver reports them
    // ("-??.??" and "-??.?" without a signal or a lock).
    QString GetVersion();
    QString GetServiceSelected();
    // Whether the receiver is locked on the tuned transponder (the query "Bst" answers "OK").
    bool GetLock() override;
    QString GetLevel();
    QString GetMargin();
    // The demodulator's signal quality ("Sigq"), as the receiver gives it: "00" without a
    // lock.
    QString GetQuality();

    // Diagnostics of the command set: every code of the catalogue, or every four-letter code,
    // queried in turn. A sink receives each code with its reply and may stop the run.
    void TstAllCmds(const CommandSink &sink = {});
    void GetAllCmds(const CommandSink &sink = {}, int first = 0);
    // The 88 command codes the receiver is known to have, in their order.
    static const QList<QByteArray> &Catalogue();

    // The symbol-rate text the receiver takes: at least five integer digits and exactly two
    // decimals, "." as separator (27500 gives "27500.00", 4883 gives "04883.00").
    static QByteArray SpeedText(const QString &Inp);

protected:
    // A try at one frequency and rate: how it ended, the margin read (empty without one), and
    // the services counted.
    struct Tried
    {
        TryOutcome outcome = TryOutcome::Stopped;
        QString margin;
        qint16 services = 0;
    };
    Tried testFrequency(const QString &freq, const QString &key, const QString &Sym,
                        ScanEvents &Events, bool &Run);
    Tried tryOnce(const QString &freq, ScanEvents &Events, bool &Run);
    static void keepMargin(int node, const QString &margin, const QString &Sym, ScanTree &TreeView);
    bool identify(int node, const QString &freq, const QString &P, const QString &Sym, qint16 n,
                  ScanEvents &Events, ScanTree &TreeView, bool &Run);
    QByteArray query(const QByteArray &code);
    bool set(const QByteArray &code, const QByteArray &value);
    // Query the code; set it to `wanted` only when the receiver reports something else.
    bool queryThenSet(const QByteArray &code, const QByteArray &wanted);

    // While a scan operation runs, the run it belongs to: a lost receiver ends it as a stop
    // does, at the run's next look at it.
    struct RunWatch
    {
        RunWatch(Protocol_MsSl &driver, bool &Run) : d(driver), outer(driver.m_run)
        {
            d.m_run = &Run;
        }
        ~RunWatch() { d.m_run = outer; }
        Protocol_MsSl &d;
        bool *outer;
    };
    bool lostInRun();
    void stopIfLost();

    LinkState &m_link;
    bool *m_run = nullptr;
    quint8 Adr = 0;
    qint32 WaitStart = 0;
};
