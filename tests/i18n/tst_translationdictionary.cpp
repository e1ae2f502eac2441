#include "i18n/DictionaryFile.h"
#include "i18n/TranslationDictionary.h"
#include "i18n/zrMultilingualSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A small dictionary: Russian and English, the common context and one form's context.
// fillers adds unrelated phrases to the common context, which move where the bisection probes.
QByteArray DictionaryText(int fillers = 0, bool withCharsets = true, const QString &log = {})
{
    QString common = QStringLiteral(R"(
        {"rus": "Найти", "eng": "Find"},
        {"rus": "Шрифт таблицы", "eng": "Table font"},
        {"rus": "Источник данных", "eng": "Source of data"},
        {"rus": "Источник данных...", "eng": "Data source..."},
        {"rus": "Отмена", "eng": "Cancel"},
        {"rus": "Только по-русски"})");
    for (int i = 0; i < fillers; ++i)
        common += QStringLiteral(R"(, {"rus": "Фраза %1", "eng": "Phrase %1"})").arg(i);
    const QString charsets = withCharsets ? QStringLiteral(R"(, "charset": 204)") : QString();
    const QString engCharset = withCharsets ? QStringLiteral(R"(, "charset": 0)") : QString();
    return QStringLiteral(R"({
        "languages": [{"name": "rus", "id": 1%1}, {"name": "eng", "id": 2%2}],
        "log": {"enabled": %3, "file": "%4"},
        "contexts": {
            "-1": [%5],
            "TfrmProbe": [{"rus": "Формат", "eng": "Format"}, {"rus": "Детали", "eng": "Details"},
                          {"rus": "Город", "eng": "Town"}, {"rus": "Район", "eng": "District"},
                          {"rus": "Параметры", "eng": "Options"}]
        }
    })")
        .arg(charsets, engCharset, log.isEmpty() ? QStringLiteral("false") : QStringLiteral("true"),
            log, common)
        .toUtf8();
}

std::unique_ptr<TTranslationDictionary> EnglishDictionary(
    int fillers = 0, bool withCharsets = true, const QString &log = {})
{
    auto dictionary = ParseTranslationDictionary(
        DictionaryText(fillers, withCharsets, log), QStringLiteral("test.json"));
    dictionary->SetLanguage(QStringLiteral("eng"));
    return dictionary;
}

class TfrmProbe : public QDialog
{
    Q_OBJECT
public:
    TfrmProbe()
    {
        setObjectName(QStringLiteral("frmProbe"));
        setWindowTitle(QStringLiteral("Детали"));
        label = new QLabel(QStringLiteral("Формат:"), this);
        label->setObjectName(QStringLiteral("lblFormat"));
        button = new QPushButton(QStringLiteral("&Отмена"), this);
        button->setObjectName(QStringLiteral("btnCancel"));
        combo = new QComboBox(this);
        combo->addItems(
            {QStringLiteral("Город"), QStringLiteral("Улица"), QStringLiteral("Район")});
        combo->setCurrentIndex(2);
        group = new QGroupBox(QStringLiteral(" Параметры "), this);
        check = new QCheckBox(QStringLiteral("Найти..."), group);
        check->setToolTip(QStringLiteral("Шрифт таблицы"));
        component = new TzrMultilingualSupport(this);
    }
    QLabel *label;
    QPushButton *button;
    QComboBox *combo;
    QGroupBox *group;
    QCheckBox *check;
    TzrMultilingualSupport *component;
};

} // namespace

class TestTranslationDictionary : public QObject
{
    Q_OBJECT

private slots:
    void lookupFollowsTheTextRules_data();
    void lookupFollowsTheTextRules();
    void stemIsFoundWhateverTheOtherPhrases_data();
    void stemIsFoundWhateverTheOtherPhrases();
    void unknownLanguageIsAddedWithTheNextId();
    void translationRunTranslatesTheFormAndLogsIt_data();
    void translationRunTranslatesTheFormAndLogsIt();
    void malformedFileIsRefusedWithItsPlace_data();
    void malformedFileIsRefusedWithItsPlace();
};

