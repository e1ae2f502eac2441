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

// Russian and English: the common context, with fillers unrelated phrases that move where the
// bisection probes, and one form's context. Every translation run is logged to logFile.
std::unique_ptr<TTranslationDictionary> EnglishDictionary(int fillers, const QString &logFile = {})
{
    QString common = QStringLiteral(R"({"rus": "Найти", "eng": "Find"},
        {"rus": "Шрифт таблицы", "eng": "Table font"}, {"rus": "Отмена", "eng": "Cancel"},
        {"rus": "Источник данных", "eng": "Source of data"},
        {"rus": "Источник данных...", "eng": "Data source..."}, {"rus": "Только по-русски"})");
    for (int i = 0; i < fillers; ++i)
        common += QStringLiteral(R"(, {"rus": "Фраза %1", "eng": "Phrase %1"})").arg(i);
    const QString text = QStringLiteral(R"({
        "languages": [{"name": "rus", "id": 1, "charset": 204}, {"name": "eng", "id": 2, "charset": 0}],
        "log": {"enabled": true, "file": "%1"},
        "contexts": {"-1": [%2], "TfrmProbe": [{"rus": "Формат", "eng": "Format"},
            {"rus": "Детали", "eng": "Details"}, {"rus": "Район", "eng": "District"},
            {"rus": "Параметры", "eng": "Options"}]}})")
                             .arg(logFile, common);
    auto dictionary = ParseTranslationDictionary(text.toUtf8(), QStringLiteral("test.json"));
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
    void filledInMessageKeepsItsValues_data();
    void filledInMessageKeepsItsValues();
    void unknownLanguageIsAddedWithTheNextId();
    void translationRunTranslatesTheFormAndLogsIt();
    void malformedFileIsRefusedWithItsPlace_data();
    void malformedFileIsRefusedWithItsPlace();
};

void TestTranslationDictionary::lookupFollowsTheTextRules_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // null: no translation
    QTest::addColumn<int>("fillers");
    const QString common = QStringLiteral("-1");
    const QString form = QStringLiteral("TfrmProbe");
    QTest::newRow("framing blanks") << common << "  Найти "
                                    << "  Find " << 0;
    QTest::newRow("inner whitespace") << common << "Шрифт\r\n таблицы"
                                      << "Table font" << 0;
    QTest::newRow("accelerator, any case") << common << "&НАЙТИ"
                                           << "Find" << 0;
    // The stem is found whatever phrases stand around it.
    QTest::newRow("three dots") << common << "Найти..."
                                << "Find..." << 0;
    QTest::newRow("three dots among many") << common << "Найти..."
                                           << "Find..." << 20;
    QTest::newRow("colon") << common << "Найти:"
                           << "Find:" << 8;
    QTest::newRow("exact phrase beats its stem") << common << "Источник данных..."
                                                 << "Data source..." << 1;
    QTest::newRow("form context") << form << "Формат:"
                                  << "Format:" << 0;
    QTest::newRow("falls back to the common context") << form << "Отмена"
                                                      << "Cancel" << 0;
    QTest::newRow("no fallback from the common context") << common << "Формат" << QString() << 0;
    QTest::newRow("no fallback from an unknown context") << "TfrmOther"
                                                         << "Найти" << QString() << 0;
    QTest::newRow("phrase without the target") << common << "Только по-русски" << QString() << 0;
}

void TestTranslationDictionary::lookupFollowsTheTextRules()
{
    QFETCH(QString, context);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(int, fillers);
    const auto dictionary = EnglishDictionary(fillers);
    QString result = QStringLiteral("unchanged");
    const bool found
        = dictionary->Translate(QStringLiteral("rus"), context, false, -1, nullptr, result, text);
    QCOMPARE(found, !expected.isNull());
    QCOMPARE(result, expected.isNull() ? QStringLiteral("unchanged") : expected);
}

void TestTranslationDictionary::unknownLanguageIsAddedWithTheNextId()
{
    const auto dictionary = EnglishDictionary(0);
    int id = 0;
    QVERIFY(dictionary->FindLanguage(QStringLiteral("ENG"), id));
    QCOMPARE(id, 2);
    dictionary->SetLanguage(QStringLiteral("deu"));
    QCOMPARE(dictionary->CurrentLanguageId(), 3);
    QCOMPARE(dictionary->Languages.size(), 3);
    QString result;
    QVERIFY(!dictionary->Translate(QStringLiteral("rus"), QStringLiteral("-1"), false, -1, nullptr,
        result, QStringLiteral("Найти")));
}

void TestTranslationDictionary::filledInMessageKeepsItsValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two values") << QStringLiteral(
        "Таблица «kvtel_1.DB» не найдена в папке «Gorod».")
                                << QStringLiteral("Table “kvtel_1.DB” not found in “Gorod”.");
    QTest::newRow("a value the dictionary knows")
        << QStringLiteral("Запрос остановлен (96 МБ).") << QStringLiteral("Query stopped (96 MB).");
    QTest::newRow("no pattern fits")
        << QStringLiteral("Таблица без папки 5") << QStringLiteral("Таблица без папки 5");
}

void TestTranslationDictionary::filledInMessageKeepsItsValues()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    auto dictionary = ParseTranslationDictionary(QStringLiteral(R"({
        "languages": [{"name": "rus", "id": 1}, {"name": "eng", "id": 2}],
        "contexts": {"-1": [{"rus": "%1 МБ", "eng": "%1 MB"},
            {"rus": "Таблица «%1» не найдена в папке «%2».", "eng": "Table “%1” not found in “%2”."},
            {"rus": "Запрос остановлен (%1).", "eng": "Query stopped (%1)."}]}})")
                                                     .toUtf8(),
        QStringLiteral("test.json"));
    dictionary->SetLanguage(QStringLiteral("eng"));
    TranslationDictionary = dictionary.get();
    const QString translated = TranslateText(text);
    TranslationDictionary = nullptr;
    QCOMPARE(translated, expected);
}

void TestTranslationDictionary::translationRunTranslatesTheFormAndLogsIt()
{
    QTemporaryDir folder;
    const QString logFile = folder.filePath(QStringLiteral("run.log"));
    const auto dictionary = EnglishDictionary(0, logFile);
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
    QCOMPARE(form.group->title(), QStringLiteral(" Options "));
    QCOMPARE(form.combo->currentIndex(), 2);
    QCOMPARE(form.combo->currentText(), QStringLiteral("District"));
    QCOMPARE(form.combo->itemText(1), QStringLiteral("Улица"));
    QCOMPARE(form.component->Language(), QStringLiteral("eng"));

    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
    const QString rule(29, QLatin1Char('='));
    QCOMPARE(lines.mid(0, 5),
        QStringList({rule, QStringLiteral("Language:rus"), QStringLiteral("TranslateLanguage:eng"),
            QString(), QStringLiteral("Form:frmProbe")}));
    QVERIFY(lines[5].startsWith(QStringLiteral("Date: ")) && lines[5].contains(" Time: "));
    QVERIFY(lines.contains(QStringLiteral("frmProbe:Детали=Details")));
    QVERIFY(lines.contains(QStringLiteral("lblFormat:Формат:=Format:")));
    QCOMPARE(lines.value(lines.size() - 2), rule);
}

void TestTranslationDictionary::malformedFileIsRefusedWithItsPlace_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("cause");
    QTest::newRow("broken JSON") << QByteArray("{\n  \"languages\": [\n  }") << "line 3, column";
    QTest::newRow("id not positive")
        << QByteArray(R"({"languages": [{"name": "rus", "id": 0}]})") << "language 1: \"id\"";
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
