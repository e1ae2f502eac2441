#include "i18n/TranslationDictionary.h"

#include "i18n/FormWalk.h"
#include "i18n/zrMultilingualSupport.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTextStream>
#include <QWidget>
#include <algorithm>

namespace {

const QString CommonContextName = QStringLiteral("-1");
const QString LogRule = QString(29, QLatin1Char('='));

// Texts and phrases compare by their normal form. Qt's case folding stands in for the locale's
// case-insensitive comparison: the order only has to be the same for sorting and searching.
int CompareNormal(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

// The source-language key of a phrase. A context sorted for one source language and searched
// with another may hold phrases without that language: they give an empty key, which never
// matches (empty keys are not looked up), and the bisection still ends.
QString PhraseKey(const TPhrase &phrase, int sourceId)
{
    const QString *text = PhraseText(phrase, sourceId);
    return text ? RemoveWhitespace(*text) : QString();
}

// The ways a text may end in punctuation around a known phrase, tried in this order: the stem
// before the first "...", before the first "..", and without its last character.
struct TTextEnding
{
    QString Stem;
    QString Ending;
};

QList<TTextEnding> EndingsOf(const QString &text)
{
    QList<TTextEnding> endings;
    for (const QString &dots : {QStringLiteral("..."), QStringLiteral("..")}) {
        const qsizetype at = text.indexOf(dots);
        if (at >= 0)
            endings.append({text.left(at), dots});
    }
    static const QString marks = QStringLiteral("!,.:?");
    if (!text.isEmpty() && marks.contains(text.back()))
        endings.append({text.chopped(1), QString(text.back())});
    return endings;
}

// The log of one translation run: opened for appending when the dictionary asks for it, and
// closed with its last rule whatever happens during the run.
class TTranslationLog
{
public:
    TTranslationLog(
        const TTranslationDictionary &dictionary, const TzrMultilingualSupport &component)
    {
        if (!dictionary.LogEnabled || dictionary.LogFileName.isEmpty())
            return;
        FFile.setFileName(dictionary.LogFileName);
        // A log that cannot be opened only turns logging off.
        if (!FFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return;
        FStream.setDevice(&FFile);
        const QWidget *form = component.OwnerForm();
        const QDateTime now = QDateTime::currentDateTime();
        const QLocale locale = QLocale::system();
        Line(LogRule);
        Line(QStringLiteral("Language:") + component.Language());
        Line(QStringLiteral("TranslateLanguage:") + dictionary.Language());
        Line(QString());
        Line(QStringLiteral("Form:") + (form ? NameOf(form) : QString()));
        Line(QStringLiteral("Date: ") + locale.toString(now.date(), QLocale::ShortFormat)
            + QStringLiteral(" Time: ") + locale.toString(now.time(), QLocale::LongFormat));
    }
    ~TTranslationLog()
    {
        if (InUse())
            Line(LogRule);
    }

    bool InUse() const { return FFile.isOpen(); }
    void Line(const QString &text) { FStream << text << '\n'; }

    // A component's name, or its class name when it has none.
    static QString NameOf(const QObject *object)
    {
        return object->objectName().isEmpty()
            ? QString::fromLatin1(object->metaObject()->className())
            : object->objectName();
    }

private:
    QFile FFile;
    QTextStream FStream;
};

} // namespace

const QString *PhraseText(const TPhrase &phrase, int languageId)
{
    for (const TPhraseText &text : phrase)
        if (text.LanguageId == languageId)
            return &text.Text;
    return nullptr;
}

int CountLeadingSpaces(const QString &text)
{
    int count = 0;
    while (count < text.size() && text[count] == QLatin1Char(' '))
        ++count;
    return count;
}

int CountTrailingSpaces(const QString &text)
{
    int count = 0;
    while (count < text.size() && text[text.size() - 1 - count] == QLatin1Char(' '))
        ++count;
    return count;
}

QString RemoveWhitespace(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r')
            && c != QLatin1Char(' '))
            result.append(c);
    return result;
}

QString RemoveAmpersands(const QString &text)
{
    QString result = text;
    result.remove(QLatin1Char('&'));
    return result;
}

TTranslationDictionary::TTranslationDictionary() = default;
TTranslationDictionary::~TTranslationDictionary() = default;

bool TTranslationDictionary::FindLanguage(const QString &name, int &id)
{
    for (const TDictionaryLanguage &language : std::as_const(Languages)) {
        if (CompareNormal(language.Name, name) == 0) {
            id = language.Id;
            return true;
        }
    }
    if (name.isEmpty())
        return false;
    id = Languages.isEmpty() ? 1 : Languages.last().Id + 1;
    Languages.append({name, id});
    return true;
}

int TTranslationDictionary::CurrentLanguageId()
{
    int id = -1;
    return FindLanguage(Language(), id) ? id : -1;
}

bool TTranslationDictionary::FindContext(const QString &name, TTranslationContext *&context) const
{
    for (const auto &candidate : Contexts) {
        if (CompareNormal(candidate->Name, name) == 0) {
            context = candidate.get();
            return true;
        }
    }
    return false;
}

bool TTranslationDictionary::FindCharset(int languageId, unsigned char &charset) const
{
    for (qsizetype i = 0; i + 1 < Charsets.size(); i += 2) {
        if (Charsets[i] == languageId) {
            charset = static_cast<unsigned char>(Charsets[i + 1] & 0xFF);
            return true;
        }
    }
    return false;
}

bool TTranslationDictionary::FindCollation(int languageId, QString &name) const
{
    for (const TDictionaryCollation &collation : Collations) {
        if (collation.LanguageId == languageId) {
            name = collation.Name;
            return true;
        }
    }
    return false;
}

// Phrases without the source language cannot be found and are dropped; the rest are sorted
// once by their source text, so every later lookup is a bisection.
void TTranslationDictionary::Prepare(TTranslationContext &context, int sourceId)
{
    if (context.Sorted)
        return;
    context.Phrases.removeIf(
        [sourceId](const TPhrase &phrase) { return PhraseText(phrase, sourceId) == nullptr; });
    std::sort(context.Phrases.begin(), context.Phrases.end(),
        [sourceId](const TPhrase &a, const TPhrase &b) {
            return CompareNormal(PhraseKey(a, sourceId), PhraseKey(b, sourceId)) < 0;
        });
    context.Sorted = true;
}

// The bisection for one key in normal form; the target text is returned as stored.
bool TTranslationDictionary::LookUp(
    TTranslationContext &context, const QString &key, int sourceId, int targetId, QString &result)
{
    if (key.isEmpty())
        return false;
    qsizetype low = 0;
    qsizetype high = context.Phrases.size() - 1;
    while (low <= high) {
        const qsizetype mid = (low + high) / 2;
        const TPhrase &phrase = context.Phrases[mid];
        const int cmp = CompareNormal(key, PhraseKey(phrase, sourceId));
        if (cmp == 0) {
            if (const QString *target = PhraseText(phrase, targetId)) {
                result = *target;
                return true;
            }
        }
        if (cmp < 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return false;
}

bool TTranslationDictionary::Translate(const QString &languageName, const QString &contextName,
    bool stripAmpersands, int languageId, TTranslationContext *context, QString &result,
    const QString &text)
{
    if (text.isEmpty())
        return false;
    const int lead = CountLeadingSpaces(text);
    const int trail = CountTrailingSpaces(text);
    QString normal = RemoveWhitespace(text);
    if (stripAmpersands)
        normal = RemoveAmpersands(normal);

    int sourceId = languageId;
    if (sourceId < 0 && !FindLanguage(languageName, sourceId))
        return false;
    const int targetId = CurrentLanguageId();
    if (sourceId == targetId)
        return false;

    if (!context)
        FindContext(contextName, context);

    QString found;
    bool success = false;
    if (context) {
        Prepare(*context, sourceId);
        success = LookUp(*context, normal, sourceId, targetId, found);
        // A text ending in punctuation gets its stem's translation with the same ending.
        for (const TTextEnding &ending : EndingsOf(normal)) {
            if (success)
                break;
            if (LookUp(*context, ending.Stem, sourceId, targetId, found)) {
                found += ending.Ending;
                success = true;
            }
        }
    }
    if (!success && !stripAmpersands)
        success = Translate(languageName, contextName, true, languageId, context, found, normal);
    if (!success && context && CompareNormal(context->Name, CommonContextName) != 0)
        success = Translate(
            languageName, CommonContextName, stripAmpersands, languageId, nullptr, found, normal);
    if (!success)
        return false;
    result = QString(lead, QLatin1Char(' ')) + found + QString(trail, QLatin1Char(' '));
    return true;
}

void TTranslationDictionary::TranslateComponents(TzrMultilingualSupport &component, bool recollect)
{
    if (recollect)
        component.CollectComponents();
    unsigned char charset = 0;
    const bool charsetKnown = FindCharset(CurrentLanguageId(), charset);
    TTranslationContext *context = nullptr;
    if (!FindContext(component.Context(), context) && !FindContext(CommonContextName, context))
        return;

    int sourceId = -1;
    if (!FindLanguage(component.Language(), sourceId))
        sourceId = -1;
    // The component's language follows the dictionary's even when a text fails to translate.
    struct TLanguageFollows
    {
        TzrMultilingualSupport &Component;
        QString Language;
        ~TLanguageFollows() { Component.SetLanguage(Language); }
    } follows {component, Language()};
    TTranslationLog log(*this, component);

    for (const QPointer<QObject> &object : component.CollectedComponents()) {
        if (!object)
            continue;
        const QString name = TTranslationLog::NameOf(object);
        TranslateComponentTexts(object, charsetKnown, [&](const QString &text, QString &result) {
            if (!Translate(QString(), component.Context(), false, sourceId, context, result, text))
                return false;
            if (log.InUse())
                log.Line(name + QLatin1Char(':') + text + QLatin1Char('=') + result);
            return true;
        });
    }
}

bool TTranslationDictionary::TranslateFilledIn(
    const QString &languageName, const QString &text, QString &result)
{
    static const QRegularExpression placeholder(QStringLiteral("%([1-9])"));
    int sourceId = -1;
    TTranslationContext *common = nullptr;
    if (text.isEmpty() || !FindLanguage(languageName, sourceId)
        || !FindContext(CommonContextName, common))
        return false;
    const int targetId = CurrentLanguageId();
    if (sourceId == targetId)
        return false;
    // The pattern with the most fixed text wins: "%1 МБ" must not take a whole sentence.
    qsizetype bestFixed = -1;
    for (const TPhrase &phrase : common->Phrases) {
        const QString *source = PhraseText(phrase, sourceId);
        const QString *target = PhraseText(phrase, targetId);
        if (!source || !target || !source->contains(placeholder))
            continue;
        // The pattern as a whole-text expression, each placeholder a lazy group.
        QString expression = QStringLiteral("^");
        QList<int> numbers;
        int from = 0;
        for (const QRegularExpressionMatch &match : placeholder.globalMatch(*source)) {
            expression
                += QRegularExpression::escape(source->mid(from, match.capturedStart() - from))
                + QStringLiteral("(.+?)");
            numbers << match.captured(1).toInt();
            from = match.capturedEnd();
        }
        expression += QRegularExpression::escape(source->mid(from)) + QLatin1Char('$');
        const QRegularExpressionMatch found
            = QRegularExpression(expression, QRegularExpression::DotMatchesEverythingOption)
                  .match(text);
        const qsizetype fixed = source->size() - 2 * numbers.size();
        if (!found.hasMatch() || fixed <= bestFixed)
            continue;
        bestFixed = fixed;
        QString translated = *target;
        for (int i = 0; i < numbers.size(); ++i) {
            QString value = found.captured(i + 1);
            QString valueTranslated;
            if (value.size() < text.size()
                && (Translate(
                        languageName, CommonContextName, false, -1, nullptr, valueTranslated, value)
                    || TranslateFilledIn(languageName, value, valueTranslated)))
                value = valueTranslated;
            translated.replace(QStringLiteral("%") + QString::number(numbers.at(i)), value);
        }
        result = translated;
    }
    return bestFixed >= 0;
}
