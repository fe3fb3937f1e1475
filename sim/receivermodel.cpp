#include "sim/receivermodel.h"

#include <cmath>

namespace {

// Frames are short; a run this long without "}" is line noise and is dropped.
constexpr int kMaxFrame = 512;

bool isWholeNumber(const QByteArray &v, qint64 min, qint64 max, qint64 *out)
{
    if (v.isEmpty() || v.size() > 12)
        return false;
    for (char c : v) {
        if (c < '0' || c > '9')
            return false;
    }
    const qint64 n = v.toLongLong();
    if (n < min || n > max)
        return false;
    *out = n;
    return true;
}

const QMap<QByteArray, QList<QByteArray>> &defaultChoices()
{
    static const QMap<QByteArray, QList<QByteArray>> choices = {
        {"IQP", {"Auto", "Norm", "Inv"}},   {"Dsmd", {"Auto", "DVB", "DSS"}},
        {"Rlof", {"Auto", "On", "Off"}},    {"Vitr", {"Auto", "1/2", "2/3", "3/4", "5/6", "7/8"}},
        {"Pstu", {"Auto", "Fast", "Slow"}}, {"Srpd", {"Psi", "Fast"}},
    };
    return choices;
}

} // namespace

ReceiverModel::ReceiverModel(const Satellite &satellite, const Options &options)
    : m_sat(satellite), m_address(options.address), m_options(options), m_noise(options.seed)
{
    m_state.terminal = options.terminal;
    m_state.frequency = satellite.startFrequency;
    m_state.reportedFrequency = satellite.startFrequency;
    m_state.lnbPolar = satellite.startPolar == 'V' ? "14" : "18";
    m_state.symbolRate = satellite.startSymbolRate;
    // At power-on each setting holds a value other than the one initialisation sends, so a
    // test can see that it was sent.
    for (auto it = defaultChoices().begin(); it != defaultChoices().end(); ++it)
        m_state.defaults[it.key()] = it.value().at(1);
    m_state.defaults["Sstp"] = "5";
}

QList<ReceiverModel::Exchange> ReceiverModel::receive(const QByteArray &bytes)
{
    QList<Exchange> out;
    if (m_state.terminal && m_options.echo && !bytes.isEmpty())
        out.append({QByteArray(), bytes, {}});
    m_in += bytes;
    // A line or frame may switch the mode, and the rest of the input is read in the new one.
    for (;;) {
        const bool wasTerminal = m_state.terminal;
        out += m_state.terminal ? receiveLines() : receiveFrames();
        if (m_state.terminal == wasTerminal)
            break;
    }
    return out;
}

QList<ReceiverModel::Exchange> ReceiverModel::receiveLines()
{
    QList<Exchange> out;
    while (m_state.terminal) {
        int end = -1;
        for (int i = 0; i < m_in.size(); ++i) {
            if (m_in[i] == '\r' || m_in[i] == '\n') {
                end = i;
                break;
            }
        }
        if (end < 0) {
            if (m_in.size() > kMaxFrame)
                m_in.clear();
            break;
        }
        const QByteArray line = m_in.left(end);
        m_in.remove(0, end + 1);
        if (line.trimmed().isEmpty())
            continue;
        out.append(terminalLine(line));
    }
    return out;
}

QList<ReceiverModel::Exchange> ReceiverModel::receiveFrames()
{
    QList<Exchange> out;
    while (!m_state.terminal) {
        // A frame's "{" follows its address byte, which may itself be any byte ("{" for address
        // 123, "}" for 125, "=" for 61), so the brace is looked for after the first byte.
        const int open = int(m_in.indexOf('{', 1));
        if (open < 0) {
            // keep a possible address byte for a frame still on its way
            m_in = m_in.right(1);
            break;
        }
        const int close = int(m_in.indexOf('}', open));
        if (close < 0) {
            m_in.remove(0, open - 1);
            if (m_in.size() > kMaxFrame)
                m_in.clear();
            break;
        }
        const quint8 address = quint8(m_in[open - 1]);
        const QByteArray received = m_in.mid(open - 1, close - open + 2);
        const QByteArray body = m_in.mid(open + 1, close - open - 1);
        m_in.remove(0, close + 1);
        Exchange e{received, QByteArray(), {}};
        const int eq = int(body.indexOf('='));
        if (address == m_address && eq > 0) {
            const QByteArray code = body.left(eq);
            const QByteArray value = body.mid(eq + 1);
            if (code == "Trpr" && value == "Trml") {
                e.reply = frame(code, "OK");
                m_state.terminal = true; // the rest is read as terminal lines
                out.append(e);
                break;
            }
            const std::optional<QByteArray> reply = answer(code, value);
            e.reply = reply ? frame(code, *reply) : frame("Ack", "Uk");
        }
        out.append(e);
    }
    return out;
}

