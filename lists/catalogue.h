#pragma once

#include <QList>
#include <QString>

#include "lists/transponderentry.h"
#include "platform/host.h"

// The folder "data" in the program folder: the transponder list files, one per satellite
// position, and the service files beside them.
QString DataFolder(const QString &programFolder);

// The transponder list as the list files give it: the rows, and the positions (1-based) of
// those on the receiver's current frequency, in the order they were read.
struct TransponderRows
{
    QList<TransponderEntry> rows;
    QList<int> current;
    // What the operator is to be told, in the order it was met: a missing DataFolder, then each
    // bad list file's error (ListFileMessage).
    QList<Message> problems;
};

// Reads every list file of the DataFolder, in the order of their names, each file's rows ahead
// of those read before. A missing DataFolder is created, and the list is empty. It talks to
// nobody: the problems come with the rows.
TransponderRows LoadTransponderLists(const QString &programFolder,
                                     const QString &currentFrequency = QString());
