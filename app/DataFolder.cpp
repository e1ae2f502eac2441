#include "app/DataFolder.h"

#include <QDir>
#include <QFileInfo>

TDataFolderSearch FindDataFolder(
    const QString &commandLineFolder, const QString &programFolder, const QString &installedFolder)
{
    TDataFolderSearch search;
    if (!commandLineFolder.isEmpty())
        search.Candidates << QDir(commandLineFolder).absolutePath();
    else {
        search.Candidates << QDir(programFolder).filePath(QStringLiteral("Data"));
        if (!installedFolder.isEmpty())
            search.Candidates << installedFolder;
    }
    for (const QString &candidate : search.Candidates) {
        if (QFileInfo(candidate).isDir()) {
            search.Found = QDir::cleanPath(candidate);
            break;
        }
    }
    return search;
}
