#include "link/statuslabels.h"

namespace {

QString frequencyText(double f)
{
    return QString::number(f, 'f', 0);
}

} // namespace

void ScanStatus::showSweepShare()
{
    if (m_steps == 0 || m_stepsDone == 0)
        return;
    const int percent = int(double(qint64(m_stepsDone) * 100) / double(m_steps));
    m_labels.setText(4, QString::number(percent) + QLatin1Char('%'));
}

void ScanStatus::sweepStarted(const QString &Pol, int steps)
{
    m_stepsDone = 0;
    m_steps = steps;
    m_labels.setText(0, QStringLiteral("Scanning"));
    m_labels.setText(1, Pol);
    m_labels.setText(2, QString());
}

void ScanStatus::stepTuned(double frequency)
{
    ++m_stepsDone;
    m_labels.setText(3, frequencyText(frequency));
}

void ScanStatus::sweepEnded(const QString &)
{
    m_steps = 0;
    done();
}

void ScanStatus::sweepCut(const QString &, const QString &frequency)
{
    m_labels.setText(0, QStringLiteral("No tuning at ") + frequency);
}

void ScanStatus::testingStarted()
{
    m_labels.setText(0, QStringLiteral("Testing"));
}

void ScanStatus::carrierTaken(const QString &, const QString &Pol, const QString &rate)
{
    m_labels.setText(4, QString());
    m_labels.setText(2, rate);
    if (m_labels.text(1) != Pol) // written as it changes
        m_labels.setText(1, Pol);
}

void ScanStatus::testStarted(const QString &, const QString &frequency, const QString &)
{
    m_labels.setText(3, frequency);
}

void ScanStatus::polling(ScanPoll what, int round)
{
    static const QString names[] = {QStringLiteral("DVB"), QStringLiteral("SVC"),
                                    QStringLiteral("NAM")};
    const QString &name = names[int(what)];
    if (round == 0)
        m_labels.setText(4, name);
    else
        m_labels.setText(4, name + (round % 2 ? QStringLiteral(" -") : QStringLiteral(" |")));
}

void ScanStatus::testingEnded()
{
    done();
}

void ScanStatus::done()
{
    m_labels.setText(0, QStringLiteral("Done"));
    for (int i = 1; i <= 4; ++i)
        m_labels.setText(i, QString());
}
