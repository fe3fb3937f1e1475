#pragma once

#include <QString>

#include <functional>

struct LinkState;
class ScanTree;
class ServiceList;
class StatusLabels;

// The operations of a receiver driver, in the order of the driver classes' operation slots.
// Failures are results: 255 for an unknown number, "?" for an unknown polarisation, the empty
// text for an unknown text, false for a set that did not succeed. A time-out inside any
// operation also sets the link's Eto.
class ReceiverDriver
{
public:
    virtual ~ReceiverDriver() = default;

    // The link the driver talks over; windows ask it whether the link is busy.
    virtual LinkState &link() = 0;
    // The receiver address every frame of this driver carries.
    virtual void setAdr(quint8 address) = 0;
    // Returns after at least Val milliseconds, the event loop running throughout.
    virtual void Wait(qint16 Val) = 0;
    // Writes the running scan's progress ("45%") into status label 4.
    virtual void GetTimetoGo(StatusLabels &Status) = 0;
    virtual bool InitIRD() = 0;
    // LNB input: 0 = A, 1 = B.
    virtual quint8 GetLNBInput() = 0;
    virtual bool SetLNBInput(quint8 Inp) = 0;
    // LNB type: 0 universal, 1 wide band, 2 DiSEqC.
    virtual quint8 GetLNBType() = 0;
    virtual bool SetLNBType(quint8 Inp) = 0;
    // Polarisation "H" or "V".
    virtual QString GetLNBPolar() = 0;
    virtual bool SetLNBPolar(const QString &Inp) = 0;
    // Symbol rate in kilosymbols per second, as decimal text.
    virtual QString GetSpeed() = 0;
    virtual bool SetSpeed(const QString &Inp) = 0;
    // Frequency in kHz, as decimal text.
    virtual QString GetFrequency() = 0;
    virtual bool SetFrequencyNum(double Inp) = 0;
    virtual bool SetFrequency(const QString &Inp) = 0;
    virtual bool SetServiceNum(quint8 Svc) = 0;
    // The name of service Svc of the tuned transponder.
    virtual QString GetService(quint8 Svc) = 0;
    virtual bool SetService(const QString &Svc) = 0;
    // Whether the receiver is locked on the tuned transponder (the query "Bst" answers "OK").
    virtual bool GetLock() = 0;
    // How many services the tuned transponder carries; 0 when the count is not found.
    virtual qint16 GetServiceNumber() = 0;
    // Appends the named services of the tuned transponder to the list, numbered "000".
    virtual void GetServiceName(ServiceList &List) = 0;
    // Sweeps the band on V, then H, recording each carrier in the tree; true when one was found.
    // Run is read while the sweeps go on; clearing it stops them.
    virtual bool SetScanLocal(StatusLabels &Status, ScanTree &TreeView, bool &Run) = 0;
    virtual bool RunScanLocal(const QString &Pol, StatusLabels &Status, ScanTree &TreeView,
                              bool &Run) = 0;
    // Tests every transponder of the tree not yet identified at the symbol rate; true when none
    // is left unidentified.
    virtual bool RunTestLocal(const QString &Sym, StatusLabels &Status, ScanTree &TreeView,
                              bool &Run, bool ReScan) = 0;
    // The same over the carriers of the tree not yet identified, each at the rate rateOf gives
    // its key; a carrier whose rate is empty is not tested in this pass.
    using RateOf = std::function<QString(const QString &key)>;
    virtual bool RunTests(const RateOf &rateOf, StatusLabels &Status, ScanTree &TreeView, bool &Run,
                          bool ReScan) = 0;
    // Tests a transponder the sweep did not record, at the frequency (kHz), polarisation and
    // rate given; one that shows services joins the tree, identified. True when it did.
    virtual bool TestAt(const QString &freq, const QString &Pol, const QString &Sym,
                        StatusLabels &Status, ScanTree &TreeView, bool &Run) = 0;
    virtual bool AllFound(const ScanTree &TreeView) = 0;
    virtual bool OneFound(const ScanTree &TreeView) = 0;
    // Tunes the receiver to the tree's selected node when it is a service; always false.
    virtual bool SetSelected(ScanTree &TreeView, int Node) = 0;
};
