#include "app/Application.h"
#include "app/Form1.h"
#include "app/GridSettingsMemory.h"
#include "app/TvgDBLookupCombo.h"
#include "conditions/mmDBGridCondition.h"
#include "db/dataset/TDataSet.h"
#include "grid/mmDBGrid.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

// A change to the grid made in one run, and the check that finds it in the next.
using TGridChange = std::function<void(TmmDBGrid &)>;
using TGridCheck = std::function<bool(TmmDBGrid &)>;
Q_DECLARE_METATYPE(TGridChange)
Q_DECLARE_METATYPE(TGridCheck)

namespace {
constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;
const QString Street = TGridSettingsMemory::StreetKind;

TCondition *Condition(const QString &field)
{
    auto *condition = new TCondition;
    condition->FieldName = field;
    condition->Operation = TConditionOperation::coContains;
    condition->Value1 = QStringLiteral("2");
    condition->UseColor = true;
    condition->Color = Green;
    condition->ShowInFields << field;
    return condition;
}

bool Shown(TmmDBGrid &grid, const char *field)
{
    const TColumn *column = grid.Columns().FindColumn(QLatin1String(field));
    return column && column->Visible();
}

int Width(TmmDBGrid &grid, const char *field)
{
    return grid.Columns().FindColumn(QLatin1String(field))->Width();
}

QAction *Item(QMenu *menu, const QString &caption)
{
    for (QAction *action : menu->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}
} // namespace

// The directory window over a settings store of its own, closed and opened again as a user
// quits the program and starts it anew.
class TestGridSettingsMemory : public QObject
{
    Q_OBJECT

    QString FData = qEnvironmentVariable("PHONEBOOK_TEST_DATA");
    std::unique_ptr<QTemporaryDir> FFolder;
    std::unique_ptr<TxAppRegistry> FStore;
    std::unique_ptr<TForm1> FForm;
    QStringList FErrors;

    void Start(const QStringList &parameters = {})
    {
        FStore = std::make_unique<TxAppRegistry>(
            std::make_unique<TFileRegistry>(FFolder->filePath(QStringLiteral("registry.json"))),
            QStringLiteral("phonebook"), TxAppRegistry::DefaultBaseKey, parameters);
        FForm = std::make_unique<TForm1>(FData);
    }
    void Restart(const QStringList &parameters = {})
    {
        FForm->close();
        FForm.reset();
        FStore.reset();
        Start(parameters);
    }
    TmmDBGrid &Grid() { return *FForm->DBGrid1; }

    // Puts a result of the kind on the grid the way the user does: the category, then the
    // first entry of the list (the sample data have the first exchange's table).
    void ShowKind(const QString &kind)
    {
        const int mode = kind == Street                     ? TForm1::ModeCity
            : kind == TGridSettingsMemory::OrganisationKind ? TForm1::ModeOrganisation
                                                            : TForm1::ModeDistrict;
        FForm->CBox1->setCurrentIndex(mode);
        FForm->CBox1Change();
        if (mode != TForm1::ModeCity)
            FForm->DBLCombo1->ChooseRow(0);
    }

