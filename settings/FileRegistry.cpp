#include "settings/FileRegistry.h"

#include "settings/FileLock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const QString FormatName = QStringLiteral("Tarnwell Software settings");
constexpr int FormatVersion = 1;
// Far beyond anything the program writes; a larger file is not ours and is not read into memory.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

const QString KeysMember = QStringLiteral("Keys");
const QString KeyMember = QStringLiteral("Key");
const QString ValuesMember = QStringLiteral("Values");
const QString NameMember = QStringLiteral("Name");
const QString StringMember = QStringLiteral("String");
const QString IntegerMember = QStringLiteral("Integer");

QStringList SplitPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Whether the key at path lies at or below the key at prefix.
bool IsAtOrBelow(const QStringList &path, const QStringList &prefix)
{
    if (path.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (!SameName(path[i], prefix[i]))
            return false;
    return true;
}

std::optional<QStringList> KeyPathOf(const QJsonValue &entry)
{
    const QJsonValue key = entry.toObject().value(KeyMember);
    if (!entry.isObject() || !key.isString())
        return std::nullopt;
    return SplitPath(key.toString());
}

// The first entry of exactly this key, -1 when there is none.
qsizetype FindKey(const QJsonArray &keys, const QStringList &path)
{
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const auto entryPath = KeyPathOf(keys[i]);
        if (entryPath && entryPath->size() == path.size() && IsAtOrBelow(*entryPath, path))
            return i;
    }
    return -1;
}

bool AnyKeyAtOrBelow(const QJsonArray &keys, const QStringList &path)
{
    for (const QJsonValue &entry : keys) {
        const auto entryPath = KeyPathOf(entry);
        if (entryPath && IsAtOrBelow(*entryPath, path))
            return true;
    }
    return false;
}

struct TStoredValue
{
    QString Name;
    TRegistryDataType Type = TRegistryDataType::rdUnknown;
    QString Text;
    qint32 Integer = 0;
};

