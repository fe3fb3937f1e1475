#include "ctl/commands.h"

#include "ctl/configure.h"
#include "ctl/output.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_term.h"
#include "link/scanevents.h"
#include "link/scanresult.h"
#include "link/servicelist.h"
#include "link/statuslabels.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "platform/numbers.h"
#include "platform/qthost.h"
#include "platform/serialport.h"
#include "scan/position.h"
#include "scan/savescan.h"
#include "scan/scandiff.h"
#include "session/memoryscantree.h"
#include "session/scanestimate.h"
#include "session/scanrun.h"
#include "session/signalreading.h"
#include "session/survey.h"
#include "session/tuning.h"

#include <QDir>
#include <QRegularExpression>

int BadArguments(Output &out, const QString &text)
{
    out.error(text + QStringLiteral(" (see --help)"));
    return out.finish(Exit::BadArguments);
}

std::optional<qint64> WholeNumber(const QString &text, qint64 min, qint64 max)
{
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]{1,18}\\z"));
    if (!digits.match(text).hasMatch() || (min >= 0 && text.startsWith(QLatin1Char('-'))))
        return std::nullopt;
    const qint64 value = text.toLongLong();
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

QString TuneRefusal(const QString &frequency, const QString &polarisation, const QString &rate,
                    const QString &service, const CtlSettings &settings, CtlTuning *read)
{
    const QString pol = polarisation.toUpper();
    const auto khz = WholeNumber(frequency, 1, 99999999);
    if (!khz)
        return QStringLiteral("frequency %1 is not a whole number of kHz").arg(frequency);
    if (pol != QLatin1String("H") && pol != QLatin1String("V"))
        return QStringLiteral("polarisation %1 is neither H nor V").arg(polarisation);
    const auto kS = WholeNumber(rate, 1, 45000);
    if (!kS)
        return QStringLiteral("symbol rate %1 is not a whole number from 1 to 45000").arg(rate);
    const auto number = WholeNumber(service, 0, 255);
    if (!service.isEmpty() && !number)
        return ServiceRefusal(service);
    const quint8 band = settings.band;
    const QString name = band == 1 ? QStringLiteral("Ku") : QStringLiteral("L");
    const QString where = settings.bandGiven ? QStringLiteral("as --band says")
                                             : QStringLiteral("as kolvex7 is configured");
    const QString refusal = BandRefusal(band, frequency);
    if (!refusal.isEmpty())
        return refusal +
               QStringLiteral(" (the band is %1 %2: give --band %3)")
                   .arg(name, where, band == 1 ? QStringLiteral("L") : QStringLiteral("Ku"));
    // Beyond the LNB's band on either side nothing is received: never sent to the receiver.
    const SweepBand edges = SweepBand::of(band);
    if (double(*khz) < edges.first || double(*khz) > edges.end)
        return QStringLiteral("frequency %1 kHz is outside the %2 band, %3 to %4 kHz (the band "
                              "is %2 %5)")
            .arg(*khz)
            .arg(name)
            .arg(qint64(edges.first))
            .arg(qint64(edges.end))
            .arg(where);
    if (read) {
        read->transponder = {QString::number(*khz), pol, QString::number(*kS)};
        read->service = number ? std::optional<quint8>(quint8(*number)) : std::nullopt;
    }
    return QString();
}

QString ServiceRefusal(const QString &number)
{
    return QStringLiteral("service %1 is not a number from 0 to 255").arg(number);
}

QString CodeRefusal(const QString &code, const QString &value)
{
    // A command code as frames carry it: letters and digits only, so it cannot break the frame.
    static const QRegularExpression codeText(QStringLiteral("^[A-Za-z0-9]{1,8}\\z"));
    static const QRegularExpression valueText(QStringLiteral("^[\\x20-\\x7a|~]*\\z"));
    if (code.isEmpty())
        return QStringLiteral("the command code is empty");
    if (!codeText.match(code).hasMatch())
        return QStringLiteral("%1 is not a command code: 1 to 8 letters and digits").arg(code);
    if (!valueText.match(value).hasMatch())
        return QStringLiteral("the value of %1 holds \"{\", \"}\" or a control character")
            .arg(code);
    return QString();
}