void TestTranslationDictionary::lookupFollowsTheTextRules_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // null: no translation

    QTest::newRow("framing blanks") << "-1"
                                    << "  Найти "
                                    << "  Find ";
    QTest::newRow("inner whitespace") << "-1"
                                      << "Шрифт\r\n таблицы"
                                      << "Table font";
    QTest::newRow("accelerator") << "-1"
                                 << "&Найти"
                                 << "Find";
    QTest::newRow("letter case") << "-1"
                                 << "НАЙТИ"
                                 << "Find";
    QTest::newRow("three dots") << "-1"
                                << "Найти..."
                                << "Find...";
    QTest::newRow("two dots") << "-1"
                              << "Найти.."
                              << "Find..";
    QTest::newRow("question mark") << "-1"
                                   << "Найти?"
                                   << "Find?";
    QTest::newRow("exact phrase beats its stem") << "-1"
                                                 << "Источник данных..."
                                                 << "Data source...";
    QTest::newRow("form context") << "TfrmProbe"
                                  << "Формат:"
                                  << "Format:";
    QTest::newRow("falls back to the common context") << "TfrmProbe"
                                                      << "Отмена"
                                                      << "Cancel";
    QTest::newRow("no common phrase in a form context") << "-1"
                                                        << "Формат" << QString();
    QTest::newRow("unknown context has no fallback") << "TfrmOther"
                                                     << "Найти" << QString();
    QTest::newRow("phrase without the target language") << "-1"
                                                        << "Только по-русски" << QString();
    QTest::newRow("unknown text") << "-1"
                                  << "Неизвестно" << QString();
    QTest::newRow("empty text") << "-1" << QString() << QString();
}

void TestTranslationDictionary::lookupFollowsTheTextRules()
{
    QFETCH(QString, context);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const auto dictionary = EnglishDictionary();
    QString result = QStringLiteral("unchanged");
    const bool found
        = dictionary->Translate(QStringLiteral("rus"), context, false, -1, nullptr, result, text);
    QCOMPARE(found, !expected.isNull());
    QCOMPARE(result, expected.isNull() ? QStringLiteral("unchanged") : expected);
}

void TestTranslationDictionary::stemIsFoundWhateverTheOtherPhrases_data()
{
    QTest::addColumn<int>("fillers");
    for (int fillers : {0, 1, 3, 8, 20})
        QTest::addRow("%d other phrases", fillers) << fillers;
}

void TestTranslationDictionary::stemIsFoundWhateverTheOtherPhrases()
{
    QFETCH(int, fillers);
    const auto dictionary = EnglishDictionary(fillers);
    for (const QString &ending :
        {QStringLiteral("..."), QStringLiteral(":"), QStringLiteral("!")}) {
        QString result;
        QVERIFY2(dictionary->Translate(QStringLiteral("rus"), QStringLiteral("-1"), false, -1,
                     nullptr, result, QStringLiteral("Найти") + ending),
            qPrintable(ending));
        QCOMPARE(result, QStringLiteral("Find") + ending);
    }
    // Asking in the other direction: nothing is translated into its own language.
    QString result;
    QVERIFY(!dictionary->Translate(QStringLiteral("eng"), QStringLiteral("-1"), false, -1, nullptr,
        result, QStringLiteral("Find")));
}

void TestTranslationDictionary::unknownLanguageIsAddedWithTheNextId()
{
    const auto dictionary = EnglishDictionary();
    int id = 0;
    QVERIFY(dictionary->FindLanguage(QStringLiteral("ENG"), id));
    QCOMPARE(id, 2);
    QVERIFY(dictionary->FindLanguage(QStringLiteral("deu"), id));
    QCOMPARE(id, 3);
    QCOMPARE(dictionary->Languages.size(), 3);
    QVERIFY(!dictionary->FindLanguage(QString(), id));

    dictionary->SetLanguage(QStringLiteral("fra"));
    QCOMPARE(dictionary->CurrentLanguageId(), 4);
    QString result;
    QVERIFY(!dictionary->Translate(QStringLiteral("rus"), QStringLiteral("-1"), false, -1, nullptr,
        result, QStringLiteral("Найти")));
}

void TestTranslationDictionary::translationRunTranslatesTheFormAndLogsIt_data()
{
    QTest::addColumn<bool>("withCharsets");
    QTest::addColumn<QString>("groupTitle");
    QTest::addColumn<QString>("comboItem");
    QTest::newRow("charset known") << true << " Options "
                                   << "District";
    // Rows that need a character set (group boxes, combo boxes) are then left alone.
    QTest::newRow("no charset") << false << " Параметры "
                                << "Район";
}

