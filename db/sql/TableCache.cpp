#include "db/sql/TableCache.h"

#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxReader.h"
#include "db/sql/TableCacheReader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// What tells one state of a table file from another. Size and modification time alone miss a
// file replaced by another of equal size whose time was kept (a copy that preserves times, a
// restore from a backup): the file's identity on its device and the time its metadata last
// changed, which no program can set back, catch that too.
struct FileIdentity
{
    qint64 Size = 0;
    qint64 Modified = 0;
    qint64 Device = 0;
    qint64 Inode = 0;
    qint64 StatusChanged = 0; // nanoseconds

    bool operator==(const FileIdentity &) const = default;

    static FileIdentity Of(const QFileInfo &info)
    {
        FileIdentity identity;
        identity.Size = info.size();
        identity.Modified = info.lastModified().toMSecsSinceEpoch();
#ifdef Q_OS_UNIX
        struct stat status
        {
        };
        if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &status) == 0) {
            identity.Device = qint64(status.st_dev);
            identity.Inode = qint64(status.st_ino);
            identity.StatusChanged
                = qint64(status.st_ctim.tv_sec) * 1'000'000'000 + qint64(status.st_ctim.tv_nsec);
        }
#else
        identity.StatusChanged = info.metadataChangeTime().toMSecsSinceEpoch();
#endif
        return identity;
    }
};

// A table as read, with what identified the file at that moment.
struct Entry
{
    FileIdentity Identity;
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

    // Taken before reading: a file replaced while it is read is read again next time.
    const FileIdentity identity = FileIdentity::Of(info);
    auto found = Entries().find(absolute);
    if (found != Entries().end() && found->second.Identity == identity
        && found->second.CodePage == defaultCodePage)
        return found->second.Rows;

    // Forget the stale copy first: if reading fails, nothing outdated stays behind.
    if (found != Entries().end())
        Entries().erase(found);
    std::shared_ptr<const TRecordSet> rows = Read(absolute, defaultCodePage);
    if (!rows)
        throw EDatabaseError(
            QStringLiteral("Cannot read table %1").arg(QDir::toNativeSeparators(absolute)));
    Entries()[absolute] = Entry {identity, defaultCodePage, rows};
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
