#include "platform/networkendpoint.h"

#include "platform/portfolder.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

QString NetworkEndpoint::url() const
{
    const QString scheme = kind == Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp");
    const QString h =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QStringLiteral("%1://%2:%3").arg(scheme, h).arg(port);
}

bool LooksLikeEndpoint(const QString &text)
{
    return text.contains(QLatin1String("://"));
}

std::optional<NetworkEndpoint> ParseEndpoint(const QString &text, QString *why)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    NetworkEndpoint e;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("rfc2217"))
        e.kind = NetworkEndpoint::Rfc2217;
    else if (scheme != QLatin1String("tcp")) {
        *why = QStringLiteral("%1 is no network serial port: give tcp://HOST:PORT (raw TCP) or "
                              "rfc2217://HOST:PORT (Telnet COM port control)")
                   .arg(text);
        return std::nullopt;
    }
    e.host = url.host();
    // An IPv4 address written as IPv6 (::ffff:127.0.0.1, which QUrl keeps in that form) is
    // reached as itself; an IPv6 address of the link alone (fe80::) needs an interface that
    // the URL cannot carry.
    static const QLatin1StringView mapped("::ffff:");
    if (e.host.startsWith(mapped) && e.host.contains(QLatin1Char('.')))
        e.host = e.host.mid(mapped.size());
    else if (e.host.startsWith(QLatin1String("fe80:"))) {
        *why = QStringLiteral("%1 names a link-local IPv6 address, which needs an interface: give "
                              "another address of the server")
                   .arg(text.trimmed());
        return std::nullopt;
    }
    const int port = url.port(-1);
    const QString path = url.path();
    if (!url.isValid() || e.host.isEmpty() || port < 1 || port > 65535 ||
        !(path.isEmpty() || path == QLatin1String("/")) || !url.userInfo().isEmpty() ||
        url.hasQuery() || url.hasFragment()) {
        *why = QStringLiteral("%1 does not name a host and a TCP port from 1 to 65535, as "
                              "%2://HOST:PORT")
                   .arg(text, scheme);
        return std::nullopt;
    }
    e.port = quint16(port);
    return e;
}

std::optional<NetworkEndpoint> MappedEndpoint(int number, QString *why)
{
    why->clear();
    const QFileInfo info(portLinkPath(number));
    if (info.isSymLink() || !info.exists()) // a link names a device
        return std::nullopt;
    if (!info.isFile()) { // a folder, a pipe or a socket names neither
        *why = QStringLiteral("Port %1: %2 is %3, neither a link to a serial device nor a file "
                              "naming a serial server (tcp://HOST:PORT): remove it, or replace "
                              "it by one of these")
                   .arg(number)
                   .arg(info.filePath(), info.isDir()
                                             ? QStringLiteral("a folder")
                                             : QStringLiteral("a pipe, a socket or a device node"));
        return std::nullopt;
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("Port %1 is mapped by %2, which cannot be read: %3")
                   .arg(number)
                   .arg(info.filePath(), file.errorString());
        return std::nullopt;
    }
    const QString first = QString::fromUtf8(file.readLine(4096)).trimmed();
    QString reason;
    const std::optional<NetworkEndpoint> e = ParseEndpoint(first, &reason);
    if (!e)
        *why = QStringLiteral("Port %1 is mapped by %2, whose first line %3.")
                   .arg(number)
                   .arg(info.filePath(), first.isEmpty() ? QStringLiteral("is empty")
                                                         : QStringLiteral("reads: ") + reason);
    return e;
}
