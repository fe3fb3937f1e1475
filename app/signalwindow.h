#pragma once

#include "session/signalreading.h"

#include <QElapsedTimer>
#include <QList>
#include <QTimer>
#include <QWidget>

#include <functional>

class Host;
class QCheckBox;
class QLabel;
class QProgressBar;
class SignalGraph;
class TonePlayer;
class LinkState;

// The Signal window, for aligning a dish: the tuned transponder's lock, level, margin and
// quality as large bars and figures, read again and again by queries only (nothing it does
// changes the receiver), a graph of the margin over the last minute, the best of each since it
// opened, and an optional tone rising with the margin. It is no modal window: the list stays
// usable beside it. Each reading holds the link for a few milliseconds; a command the operator
// gives meanwhile is not refused as busy but runs as soon as the reading ends (see
// runAfterReading). While a pick or any other command holds the link, or a modal window is
// open, it pauses, and reads on once the link is free.
class SignalWindow : public QWidget
{
    Q_OBJECT

public:
    // `address`: the receiver's address at each reading (the configuration may change it).
    SignalWindow(LinkState &link, std::function<quint8()> address, QWidget *parent = nullptr);
    ~SignalWindow() override;

    const SignalBest &best() const { return m_best; }
    const SignalReading &last() const { return m_last; }
    TonePlayer &tone() { return *m_tone; }
    // A reading holds the link now.
    bool reading() const { return m_reading; }
    // Runs `action` (an operator's command that came during the reading) once the reading
    // ended, before the next.
    void runAfterReading(const std::function<void()> &action);

    // The last minute's readings kept for the graph.
    static constexpr int kGraphSeconds = 60;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void poll();
    bool paused() const;
    void showReading(const SignalReading &r);

    LinkState &m_link;
    std::function<quint8()> m_address;
    QTimer m_next;
    QElapsedTimer m_clock;
    SignalBest m_best;
    SignalReading m_last;
    bool m_reading = false;
    QList<std::function<void()>> m_afterReading;
    QList<qint64> m_recentMs; // when the readings of the last second were taken
    QLabel *m_lock;
    QProgressBar *m_level, *m_margin, *m_quality;
    QLabel *m_bestText, *m_state;
    QCheckBox *m_toneBox;
    SignalGraph *m_graph;
    TonePlayer *m_tone;
};
