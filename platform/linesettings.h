#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

// A serial settings text such as "115200,n,8,1": speed, parity, data bits, stop bits.
struct LineSettings
{
    qint32 speed = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Parses the whole text or nothing: any field that is missing, extra or out of range gives
// no value, so a caller never applies half a setting.
std::optional<LineSettings> parseLineSettings(const QString &text);
