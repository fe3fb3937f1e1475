#pragma once

#include "platform/linesettings.h"
#include "platform/serialport.h"

#include <QSerialPort>

// The machine's serial port: opened and configured through QSerialPort, read and written
// straight on its descriptor so that the link's polling sees each byte when it arrives.
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

    QString errorText() const { return m_port.errorString(); }
    QString openError() const override { return m_openError; }

private:
    QString m_openError;
    void applySettings();
    int fd() const;

    QSerialPort m_port;
    qint16 m_number = 0;
    LineSettings m_settings;
    bool m_lost = false;
};
