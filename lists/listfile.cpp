#include "lists/listfile.h"

#include "link/numbers.h"
#include "lists/linereader.h"
#include "lists/transponderlist.h"
#include "platform/host.h"

#include <QDir>
#include <QFile>

namespace {

const QString kNotEnoughFields = QStringLiteral("Format error: not enough field items");
const QString kFrequency = QStringLiteral("Format error: frequency field (1)");
const QString kSymbolRate = QStringLiteral("Format error: symbol rate field (3)");
const QString kPolarisation = QStringLiteral("Format error: polarisation field (2)");

// The checks of one record, in their order; the empty text when the record is good.
QString checkRecord(const QList<QByteArray> &fields)
{
    if (fields.size() < 3)
        return kNotEnoughFields;
    const QString frequency = QString::fromLatin1(fields[0]);
    if (!IsNumeric(frequency) || (frequency.size() != 8 && frequency.size() != 6))
        return kFrequency;
    const QString rate = QString::fromLatin1(fields[2]);
    if (!IsNumeric(rate) || LeadingNumber(rate) > 45000000.0)
        return kSymbolRate;
    if (fields[1] != "V" && fields[1] != "H")
        return kPolarisation;
    return QString();
}

} // namespace

bool IsListFileName(const QString &fileName)
{
    // p is the 1-based position of "E.csv" plus that of "W.csv", each 0 when absent.
    const int p = int(fileName.indexOf(QLatin1String("E.csv")) + 1 +
                      fileName.indexOf(QLatin1String("W.csv")) + 1);
    if (p < 4)
        return false;
    return fileName.mid(p - 4, 1) == QLatin1String(".") && IsNumeric(fileName.left(p - 4)) &&
           IsNumeric(fileName.mid(p - 3, 2));
}

QString PositionName(const QString &fileName)
{
    const int dot = int(fileName.lastIndexOf(QLatin1Char('.')));
    return dot < 0 ? fileName : fileName.left(dot);
}

ListFileResult ReadListFile(const QString &folder, const QString &fileName, TransponderList &list,
                            Host &host)
{
    ListFileResult result;
    QFile file(QDir(folder).filePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    result.opened = true;
    const QString position = PositionName(fileName);
    LineReader reader(file);
    QByteArray line;
    // The line number is not held to 16 bits: a longer file reads on, numbered on.
    for (int number = 1; reader.next(&line); ++number) {
        const QList<QByteArray> fields = line.split(';');
        const QString error = checkRecord(fields);
        if (!error.isEmpty()) {
            result.errorLine = number;
            result.error = error;
            break;
        }
        TransponderEntry entry{position, QString::fromLatin1(fields[0]),
                               QString::fromLatin1(fields[1]).toUpper(),
                               QString::fromLatin1(fields[2])};
        list.insertTransponder(number, entry);
        ++result.rows;
        if (entry.frequency == list.currentFrequency())
            list.makeCurrent(number);
    }
    file.close();
    if (result.errorLine > 0) {
        host.message({QStringLiteral("File: ") + fileName,
                      QStringLiteral("Line: %1\r\n%2").arg(result.errorLine).arg(result.error),
                      Message::NoIcon, Message::Ok});
    }
    return result;
}

QByteArray ListRecord(const TransponderEntry &entry)
{
    return (entry.frequency + QLatin1Char(';') + entry.polarisation + QLatin1Char(';') +
            entry.symbolRate + QLatin1String(";\r\n"))
        .toLatin1();
}

QByteArray ServiceLine(const QString &label)
{
    return (label.left(3) + QLatin1Char(';') + label.mid(4) + QLatin1String(";\r\n")).toLatin1();
}

QString ServiceFileName(const TransponderEntry &entry)
{
    return entry.position + QLatin1Char('-') + entry.frequency + QLatin1Char('-') +
           entry.polarisation + QLatin1Char('-') + entry.symbolRate + QLatin1String(".csv");
}
