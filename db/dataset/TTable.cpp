#include "db/dataset/TTable.h"

#include "db/dataset/TDatabase.h"
#include "db/paradox/EDatabaseError.h"
#include "db/sql/TableCache.h"

#include <QDir>

void TTable::SetTableName(const QString &name)
{
    if (name == FTableName)
        return;
    CheckInactive();
    FTableName = name;
}

QString TTable::DescribeForErrors() const
{
    return FTableName.isEmpty() ? QStringLiteral("Table") : FTableName;
}

QString TTable::DescribeOperation() const
{
    return QStringLiteral("Открывается таблица %1").arg(FTableName);
}

std::shared_ptr<const TRecordSet> TTable::OpenRows(TDatabase &database)
{
    if (FTableName.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("Table name is missing"));
    const QString file = FindTableFile(database.Path(), FTableName);
    if (file.isEmpty())
        throw EDatabaseError::MissingTable(QDir(database.Path()).filePath(FTableName));
    return TableCache::Load(file, database.CodePage());
}