QString AcceptedValues(const QString &code)
{
    // The values the driver itself sets.
    static const QMap<QString, QString> known{
        {QStringLiteral("LNin"), QStringLiteral("Ain, Bin")},
        {QStringLiteral("LNos"), QStringLiteral("UNVR, WIDE, UDSQ")},
        {QStringLiteral("LNBp"), QStringLiteral("18 (H), 14 (V)")},
        {QStringLiteral("Sfrq"), QStringLiteral("a rate in kS/s as 27500.00")},
        {QStringLiteral("Tfrq"), QStringLiteral("a frequency in kHz")},
        {QStringLiteral("Rstp"), QStringLiteral("a service number")},
        {QStringLiteral("AStp"), QStringLiteral("ON, OFF")},
        {QStringLiteral("Vnpd"), QStringLiteral("ON, OFF")},
        {QStringLiteral("Fend"), QStringLiteral("Bsrc, Null")}};
    return known.value(code);
}

QString ScanRefusal(const QString &position, const QString &rates, CtlScan *read)
{
    // The four defaults when none are given.
    QStringList kS = rates.isEmpty() ? DefaultScanRates() : QStringList();
    for (const QString &rate : rates.isEmpty() ? QStringList() : rates.split(QLatin1Char(','))) {
        const auto r = WholeNumber(rate, 1, 45000);
        if (!r)
            return QStringLiteral("symbol rate %1 is not a whole number from 1 to 45000").arg(rate);
        kS << QString::number(*r);
    }
    if (!IsPositionText(position))
        return QStringLiteral("position %1 is not like 13.00E or 30W").arg(position);
    bool completed = false;
    const QString normal = NormalisePosition(position, &completed);
    if (LeadingNumber(normal) > 180.0)
        return QStringLiteral("position %1 is beyond 180.00").arg(position);
    if (read)
        *read = {normal, kS};
    return QString();
}

namespace {

// Services as the driver lists them, for the result: "001 Name" lines and a JSON array.
struct CollectedServices : ServiceList
{
    QJsonArray entries;
    QStringList lines;
    void insertService(int, const QString &number, const QString &name) override
    {
        entries.append(QJsonObject{{QStringLiteral("number"), number.toInt()},
                                   {QStringLiteral("name"), name}});
        lines << number + QLatin1Char(' ') + name;
    }
};

// The scan's progress on standard error: the state as it changes, each frequency tried, and
// the sweep's share done, once a second, each with the time left of the whole run.
class ProgressLabels : public ScanEventsFanOut, public StatusLabels
{
public:
    ProgressLabels(Output &out, const LinkState &link)
        : m_status(*this), m_estimate(link), m_printer(out, link, *this)
    {
        listen(&m_status);
        listen(&m_estimate);
        listen(&m_printer);
    }
    ScanEstimate &estimate() { return m_estimate; }
    QString text(int index) const override { return m_texts[index]; }
    void setText(int index, const QString &text) override
    {
        if (index == 0 && !text.isEmpty() && m_texts[0] != text)
            m_printer.out.progress(text);
        m_texts[index] = text;
    }

private:
    struct Printer : ScanEvents
    {
        Printer(Output &o, const LinkState &l, ProgressLabels &p) : out(o), link(l), labels(p) {}
        QString left() const { return labels.m_estimate.leftText(); }
        void sweepStep(const QString &pol, double frequency, std::optional<double>,
                       std::optional<double>) override
        {
            const quint64 now = link.host.elapsedUs();
            if (now - lastUs < 1000000)
                return;
            lastUs = now;
            const SweepBand band = SweepBand::of(link.Bnd);
            const int share = int(100 * (frequency - band.first) / (band.end - band.first));
            out.progress(QStringLiteral("sweep %1: %2%, %3").arg(pol).arg(share).arg(left()));
        }
        void sweepCut(const QString &pol, const QString &frequency) override
        {
            out.progress(QStringLiteral("no tuning at ") + frequency + QStringLiteral(" (") + pol +
                         QStringLiteral("): the rest of the band was not swept"));
        }
        void testStarted(const QString &, const QString &frequency, const QString &rate) override
        {
            out.progress(QStringLiteral("testing %1 at %2, %3").arg(frequency, rate, left()));
        }
        Output &out;
        const LinkState &link;
        ProgressLabels &labels;
        quint64 lastUs = 0;
    };

