// kolvex7-ctl config: the six settings kolvex7 stores, shown or written from a script.

#include "ctl/configure.h"

#include "ctl/commands.h"
#include "ctl/output.h"
#include "link/linkstate.h"
#include "link/linktest.h"
#include "link/protocol.h"
#include "platform/anyserialport.h"
#include "platform/qthost.h"
#include "session/settings.h"
#include "session/settingsstore.h"

namespace {

const char *const kLnbTypes[] = {"universal", "wide", "diseqc"};

// One of `words` (any case) or its index as a number; nothing for anything else.
std::optional<qint64> Choice(const QString &text, std::initializer_list<const char *> words)
{
    qint64 i = 0;
    for (const char *word : words) {
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0 ||
            text == QString::number(i))
            return i;
        ++i;
    }
    return std::nullopt;
}

} // namespace

QString LnbTypeName(int type)
{
    return type >= 0 && type < 3 ? QString::fromLatin1(kLnbTypes[type]) : QStringLiteral("unknown");
}

namespace {

// The request applied to the stored values; the empty text, or what is wrong with a value.
QString Apply(const ConfigRequest &r, StoredSettings *s)
{
    struct Rule
    {
        const std::optional<QString> &given;
        std::function<std::optional<qint64>(const QString &)> read;
        std::function<void(qint64)> set;
        QString refusal;
    };
    using Settings::Address;
    using Settings::Speed;
    const Rule rules[] = {
        {r.port, [](const QString &t) { return WholeNumber(t, 1, Settings::Port.max); },
         [s](qint64 v) { s->Prt = qint16(v); },
         QStringLiteral("--port takes a port number from 1 to %1 here: kolvex7 stores a number "
                        "(map a serial server to one with a ports/comN file)")
             .arg(Settings::Port.max)},
        {r.speed, [](const QString &t) { return WholeNumber(t, Speed.min, Speed.max); },
         [s](qint64 v) { s->Spd = qint32(v); },
         QStringLiteral("--speed takes a whole number of baud")},
        {r.address, [](const QString &t) { return WholeNumber(t, Address.min, Address.max); },
         [s](qint64 v) { s->Adr = quint8(v); },
         QStringLiteral("--address takes a whole number from %1 to %2")
             .arg(Address.min)
             .arg(Address.max)},
        {r.lnbType,
         [](const QString &t) {
             return Choice(t, {kLnbTypes[0], kLnbTypes[1], kLnbTypes[2]});
         },
         [s](qint64 v) { s->LNB = quint8(v); },
         QStringLiteral("--lnb-type takes universal, wide or diseqc")},
        {r.input,
         [](const QString &t) {
             return Choice(t, {"A", "B"});
         },
         [s](qint64 v) { s->Inp = quint8(v); }, QStringLiteral("--input takes A or B")},
        {r.band,
         [](const QString &t) {
             return Choice(t, {"L", "Ku"});
         },
         [s](qint64 v) { s->Bnd = quint8(v); }, QStringLiteral("--band takes L or Ku")},
    };
    for (const Rule &rule : rules) {
        if (!rule.given)
            continue;
        const std::optional<qint64> value = rule.read(*rule.given);
        if (!value)
            return rule.refusal;
        rule.set(*value);
    }
    return QString();
}

void Show(const StoredSettings &s, Output &out)
{
    out.field(QStringLiteral("port"), s.Prt);
    out.field(QStringLiteral("speed"), s.Spd);
    out.field(QStringLiteral("address"), s.Adr);
    out.field(QStringLiteral("lnb_type"), LnbTypeName(s.LNB));
    out.field(QStringLiteral("lnb_input"), s.Inp == 0 ? QStringLiteral("A") : QStringLiteral("B"));
    out.field(QStringLiteral("band"), s.Bnd == 0 ? QStringLiteral("L") : QStringLiteral("Ku"));
}

// The configuration dialog's link test at the settings' port, speed and address: its words
// ("KOLVEX7 is OK"), and the exit status it stands for.
std::pair<QString, int> LinkTest(const StoredSettings &s, AnySerialPort &port)
{
    QtHost host;
    LinkState link{port, host};
    link.Prt = s.Prt;
    link.Spd = s.Spd;
    if (!Protocol::OpenPort(link))
        return {QStringLiteral("port %1 cannot be opened: %2").arg(s.Prt).arg(port.openError()),
                Exit::PortUnavailable};
    const Protocol::LinkTestResult result = Protocol::TestLink(link, s.Adr);
    port.close();
    switch (result) {
    case Protocol::LinkTestResult::Ok:
        return {QStringLiteral("KOLVEX7 is OK"), Exit::Ok};
    case Protocol::LinkTestResult::Refused:
        return {QStringLiteral("KOLVEX7 replied error"), Exit::Refused};
    case Protocol::LinkTestResult::NoResponse:
        return {QStringLiteral("No response"), Exit::TimeOut};
    case Protocol::LinkTestResult::BadResponse:
        return {QStringLiteral("Bad response"), Exit::Refused};
    case Protocol::LinkTestResult::CommError:
        break;
    }
    return {QStringLiteral("Comm. error"), Exit::Failed};
}

} // namespace

int Configure(const ConfigRequest &request, SettingsStore &store, Output &out,
              const std::function<std::unique_ptr<AnySerialPort>()> &makePort)
{
    // A stored value kolvex7 has no meaning for reads as its default, as kolvex7 reads it;
    // said, since a write stores the default in its place.
    QList<SettingOutside> outside;
    const StoredSettings before = ReadSettings(store, &outside);
    for (const SettingOutside &o : outside)
        out.progress(StoredSettingProblem(o, store.location()) +
                     QStringLiteral(": shown as its default, %1").arg(o.setting->fallback));
    StoredSettings s = before;
    const QString bad = Apply(request, &s);
    if (!bad.isEmpty()) {
        out.error(bad + QStringLiteral(" (see --help)"));
        return out.finish(Exit::BadArguments);
    }
    if (request.test) {
        const std::unique_ptr<AnySerialPort> port = makePort();
        const auto [said, status] = LinkTest(s, *port);
        out.field(QStringLiteral("link_test"), said);
        if (status != Exit::Ok && !request.force) {
            Show(s, out);
            out.error(QStringLiteral("the link test at port %1, %2 baud, address %3 did not pass "
                                     "(%4): nothing is stored (--force stores it all the same)")
                          .arg(s.Prt)
                          .arg(s.Spd)
                          .arg(s.Adr)
                          .arg(said));
            return out.finish(status);
        }
    }
    Show(s, out);
    if (!request.changes())
        return out.finish(Exit::Ok);
    if (!WriteSettings(store, s)) {
        out.error(QStringLiteral("the settings could not be stored in %1. %2")
                      .arg(store.location(), store.advice()));
        return out.finish(Exit::Failed);
    }
    out.field(QStringLiteral("stored"), store.location());
    if (s.Bnd != before.Bnd)
        out.progress(QStringLiteral("the band is now %1: set KOLVEX7 to the new band selection")
                         .arg(s.Bnd == 0 ? QStringLiteral("L") : QStringLiteral("Ku")));
    return out.finish(Exit::Ok);
}
