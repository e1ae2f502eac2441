#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class QObject;
class TzrMultilingualSupport;

// One phrase in one language: the text and the id of its language.
struct TPhraseText
{
    int LanguageId;
    QString Text;
};

// One translatable phrase: its text in every language the dictionary has it in.
using TPhrase = QList<TPhraseText>;

// The first text of a phrase in the language; null when the phrase lacks that language.
const QString *PhraseText(const TPhrase &phrase, int languageId);

// The phrases of one form (named after its class), or of "-1", the context every lookup falls
// back to. A context is pruned and sorted for the source language of its first lookup.
class TTranslationContext
{
public:
    explicit TTranslationContext(QString name)
        : Name(std::move(name))
    { }

    QString Name;
    QList<TPhrase> Phrases;
    bool Sorted = false;
};

// A language the dictionary knows: its name ("rus", "eng") and positive id.
struct TDictionaryLanguage
{
    QString Name;
    int Id;
};

// A collation name for ORDER BY clauses and the language it belongs to.
struct TDictionaryCollation
{
    QString Name;
    int LanguageId;
};

// The phrase book behind the translation component and TranslateText: languages, contexts of
// phrases, font character sets and collations per language, and the log of translation runs.
// Until one is installed into TranslationDictionary nothing is translated.
class TTranslationDictionary
{
public:
    TTranslationDictionary();
    virtual ~TTranslationDictionary();

    // The target language: the one texts are translated into.
    virtual QString Language() const { return FLanguage; }
    void SetLanguage(const QString &value) { FLanguage = value; }
    bool LogEnabled = false;
    QString LogFileName;
    std::vector<std::unique_ptr<TTranslationContext>> Contexts;
    // Pairs of (language id, font character set); the character set is the low byte.
    QList<int> Charsets;
    QList<TDictionaryLanguage> Languages;
    QList<TDictionaryCollation> Collations;

    // The id of a language by name (ignoring letter case). A non-empty name the dictionary does
    // not hold is added with the next id, so the lookup fails only for an empty name.
    bool FindLanguage(const QString &name, int &id);
    // The id of Language(), -1 when it cannot be found.
    virtual int CurrentLanguageId();
    bool FindContext(const QString &name, TTranslationContext *&context) const;
    bool FindCharset(int languageId, unsigned char &charset) const;
    // The collation belonging to a language id.
    virtual bool FindCollation(int languageId, QString &name) const;

    // The phrase lookup. LanguageId >= 0 names the source language, -1 makes LanguageName the
    // one to resolve; a null context is looked up by ContextName. Result is written only on
    // success.
    virtual bool Translate(const QString &languageName, const QString &contextName,
        bool stripAmpersands, int languageId, TTranslationContext *context, QString &result,
        const QString &text);

    // One translation run over the form that carries the component: its texts and hints, then
    // the component's Language moves to the dictionary's.
    virtual void TranslateComponents(TzrMultilingualSupport &component, bool recollect);

    // A message with values filled in ("Таблица «kvtel_1.DB» не найдена...") matched against the
    // common context's patterns with %1..%9 in the source language; the values are carried over,
    // each translated in turn when the dictionary knows it.
    bool TranslateFilledIn(const QString &languageName, const QString &text, QString &result);

private:
    bool LookUp(TTranslationContext &context, const QString &key, int sourceId, int targetId,
        QString &result);
    void Prepare(TTranslationContext &context, int sourceId);

    QString FLanguage;
};

// The text operations of the lookup: spaces (code 32 only) framing a text, the normal form in
// which texts are compared (no tab, line feed, carriage return or space anywhere), and a text
// without its accelerator ampersands.
int CountLeadingSpaces(const QString &text);
int CountTrailingSpaces(const QString &text);
QString RemoveWhitespace(const QString &text);
QString RemoveAmpersands(const QString &text);

// The process-wide dictionary, not owned. Empty at start; the program installs one only when a
// language is asked for, so without one every form keeps its own texts.
extern TTranslationDictionary *TranslationDictionary;
