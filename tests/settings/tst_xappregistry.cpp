#include "core/TFont.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"
#include "settings/xAppRegistryHandlers.h"

#include <QApplication>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TMainForm : public QWidget
{
    Q_OBJECT
};

class tPanel : public QWidget
{
    Q_OBJECT
};

// A dataset as the dataset layer would show it to the store.
class TFakeDataSet : public QObject
{
    Q_OBJECT
};

class TFakeLayout : public TDataSetLayout
{
public:
    struct Field
    {
        QString Name;
        bool Visible = true;
        int Width = 0;
    };
    TFakeLayout(QObject *dataSet, bool shown, std::vector<Field> fields)
        : FDataSet(dataSet)
        , FShown(shown)
        , Fields(std::move(fields))
    { }

    QObject *DataSet() const override { return FDataSet; }
    bool ShownByGridOf(const QObject *form) const override
    {
        return FShown && form == FDataSet->parent();
    }
    int FieldCount() const override { return int(Fields.size()); }
    QString FieldName(int index) const override { return Fields[index].Name; }
    bool FieldVisible(int index) const override { return Fields[index].Visible; }
    int FieldDisplayWidth(int index) const override { return Fields[index].Width; }
    void SetFieldDisplayWidth(int index, int width) override { Fields[index].Width = width; }
    void SetFieldIndex(int index, int position) override
    {
        Field moved = Fields[index];
        Fields.erase(Fields.begin() + index);
        Fields.insert(Fields.begin() + position, moved);
    }
    QStringList Names() const
    {
        QStringList names;
        for (const Field &f : Fields)
            names << f.Name;
        return names;
    }

    QObject *FDataSet;
    bool FShown;
    std::vector<Field> Fields;
};

// Fails every write of one value name; everything else goes to the real store.
class TFailingBackend : public TRegistryBackend
{
public:
    TFailingBackend(const QString &path, QString failingName)
        : FStore(path)
        , FFailingName(std::move(failingName))
    { }

    std::unique_ptr<TRegistryKey> OpenKey(const QString &path, bool canCreate) override
    {
        auto key = FStore.OpenKey(path, canCreate);
        return key ? std::make_unique<FailingKey>(std::move(key), FFailingName) : nullptr;
    }
    bool KeyExists(const QString &path) override { return FStore.KeyExists(path); }
    void DeleteKey(const QString &path) override { FStore.DeleteKey(path); }

private:
    class FailingKey : public TRegistryKey
    {
    public:
        FailingKey(std::unique_ptr<TRegistryKey> key, QString failing)
            : FKey(std::move(key))
            , FFailing(std::move(failing))
        { }
        std::optional<TRegistryDataType> ValueType(const QString &name) const override
        {
            return FKey->ValueType(name);
        }
        QString ReadString(const QString &name) const override { return FKey->ReadString(name); }
        qint32 ReadInteger(const QString &name) const override { return FKey->ReadInteger(name); }
        void WriteString(const QString &name, const QString &value) override
        {
            Check(name);
            FKey->WriteString(name, value);
        }
        void WriteInteger(const QString &name, qint32 value) override
        {
            Check(name);
            FKey->WriteInteger(name, value);
        }
        QStringList ValueNames() const override { return FKey->ValueNames(); }

    private:
        void Check(const QString &name) const
        {
            if (name == FFailing)
                throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
        }
        std::unique_ptr<TRegistryKey> FKey;
        QString FFailing;
    };

    TFileRegistry FStore;
    QString FFailingName;
};

class TestAppRegistry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString StorePath() const { return FDir.filePath(QStringLiteral("registry.json")); }
    std::unique_ptr<TxAppRegistry> MakeRegistry(const QStringList &parameters = {},
        const QString &programName = QStringLiteral("phonebook"))
    {
        return std::make_unique<TxAppRegistry>(std::make_unique<TFileRegistry>(StorePath()),
            programName, TxAppRegistry::DefaultBaseKey, parameters);
    }
    const QString AppKey = QStringLiteral("Software\\Tarnwell Software\\phonebook\\");

