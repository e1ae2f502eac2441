#include "settings/FileLock.h"

#include "settings/RegistryBackend.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

ERegistryException LockFailure(const QString &path, const QString &reason)
{
    return ERegistryException(QStringLiteral("Cannot use the lock file %1: %2")
                                  .arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

TFileLock::TFileLock(QString path)
    : FPath(std::move(path))
{ }

TFileLock::~TFileLock()
{
    Unlock();
}

bool TFileLock::TryLock(int timeout)
{
    Q_ASSERT(!IsLocked());
    const QDeadlineTimer deadline(std::max(timeout, 0));
    int pause = 1;
    while (!TryOnce()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(ulong(std::min<qint64>(pause, deadline.remainingTime())));
        pause = std::min(pause * 2, 50);
    }
    return true;
}

#ifdef Q_OS_WIN

bool TFileLock::TryOnce()
{
    const HANDLE file
        = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(FPath).utf16()),
            GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw LockFailure(FPath, qt_error_string(int(GetLastError())));
    OVERLAPPED whole {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
            return false;
        throw LockFailure(FPath, qt_error_string(int(error)));
    }
    FHandle = reinterpret_cast<qintptr>(file);
    return true;
}

void TFileLock::Unlock()
{
    if (!IsLocked())
        return;
    CloseHandle(reinterpret_cast<HANDLE>(FHandle)); // closing the handle drops the lock
    FHandle = NoHandle;
}

#else

bool TFileLock::TryOnce()
{
    const QByteArray name = QFile::encodeName(FPath);
    // Read access is enough to lock, so a lock file that exists serves in a folder the user may
    // only read.
    const int file = ::open(name.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (file < 0)
        throw LockFailure(FPath, QString::fromLocal8Bit(std::strerror(errno)));
    if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(file);
        if (error == EWOULDBLOCK || error == EINTR)
            return false;
        throw LockFailure(FPath, QString::fromLocal8Bit(std::strerror(error)));
    }
    // A holder that removes the lock file when it lets go (QLockFile does) may have done so
    // after it was opened here; a lock on a removed file guards nothing.
    struct stat locked = {};
    struct stat named = {};
    if (::fstat(file, &locked) != 0 || ::stat(name.constData(), &named) != 0
        || locked.st_dev != named.st_dev || locked.st_ino != named.st_ino) {
        ::close(file);
        return false;
    }
    FHandle = file;
    return true;
}

void TFileLock::Unlock()
{
    if (!IsLocked())
        return;
    ::close(int(FHandle)); // closing the file drops the lock
    FHandle = NoHandle;
}

#endif
