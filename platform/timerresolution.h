#pragma once

// On Windows a wait lasts at least one tick of the system timer, 15.6 ms by default, so the
// reply reader's 10,000 polls of 1 ms would make a silent receiver's time-out last minutes.
// While one of these lives the program asks for a 1 ms timer resolution, as serial and audio
// programs do, and gives it back at the end. Elsewhere the timers are fine already: it does
// nothing.
class FineTimerResolution
{
public:
    FineTimerResolution();
    ~FineTimerResolution();
    FineTimerResolution(const FineTimerResolution &) = delete;
    FineTimerResolution &operator=(const FineTimerResolution &) = delete;

private:
    bool m_set = false;
};