private slots:
    void init() { QFile::remove(StorePath()); }

    void integersAndStringsComeBackAsWritten_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("zero") << QVariant(0);
        QTest::newRow("negative") << QVariant(-1);
        QTest::newRow("smallest") << QVariant(std::numeric_limits<int>::min());
        QTest::newRow("largest") << QVariant(std::numeric_limits<int>::max());
        QTest::newRow("empty text") << QVariant(QString());
        QTest::newRow("history with CR LF") << QVariant(QStringLiteral("Иванов\r\nПетров\r\n"));
        QTest::newRow("quotes and backslashes") << QVariant(QStringLiteral("a\\\"b\\\\c\"\t"));
    }
    void integersAndStringsComeBackAsWritten()
    {
        QFETCH(QVariant, value);
        {
            auto registry = MakeRegistry();
            if (value.typeId() == QMetaType::Int)
                registry->WriteInteger(QStringLiteral("Sub"), QStringLiteral("V"), value.toInt());
            else
                registry->WriteString(QStringLiteral("Sub"), QStringLiteral("V"), value.toString());
        }
        auto registry = MakeRegistry(); // a later run
        if (value.typeId() == QMetaType::Int)
            QCOMPARE(registry->ReadInteger(QStringLiteral("Sub"), QStringLiteral("V"), 77),
                value.toInt());
        else
            QCOMPARE(registry->ReadString(QStringLiteral("Sub"), QStringLiteral("V"), "x"),
                value.toString());
    }

    void absentValuesGiveTheDefaultAndLeaveTheKeyBehind()
    {
        auto registry = MakeRegistry();
        QCOMPARE(registry->ReadString(
                     QStringLiteral("Search_Settings"), QStringLiteral("SearchValues"), QString()),
            QString());
        QVERIFY(registry->Backend().KeyExists(AppKey + QStringLiteral("Search_Settings")));
        QCOMPARE(registry->ReadInteger(QStringLiteral("A"), QStringLiteral("N"), 42), 42);
        QCOMPARE(registry->ReadColor(QStringLiteral("A"), QStringLiteral("C"), Colors::clRed),
            Colors::clRed);
    }

    void valuesOfTheWrongTypeFailAsTheRegistryDoes()
    {
        auto registry = MakeRegistry();
        registry->WriteString(QStringLiteral("K"), QStringLiteral("Text"), QStringLiteral("12"));
        registry->WriteInteger(QStringLiteral("K"), QStringLiteral("Number"), 12);
        registry->WriteString(
            QStringLiteral("K"), QStringLiteral("NoColor"), QStringLiteral("clBogus"));
        QVERIFY_THROWS_EXCEPTION(ERegistryException,
            registry->ReadInteger(QStringLiteral("K"), QStringLiteral("Text"), 0));
        // Reading text never fails: another type gives the default.
        QCOMPARE(registry->ReadString(QStringLiteral("K"), QStringLiteral("Number"), "dflt"),
            QStringLiteral("dflt"));
        QVERIFY_THROWS_EXCEPTION(ERegistryException,
            registry->ReadColor(QStringLiteral("K"), QStringLiteral("Number"), 0));
        QVERIFY_THROWS_EXCEPTION(
            EConvertError, registry->ReadColor(QStringLiteral("K"), QStringLiteral("NoColor"), 0));
    }

    void everyColourIdentifierIsWrittenByName_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < ColorIdentCount(); ++i)
            QTest::newRow(qPrintable(ColorIdentName(i))) << i;
    }
    void everyColourIdentifierIsWrittenByName()
    {
        QFETCH(int, index);
        auto registry = MakeRegistry();
        registry->WriteColor(QString(), QStringLiteral("C"), ColorIdentValue(index));
        QCOMPARE(
            registry->ReadString(QString(), QStringLiteral("C"), QString()), ColorIdentName(index));
        QCOMPARE(registry->ReadColor(QString(), QStringLiteral("C"), 1), ColorIdentValue(index));
    }

    void otherColoursAreWrittenInHexadecimal_data()
    {
        QTest::addColumn<int>("color");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << int(RGBColor(0x33, 0x22, 0x11)) << QStringLiteral("$00112233");
        QTest::newRow("system colour without a name")
            << int(Colors::System(30)) << QStringLiteral("$8000001E");
        QTest::newRow("clDefault") << int(Colors::clDefault) << QStringLiteral("$20000000");
    }
    void otherColoursAreWrittenInHexadecimal()
    {
        QFETCH(int, color);
        QFETCH(QString, text);
        auto registry = MakeRegistry();
        registry->WriteColor(QString(), QStringLiteral("C"), color);
        QCOMPARE(registry->ReadString(QString(), QStringLiteral("C"), QString()), text);
        QCOMPARE(registry->ReadColor(QString(), QStringLiteral("C"), 1), color);
    }

    void colourTextsAreRead_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("color");
        QTest::newRow("identifier") << QStringLiteral("clBtnFace") << int(Colors::clBtnFace);
        QTest::newRow("identifier in other case") << QStringLiteral("CLRED") << int(Colors::clRed);
        QTest::newRow("decimal") << QStringLiteral("255") << int(Colors::clRed);
        QTest::newRow("negative decimal")
            << QStringLiteral("-2147483633") << int(Colors::clBtnFace);
        QTest::newRow("short hexadecimal") << QStringLiteral("$FF0000") << int(Colors::clBlue);
    }
    void colourTextsAreRead()
    {
        QFETCH(QString, text);
        QFETCH(int, color);
        auto registry = MakeRegistry();
        registry->WriteString(QString(), QStringLiteral("C"), text);
        QCOMPARE(registry->ReadColor(QString(), QStringLiteral("C"), 1), color);
    }

    void fontComesBackWithItsValueNames()
    {
        auto registry = MakeRegistry();
        const TFont font(QStringLiteral("Arial"), 14,
            int(TFontStyle::fsBold) | int(TFontStyle::fsStrikeOut), Colors::clNavy);
        registry->WriteFont(QStringLiteral("Form1\\DBGrid1"), QStringLiteral("Font"), font);

        QStringList names;
        registry->ReadValueNames(QStringLiteral("Form1\\DBGrid1"), names);
        QCOMPARE(names, QStringList({"Font\\Name", "Font\\Size", "Font\\Style", "Font\\Color"}));
        // "Font\Name" is one value name, not a key "Font" with a value "Name".
        QVERIFY(!registry->Backend().KeyExists(AppKey + QStringLiteral("Form1\\DBGrid1\\Font")));
        QCOMPARE(registry->ReadString(
                     QStringLiteral("Form1\\DBGrid1"), QStringLiteral("Font\\Style"), QString()),
            QStringLiteral("[BS]"));

        TFont read;
        registry->ReadFont(QStringLiteral("Form1\\DBGrid1"), QStringLiteral("Font"), read);
        QCOMPARE(read.Name(), font.Name());
        QCOMPARE(read.Size(), 14);
        QCOMPARE(read.Style(), font.Style());
        QCOMPARE(read.Color(), Colors::clNavy);
        QCOMPARE(read.Charset(), Charsets::RUSSIAN_CHARSET);
    }

    void fontStyleTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("style");
        QTest::newRow("none") << QStringLiteral("[]") << 0;
        QTest::newRow("bold and underline")
            << QStringLiteral("[BU]") << (int(TFontStyle::fsBold) | int(TFontStyle::fsUnderline));
        QTest::newRow("lower case counts for nothing") << QStringLiteral("[bu]") << 0;
        QTest::newRow("all, any order, no brackets")
            << QStringLiteral("SUIB")
            << (int(TFontStyle::fsBold) | int(TFontStyle::fsItalic) | int(TFontStyle::fsUnderline)
                   | int(TFontStyle::fsStrikeOut));
        QTest::newRow("other characters ignored")
            << QStringLiteral("x1 I?") << int(TFontStyle::fsItalic);
    }
    void fontStyleTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, style);
        auto registry = MakeRegistry();
        registry->WriteString(QString(), QStringLiteral("F\\Style"), text);
        TFont font(QStringLiteral("Arial"), 9, int(TFontStyle::fsItalic) | int(TFontStyle::fsBold));
        registry->ReadFont(QString(), QStringLiteral("F"), font);
        QCOMPARE(font.Style(), style);
    }

    void fontWithNothingStoredChangesOnlyTheCharset()
    {
        auto registry = MakeRegistry();
        const TFont before(QStringLiteral("Courier New"), 11, int(TFontStyle::fsItalic),
            Colors::clMaroon, Charsets::ANSI_CHARSET);
        TFont font = before;
        registry->ReadFont(QStringLiteral("Empty"), QStringLiteral("Font"), font);
        TFont expected = before;
        expected.SetCharset(Charsets::RUSSIAN_CHARSET);
        QVERIFY(font == expected);
    }

    void fontColourIsWrittenWhenAnotherFontValueFails()
    {
        TxAppRegistry registry(std::make_unique<TFailingBackend>(StorePath(), "Font\\Size"),
            QStringLiteral("phonebook"), TxAppRegistry::DefaultBaseKey, QStringList());
        const TFont font(QStringLiteral("Arial"), 10, 0, Colors::clTeal);
        QVERIFY_THROWS_EXCEPTION(
            ERegistryException, registry.WriteFont(QString(), QStringLiteral("Font"), font));
        QCOMPARE(registry.ReadColor(QString(), QStringLiteral("Font\\Color"), 0), Colors::clTeal);
    }

    void valueNamesOfAMissingKeyCreateNothing()
    {
        auto registry = MakeRegistry();
        QStringList names = {QStringLiteral("stale")};
        registry->ReadValueNames(QStringLiteral("Nowhere\\Deeper"), names);
        QVERIFY(names.isEmpty());
        QVERIFY(!registry->Backend().KeyExists(AppKey + QStringLiteral("Nowhere")));
    }

    void applicationKeyIsBuiltFromTheProgramName_data()
    {
        QTest::addColumn<QString>("baseKey");
        QTest::addColumn<QString>("programName");
        QTest::addColumn<QString>("appKey");
        QTest::newRow("plain") << QStringLiteral("Software\\Tarnwell Software")
                               << QStringLiteral("phonebook")
                               << QStringLiteral("Software\\Tarnwell Software\\phonebook\\");
        QTest::newRow("base ending in a backslash") << QStringLiteral(
            "Software\\X\\") << QStringLiteral("p") << QStringLiteral("Software\\X\\p\\");
        QTest::newRow("name ending in a backslash")
            << QStringLiteral("S") << QStringLiteral("p\\") << QStringLiteral("S\\p\\");
        QTest::newRow("the executable")
            << QStringLiteral("S") << QString() << QStringLiteral("S\\tst_xappregistry\\");
    }
    void applicationKeyIsBuiltFromTheProgramName()
    {
        QFETCH(QString, baseKey);
        QFETCH(QString, programName);
        QFETCH(QString, appKey);
        TxAppRegistry registry(
            std::make_unique<TFileRegistry>(StorePath()), programName, baseKey, QStringList());
        QCOMPARE(registry.AppKey(), appKey);
    }

    void programNameIsTheFileNameWithoutItsExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("unix") << QStringLiteral("/usr/bin/phonebook")
                              << QStringLiteral("phonebook");
        QTest::newRow("windows") << QStringLiteral("C:/Program/phonebook.exe")
                                 << QStringLiteral("phonebook");
        QTest::newRow("cut at the first occurrence")
            << QStringLiteral("/x/a.exe.tool.exe") << QStringLiteral("a");
        QTest::newRow("dot file keeps its name")
            << QStringLiteral("/x/.hidden") << QStringLiteral(".hidden");
    }
    void programNameIsTheFileNameWithoutItsExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(TxAppRegistry::ProgramNameOf(path), name);
    }

    void eraseSwitchRemovesTheWholeApplicationKey_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<bool>("erased");
        QTest::newRow("/E") << QStringList {"/E"} << true;
        QTest::newRow("/e") << QStringList {"/e"} << true;
        QTest::newRow("after other parameters") << QStringList {"--data", "x", "/e"} << true;
        QTest::newRow("none") << QStringList {} << false;
        QTest::newRow("longer") << QStringList {"/E2"} << false;
        QTest::newRow("dash") << QStringList {"-E"} << false;
        QTest::newRow("letter only") << QStringList {"E"} << false;
    }
    void eraseSwitchRemovesTheWholeApplicationKey()
    {
        QFETCH(QStringList, parameters);
        QFETCH(bool, erased);
        {
            auto registry = MakeRegistry();
            registry->WriteString(QStringLiteral("Search_Settings"), QStringLiteral("SearchValues"),
                QStringLiteral("Иванов\r\n"));
            registry->WriteInteger(QStringLiteral("Form1\\FormData"), QStringLiteral("Left"), 5);
            registry->WriteInteger(QString(), QStringLiteral("Top"), 5);
        }
        {
            auto other = MakeRegistry({}, QStringLiteral("phonebook2"));
            other->WriteInteger(QString(), QStringLiteral("Keep"), 1);
        }
        auto registry = MakeRegistry(parameters);
        // Nothing has been read yet: the key is gone or whole when the store is created.
        QCOMPARE(registry->Backend().KeyExists(registry->AppKey()), !erased);
        QCOMPARE(registry->ReadString(
                     QStringLiteral("Search_Settings"), QStringLiteral("SearchValues"), QString()),
            erased ? QString() : QStringLiteral("Иванов\r\n"));
        QCOMPARE(
            registry->ReadInteger(QStringLiteral("Form1\\FormData"), QStringLiteral("Left"), 0),
            erased ? 0 : 5);
        TFileRegistry store(StorePath());
        QVERIFY(store.KeyExists(QStringLiteral("Software\\Tarnwell Software\\phonebook2")));
    }

    void globalInstanceFollowsTheStore()
    {
        QVERIFY(AppRegistry == nullptr);
        {
            auto registry = MakeRegistry();
            QCOMPARE(AppRegistry, registry.get());
        }
        QVERIFY(AppRegistry == nullptr);
    }

    void builtInHandlersInTheirOrder()
    {
        auto registry = MakeRegistry();
        QStringList classes;
        for (const auto &handler : registry->Handlers())
            classes << QString::fromLatin1(handler.Class.ClassName());
        QCOMPARE(classes,
            QStringList({"QWidget", "QTabWidget", "QStackedWidget", "QTabBar", "TExtTabSet"}));
    }

    void dispatchRunsEveryMatchingProcedureInOrder()
    {
        auto registry = MakeRegistry();
        QStringList log;
        auto note = [&log](const QString &what) {
            return [&log, what](TxAppRegistry &, const QString &path, QObject *) {
                log << what + QLatin1Char(':') + path;
            };
        };
        registry->RegisterHandlers({QObject::staticMetaObject, TMainForm::staticMetaObject},
            note(QStringLiteral("save1")), note(QStringLiteral("load1")));
        registry->RegisterHandlers({QWidget::staticMetaObject}, {}, note(QStringLiteral("load2")));
        registry->RegisterHandlers(
            {TComponentClass("TMainForm")}, note(QStringLiteral("save3")), {});

        QObject plain;
        registry->SaveComponent(QStringLiteral("P"), &plain);
        QCOMPARE(log, QStringList({"save1:P"}));
        log.clear();
        TMainForm form;
        registry->SaveComponent(QStringLiteral("P"), &form);
        QCOMPARE(log, QStringList({"save1:P", "save1:P", "save3:P"}));
        log.clear();
        registry->LoadComponent(QStringLiteral("Q"), &form);
        QCOMPARE(log, QStringList({"load1:Q", "load1:Q", "load2:Q"}));
    }

    void componentPath_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("path");
        QTest::newRow("named grid on a named form") << 0 << QStringLiteral("Form1\\DBGrid1");
        QTest::newRow("unnamed form with a tag") << 1 << QStringLiteral("MainForm #3");
        QTest::newRow("unnamed parts by class") << 2 << QStringLiteral("MainForm\\Panel\\Edit1");
        QTest::newRow("stops at the application") << 3 << QStringLiteral("Helper");
        QTest::newRow("Qt class keeps its name") << 4 << QStringLiteral("Form1\\QWidget");
    }
    void componentPath()
    {
        QFETCH(int, which);
        QFETCH(QString, path);
        TMainForm named;
        named.setObjectName(QStringLiteral("Form1"));
        auto *grid = new QWidget(&named);
        grid->setObjectName(QStringLiteral("DBGrid1"));
        auto *unnamedChild = new QWidget(&named);
        TMainForm tagged;
        tagged.setProperty(ComponentTagProperty, 3);
        TMainForm untagged;
        auto *panel = new tPanel;
        panel->setParent(&untagged);
        auto *edit = new QWidget(panel);
        edit->setObjectName(QStringLiteral("Edit1"));
        auto *helper = new QObject(qApp);
        helper->setObjectName(QStringLiteral("Helper"));
        const QObject *components[] = {grid, &tagged, edit, helper, unnamedChild};
        QCOMPARE(ComponentPath(components[which]), path);
        delete helper;
    }

    void handlerKeys()
    {
        TMainForm form;
        form.setObjectName(QStringLiteral("Form1"));
        QTabWidget tabs(&form);
        tabs.setObjectName(QStringLiteral("Pages"));
        QCOMPARE(HandlerKey(QStringLiteral("Saver"), &form), QStringLiteral("Saver\\FormData"));
        QCOMPARE(HandlerKey(QStringLiteral("Saver"), &tabs), QStringLiteral("Saver\\Pages"));
        QCOMPARE(HandlerKey(QString(), &form), QStringLiteral("Form1"));
        QCOMPARE(HandlerKey(QString(), &tabs), QStringLiteral("Form1\\Pages"));
    }

    void formPlacementIsKept_data()
    {
        QTest::addColumn<bool>("centred");
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("sizeable") << false << false
                                  << QStringList({"Left", "Top", "Width", "Height", "State"});
        QTest::newRow("centred") << true << false << QStringList({"Width", "Height", "State"});
        QTest::newRow("dialog frame") << false << true << QStringList({"Left", "Top", "State"});
        QTest::newRow("centred dialog") << true << true << QStringList({"State"});
    }
    void formPlacementIsKept()
    {
        QFETCH(bool, centred);
        QFETCH(bool, dialog);
        QFETCH(QStringList, names);
        auto registry = MakeRegistry();
        TMainForm form;
        form.setObjectName(QStringLiteral("Form1"));
        if (centred)
            form.setProperty(FormPositionProperty, ScreenCenterPosition);
        if (dialog)
            form.setProperty(FormBorderStyleProperty, DialogBorderStyle);
        form.setGeometry(120, 80, 400, 300);
        const QPoint place = form.pos();
        registry->SaveComponent(QString(), &form);
        QStringList stored;
        registry->ReadValueNames(QStringLiteral("Form1"), stored);
        QCOMPARE(stored, names);

        TMainForm restored;
        restored.setObjectName(QStringLiteral("Form1"));
        if (centred)
            restored.setProperty(FormPositionProperty, ScreenCenterPosition);
        if (dialog)
            restored.setProperty(FormBorderStyleProperty, DialogBorderStyle);
        restored.setGeometry(10, 10, 200, 100);
        const QPoint startPlace = restored.pos();
        registry->LoadComponent(QString(), &restored);
        QCOMPARE(restored.pos(), centred ? startPlace : place);
        QCOMPARE(restored.size(), dialog ? QSize(200, 100) : QSize(400, 300));
    }

    void formStateIsRestoredOnlyFromTheExactWords_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("windowState");
        QTest::newRow("MAXIMIZED") << QStringLiteral("MAXIMIZED") << int(Qt::WindowMaximized);
        QTest::newRow("MINIMIZED") << QStringLiteral("MINIMIZED") << int(Qt::WindowMinimized);
        QTest::newRow("maximized") << QStringLiteral("maximized") << int(Qt::WindowNoState);
        QTest::newRow("NORMAL") << QStringLiteral("NORMAL") << int(Qt::WindowNoState);
        QTest::newRow("absent") << QString() << int(Qt::WindowNoState);
    }
    void formStateIsRestoredOnlyFromTheExactWords()
    {
        QFETCH(QString, state);
        QFETCH(int, windowState);
        auto registry = MakeRegistry();
        if (!state.isNull())
            registry->WriteString(QStringLiteral("Form1"), QStringLiteral("State"), state);
        TMainForm form;
        form.setObjectName(QStringLiteral("Form1"));
        form.setWindowState(Qt::WindowMaximized);
        registry->LoadComponent(QString(), &form);
        QCOMPARE(int(form.windowState()), windowState);
    }

    void pagesAndTabsAreKeptWithinTheirRange_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("in range") << 2 << 2;
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("past the end") << 3 << 1;
        QTest::newRow("negative") << -1 << 1;
    }
    void pagesAndTabsAreKeptWithinTheirRange()
    {
        QFETCH(int, stored);
        QFETCH(int, expected);
        auto registry = MakeRegistry();
        TMainForm form;
        form.setObjectName(QStringLiteral("Form1"));
        auto *tabbed = new QTabWidget(&form);
        tabbed->setObjectName(QStringLiteral("Notebook1"));
        auto *stack = new QStackedWidget(&form);
        stack->setObjectName(QStringLiteral("Notebook2"));
        auto *bar = new QTabBar(&form);
        bar->setObjectName(QStringLiteral("TabSet1"));
        for (int i = 0; i < 3; ++i) {
            tabbed->addTab(new QWidget, QString::number(i));
            stack->addWidget(new QWidget);
            bar->addTab(QString::number(i));
        }
        tabbed->setCurrentIndex(1);
        stack->setCurrentIndex(1);
        bar->setCurrentIndex(1);
        registry->SaveComponent(QStringLiteral("Saver"), tabbed);
        QCOMPARE(registry->ReadInteger(QStringLiteral("Saver\\Notebook1"), "PageIndex", -9), 1);

        registry->WriteInteger(
            QStringLiteral("Saver\\Notebook1"), QStringLiteral("PageIndex"), stored);
        registry->WriteInteger(
            QStringLiteral("Saver\\Notebook2"), QStringLiteral("PageIndex"), stored);
        registry->WriteInteger(
            QStringLiteral("Saver\\TabSet1"), QStringLiteral("TabIndex"), stored);
        registry->LoadComponent(QStringLiteral("Saver"), tabbed);
        registry->LoadComponent(QStringLiteral("Saver"), stack);
        registry->LoadComponent(QStringLiteral("Saver"), bar);
        QCOMPARE(tabbed->currentIndex(), expected);
        QCOMPARE(stack->currentIndex(), expected);
        QCOMPARE(bar->currentIndex(), expected);
    }

    void dataSetLayoutIsKeptForVisibleFields()
    {
        auto registry = MakeRegistry();
        TMainForm form;
        form.setObjectName(QStringLiteral("Form1"));
        auto *dataSet = new TFakeDataSet;
        dataSet->setParent(&form);
        dataSet->setObjectName(QStringLiteral("Query1"));
        TFakeLayout layout(
            dataSet, true, {{"NAME", true, 30}, {"HIDDEN", false, 5}, {"TEL", true, 8}});
        SaveDataSetLayout(*registry, QString(), layout);
        QStringList names;
        registry->ReadValueNames(QStringLiteral("Form1\\Query1"), names);
        QCOMPARE(names,
            QStringList({"NAME.DisplayWidth", "NAME.Index", "TEL.DisplayWidth", "TEL.Index"}));
        QCOMPARE(registry->ReadInteger(QStringLiteral("Form1\\Query1"), "TEL.Index", -1), 2);

        TFakeLayout notShown(dataSet, false, {{"OTHER", true, 1}});
        SaveDataSetLayout(*registry, QString(), notShown);
        QObject nonForm;
        dataSet->setParent(&nonForm);
        SaveDataSetLayout(*registry, QString(), layout);
        registry->ReadValueNames(QStringLiteral("Form1\\Query1"), names);
        QCOMPARE(names.size(), 4);
        QVERIFY(!registry->Backend().KeyExists(registry->AppKey() + QStringLiteral("QObject")));
        dataSet->setParent(&form);
    }

    void dataSetLayoutIsRestored_data()
    {
        QTest::addColumn<QStringList>("valueNames");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("widths and places")
            << QStringList({"TEL.DisplayWidth", "TEL.Index", "NAME.DisplayWidth", "NAME.Index"})
            << QList<int>({12, 0, 40, 1}) << QStringList({"TEL", "NAME", "A.B"})
            << QList<int>({12, 40, 7});
        QTest::newRow("width of 0 or less gives 10")
            << QStringList({"NAME.DisplayWidth", "TEL.DisplayWidth"}) << QList<int>({0, -4})
            << QStringList({"TEL", "NAME", "A.B"}) << QList<int>({10, 10, 7});
        QTest::newRow("names ignore case, dotted names cut at the last dot")
            << QStringList({"a.b.DisplayWidth", "a.b.Index"}) << QList<int>({33, 0})
            << QStringList({"A.B", "NAME", "TEL"}) << QList<int>({33, 7, 7});
        QTest::newRow("unknown fields ignored, place past the end is the last")
            << QStringList({"GONE.DisplayWidth", "NAME.Index"}) << QList<int>({50, 99})
            << QStringList({"TEL", "A.B", "NAME"}) << QList<int>({7, 7, 10});
    }
    void dataSetLayoutIsRestored()
    {
        QFETCH(QStringList, valueNames);
        QFETCH(QList<int>, values);
        QFETCH(QStringList, order);
        QFETCH(QList<int>, widths);
        auto registry = MakeRegistry();
        for (qsizetype i = 0; i < valueNames.size(); ++i)
            registry->WriteInteger(QStringLiteral("Form1\\Query1"), valueNames[i], values[i]);
        TMainForm form;
        form.setObjectName(QStringLiteral("Form1"));
        auto *dataSet = new TFakeDataSet;
        dataSet->setParent(&form);
        dataSet->setObjectName(QStringLiteral("Query1"));
        TFakeLayout layout(dataSet, true, {{"NAME", true, 7}, {"TEL", true, 7}, {"A.B", true, 7}});
        LoadDataSetLayout(*registry, QString(), layout);
        QCOMPARE(layout.Names(), order);
        QList<int> actual;
        for (const auto &field : layout.Fields)
            actual << field.Width;
        QCOMPARE(actual, widths);
    }
};

QTEST_MAIN(TestAppRegistry)
#include "tst_xappregistry.moc"
