#pragma once

#include "core/Exception.h"

#include <QByteArray>
#include <QString>
#include <memory>

class TTranslationDictionary;

// A dictionary file that cannot be read or does not hold a dictionary: the message says so in
// plain words, the detail names the file, the place and the cause.
class EDictionaryFileError : public Exception
{
public:
    using Exception::Exception;
};

// Reads a dictionary file (JSON, described in the README): the languages with their ids,
// character sets and collations, the log settings, and the contexts of phrases with one text
// per language. The dictionary's target language is left empty for the caller to set.
std::unique_ptr<TTranslationDictionary> ReadTranslationDictionary(const QString &path);
// The same from the file's contents; fileName only names the file in messages.
std::unique_ptr<TTranslationDictionary> ParseTranslationDictionary(
    const QByteArray &contents, const QString &fileName);
