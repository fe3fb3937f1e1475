#include "ctl/trace.h"

QByteArray TraceObserver::escaped(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f && c != '\\')
            out.append(c);
        else
            out.append("\\x").append(QByteArray::number(u, 16).rightJustified(2, '0'));
    }
    return out;
}

void TraceObserver::exchanged(const LinkExchange &e)
{
    if (!m_started) {
        m_started = true;
        m_firstUs = e.startUs;
    }
    std::fprintf(m_err, "%10.3f %-18s > %s < %s %.1f ms%s\n", double(e.startUs - m_firstUs) / 1e6,
                 e.operation, escaped(e.sent).constData(), escaped(e.received).constData(),
                 double(e.latencyUs) / 1000.0, e.timedOut ? " time-out" : "");
    std::fflush(m_err);
}
