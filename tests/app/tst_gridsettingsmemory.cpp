#include "app/Application.h"
#include "app/Form1.h"
#include "app/GridSettingsMemory.h"
#include "app/TvgDBLookupCombo.h"
#include "conditions/mmDBGridCondition.h"
#include "db/dataset/TField.h"
#include "db/dataset/TTable.h"
#include "grid/mmDBGrid.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"

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

std::unique_ptr<TCondition> TelephoneCondition(const QString &testedField)
{
    auto condition = std::make_unique<TCondition>();
    condition->FieldName = testedField;
    condition->Operation = TConditionOperation::coContains;
    condition->Value1 = QStringLiteral("2");
    condition->UseColor = true;
    condition->Color = Green;
    condition->ShowInFields << testedField;
    return condition;
}

bool Shown(TmmDBGrid &grid, const QString &fieldName)
{
    const TColumn *column = grid.Columns().FindColumn(fieldName);
    return column && column->Visible();
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

    // Puts a result of the kind on the grid the way the user does.
    void ShowKind(const QString &kind)
    {
        if (kind == TGridSettingsMemory::StreetKind)
            return; // the window opens on the town table
        const int mode = kind == TGridSettingsMemory::OrganisationKind ? TForm1::ModeOrganisation
                                                                       : TForm1::ModeDistrict;
        FForm->CBox1->setCurrentIndex(mode);
        FForm->CBox1Change();
        if (mode == TForm1::ModeOrganisation) {
            FForm->DBLCombo1->ChooseRow(0);
            return;
        }
        // An exchange whose table the sample data have.
        TTable *lookup = FForm->Table2;
        for (int row = 0; row < lookup->RecordCount(); ++row) {
            QString table;
            {
                TActiveRecordGuard guard(lookup, row);
                table = QStringLiteral("/Tel_k%1.db")
                            .arg(lookup->FieldByName(QStringLiteral("K_s"))->AsString());
            }
            if (QFileInfo::exists(FForm->FolderPath(QStringLiteral("Data\\Region")) + table)) {
                FForm->DBLCombo1->ChooseRow(row);
                return;
            }
        }
        QFAIL("no result of that kind in the sample data");
    }

    QMenu *RightClickGrid()
    {
        TmmDBGrid *grid = FForm->DBGrid1;
        const QPoint at(grid->viewport()->width() / 2, 30);
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, at);
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support grabbing the keyboard");
        }
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(grid->viewport(), &event);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        return menu ? menu : grid->PopupMenu();
    }

    static QAction *Item(QMenu *menu, const QString &caption)
    {
        for (QAction *action : menu->actions())
            if (action->text() == caption)
                return action;
        return nullptr;
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
        const TGridCheck stripeIsRed = [](TmmDBGrid &g) { return g.StripeOne() == Red; };
        QTest::newRow("stripe colour, street")
            << TGridSettingsMemory::StreetKind << true << redStripe << stripeIsRed;
        QTest::newRow("switched off: the next run has the defaults")
            << TGridSettingsMemory::StreetKind << false << redStripe
            << TGridCheck(
                   [](TmmDBGrid &g) { return g.StripeOne() == TmmDBGrid::DefaultStripeOne; });
        QTest::newRow("fonts and switches, organisation")
            << TGridSettingsMemory::OrganisationKind << true << TGridChange([](TmmDBGrid &g) {
                   TFont font = g.Font();
                   font.SetName(QStringLiteral("Arial"));
                   font.SetSize(14);
                   font.SetStyle(int(TFontStyle::fsItalic));
                   g.SetFont(font);
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
                   g.Conditions().Add(TelephoneCondition(QStringLiteral("TELE")).release());
                   g.SetConditionalFormatting(true);
               })
            << TGridCheck([](TmmDBGrid &g) {
                   return g.ConditionalFormatting() && g.Conditions().Count() == 1
                       && g.Conditions()[0]->FieldName == QLatin1String("TELE")
                       && g.Conditions()[0]->Operation == TConditionOperation::coContains
                       && g.Conditions()[0]->UseColor && g.Conditions()[0]->Color == Green
                       && g.Conditions()[0]->ShowInFields == QStringList {"TELE"};
               });
        QTest::newRow("a hidden column and a width, street")
            << TGridSettingsMemory::StreetKind << true << TGridChange([](TmmDBGrid &g) {
                   g.SetFieldsVisible({}, {g.DataSet()->FindField(QStringLiteral("ADR_K"))});
                   g.Columns().FindColumn(QStringLiteral("FAM"))->SetWidth(222);
               })
            << TGridCheck([](TmmDBGrid &g) {
                   return !Shown(g, QStringLiteral("ADR_K")) && Shown(g, QStringLiteral("ADR_D"))
                       && g.Columns().FindColumn(QStringLiteral("FAM"))->Width() == 222;
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
        change(*FForm->DBGrid1);
        // Leaving a kind for another keeps it as closing the window does.
        if (kind != TGridSettingsMemory::StreetKind) {
            FForm->CBox1->setCurrentIndex(TForm1::ModeCity);
            FForm->CBox1Change();
        }
        Restart();
        QCOMPARE(FForm->RememberSettingsItem->isChecked(), remember);
        ShowKind(kind);
        QVERIFY(found(*FForm->DBGrid1));
        QVERIFY(FErrors.isEmpty());
    }

    // The window's captions land on their own columns while the user's hidden field is away.
    void captionsSkipAHiddenField()
    {
        FForm->RememberSettingsItem->setChecked(true);
        TmmDBGrid &grid = *FForm->DBGrid1;
        grid.SetFieldsVisible({}, {grid.DataSet()->FindField(QStringLiteral("FAM"))});
        Restart();
        FForm->CBox1->setCurrentIndex(TForm1::ModeCity);
        FForm->CBox1Change();
        QVERIFY(!Shown(*FForm->DBGrid1, QStringLiteral("FAM")));
        QCOMPARE(FForm->DBGrid1->Columns().FindColumn(QStringLiteral("TELE"))->Title().Caption(),
            QStringLiteral("Телефон"));
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
        FForm->DBGrid1->SetStripeTwo(Red);
        if (byEraseSwitch) {
            Restart({QStringLiteral("/e")});
        } else {
            Restart();
            QCOMPARE(FForm->DBGrid1->StripeTwo(), Red);
            FForm->RememberSettingsItem->setChecked(false);
            Restart();
        }
        QVERIFY(!FForm->RememberSettingsItem->isChecked());
        QCOMPARE(FForm->DBGrid1->StripeTwo(), TmmDBGrid::DefaultStripeTwo);
        QVERIFY(!FStore->Backend().KeyExists(
            FStore->AppKey() + FForm->GridMemory().GridKey() + QStringLiteral("\\Street")));
    }

    // One damaged value costs that value only; the window opens without an error.
    void damagedEntryIsSkipped_data()
    {
        QTest::addColumn<QString>("subKey"); // below the street kind's key
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text"); // written as a string over what was saved
        QTest::addColumn<TGridCheck>("found");
        const TGridCheck stripeOneDefault
            = [](TmmDBGrid &g) { return g.StripeOne() == TmmDBGrid::DefaultStripeOne; };
        QTest::newRow("colour that is no colour") << ""
                                                  << "StripeOne"
                                                  << "rosy" << stripeOneDefault;
        QTest::newRow("switch stored as text")
            << ""
            << "Striped"
            << "0" << TGridCheck([](TmmDBGrid &g) { return g.Striped(); });
        QTest::newRow("font size stored as text")
            << ""
            << "Font\\Size"
            << "big" << TGridCheck([](TmmDBGrid &g) { return g.Font().Name() != "Courier New"; });
        QTest::newRow("width stored as text")
            << "\\Columns"
            << "FAM.Width"
            << "wide" << TGridCheck([](TmmDBGrid &g) {
                   return g.Columns().FindColumn(QStringLiteral("FAM"))->Width() != 222;
               });
        QTest::newRow("field gone")
            << "\\Columns"
            << "GONE.Visible"
            << "" << TGridCheck([](TmmDBGrid &g) {
                   return g.Columns().FindColumn(QStringLiteral("FAM"))->Width() == 222;
               });
        QTest::newRow("unknown operation")
            << "\\Conditions\\0"
            << "Operation"
            << "" << TGridCheck([](TmmDBGrid &g) {
                   return g.Conditions().Count() == 1
                       && g.Conditions()[0]->FieldName == QLatin1String("TELE");
               });
        QTest::newRow("tested field gone")
            << "\\Conditions\\1"
            << "FieldName"
            << "GONE" << TGridCheck([](TmmDBGrid &g) {
                   return g.Conditions().Count() == 1
                       && g.Conditions()[0]->FieldName == QLatin1String("FAM");
               });
    }
    void damagedEntryIsSkipped()
    {
        QFETCH(QString, subKey);
        QFETCH(QString, value);
        QFETCH(QString, text);
        QFETCH(TGridCheck, found);
        FForm->RememberSettingsItem->setChecked(true);
        TmmDBGrid &grid = *FForm->DBGrid1;
        TFont font = grid.Font();
        font.SetName(QStringLiteral("Courier New"));
        grid.SetFont(font);
        grid.SetStripeOne(Green);
        grid.SetStriped(false);
        grid.SetStripeTwo(Red);
        grid.Columns().FindColumn(QStringLiteral("FAM"))->SetWidth(222);
        grid.Conditions().Add(TelephoneCondition(QStringLiteral("FAM")).release());
        grid.Conditions().Add(TelephoneCondition(QStringLiteral("TELE")).release());
        const QString gridKey = FForm->GridMemory().GridKey();
        FForm->close();
        FForm.reset();
        const QString key = gridKey + QStringLiteral("\\Street") + subKey;
        if (value == QLatin1String("Operation"))
            FStore->WriteInteger(key, value, 42);
        else
            FStore->WriteString(key, value, text);

        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!Stored grid setting)")));
        FStore.reset();
        Start();
        QVERIFY(FErrors.isEmpty());
        QVERIFY(found(*FForm->DBGrid1));
        QCOMPARE(FForm->DBGrid1->StripeTwo(), Red); // the rest came back
    }

    // The user's way: the window's menu switches it on, the grid's menu changes the grid, and
    // the next run has both.
    void menuItemKeepsWhatTheGridMenuChanged()
    {
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        QMenu *menu = RightClickGrid();
        QAction *remember = Item(menu, QStringLiteral("Запоминать установки таблицы"));
        QVERIFY(remember);
        QVERIFY(!remember->isChecked());
        // The window's item stands above the grid's.
        QCOMPARE(menu->actions().indexOf(remember), 0);
        remember->trigger();
        menu->hide();

        menu = RightClickGrid();
        QMenu *gridItems = QMenu::menuInAction(Item(menu, QStringLiteral("Установки таблицы")));
        QVERIFY(gridItems);
        QAction *scale = Item(gridItems, QStringLiteral("Растягивать колонки"));
        QVERIFY(scale);
        scale->trigger();
        menu->hide();
        QVERIFY(FForm->DBGrid1->ScaleColumns());

        Restart();
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        menu = RightClickGrid();
        QVERIFY(Item(menu, QStringLiteral("Запоминать установки таблицы"))->isChecked());
        gridItems = QMenu::menuInAction(Item(menu, QStringLiteral("Установки таблицы")));
        QVERIFY(Item(gridItems, QStringLiteral("Растягивать колонки"))->isChecked());
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
