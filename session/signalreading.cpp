#include "session/signalreading.h"

#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace {

template <class T> void KeepHigher(std::optional<T> &best, const std::optional<T> &now)
{
    if (now && (!best || *now > *best))
        best = now;
}

// Where the margin stands between 0 dB and the top, 0 to 1.
double MarginShare(double marginDb)
{
    return std::clamp(marginDb / kMarginFullScaleDb, 0.0, 1.0);
}

} // namespace

std::optional<double> SignalFigure(const QString &text)
{
    return IsNumeric(text) ? std::optional<double>(LeadingNumber(text)) : std::nullopt;
}

QString FigureText(const std::optional<double> &value, int decimals, const char *unit)
{
    return value ? QString::number(*value, 'f', decimals) + QLatin1Char(' ') + QLatin1String(unit)
                 : QStringLiteral("none");
}

std::optional<int> QualityFigure(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && text != QLatin1String("00") ? std::optional<int>(value) : std::nullopt;
}

void ReadSignalInto(Protocol_MsSl &receiver, QuestionsAskedAgain &ask, SignalReading &r)
{
    r.locked = ask([&] { return receiver.GetLock(); });
    r.levelDbm = ask([&] { return SignalFigure(receiver.GetLevel()); });
    r.marginDb = ask([&] { return SignalFigure(receiver.GetMargin()); });
    r.quality = ask([&] { return QualityFigure(receiver.GetQuality()); });
    r.up = !ask.down();
    r.unanswered = ask.unanswered();
}

SignalReading ReadSignal(LinkState &link, quint8 address)
{
    const LinkBusy busy(link);
    const ShortReplyWait wait(link, kSignalAnswerMs);
    Protocol_MsSl receiver(link);
    receiver.setAdr(address);
    QuestionsAskedAgain ask(link);
    SignalReading reading;
    ReadSignalInto(receiver, ask, reading);
    if (!reading.up)
        reading = SignalReading{false, false, {}, {}, {}, ask.unanswered()};
    return reading;
}

void SignalBest::take(const SignalReading &r)
{
    if (!r.up)
        return;
    ++readings;
    everLocked = everLocked || r.locked;
    KeepHigher(levelDbm, r.levelDbm);
    KeepHigher(marginDb, r.marginDb);
    KeepHigher(quality, r.quality);
}

int ToneHz(std::optional<double> marginDb)
{
    if (!marginDb)
        return 0;
    return kToneLowHz + int(std::lround(MarginShare(*marginDb) * (kToneHighHz - kToneLowHz)));
}

int BeepIntervalMs(std::optional<double> marginDb)
{
    if (!marginDb)
        return 0;
    return kBeepSlowestMs -
           int(std::lround(MarginShare(*marginDb) * (kBeepSlowestMs - kBeepFastestMs)));
}
