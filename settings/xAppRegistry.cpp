#include "settings/xAppRegistry.h"

#include "core/TFont.h"
#include "settings/xAppRegistryHandlers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMetaObject>
#include <QObject>

TxAppRegistry *AppRegistry = nullptr;

namespace {

const QString NameSuffix = QStringLiteral("\\Name");
const QString SizeSuffix = QStringLiteral("\\Size");
const QString StyleSuffix = QStringLiteral("\\Style");
const QString ColorSuffix = QStringLiteral("\\Color");

QString StyleToText(TFontStyles style)
{
    QString text = QStringLiteral("[");
    if (HasStyle(style, TFontStyle::fsBold))
        text += QLatin1Char('B');
    if (HasStyle(style, TFontStyle::fsItalic))
        text += QLatin1Char('I');
    if (HasStyle(style, TFontStyle::fsUnderline))
        text += QLatin1Char('U');
    if (HasStyle(style, TFontStyle::fsStrikeOut))
        text += QLatin1Char('S');
    return text + QLatin1Char(']');
}

// Upper-case letters anywhere in the text; everything else is ignored.
TFontStyles TextToStyle(const QString &text)
{
    TFontStyles style = 0;
    if (text.contains(QLatin1Char('B')))
        style |= int(TFontStyle::fsBold);
    if (text.contains(QLatin1Char('I')))
        style |= int(TFontStyle::fsItalic);
    if (text.contains(QLatin1Char('U')))
        style |= int(TFontStyle::fsUnderline);
    if (text.contains(QLatin1Char('S')))
        style |= int(TFontStyle::fsStrikeOut);
    return style;
}

} // namespace

TComponentClass::TComponentClass(const QMetaObject &metaObject)
    : FClassName(metaObject.className())
{ }

bool TComponentClass::Matches(const QObject *component) const
{
    return component && component->inherits(FClassName.constData());
}

QString TxAppRegistry::ProgramNameOf(const QString &executablePath)
{
    const QString fileName = QFileInfo(executablePath).fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    // Without an extension (the rule on Unix) the whole name is the program name; cutting at an
    // empty extension would leave nothing and put the settings straight below the base key.
    if (dot < 0)
        return fileName;
    const QString extension = fileName.mid(dot);
    const QString name = fileName.left(fileName.indexOf(extension));
    return name.isEmpty() ? fileName : name;
}