void TestTranslationDictionary::translationRunTranslatesTheFormAndLogsIt()
{
    QFETCH(bool, withCharsets);
    QFETCH(QString, groupTitle);
    QFETCH(QString, comboItem);
    QTemporaryDir folder;
    const QString logFile = folder.filePath(QStringLiteral("run.log"));
    const auto dictionary = EnglishDictionary(0, withCharsets, logFile);
    TranslationDictionary = dictionary.get();
    TfrmProbe form;
    form.show();
    TranslationDictionary = nullptr;
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.windowTitle(), QStringLiteral("Details"));
    QCOMPARE(form.label->text(), QStringLiteral("Format:"));
    QCOMPARE(form.button->text(), QStringLiteral("Cancel"));
    QCOMPARE(form.check->text(), QStringLiteral("Find..."));
    QCOMPARE(form.check->toolTip(), QStringLiteral("Table font"));
    QCOMPARE(form.group->title(), groupTitle);
    QCOMPARE(form.combo->currentIndex(), 2);
    QCOMPARE(form.combo->currentText(), comboItem);
    QCOMPARE(form.combo->itemText(1), QStringLiteral("Улица"));
    QCOMPARE(form.component->Language(), QStringLiteral("eng"));

    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.mid(0, 5),
        QStringList({QString(29, QLatin1Char('=')), QStringLiteral("Language:rus"),
            QStringLiteral("TranslateLanguage:eng"), QString(), QStringLiteral("Form:frmProbe")}));
    QVERIFY(lines[5].startsWith(QStringLiteral("Date: "))
        && lines[5].contains(QStringLiteral(" Time: ")));
    QVERIFY(lines.contains(QStringLiteral("frmProbe:Детали=Details")));
    QVERIFY(lines.contains(QStringLiteral("lblFormat:Формат:=Format:")));
    QVERIFY(lines.contains(QStringLiteral("btnCancel:&Отмена=Cancel")));
    QCOMPARE(lines.value(lines.size() - 2), QString(29, QLatin1Char('=')));
}

void TestTranslationDictionary::malformedFileIsRefusedWithItsPlace_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("cause");
    QTest::newRow("broken JSON") << QByteArray("{\n  \"languages\": [\n  }") << "line 3, column";
    QTest::newRow("not an object") << QByteArray("[]") << "one JSON object";
    QTest::newRow("no languages") << QByteArray(R"({"contexts": {}})") << "\"languages\"";
    QTest::newRow("id not positive")
        << QByteArray(R"({"languages": [{"name": "rus", "id": 0}]})") << "language 1: \"id\"";
    QTest::newRow("language twice")
        << QByteArray(R"({"languages": [{"name": "rus", "id": 1}, {"name": "RUS", "id": 2}]})")
        << "language 2: the name or id is used twice";
    QTest::newRow("phrase in an unknown language")
        << QByteArray(R"({"languages": [{"name": "rus", "id": 1}],
                         "contexts": {"-1": [{"rus": "Да"}, {"rus": "Нет", "fra": "Non"}]}})")
        << "context \"-1\", phrase 2: \"fra\" is not one of the languages";
    QTest::newRow("misspelt entry") << QByteArray(R"({"languages": [{"name": "rus", "id": 1}],
                                                     "context": {}})")
                                    << "unknown entry \"context\"";
}

void TestTranslationDictionary::malformedFileIsRefusedWithItsPlace()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, cause);
    try {
        ParseTranslationDictionary(contents, QStringLiteral("Translations.json"));
        QFAIL("a malformed dictionary was read");
    } catch (const EDictionaryFileError &e) {
        QVERIFY2(e.Message().contains(QStringLiteral("untranslated")), qPrintable(e.Message()));
        QVERIFY2(
            e.Detail().startsWith(QStringLiteral("Translations.json: ")), qPrintable(e.Detail()));
        QVERIFY2(e.Detail().contains(cause), qPrintable(e.Detail()));
    }
}

QTEST_MAIN(TestTranslationDictionary)
#include "tst_translationdictionary.moc"
