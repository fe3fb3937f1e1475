#include "link/protocol_mssl.h"

#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/servicelist.h"
#include "platform/host.h"
#include "platform/numbers.h"

namespace {

const char *const kInputs[] = {"Ain", "Bin"};

template <size_t N> quint8 indexOf(const char *const (&table)[N], const QByteArray &reply)
{
    for (size_t i = 0; i < N; ++i) {
        if (reply == table[i])
            return quint8(i);
    }
    return 255;
}

} // namespace

Protocol_MsSl::Protocol_MsSl(LinkState &link) : m_link(link) {}

// Once a run's receiver counts as lost, nothing more is sent in that run: each exchange would
// only wait out its time-out.
bool Protocol_MsSl::lostInRun()
{
    if (!m_run || !m_link.receiverLost())
        return false;
    m_link.Eto = true;
    m_link.recordUnsent();
    return true;
}

QByteArray Protocol_MsSl::query(const QByteArray &code)
{
    if (lostInRun())
        return {};
    const QByteArray reply = Protocol::SendQuery(m_link, Adr, code);
    stopIfLost();
    return reply;
}

bool Protocol_MsSl::set(const QByteArray &code, const QByteArray &value)
{
    if (lostInRun())
        return false;
    const bool ok = Protocol::SendSet(m_link, Adr, code, value);
    stopIfLost();
    return ok;
}

void Protocol_MsSl::stopIfLost()
{
    if (m_run && m_link.receiverLost())
        *m_run = false;
}

bool Protocol_MsSl::queryThenSet(const QByteArray &code, const QByteArray &wanted)
{
    // A query that timed out leaves `current` empty, so the set is then sent anyway.
    const QByteArray current = query(code);
    if (current == wanted)
        return true;
    return set(code, wanted);
}

void Protocol_MsSl::Wait(qint16 Val)
{
    const LinkBusy busy(m_link);
    Host &host = m_link.host;
    WaitStart = qint32(host.tickCount());
    host.doEvents();
    // The difference of two tick counts, taken modulo 2^32, stays right across a wrap. The loop
    // sleeps until an event or the deadline instead of spinning: a click, a timer or a reply
    // is still handled as it comes, and the wait costs no CPU.
    for (;;) {
        const qint64 passed = qint64(quint32(host.tickCount() - quint32(WaitStart)));
        if (passed >= qint64(Val))
            break;
        host.waitEvents(int(qint64(Val) - passed));
    }
}

bool Protocol_MsSl::InitIRD()
{
    const LinkOperation op(m_link, __func__);
    Protocol::FlushInput(m_link);
    QByteArray v = query("Usvr");
    if (!v.contains("Uk") && !v.contains("SP")) {
        // Not in master/slave mode (or not answering): switch the command protocol over the
        // terminal interface and ask again, this time with the code "Usrv".
        Protocol::TermSend(m_link, "");
        Protocol::TermSend(m_link, "CNFG CNPR MSLV");
        for (int i = 0; i < 2; ++i) {
            m_link.host.doEvents();
            m_link.host.sleep(200);
        }
        v = query("Usrv");
        if (!v.contains("Uk") && !v.contains("SP"))
            return false;
    }
    // Receiver defaults; a refusal does not make the initialisation fail.
    set("IQP", "Auto");
    set("Dsmd", "Auto");
    set("Rlof", "Auto");
    set("Vitr", "Auto");
    set("Pstu", "Auto");
    set("Srpd", "Psi");
    set("Sstp", "11");
    Wait(100);
    return true;
}

quint8 Protocol_MsSl::GetLNBInput()
{
    const LinkOperation op(m_link, __func__);
    return indexOf(kInputs, query("LNin"));
}

bool Protocol_MsSl::SetLNBInput(quint8 Inp)
{
    const LinkOperation op(m_link, __func__);
    if (Inp > 1)
        return false; // no receiver value for it: nothing is sent
    return queryThenSet("LNin", kInputs[Inp]);
}

quint8 Protocol_MsSl::GetLNBType()
{
    const LinkOperation op(m_link, __func__);
    return indexOf(kLnbTypeNames, query("LNos"));
}

bool Protocol_MsSl::SetLNBType(quint8 Inp)
{
    const LinkOperation op(m_link, __func__);
    if (Inp > 2)
        return false;
    const QByteArray wanted = kLnbTypeNames[Inp];
    const QByteArray current = query("LNos");
    if (current == wanted)
        return true;
    const bool result = set("LNos", wanted);
    // The receiver needs time to re-power the LNB after a type change, accepted or not.
    Wait(500);
    return result;
}

QString Protocol_MsSl::GetLNBPolar()
{
    const LinkOperation op(m_link, __func__);
    const QByteArray v = query("LNBp");
    if (v == "18")
        return QStringLiteral("H");
    if (v == "14")
        return QStringLiteral("V");
    return QStringLiteral("?");
}

bool Protocol_MsSl::SetLNBPolar(const QString &Inp)
{
    const LinkOperation op(m_link, __func__);
    if (Inp == QLatin1String("H"))
        return queryThenSet("LNBp", "18");
    if (Inp == QLatin1String("V"))
        return queryThenSet("LNBp", "14");
    return false;
}

QString Protocol_MsSl::GetSpeed()
{
    const LinkOperation op(m_link, __func__);
    const QByteArray v = query("Sfrq");
    const int dot = int(v.indexOf('.'));
    // A reply without "." (the empty reply of a time-out included) is returned whole.
    return QString::fromLatin1(dot < 0 ? v : v.left(dot));
}

