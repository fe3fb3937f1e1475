#include "sim/satellite.h"

#include <QFile>

namespace {

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
