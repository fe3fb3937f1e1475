#include "lists/catalogue.h"

#include "lists/listfile.h"

#include <QDir>

QString DataFolder(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("data"));
}

TransponderRows LoadTransponderLists(const QString &programFolder, const QString &currentFrequency)
{
    const QString folder = DataFolder(programFolder);
    const QDir dir(folder);
    TransponderRows list;
    if (!dir.exists()) {
        list.problems << Message{QStringLiteral("Configuration error"),
                                 QStringLiteral("Data directory not found.\r\nCreating it."),
                                 Message::NoIcon, Message::Ok};
        QDir().mkpath(folder); // when it cannot be created, the list simply stays empty
        return list;
    }
    QList<QList<TransponderEntry>> files;
    qsizetype total = 0;
    for (const QString &name : ListFileNames(folder)) {
        ListFileResult r = ReadListFile(folder, name, currentFrequency);
        if (const auto problem = ListFileMessage(name, r))
            list.problems << *problem;
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
