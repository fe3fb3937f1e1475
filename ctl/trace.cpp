#include "ctl/trace.h"

void TraceObserver::exchanged(const LinkExchange &e)
{
    if (!m_started) {
        m_started = true;
        m_firstUs = e.startUs;
    }
    std::fprintf(m_err, "%10.3f %-18s > %s < %s %.1f ms%s\n", double(e.startUs - m_firstUs) / 1e6,
                 e.operation, PrintableBytes(e.sent).constData(),
                 PrintableBytes(e.received).constData(), double(e.latencyUs) / 1000.0,
                 e.portLost   ? " port lost"
                 : e.timedOut ? " time-out"
                              : "");
    std::fflush(m_err);
}
