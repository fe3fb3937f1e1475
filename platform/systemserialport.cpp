#include "platform/systemserialport.h"

#include "platform/portfolder.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

// QSerialPort opens and configures the device (locking, speed, parity, raw mode). Reads and
// writes then go straight to its descriptor: QSerialPort would hold written bytes until the
// event loop runs and hand read bytes over only through its notifier, while the link polls the
// line itself and wants each byte the moment it arrives. The notifier may still take bytes
// into QSerialPort's buffer during an event-loop pass; a read empties that buffer first, so the
// order of the bytes is kept.

SystemSerialPort::SystemSerialPort()
{
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        // A read or write error on an open serial device means the device went away (EIO after
        // a USB adapter is pulled, a hang-up on a pseudo-terminal); time-outs are not errors here.
        if (m_port.isOpen() && (e == QSerialPort::ResourceError || e == QSerialPort::ReadError ||
                                e == QSerialPort::WriteError))
            m_lost = true;
    });
}

SystemSerialPort::~SystemSerialPort() = default;

bool SystemSerialPort::isOpen() const
{
    return m_port.isOpen();
}

void SystemSerialPort::setPortNumber(qint16 number)
{
    m_number = number;
}

bool SystemSerialPort::setSettings(const QString &settings)
{
    const std::optional<LineSettings> parsed = parseLineSettings(settings);
    if (!parsed)
        return false;
    m_settings = *parsed;
    if (m_port.isOpen())
        applySettings();
    return true;
}

void SystemSerialPort::applySettings()
{
    m_port.setBaudRate(m_settings.speed);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

bool SystemSerialPort::open()
{
    if (m_port.isOpen())
        return true;
    const QString device = portDevice(m_number);
    if (device.isEmpty())
        return false;
    m_port.setPortName(device);
    applySettings();
    m_lost = false;
    m_openError.clear();
    if (m_port.open(QIODevice::ReadWrite))
        return true;
    // A device the user may not read and write: on Linux a serial port belongs to a group
    // (dialout on Debian and Ubuntu) whose members may open it.
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        const QString group = QFileInfo(device).group();
        m_openError = QStringLiteral("This user may not open %1. Serial ports belong to the group "
                                     "%2: add the user to it with \"sudo usermod -aG %2 $USER\", "
                                     "then log out and in again.")
                          .arg(device, group.isEmpty() ? QStringLiteral("dialout") : group);
    }
    return false;
}

void SystemSerialPort::close()
{
    m_port.close();
    m_lost = false;
}

int SystemSerialPort::fd() const
{
    return int(m_port.handle());
}

void SystemSerialPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen() || m_lost)
        return;
    if (m_port.bytesToWrite() > 0) {
        // Bytes are still queued from a full buffer: these go behind them, never ahead.
        m_port.write(bytes);
        m_port.flush();
        return;
    }
    const ssize_t n = ::write(fd(), bytes.constData(), size_t(bytes.size()));
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
        m_lost = true;
        return;
    }
    // The device's buffer is full: QSerialPort sends the rest as the line drains.
    if (n < bytes.size())
        m_port.write(bytes.mid(n < 0 ? 0 : int(n)));
}

QByteArray SystemSerialPort::read()
{
    if (!m_port.isOpen() || m_lost)
        return QByteArray();
    QByteArray out = m_port.readAll();
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd(), buf, sizeof buf);
        if (n > 0) {
            out.append(buf, int(n));
            // A read that did not fill the buffer took all there was: asking again would
            // only cost a system call to learn that nothing more is pending.
            if (size_t(n) < sizeof buf)
                break;
            continue;
        }
        // The port is raw with no minimum count: 0 means nothing is pending.
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            m_lost = true;
        break;
    }
    return out;
}

void SystemSerialPort::waitForInputUs(int us)
{
    if (!m_port.isOpen() || m_lost) {
        QThread::usleep(ulong(qMax(us, 0)));
        return;
    }
    if (m_port.bytesAvailable() > 0)
        return;
    pollfd p{fd(), POLLIN, 0};
    const timespec timeout{time_t(us / 1000000), long(us % 1000000) * 1000};
    if (::ppoll(&p, 1, &timeout, nullptr) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        m_lost = true;
}

bool SystemSerialPort::isLost() const
{
    return m_lost;
}
