#include "app/InterfaceLanguage.h"
#include "i18n/DictionaryFile.h"
#include "i18n/TranslationDictionary.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray EnglishDictionary = R"({
    "languages": [{"name": "rus", "id": 1}, {"name": "eng", "id": 2}],
    "contexts": {"-1": [{"rus": "Найти", "eng": "Find"}]}
})";

} // namespace

// Which language a run uses and which dictionary file it reads.
class TestInterfaceLanguage : public QObject
{
    Q_OBJECT

    QTemporaryDir FRoot;

    std::unique_ptr<TxAppRegistry> Store()
    {
        return std::make_unique<TxAppRegistry>(
            std::make_unique<TFileRegistry>(FRoot.filePath(QStringLiteral("registry.json"))),
            QStringLiteral("phonebook"), TxAppRegistry::DefaultBaseKey, QStringList());
    }

private slots:
    void givenLanguageWinsAndIsRemembered()
    {
        QCOMPARE(ChooseInterfaceLanguage(QString(), Store().get()), QString());
        RememberInterfaceLanguage(QStringLiteral("eng"), Store().get());
        QCOMPARE(ChooseInterfaceLanguage(QString(), Store().get()), QStringLiteral("eng"));
        QCOMPARE(
            ChooseInterfaceLanguage(QStringLiteral(" rus "), Store().get()), QStringLiteral("rus"));
    }

    void dictionaryIsFoundOrRefusedClearly_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QByteArray>("besideProgram");
        QTest::addColumn<QByteArray>("installed");
        QTest::addColumn<QString>("result"); // "none", "installed", "beside" or a message part
        QTest::newRow("the forms' own language") << "RUS" << QByteArray() << QByteArray() << "none";
        QTest::newRow("beside the program first")
            << "eng" << EnglishDictionary << QByteArray("{") << "beside";
        QTest::newRow("installed copy")
            << "Eng" << QByteArray() << EnglishDictionary << "installed";
        QTest::newRow("no file") << "eng" << QByteArray() << QByteArray() << "was not found";
        QTest::newRow("malformed file") << "eng" << QByteArray("{\"languages\": 1}")
                                        << EnglishDictionary << "could not be read";
        QTest::newRow("language not in the file")
            << "deu" << EnglishDictionary << QByteArray() << "no language \"deu\"";
    }

    void dictionaryIsFoundOrRefusedClearly()
    {
        QFETCH(QString, language);
        QFETCH(QByteArray, besideProgram);
        QFETCH(QByteArray, installed);
        QFETCH(QString, result);
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("bin"));
        const QString share = root.filePath(QStringLiteral("share"));
        const auto write = [](const QString &folder, const QByteArray &contents) {
            QDir().mkpath(folder);
            if (contents.isEmpty())
                return;
            QFile file(QDir(folder).filePath(DictionaryFileName));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        };
        write(program, besideProgram);
        write(share, installed);
        const QStringList candidates = DictionaryCandidates(program, share);
        try {
            const auto dictionary = OpenDictionary(language, candidates);
            QCOMPARE(dictionary == nullptr, result == QLatin1String("none"));
            if (!dictionary)
                return;
            QCOMPARE(dictionary->Language(), language);
            QString text;
            QVERIFY(dictionary->Translate(QStringLiteral("rus"), QStringLiteral("-1"), false, -1,
                nullptr, text, QStringLiteral("Найти...")));
            QCOMPARE(text, QStringLiteral("Find..."));
        } catch (const EDictionaryFileError &e) {
            QVERIFY2(e.Message().contains(result), qPrintable(e.Message()));
            // The detail names the file or the places looked at.
            QVERIFY2(e.Detail().contains(root.path()), qPrintable(e.Detail()));
        }
    }
};

QTEST_MAIN(TestInterfaceLanguage)
#include "tst_interfacelanguage.moc"
