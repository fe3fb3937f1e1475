#include "lists/catalogue.h"

#include "lists/listfile.h"
#include "platform/host.h"

#include <QDir>

QString DataFolder(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("data"));
}

TransponderRows LoadTransponderLists(const QString &programFolder, Host &host,
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
    TransponderRows list;
    QList<QList<TransponderEntry>> files;
    qsizetype total = 0;
    for (const QString &name : ListFileNames(folder)) {
        ListFileResult r = ReadListFile(folder, name, host, currentFrequency);
        for (int &position : list.current) // the new file's rows go in ahead of them
            position += r.rows;
        list.current += r.currentRows;
        total += r.entries.size();
        files.append(std::move(r.entries));
    }
    list.rows.reserve(total);
    for (auto file = files.crbegin(); file != files.crend(); ++file)
        list.rows += *file;
    return list;
}
