#pragma once

#include "testsupport/simprocess.h"

#include <cstdio>

// kolvex7-sim for one benchmark: the tests' simulator process without its exchange log, which
// would add to what is measured; a failure to start is said in the benchmark's name.
class DemoSimulator
{
public:
    // Starts it as port `port` with the extra options, playing `satellite` (the demo satellite
    // unless given); false, said on standard error, when it did not start.
    bool start(const char *who, int port, const QStringList &extra = {},
               const QStringList &satellite = {})
    {
        QString error;
        if (m_sim.start(port, extra, &error, satellite))
            return true;
        std::fprintf(stderr, "%s: the simulator did not start: %s\n", who, qPrintable(error));
        return false;
    }
    void stop() { m_sim.stop(); }

private:
    SimProcess m_sim{false};
};