    ScanStatus m_status;
    ScanEstimate m_estimate;
    Printer m_printer;
    QString m_texts[5];
};

} // namespace

Commands::Commands(LinkState &link, const CtlSettings &settings, Output &out)
    : m_link(link), m_tally(link), m_settings(settings), m_out(out), m_driver(link)
{
    m_driver.setAdr(settings.address);
    m_link.run.start();
}

bool Commands::answers()
{
    m_tally.clear();
    m_driver.GetVersion();
    return !m_tally.unanswered();
}

int Commands::timedOut()
{
    // A port that went away is no silent receiver: the line itself is gone.
    if (m_link.portLost()) {
        const QString said = m_link.MSComm.lostReason();
        m_out.error(QStringLiteral("port %1 was lost while the receiver was being asked")
                        .arg(m_settings.portName) +
                    (said.isEmpty() ? QString()
                                    : QStringLiteral(": the server said \"%1\" (another "
                                                     "connection holds its device)")
                                          .arg(said)));
        return m_out.finish(Exit::PortUnavailable);
    }
    m_out.error(QStringLiteral("no reply from the receiver at address %1 on port %2")
                    .arg(m_settings.address)
                    .arg(m_settings.portName));
    return m_out.finish(Exit::TimeOut);
}

Commands::Place Commands::place()
{
    const QString polarisation = m_driver.GetLNBPolar(), frequency = m_driver.GetFrequency();
    const QString rate = m_driver.GetSpeed();
    return {polarisation, frequency, rate, m_driver.GetServiceSelected()};
}

int Commands::setBack(const Place &before, const QString &what)
{
    m_out.error(QStringLiteral("stopped: %1; the receiver is set back to %2 %3 %4, service %5")
                    .arg(what, before.frequency, before.polarisation, before.rate, before.service));
    m_driver.SetLNBPolar(before.polarisation);
    m_driver.SetFrequency(before.frequency);
    m_driver.SetSpeed(before.rate);
    m_driver.SetService(before.service);
    return m_out.finish(Exit::Failed);
}

bool Commands::beyondCount(qint64 number)
{
    // A number beyond the services of the tuned transponder would select nothing: it is
    // refused before it is sent. The count is known only on a locked transponder.
    const qint16 count = m_driver.GetServiceNumber();
    if (m_tally.unanswered())
        return true;
    if (count <= 0 || number <= count)
        return false;
    m_out.error(QStringLiteral("service %1 is beyond the %2 services of the tuned transponder")
                    .arg(number)
                    .arg(count));
    return true;
}

int Commands::status()
{
    // Queries only: nothing on the receiver changes.
    m_driver.GetVersion();
    if (m_tally.unanswered()) {
        // A receiver in terminal mode does not answer frames; it answers the terminal probe.
        Protocol_Term term(m_link);
        if (!term.InTerminalMode())
            return timedOut();
        m_out.field(QStringLiteral("mode"), QStringLiteral("terminal"));
        return m_out.finish(Exit::Ok);
    }
    m_out.field(QStringLiteral("mode"), QStringLiteral("master/slave"));
    // Each value as the receiver gave it; one it left unanswered is not read (null in JSON), never
    // a value made up, and the status then tells the time-out.
    bool unread = false;
    auto reading = [&](const char *name, const std::function<QJsonValue()> &read) {
        const ExchangeTally tally(m_link);
        const QJsonValue value = read();
        const bool lost = tally.unanswered();
        unread = unread || lost;
        m_out.field(QLatin1String(name), lost ? QJsonValue(QJsonValue::Null) : value,
                    lost             ? QStringLiteral("not read")
                    : value.isNull() ? QStringLiteral("none")
                                     : QString());
    };
    reading("frequency", [&] { return m_driver.GetFrequency().toLongLong(); });
    reading("polarisation", [&] { return m_driver.GetLNBPolar(); });
    reading("symbol_rate", [&] { return m_driver.GetSpeed().toDouble(); });
    reading("lnb_type", [&] { return LnbTypeName(m_driver.GetLNBType()); });
    reading("lnb_input", [&] {
        const quint8 input = m_driver.GetLNBInput();
        return QString::fromLatin1(input == 0 ? "A" : input == 1 ? "B" : "unknown");
    });
    reading("service", [&] { return m_driver.GetServiceSelected().toInt(); });
    reading("locked", [&] { return m_driver.GetLock(); });
    // The signal: none without one (no signal, no lock) is null too, and said "none".
    const auto figure = [](const auto &value) {
        return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
    };
    reading("level_dbm", [&] { return figure(SignalFigure(m_driver.GetLevel())); });
    reading("margin_db", [&] { return figure(SignalFigure(m_driver.GetMargin())); });
    reading("quality", [&] { return figure(QualityFigure(m_driver.GetQuality())); });
    return unread ? timedOut() : m_out.finish(Exit::Ok);
}

