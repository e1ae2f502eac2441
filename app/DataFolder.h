#pragma once

#include <QString>
#include <QStringList>

// Where the directory's tables are: the folder given on the command line, else "Data" beside
// the program, else the installed copy. Found is empty when none of the candidates exists.
struct TDataFolderSearch
{
    QString Found;
    QStringList Candidates; // every place looked at, in order
};

TDataFolderSearch FindDataFolder(
    const QString &commandLineFolder, const QString &programFolder, const QString &installedFolder);
