#include "platform/descriptorserialport.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

// Reads and writes go straight to the descriptor QSerialPort opened. QSerialPort's notifier may
// still take bytes into its buffer during an event-loop pass; a read empties that buffer first,
// so the order of the bytes is kept.

namespace {
int descriptor(const QSerialPort &port)
{
    return int(port.handle());
}
} // namespace

void DescriptorSerialPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen() || m_lost)
        return;
    if (m_port.bytesToWrite() > 0) {
        // Bytes are still queued from a full buffer: these go behind them, never ahead.
        m_port.write(bytes);
        m_port.flush();
        return;
    }
    const ssize_t n = ::write(descriptor(m_port), bytes.constData(), size_t(bytes.size()));
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
        m_lost = true;
        return;
    }
    // The device's buffer is full: QSerialPort sends the rest as the line drains.
    if (n < bytes.size())
        m_port.write(bytes.mid(n < 0 ? 0 : int(n)));
}

QByteArray DescriptorSerialPort::read()
{
    if (!m_port.isOpen() || m_lost)
        return QByteArray();
    // QSerialPort's readAll() re-arms its read notifier even when its buffer is empty: asked
    // only when the buffer holds something.
    QByteArray out = m_port.bytesAvailable() > 0 ? m_port.readAll() : QByteArray();
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(descriptor(m_port), buf, sizeof buf);
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

void DescriptorSerialPort::waitOnLine(int us)
{
    pollfd p{descriptor(m_port), POLLIN, 0};
    const timespec timeout{time_t(us / 1000000), long(us % 1000000) * 1000};
    if (::ppoll(&p, 1, &timeout, nullptr) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        m_lost = true;
}
