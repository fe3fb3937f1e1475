#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

// kolvex7-sim for one benchmark, with the demo satellite unless told otherwise. Its port is
// published in a configuration folder of its own, which this process then uses too
// (XDG_CONFIG_HOME), so the tool's port lookup finds it as an operator's would.
class DemoSimulator
{
public:
    DemoSimulator() { qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit()); }
    ~DemoSimulator() { stop(); }

    // Starts it as port `port` with the extra options and waits for its "ready". False, said
    // on standard error in the name of `who`, when it did not start.
    // `satellite`: what it plays, the demo satellite unless given.
    bool start(const char *who, int port, const QStringList &extra = {},
               const QStringList &satellite = {QStringLiteral("--satellite"),
                                               QStringLiteral(KOLVEX7_DEMO_SATELLITE)})
    {
        m_process.start(QStringLiteral(KOLVEX7_SIM),
                        satellite + QStringList{QStringLiteral("--port"), QString::number(port)} +
                            extra);
        if (m_process.waitForReadyRead(5000) && m_process.readLine().trimmed() == "ready")
            return true;
        std::fprintf(stderr, "%s: the simulator did not start\n", who);
        return false;
    }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }

private:
    QTemporaryDir m_config;
    QProcess m_process;
};
