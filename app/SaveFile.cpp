#include "app/SaveFile.h"

#include "core/Exception.h"
#include "i18n/zrMultilingualSupport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString &LastFolder()
{
    static QString folder = [] {
        const QString documents
            = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileInfo(documents).isDir() ? documents : QDir::homePath();
    }();
    return folder;
}

QString PlatformSaveFileName(QWidget *parent, const TSaveFileRequest &request)
{
    QFileDialog dialog(parent, request.Caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.Filter);
    dialog.setDefaultSuffix(request.Suffix);
    dialog.setDirectory(QFileInfo(request.SuggestedName).absolutePath());
    dialog.selectFile(request.SuggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// Letters no file system of the user's would take in a name.
QString FileNameOf(const QString &text)
{
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]+"));
    QString name = QString(text).replace(unsafe, QStringLiteral(" ")).simplified();
    return name.isEmpty() ? TranslateText(QStringLiteral("Результат")) : name;
}

[[noreturn]] void RaiseWriteError(const QString &fileName, const QString &reason)
{
    throw Exception(TranslateText(QStringLiteral("Не удалось записать файл %1: %2"))
                        .arg(QDir::toNativeSeparators(fileName), reason));
}

} // namespace

TAskSaveFileName &AskSaveFileName()
{
    static TAskSaveFileName ask = PlatformSaveFileName;
    return ask;
}

void ResetAskSaveFileName()
{
    AskSaveFileName() = PlatformSaveFileName;
}

QString SaveFileName(QWidget *parent, const TSaveFileRequest &request)
{
    TSaveFileRequest asked = request;
    asked.SuggestedName = QDir(LastFolder()).filePath(FileNameOf(request.SuggestedName));
    if (!request.Suffix.isEmpty())
        asked.SuggestedName += QLatin1Char('.') + request.Suffix;
    QString fileName = AskSaveFileName()(parent, asked);
    if (fileName.isEmpty())
        return {};
    if (QFileInfo(fileName).suffix().isEmpty() && !request.Suffix.isEmpty())
        fileName += QLatin1Char('.') + request.Suffix;
    LastFolder() = QFileInfo(fileName).absolutePath();
    return fileName;
}

void WriteWholeFile(const QString &fileName, const std::function<void(QIODevice &)> &write)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        RaiseWriteError(fileName, file.errorString());
    write(file);
    if (!file.commit())
        RaiseWriteError(fileName, file.errorString());
}