std::optional<qint32> ToInteger(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    // A double-word value: signed or unsigned 32-bit, kept as its 32 bits.
    if (std::floor(d) != d || d < double(std::numeric_limits<qint32>::min())
        || d > double(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return qint32(quint32(qint64(d)));
}

std::optional<TStoredValue> ParseValue(const QJsonValue &entry)
{
    if (!entry.isObject())
        return std::nullopt;
    const QJsonObject object = entry.toObject();
    const QJsonValue name = object.value(NameMember);
    if (!name.isString())
        return std::nullopt;
    TStoredValue value;
    value.Name = name.toString();
    const QJsonValue text = object.value(StringMember);
    const QJsonValue integer = object.value(IntegerMember);
    const bool hasText = object.contains(StringMember);
    const bool hasInteger = object.contains(IntegerMember);
    if (hasText && !hasInteger && text.isString()) {
        value.Type = TRegistryDataType::rdString;
        value.Text = text.toString();
    } else if (hasInteger && !hasText) {
        if (auto number = ToInteger(integer)) {
            value.Type = TRegistryDataType::rdInteger;
            value.Integer = *number;
        }
    }
    return value;
}

// The readable values of a key entry, the first of each name (ignoring case) only.
std::vector<TStoredValue> ValuesOf(const QJsonValue &keyEntry)
{
    std::vector<TStoredValue> values;
    const QJsonValue list = keyEntry.toObject().value(ValuesMember);
    if (!list.isArray())
        return values;
    for (const QJsonValue &entry : list.toArray()) {
        auto value = ParseValue(entry);
        if (!value)
            continue;
        const bool seen = std::any_of(values.begin(), values.end(),
            [&](const TStoredValue &v) { return SameName(v.Name, value->Name); });
        if (!seen)
            values.push_back(std::move(*value));
    }
    return values;
}

QString DisplayPath(const QStringList &path)
{
    return path.join(QLatin1Char('\\'));
}

// Appends an empty entry for the key unless it has one; true when it appended.
bool EnsureKey(QJsonArray &keys, const QStringList &path)
{
    if (FindKey(keys, path) >= 0)
        return false;
    QJsonObject entry;
    entry.insert(KeyMember, DisplayPath(path));
    entry.insert(ValuesMember, QJsonArray());
    keys.append(entry);
    return true;
}

// Stores the value in the key's entry, creating the entry when needed. A value of the same name
// keeps its place and its spelling. True when the stored data changed.
bool StoreValue(QJsonArray &keys, const QStringList &path, const QString &name,
    const QString &member, const QJsonValue &data)
{
    EnsureKey(keys, path);
    const qsizetype k = FindKey(keys, path);
    QJsonObject keyEntry = keys[k].toObject();
    QJsonArray values = keyEntry.value(ValuesMember).toArray();
    if (!keyEntry.value(ValuesMember).isArray() && keyEntry.contains(ValuesMember)) {
        // Something else stands where the values belong: keep it under another name rather
        // than lose it.
        keyEntry.insert(QStringLiteral("UnreadableValues"), keyEntry.value(ValuesMember));
    }
    QJsonObject stored;
    qsizetype at = -1;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const auto existing = ParseValue(values[i]);
        if (existing && SameName(existing->Name, name)) {
            at = i;
            stored.insert(NameMember, existing->Name);
            break;
        }
    }
    if (at < 0)
        stored.insert(NameMember, name);
    stored.insert(member, data);
    if (at >= 0 && values[at] == stored)
        return false;
    if (at >= 0)
        values[at] = stored;
    else
        values.append(stored);
    keyEntry.insert(ValuesMember, values);
    keys[k] = keyEntry;
    return true;
}

QString WithPath(const QString &text, const QString &path)
{
    return text.arg(QDir::toNativeSeparators(path));
}

bool SyncToDisk(QFile &file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

} // namespace

// An open key: the values as the file held them when it was opened, refreshed after each write.
class TFileRegistryKey : public TRegistryKey
{
public:
    TFileRegistryKey(TFileRegistry &store, QStringList path, std::vector<TStoredValue> values)
        : FStore(store)
        , FPath(std::move(path))
        , FValues(std::move(values))
    { }

    std::optional<TRegistryDataType> ValueType(const QString &name) const override
    {
        if (const TStoredValue *value = Find(name))
            return value->Type;
        return std::nullopt;
    }

    QString ReadString(const QString &name) const override
    {
        const TStoredValue &value = Existing(name);
        if (value.Type != TRegistryDataType::rdString)
            throw InvalidType(name);
        return value.Text;
    }

    qint32 ReadInteger(const QString &name) const override
    {
        const TStoredValue &value = Existing(name);
        if (value.Type != TRegistryDataType::rdInteger)
            throw InvalidType(name);
        return value.Integer;
    }

    void WriteString(const QString &name, const QString &value) override
    {
        Write(name, StringMember, value);
    }

    void WriteInteger(const QString &name, qint32 value) override
    {
        Write(name, IntegerMember, value);
    }

    QStringList ValueNames() const override
    {
        QStringList names;
        for (const TStoredValue &value : FValues)
            names << value.Name;
        return names;
    }

private:
    const TStoredValue *Find(const QString &name) const
    {
        for (const TStoredValue &value : FValues)
            if (SameName(value.Name, name))
                return &value;
        return nullptr;
    }

    const TStoredValue &Existing(const QString &name) const
    {
        if (const TStoredValue *value = Find(name))
            return *value;
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
    }

    static ERegistryException InvalidType(const QString &name)
    {
        return ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    }

    void Write(const QString &name, const QString &member, const QJsonValue &data)
    {
        std::vector<TStoredValue> after;
        const auto store = [&](TFileRegistry::TImage &image) {
            const bool changed = StoreValue(image.Keys, FPath, name, member, data);
            after = ValuesOf(image.Keys[FindKey(image.Keys, FPath)]);
            return changed;
        };
        try {
            // A value the file holds already needs neither the lock nor a new file, so writing
            // it again also succeeds where the user may only read the store.
            TFileRegistry::TImage current = FStore.Load();
            if (current.Damaged || store(current))
                FStore.Change(store);
        } catch (const ERegistryException &e) {
            throw ERegistryException(
                QStringLiteral("Failed to set data for '%1': %2").arg(name, e.Message()));
        }
        FValues = std::move(after);
    }

    TFileRegistry &FStore;
    QStringList FPath;
    std::vector<TStoredValue> FValues;
};

QString TFileRegistry::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Tarnwell Software/registry.json");
}

