#pragma once

#include "settings/RegistryBackend.h"

#include <QJsonArray>
#include <QJsonObject>
#include <functional>
#include <optional>

class TFileLock;

// The per-user store where there is no registry: one JSON file in the user's configuration
// folder holding the keys, their values and value types. Each change is applied under a lock
// file to what the file holds at that moment and written atomically, so two running programs
// lose none of each other's changes and a crash or power cut leaves the old file or the new one,
// never a broken one. A file that is not a store is read as empty and, at the first change, kept
// beside the new one under a ".damaged" name.
class TFileRegistry : public TRegistryBackend
{
public:
    // <configuration folder>/Tarnwell Software/registry.json, e.g.
    // ~/.config/Tarnwell Software/registry.json on Linux.
    static QString DefaultFilePath();

    explicit TFileRegistry(QString filePath = DefaultFilePath());
    ~TFileRegistry() override;

    const QString &FilePath() const { return FFilePath; }
    QString LockFilePath() const;
    // Where a change writes the new file before it replaces the old one.
    QString SavingFilePath() const;
    // How long a change waits for another program's change to end before it fails.
    void SetLockTimeout(int milliseconds) { FLockTimeout = milliseconds; }

    std::unique_ptr<TRegistryKey> OpenKey(const QString &path, bool canCreate) override;
    bool KeyExists(const QString &path) override;
    void DeleteKey(const QString &path) override;
    // The lock is held from the outermost BeginUpdate to its EndUpdate.
    void BeginUpdate() override;
    void EndUpdate(bool commit) override;

    // What the file holds at one moment. Entries this version does not understand are kept as
    // they are and written back unchanged.
    struct TImage
    {
        QJsonObject Root;
        QJsonArray Keys;
        bool Damaged = false; // the file exists but is not a store
        QString Problem; // why it is damaged
    };

private:
    friend class TFileRegistryKey;

    // What the file holds, or the grouped changes while an update is open.
    TImage Load() const;
    TImage LoadFile() const;
    // Takes the lock, loads the file, applies change and writes the file when change says it
    // changed something. Raises ERegistryException when any step fails.
    void Change(const std::function<bool(TImage &)> &change);
    void Save(const TImage &image) const;
    void SetAsideDamaged(const TImage &image) const;
    QString TargetFilePath() const;

    QString FFilePath;
    int FLockTimeout = 5000;
    int FUpdateDepth = 0;
    std::unique_ptr<TFileLock> FUpdateLock;
    std::optional<TImage> FUpdateImage;
    bool FUpdateChanged = false;
};
