#include "link/scankey.h"

#include <QStringList>

namespace {

const QChar kBar = QLatin1Char('|');
const QChar kDash = QLatin1Char('-');
const QChar kHash = QLatin1Char('#');

// "F-P-S" into its three fields; false when it is not three non-empty fields.
bool splitText(const QString &text, ScanKey &into)
{
    const QStringList fps = text.split(kDash);
    if (fps.size() != 3 || fps[0].isEmpty() || fps[1].isEmpty() || fps[2].isEmpty())
        return false;
    into.frequency = fps[0];
    into.polarisation = fps[1];
    into.rate = fps[2];
    return true;
}

} // namespace

ScanKey ScanKey::found(const QString &F, const QString &P)
{
    return {Found, F, P, QString(), QString()};
}

ScanKey ScanKey::identified(const QString &F, const QString &P, const QString &S)
{
    return {Identified, F, P, S, QString()};
}

ScanKey ScanKey::ofTransponder(const QString &key)
{
    const QStringList parts = key.split(kBar);
    for (const QString &part : parts) {
        if (part.isEmpty() || part.contains(kDash) || part.contains(kHash))
            return {};
    }
    if (parts.size() == 2)
        return found(parts[0], parts[1]);
    if (parts.size() == 3)
        return identified(parts[0], parts[1], parts[2]);
    return {};
}

ScanKey ScanKey::ofChild(const QString &key)
{
    ScanKey k;
    const int hash = int(key.indexOf(kHash));
    if (hash >= 0) {
        if (!splitText(key.left(hash), k))
            return {};
        k.kind = Service;
        k.value = key.mid(hash + 1);
        return k;
    }
    const QStringList parts = key.split(kBar);
    if (parts.size() == 2 && splitText(parts[0], k)) {
        k.kind = Services;
        k.value = parts[1];
        return k;
    }
    if (parts.size() == 3 || parts.size() == 4) {
        k.kind = Margin;
        k.frequency = parts[0];
        k.polarisation = parts[1];
        k.rate = parts.size() == 4 ? parts[2] : QString();
        k.value = parts.last();
        return k;
    }
    return {};
}

ScanKey ScanKey::margin(const QString &M) const
{
    return {Margin, frequency, polarisation, rate, M};
}

ScanKey ScanKey::services(int n) const
{
    return {Services, frequency, polarisation, rate, QString::number(n)};
}

ScanKey ScanKey::service(const QString &label) const
{
    return {Service, frequency, polarisation, rate, label};
}

ScanKey ScanKey::transponder() const
{
    if (kind == None)
        return {};
    if (kind == Found || (kind == Margin && rate.isEmpty()))
        return found(frequency, polarisation);
    return identified(frequency, polarisation, rate);
}

QString ScanKey::key() const
{
    switch (kind) {
    case Found:
        return frequency + kBar + polarisation;
    case Identified:
        return frequency + kBar + polarisation + kBar + rate;
    case Margin:
        return frequency + kBar + polarisation + (rate.isEmpty() ? QString() : kBar + rate) + kBar +
               value;
    case Services:
        return transponder().text() + kBar + value;
    case Service:
        return transponder().text() + kHash + value;
    case None:
        break;
    }
    return QString();
}

QString ScanKey::text() const
{
    return frequency + kDash + polarisation + (rate.isEmpty() ? QString() : kDash + rate);
}

ServiceLabel ServiceLabel::of(const QString &label)
{
    const int dash = int(label.indexOf(kDash));
    if (dash < 0)
        return {label, QString()};
    return {label.left(dash), label.mid(dash + 1)};
}

QString ServiceLabel::make(int number, const QString &name)
{
    return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')) + kDash + name;
}
