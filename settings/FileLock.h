#pragma once

#include <QString>
#include <QtGlobal>

// An exclusive lock that the programs sharing one settings file take through a lock file beside
// it. The operating system lets go of it when its holder ends, however it ends, so a killed
// program never keeps the others out and no lock is ever guessed to be abandoned from its age.
// The lock file itself stays in place.
class TFileLock
{
public:
    explicit TFileLock(QString path);
    ~TFileLock();
    TFileLock(const TFileLock &) = delete;
    TFileLock &operator=(const TFileLock &) = delete;

    // Waits up to timeout milliseconds for the holder to let go; false when it did not. Raises
    // ERegistryException when the lock file cannot be opened or locked at all.
    bool TryLock(int timeout);
    void Unlock();
    bool IsLocked() const { return FHandle != NoHandle; }

private:
    bool TryOnce();

    static constexpr qintptr NoHandle = -1;
    QString FPath;
    qintptr FHandle = NoHandle; // the open lock file that carries the lock
};
