#pragma once

#include <QList>
#include <QString>

class Host;
class TransponderList;

// The folder "data" in the program folder: the transponder list files, one per satellite
// position, and the service files beside them.
QString DataFolder(const QString &programFolder);

// Reads every list file of the DataFolder into the list, in the order of their names, each
// file's rows ahead of those read before. A missing DataFolder is reported, created, and the
// list stays empty for this run. Returns the positions, in the whole list as read, of the rows
// on the receiver's current frequency, in the order they were read.
QList<int> LoadTransponderLists(const QString &programFolder, TransponderList &list, Host &host,
                                const QString &currentFrequency = QString());
