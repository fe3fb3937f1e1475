#include "platform/timerresolution.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
// windows.h first: timeapi.h needs its types.
#include <timeapi.h>

FineTimerResolution::FineTimerResolution() : m_set(timeBeginPeriod(1) == TIMERR_NOERROR) {}

FineTimerResolution::~FineTimerResolution()
{
    if (m_set)
        timeEndPeriod(1);
}
#else
FineTimerResolution::FineTimerResolution() = default;
FineTimerResolution::~FineTimerResolution() = default;
#endif