int Commands::tune(const CtlTuning &tuning)
{
    const TuningRequest &t = tuning.transponder;
    if (!answers())
        return timedOut();
    const Place before = place();
    if (m_tally.unanswered())
        return timedOut();
    CollectedServices services;
    m_out.progress(
        QStringLiteral("tuning %1 %2 %3").arg(t.frequency, t.polarisation, t.symbolRate));
    const TuningOutcome outcome =
        Tune(m_driver, m_settings.lnbType, t, services, [this](const QString &text) {
            // Its outcome comes with the result; "No error" is
            // no news.
            if (text != QLatin1String("Status: No error"))
                m_out.progress(text.mid(8).toLower());
        });
    if (outcome.timedOut)
        return timedOut();
    if (!outcome.accepted) {
        m_out.error(QStringLiteral("the receiver refused a setting"));
        return m_out.finish(Exit::Refused);
    }
    // A lock query left unanswered says nothing of the lock: the receiver is gone.
    if (!outcome.locked && m_tally.unanswered())
        return timedOut();
    if (m_link.run.stopped())
        return setBack(before, QStringLiteral("the tuning was interrupted"));
    m_out.field(QStringLiteral("locked"), outcome.locked);
    if (!outcome.locked)
        return m_out.finish(Exit::NoLock);
    if (const std::optional<quint8> s = tuning.service) {
        if (beyondCount(*s))
            return m_tally.unanswered() ? timedOut() : m_out.finish(Exit::Refused);
        m_driver.SetServiceNum(*s);
        m_out.field(QStringLiteral("service"), int(*s));
    }
    m_out.list(QStringLiteral("services"), services.entries, services.lines);
    return m_tally.unanswered() ? timedOut() : m_out.finish(Exit::Ok);
}

int Commands::services()
{
    return answers() ? listServices() : timedOut();
}

int Commands::listServices()
{
    CollectedServices services;
    m_driver.GetServiceName(services);
    if (m_tally.unanswered())
        return timedOut();
    m_out.list(QStringLiteral("services"), services.entries, services.lines);
    return m_out.finish(Exit::Ok);
}

int Commands::service(quint8 number)
{
    if (!answers())
        return timedOut();
    if (beyondCount(number))
        return m_tally.unanswered() ? timedOut() : m_out.finish(Exit::Refused);
    m_driver.SetServiceNum(number);
    const QString name = m_driver.GetService(number);
    if (m_tally.unanswered())
        return timedOut();
    m_out.field(QStringLiteral("service"), int(number));
    m_out.field(QStringLiteral("name"), name);
    return m_out.finish(Exit::Ok);
}

int Commands::query(const QString &code)
{
    return set(code, QStringLiteral("?"));
}

int Commands::set(const QString &code, const QString &value)
{
    const LinkOperation op(m_link, value == QLatin1String("?") ? "query" : "set");
    const Protocol::Reply answer =
        Protocol::Ask(m_link, m_settings.address, code.toLatin1(), value.toLatin1());
    if (!answer.answered())
        return timedOut();
    const QByteArray &reply = answer.value;
    m_out.field(QStringLiteral("reply"), QString::fromLatin1(reply));
    // The receiver answers a code it does not know, or a value it refuses, with "Uk".
    const bool refused = reply == "Uk" || (value != QLatin1String("?") && reply != "OK");
    if (refused) {
        const QString accepted = AcceptedValues(code);
        m_out.error(QStringLiteral("%1 refused by the receiver").arg(code) +
                    (accepted.isEmpty() ? QString() : QStringLiteral("; it takes ") + accepted));
    }
    return m_out.finish(refused ? Exit::Refused : Exit::Ok);
}

