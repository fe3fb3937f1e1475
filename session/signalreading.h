#pragma once

#include "link/exchangerecorder.h"

#include <QString>

#include <optional>

class LinkState;
class Protocol_MsSl;

// What the receiver's front end says of the signal it is tuned to, by queries only.
struct SignalReading
{
    bool up = false; // every question answered
    bool locked = false;
    std::optional<double> levelDbm; // none without a signal ("-??.??")
    std::optional<double> marginDb; // none without a lock ("-??.?")
    std::optional<int> quality;     // the demodulator's figure, 1 to 99; none without a lock
    int unanswered = 0;             // questions left unanswered, each asked again once
};

// A level or margin as the receiver gives it ("-41.30"), or none where it reports "-??.?" (no
// signal, no lock); the quality figure, or none where it reports "00" (no lock) or no number.
std::optional<double> SignalFigure(const QString &text);
std::optional<int> QualityFigure(const QString &text);

// A figure as people read it, "-43.50 dBm" with `decimals` and the unit, or "none".
QString FigureText(const std::optional<double> &value, int decimals, const char *unit);

// The questions of one look at a receiver, each reply awaited a short while and asked again
// once when it is lost: one reply lost on a noisy line does not make a working receiver down.
// Once a question went unanswered twice none is asked any more (down()).
class QuestionsAskedAgain
{
public:
    explicit QuestionsAskedAgain(LinkState &link) : m_tally(link) {}

    // The answer of `get`, or a default value once the receiver is down.
    template <class Get> auto operator()(Get get) -> decltype(get());
    bool down() const { return m_down; }
    int unanswered() const { return m_unanswered; }

private:
    ExchangeTally m_tally;
    bool m_down = false;
    int m_unanswered = 0;
};

template <class Get> auto QuestionsAskedAgain::operator()(Get get) -> decltype(get())
{
    for (int attempt = 0; attempt < 2 && !m_down; ++attempt) {
        m_tally.clear();
        const auto value = get();
        if (!m_tally.unanswered())
            return value;
        ++m_unanswered;
    }
    m_down = true;
    return decltype(get())();
}

// Lock, level, margin and quality asked of the receiver the driver addresses.
void ReadSignalInto(Protocol_MsSl &receiver, QuestionsAskedAgain &ask, SignalReading &reading);

// One reading of the receiver at `address`: four queries, each reply awaited kSignalAnswerMs
// (a receiver answers a query within milliseconds), the link busy meanwhile. A receiver that
// does not answer is down after two seconds, not the exchanges' ten.
constexpr int kSignalAnswerMs = 1000;
SignalReading ReadSignal(LinkState &link, quint8 address);

// The best of each reading since a meter started: what an installer turning a dish looks for.
struct SignalBest
{
    std::optional<double> levelDbm, marginDb;
    std::optional<int> quality;
    bool everLocked = false;
    int readings = 0; // answered readings taken
    void take(const SignalReading &reading);
};

// The margin a meter's bar shows full: a margin above it is more than enough.
constexpr double kMarginFullScaleDb = 16.0;

// The tone an aligning installer listens to: its pitch rises with the margin, from kToneLowHz
// at 0 dB (or below) to kToneHighHz at kMarginFullScaleDb and above; no margin (no lock) is no
// tone (0). Where there is no audio device a beep stands for it, repeated faster as the margin
// rises: every kBeepSlowestMs at 0 dB to every kBeepFastestMs at the top; never without one.
constexpr int kToneLowHz = 400, kToneHighHz = 2000;
constexpr int kBeepSlowestMs = 1000, kBeepFastestMs = 150;
int ToneHz(std::optional<double> marginDb);
int BeepIntervalMs(std::optional<double> marginDb);