ReceiverModel::Exchange ReceiverModel::terminalLine(const QByteArray &line)
{
    Exchange e{line, QByteArray(), {}};
    const QByteArray l = line.trimmed();
    const QByteArray error = "ERROR: bad value\r\n";
    const QList<QByteArray> w = l.split(' ');
    auto hex = [](const QByteArray &t, qint64 *out) {
        bool ok = false;
        *out = t.toLongLong(&ok, 16);
        return ok && !t.isEmpty() && t == t.toUpper();
    };
    if (l == "CNFG CNPR MSLV") {
        m_state.terminal = false;
    } else if (l == "H") {
        e.reply = "HELP: FEND LNBS|LNOS|LNBP|SYMR|TUNF value, RDMX, CNFG CNPR MSLV\r\n";
    } else if (l == "RDMX") {
    } else if (w.size() == 3 && w[0] == "FEND") {
        qint64 v = 0;
        if (w[1] == "LNBS" && (w[2] == "INA" || w[2] == "INB"))
            m_state.lnbInput = w[2] == "INA" ? "Ain" : "Bin";
        else if (w[1] == "LNOS" && (w[2] == "UNVR" || w[2] == "WIDE" || w[2] == "UDSQ"))
            m_state.lnbType = w[2];
        else if (w[1] == "LNBP" && (w[2] == "0E" || w[2] == "12"))
            m_state.lnbPolar = w[2] == "0E" ? "14" : "18";
        else if (w[1] == "SYMR" && hex(w[2], &v) && v >= 100 && v <= 4500)
            m_state.symbolRate = double(v) * 10.0;
        else if (w[1] == "TUNF" && w[2] == "BSCN")
            e.later = bandScanReport();
        else if (w[1] == "TUNF" && hex(w[2], &v) && v > 0 && v <= 99999999)
            m_state.frequency = v;
        else
            e.reply = error;
    } else if (w.value(0) == "FEND") {
        e.reply = error;
    } else {
        e.reply = "Unknown command\r\n";
    }
    return e;
}

QList<QPair<int, QByteArray>> ReceiverModel::bandScanReport() const
{
    const qint64 first = m_sat.band == 1 ? 10700000 : 950000;
    const qint64 end = m_sat.band == 1 ? 12750000 : 2150000;
    const qint64 step = 50000;
    const char polar = m_state.lnbPolar == "14" ? 'V' : 'H';
    QList<QPair<int, QByteArray>> report;
    int at = 50;
    for (qint64 f = first; f < end; f += step, at += 30) {
        // Each report starts a new line: the frequency is read from the 8 characters before
        // " Khz", which must not be the first of the text read.
        QByteArray text = "\r\n" + QByteArray::number(f).rightJustified(8, '0') + " Khz";
        for (const SimTransponder &tp : m_sat.transponders) {
            if (tp.polar == polar && tp.frequency >= f && tp.frequency < f + step)
                text += "\r\nFREQUENCY SCAN LOCKED AT " +
                        QByteArray::number(tp.frequency).rightJustified(8, '0');
        }
        report.append({at, text});
    }
    report.append({at, "\r\nFREQUENCY SCAN END.\r\n"});
    return report;
}

QByteArray ReceiverModel::frame(const QByteArray &code, const QByteArray &value) const
{
    return char(m_address) + QByteArray("{") + code + '=' + value + '}';
}

double ReceiverModel::noise()
{
    if (m_options.noiseDb <= 0)
        return 0;
    m_noise = m_noise * 1664525u + 1013904223u;
    return m_options.noiseDb * (2.0 * double(m_noise >> 8) / double(1u << 24) - 1.0);
}

const SimTransponder *ReceiverModel::tunedTransponder() const
{
    const char polar = m_state.lnbPolar == "14" ? 'V' : 'H';
    const SimTransponder *nearest = nullptr;
    for (const SimTransponder &tp : m_sat.transponders) {
        const qint64 off = std::llabs(tp.frequency - m_state.frequency);
        if (tp.polar == polar && off <= 2000 &&
            (!nearest || off < std::llabs(nearest->frequency - m_state.frequency)))
            nearest = &tp;
    }
    return nearest;
}

const SimTransponder *ReceiverModel::carrierAt(double *distance) const
{
    // Where the bands of two carriers overlap, the stronger one is what the receiver reads.
    const char polar = m_state.lnbPolar == "14" ? 'V' : 'H';
    const SimTransponder *strongest = nullptr;
    double best = 0;
    for (const SimTransponder &tp : m_sat.transponders) {
        const double half = tp.symbolRate * 1.35 / 2.0;
        const double d =
            std::fabs(double(m_state.frequency - tp.frequency - tp.sweepOffset)) / half;
        const double level = tp.level - 6.0 * d * d;
        if (tp.polar == polar && d <= 1.0 && (!strongest || level > best)) {
            strongest = &tp;
            best = level;
            *distance = d;
        }
    }
    return strongest;
}

const SimTransponder *ReceiverModel::lockedTransponder() const
{
    const SimTransponder *tp = tunedTransponder();
    if (tp && std::fabs(tp->symbolRate - m_state.symbolRate) < 0.5)
        return tp;
    return nullptr;
}

