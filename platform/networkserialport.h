#pragma once

#include "platform/linesettings.h"
#include "platform/networkendpoint.h"
#include "platform/serialport.h"

#include <QByteArray>

struct gensio;
struct gensio_os_funcs;
struct gensio_waiter;

// A serial line behind a network serial server (ser2net, a device server in TCP server mode),
// through the gensio library: raw TCP, or Telnet with COM port control (RFC 2217), where the
// line settings are sent to the server and confirmed before the port counts as open. Input
// arrives only while the link reads or waits, as on a local line; a connection that drops is
// a lost port.
class NetworkSerialPort : public SerialPort
{
public:
    NetworkSerialPort();
    ~NetworkSerialPort() override;

    void setEndpoint(const NetworkEndpoint &endpoint) { m_endpoint = endpoint; }
    // How long an open waits for the connection and, with RFC 2217, for each setting's answer.
    static constexpr int kConnectMs = 5000;

    bool isOpen() const override { return m_io != nullptr; }
    void setPortNumber(qint16) override {}
    bool setSettings(const QString &settings) override;
    bool open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    QByteArray read() override;
    void waitForInputUs(int us) override;
    bool isLost() const override { return m_lost; }
    QString openError() const override { return m_failure.text; }
    QString lostReason() const override { return m_lostReason; }
    PortProblem openProblem() const override { return m_failure.problem; }

private:
    static int onEvent(gensio *io, void *self, int event, int err, unsigned char *buf,
                       unsigned long *length, const char *const *aux);
    bool connect();
    // RFC 2217: each setting sent and its confirmation checked; false with m_failure set.
    bool applySettings();
    void fail(PortProblem problem, const QString &text);
    static QString wordsIn(const QByteArray &tail);
    // Runs the library's pending work, waiting at most us microseconds for input.
    void service(int us);

    NetworkEndpoint m_endpoint;
    LineSettings m_settings;
    gensio_os_funcs *m_os = nullptr;
    gensio_waiter *m_waiter = nullptr;
    gensio *m_io = nullptr;
    QByteArray m_input;
    QByteArray m_tail;    // the last bytes received, read or not: what the server said last
    QString m_lostReason; // its words as the connection went, kept after the port is closed
    bool m_lost = false;
    int m_openError = 0;
    bool m_opened = false;
    PortFailure m_failure;
};
