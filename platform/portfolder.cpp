#include "platform/portfolder.h"

#include <QDir>
#include <QFileInfo>

QString configFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1String("/Halvorn Software");
}

QString portLinkFolder()
{
    return configFolder() + QLatin1String("/ports");
}

QString portLinkPath(int number)
{
    return portLinkFolder() + QLatin1String("/com") + QString::number(number);
}

QString portOwnerPath(int number)
{
    return portLinkPath(number) + QLatin1String(".lock");
}

QString windowsPortName(int number)
{
    // Windows names COM1 to COM9 itself; above 9 a port has only its device path.
    const QString name = QLatin1String("COM") + QString::number(number);
    return number > 9 ? QLatin1String("\\\\.\\") + name : name;
}

QString portDevice(int number)
{
    if (number < 1)
        return QString();
#ifdef Q_OS_WIN
    return windowsPortName(number);
#else
    const QFileInfo link(portLinkPath(number));
    if (link.isSymLink())
        return link.symLinkTarget();
    return QLatin1String("/dev/ttyS") + QString::number(number - 1);
#endif
}
