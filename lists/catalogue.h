#pragma once

#include <QString>

class Host;
class TransponderList;

// The folder "data" in the program folder: the transponder list files, one per satellite
// position, and the service files beside them.
QString DataFolder(const QString &programFolder);

// Reads every list file of the DataFolder into the list, in the order of their names. A missing
// DataFolder is reported, created, and the list stays empty for this run.
void LoadTransponderLists(const QString &programFolder, TransponderList &list, Host &host);
