#include "platform/anyserialport.h"

#include "platform/systemserialport.h"

#ifdef KOLVEX7_NETWORK_PORTS
#include "platform/networkserialport.h"
#endif

AnySerialPort::AnySerialPort(std::unique_ptr<SerialPort> local)
    : m_local(std::move(local)), m_current(m_local.get())
{
}

AnySerialPort::~AnySerialPort() = default;

bool AnySerialPort::setEndpoint(const QString &url, QString *why)
{
    m_given.reset();
    if (url.isEmpty())
        return true;
    m_given = ParseEndpoint(url, why);
    return m_given.has_value();
}

QString AnySerialPort::name() const
{
    QString why;
    const std::optional<NetworkEndpoint> e = m_given ? m_given : MappedEndpoint(m_number, &why);
    if (!e)
        return QString::number(m_number);
    return m_given ? e->url() : QStringLiteral("%1 (%2)").arg(m_number).arg(e->url());
}

void AnySerialPort::setPortNumber(qint16 number)
{
    m_number = number;
    m_local->setPortNumber(number);
}

bool AnySerialPort::setSettings(const QString &settings)
{
    if (!m_current->setSettings(settings))
        return false;
    m_settings = settings;
    return true;
}

bool AnySerialPort::open()
{
    if (isOpen())
        return true;
    m_failure = {};
    QString why;
    std::optional<NetworkEndpoint> endpoint = m_given ? m_given : MappedEndpoint(m_number, &why);
    if (!why.isEmpty()) {
        m_failure = {PortProblem::Other, why};
        return false;
    }
    if (!endpoint) {
        m_current = m_local.get();
    } else {
#ifdef KOLVEX7_NETWORK_PORTS
        auto network = std::make_unique<NetworkSerialPort>();
        network->setEndpoint(*endpoint);
        m_network = std::move(network);
        m_current = m_network.get();
#else
        m_failure = {PortProblem::Other,
                     QStringLiteral("%1: this build has no network serial ports; use the "
                                    "server's virtual COM port driver.")
                         .arg(endpoint->url())};
        return false;
#endif
    }
    if (!m_settings.isEmpty() && !m_current->setSettings(m_settings))
        return false;
    if (m_current->open())
        return true;
    m_failure = {m_current->openProblem(), m_current->openError()};
    return false;
}

void AnySerialPort::close()
{
    m_current->close();
}

std::unique_ptr<AnySerialPort> MakeSerialPort()
{
    return std::make_unique<AnySerialPort>(MakeSystemSerialPort());
}
