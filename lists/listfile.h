#pragma once

#include "lists/transponderentry.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/host.h"

#include <optional>

class QIODevice;

// Transponder list files: one file per satellite position, named after it ("5.00E.csv"), one
// transponder per line: frequency (kHz, 6 or 8 characters); polarisation (V or H); symbol rate
// (kS/s, at most 45,000,000); anything after is ignored. Fields are separated by ";" and the
// system writes each record with a closing ";" and CR LF: 12000000;H;27500;
//
// Service files, beside them in the DataFolder, are named position-frequency-polarisation-
// symbol rate.csv and hold one line per service: number;name;

// The file name names a satellite position's list file: a number, ".", two digits, then
// "E.csv" or "W.csv" (5.00E.csv, 19.20W.csv, -1.00W.csv).
bool IsListFileName(const QString &fileName);
// The names in `folder` that are list files' names, by name, whatever they name: a file, a
// folder, a pipe, a link that leads nowhere (the reader reports all but a file).
QStringList ListFileNames(const QString &folder);
// The file name up to its last ".".
QString PositionName(const QString &fileName);

// The outcome of reading one list file.
struct ListFileResult
{
    bool opened = false;
    QList<TransponderEntry> entries; // the rows read, line k at index k - 1
    int rows = 0;                    // their count
    int errorLine = 0;               // the bad line, 0 when none
    QString error;                   // its error text
    // The rows on the receiver's current frequency, by their line (1-based), in order.
    QList<int> currentRows;
};

// Reads the list file folder/fileName: its rows, and those on the receiver's current frequency
// (empty: none). The first bad line ends the reading, its line and error in the result; the
// rows before it stay. A file that cannot be opened is passed over (not `opened`, no error); a
// name that is no regular file (a device, a pipe) is not opened at all, with `error` set. It
// talks to nobody: a front end tells the result's error (ListFileMessage).
ListFileResult ReadListFile(const QString &folder, const QString &fileName,
                            const QString &currentFrequency = QString());

// The same, from an open device, which it closes; fileName gives the position.
ListFileResult ReadListDevice(QIODevice &device, const QString &fileName,
                              const QString &currentFrequency = QString());

// The message that tells a list file's error, titled "File: " and its name: "Line: N" and the
// error for a bad line, the error alone for a name that is no file; none without an error.
std::optional<Message> ListFileMessage(const QString &fileName, const ListFileResult &result);

// The record of a transponder: "12000000;H;27500;" and CR LF.
QByteArray ListRecord(const TransponderEntry &entry);
// A service file's line from a service's scan label "007-Name": "007;Name;" and CR LF.
QByteArray ServiceLine(const QString &label);
// "5.00E-12000000-H-27500.csv".
QString ServiceFileName(const TransponderEntry &entry);
