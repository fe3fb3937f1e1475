#include "ctl/signal.h"

#include "ctl/commands.h"
#include "ctl/metrics.h"
#include "ctl/output.h"
#include "link/linkstate.h"
#include "platform/host.h"
#include "platform/serialport.h"
#include "session/signalreading.h"
#include "tone/toneplayer.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_LINUX
#include "platform/terminalwidth.h"
#endif

namespace {

// Standard output's width when it is a terminal; 0 when it is not.
int TerminalWidth()
{
#ifdef Q_OS_LINUX
    return StandardOutputTerminalWidth();
#else
    return 0;
#endif
}

} // namespace

QString SignalLine(const SignalReading &r, const SignalBest &best, int width)
{
    if (!r.up)
        return QStringLiteral("no answer");
    const QString head = QStringLiteral("%1 margin %2 ")
                             .arg(r.locked ? QStringLiteral("locked ") : QStringLiteral("no lock"),
                                  FigureText(r.marginDb, 1, "dB").rightJustified(8));
    // Each figure in a field of its own width, so the bar keeps its length reading by reading.
    const QString tail = QStringLiteral(" level %1 quality %2 best %3")
                             .arg(FigureText(r.levelDbm, 2, "dBm").rightJustified(11),
                                  (r.quality ? QString::number(*r.quality) : QStringLiteral("none"))
                                      .rightJustified(4),
                                  FigureText(best.marginDb, 1, "dB").rightJustified(8));
    const int room = std::max(5, width - int(head.size() + tail.size()) - 3);
    const double share = r.marginDb ? std::clamp(*r.marginDb / kMarginFullScaleDb, 0.0, 1.0) : 0.0;
    const int filled = int(share * room + 0.5);
    return head + QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(room - filled, QLatin1Char('-')) + QLatin1Char(']') + tail;
}

int RunSignal(LinkState &link, quint8 address, const SignalOptions &options, Output &out)
{
    const int width = out.json() ? 0 : TerminalWidth();
    SignalBest best;
    std::optional<TonePlayer> tone;
    if (options.tone) {
        tone.emplace([] {
            std::fputc('\a', stderr); // the terminal's bell where no audio device plays the tone
            std::fflush(stderr);
        });
        if (!tone->hasAudio())
            out.progress(QStringLiteral("no audio device: the terminal's bell stands for the "
                                        "tone"));
    }
    link.run.start();
    while (link.run.Run && !link.portLost()) {
        const quint64 next = link.host.elapsedUs() + quint64(options.intervalMs) * 1000;
        const SignalReading reading = ReadSignal(link, address);
        best.take(reading);
        if (tone)
            tone->setMargin(reading.up ? reading.marginDb : std::nullopt);
        if (out.json()) {
            QJsonObject line{{QStringLiteral("time"),
                              QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
                             {QStringLiteral("up"), reading.up}};
            if (reading.up)
                InsertSignal(line, reading);
            out.stream(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
        } else {
            // On a terminal the line is written over the one before, never wider than the
            // terminal (a wrapped line is not rewritten); elsewhere one line a reading.
            const QString text = SignalLine(reading, best, width > 0 ? width : 80);
            out.stream(width > 0 ? text.left(width - 1).leftJustified(width - 1) : text, width > 0);
        }
        for (quint64 now = link.host.elapsedUs(); link.run.Run && now < next;
             now = link.host.elapsedUs())
            link.host.waitEvents(int(std::min<quint64>((next - now + 999) / 1000, 200)));
        link.host.doEvents();
    }
    tone.reset();
    if (width > 0)
        out.stream(QString()); // the rewritten line ends

    const auto figure = [](const auto &v) { return v ? QJsonValue(*v) : QJsonValue(); };
    out.field(QStringLiteral("readings"), best.readings);
    out.field(QStringLiteral("best_level_dbm"), figure(best.levelDbm),
              FigureText(best.levelDbm, 2, "dBm"));
    out.field(QStringLiteral("best_margin_db"), figure(best.marginDb),
              FigureText(best.marginDb, 1, "dB"));
    out.field(QStringLiteral("best_quality"), figure(best.quality),
              best.quality ? QString::number(*best.quality) : QStringLiteral("none"));
    out.field(QStringLiteral("ever_locked"), best.everLocked);
    if (link.portLost()) {
        out.error(QStringLiteral("the port was lost"));
        return out.finish(Exit::PortUnavailable);
    }
    if (best.readings == 0) {
        out.error(QStringLiteral("the receiver did not answer a reading"));
        return out.finish(Exit::TimeOut);
    }
    return out.finish(Exit::Ok);
}

std::optional<int> Milliseconds(const QString &text, int maxSeconds)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,7}(\\.[0-9]{1,3})?$"));
    if (text.isEmpty())
        return 0;
    if (!form.match(text).hasMatch() || text.toDouble() > maxSeconds)
        return std::nullopt;
    return int(text.toDouble() * 1000 + 0.5);
}
