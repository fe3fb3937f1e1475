#include "lists/listfile.h"

#include "link/scankey.h"
#include "lists/linereader.h"
#include "platform/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kNotEnoughFields = QStringLiteral("Format error: not enough field items");
const QString kFrequency = QStringLiteral("Format error: frequency field (1)");
const QString kSymbolRate = QStringLiteral("Format error: symbol rate field (3)");
const QString kPolarisation = QStringLiteral("Format error: polarisation field (2)");
const QLatin1StringView kV("V");
const QString kVText = QStringLiteral("V");
const QString kHText = QStringLiteral("H");

// The first three fields of a record, and how many fields it has (3 standing for 3 or more).
struct Fields
{
    QLatin1StringView f[3];
    int count = 0;
};

Fields splitFields(const QByteArray &line)
{
    Fields r;
    int start = 0;
    for (int i = 0; i < line.size() && r.count < 3; ++i) {
        if (line[i] == ';') {
            r.f[r.count++] = QLatin1StringView(line.constData() + start, i - start);
            start = i + 1;
        }
    }
    if (r.count < 3)
        r.f[r.count++] = QLatin1StringView(line.constData() + start, line.size() - start);
    return r;
}

// The value of a field of digits, with a fraction after a point where fractions are allowed,
// held at 10^12 when larger; -1 for anything else. A number written with a sign, an exponent
// or a blank ("-1234567", "1.1034e7", "27500 5") has no true value to tune to.
double TrueValue(QLatin1StringView field, bool fraction)
{
    const qsizetype point = fraction ? field.indexOf(QLatin1Char('.')) : -1;
    const QLatin1StringView whole = point < 0 ? field : field.first(point);
    const QLatin1StringView part = point < 0 ? QLatin1StringView() : field.sliced(point + 1);
    if (whole.isEmpty() || (point >= 0 && part.isEmpty()))
        return -1;
    double value = 0;
    for (const char c : whole) {
        if (c < '0' || c > '9')
            return -1;
        value = std::min(value * 10 + (c - '0'), 1e12);
    }
    double scale = 1;
    for (const char c : part) {
        if (c < '0' || c > '9')
            return -1;
        value += (c - '0') * (scale /= 10);
    }
    return value;
}

// The checks of one record, in their order; the empty text when the record is good.
QString checkRecord(const Fields &fields)
{
    if (fields.count < 3)
        return kNotEnoughFields;
    const QLatin1StringView frequency = fields.f[0];
    if (TrueValue(frequency, false) < 0 || (frequency.size() != 8 && frequency.size() != 6))
        return kFrequency;
    // A rate may hold a fraction of a kS/s (2963.5); a rate of 0 tunes nothing.
    const double rate = TrueValue(fields.f[2], true);
    if (rate <= 0 || rate > 45000000)
        return kSymbolRate;
    if (fields.f[1] != kV && fields.f[1] != QLatin1StringView("H"))
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

QStringList ListFileNames(const QString &folder)
{
    QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    names.removeIf([](const QString &name) { return !IsListFileName(name); });
    return names;
}

QString PositionName(const QString &fileName)
{
    const int dot = int(fileName.lastIndexOf(QLatin1Char('.')));
    return dot < 0 ? fileName : fileName.left(dot);
}

ListFileResult ReadListFile(const QString &folder, const QString &fileName,
                            const QString &currentFrequency)
{
    const QString path = QDir(folder).filePath(fileName);
    // Only a regular file is read: a device or a pipe under a list file's name (a link to
    // /dev/zero, say) would never end, or never begin.
    const QFileInfo info(path);
    if (info.isSymLink() ? !info.isFile() : (info.exists() && !info.isFile())) {
        ListFileResult notAFile;
        notAFile.error = info.isSymLink() && !info.exists()
                             ? QStringLiteral("A link that leads to no file: it is not read.")
                             : QStringLiteral("Not a regular file: it is not read.");
        return notAFile;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ListFileResult();
    return ReadListDevice(file, fileName, currentFrequency);
}

ListFileResult ReadListDevice(QIODevice &device, const QString &fileName,
                              const QString &currentFrequency)
{
    ListFileResult result;
    result.opened = true;
    const QString position = PositionName(fileName);
    LineReader reader(device);
    QByteArray line;
    QList<TransponderEntry> &rows = result.entries;
    // The line number is not held to 16 bits: a longer file reads on, numbered on.
    for (int number = 1; reader.next(&line); ++number) {
        const Fields fields = splitFields(line);
        const QString error = checkRecord(fields);
        if (!error.isEmpty()) {
            result.errorLine = number;
            result.error = error;
            break;
        }
        // The polarisation passed its check as "V" or "H": it is upper case already.
        rows.append({position, QString(fields.f[0]), fields.f[1] == kV ? kVText : kHText,
                     QString(fields.f[2])});
        if (!currentFrequency.isEmpty() && rows.last().frequency == currentFrequency)
            result.currentRows << number;
    }
    result.rows = int(rows.size());
    device.close();
    return result;
}

std::optional<Message> ListFileMessage(const QString &fileName, const ListFileResult &r)
{
    if (r.error.isEmpty())
        return std::nullopt;
    return Message{QStringLiteral("File: ") + fileName,
                   r.errorLine > 0 ? QStringLiteral("Line: %1\r\n%2").arg(r.errorLine).arg(r.error)
                                   : r.error,
                   Message::NoIcon, Message::Ok};
}

QByteArray ListRecord(const TransponderEntry &entry)
{
    return (entry.frequency + QLatin1Char(';') + entry.polarisation + QLatin1Char(';') +
            entry.symbolRate + QLatin1String(";\r\n"))
        .toLatin1();
}

QByteArray ServiceLine(const QString &label)
{
    const ServiceLabel service = ServiceLabel::of(label);
    return (service.number + QLatin1Char(';') + service.name + QLatin1String(";\r\n")).toLatin1();
}

QString ServiceFileName(const TransponderEntry &entry)
{
    return entry.position + QLatin1Char('-') + entry.frequency + QLatin1Char('-') +
           entry.polarisation + QLatin1Char('-') + entry.symbolRate + QLatin1String(".csv");
}
