// The commands of kolvex7-ctl for a receiver in terminal mode: the terminal driver's setters,
// and the receiver's own band scan. The receiver's state cannot be read in this mode, so a
// tuning reports what was set, not a lock.

#include "ctl/commands.h"
#include "ctl/output.h"
#include "link/linkstate.h"
#include "link/protocol_term.h"
#include "link/textdisplay.h"
#include "platform/host.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// The band scan's progress on standard error, at most once a second, and its locks.
class ScanProgress : public TextDisplay
{
public:
    ScanProgress(Output &out, const LinkState &link) : m_out(out), m_link(link) {}
    QString polarisation;
    QJsonArray found;
    QStringList lines;
    End end = End::Done;

    void setText(const QString &text) override
    {
        const quint64 now = m_link.host.elapsedUs();
        if (now - m_lastUs < 1000000)
            return;
        m_lastUs = now;
        m_out.progress(polarisation + QLatin1Char(' ') + text.toLower());
    }
    void locked(const QString &frequency) override
    {
        found.append(QJsonObject{{QStringLiteral("polarisation"), polarisation},
                                 {QStringLiteral("frequency"), frequency.toLongLong()}});
        lines << polarisation + QLatin1Char(' ') + QString::number(frequency.toLongLong());
    }
    void ended(End how) override { end = how; }

private:
    Output &m_out;
    const LinkState &m_link;
    quint64 m_lastUs = 0;
};

} // namespace

int Commands::notATerminal()
{
    m_out.error(QStringLiteral("the receiver on port %1 does not answer as a terminal: it is in "
                               "master/slave mode (then leave out --terminal) or silent")
                    .arg(m_settings.portName));
    return m_out.finish(Exit::Failed);
}

int Commands::terminalTune(const TuningRequest &transponder)
{
    const QString &frequency = transponder.frequency, &rate = transponder.symbolRate;
    Protocol_Term term(m_link);
    if (!term.InTerminalMode())
        return notATerminal();
    const QString &pol = transponder.polarisation;
    // In the order of a tuning; the first the receiver answers with a text is refused.
    const QList<std::pair<const char *, std::function<bool()>>> steps{
        {"LNB type", [&] { return term.SetLNBType(m_settings.lnbType); }},
        {"polarisation", [&] { return term.SetLNBPolar(pol); }},
        {"symbol rate", [&] { return term.SetSpeed(rate); }},
        {"frequency", [&] { return term.SetFrequency(frequency); }}};
    for (const auto &[what, set] : steps) {
        if (!set()) {
            m_out.error(QStringLiteral("the receiver refused the %1").arg(QLatin1String(what)));
            return m_link.portLost() ? timedOut() : m_out.finish(Exit::Refused);
        }
    }
    m_out.field(QStringLiteral("frequency"), frequency.toLongLong());
    m_out.field(QStringLiteral("polarisation"), pol);
    m_out.field(QStringLiteral("symbol_rate"), rate.toDouble());
    m_out.field(QStringLiteral("locked"), QStringLiteral("unknown"),
                QStringLiteral("unknown (terminal mode)"));
    return m_out.finish(Exit::Ok);
}

int Commands::terminalScan()
{
    Protocol_Term term(m_link);
    if (!term.InTerminalMode())
        return notATerminal();
    ScanProgress progress(m_out, m_link);
    for (const QString &pol : {QStringLiteral("V"), QStringLiteral("H")}) {
        progress.polarisation = pol;
        term.RunScanLocal_(pol, progress, m_link.run.Run);
        if (progress.end != TextDisplay::End::Done || m_link.portLost())
            break;
    }
    m_out.list(QStringLiteral("locked"), progress.found, progress.lines);
    if (m_link.portLost() || progress.end == TextDisplay::End::Silent)
        return timedOut();
    if (progress.end == TextDisplay::End::Stopped) {
        m_out.error(QStringLiteral("stopped: the locks reported so far are listed"));
        return m_out.finish(Exit::Failed);
    }
    return m_out.finish(Exit::Ok);
}