int Commands::scan(const CtlScan &scan, const QString &programFolder, bool save, bool guided)
{
    const QString &pos = scan.position;
    const QStringList &rateList = scan.rates;
    if (!answers())
        return timedOut();
    const Place before = place();
    if (m_tally.unanswered())
        return timedOut();

    MemoryScanTree tree;
    ProgressLabels labels(m_out, m_link);
    ScanTries tries;
    labels.listen(&tries);
    m_link.Bnd = m_settings.band;
    const ScanGuide guide{StoredList(programFolder, pos).value_or(QList<TransponderEntry>()),
                          guided};
    labels.estimate().start(true, m_settings.band, rateList, {}, guide);
    RunScan(m_driver, rateList, labels, tree, m_link.run, guide);

    const ScanResult result = ScanResult::of(tree, &tries);
    QJsonArray found;
    QStringList lines;
    for (const ScannedTransponder &t : result.transponders) {
        QJsonObject tp{{QStringLiteral("frequency"), t.frequency.toLongLong()},
                       {QStringLiteral("polarisation"), t.polarisation}};
        QString line = t.text();
        if (t.identified())
            tp.insert(QStringLiteral("symbol_rate"), t.rate.toDouble());
        if (!t.margin.isEmpty()) {
            tp.insert(QStringLiteral("margin"), t.margin.toDouble());
            line += QStringLiteral(" margin ") + t.margin;
        }
        if (!t.identified()) {
            tp.insert(QStringLiteral("not_identified"), t.whyNot);
            line += QStringLiteral(" (") + t.whyNot + QLatin1Char(')');
        }
        QJsonArray services;
        QStringList serviceLines;
        for (const QString &label : t.services) {
            const ServiceLabel service = ServiceLabel::of(label);
            services.append(QJsonObject{{QStringLiteral("number"), service.number.toInt()},
                                        {QStringLiteral("name"), service.name}});
            serviceLines << QStringLiteral("  ") + service.number + QLatin1Char(' ') + service.name;
        }
        tp.insert(QStringLiteral("services"), services);
        found.append(tp);
        lines << line << serviceLines;
    }
    m_out.field(QStringLiteral("position"), pos);
    m_out.list(QStringLiteral("transponders"), found, lines);
    listedNotIdentified(CompareWithList(result, programFolder, pos, tries.swept(), &tries));
    const QString lost = ReceiverLostText(m_link);
    if (!lost.isEmpty()) {
        m_out.error(lost + QStringLiteral(" The scan was stopped: what was found so far is "
                                          "listed, nothing is saved."));
        return m_out.finish(m_link.portLost() ? Exit::PortUnavailable : Exit::TimeOut);
    }
    if (m_link.run.stopped())
        return setBack(before, QStringLiteral("what was found so far is listed, nothing is saved"));
    QStringList written;
    const QStringList lacked = save ? StoredNotSaved(result, programFolder, pos) : QStringList();
    if (!lacked.isEmpty()) {
        m_out.progress(QStringLiteral("the list written lacks %1 transponder(s) of the stored "
                                      "list %2: %3")
                           .arg(lacked.size())
                           .arg(StoredListPath(programFolder, pos))
                           .arg(lacked.join(QStringLiteral(", "))));
        m_out.list(QStringLiteral("lacked"), QJsonArray::fromStringList(lacked), {});
    }
    if (save && !SaveScan(result, pos, programFolder, m_link.host, labels, &written)) {
        m_out.error(QStringLiteral("nothing saved"));
        return m_out.finish(Exit::NotSaved);
    }
    if (save)
        m_out.list(QStringLiteral("written"), QJsonArray::fromStringList(written), written);
    return m_out.finish(Exit::Ok);
}

