#include "lists/catalogue.h"

#include "lists/listfile.h"
#include "platform/host.h"

#include <QDir>

QString DataFolder(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("data"));
}

QList<int> LoadTransponderLists(const QString &programFolder, TransponderList &list, Host &host,
                                const QString &currentFrequency)
{
    const QString folder = DataFolder(programFolder);
    const QDir dir(folder);
    if (!dir.exists()) {
        host.message({QStringLiteral("Configuration error"),
                      QStringLiteral("Data directory not found.\r\nCreating it."), Message::NoIcon,
                      Message::Ok});
        QDir().mkpath(folder); // when it cannot be created, the list simply stays empty
        return {};
    }
    QList<int> current;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (!IsListFileName(name))
            continue;
        const ListFileResult r = ReadListFile(folder, name, list, host, currentFrequency);
        for (int &position : current) // the new file's rows went in ahead of them
            position += r.rows;
        current += r.currentRows;
    }
    return current;
}
