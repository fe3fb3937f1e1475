#include "tone/toneplayer.h"

#include "session/signalreading.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <atomic>
#include <cmath>
#include <cstring>

constexpr double kTwoPi = 6.283185307179586;

// An endless sine at the pitch set last, continuous in phase across a change of pitch (no
// click), read by the audio output as it needs it.
class SineSource : public QIODevice
{
public:
    explicit SineSource(int sampleRate) : m_rate(sampleRate) { open(QIODevice::ReadOnly); }
    void setPitch(int hz) { m_hz = hz; }
    int pitch() const { return m_hz; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 4096 + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 samples = maxSize / qint64(sizeof(qint16));
        const double step = kTwoPi * m_hz / m_rate;
        for (qint64 i = 0; i < samples; ++i) {
            const qint16 v = m_hz > 0 ? qint16(8000 * std::sin(m_phase)) : 0;
            std::memcpy(data + i * 2, &v, 2);
            m_phase = std::fmod(m_phase + step, kTwoPi);
        }
        return samples * 2;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const int m_rate;
    std::atomic<int> m_hz{0};
    double m_phase = 0;
};

TonePlayer::TonePlayer(std::function<void()> beep, QObject *parent)
    : QObject(parent), m_beep(std::move(beep))
{
    // A beep once its interval passed since the last: the interval follows the margin reading
    // by reading without putting the next beep off.
    m_beeps.setInterval(kBeepTickMs);
    connect(&m_beeps, &QTimer::timeout, this, [this] {
        if (m_sinceBeep.isValid() && m_sinceBeep.elapsed() < m_beepIntervalMs)
            return;
        m_sinceBeep.start();
        m_beep();
    });
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    QAudioFormat format;
    format.setSampleRate(48000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return;
    m_source = std::make_unique<SineSource>(format.sampleRate());
    m_sink = new QAudioSink(device, format, this);
}

TonePlayer::~TonePlayer()
{
    stop();
}

void TonePlayer::setMargin(std::optional<double> marginDb)
{
    if (m_sink) {
        m_source->setPitch(ToneHz(marginDb));
        if (m_sink->state() != QAudio::ActiveState && m_sink->state() != QAudio::IdleState)
            m_sink->start(m_source.get());
        return;
    }
    m_beepIntervalMs = BeepIntervalMs(marginDb);
    if (m_beepIntervalMs == 0)
        m_beeps.stop();
    else if (!m_beeps.isActive())
        m_beeps.start();
}

void TonePlayer::stop()
{
    m_beeps.stop();
    if (m_sink)
        m_sink->stop();
}

int TonePlayer::pitchHz() const
{
    return m_sink && m_sink->state() == QAudio::ActiveState ? m_source->pitch() : 0;
}
