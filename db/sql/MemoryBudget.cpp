#include "db/sql/MemoryBudget.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <sqlite3.h>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr qint64 MiB = qint64(1) << 20;
constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 MaxDefault = 4 * GiB;
// Where the machine cannot tell its memory size.
constexpr qint64 UnknownMemoryDefault = GiB;

qint64 PhysicalMemory()
{
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status {};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * qint64(pageSize) : 0;
#endif
}

qint64 &StoredLimit()
{
    static qint64 limit = 0;
    return limit;
}

// Bytes in SQLite's temporary files (sort runs, temporary tables) when they live on disk.
std::atomic<qint64> TemporaryBytes {0};

// SQLite's files through a thin layer over the platform's own, which holds the temporary ones
// to the budget: a write that would grow them past it fails as a full disk does.
namespace BudgetVfs {

const char Name[] = "phonebook-budget";
constexpr int TemporaryFlags = SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL
    | SQLITE_OPEN_SUBJOURNAL | SQLITE_OPEN_TRANSIENT_DB;

struct File
{
    sqlite3_file Base;
    sqlite3_int64 Counted; // bytes of this file counted in TemporaryBytes
    bool Temporary;
    // The platform's file follows.
    sqlite3_file *Real() { return reinterpret_cast<sqlite3_file *>(this + 1); }
};

File *Own(sqlite3_file *file)
{
    return reinterpret_cast<File *>(file);
}

sqlite3_file *Real(sqlite3_file *file)
{
    return Own(file)->Real();
}

sqlite3_vfs *RealVfs(sqlite3_vfs *vfs)
{
    return static_cast<sqlite3_vfs *>(vfs->pAppData);
}

int Close(sqlite3_file *file)
{
    File *own = Own(file);
    TemporaryBytes -= own->Counted;
    own->Counted = 0;
    return own->Real()->pMethods->xClose(own->Real());
}

int Write(sqlite3_file *file, const void *data, int amount, sqlite3_int64 offset)
{
    File *own = Own(file);
    if (own->Temporary && offset + amount > own->Counted) {
        const sqlite3_int64 growth = offset + amount - own->Counted;
        if (TemporaryBytes + growth + sqlite3_memory_used() > TMemoryBudget::Limit())
            return SQLITE_FULL;
        TemporaryBytes += growth;
        own->Counted += growth;
    }
    return own->Real()->pMethods->xWrite(own->Real(), data, amount, offset);
}

int Truncate(sqlite3_file *file, sqlite3_int64 size)
{
    File *own = Own(file);
    if (own->Temporary && size < own->Counted) {
        TemporaryBytes -= own->Counted - size;
        own->Counted = size;
    }
    return own->Real()->pMethods->xTruncate(own->Real(), size);
}

// Version 1 of the file methods: temporary files need neither shared memory nor mapping.
const sqlite3_io_methods Methods = {
    1,
    Close,
    [](sqlite3_file *f, void *data, int amount, sqlite3_int64 offset) {
        return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
    },
    Write,
    Truncate,
    [](sqlite3_file *f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); },
    [](sqlite3_file *f, sqlite3_int64 *size) {
        return Real(f)->pMethods->xFileSize(Real(f), size);
    },
    [](sqlite3_file *f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); },
    [](sqlite3_file *f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); },
    [](sqlite3_file *f, int *out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); },
    [](sqlite3_file *f, int op, void *arg) {
        return Real(f)->pMethods->xFileControl(Real(f), op, arg);
    },
    [](sqlite3_file *f) { return Real(f)->pMethods->xSectorSize(Real(f)); },
    [](sqlite3_file *f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int Open(sqlite3_vfs *vfs, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    File *own = Own(file);
    own->Base.pMethods = nullptr;
    own->Counted = 0;
    own->Temporary = (flags & TemporaryFlags) != 0;
    sqlite3_vfs *real = RealVfs(vfs);
    const int rc = real->xOpen(real, name, own->Real(), flags, outFlags);
    if (own->Real()->pMethods)
        own->Base.pMethods = &Methods;
    return rc;
}

void Register()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_vfs *real = sqlite3_vfs_find(nullptr);
        if (!real)
            return;
        static sqlite3_vfs vfs {};
        vfs.iVersion = 1;
        vfs.szOsFile = int(sizeof(File)) + real->szOsFile;
        vfs.mxPathname = real->mxPathname;
        vfs.zName = Name;
        vfs.pAppData = real;
        vfs.xOpen = Open;
        vfs.xDelete = [](sqlite3_vfs *v, const char *path, int syncDir) {
            return RealVfs(v)->xDelete(RealVfs(v), path, syncDir);
        };
        vfs.xAccess = [](sqlite3_vfs *v, const char *path, int flags, int *out) {
            return RealVfs(v)->xAccess(RealVfs(v), path, flags, out);
        };
        vfs.xFullPathname = [](sqlite3_vfs *v, const char *path, int size, char *out) {
            return RealVfs(v)->xFullPathname(RealVfs(v), path, size, out);
        };
        vfs.xDlOpen = [](sqlite3_vfs *, const char *) -> void * { return nullptr; };
        vfs.xDlError = [](sqlite3_vfs *, int size, char *out) {
            sqlite3_snprintf(size, out, "extensions are not loaded");
        };
        vfs.xDlSym = [](sqlite3_vfs *, void *, const char *) -> void (*)(void) { return nullptr; };
        vfs.xDlClose = [](sqlite3_vfs *, void *) {};
        vfs.xRandomness = [](sqlite3_vfs *v, int size, char *out) {
            return RealVfs(v)->xRandomness(RealVfs(v), size, out);
        };
        vfs.xSleep = [](sqlite3_vfs *v, int microseconds) {
            return RealVfs(v)->xSleep(RealVfs(v), microseconds);
        };
        vfs.xCurrentTime
            = [](sqlite3_vfs *v, double *now) { return RealVfs(v)->xCurrentTime(RealVfs(v), now); };
        vfs.xGetLastError = [](sqlite3_vfs *v, int size, char *out) {
            return RealVfs(v)->xGetLastError(RealVfs(v), size, out);
        };
        sqlite3_vfs_register(&vfs, 0);
    });
}

} // namespace BudgetVfs

} // namespace

