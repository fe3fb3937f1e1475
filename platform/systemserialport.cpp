#include "platform/systemserialport.h"

#include "platform/portfolder.h"

#include <QThread>

#ifdef KOLVEX7_DESCRIPTOR_IO
#include "platform/descriptorserialport.h"
#endif

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
    m_failure = DiagnosePort(m_number, device);
    if (m_failure.problem != PortProblem::None)
        return false;
    m_port.setPortName(device);
    applySettings();
    m_lost = false;
    if (m_port.open(QIODevice::ReadWrite))
        return true;
    m_failure =
        OpenRefused(device, m_port.error() == QSerialPort::PermissionError, m_port.errorString());
    return false;
}

void SystemSerialPort::close()
{
    m_port.close();
    m_lost = false;
}

bool SystemSerialPort::isLost() const
{
    return m_lost;
}

// Bytes move through QSerialPort's own API, which every platform has. flush() hands the bytes
// to the device at once, without waiting for the event loop, and waitForReadyRead() reads what
// arrives into QSerialPort's buffer, so the link's polling sees each byte when it arrives.

void SystemSerialPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen() || m_lost)
        return;
    m_port.write(bytes);
    m_port.flush();
}

QByteArray SystemSerialPort::read()
{
    if (!m_port.isOpen() || m_lost)
        return QByteArray();
    return m_port.readAll();
}

void SystemSerialPort::waitForInputUs(int us)
{
    if (!m_port.isOpen() || m_lost) {
        QThread::usleep(ulong(qMax(us, 0)));
        return;
    }
    if (m_port.bytesAvailable() > 0)
        return;
    waitOnLine(us);
}

void SystemSerialPort::waitOnLine(int us)
{
    // Whole milliseconds, rounded up: a wait shorter than asked would make the caller poll
    // again at once.
    m_port.waitForReadyRead(qMax((us + 999) / 1000, 0));
}

std::unique_ptr<SystemSerialPort> MakeSystemSerialPort()
{
#ifdef KOLVEX7_DESCRIPTOR_IO
    return std::make_unique<DescriptorSerialPort>();
#else
    return std::make_unique<SystemSerialPort>();
#endif
}
