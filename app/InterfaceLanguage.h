#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class TTranslationDictionary;
class TxAppRegistry;

// The file name of the dictionary shipped with the program.
inline const QString DictionaryFileName = QStringLiteral("Translations.json");

// The interface language for this run: the one given on the command line, else the one the
// settings store remembers. Empty when neither names one.
QString ChooseInterfaceLanguage(const QString &commandLineLanguage, TxAppRegistry *registry);
// Remembers a language that could be used, for the runs without one on the command line.
void RememberInterfaceLanguage(const QString &language, TxAppRegistry *registry);

// Where the dictionary is looked for, in order: beside the program, then in the installed
// program's shared folder.
QStringList DictionaryCandidates(const QString &programFolder, const QString &installedFolder);

// The dictionary for a language: the first candidate file that exists, read, with its target
// language set. Nothing for Russian, the language the forms are written in. Raises
// EDictionaryFileError when no file is found, the file is malformed or lacks the language.
std::unique_ptr<TTranslationDictionary> OpenDictionary(
    const QString &language, const QStringList &candidates);
