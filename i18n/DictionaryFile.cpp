#include "i18n/DictionaryFile.h"

#include "i18n/TranslationDictionary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

const QString UnreadableMessage = QStringLiteral(
    "Словарь перевода не прочитан, программа работает без перевода.\n"
    "The translation dictionary could not be read; the program runs untranslated.");

// Builds a dictionary from the parsed document, failing with the place of the first fault.
class TDictionaryReader
{
public:
    explicit TDictionaryReader(QString fileName)
        : FFileName(std::move(fileName))
    { }

    std::unique_ptr<TTranslationDictionary> Read(const QJsonDocument &document)
    {
        if (!document.isObject())
            Fail(QStringLiteral("the file must hold one JSON object"));
        const QJsonObject root = document.object();
        for (auto it = root.begin(); it != root.end(); ++it)
            if (it.key() != QLatin1String("languages") && it.key() != QLatin1String("log")
                && it.key() != QLatin1String("contexts"))
                Fail(QStringLiteral("unknown entry \"%1\"").arg(it.key()));
        FDictionary = std::make_unique<TTranslationDictionary>();
        ReadLanguages(root.value(QLatin1String("languages")));
        ReadLog(root.value(QLatin1String("log")));
        ReadContexts(root.value(QLatin1String("contexts")));
        return std::move(FDictionary);
    }

    [[noreturn]] void Fail(const QString &cause) const
    {
        throw EDictionaryFileError(UnreadableMessage, FFileName + QStringLiteral(": ") + cause);
    }

private:
    void ReadLanguages(const QJsonValue &value)
    {
        if (!value.isArray() || value.toArray().isEmpty())
            Fail(QStringLiteral("\"languages\" must be a list of at least one language"));
        QSet<int> ids;
        const QJsonArray languages = value.toArray();
        for (qsizetype i = 0; i < languages.size(); ++i) {
            const QString where = QStringLiteral("language %1").arg(i + 1);
            const QJsonObject language = Object(languages[i], where);
            const QString name = language.value(QLatin1String("name")).toString();
            if (name.isEmpty())
                Fail(where + QStringLiteral(": \"name\" must be a non-empty text"));
            const int id = language.value(QLatin1String("id")).toInt(-1);
            if (id <= 0)
                Fail(where + QStringLiteral(": \"id\" must be a positive whole number"));
            if (FIds.contains(name.toLower()) || ids.contains(id))
                Fail(where + QStringLiteral(": the name or id is used twice"));
            ids.insert(id);
            FIds.insert(name.toLower(), id);
            FDictionary->Languages.append({name, id});
            if (language.contains(QLatin1String("charset"))) {
                const int charset = language.value(QLatin1String("charset")).toInt(-1);
                if (charset < 0 || charset > 255)
                    Fail(where + QStringLiteral(": \"charset\" must be a number 0..255"));
                FDictionary->Charsets << id << charset;
            }
            if (language.contains(QLatin1String("collation"))) {
                const QString collation = language.value(QLatin1String("collation")).toString();
                if (collation.isEmpty())
                    Fail(where + QStringLiteral(": \"collation\" must be a non-empty text"));
                FDictionary->Collations.append({collation, id});
            }
        }
    }

    void ReadLog(const QJsonValue &value)
    {
        if (value.isUndefined())
            return;
        const QJsonObject log = Object(value, QStringLiteral("\"log\""));
        const QJsonValue enabled = log.value(QLatin1String("enabled"));
        const QJsonValue file = log.value(QLatin1String("file"));
        if (!enabled.isUndefined() && !enabled.isBool())
            Fail(QStringLiteral("\"log\": \"enabled\" must be true or false"));
        if (!file.isUndefined() && !file.isString())
            Fail(QStringLiteral("\"log\": \"file\" must be a text"));
        FDictionary->LogEnabled = enabled.toBool();
        FDictionary->LogFileName = file.toString();
    }

    void ReadContexts(const QJsonValue &value)
    {
        const QJsonObject contexts = Object(value, QStringLiteral("\"contexts\""));
        for (auto it = contexts.begin(); it != contexts.end(); ++it) {
            const QString where = QStringLiteral("context \"%1\"").arg(it.key());
            if (!it.value().isArray())
                Fail(where + QStringLiteral(" must be a list of phrases"));
            auto context = std::make_unique<TTranslationContext>(it.key());
            const QJsonArray phrases = it.value().toArray();
            for (qsizetype i = 0; i < phrases.size(); ++i)
                context->Phrases.append(
                    ReadPhrase(phrases[i], where + QStringLiteral(", phrase %1").arg(i + 1)));
            FDictionary->Contexts.push_back(std::move(context));
        }
    }

    TPhrase ReadPhrase(const QJsonValue &value, const QString &where) const
    {
        const QJsonObject texts = Object(value, where);
        TPhrase phrase;
        for (auto it = texts.begin(); it != texts.end(); ++it) {
            const auto id = FIds.constFind(it.key().toLower());
            if (id == FIds.constEnd())
                Fail(where + QStringLiteral(": \"%1\" is not one of the languages").arg(it.key()));
            if (!it.value().isString())
                Fail(where + QStringLiteral(": the \"%1\" text must be a text").arg(it.key()));
            phrase.append({*id, it.value().toString()});
        }
        return phrase;
    }

    QJsonObject Object(const QJsonValue &value, const QString &where) const
    {
        if (!value.isObject())
            Fail(where + QStringLiteral(" must be a JSON object"));
        return value.toObject();
    }

    QString FFileName;
    std::unique_ptr<TTranslationDictionary> FDictionary;
    QHash<QString, int> FIds; // lower-case language name -> id
};

// "line L, column C" of a byte offset, for the JSON reader's errors.
QString PlaceOf(const QByteArray &contents, qsizetype offset)
{
    const QByteArray before = contents.left(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    return QStringLiteral("line %1, column %2")
        .arg(before.count('\n') + 1)
        .arg(QString::fromUtf8(before.mid(lineStart)).size() + 1);
}

} // namespace

std::unique_ptr<TTranslationDictionary> ParseTranslationDictionary(
    const QByteArray &contents, const QString &fileName)
{
    TDictionaryReader reader(fileName);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError)
        reader.Fail(PlaceOf(contents, error.offset) + QStringLiteral(": ") + error.errorString());
    return reader.Read(document);
}

std::unique_ptr<TTranslationDictionary> ReadTranslationDictionary(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EDictionaryFileError(
            UnreadableMessage, path + QStringLiteral(": ") + file.errorString());
    return ParseTranslationDictionary(file.readAll(), path);
}
