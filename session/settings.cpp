#include "session/settings.h"

#include "session/settingsstore.h"

namespace Settings {
const Setting Port{"Port", 0, 0, 32767};
const Setting Speed{"Speed", 115200, 1, 2147483647};
const Setting Address{"Address", 129, 0, 255};
const Setting LNBType{"LNB_Type", 0, 0, 2};
const Setting LNBInput{"LNB_Input", 0, 0, 1};
const Setting Band{"LNB_BandL", 0, 0, 1};
} // namespace Settings

namespace {

qint64 readOne(SettingsStore &store, const Setting &setting, QList<SettingOutside> *outside)
{
    const Registry::StoredNumber stored = store.read(QLatin1String(setting.name));
    if (stored.state == Registry::StoredNumber::Missing)
        return setting.fallback;
    if (stored.state == Registry::StoredNumber::Number && stored.value >= setting.min &&
        stored.value <= setting.max)
        return stored.value;
    if (outside)
        outside->append({&setting, stored});
    return setting.fallback;
}

} // namespace

StoredSettings ReadSettings(SettingsStore &store, QList<SettingOutside> *outside)
{
    using namespace Settings;
    StoredSettings s;
    s.Prt = qint16(readOne(store, Port, outside));
    s.Spd = qint32(readOne(store, Speed, outside));
    s.Adr = quint8(readOne(store, Address, outside));
    s.LNB = quint8(readOne(store, LNBType, outside));
    s.Inp = quint8(readOne(store, LNBInput, outside));
    s.Bnd = quint8(readOne(store, Band, outside));
    return s;
}

QString StoredSettingProblem(const SettingOutside &o, const QString &location)
{
    if (o.stored.state == Registry::StoredNumber::NotAFile)
        return QStringLiteral("the settings file %1 is not a regular file, so it is not read")
            .arg(location);
    return QStringLiteral("the stored setting %1=%2 in %3 is not a whole number kolvex7 allows "
                          "(%4 to %5)")
        .arg(QLatin1String(o.setting->name), o.stored.text.trimmed(), location)
        .arg(o.setting->min)
        .arg(o.setting->max);
}

QString StoredSettingRefusal(const SettingOutside &o, const QString &location)
{
    return StoredSettingProblem(o, location) +
           (o.stored.state == Registry::StoredNumber::NotAFile
                ? QStringLiteral(": remove it, then configure kolvex7 again")
                : QStringLiteral(": configure kolvex7 again"));
}

bool WriteSettings(SettingsStore &store, const StoredSettings &s)
{
    using namespace Settings;
    bool stored = store.write(QLatin1String(Port.name), s.Prt);
    stored &= store.write(QLatin1String(Speed.name), s.Spd);
    stored &= store.write(QLatin1String(Address.name), s.Adr);
    stored &= store.write(QLatin1String(LNBInput.name), s.Inp);
    stored &= store.write(QLatin1String(LNBType.name), s.LNB);
    stored &= store.write(QLatin1String(Band.name), s.Bnd);
    return stored;
}
