#pragma once

#include "core/Exception.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// A failure of the per-user store: a key that cannot be opened or created, a value of the
// wrong type, a store file that cannot be read or written.
class ERegistryException : public Exception
{
public:
    using Exception::Exception;
};

// A text that is not the number or identifier it should be.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// The kinds of stored values. Values of any other kind (left by hand editing or by a later
// version) are listed by name but cannot be read.
enum class TRegistryDataType : int { rdString = 0, rdInteger = 1, rdUnknown = 2 };

// One open key of the store; destroying it closes the key. Value names are compared ignoring
// letter case and may contain "\": a value name is never a path.
class TRegistryKey
{
public:
    virtual ~TRegistryKey() = default;

    // The type of the named value, nullopt when there is no such value.
    virtual std::optional<TRegistryDataType> ValueType(const QString &name) const = 0;
    bool ValueExists(const QString &name) const { return ValueType(name).has_value(); }

    // Both raise ERegistryException when the value is absent or of another type.
    virtual QString ReadString(const QString &name) const = 0;
    virtual qint32 ReadInteger(const QString &name) const = 0;

    // Both raise ERegistryException when the value cannot be stored.
    virtual void WriteString(const QString &name, const QString &value) = 0;
    virtual void WriteInteger(const QString &name, qint32 value) = 0;

    // The names of the key's values in the order the store keeps them.
    virtual QStringList ValueNames() const = 0;
};

// Where TxAppRegistry keeps its data: a tree of keys below one per-user root, reached by paths
// of key names separated by "\" and compared ignoring letter case, like the Windows registry
// below HKEY_CURRENT_USER.
class TRegistryBackend
{
public:
    virtual ~TRegistryBackend() = default;

    // Opens the key, creating it and its parents when canCreate is set. Returns nullptr when
    // the key is absent and canCreate is not set; raises ERegistryException when it cannot be
    // created or the store cannot be read.
    virtual std::unique_ptr<TRegistryKey> OpenKey(const QString &path, bool canCreate) = 0;
    virtual bool KeyExists(const QString &path) = 0;
    // Removes the key with all its sub-keys and values; an absent key is not an error.
    virtual void DeleteKey(const QString &path) = 0;

    // Groups the changes made until the matching EndUpdate, so that a store kept in a file writes
    // them in one step (and others see all of them or none). Calls nest; only the outermost
    // EndUpdate writes, and only when commit is set: otherwise the grouped changes are dropped.
    // BeginUpdate and EndUpdate raise ERegistryException when the store cannot be locked or
    // written.
    virtual void BeginUpdate() { }
    virtual void EndUpdate(bool /*commit*/) { }
};

// Groups the changes made while it lives (BeginUpdate); Commit writes them, and leaving the scope
// without Commit (an exception on the way) drops them.
class TRegistryUpdate
{
public:
    explicit TRegistryUpdate(TRegistryBackend &backend)
        : FBackend(backend)
    {
        FBackend.BeginUpdate();
    }
    ~TRegistryUpdate()
    {
        if (!FDone)
            FBackend.EndUpdate(false);
    }
    TRegistryUpdate(const TRegistryUpdate &) = delete;
    TRegistryUpdate &operator=(const TRegistryUpdate &) = delete;

    void Commit()
    {
        FDone = true;
        FBackend.EndUpdate(true);
    }

private:
    TRegistryBackend &FBackend;
    bool FDone = false;
};
