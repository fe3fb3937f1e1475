#include "sim/satellite.h"

#include <QFile>

#include <cmath>

namespace {

// A number from 0 to 1 that depends only on the transponder, the seed and what it is for.
double invented(qint64 frequency, char polar, quint32 seed, quint32 what)
{
    quint64 x = quint64(frequency) * 0x9E3779B97F4A7C15ull ^ (quint64(quint8(polar)) << 56) ^
                (quint64(seed) << 20) ^ (quint64(what) * 0xD1B54A32D192ED03ull);
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return double(x >> 11) / double(1ull << 53);
}

bool fail(QString *error, int line, const QString &why)
{
    if (error)
        *error = QStringLiteral("line %1: %2").arg(line).arg(why);
    return false;
}

bool parsePolar(const QString &text, char *out)
{
    if (text == QLatin1String("H") || text == QLatin1String("V")) {
        *out = text[0].toLatin1();
        return true;
    }
    return false;
}

} // namespace

bool Satellite::load(const QString &path, Satellite *out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return parse(file.readAll(), out, error);
}

bool Satellite::parse(const QByteArray &text, Satellite *out, QString *error)
{
    Satellite sat;
    const QList<QByteArray> lines = text.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines[n]).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char(';'));
        const QString key = f[0].trimmed();
        bool ok = true;
        if (key == QLatin1String("position") && f.size() == 2) {
            sat.position = f[1].trimmed();
        } else if (key == QLatin1String("band") && f.size() == 2) {
            const QString b = f[1].trimmed();
            if (b == QLatin1String("L"))
                sat.band = 0;
            else if (b == QLatin1String("Ku"))
                sat.band = 1;
            else
                return fail(error, n + 1, QStringLiteral("band must be L or Ku"));
        } else if (key == QLatin1String("start") && f.size() == 4) {
            sat.startFrequency = f[1].trimmed().toLongLong(&ok);
            bool ok2 = parsePolar(f[2].trimmed(), &sat.startPolar);
            bool ok3 = false;
            sat.startSymbolRate = f[3].trimmed().toInt(&ok3);
            if (!ok || !ok2 || !ok3)
                return fail(error, n + 1, QStringLiteral("start;FREQUENCY;H|V;SYMBOLRATE"));
        } else if (key == QLatin1String("tp") && (f.size() == 7 || f.size() == 8)) {
            SimTransponder tp;
            bool okF, okS, okL, okM;
            tp.frequency = f[1].trimmed().toLongLong(&okF);
            const bool okP = parsePolar(f[2].trimmed(), &tp.polar);
            tp.symbolRate = f[3].trimmed().toInt(&okS);
            tp.level = f[4].trimmed().toDouble(&okL);
            tp.margin = f[5].trimmed().toDouble(&okM);
            for (const QString &name : f[6].split(QLatin1Char('|'))) {
                if (!name.trimmed().isEmpty())
                    tp.services.append(name.trimmed());
            }
            bool okO = true;
            if (f.size() == 8)
                tp.sweepOffset = f[7].trimmed().toLongLong(&okO);
            if (!okF || !okP || !okS || !okL || !okM || !okO || tp.frequency <= 0 ||
                tp.symbolRate <= 0)
                return fail(error, n + 1,
                            QStringLiteral("tp;FREQUENCY;H|V;SYMBOLRATE;LEVEL;MARGIN;NAMES"
                                           "[;OFFSET]"));
            sat.transponders.append(tp);
        } else {
            return fail(error, n + 1, QStringLiteral("unknown line \"%1\"").arg(line));
        }
    }
    if (sat.startFrequency == 0 && !sat.transponders.isEmpty()) {
        sat.startFrequency = sat.transponders[0].frequency;
        sat.startPolar = sat.transponders[0].polar;
        sat.startSymbolRate = sat.transponders[0].symbolRate;
    }
    *out = sat;
    return true;
}

Satellite Satellite::fromPlan(const QList<PlanTransponder> &plan, quint32 seed)
{
    static const char *const brands[] = {
        "Aurora", "Boreal",  "Cobalt",  "Delta",  "Ember",    "Fjord",  "Granit", "Helios",
        "Indigo", "Jade",    "Kestrel", "Lumen",  "Meridian", "Nimbus", "Onyx",   "Pulsar",
        "Quartz", "Riviera", "Sierra",  "Tundra", "Umbra",    "Vesta",  "Willow", "Zenith"};
    static const char *const kinds[] = {"TV",   "News",  "Sport", "Film",
                                        "Kids", "Music", "Info",  "Radio"};
    Satellite sat;
    for (const PlanTransponder &p : plan) {
        auto pick = [&](quint32 what) { return invented(p.frequency, p.polarisation, seed, what); };
        SimTransponder tp;
        tp.frequency = p.frequency;
        tp.polar = p.polarisation;
        tp.symbolRate = int(std::lround(double(p.symbolRate) / 1000.0));
        // The same power density over a wider band: 10 dB louder for 10 times the rate.
        tp.level = -46.0 + 10.0 * std::log10(tp.symbolRate / 27500.0) + 6.0 * (pick(1) - 0.5);
        tp.margin = std::round((4.0 + 6.0 * pick(2)) * 10.0) / 10.0;
        int n = 1 + int(pick(3) * 8);
        const bool unnamed = pick(4) < 1.0 / 12.0;
        if (unnamed)
            n = std::max(n, 3);
        const QString brand = QString::fromLatin1(brands[int(pick(5) * 24)]);
        for (int s = 0; s < n; ++s)
            tp.services << brand + QLatin1Char(' ') + QString::fromLatin1(kinds[s]);
        if (unnamed) { // never the last: the names after it must still be read
            const int i = 1 + int(pick(6) * (n - 2));
            tp.services[i] = QStringLiteral("Service:%1").arg(i + 1, 4, 10, QLatin1Char('0'));
        }
        sat.transponders.append(tp);
    }
    if (!sat.transponders.isEmpty()) {
        sat.startFrequency = sat.transponders[0].frequency;
        sat.startPolar = sat.transponders[0].polar;
        sat.startSymbolRate = sat.transponders[0].symbolRate;
    }
    return sat;
}

bool Satellite::loadPlan(const QString &path, quint32 seed, Satellite *out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const Dvbv5Plan plan = ReadDvbv5Plan(file.readAll(), 10700000, 12750000);
    if (!plan.ok() || plan.transponders.isEmpty()) {
        *error = plan.ok() ? QStringLiteral("no transponder in band Ku")
                           : (plan.errorLine ? QStringLiteral("line %1: ").arg(plan.errorLine)
                                             : QString()) +
                                 plan.error;
        return false;
    }
    *out = fromPlan(plan.transponders, seed);
    return true;
}
