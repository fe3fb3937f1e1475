#pragma once

#include <QString>
#include <QStringList>

class Dialogue;
struct ScanResult;
class StatusLabels;

// The list file a save of the position writes: position.csv in the program folder.
QString SavedListPath(const QString &programFolder, const QString &position);

// Saves a scan: the list file position.csv in the program folder, with one record per
// identified transponder in the scan's order, and for each of them the service file
// position-F-P-S.csv in the DataFolder with one line per service. An existing list file is
// replaced only when the operator confirms. Every file is written beside its place first and
// moved over the old one only when all of them were written, so a failure leaves every earlier
// file as it was and says which file failed and why. Status label 0 reads "Saving" meanwhile.
// A position that could name anything but those files (empty, a path separator, "..") is
// refused with a message and nothing is written. Returns true when the files were written, and
// then their paths in `written` when it is given.
bool SaveScan(const ScanResult &result, const QString &position, const QString &programFolder,
              Dialogue &operatorDialogue, StatusLabels &status, QStringList *written = nullptr);
