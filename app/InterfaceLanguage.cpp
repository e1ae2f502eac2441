#include "app/InterfaceLanguage.h"

#include "i18n/DictionaryFile.h"
#include "i18n/TranslationDictionary.h"
#include "settings/xAppRegistry.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString SettingsKey = QStringLiteral("Interface_Settings");
const QString LanguageValue = QStringLiteral("Language");
const QString FormsLanguage = QStringLiteral("rus");

QString NoDictionaryMessage()
{
    return QStringLiteral("Словарь перевода не найден, программа работает без перевода.\n"
                          "The translation dictionary was not found; the program runs "
                          "untranslated.");
}

} // namespace

QString ChooseInterfaceLanguage(const QString &commandLineLanguage, TxAppRegistry *registry)
{
    const QString given = commandLineLanguage.trimmed();
    if (!given.isEmpty() || !registry)
        return given;
    return registry->ReadString(SettingsKey, LanguageValue, QString()).trimmed();
}

void RememberInterfaceLanguage(const QString &language, TxAppRegistry *registry)
{
    if (registry && !language.isEmpty())
        registry->WriteString(SettingsKey, LanguageValue, language);
}

QStringList DictionaryCandidates(const QString &programFolder, const QString &installedFolder)
{
    QStringList candidates {QDir(programFolder).filePath(DictionaryFileName)};
    if (!installedFolder.isEmpty())
        candidates << QDir(installedFolder).filePath(DictionaryFileName);
    return candidates;
}

std::unique_ptr<TTranslationDictionary> OpenDictionary(
    const QString &language, const QStringList &candidates)
{
    if (language.isEmpty() || language.compare(FormsLanguage, Qt::CaseInsensitive) == 0)
        return nullptr;
    for (const QString &candidate : candidates) {
        if (!QFileInfo(candidate).isFile())
            continue;
        std::unique_ptr<TTranslationDictionary> dictionary = ReadTranslationDictionary(candidate);
        const bool known = std::any_of(dictionary->Languages.cbegin(), dictionary->Languages.cend(),
            [&language](const TDictionaryLanguage &held) {
                return held.Name.compare(language, Qt::CaseInsensitive) == 0;
            });
        if (!known) {
            QStringList names;
            for (const TDictionaryLanguage &held : std::as_const(dictionary->Languages))
                names << held.Name;
            throw EDictionaryFileError(
                QStringLiteral("В словаре перевода нет языка «%1».\n"
                               "The translation dictionary has no language \"%1\".")
                    .arg(language),
                candidate + QStringLiteral(": ") + names.join(QStringLiteral(", ")));
        }
        dictionary->SetLanguage(language);
        return dictionary;
    }
    QStringList places;
    for (const QString &candidate : candidates)
        places << QDir::toNativeSeparators(candidate);
    throw EDictionaryFileError(NoDictionaryMessage(), places.join(QLatin1Char('\n')));
}
