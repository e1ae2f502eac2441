#include "i18n/TranslationDictionary.h"
#include "i18n/zrMultilingualSupport.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// A dictionary that records what the component and the text hook ask of it.
class RecordingDictionary : public TTranslationDictionary
{
public:
    QString language = QStringLiteral("eng");
    std::optional<QString> translation;
    std::optional<QString> collation;
    int currentLanguageId = 7;
    int runs = 0;
    bool lastRecollect = false;
    TzrMultilingualSupport *lastComponent = nullptr;
    QStringList translateCalls;
    int collationAskedFor = -2;

    QString Language() const override { return language; }
    bool Translate(const QString &languageName, const QString &contextName, bool stripAmpersands,
        int languageId, TTranslationContext *context, QString &result, const QString &text) override
    {
        translateCalls << QStringLiteral("%1|%2|%3|%4|%5|%6")
                              .arg(languageName, contextName)
                              .arg(stripAmpersands)
                              .arg(languageId)
                              .arg(context == nullptr)
                              .arg(text);
        if (!translation)
            return false;
        result = *translation;
        return true;
    }
    int CurrentLanguageId() override { return currentLanguageId; }
    bool FindCollation(int languageId, QString &name) const override
    {
        const_cast<RecordingDictionary *>(this)->collationAskedFor = languageId;
        if (!collation)
            return false;
        name = *collation;
        return true;
    }
    void TranslateComponents(TzrMultilingualSupport &component, bool recollect) override
    {
        ++runs;
        lastRecollect = recollect;
        lastComponent = &component;
    }
};

// Installs a dictionary for one test and always takes it away again.
class DictionaryScope
{
public:
    explicit DictionaryScope(TTranslationDictionary *dictionary)
    {
        TranslationDictionary = dictionary;
    }
    ~DictionaryScope() { TranslationDictionary = nullptr; }
};

class TfrmProbe : public QDialog
{
    Q_OBJECT
public:
    TfrmProbe()
    {
        caption = new QLabel(QStringLiteral("Формат отображения"), this);
        button = new QPushButton(QStringLiteral("&Отмена"), this);
        setWindowTitle(QStringLiteral("Детали"));
    }
    QLabel *caption;
    QPushButton *button;
    int shows = 0;

protected:
    void showEvent(QShowEvent *event) override
    {
        ++shows;
        QDialog::showEvent(event);
    }
};

} // namespace

class TestZrMultilingualSupport : public QObject
{
    Q_OBJECT

private slots:
    void translateTextIsIdentityWithoutDictionary_data();
    void translateTextIsIdentityWithoutDictionary();
    void collationIsParadoxCyrillicWithoutDictionary();
    void defaultsFollowOwner();
    void showingFormWithoutDictionaryKeepsTexts();
    void showTranslatesOnlyWhenEnabledAndLanguagesDiffer_data();
    void showTranslatesOnlyWhenEnabledAndLanguagesDiffer();
    void componentOnChildWidgetDoesNotWatchShows();
    void translateTextAsksCommonRussianContext_data();
    void translateTextAsksCommonRussianContext();
    void collationComesFromDictionaryWhenItKnowsOne_data();
    void collationComesFromDictionaryWhenItKnowsOne();
};

void TestZrMultilingualSupport::translateTextIsIdentityWithoutDictionary_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("menu caption") << QStringLiteral("Найти");
    QTest::newRow("accelerator") << QStringLiteral("&Другой...");
    QTest::newRow("framing spaces") << QStringLiteral("  Поле: ");
    QTest::newRow("line break") << QStringLiteral("Строка 1\r\nСтрока 2");
    QTest::newRow("format mark") << QStringLiteral("Столбец %s не найден");
}

void TestZrMultilingualSupport::translateTextIsIdentityWithoutDictionary()
{
    QFETCH(QString, text);
    QVERIFY(TranslationDictionary == nullptr);
    const QString result = TranslateText(text);
    QCOMPARE(result, text);
    QCOMPARE(result.isNull(), text.isNull());
}

void TestZrMultilingualSupport::collationIsParadoxCyrillicWithoutDictionary()
{
    TfrmProbe form;
    TzrMultilingualSupport component(&form);
    QCOMPARE(component.CollationName(), QStringLiteral("PXW_CYRL"));
}

void TestZrMultilingualSupport::defaultsFollowOwner()
{
    TfrmProbe form;
    auto *component = new TzrMultilingualSupport(&form);
    QVERIFY(component->Enabled());
    QCOMPARE(component->Language(), QStringLiteral("rus"));
    QCOMPARE(component->Context(), QStringLiteral("TfrmProbe"));
    QCOMPARE(component->OwnerForm(), &form);
    QVERIFY(component->CollectedComponents().isEmpty());

    TzrMultilingualSupport orphan(nullptr);
    QCOMPARE(orphan.Context(), QString());
    QCOMPARE(orphan.OwnerForm(), nullptr);
}

