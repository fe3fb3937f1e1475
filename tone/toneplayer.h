#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QAudioSink;
class SineSource;

// The signal meter's tone: a sine on the system's default audio output whose pitch follows the
// margin (ToneHz), silent without one. Where the system has no audio output, `beep` is called
// instead, repeated faster as the margin rises (BeepIntervalMs). Off until the first margin is
// given; stop() ends it.
class TonePlayer : public QObject
{
public:
    explicit TonePlayer(std::function<void()> beep, QObject *parent = nullptr);
    ~TonePlayer() override;

    // Whether a sound device plays the tone (else the beep stands for it).
    bool hasAudio() const { return m_sink != nullptr; }
    void setMargin(std::optional<double> marginDb);
    void stop();
    // The pitch now, 0 when silent; the beeps' interval now, 0 when none (with no audio).
    int pitchHz() const;
    int beepIntervalMs() const { return m_beeps.isActive() ? m_beepIntervalMs : 0; }

private:
    std::function<void()> m_beep;
    std::unique_ptr<SineSource> m_source;
    QAudioSink *m_sink = nullptr;
    QTimer m_beeps; // looks every kBeepTickMs whether a beep is due
    QElapsedTimer m_sinceBeep;
    int m_beepIntervalMs = 0;
    static constexpr int kBeepTickMs = 25;
};
