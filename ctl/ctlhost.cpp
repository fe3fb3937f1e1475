#include "ctl/ctlhost.h"

#include "ctl/output.h"
#include "link/linkstate.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void requestStop(int signal)
{
    g_stopRequested = 1;
    std::signal(signal, SIG_DFL); // a second Ctrl+C (or SIGTERM) ends the program at once
}

} // namespace

void StopOnSignals()
{
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
}

void CtlHost::doEvents()
{
    QtHost::doEvents();
    stopOnCtrlC();
}

void CtlHost::waitEvents(int ms)
{
    QtHost::waitEvents(ms);
    stopOnCtrlC();
}

void CtlHost::stopOnCtrlC()
{
    if (!g_stopRequested || !run || run->stopped())
        return;
    run->stop();
    if (out)
        out->stopping(stopText);
}

Message::Answer CtlHost::message(const Message &m)
{
    static Output standardError(false); // before a command has its output
    Output &o = out ? *out : standardError;
    const QString text = QString(m.text).replace(QLatin1String("\r\n"), QLatin1String(" "));
    if (m.buttons == Message::OkCancel) { // replacing a list file: --force said yes
        if (!force)
            o.tell(text + QStringLiteral(" (kept: give --force to replace it)"));
        return force ? Message::AnsweredOk : Message::AnsweredCancel;
    }
    o.tell(text);
    return Message::AnsweredOk;
}