void TestZrMultilingualSupport::showingFormWithoutDictionaryKeepsTexts()
{
    TfrmProbe form;
    auto *component = new TzrMultilingualSupport(&form);
    component->SetContext(QStringLiteral("TfrmDetail"));
    const QFont font = form.caption->font();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.shows, 1);
    QCOMPARE(form.windowTitle(), QStringLiteral("Детали"));
    QCOMPARE(form.caption->text(), QStringLiteral("Формат отображения"));
    QCOMPARE(form.button->text(), QStringLiteral("&Отмена"));
    QCOMPARE(form.caption->font(), font);
    QCOMPARE(component->Language(), QStringLiteral("rus"));
}

void TestZrMultilingualSupport::showTranslatesOnlyWhenEnabledAndLanguagesDiffer_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("formLanguage");
    QTest::addColumn<QString>("dictionaryLanguage");
    QTest::addColumn<int>("runs");
    QTest::newRow("other language") << true << "rus"
                                    << "eng" << 1;
    QTest::newRow("disabled") << false << "rus"
                              << "eng" << 0;
    QTest::newRow("same language") << true << "rus"
                                   << "rus" << 0;
    QTest::newRow("letter case differs") << true << "rus"
                                         << "Rus" << 1;
}

void TestZrMultilingualSupport::showTranslatesOnlyWhenEnabledAndLanguagesDiffer()
{
    QFETCH(bool, enabled);
    QFETCH(QString, formLanguage);
    QFETCH(QString, dictionaryLanguage);
    QFETCH(int, runs);

    RecordingDictionary dictionary;
    dictionary.language = dictionaryLanguage;
    DictionaryScope scope(&dictionary);

    TfrmProbe form;
    auto *component = new TzrMultilingualSupport(&form);
    component->SetEnabled(enabled);
    component->SetLanguage(formLanguage);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(dictionary.runs, runs);
    // The form's own show handling still runs next to the component's.
    QCOMPARE(form.shows, 1);
    if (runs > 0) {
        QCOMPARE(dictionary.lastComponent, component);
        QVERIFY(dictionary.lastRecollect);
    }
}

void TestZrMultilingualSupport::componentOnChildWidgetDoesNotWatchShows()
{
    RecordingDictionary dictionary;
    DictionaryScope scope(&dictionary);
    TfrmProbe form;
    auto *component = new TzrMultilingualSupport(form.caption);
    QCOMPARE(component->OwnerForm(), nullptr);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(dictionary.runs, 0);
}

void TestZrMultilingualSupport::translateTextAsksCommonRussianContext_data()
{
    QTest::addColumn<bool>("known");
    QTest::addColumn<QString>("expected");
    QTest::newRow("known phrase") << true << "Find";
    QTest::newRow("unknown phrase") << false << "Найти";
}

void TestZrMultilingualSupport::translateTextAsksCommonRussianContext()
{
    QFETCH(bool, known);
    QFETCH(QString, expected);
    RecordingDictionary dictionary;
    if (known)
        dictionary.translation = QStringLiteral("Find");
    DictionaryScope scope(&dictionary);
    QCOMPARE(TranslateText(QStringLiteral("Найти")), expected);
    QCOMPARE(dictionary.translateCalls, QStringList {QStringLiteral("rus|-1|0|-1|1|Найти")});
}

void TestZrMultilingualSupport::collationComesFromDictionaryWhenItKnowsOne_data()
{
    QTest::addColumn<QString>("collation");
    QTest::addColumn<QString>("expected");
    QTest::newRow("known") << "PXW_INTL"
                           << "PXW_INTL";
    QTest::newRow("unknown") << QString() << "PXW_CYRL";
}

void TestZrMultilingualSupport::collationComesFromDictionaryWhenItKnowsOne()
{
    QFETCH(QString, collation);
    QFETCH(QString, expected);
    RecordingDictionary dictionary;
    dictionary.currentLanguageId = 3;
    if (!collation.isEmpty())
        dictionary.collation = collation;
    DictionaryScope scope(&dictionary);
    TfrmProbe form;
    TzrMultilingualSupport component(&form);
    QCOMPARE(component.CollationName(), expected);
    QCOMPARE(dictionary.collationAskedFor, 3);
}

QTEST_MAIN(TestZrMultilingualSupport)
#include "tst_zrmultilingualsupport.moc"
