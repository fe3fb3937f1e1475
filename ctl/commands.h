#pragma once

#include "link/exchangerecorder.h"
#include "link/protocol_mssl.h"
#include "session/tuning.h"

#include <QStringList>

#include <optional>

class Output;
struct CtlSettings;
struct ScanDiff;
class LinkState;

// The exit statuses of kolvex7-ctl, as --help and the README give them.
namespace Exit {
enum : int
{
    Ok = 0,
    Failed = 1,          // anything else (the receiver in terminal mode for a command)
    BadArguments = 2,    // unknown command or option, a value out of range, a band refusal
    PortUnavailable = 3, // the port is missing, held by another program or not permitted
    TimeOut = 4,         // the receiver did not answer
    Refused = 5,         // the receiver refused a setting or a command code
    NoLock = 6,          // tuned, but the receiver did not lock
    BadListFile = 7,     // a list file of the DataFolder cannot be read whole
    NotSaved = 8,        // a scan's files were not written (kept, refused or failed)
};
}

// The refusal of a command line: the text, a pointer to --help; exit 2.
int BadArguments(Output &out, const QString &text);

// A whole number in decimal within [min, max], or nothing.
std::optional<qint64> WholeNumber(const QString &text, qint64 min, qint64 max);

// A tuning as tune takes it: the transponder in its own form (kHz, "H" or "V", kS/s, as whole
// numbers), and the service --service selects afterwards.
struct CtlTuning
{
    TuningRequest transponder;
    std::optional<quint8> service;
};
// A scan as scan takes it: the position normalised (13.00E), the rates in kS/s.
struct CtlScan
{
    QString position;
    QStringList rates;
};

// The checks of the commands' arguments, made before the port is opened: the refusal of the
// first bad one, or the empty text; the arguments read, into *read, when they pass. The band
// refusal says where the band came from, and how to choose the other; a frequency outside the
// band's edges is refused with them.
QString TuneRefusal(const QString &frequency, const QString &polarisation, const QString &rate,
                    const QString &service, const CtlSettings &settings, CtlTuning *read = nullptr);
QString ServiceRefusal(const QString &number);
QString CodeRefusal(const QString &code, const QString &value);
QString ScanRefusal(const QString &position, const QString &rates, CtlScan *read = nullptr);
// The values of a command code the driver sets, as a text for a refusal; empty for others.
QString AcceptedValues(const QString &code);

// The settings the receiver commands use, from KOLVEX7.ini unless the command line gives them.
struct CtlSettings
{
    quint8 address = 129;
    quint8 lnbType = 0;
    quint8 band = 0;        // 0 L, 1 Ku
    QString portName;       // as messages name the port: its number, or its network address
    bool bandGiven = false; // by --band, not as kolvex7 is configured
};

// The receiver commands of kolvex7-ctl over an open link, with the tool's own driver, tuning
// sequence, scan passes and saving. Each reports into the output and returns its exit status;
// the link's run is started with them, and its stop (Ctrl+C) ends a command at its next look.
// Each takes its arguments as its command's check read them (see CtlCommands).
class Commands
{
public:
    Commands(LinkState &link, const CtlSettings &settings, Output &out);

    int status();
    int tune(const CtlTuning &tuning);
    int services();
    int service(quint8 number);
    int query(const QString &code);
    // Every code of the receiver's catalogue queried in turn, with its reply.
    int catalogue();
    // Every four-letter code from the one at index `first` of the sweep to the last queried in
    // turn: the codes the receiver knows, with their replies.
    int codes(int first);
    int set(const QString &code, const QString &value);
    // `guided`: each carrier tried first at the rate its width points to.
    int scan(const CtlScan &scan, const QString &programFolder, bool save, bool guided);
    // For a receiver in terminal mode: the tuning's setters (LNB type, polarisation, rate,
    // frequency), each refused when the receiver answers with a text; and the receiver's own
    // band scan of both polarisations, listing where it locked.
    int terminalTune(const TuningRequest &transponder);
    int terminalScan();
    // Every address from 0 to 255 asked in turn, with a short wait each (see Survey): the
    // receivers that answer, with their frequency and lock. Exit 4 when none answers.
    int survey();
    // What a command of its own (the signal meter) runs with: the link, the receiver's
    // address, the output.
    LinkState &link() { return m_link; }
    quint8 address() const { return m_settings.address; }
    Output &output() { return m_out; }

private:
    void listedNotIdentified(const ScanDiff &diff);
    // Where the receiver is: frequency, polarisation, rate and service, as it reports them.
    struct Place
    {
        QString polarisation, frequency, rate, service;
    };
    Place place();
    // After a Ctrl+C: the receiver tuned back to where it was; exit 1.
    int setBack(const Place &before, const QString &what);
    // True, after saying why, when service `number` is beyond the tuned transponder's count
    // (or the count went unanswered).
    bool beyondCount(qint64 number);
    int timedOut();
    // One short exchange before a command's many: false when the receiver did not answer it,
    // so that a receiver gone costs one time-out, not one per step.
    bool answers();
    // The receiver does not answer as a terminal: says so; exit 1.
    int notATerminal();
    int listServices();

    LinkState &m_link;
    // The command's exchanges that went unanswered, since its first question.
    ExchangeTally m_tally;
    CtlSettings m_settings;
    Output &m_out;
    Protocol_MsSl m_driver;
};

// The list files of the DataFolder with their rows, and the first error of each bad one.
int ListFiles(const QString &programFolder, Output &out);
// Writes the position's list file in the DataFolder from a DVBv5 plan: the position from
// --position, else from the file's name (Hotbird-13.0E: 13.00E). Says what it changes; an
// existing list file is replaced only with `force`.
int ImportPlanFile(const QString &path, const QString &givenPosition, bool force,
                   const QString &programFolder, Output &out);
// Writes the position's list file as a DVBv5 plan on standard output (`format`: "dvbv5").
int ExportPlanFile(const QString &position, const QString &format, const QString &programFolder,
                   Output &out);
