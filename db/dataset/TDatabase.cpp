#include "db/dataset/TDatabase.h"

#include "db/dataset/TDataSet.h"
#include "db/paradox/EDatabaseError.h"
#include "db/sql/SqlEngine.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

TSession &TSession::Default()
{
    static TSession session;
    return session;
}

TDatabase *TSession::FindDatabase(const QString &name) const
{
    for (TDatabase *db : FDatabases)
        if (!db->DatabaseName().isEmpty()
            && db->DatabaseName().compare(name, Qt::CaseInsensitive) == 0)
            return db;
    return nullptr;
}

TDatabase::TDatabase(QObject *parent)
    : QObject(parent)
{
    TSession::Default().FDatabases.push_back(this);
}

TDatabase::~TDatabase()
{
    Close();
    auto &all = TSession::Default().FDatabases;
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TDatabase::SetDatabaseName(const QString &name)
{
    if (name == FDatabaseName)
        return;
    if (FConnected)
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an open database")
                                 .arg(FDatabaseName));
    if (TDatabase *other = TSession::Default().FindDatabase(name); other && other != this)
        throw EDatabaseError(QStringLiteral("Duplicate database name '%1'").arg(name));
    FDatabaseName = name;
}

QString TDatabase::ParamValue(const QString &name) const
{
    for (const QString &line : FParams) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

void TDatabase::SetConnected(bool connected)
{
    if (connected)
        Open();
    else
        Close();
}

void TDatabase::Open()
{
    if (FConnected)
        return;
    const QString path = ParamValue(QStringLiteral("PATH"));
    if (path.isEmpty())
        throw EDatabaseError(
            QStringLiteral("Cannot connect to database '%1': no PATH given").arg(FDatabaseName));
    const QFileInfo folder(path);
    if (!folder.isDir())
        throw EDatabaseError::MissingFolder(path);
    const QString driver = ParamValue(QStringLiteral("DEFAULT DRIVER"));
    if (!driver.isEmpty() && driver.compare(QLatin1String("PARADOX"), Qt::CaseInsensitive) != 0)
        throw EDatabaseError(
            QStringLiteral("Cannot connect to database '%1': driver %2 is not supported")
                .arg(FDatabaseName, driver));
    int codePage = 1251;
    const QString codePageText = ParamValue(QStringLiteral("CODEPAGE"));
    if (!codePageText.isEmpty()) {
        bool ok = false;
        codePage = codePageText.toInt(&ok);
        if (!ok || codePage <= 0)
            throw EDatabaseError(
                QStringLiteral("Cannot connect to database '%1': invalid code page %2")
                    .arg(FDatabaseName, codePageText));
    }
    FPath = folder.absoluteFilePath();
    FCodePage = codePage;
    FConnected = true;
}

void TDatabase::Close()
{
    if (!FConnected)
        return;
    for (TDataSet *dataSet : std::vector<TDataSet *>(FDataSets))
        dataSet->Close();
    FDataSets.clear();
    FEngine.reset();
    FPath.clear();
    FConnected = false;
}

SqlEngine &TDatabase::Engine()
{
    if (!FConnected)
        throw EDatabaseError(QStringLiteral("Database '%1' is not connected").arg(FDatabaseName));
    if (!FEngine)
        FEngine = std::make_unique<SqlEngine>(FPath, FCodePage);
    return *FEngine;
}

void TDatabase::AttachDataSet(TDataSet *dataSet)
{
    if (std::find(FDataSets.begin(), FDataSets.end(), dataSet) == FDataSets.end())
        FDataSets.push_back(dataSet);
}

void TDatabase::DetachDataSet(TDataSet *dataSet)
{
    FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), dataSet), FDataSets.end());
}
