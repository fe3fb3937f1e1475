#pragma once

#include "link/scanevents.h"

#include <QString>

// The scan window's five status labels, by index 0 to 4.
class StatusLabels
{
public:
    virtual ~StatusLabels() = default;
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString &text) = 0;
};

// The run's state in the five labels, written as its events come: 0 what the run does
// ("Scanning", "Testing", "Done", or why a sweep stopped), 1 the polarisation, 2 the rate
// tried, 3 the frequency tuned, 4 what a try polls for ("DVB" the lock, "SVC" the services,
// "NAM" their names, turning " |" and " -" as the polls go on) or the sweep's share done.
class ScanStatus : public ScanEvents
{
public:
    explicit ScanStatus(StatusLabels &labels) : m_labels(labels) {}
    // Writes the running sweep's share of its steps done ("45%") into label 4; nothing when
    // no sweep runs or before its first step.
    void showSweepShare();
    // Steps of the running sweep in all; 0 when no sweep runs.
    int sweepSteps() const { return m_steps; }

    void sweepStarted(const QString &Pol, int steps) override;
    void stepTuned(double frequency) override;
    void sweepEnded(const QString &Pol) override;
    void sweepCut(const QString &Pol, const QString &frequency) override;
    void testingStarted() override;
    void carrierTaken(const QString &key, const QString &Pol, const QString &rate) override;
    void testStarted(const QString &key, const QString &frequency, const QString &rate) override;
    void polling(ScanPoll what, int round) override;
    void testingEnded() override;

private:
    void done();

    StatusLabels &m_labels;
    int m_stepsDone = 0;
    int m_steps = 0;
};
