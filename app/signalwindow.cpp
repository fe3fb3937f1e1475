#include "app/signalwindow.h"

#include "app/signalgraph.h"
#include "link/linkstate.h"
#include "platform/host.h"
#include "platform/serialport.h"
#include "tone/toneplayer.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

// The level bar's scale: a dish pointing nowhere reads near the bottom, a strong carrier near
// the top.
constexpr double kLevelBottomDbm = -90.0, kLevelTopDbm = -20.0;
// Between readings while paused: the link is looked at again this often.
constexpr int kPausedLookMs = 100;
// After a reading the receiver did not answer, or with no port open: the next comes after this
// long, so a meter left open never spins on a dead line.
constexpr int kAfterNoAnswerMs = 1000;

QProgressBar *Bar(double bottom, double top)
{
    auto *bar = new QProgressBar;
    bar->setRange(int(bottom * 10), int(top * 10)); // tenths: a margin moves by 0.1 dB
    bar->setMinimumHeight(34);
    bar->setTextVisible(true);
    return bar;
}

void Show(QProgressBar *bar, const std::optional<double> &value, int decimals, const char *unit)
{
    bar->setValue(value
                      ? int(std::clamp(*value * 10, double(bar->minimum()), double(bar->maximum())))
                      : bar->minimum());
    bar->setFormat(FigureText(value, decimals, unit));
}

} // namespace

SignalWindow::SignalWindow(LinkState &link, std::function<quint8()> address, QWidget *parent)
    : QWidget(parent, Qt::Window), m_link(link), m_address(std::move(address))
{
    setWindowTitle(QStringLiteral("Signal"));
    m_lock = new QLabel;
    QFont big = m_lock->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    m_lock->setFont(big);
    m_lock->setAlignment(Qt::AlignCenter);
    m_level = Bar(kLevelBottomDbm, kLevelTopDbm);
    m_margin = Bar(0, kMarginFullScaleDb);
    m_quality = Bar(0, 99 / 10.0);
    for (QProgressBar *bar : {m_level, m_margin, m_quality})
        bar->setFont(big);
    auto *bars = new QGridLayout;
    const std::pair<const char *, QProgressBar *> rows[] = {
        {"Level", m_level}, {"Margin", m_margin}, {"Quality", m_quality}};
    for (int i = 0; i < 3; ++i) {
        bars->addWidget(new QLabel(QLatin1String(rows[i].first)), i, 0);
        bars->addWidget(rows[i].second, i, 1);
        rows[i].second->setAccessibleName(QLatin1String(rows[i].first));
    }
    m_graph = new SignalGraph;
    m_bestText = new QLabel;
    m_state = new QLabel;
    m_state->setObjectName(QStringLiteral("state"));
    m_toneBox = new QCheckBox(QStringLiteral("&Tone"));
    m_toneBox->setToolTip(QStringLiteral("A tone whose pitch rises with the margin"));
    auto *close = new QPushButton(QStringLiteral("&Close"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_toneBox);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lock);
    layout->addLayout(bars);
    layout->addWidget(m_graph, 1);
    layout->addWidget(m_bestText);
    layout->addWidget(m_state);
    layout->addLayout(buttons);
    resize(460, 420);

    m_tone = new TonePlayer([this] { m_link.host.beep(); }, this);
    connect(m_toneBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            m_tone->stop();
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &SignalWindow::poll);
    m_clock.start();
    showReading(m_last);
    m_state->setText(QStringLiteral("Not read yet"));
}

SignalWindow::~SignalWindow() = default;

void SignalWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_next.start(0);
}

void SignalWindow::hideEvent(QHideEvent *event)
{
    // Closed or hidden: no more readings, and silence.
    m_next.stop();
    m_tone->stop();
    QWidget::hideEvent(event);
}

void SignalWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

bool SignalWindow::paused() const
{
    return m_link.busy() || QApplication::activeModalWidget() != nullptr;
}

void SignalWindow::runAfterReading(const std::function<void()> &action)
{
    m_afterReading.append(action);
}

void SignalWindow::poll()
{
    if (paused()) {
        m_state->setText(QStringLiteral("Paused while the receiver is busy"));
        m_tone->stop();
        m_next.start(kPausedLookMs);
        return;
    }
    if (!m_link.MSComm.isOpen() || m_link.portLost()) {
        m_state->setText(QStringLiteral("The port is not open: pick a transponder to open it"));
        m_tone->stop();
        m_next.start(kAfterNoAnswerMs);
        return;
    }
    m_reading = true;
    const SignalReading reading = ReadSignal(m_link, m_address());
    m_reading = false;
    m_best.take(reading);
    // What the operator did during the reading, now: before the next reading, which would
    // otherwise keep the link busy for it again and again. The reading was taken before it
    // (another transponder, perhaps): only the next one is shown.
    const QList<std::function<void()>> actions = std::exchange(m_afterReading, {});
    for (const auto &action : actions)
        action();
    if (!isVisible())
        return;
    if (!actions.isEmpty()) {
        m_next.start(0);
        return;
    }
    const qint64 now = m_clock.elapsed();
    m_recentMs.append(now);
    while (now - m_recentMs.first() > 1000)
        m_recentMs.removeFirst();
    m_last = reading;
    m_graph->add(now, reading.up ? reading.marginDb : std::nullopt);
    showReading(reading);
    if (m_toneBox->isChecked())
        m_tone->setMargin(reading.up ? reading.marginDb : std::nullopt);
    m_next.start(reading.up ? 0 : kAfterNoAnswerMs);
}

void SignalWindow::showReading(const SignalReading &r)
{
    const bool locked = r.up && r.locked;
    m_lock->setText(!r.up    ? QStringLiteral("NO ANSWER")
                    : locked ? QStringLiteral("LOCKED")
                             : QStringLiteral("NO LOCK"));
    QPalette palette = m_lock->palette();
    palette.setColor(QPalette::WindowText, locked ? QColor(0, 128, 0) : QColor(192, 0, 0));
    m_lock->setPalette(palette);
    Show(m_level, r.up ? r.levelDbm : std::nullopt, 2, "dBm");
    Show(m_margin, r.up ? r.marginDb : std::nullopt, 1, "dB");
    const std::optional<double> quality =
        r.up && r.quality ? std::optional<double>(*r.quality / 10.0) : std::nullopt;
    Show(m_quality, quality, 0, "");
    m_quality->setFormat(r.up && r.quality ? QString::number(*r.quality) : QStringLiteral("none"));
    m_bestText->setText(
        QStringLiteral("Best since opened: level %1, margin %2, quality %3")
            .arg(FigureText(m_best.levelDbm, 2, "dBm"), FigureText(m_best.marginDb, 1, "dB"),
                 m_best.quality ? QString::number(*m_best.quality) : QStringLiteral("none")));
    m_state->setText(!r.up ? QStringLiteral("No answer from the receiver at %1").arg(m_address())
                           : QStringLiteral("%1 readings a second").arg(m_recentMs.size()));
}
