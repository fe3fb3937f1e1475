#include "testsupport/simprocess.h"

#include <QFile>

SimProcess::SimProcess(bool logged) : m_logged(logged)
{
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
}

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start(int port, const QStringList &options, QString *error,
                       const QStringList &satellite)
{
    QStringList args = satellite.isEmpty() ? QStringList{QStringLiteral("--satellite"),
                                                         QStringLiteral(KOLVEX7_DEMO_SATELLITE)}
                                           : satellite;
    args << QStringLiteral("--port") << QString::number(port);
    if (m_logged)
        args << QStringLiteral("--log") << logPath();
    m_process.start(QStringLiteral(KOLVEX7_SIM), args + options);
    if (!m_process.waitForStarted(5000)) {
        *error = m_process.errorString();
        return false;
    }
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(5000)) {
            *error = QString::fromLocal8Bit(m_process.readAllStandardError());
            return false;
        }
    }
    const QByteArray line = m_process.readLine().trimmed();
    if (line != "ready") {
        *error = QString::fromLocal8Bit(line + m_process.readAllStandardError());
        return false;
    }
    return true;
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

QStringList SimProcess::logLines() const
{
    QFile f(logPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // Each line is "MS DIRECTION BYTES"; the time is checked and left off, as are the line
    // settings ("MS line 9600,n,8,1").
    QStringList out;
    for (const QString &line :
         QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        bool stamped = false;
        line.section(QLatin1Char(' '), 0, 0).toLongLong(&stamped);
        if (line.section(QLatin1Char(' '), 1, 1) != QLatin1String("line"))
            out << (stamped ? line.section(' ', 1) : QStringLiteral("unstamped ") + line);
    }
    return out;
}

void SimProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}
