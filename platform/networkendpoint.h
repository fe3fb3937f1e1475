#pragma once

#include <QString>

#include <optional>

// A serial line behind a network serial server: raw TCP ("tcp://HOST:PORT", the server passes
// bytes through and keeps the line settings it was configured with) or Telnet with COM port
// control ("rfc2217://HOST:PORT", the tool sets the line speed and format itself).
struct NetworkEndpoint
{
    enum Kind
    {
        RawTcp,
        Rfc2217
    };
    Kind kind = RawTcp;
    QString host;
    quint16 port = 0;

    QString url() const;
};

// The endpoint a URL names, or nothing with the reason in *why.
std::optional<NetworkEndpoint> ParseEndpoint(const QString &url, QString *why);

// Whether the text is meant as a network address rather than a port number: it has a scheme.
bool LooksLikeEndpoint(const QString &text);

// What port `number` is mapped to: the plain file (not a link) "comN" in the port folder
// holding the URL on its first line, as a device server's virtual COM port driver maps a COM number
// on Windows. Nothing when the number is not mapped (no such file, or a link to a device); *why
// says what is wrong with a file that holds no usable URL, and stays empty otherwise.
std::optional<NetworkEndpoint> MappedEndpoint(int number, QString *why);
