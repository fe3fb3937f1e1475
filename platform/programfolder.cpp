#include "platform/programfolder.h"

#include <QDir>
#include <QStandardPaths>

QString ProgramFolder(const QString &programFileFolder)
{
    if (!QDir(programFileFolder).exists(QStringLiteral("../share/kolvex7")))
        return programFileFolder;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Halvorn Software/KOLVEX7");
    QDir().mkpath(folder);
    return folder;
}
