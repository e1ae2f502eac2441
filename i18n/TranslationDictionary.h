#pragma once

#include <QString>

class TTranslationContext;
class TzrMultilingualSupport;

// The dictionary behind the translation component, as far as the component and TranslateText
// use it. A concrete dictionary derives from this; until one is installed into
// TranslationDictionary nothing is translated.
class TTranslationDictionary
{
public:
    virtual ~TTranslationDictionary() = default;

    // The target language: the one texts are translated into.
    virtual QString Language() const = 0;

    // The phrase lookup. LanguageId >= 0 names the source language, -1 makes LanguageName the
    // one to resolve; a null context is looked up by ContextName. Result is written only on
    // success.
    virtual bool Translate(const QString &languageName, const QString &contextName,
        bool stripAmpersands, int languageId, TTranslationContext *context, QString &result,
        const QString &text)
        = 0;

    // The id of Language(), -1 when it cannot be found.
    virtual int CurrentLanguageId() = 0;

    // The collation belonging to a language id.
    virtual bool FindCollation(int languageId, QString &name) const = 0;

    // One translation run over the form that carries the component: its texts, hints and font
    // character sets, then the component's Language moves to the dictionary's.
    virtual void TranslateComponents(TzrMultilingualSupport &component, bool recollect) = 0;
};

// The process-wide dictionary, not owned. Empty at start; nothing in the program assigns it, so
// every form keeps its own texts.
extern TTranslationDictionary *TranslationDictionary;