TFileRegistry::TFileRegistry(QString filePath)
    : FFilePath(std::move(filePath))
{ }

TFileRegistry::~TFileRegistry() = default;

QString TFileRegistry::LockFilePath() const
{
    return FFilePath + QStringLiteral(".lock");
}

QString TFileRegistry::SavingFilePath() const
{
    return TargetFilePath() + QStringLiteral(".saving");
}

QString TFileRegistry::TargetFilePath() const
{
    // A store that is a link to a file elsewhere (kept with the user's other settings) stays
    // a link: the file it points to is the one replaced.
    const QFileInfo store(FFilePath);
    return store.isSymLink() ? store.symLinkTarget() : FFilePath;
}

TFileRegistry::TImage TFileRegistry::Load() const
{
    return FUpdateImage ? *FUpdateImage : LoadFile();
}

TFileRegistry::TImage TFileRegistry::LoadFile() const
{
    TImage image;
    QFile file(FFilePath);
    if (!file.exists())
        return image;
    if (!file.open(QIODevice::ReadOnly))
        throw ERegistryException(
            WithPath(QStringLiteral("Cannot read the settings file %1: "), FFilePath)
            + file.errorString());
    auto damaged = [&](const QString &problem) {
        image = TImage();
        image.Damaged = true;
        image.Problem = problem;
        return image;
    };
    if (file.size() > MaxFileSize)
        return damaged(QStringLiteral("the file is too large"));
    const QByteArray data = file.readAll();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        return damaged(
            QStringLiteral("%1 at offset %2").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return damaged(QStringLiteral("the file does not hold an object"));
    image.Root = document.object();
    if (image.Root.value(QStringLiteral("Format")).toString() != FormatName)
        return damaged(QStringLiteral("the file is not a settings file"));
    const QJsonValue keys = image.Root.value(KeysMember);
    if (keys.isArray())
        image.Keys = keys.toArray();
    else if (!keys.isUndefined())
        return damaged(QStringLiteral("the keys are not a list"));
    return image;
}

void TFileRegistry::Save(const TImage &image) const
{
    QJsonObject root = image.Root;
    root.insert(QStringLiteral("Format"), FormatName);
    root.insert(QStringLiteral("Version"), FormatVersion);
    root.insert(KeysMember, image.Keys);
    const QByteArray data = QJsonDocument(root).toJson(QJsonDocument::Indented);

    // The new file is written whole beside the old one and then takes its place in one step, so
    // a reader, a killed writer or a power cut leaves the old file or the new one. Only a lock
    // holder writes there, so whatever a killed writer left under that name is simply replaced.
    const QString target = TargetFilePath();
    const QString saving = SavingFilePath();
    const auto failure = [&](const QString &reason) {
        QFile::remove(saving);
        return ERegistryException(
            WithPath(QStringLiteral("Cannot write the settings file %1: "), FFilePath) + reason);
    };
    // The search history and the like concern nobody but the user; rights the user gave the
    // file stay.
    const QFile::Permissions permissions = QFileInfo::exists(target)
        ? QFile::permissions(target)
        : QFile::ReadOwner | QFile::WriteOwner;
    QFile::remove(saving);
    QFile file(saving);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, permissions)
        || !file.setPermissions(permissions)) // past the user's file-creation mask
        throw failure(file.errorString());
    if (file.write(data) != data.size() || !SyncToDisk(file))
        throw failure(file.errorString());
    file.close();
    std::error_code error;
    std::filesystem::rename(
        QFileInfo(saving).filesystemFilePath(), QFileInfo(target).filesystemFilePath(), error);
    if (error)
        throw failure(QString::fromLocal8Bit(error.message()));
}

void TFileRegistry::SetAsideDamaged(const TImage &image) const
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = FFilePath + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = FFilePath + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(FFilePath, aside))
        throw ERegistryException(WithPath(
            QStringLiteral("The settings file %1 is damaged and cannot be set aside"), FFilePath));
    qWarning("The settings file %s was damaged (%s); it is kept as %s and a new one is started.",
        qPrintable(QDir::toNativeSeparators(FFilePath)), qPrintable(image.Problem),
        qPrintable(QDir::toNativeSeparators(aside)));
}

