#pragma once

#include "platform/networkendpoint.h"
#include "platform/serialport.h"

#include <memory>

// The port the programs open: the machine's serial device for a port number, or a network
// serial server where the port folder maps the number to one ("comN" holding its URL) or a
// URL is given instead of a number. The choice is made at each open, so a mapping changed
// while the program runs is followed at the next open.
class AnySerialPort : public SerialPort
{
public:
    explicit AnySerialPort(std::unique_ptr<SerialPort> local);
    ~AnySerialPort() override;

    // A network endpoint in place of the number, until cleared with an empty text; false, with
    // the reason in *why, when the URL names none.
    bool setEndpoint(const QString &url, QString *why);
    // The port as an operator names it: the number, or the URL of the network port in use.
    QString name() const;

    bool isOpen() const override { return m_current && m_current->isOpen(); }
    void setPortNumber(qint16 number) override;
    bool setSettings(const QString &settings) override;
    bool open() override;
    void close() override;
    void write(const QByteArray &bytes) override { m_current->write(bytes); }
    QByteArray read() override { return m_current->read(); }
    void waitForInputUs(int us) override { m_current->waitForInputUs(us); }
    bool isLost() const override { return m_current && m_current->isLost(); }
    QString openError() const override { return m_failure.text; }
    PortProblem openProblem() const override { return m_failure.problem; }
    QString lostReason() const override { return m_current ? m_current->lostReason() : QString(); }

private:
    std::unique_ptr<SerialPort> m_local;
    std::unique_ptr<SerialPort> m_network;
    SerialPort *m_current = nullptr;
    std::optional<NetworkEndpoint> m_given;
    qint16 m_number = 0;
    QString m_settings;
    PortFailure m_failure;
};

// The programs' port: the machine's serial devices, and network serial servers where this
// build has them.
std::unique_ptr<AnySerialPort> MakeSerialPort();