// Each transponder of the stored list the scan did not identify, and why not.
void Commands::listedNotIdentified(const ScanDiff &diff)
{
    if (!diff.compared)
        return;
    QJsonArray missed;
    QStringList lines;
    for (const ScanDiff::Miss &m : diff.notIdentified) {
        missed.append(QJsonObject{{QStringLiteral("frequency"), m.khz},
                                  {QStringLiteral("polarisation"), m.pol},
                                  {QStringLiteral("symbol_rate"), m.rate.toDouble()},
                                  {QStringLiteral("found"), m.found},
                                  {QStringLiteral("why"), m.why}});
        lines << QStringLiteral("listed %1 %2 %3 not identified: %4")
                     .arg(m.khz)
                     .arg(m.pol, m.rate, m.why);
    }
    m_out.list(QStringLiteral("listed_not_identified"), missed, lines);
}

int Commands::survey()
{
    QJsonArray found;
    QStringList lines;
    const QList<SurveyHit> hits = Survey(m_link, m_link.Spd, [this](int address) {
        if (address % 64 == 0)
            m_out.progress(
                QStringLiteral("asking addresses %1 to %2").arg(address).arg(address + 63));
    });
    for (const SurveyHit &hit : hits) {
        const QJsonValue unread(QJsonValue::Null);
        found.append(QJsonObject{
            {QStringLiteral("address"), hit.address},
            {QStringLiteral("mode"), QStringLiteral("master/slave")},
            {QStringLiteral("frequency"), hit.frequency ? hit.frequency->toLongLong() : unread},
            {QStringLiteral("locked"), hit.locked ? *hit.locked : unread}});
        lines << QStringLiteral("%1: master/slave, %2").arg(hit.address).arg(hit.tuningText());
    }
    m_out.list(QStringLiteral("receivers"), found, lines);
    if (m_link.portLost())
        return timedOut();
    if (m_link.run.stopped()) {
        m_out.error(QStringLiteral("stopped: the receivers found so far are listed"));
        return m_out.finish(Exit::Failed);
    }
    if (found.isEmpty())
        m_out.error(QStringLiteral("no receiver answered on port %1").arg(m_settings.portName));
    const bool unread = std::any_of(hits.cbegin(), hits.cend(), [](const SurveyHit &hit) {
        return !hit.frequency || !hit.locked;
    });
    if (unread)
        m_out.error(QStringLiteral("a receiver left its frequency or lock unanswered (not read)"));
    return m_out.finish(found.isEmpty() || unread ? Exit::TimeOut : Exit::Ok);
}

int ListFiles(const QString &programFolder, Output &out)
{
    const QString folder = DataFolder(programFolder);
    QJsonArray files;
    QStringList lines;
    bool bad = false;
    for (const QString &name : ListFileNames(folder)) {
        const ListFileResult r = ReadListFile(folder, name);
        QJsonArray entries;
        QStringList rows;
        for (const TransponderEntry &e : r.entries) {
            entries.append(QJsonObject{{QStringLiteral("frequency"), e.frequency.toLongLong()},
                                       {QStringLiteral("polarisation"), e.polarisation},
                                       {QStringLiteral("symbol_rate"), e.symbolRate.toDouble()}});
            rows << QStringLiteral("  %1 %2 %3").arg(e.frequency, e.polarisation, e.symbolRate);
        }
        QJsonObject file{{QStringLiteral("file"), name},
                         {QStringLiteral("rows"), r.rows},
                         {QStringLiteral("transponders"), entries}};
        QString line = name + QStringLiteral(": ") + QString::number(r.rows) +
                       (r.rows == 1 ? QStringLiteral(" row") : QStringLiteral(" rows"));
        if (!r.opened || r.errorLine > 0) {
            bad = true;
            const QString error = !r.error.isEmpty() ? r.error : QStringLiteral("cannot be read");
            file.insert(QStringLiteral("error"), error);
            if (r.errorLine > 0)
                file.insert(QStringLiteral("line"), r.errorLine);
            line += r.errorLine > 0
                        ? QStringLiteral(", then line %1: %2").arg(r.errorLine).arg(error)
                        : QStringLiteral(", ") + error;
        }
        files.append(file);
        lines << line << rows;
    }
    out.field(QStringLiteral("folder"), QDir::toNativeSeparators(folder));
    out.list(QStringLiteral("files"), files, lines);
    return out.finish(bad ? Exit::BadListFile : Exit::Ok);
}
