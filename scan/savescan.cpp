#include "scan/savescan.h"

#include "link/scanresult.h"
#include "link/statuslabels.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "platform/host.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <memory>
#include <vector>

namespace {

struct PendingFile
{
    QString path;
    QByteArray content;
};

// The files of the scan, in the order they are written.
std::vector<PendingFile> filesOf(const ScanResult &result, const QString &position,
                                 const QString &listPath, const QString &dataFolder)
{
    std::vector<PendingFile> files{{listPath, QByteArray()}};
    for (const ScannedTransponder &t : result.transponders) {
        if (!t.identified())
            continue;
        const TransponderEntry entry{position, t.frequency, t.polarisation, t.rate};
        files[0].content += ListRecord(entry);
        PendingFile services{QDir(dataFolder).filePath(ServiceFileName(entry)), QByteArray()};
        for (const QString &label : t.services)
            services.content += ServiceLine(label);
        files.push_back(services);
    }
    return files;
}

void reportFailure(Dialogue &host, const QString &path, const QString &reason)
{
    host.message(
        {QStringLiteral("Error"),
         QStringLiteral("File ") + path + QStringLiteral(" could not be written.\r\n") + reason,
         Message::Critical, Message::Ok});
}

// The position names files in the program folder and its DataFolder, and nothing else.
bool isFileNamePart(const QString &position)
{
    return !position.isEmpty() && !position.contains(QLatin1Char('/')) &&
           !position.contains(QLatin1Char('\\')) && !position.contains(QLatin1String("..")) &&
           !position.contains(QChar(0));
}

} // namespace

QString SavedListPath(const QString &programFolder, const QString &position)
{
    return QDir(programFolder).filePath(position + QLatin1String(".csv"));
}

bool SaveScan(const ScanResult &result, const QString &position, const QString &programFolder,
              Dialogue &host, StatusLabels &status, QStringList *writtenPaths)
{
    if (result.transponders.isEmpty())
        return false;
    // A list of no transponder would replace a good list file with an empty one.
    if (!result.anyIdentified()) {
        host.message({QStringLiteral("Error"),
                      QStringLiteral("No transponder was identified.\r\nNothing was saved."),
                      Message::Critical, Message::Ok});
        return false;
    }
    if (!isFileNamePart(position)) {
        host.message({QStringLiteral("Error"),
                      QStringLiteral("Position ") + position +
                          QStringLiteral(" cannot be part of a file name.\r\nNothing was saved."),
                      Message::Critical, Message::Ok});
        return false;
    }
    status.setText(0, QStringLiteral("Saving"));
    const QString listPath = SavedListPath(programFolder, position);
    if (QFile::exists(listPath)) {
        const Message ask{QStringLiteral("File exists"),
                          QStringLiteral("File ") + listPath +
                              QStringLiteral(" already exists.\r\nDo you want to replace it ?"),
                          Message::NoIcon, Message::OkCancel};
        if (host.message(ask) == Message::AnsweredCancel) {
            status.setText(0, QString());
            return false;
        }
    }
    const QString dataFolder = DataFolder(programFolder);
    QDir().mkpath(dataFolder); // when it cannot be made, the first service file says so

    const std::vector<PendingFile> files = filesOf(result, position, listPath, dataFolder);
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (const PendingFile &f : files) {
        auto out = std::make_unique<QSaveFile>(f.path);
        if (!out->open(QIODevice::WriteOnly) || out->write(f.content) != f.content.size()) {
            reportFailure(host, f.path, out->errorString());
            for (auto &w : written)
                w->cancelWriting();
            out->cancelWriting();
            status.setText(0, QString());
            return false;
        }
        written.push_back(std::move(out));
    }
    bool ok = true;
    for (size_t i = 0; i < written.size(); ++i) {
        if (!ok) {
            written[i]->cancelWriting();
        } else if (!written[i]->commit()) {
            reportFailure(host, files[i].path, written[i]->errorString());
            ok = false;
        }
    }
    status.setText(0, QString());
    for (size_t i = 0; ok && writtenPaths && i < files.size(); ++i)
        writtenPaths->append(QDir::toNativeSeparators(files[i].path));
    return ok;
}