std::optional<QByteArray> ReceiverModel::answer(const QByteArray &code, const QByteArray &value)
{
    const bool query = value == "?";
    const QByteArray ok("OK");
    const std::nullopt_t refused = std::nullopt;
    auto choice = [&](QByteArray &field,
                      const QList<QByteArray> &allowed) -> std::optional<QByteArray> {
        if (query)
            return field;
        if (!allowed.contains(value))
            return refused;
        field = value;
        return ok;
    };

    if (code == "LNin")
        return choice(m_state.lnbInput, {"Ain", "Bin"});
    if (code == "LNos")
        return choice(m_state.lnbType, {"UNVR", "WIDE", "UDSQ"});
    if (code == "LNBp")
        return choice(m_state.lnbPolar, {"18", "14"});
    if (code == "Sfrq") {
        if (query)
            return QByteArray::number(m_state.symbolRate, 'f', 2).rightJustified(8, '0');
        bool isNumber = false;
        const double rate = value.toDouble(&isNumber);
        if (!isNumber || rate < 1000 || rate > 45000)
            return refused;
        m_state.symbolRate = rate;
        return ok;
    }
    if (code == "Tfrq") {
        if (query) {
            const bool confirmed =
                !m_options.neverConfirm && ++m_state.queriesSinceTuning > m_options.tuneLag;
            if (confirmed)
                m_state.reportedFrequency = m_state.frequency;
            return QByteArray::number(m_state.reportedFrequency);
        }
        qint64 f = 0;
        if (!isWholeNumber(value, 1, 99999999, &f))
            return refused;
        // The lag runs from the first tuning to a frequency: tuning again to the same one
        // (a driver repeating its set until the receiver confirms) does not restart it. A new
        // transponder plays its first service.
        if (f != m_state.frequency)
            m_state.queriesSinceTuning = 0, m_state.service = 1;
        m_state.frequency = f;
        return ok;
    }
    if (code == "Fend")
        return choice(m_state.frontEnd, {"Bsrc", "Null"});
    if (code == "AStp")
        return choice(m_state.autoStep, {"ON", "OFF"});
    if (code == "Vnpd")
        return choice(m_state.vnpd, {"ON", "OFF"});
    if (code == "Slvl" || code == "Lnmr") {
        if (!query)
            return refused;
        double d = 0;
        const SimTransponder *tp = carrierAt(&d);
        if (code == "Slvl")
            return tp ? QByteArray::number(tp->level - 6.0 * d * d + noise(), 'f', 2) : "-??.??";
        if (m_state.autoStep == "OFF")
            return tp ? QByteArray::number(tp->margin - 7.0 * d + noise(), 'f', 1) : "-??.?";
        // Outside the sweep the margin is the demodulator's: there is one only when locked,
        // and it falls by 1 dB a MHz away from the carrier's centre.
        const SimTransponder *locked = lockedTransponder();
        if (!locked)
            return QByteArray("-??.?");
        const double off = std::fabs(double(m_state.frequency - locked->frequency)) / 1000.0;
        return QByteArray::number(locked->margin - off + noise(), 'f', 1);
    }
    if (code == "Sigq") {
        if (!query)
            return refused;
        const SimTransponder *tp = lockedTransponder();
        return tp ? QByteArray::number(qBound(1, int(40 + 4 * tp->margin), 99)) : "00";
    }
    if (code == "Rstp") {
        if (query)
            return QByteArray::number(m_state.service);
        qint64 n = 0;
        if (!isWholeNumber(value, 1, 65535, &n))
            return refused;
        m_state.service = int(n);
        return ok;
    }
    if (code == "Snam") {
        if (!query) {
            qint64 n = 0;
            if (!isWholeNumber(value, 0, 65535, &n))
                return refused;
            m_state.nameService = int(n);
            return ok;
        }
        // Services are known only on a locked carrier.
        const SimTransponder *tp = lockedTransponder();
        const int count = tp ? int(tp->services.size()) : 0;
        if (m_state.nameService == 257)
            return QByteArray("Srvc_Mx:") + QByteArray::number(count);
        const int i = m_state.nameService - 1;
        if (!tp || i < 0 || i >= count)
            return QByteArray();
        // Right after a lock the receiver has not learnt the names yet.
        if (tp != m_state.lastLock) {
            m_state.lastLock = tp;
            m_state.nameQueriesSinceLock = 0;
        }
        if (++m_state.nameQueriesSinceLock <= m_options.learnQueries)
            return QStringLiteral("Service:%1").arg(i + 1, 4, 10, QLatin1Char('0')).toLatin1();
        return tp->services[i].toLatin1();
    }
    if (code == "Bst") {
        if (!query)
            return refused;
        return lockedTransponder() ? QByteArray("OK") : QByteArray("NOK");
    }
    if (code == "Usvr" || code == "Usrv")
        return query ? std::optional<QByteArray>("SPK7-2.14") : refused;
    if (code == "Utst")
        return query ? std::optional<QByteArray>("I") : refused;
    if (defaultChoices().contains(code))
        return choice(m_state.defaults[code], defaultChoices()[code]);
    if (code == "Sstp") {
        if (query)
            return m_state.defaults["Sstp"];
        qint64 n = 0;
        if (!isWholeNumber(value, 0, 99, &n))
            return refused;
        m_state.defaults["Sstp"] = value;
        return ok;
    }
    return refused;
}