void TFileRegistry::BeginUpdate()
{
    if (FUpdateDepth > 0) {
        ++FUpdateDepth;
        return;
    }
    const QString folder = QFileInfo(FFilePath).absolutePath();
    if (!QDir().mkpath(folder))
        throw ERegistryException(WithPath(QStringLiteral("Cannot create the folder %1"), folder));
    auto lock = std::make_unique<TFileLock>(LockFilePath());
    if (!lock->TryLock(FLockTimeout))
        throw ERegistryException(WithPath(
            QStringLiteral("The settings file %1 is locked by another program"), FFilePath));
    TImage image = LoadFile();
    // A damaged file reads as empty; it is set aside only when something is written.
    if (image.Damaged)
        image = TImage();
    FUpdateChanged = false;
    FUpdateLock = std::move(lock);
    FUpdateImage = std::move(image);
    FUpdateDepth = 1;
}

void TFileRegistry::EndUpdate(bool commit)
{
    if (FUpdateDepth == 0 || --FUpdateDepth > 0)
        return;
    const TImage image = std::move(*FUpdateImage);
    const bool changed = FUpdateChanged;
    FUpdateImage.reset();
    // The lock goes whatever happens below.
    const std::unique_ptr<TFileLock> lock = std::move(FUpdateLock);
    if (!commit || !changed)
        return;
    const TImage onDisk = LoadFile();
    if (onDisk.Damaged)
        SetAsideDamaged(onDisk);
    Save(image);
}

void TFileRegistry::Change(const std::function<bool(TImage &)> &change)
{
    if (FUpdateImage) {
        if (change(*FUpdateImage))
            FUpdateChanged = true;
        return;
    }
    const QString folder = QFileInfo(FFilePath).absolutePath();
    if (!QDir().mkpath(folder))
        throw ERegistryException(WithPath(QStringLiteral("Cannot create the folder %1"), folder));
    TFileLock lock(LockFilePath());
    if (!lock.TryLock(FLockTimeout))
        throw ERegistryException(WithPath(
            QStringLiteral("The settings file %1 is locked by another program"), FFilePath));
    TImage image = LoadFile();
    if (image.Damaged) {
        SetAsideDamaged(image);
        image = TImage();
    }
    if (change(image))
        Save(image);
}

std::unique_ptr<TRegistryKey> TFileRegistry::OpenKey(const QString &path, bool canCreate)
{
    const QStringList keyPath = SplitPath(path);
    TImage image = Load();
    qsizetype k = FindKey(image.Keys, keyPath);
    const bool exists = k >= 0 || AnyKeyAtOrBelow(image.Keys, keyPath) || keyPath.isEmpty();
    if (!exists && !canCreate)
        return nullptr;
    // A damaged file stays as it is until a value is written: opening a key to read from it
    // must not set the file aside.
    if (!exists && !image.Damaged) {
        try {
            Change([&](TImage &current) {
                const bool added = EnsureKey(current.Keys, keyPath);
                image = current;
                return added;
            });
        } catch (const ERegistryException &e) {
            throw ERegistryException(
                QStringLiteral("Failed to create key %1: %2").arg(path, e.Message()));
        }
        k = FindKey(image.Keys, keyPath);
    }
    return std::make_unique<TFileRegistryKey>(
        *this, keyPath, k >= 0 ? ValuesOf(image.Keys[k]) : std::vector<TStoredValue>());
}

bool TFileRegistry::KeyExists(const QString &path)
{
    const QStringList keyPath = SplitPath(path);
    return keyPath.isEmpty() || AnyKeyAtOrBelow(Load().Keys, keyPath);
}

void TFileRegistry::DeleteKey(const QString &path)
{
    const QStringList keyPath = SplitPath(path);
    if (keyPath.isEmpty())
        throw ERegistryException(QStringLiteral("The root key cannot be deleted"));
    Change([&](TImage &image) {
        QJsonArray kept;
        for (const QJsonValue &entry : std::as_const(image.Keys)) {
            const auto entryPath = KeyPathOf(entry);
            if (!entryPath || !IsAtOrBelow(*entryPath, keyPath))
                kept.append(entry);
        }
        const bool removed = kept.size() != image.Keys.size();
        image.Keys = kept;
        return removed;
    });
}
