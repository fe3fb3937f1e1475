#pragma once

#include "platform/serialport.h"

#include <QList>

#include <deque>
#include <functional>

class VirtualHost;

// A serial port in memory, for tests on the virtual clock. The test (or a receiver model
// hooked to onWrite) feeds the bytes the receiver sends, optionally arriving later in virtual
// time; every write is kept, one entry per write call, so a test can check the bytes on the wire
// and how they were paced.
class MemoryPort : public SerialPort
{
public:
    explicit MemoryPort(VirtualHost &host);

    bool isOpen() const override { return m_open; }
    void setPortNumber(qint16 number) override { m_number = number; }
    bool setSettings(const QString &settings) override;
    bool open() override;
    QString openError() const override { return openErrorText; }
    QString openErrorText;                             // what a failed open says
    void close() override { m_open = m_lost = false; } // a port lost is usable once reopened
    void write(const QByteArray &bytes) override;
    QByteArray read() override;
    void waitForInputUs(int us) override;
    bool isLost() const override { return m_lost; }

    // Bytes the receiver sends, readable now or after ms milliseconds of virtual time. Bytes
    // never overtake bytes fed earlier.
    void feed(const QByteArray &bytes) { feedAfter(0, bytes); }
    void feedAfter(int ms, const QByteArray &bytes) { feedAfterUs(qint64(ms) * 1000, bytes); }
    void feedAfterUs(qint64 us, const QByteArray &bytes);
    void setLost(bool lost) { m_lost = lost; }
    void setOpenFails(bool fails) { m_openFails = fails; }

    // Called with each write, after it is recorded (the receiver's side of the line).
    std::function<void(const QByteArray &)> onWrite;
    // Called at the start of each read with the number of that read, counted from 1.
    std::function<void(int)> onRead;

    QByteArray written() const;
    const QList<QByteArray> &writes() const { return m_writes; }
    // Virtual time of each write, in microseconds.
    const QList<quint64> &writeTimesUs() const { return m_writeTimes; }
    void clearWritten();
    int reads() const { return m_reads; }
    qint16 portNumber() const { return m_number; }
    const QStringList &settingsApplied() const { return m_settingsApplied; }
    int opens() const { return m_opens; }

private:
    VirtualHost &m_host;
    bool m_open = false;
    bool m_lost = false;
    bool m_openFails = false;
    qint16 m_number = 0;
    int m_opens = 0;
    int m_reads = 0;
    QStringList m_settingsApplied;
    QList<QByteArray> m_writes;
    QList<quint64> m_writeTimes;
    std::deque<std::pair<quint64, QByteArray>> m_pending;
};
