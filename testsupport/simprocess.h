#pragma once

#include "platform/descriptorserialport.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// kolvex7-sim running on a pseudo-terminal for one test or benchmark, published as a port in a
// private configuration folder that this process also uses (XDG_CONFIG_HOME), so the tool's port
// lookup finds it the way an operator's would.
class SimProcess
{
public:
    // `logged`: the simulator logs every exchange (logLines()); a benchmark leaves it out.
    explicit SimProcess(bool logged = true);
    ~SimProcess();

    // Starts it playing the satellite (the demo satellite unless given, as {"--plan", FILE})
    // with these options; false, with its output in *error.
    bool start(int port, const QStringList &options, QString *error,
               const QStringList &satellite = {});
    void stop();
    // Ends the simulator at once, as a pulled cable or a crash would.
    void kill();
    bool running() const { return m_process.state() == QProcess::Running; }
    QString logPath() const { return m_dir.path() + QStringLiteral("/sim.log"); }
    // The lines of the simulator's log, without their time.
    QStringList logLines() const;

private:
    bool m_logged;
    QTemporaryDir m_dir;
    QProcess m_process;
};

// The serial path an end-to-end test runs, chosen by KOLVEX7_TEST_SERIAL_IO ("portable" or
// "descriptor"); without it, the programs' own.
inline std::unique_ptr<SystemSerialPort> TestSerialPort()
{
    const QByteArray path = qgetenv("KOLVEX7_TEST_SERIAL_IO");
    if (path == "portable")
        return std::make_unique<SystemSerialPort>();
    if (path == "descriptor")
        return std::make_unique<DescriptorSerialPort>();
    return MakeSystemSerialPort();
}