bool TxAppRegistry::HasEraseSwitch(const QStringList &parameters)
{
    for (const QString &parameter : parameters)
        if (parameter.compare(QLatin1String("/E"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TxAppRegistry::TxAppRegistry(std::unique_ptr<TRegistryBackend> backend, const QString &programName,
    const QString &baseKey, const std::optional<QStringList> &parameters)
    : FBackend(std::move(backend))
{
    QString name = programName;
    if (name.isEmpty())
        name = ProgramNameOf(QCoreApplication::applicationFilePath());
    // Without a name the settings would lie straight below the base key, and "/E" would erase
    // those of every program there.
    if (name.isEmpty())
        throw ERegistryException(QStringLiteral("The program name for the settings is unknown"));
    FAppKey = baseKey;
    if (!FAppKey.endsWith(QLatin1Char('\\')))
        FAppKey += QLatin1Char('\\');
    FAppKey += name;
    if (!FAppKey.endsWith(QLatin1Char('\\')))
        FAppKey += QLatin1Char('\\');

    const QStringList args = parameters ? *parameters : QCoreApplication::arguments().mid(1);
    if (HasEraseSwitch(args))
        FBackend->DeleteKey(FAppKey);

    RegisterBuiltInHandlers(*this);
    AppRegistry = this;
}

TxAppRegistry::~TxAppRegistry()
{
    if (AppRegistry == this)
        AppRegistry = nullptr;
}

std::unique_ptr<TRegistryKey> TxAppRegistry::OpenKey(const QString &subKey) const
{
    auto key = FBackend->OpenKey(FAppKey + subKey, true);
    if (!key)
        throw ERegistryException(QStringLiteral("Failed to create key %1").arg(FAppKey + subKey));
    return key;
}

void TxAppRegistry::WriteInteger(const QString &subKey, const QString &name, int value)
{
    OpenKey(subKey)->WriteInteger(name, value);
}

int TxAppRegistry::ReadInteger(const QString &subKey, const QString &name, int defaultValue)
{
    std::unique_ptr<TRegistryKey> key;
    try {
        key = OpenKey(subKey);
    } catch (const ERegistryException &) {
        // A key that cannot be opened holds no value: the default stands.
        return defaultValue;
    }
    if (!key->ValueExists(name))
        return defaultValue;
    return key->ReadInteger(name);
}

void TxAppRegistry::WriteString(const QString &subKey, const QString &name, const QString &value)
{
    OpenKey(subKey)->WriteString(name, value);
}

QString TxAppRegistry::ReadString(
    const QString &subKey, const QString &name, const QString &defaultValue)
{
    try {
        auto key = OpenKey(subKey);
        if (key->ValueExists(name))
            return key->ReadString(name);
    } catch (const std::exception &) {
        // Whatever keeps the text from being read, the caller gets its default.
    }
    return defaultValue;
}

void TxAppRegistry::WriteColor(const QString &subKey, const QString &name, TColor color)
{
    WriteString(subKey, name, ColorToString(color));
}

TColor TxAppRegistry::ReadColor(const QString &subKey, const QString &name, TColor defaultValue)
{
    std::unique_ptr<TRegistryKey> key;
    try {
        key = OpenKey(subKey);
    } catch (const ERegistryException &) {
        return defaultValue;
    }
    if (!key->ValueExists(name))
        return defaultValue;
    const QString text = key->ReadString(name);
    if (auto color = StringToColor(text))
        return *color;
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

void TxAppRegistry::WriteFont(const QString &subKey, const QString &prefix, const TFont &font)
{
    try {
        auto key = OpenKey(subKey);
        key->WriteString(prefix + NameSuffix, font.Name());
        key->WriteInteger(prefix + SizeSuffix, font.Size());
        key->WriteString(prefix + StyleSuffix, StyleToText(font.Style()));
    } catch (...) {
        // The colour is written even when the rest failed; the first failure is what the caller
        // hears of.
        try {
            WriteColor(subKey, prefix + ColorSuffix, font.Color());
        } catch (...) { }
        throw;
    }
    WriteColor(subKey, prefix + ColorSuffix, font.Color());
}

void TxAppRegistry::ReadFont(const QString &subKey, const QString &prefix, TFont &font)
{
    std::unique_ptr<TRegistryKey> key;
    try {
        key = OpenKey(subKey);
    } catch (const ERegistryException &) {
        // Nothing can be read: the font keeps its values as for an empty key.
    }
    if (key) {
        if (key->ValueExists(prefix + NameSuffix))
            font.SetName(key->ReadString(prefix + NameSuffix));
        if (key->ValueExists(prefix + SizeSuffix))
            font.SetSize(key->ReadInteger(prefix + SizeSuffix));
        if (key->ValueExists(prefix + StyleSuffix))
            font.SetStyle(TextToStyle(key->ReadString(prefix + StyleSuffix)));
        key.reset();
    }
    font.SetColor(ReadColor(subKey, prefix + ColorSuffix, font.Color()));
    font.SetCharset(Charsets::RUSSIAN_CHARSET);
}

void TxAppRegistry::ReadValueNames(const QString &subKey, QStringList &names)
{
    names.clear();
    if (auto key = FBackend->OpenKey(FAppKey + subKey, false))
        names = key->ValueNames();
}

void TxAppRegistry::RegisterHandlers(
    const QList<TComponentClass> &classes, const TComponentProc &save, const TComponentProc &load)
{
    for (const TComponentClass &componentClass : classes)
        FHandlers.push_back({componentClass, save, load});
}

void TxAppRegistry::SaveComponent(const QString &path, QObject *component)
{
    // A procedure may register further handlers; they apply from the next call on.
    const std::vector<THandler> handlers = FHandlers;
    for (const THandler &handler : handlers)
        if (handler.Save && handler.Class.Matches(component))
            handler.Save(*this, path, component);
}

void TxAppRegistry::LoadComponent(const QString &path, QObject *component)
{
    const std::vector<THandler> handlers = FHandlers;
    for (const THandler &handler : handlers)
        if (handler.Load && handler.Class.Matches(component))
            handler.Load(*this, path, component);
}

QString ClassNameWithoutT(const QObject *component)
{
    QString name = QString::fromLatin1(component->metaObject()->className());
    if (name.size() > 1 && (name[0] == QLatin1Char('T') || name[0] == QLatin1Char('t')))
        name.remove(0, 1);
    return name;
}

QString ComponentPath(const QObject *component)
{
    QString path;
    const QObject *application = QCoreApplication::instance();
    for (const QObject *x = component; x && x != application; x = x->parent()) {
        if (!x->objectName().isEmpty()) {
            path = x->objectName() + QLatin1Char('\\') + path;
        } else if (const int tag = ComponentTag(x); IsForm(x) && tag != 0) {
            path = QStringLiteral("%1 #%2\\%3").arg(ClassNameWithoutT(x)).arg(tag).arg(path);
        } else {
            path = ClassNameWithoutT(x) + QLatin1Char('\\') + path;
        }
    }
    path.chop(1);
    return path;
}