QByteArray Protocol_MsSl::SpeedText(const QString &Inp)
{
    return QString::asprintf("%08.2f", LeadingNumber(Inp)).toLatin1();
}

bool Protocol_MsSl::SetSpeed(const QString &Inp)
{
    const LinkOperation op(m_link, __func__);
    return queryThenSet("Sfrq", SpeedText(Inp));
}

QString Protocol_MsSl::GetVersion()
{
    const LinkOperation op(m_link, __func__);
    return QString::fromLatin1(query("Usvr"));
}

QString Protocol_MsSl::GetServiceSelected()
{
    const LinkOperation op(m_link, __func__);
    return QString::fromLatin1(query("Rstp"));
}

bool Protocol_MsSl::GetLock()
{
    const LinkOperation op(m_link, __func__);
    return query("Bst") == "OK";
}

QString Protocol_MsSl::GetLevel()
{
    const LinkOperation op(m_link, __func__);
    return QString::fromLatin1(query("Slvl"));
}

QString Protocol_MsSl::GetMargin()
{
    const LinkOperation op(m_link, __func__);
    return QString::fromLatin1(query("Lnmr"));
}

QString Protocol_MsSl::GetQuality()
{
    const LinkOperation op(m_link, __func__);
    return QString::fromLatin1(query("Sigq"));
}

QString Protocol_MsSl::GetFrequency()
{
    const LinkOperation op(m_link, __func__);
    return QString::fromLatin1(query("Tfrq"));
}

bool Protocol_MsSl::SetFrequencyNum(double Inp)
{
    const LinkOperation op(m_link, __func__);
    return SetFrequency(QString::number(Inp, 'g', 15));
}

bool Protocol_MsSl::SetFrequency(const QString &Inp)
{
    const LinkOperation op(m_link, __func__);
    return set("Tfrq", Inp.toLatin1());
}

bool Protocol_MsSl::SetServiceNum(quint8 Svc)
{
    const LinkOperation op(m_link, __func__);
    return SetService(QString::number(Svc));
}

QString Protocol_MsSl::GetService(quint8 Svc)
{
    const LinkOperation op(m_link, __func__);
    set("Snam", QByteArray::number(Svc));
    return QString::fromLatin1(query("Snam"));
}

bool Protocol_MsSl::SetService(const QString &Svc)
{
    const LinkOperation op(m_link, __func__);
    // The exchange runs in full (a time-out sets Eto); whether the receiver said "OK" is not used.
    set("Rstp", Svc.toLatin1());
    return true;
}

qint16 Protocol_MsSl::GetServiceNumber()
{
    const LinkOperation op(m_link, __func__);
    set("Snam", "257");
    const QByteArray rep = query("Snam");
    const int p = int(rep.indexOf("Srvc_Mx"));
    if (p < 0)
        return 0;
    // The marker and the one separator after it are skipped. A count that is not a whole
    // number from 0 to 32767 is read as far as it is one, and held to that range.
    const double n = LeadingNumber(QString::fromLatin1(rep.mid(p + 8)));
    if (!(n > 0))
        return 0;
    return qint16(qMin(n, 32767.0));
}

void Protocol_MsSl::GetServiceName(ServiceList &List)
{
    const LinkOperation op(m_link, __func__);
    const qint16 n = GetServiceNumber();
    int k = 1;
    for (int i = 1; i <= n; ++i) {
        set("Snam", QByteArray::number(i));
        const QByteArray name = query("Snam");
        // A name the receiver has not learnt yet reads "Service:..."; it is not listed.
        if (name.startsWith("Service:"))
            continue;
        List.insertService(k, QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')),
                           QString::fromLatin1(name));
        ++k;
        m_link.host.doEvents();
    }
}

const QList<QByteArray> &Protocol_MsSl::Catalogue()
{
    static const QList<QByteArray> codes{
        "Acrt", "Adig", "AFC",  "Afec", "Alrm", "AGC",  "Amd",  "Amod", "Art",  "Asm",  "AStp",
        "Atmd", "Atyp", "Avci", "Avpi", "Avl",  "Bst",  "CBER", "Cst",  "Digi", "Dsct", "Dsmd",
        "Dsms", "Dsnm", "Ebn",  "Fend", "Fins", "Fndt", "Gopt", "Gpis", "Grop", "Inpi", "IQP",
        "IQPs", "LNin", "LNos", "LNBp", "Lnmr", "Masr", "Nchn", "Pcr",  "Polr", "PRBS", "Prsp",
        "Pst",  "Pstu", "Qamd", "RBER", "Rdsb", "Rlof", "Rlos", "Rstp", "Rtsb", "Rttx", "RAst",
        "RDst", "Sadr", "Saud", "Sclg", "Sdns", "Sfrq", "Sigq", "Slvl", "Snam", "Snum", "Srpd",
        "Sstp", "Swup", "Tfrq", "Trcl", "Tst",  "Trpr", "Uhst", "Umst", "Usvr", "Utst", "Vasi",
        "Vasr", "VBER", "Vchf", "Vfm",  "Vitr", "Vits", "Vmd",  "Vnpd", "Vrs",  "Vrt",  "Vsci"};
    return codes;
}

void Protocol_MsSl::TstAllCmds(const CommandSink &sink)
{
    const LinkOperation op(m_link, __func__);
    for (const QByteArray &code : Catalogue()) {
        const QByteArray reply = query(code);
        if (sink && !sink(code, reply))
            return;
    }
}

void Protocol_MsSl::GetAllCmds(const CommandSink &sink, int first)
{
    const LinkOperation op(m_link, __func__);
    ScanAll::ScanAllCodes(m_link, Adr, sink, first);
}
