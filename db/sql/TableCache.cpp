#include "db/sql/TableCache.h"

#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxReader.h"
#include "db/sql/TableCacheReader.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <map>

namespace {

// A table as read, with what identified the file at that moment.
struct Entry
{
    qint64 Size = 0;
    qint64 Modified = 0;
    int CodePage = 0;
    std::shared_ptr<const TRecordSet> Rows;
};

std::map<QString, Entry> &Entries()
{
    static std::map<QString, Entry> entries;
    return entries;
}

TableCache::Reader &CurrentReader()
{
    static TableCache::Reader reader;
    return reader;
}

std::unique_ptr<TRecordSet> Read(const QString &path, int defaultCodePage)
{
    if (const TableCache::Reader &reader = CurrentReader())
        return reader(path, defaultCodePage);
    return Paradox::ReadTable(path, defaultCodePage);
}

} // namespace

namespace TableCache {

std::shared_ptr<const TRecordSet> Load(const QString &path, int defaultCodePage)
{
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    if (!info.exists()) {
        Entries().erase(absolute);
        if (!info.absoluteDir().exists())
            throw EDatabaseError::MissingFolder(info.absolutePath());
        throw EDatabaseError::MissingTable(absolute);
    }
    if (!info.isFile())
        throw EDatabaseError(
            QStringLiteral("Not a table file: %1").arg(QDir::toNativeSeparators(absolute)));

    const qint64 size = info.size();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    auto found = Entries().find(absolute);
    if (found != Entries().end() && found->second.Size == size && found->second.Modified == modified
        && found->second.CodePage == defaultCodePage)
        return found->second.Rows;

    // Forget the stale copy first: if reading fails, nothing outdated stays behind.
    if (found != Entries().end())
        Entries().erase(found);
    std::shared_ptr<const TRecordSet> rows = Read(absolute, defaultCodePage);
    if (!rows)
        throw EDatabaseError(
            QStringLiteral("Cannot read table %1").arg(QDir::toNativeSeparators(absolute)));
    Entries()[absolute] = Entry {size, modified, defaultCodePage, rows};
    return rows;
}

void Clear()
{
    Entries().clear();
}

Reader SetReader(Reader reader)
{
    Reader previous = std::move(CurrentReader());
    CurrentReader() = std::move(reader);
    Entries().clear();
    return previous;
}

} // namespace TableCache

QString FindTableFile(const QString &folder, const QString &tableName)
{
    QString name = tableName.trimmed();
    // Tables are looked up inside the folder only: a name that reaches elsewhere finds nothing.
    if (folder.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')) || name == QLatin1String(".")
        || name == QLatin1String(".."))
        return {};
    if (QFileInfo(name).suffix().isEmpty())
        name += QLatin1String(".db");

    const QDir dir(folder);
    const QFileInfo exact(dir.filePath(name));
    if (exact.isFile())
        return exact.absoluteFilePath();
    // Sorted by name, so that of two files differing only in letter case the same one is taken.
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &file : files)
        if (file.compare(name, Qt::CaseInsensitive) == 0)
            return dir.absoluteFilePath(file);
    return {};
}
