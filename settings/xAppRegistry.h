#pragma once

#include "core/TColor.h"
#include "settings/RegistryBackend.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMetaObject;
class QObject;
class TFont;
class TxAppRegistry;

// A class that a component must be or derive from for a handler to apply. It is known by name,
// so a handler for the classes of a higher layer can be registered without linking them.
class TComponentClass
{
public:
    TComponentClass(const QMetaObject &metaObject);
    explicit TComponentClass(QByteArray className)
        : FClassName(std::move(className))
    { }

    const QByteArray &ClassName() const { return FClassName; }
    bool Matches(const QObject *component) const;

private:
    QByteArray FClassName;
};

// A save or restore procedure for the components of one class: (store, Path, component).
using TComponentProc = std::function<void(TxAppRegistry &, const QString &, QObject *)>;

// The process-wide store of per-user settings: typed values below one application key, and
// the save and restore procedures through which components keep their state between runs.
class TxAppRegistry
{
public:
    static inline const QString DefaultBaseKey = QStringLiteral("Software\\Tarnwell Software");

    // The application key is baseKey + "\" + programName; an empty programName stands for the
    // executable's file name without its extension. The first of parameters (the command line
    // without the program; the process's own when absent) that is "/E" in any letter case
    // erases the application key before anything reads it.
    explicit TxAppRegistry(std::unique_ptr<TRegistryBackend> backend,
        const QString &programName = {}, const QString &baseKey = DefaultBaseKey,
        const std::optional<QStringList> &parameters = std::nullopt);
    ~TxAppRegistry();
    TxAppRegistry(const TxAppRegistry &) = delete;
    TxAppRegistry &operator=(const TxAppRegistry &) = delete;

    // Always ends in "\".
    const QString &AppKey() const { return FAppKey; }
    TRegistryBackend &Backend() const { return *FBackend; }

    void WriteInteger(const QString &subKey, const QString &name, int value);
    // Raises ERegistryException when the stored value is not an integer.
    int ReadInteger(const QString &subKey, const QString &name, int defaultValue);
    void WriteString(const QString &subKey, const QString &name, const QString &value);
    // Never raises: anything that keeps the value from being read gives the default.
    QString ReadString(const QString &subKey, const QString &name, const QString &defaultValue);
    void WriteColor(const QString &subKey, const QString &name, TColor color);
    // Raises ERegistryException for a value that is not a string, EConvertError for a text
    // that is no colour.
    TColor ReadColor(const QString &subKey, const QString &name, TColor defaultValue);
    // Name, size, style and colour as prefix + "\Name" and so on.
    void WriteFont(const QString &subKey, const QString &prefix, const TFont &font);
    void ReadFont(const QString &subKey, const QString &prefix, TFont &font);
    // The key's value names; empty, and nothing created, when the key does not exist.
    void ReadValueNames(const QString &subKey, QStringList &names);

    void RegisterHandlers(const QList<TComponentClass> &classes, const TComponentProc &save,
        const TComponentProc &load);
    // Every registered procedure that applies to the component runs, in registration order.
    void SaveComponent(const QString &path, QObject *component);
    void LoadComponent(const QString &path, QObject *component);

    struct THandler
    {
        TComponentClass Class;
        TComponentProc Save;
        TComponentProc Load;
    };
    const std::vector<THandler> &Handlers() const { return FHandlers; }

    // The program name the store uses when none is given: the executable's file name cut
    // where its extension begins.
    static QString ProgramNameOf(const QString &executablePath);
    // Whether the command-line parameters ask for the stored settings to be erased.
    static bool HasEraseSwitch(const QStringList &parameters);

private:
    std::unique_ptr<TRegistryKey> OpenKey(const QString &subKey) const;

    std::unique_ptr<TRegistryBackend> FBackend;
    QString FAppKey;
    std::vector<THandler> FHandlers;
};

// The store while it exists; nullptr before it is created and after it is destroyed.
extern TxAppRegistry *AppRegistry;

// Where a component keeps its settings: the names (or class names) of it and its owners,
// separated by "\", e.g. "Form1\DBGrid1".
QString ComponentPath(const QObject *component);

// The class name without its leading "T".
QString ClassNameWithoutT(const QObject *component);
