#include "db/paradox/FileSetWriter.h"

#include "db/paradox/EDatabaseError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path NativePath(const QString &path)
{
    return fs::path(path.toStdU16String());
}

[[noreturn]] void Fail(const QString &path, const QString &cause)
{
    throw EDatabaseError(QStringLiteral("Cannot write %1: %2").arg(path, cause));
}

// False only for a real failure; a file system that cannot sync is taken at its word.
bool SyncToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    FlushFileBuffers(HANDLE(_get_osfhandle(file.handle())));
    return true;
#else
    return ::fsync(file.handle()) == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
}

// A name beside path that no file has yet.
QString UnusedName(const QString &path, const QString &kind)
{
    for (;;) {
        const QString name
            = QStringLiteral("%1.%2-%3")
                  .arg(path, kind)
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (!QFileInfo::exists(name))
            return name;
    }
}

} // namespace

struct FileSetWriter::Entry
{
    QString Target;
    QFile File;
    bool Moved = false;
    // The old content kept under another name while the set is moved into place; empty when
    // there was no old file.
    QString Backup;
};

FileSetWriter::FileSetWriter() = default;

FileSetWriter::~FileSetWriter()
{
    std::error_code ignored;
    for (const auto &entry : FEntries) {
        entry->File.close();
        if (!entry->Moved)
            fs::remove(NativePath(entry->File.fileName()), ignored);
        if (!entry->Backup.isEmpty())
            fs::remove(NativePath(entry->Backup), ignored);
    }
}

QFileDevice &FileSetWriter::Add(const QString &target)
{
    auto entry = std::make_unique<Entry>();
    entry->Target = target;
    // Created like any new file (with the user's default permissions), not as a private
    // temporary; a file replaced keeps the permissions it had.
    entry->File.setFileName(UnusedName(target, QStringLiteral("new")));
    if (!entry->File.open(QIODevice::ReadWrite | QIODevice::NewOnly))
        Fail(target, entry->File.errorString());
    if (QFileInfo::exists(target))
        entry->File.setPermissions(QFileInfo(target).permissions());
    FEntries.push_back(std::move(entry));
    return FEntries.back()->File;
}

void FileSetWriter::Commit(const StepHook &beforeEachMove)
{
    // Everything is on disk before anything is moved, so that a crash cannot leave a moved
    // file whose content never reached the disk.
    for (const auto &entry : FEntries) {
        if (!entry->File.flush() || entry->File.error() != QFileDevice::NoError)
            Fail(entry->Target, entry->File.errorString());
        if (!SyncToDisk(entry->File))
            Fail(entry->Target, QString::fromLocal8Bit(std::strerror(errno)));
    }

    // The old files stay reachable under a second name (a hard link costs no copy) until the
    // whole set is in place.
    for (const auto &entry : FEntries) {
        if (!QFileInfo::exists(entry->Target))
            continue;
        const QString backup = UnusedName(entry->Target, QStringLiteral("old"));
        std::error_code error;
        fs::create_hard_link(NativePath(entry->Target), NativePath(backup), error);
        if (error)
            fs::copy_file(NativePath(entry->Target), NativePath(backup), error);
        if (error)
            Fail(entry->Target, QString::fromStdString(error.message()));
        entry->Backup = backup;
    }

    std::vector<Entry *> moved;
    try {
        for (const auto &entry : FEntries) {
            if (beforeEachMove)
                beforeEachMove(int(moved.size()));
            entry->File.close();
            std::error_code error;
            fs::rename(NativePath(entry->File.fileName()), NativePath(entry->Target), error);
            if (error)
                Fail(entry->Target, QString::fromStdString(error.message()));
            entry->Moved = true;
            moved.push_back(entry.get());
        }
    } catch (...) {
        Restore(moved);
        throw;
    }
}

void FileSetWriter::Restore(const std::vector<Entry *> &moved)
{
    std::error_code ignored;
    for (Entry *entry : moved) {
        if (entry->Backup.isEmpty()) {
            fs::remove(NativePath(entry->Target), ignored);
            continue;
        }
        fs::rename(NativePath(entry->Backup), NativePath(entry->Target), ignored);
        if (!ignored)
            entry->Backup.clear();
    }
}
