#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class LinkState;

// A receiver that answered a survey: its address, the frequency it reports and its lock, each
// only as read (a reply lost leaves it not read, never a made-up value).
struct SurveyHit
{
    int address = 0;
    std::optional<QString> frequency;
    std::optional<bool> locked;
    // "11034000 kHz, locked", "frequency not read, no lock".
    QString tuningText() const;
};

// How long a survey waits for each address: 30 ms for the receiver, and the time a frame and its
// reply (40 bytes, 10 bits each) take on the wire at the line speed. At 115200 baud that is
// 33 ms, a whole survey of 256 addresses 9 s; at 9600 baud 71 ms and 18 s.
int SurveyWaitMs(qint32 speed);

// Asks every address from 0 to 255 in turn with a harmless query ("Usvr") and a short wait,
// over the open port; each that answers (in master/slave mode) is asked its frequency and lock.
// `asking` is told each address before it is asked. The survey is a run of the link's: it goes
// on while the link's run does (the caller starts it), and a lost port ends it too. The waits
// suit the line's `speed`.
QList<SurveyHit> Survey(LinkState &link, qint32 speed,
                        const std::function<void(int address)> &asking);
