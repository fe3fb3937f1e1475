#pragma once

#include "platform/linesettings.h"
#include "platform/serialport.h"

#include <QSerialPort>

#include <memory>

// The machine's serial port, opened, configured and read and written through QSerialPort's
// public API, which every platform has.
class SystemSerialPort : public SerialPort
{
public:
    SystemSerialPort();
    ~SystemSerialPort() override;

    bool isOpen() const override;
    void setPortNumber(qint16 number) override;
    bool setSettings(const QString &settings) override;
    bool open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    QByteArray read() override;
    void waitForInputUs(int us) override;
    bool isLost() const override;

    QString openError() const override { return m_failure.text; }
    PortProblem openProblem() const override { return m_failure.problem; }

protected:
    // Waits at most us microseconds for input on an open line with nothing buffered.
    virtual void waitOnLine(int us);

    QSerialPort m_port;
    bool m_lost = false;

private:
    void applySettings();

    PortFailure m_failure;
    qint16 m_number = 0;
    LineSettings m_settings;
};

// The port the programs use: the descriptor path on Linux unless the build chose the portable
// one (KOLVEX7_SERIAL_IO), SystemSerialPort everywhere else.
std::unique_ptr<SystemSerialPort> MakeSystemSerialPort();
