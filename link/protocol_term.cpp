#include "link/protocol_term.h"

#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/textdisplay.h"
#include "platform/host.h"
#include "platform/numbers.h"

#include <cmath>
#include <optional>

namespace {
// How the receiver's band scan printout reports a lock, followed by the frequency.
const QByteArray kLockedReport = QByteArrayLiteral("FREQUENCY SCAN LOCKED AT ");

// The frequency of the lock report that starts at `at` in the printout: what follows its words,
// up to the line's end and 8 characters at most; none when no report starts there.
std::optional<QString> lockReportAt(const QByteArray &text, qsizetype at)
{
    if (at < 0 || text.indexOf(kLockedReport, at) != at)
        return std::nullopt;
    QByteArray frequency = text.mid(at + kLockedReport.size(), 8);
    const qsizetype end = frequency.indexOf('\r');
    if (end >= 0)
        frequency.truncate(end);
    return QString::fromLatin1(frequency);
}

} // namespace

Protocol_Term::Protocol_Term(LinkState &link) : m_link(link) {}

TermScanReport ParseScanReport(const QByteArray &R)
{
    TermScanReport r;
    const int p = int(R.indexOf(" Khz")) + 1;
    r.hasPassed = p > 9;
    if (r.hasPassed)
        r.passed = QString::fromLatin1(R.mid(p - 9, 8));
    const std::optional<QString> locked = lockReportAt(R, R.indexOf(kLockedReport));
    r.hasLocked = locked.has_value();
    r.locked = locked.value_or(QString());
    r.end = R.contains("FREQUENCY SCAN END.");
    return r;
}

QByteArray Protocol_Term::Hex(double value)
{
    // nearbyint rounds in the current rounding mode, to nearest with halves to even.
    const double whole = std::nearbyint(value);
    // The receiver takes 32-bit values; anything else (negative, too large, not a number) has
    // no hexadecimal form and is refused.
    if (!(whole >= 0 && whole <= 4294967295.0))
        return QByteArray();
    return QByteArray::number(quint64(whole), 16).toUpper();
}

bool Protocol_Term::command(const QByteArray &line)
{
    Protocol::TermSend(m_link, line);
    m_link.host.sleep(100);
    return Protocol::TermRead(m_link).isEmpty();
}

QByteArray Protocol_Term::probe()
{
    Protocol::TermSend(m_link, "H");
    m_link.host.sleep(100);
    return Protocol::TermRead(m_link);
}

bool Protocol_Term::InTerminalMode()
{
    const LinkOperation op(m_link, __func__);
    // An empty line first ends whatever text the receiver holds (a frame it took for text).
    Protocol::TermSend(m_link, QByteArray());
    m_link.host.sleep(100);
    Protocol::FlushInput(m_link);
    return probe().contains("HELP");
}

bool Protocol_Term::InitIRD()
{
    const LinkOperation op(m_link, __func__);
    if (probe().contains("HELP"))
        return true;
    Protocol::SendSet(m_link, Adr, "Trpr", "Trml");
    m_link.host.sleep(400);
    return probe().contains("HELP");
}

bool Protocol_Term::SetLNBInput(quint8 Inp)
{
    const LinkOperation op(m_link, __func__);
    return command(QByteArray("FEND LNBS ") + (Inp == 0 ? "INA" : Inp == 1 ? "INB" : ""));
}

bool Protocol_Term::SetLNBType(quint8 Inp)
{
    const LinkOperation op(m_link, __func__);
    return command(QByteArray("FEND LNOS ") + (Inp < 3 ? kLnbTypeNames[Inp] : ""));
}

bool Protocol_Term::SetLNBPolar(const QString &Inp)
{
    const LinkOperation op(m_link, __func__);
    if (Inp == QLatin1String("V"))
        return command("FEND LNBP 0E");
    if (Inp == QLatin1String("H"))
        return command("FEND LNBP 12");
    return false; // nothing sent, so nothing was set
}

bool Protocol_Term::SetSpeed(const QString &Inp)
{
    const LinkOperation op(m_link, __func__);
    const QByteArray rate = Hex(LeadingNumber(Inp) / 10.0);
    return !rate.isEmpty() && command("FEND SYMR " + rate);
}

bool Protocol_Term::SetFrequencyNum(double Inp)
{
    const LinkOperation op(m_link, __func__);
    return SetFrequency(QString::number(Inp, 'g', 15));
}

bool Protocol_Term::SetFrequency(const QString &Inp)
{
    const LinkOperation op(m_link, __func__);
    const QByteArray frequency = Hex(LeadingNumber(Inp));
    return !frequency.isEmpty() && command("FEND TUNF " + frequency);
}

bool Protocol_Term::RunScanLocal_(const QString &Pol, TextDisplay &Display, bool &Run)
{
    const LinkOperation op(m_link, "RunScanLocal");
    Host &host = m_link.host;
    const QString scan = QStringLiteral("Scan: ");
    SetLNBPolar(Pol);
    Protocol::TermSend(m_link, "RDMX");
    host.sleep(400);
    Protocol::TermRead(m_link);
    Protocol::TermSend(m_link, "FEND TUNF 00A344E0");
    host.sleep(100);
    Protocol::TermRead(m_link);
    // Every lock the printout tells, line by line across the reads: a read may hold several
    // reports, or end in the middle of one. The first reports come with the scan's start.
    QByteArray pending;
    auto tellLocks = [&](const QByteArray &R) {
        pending += R;
        for (qsizetype cut; (cut = pending.indexOf("\r\n")) >= 0; pending.remove(0, cut + 2)) {
            if (const std::optional<QString> locked = lockReportAt(pending.left(cut), 0))
                Display.locked(*locked);
        }
    };
    Protocol::TermSend(m_link, "FEND TUNF BSCN");
    host.sleep(100);
    tellLocks(Protocol::TermRead(m_link));
    Display.setText(scan + QStringLiteral("started"));

    static const char spinner[4] = {'|', '/', '-', '\\'};
    int counter = 0;
    bool reportSeen = false;
    quint32 lastHeard = host.tickCount();
    for (;;) {
        const QByteArray R = Protocol::TermRead(m_link);
        tellLocks(R);
        counter = (counter + 1) % 4;
        if (R.isEmpty() && !reportSeen) {
            Display.setText(scan + QStringLiteral("     ") + QLatin1Char(spinner[counter]));
        } else {
            const TermScanReport report = ParseScanReport(R);
            if (report.hasPassed) {
                reportSeen = true;
                Display.setText(scan + QLatin1Char(' ') + report.passed);
            }
            if (report.hasLocked) {
                reportSeen = true;
                Display.setText(scan + QLatin1Char(' ') + report.locked +
                                QStringLiteral(" Locked"));
            }
            if (report.end) {
                Protocol::FlushInput(m_link);
                Display.setText(scan + QStringLiteral(" done"));
                Display.ended(TextDisplay::End::Done);
                return false;
            }
        }
        if (!R.isEmpty())
            lastHeard = host.tickCount();
        if (!Run) {
            Display.setText(scan + QStringLiteral(" stopped"));
            Display.ended(TextDisplay::End::Stopped);
            return false;
        }
        if (quint32(host.tickCount() - lastHeard) >= quint32(kSilenceMs)) {
            Display.setText(scan + QStringLiteral(" no report from the receiver"));
            Display.ended(TextDisplay::End::Silent);
            return false;
        }
        host.sleep(150);
        host.doEvents();
    }
}

bool Protocol_Term::GetLock()
{
    const LinkOperation op(m_link, __func__);
    return Protocol::SendQuery(m_link, Adr, "Bst") == "OK";
}
