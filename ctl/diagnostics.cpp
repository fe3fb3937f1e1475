// The diagnostics of kolvex7-ctl: the receiver's command set queried code by code.

#include "ctl/commands.h"
#include "ctl/output.h"
#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/scanall.h"
#include "platform/host.h"
#include "session/scanestimate.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// What the receiver answers to a code it does not know.
const QByteArray kUnknownCode = QByteArrayLiteral("Uk");

// Progress of the code sweep once per this many codes; of the catalogue's (each of which a
// silent receiver makes wait out a time-out), once per this many.
constexpr int kProgressEvery = 26 * 26 * 26;
constexpr int kCatalogueProgressEvery = 8;

} // namespace

int Commands::catalogue()
{
    // Each code the receiver is known to have, queried in turn (the driver's own diagnostics);
    // Ctrl+C stops after the exchange in flight, with what was asked so far listed.
    if (!answers())
        return timedOut();
    QJsonArray entries;
    QStringList lines;
    const int total = int(Protocol_MsSl::Catalogue().size());
    int unanswered = 0;
    m_driver.TstAllCmds([&](const QByteArray &code, const QByteArray &reply) {
        unanswered += reply.isEmpty();
        // A code the receiver left unanswered is listed as such, never with a made-up reply.
        entries.append(
            QJsonObject{{QStringLiteral("code"), QString::fromLatin1(code)},
                        {QStringLiteral("reply"), reply.isEmpty() ? QJsonValue(QJsonValue::Null)
                                                                  : QString::fromLatin1(reply)}});
        lines << QString::fromLatin1(code + ": " + (reply.isEmpty() ? "(no reply)" : reply));
        if (lines.size() % kCatalogueProgressEvery == 0 && lines.size() < total)
            m_out.progress(QStringLiteral("asked %1 of %2 codes").arg(lines.size()).arg(total));
        return m_link.run.Run && !m_link.receiverLost();
    });
    m_out.list(QStringLiteral("codes"), entries, lines);
    if (m_link.receiverLost() && !m_link.portLost()) {
        m_out.error(QStringLiteral("the receiver stopped answering after %1 of %2 codes: the "
                                   "codes asked so far are listed")
                        .arg(lines.size())
                        .arg(total));
        return timedOut();
    }
    if (m_link.portLost())
        return timedOut();
    if (m_link.run.stopped()) {
        m_out.error(QStringLiteral("stopped: the codes asked so far are listed"));
        return m_out.finish(Exit::Failed);
    }
    if (unanswered > 0) {
        m_out.error(QStringLiteral("no reply from the receiver at address %1 to %2 of the %3 "
                                   "codes (listed as no reply)")
                        .arg(m_settings.address)
                        .arg(unanswered)
                        .arg(total));
        return m_out.finish(Exit::TimeOut);
    }
    return m_out.finish(Exit::Ok);
}

int Commands::codes(int first)
{
    // Every four-letter code of the sweep from `first` on, queried in turn: the codes the
    // receiver knows are listed with their replies. Ctrl+C stops after the exchange in flight,
    // and a receiver gone ends it; either way the code to go on from is told.
    if (!answers())
        return timedOut();
    QJsonArray entries;
    QStringList lines;
    int asked = 0, next = first;
    const quint64 startUs = m_link.host.elapsedUs();
    m_driver.GetAllCmds(
        [&](const QByteArray &code, const QByteArray &reply) {
            ++asked;
            next = ScanAll::Index(code) + 1;
            if (!reply.isEmpty() && reply != kUnknownCode) {
                entries.append(QJsonObject{{QStringLiteral("code"), QString::fromLatin1(code)},
                                           {QStringLiteral("reply"), QString::fromLatin1(reply)}});
                lines << QString::fromLatin1(code + ": " + reply);
            }
            if (next % kProgressEvery == 0 && next < ScanAll::kCodes) {
                const double usPerCode = double(m_link.host.elapsedUs() - startUs) / asked;
                const qint64 leftMs = qint64(usPerCode * (ScanAll::kCodes - next) / 1000.0);
                m_out.progress(QStringLiteral("asked up to %1: %2 known so far, %3")
                                   .arg(QString::fromLatin1(code))
                                   .arg(lines.size())
                                   .arg(TimeLeftText(leftMs)));
            }
            return m_link.run.Run && !m_link.receiverLost();
        },
        first);
    m_out.list(QStringLiteral("codes"), entries, lines);
    const QString goOn =
        next < ScanAll::kCodes
            ? QStringLiteral("; go on with --from %1").arg(QString::fromLatin1(ScanAll::Code(next)))
            : QString();
    if (m_link.receiverLost()) {
        // The codes the receiver left unanswered are asked again on going on.
        const int resume = qMax(first, next - m_link.silentExchanges());
        m_out.error(QStringLiteral("the receiver stopped answering at %1; go on with --from %1")
                        .arg(QString::fromLatin1(ScanAll::Code(resume))));
        return timedOut();
    }
    if (m_link.run.stopped()) {
        m_out.error(QStringLiteral("stopped: the codes known so far are listed") + goOn);
        return m_out.finish(Exit::Failed);
    }
    return m_out.finish(Exit::Ok);
}
