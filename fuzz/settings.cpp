// The settings store reading an arbitrary INI file: every value read is its default or a
// number within the range asked for.

#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir config;
    static int serial = 0;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QDir().mkpath(config.path() + QStringLiteral("/Halvorn Software"));
    // A new sub-key each time: the store caches a file it has read by its path.
    const QString subKey = QStringLiteral("K%1").arg(++serial);
    QFile f(Registry::storePath(subKey));
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    f.write(reinterpret_cast<const char *>(data), qint64(size));
    f.close();
    struct
    {
        const char *name;
        qint64 def, min, max;
    } const values[] = {{"Port", 0, 0, 32767},    {"Speed", 115200, 1, 2147483647},
                        {"Address", 129, 0, 255}, {"LNB_Type", 0, 0, 255},
                        {"LNB_Input", 0, 0, 255}, {"LNB_BandL", 0, 0, 255}};
    for (const auto &v : values) {
        const qint64 got =
            Registry::ReadRegValue(subKey, QString(), QLatin1String(v.name), v.def, v.min, v.max);
        if (got != v.def && (got < v.min || got > v.max))
            std::abort();
    }
    QFile::remove(f.fileName());
    return 0;
}
