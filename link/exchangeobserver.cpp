#include "link/exchangeobserver.h"

QByteArray PrintableBytes(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f && c != '\\')
            out.append(c);
        else
            out.append("\\x").append(QByteArray::number(u, 16).rightJustified(2, '0'));
    }
    return out;
}