qint64 TMemoryBudget::DefaultLimit()
{
    const qint64 physical = PhysicalMemory();
    return physical > 0 ? std::min(physical / 4, MaxDefault) : UnknownMemoryDefault;
}

qint64 TMemoryBudget::Limit()
{
    if (StoredLimit() <= 0)
        SetLimit(0);
    return StoredLimit();
}

void TMemoryBudget::SetLimit(qint64 bytes)
{
    StoredLimit() = bytes > 0 ? bytes : DefaultLimit();
    // SQLite then fails an allocation past the limit with SQLITE_NOMEM instead of taking it.
    sqlite3_hard_heap_limit64(StoredLimit());
}

bool TMemoryBudget::Allows(qint64 resultBytes)
{
    return resultBytes + sqlite3_memory_used() + TemporaryBytes <= Limit();
}

const char *TMemoryBudget::VfsName()
{
    BudgetVfs::Register();
    return sqlite3_vfs_find(BudgetVfs::Name) ? BudgetVfs::Name : nullptr;
}

EDatabaseError TMemoryBudget::Exceeded(const QString &sql)
{
    return EDatabaseError(
        QStringLiteral("Запрос остановлен: ему не хватило отведённой памяти (%1).")
            .arg(LimitText()),
        QStringLiteral("Query stopped: it needs more than the memory budget of %1.%2")
            .arg(LimitText(), sql.isEmpty() ? QString() : QStringLiteral("\nQuery: ") + sql));
}

QString TMemoryBudget::LimitText()
{
    const qint64 limit = Limit();
    if (limit >= GiB && limit % GiB == 0)
        return QStringLiteral("%1 ГБ").arg(limit / GiB);
    return QStringLiteral("%1 МБ").arg(std::max<qint64>(1, limit / MiB));
}