    QMenu *RightClickGrid()
    {
        QWidget *cells = Grid().viewport();
        const QPoint at(cells->width() / 2, 30);
        QTest::mouseClick(cells, Qt::RightButton, {}, at);
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support grabbing the keyboard");
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, cells->mapToGlobal(at));
        QCoreApplication::sendEvent(cells, &event);
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(FData).isDir(), "the sample Data folder is built before the tests");
        Application()->SetExceptionSink([this](const QString &message) { FErrors << message; });
    }
    void init()
    {
        FErrors.clear();
        FFolder = std::make_unique<QTemporaryDir>();
        Start();
    }
    void cleanup()
    {
        FForm.reset();
        FStore.reset();
        FFolder.reset();
    }

    void settingsComeBackInTheNextRun_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<TGridChange>("change");
        QTest::addColumn<TGridCheck>("found");
        const TGridChange redStripe = [](TmmDBGrid &g) { g.SetStripeOne(Red); };
        QTest::newRow("stripe colour, street")
            << Street << true << redStripe
            << TGridCheck([](TmmDBGrid &g) { return g.StripeOne() == Red; });
        QTest::newRow("switched off: the defaults")
            << Street << false << redStripe << TGridCheck([](TmmDBGrid &g) {
                   return g.StripeOne() == TmmDBGrid::DefaultStripeOne;
               });
        QTest::newRow("font and switches, organisation")
            << TGridSettingsMemory::OrganisationKind << true << TGridChange([](TmmDBGrid &g) {
                   g.SetFont(TFont(QStringLiteral("Arial"), 14, int(TFontStyle::fsItalic)));
                   g.SetStriped(false);
                   g.SetScaleColumns(true);
               })
            << TGridCheck([](TmmDBGrid &g) {
                   return g.Font().Name() == QLatin1String("Arial") && g.Font().Size() == 14
                       && g.Font().Style() == int(TFontStyle::fsItalic) && !g.Striped()
                       && g.ScaleColumns();
               });
        QTest::newRow("conditions, exchange")
            << TGridSettingsMemory::ExchangeKind << true << TGridChange([](TmmDBGrid &g) {
                   g.Conditions().Add(Condition(QStringLiteral("TELE")));
                   g.SetConditionalFormatting(true);
               })
            << TGridCheck([](TmmDBGrid &g) {
                   const TCondition *c = g.Conditions().Count() == 1 ? g.Conditions()[0] : nullptr;
                   return g.ConditionalFormatting() && c && c->FieldName == QLatin1String("TELE")
                       && c->Operation == TConditionOperation::coContains && c->UseColor
                       && c->Color == Green && c->ShowInFields == QStringList {"TELE"};
               });
        // The window's captions go to their own fields while the hidden one is away.
        QTest::newRow("hidden field and a width, street")
            << Street << true << TGridChange([](TmmDBGrid &g) {
                   g.SetFieldsVisible({}, {g.DataSet()->FindField(QStringLiteral("ADR_K"))});
                   g.Columns().FindColumn(QStringLiteral("TELE"))->SetWidth(222);
               })
            << TGridCheck([](TmmDBGrid &g) {
                   return !Shown(g, "ADR_K") && Shown(g, "ADR_D") && Width(g, "TELE") == 222
                       && g.Columns().FindColumn(QStringLiteral("DAT_UST"))->Title().Caption()
                       == QLatin1String("DAT_UST");
               });
    }
    void settingsComeBackInTheNextRun()
    {
        QFETCH(QString, kind);
        QFETCH(bool, remember);
        QFETCH(TGridChange, change);
        QFETCH(TGridCheck, found);
        FForm->RememberSettingsItem->setChecked(remember);
        ShowKind(kind);
        change(Grid());
        // Leaving a kind keeps it, as closing the window does.
        if (kind != Street)
            ShowKind(Street);
        Restart();
        QCOMPARE(FForm->RememberSettingsItem->isChecked(), remember);
        ShowKind(kind);
        QVERIFY(found(Grid()));
        QVERIFY(FErrors.isEmpty());
    }

    void forgettingStartsFromTheDefaults_data()
    {
        QTest::addColumn<bool>("byEraseSwitch"); // else by unchecking the item
        QTest::newRow("/e on the command line") << true;
        QTest::newRow("item unchecked") << false;
    }
    void forgettingStartsFromTheDefaults()
    {
        QFETCH(bool, byEraseSwitch);
        FForm->RememberSettingsItem->setChecked(true);
        Grid().SetStripeTwo(Red);
        if (!byEraseSwitch) {
            Restart();
            QCOMPARE(Grid().StripeTwo(), Red);
            FForm->RememberSettingsItem->setChecked(false);
        }
        Restart({byEraseSwitch ? QStringLiteral("/e") : QString()});
        QVERIFY(!FForm->RememberSettingsItem->isChecked());
        QCOMPARE(Grid().StripeTwo(), TmmDBGrid::DefaultStripeTwo);
        QVERIFY(!FStore->Backend().KeyExists(FStore->AppKey() + FForm->GridMemory().GridKey()));
    }

    // One damaged value costs that value only; the window opens without an error.
    void damagedEntryIsSkipped_data()
    {
        QTest::addColumn<QString>("subKey"); // below the street kind's key
        QTest::addColumn<QString>("value"); // overwritten with a text
        QTest::addColumn<TGridCheck>("found");
        QTest::newRow("colour that is no colour")
            << ""
            << "StripeOne" << TGridCheck([](TmmDBGrid &g) {
                   return g.StripeOne() == TmmDBGrid::DefaultStripeOne;
               });
        QTest::newRow("font size as text")
            << ""
            << "Font\\Size" << TGridCheck([](TmmDBGrid &g) {
                   return g.Font().Name() != QLatin1String("Courier New");
               });
        QTest::newRow("width as text")
            << "\\Columns"
            << "TELE.Width" << TGridCheck([](TmmDBGrid &g) { return Width(g, "TELE") != 222; });
        QTest::newRow("field gone")
            << "\\Columns"
            << "GONE.Visible" << TGridCheck([](TmmDBGrid &g) { return Width(g, "TELE") == 222; });
        QTest::newRow("unknown operation")
            << "\\Conditions\\0"
            << "Operation" << TGridCheck([](TmmDBGrid &g) {
                   return g.Conditions().Count() == 1
                       && g.Conditions()[0]->FieldName == QLatin1String("TELE");
               });
        QTest::newRow("tested field gone")
            << "\\Conditions\\1"
            << "FieldName" << TGridCheck([](TmmDBGrid &g) {
                   return g.Conditions().Count() == 1
                       && g.Conditions()[0]->FieldName == QLatin1String("FAM");
               });
    }
    void damagedEntryIsSkipped()
    {
        QFETCH(QString, subKey);
        QFETCH(QString, value);
        QFETCH(TGridCheck, found);
        FForm->RememberSettingsItem->setChecked(true);
        Grid().SetFont(TFont(QStringLiteral("Courier New"), 9));
        Grid().SetStripeOne(Green);
        Grid().SetStripeTwo(Red);
        Grid().Columns().FindColumn(QStringLiteral("TELE"))->SetWidth(222);
        Grid().Conditions().Add(Condition(QStringLiteral("FAM")));
        Grid().Conditions().Add(Condition(QStringLiteral("TELE")));
        const QString key = FForm->GridMemory().GridKey() + QStringLiteral("\\Street") + subKey;
        FForm->close();
        FForm.reset();
        if (value == QLatin1String("Operation"))
            FStore->WriteInteger(key, value, 42);
        else
            FStore->WriteString(key, value, QStringLiteral("GONE"));

        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!Stored grid setting)")));
        FStore.reset();
        Start();
        QVERIFY(FErrors.isEmpty());
        QVERIFY(found(Grid()));
        QCOMPARE(Grid().StripeTwo(), Red); // the rest came back
    }

    // The user's way: the window's menu switches it on, the grid's menu changes the grid, and
    // the next run has both.
    void menuItemKeepsWhatTheGridMenuChanged()
    {
        const QString rememberCaption = QStringLiteral("Запоминать установки таблицы");
        const QString gridCaption = QStringLiteral("Установки таблицы");
        const QString scaleCaption = QStringLiteral("Растягивать колонки");
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        QMenu *menu = RightClickGrid();
        QVERIFY(menu);
        // The window's item stands above the grid's.
        QVERIFY(menu->actions().indexOf(Item(menu, rememberCaption))
            < menu->actions().indexOf(Item(menu, gridCaption)));
        QVERIFY(!Item(menu, rememberCaption)->isChecked());
        Item(menu, rememberCaption)->trigger();
        menu->hide();

        menu = RightClickGrid();
        Item(QMenu::menuInAction(Item(menu, gridCaption)), scaleCaption)->trigger();
        menu->hide();
        QVERIFY(Grid().ScaleColumns());

        Restart();
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        menu = RightClickGrid();
        QVERIFY(Item(menu, rememberCaption)->isChecked());
        QVERIFY(Item(QMenu::menuInAction(Item(menu, gridCaption)), scaleCaption)->isChecked());
        menu->hide();
        QVERIFY(FErrors.isEmpty());
    }
};

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    TestGridSettingsMemory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gridsettingsmemory.moc"
