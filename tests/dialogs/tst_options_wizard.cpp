#include "conditions/mmDBGridConditionDialog.h"
#include "db/dataset/TQuery.h"
#include "db/dataset/TTable.h"
#include "dialogs/mmDBGridOptions.h"
#include "grid/GridDialogs.h"
#include "grid/GridStandardDialogs.h"
#include "grid/mmDBGridColumnsDlg.h"
#include "tests/support/DialogGridFixture.h"
#include "tests/support/FormCheck.h"
#include "tests/support/ModalScript.h"
#include "tests/support/UserInput.h"
#include "widgets/ColCB.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace ModalScript;
using namespace UserInput;

namespace {

// Palette cells the user clicks.
constexpr int Aqua = 10;
constexpr int Yellow = 6;
constexpr int Silver = 2;
constexpr int Lime = 8;
// What the colour dialog behind "Другой..." answers.
const TColor OtherColor = RGBColor(200, 10, 10);

// The user drops the picker's palette and clicks a cell, or "Другой..." for a negative one;
// the colour picked is returned.
TColor Pick(TColorCombo *combo, int cell)
{
    Click(combo);
    TColorWindow *window = combo->ColorWindow();
    if (!QTest::qWaitForWindowExposed(window))
        QTest::qFail("the palette did not drop down", __FILE__, __LINE__);
    if (cell < 0) {
        Click(window->OtherButton());
        return OtherColor;
    }
    QTest::mouseClick(window, Qt::LeftButton, {}, window->CellRect(cell).center());
    return window->PaletteColor(cell);
}

// What the font dialog answers: the font it was opened with, in bold.
TFont Bold(TFont font)
{
    font.SetStyle(int(TFontStyle::fsBold));
    return font;
}

// The fields the user sees a column of.
QStringList ShownFields(const TmmDBGrid &grid)
{
    QStringList names;
    for (int i = 0; i < grid.Columns().Count(); ++i)
        if (grid.Columns()[i]->Visible() && grid.Columns()[i]->Field()->Visible())
            names << grid.Columns()[i]->FieldName();
    return names;
}

// The background of a data cell, off its text.
QColor CellBackground(TDialogGridFixture &fixture, int record)
{
    const QRect cell = fixture.Cell(1, record);
    return fixture.Grid().grab().toImage().pixelColor(cell.right() - 2, cell.bottom() - 2);
}

// What of the grid the wizard may change.
struct TGridLook
{
    TColor Color, ColorSelected, FixedColor, StripeOne, StripeTwo;
    TFont Font, TitleFont;
    bool Striped, ScaleColumns, ConditionalFormatting;
    QStringList Conditions, Shown;

    static TGridLook Of(TmmDBGrid &grid)
    {
        QStringList conditions;
        for (const TCondition *c : grid.Conditions())
            conditions << c->FieldName + QLatin1Char(' ') + c->Value1;
        return {grid.Color(), grid.ColorSelected(), grid.FixedColor(), grid.StripeOne(),
            grid.StripeTwo(), grid.Font(), grid.TitleFont(), grid.Striped(), grid.ScaleColumns(),
            grid.ConditionalFormatting(), conditions, ShownFields(grid)};
    }
    bool operator==(const TGridLook &) const = default;
};

char *toString(const TGridLook &look)
{
    QStringList parts;
    for (TColor color :
        {look.Color, look.ColorSelected, look.FixedColor, look.StripeOne, look.StripeTwo})
        parts << QString::number(color);
    for (const TFont &f : {look.Font, look.TitleFont})
        parts << QStringLiteral("%1 %2pt %3").arg(f.Name()).arg(f.Size()).arg(f.Style());
    for (bool on : {look.Striped, look.ScaleColumns, look.ConditionalFormatting})
        parts << QString::number(on);
    parts << look.Conditions.join(QLatin1Char(',')) << look.Shown.join(QLatin1Char(','));
    return QTest::toString(parts.join(QStringLiteral(" | ")));
}

} // namespace

class TestOptionsWizard : public QObject
{
    Q_OBJECT

    std::unique_ptr<TDialogGridFixture> FFixture;
    TmmDBGrid *FGrid = nullptr;

    // One condition on TELE, switched on.
    void AddCondition()
    {
        auto *condition = new TCondition;
        condition->FieldName = QStringLiteral("TELE");
        condition->Value1 = QStringLiteral("20002");
        FGrid->Conditions().Add(condition);
        FGrid->SetConditionalFormatting(true);
    }

    // The wizard on the grid, up and active as the user sees it.
    std::unique_ptr<TfrmDBGridOptions> Open()
    {
        auto dialog = std::make_unique<TfrmDBGridOptions>(FGrid);
        dialog->AssignGrid(FGrid);
        if (!OpenActive(dialog.get()))
            QTest::qFail("the wizard did not come up", __FILE__, __LINE__);
        return dialog;
    }

private slots:
    void initTestCase() { InstallOptionsWizard(); }
    void init()
    {
        FFixture = std::make_unique<TDialogGridFixture>();
        FGrid = &FFixture->Grid();
        // A look of the grid's own, unlike both the defaults and what the tests pick.
        FGrid->SetColor(RGBColor(240, 240, 200));
        FGrid->SetFont(TFont(QStringLiteral("DejaVu Sans"), 9));
        FGrid->SetStripeOne(RGBColor(220, 220, 255));
        FGrid->SetStripeTwo(RGBColor(255, 220, 220));
        GridStandardDialogs().ChooseFont
            = [](QWidget *, const TFont &initial) { return std::optional<TFont>(Bold(initial)); };
        GridStandardDialogs().ChooseColor
            = [](QWidget *, TColor) { return std::optional<TColor>(OtherColor); };
    }
    void cleanup()
    {
        ResetGridStandardDialogs();
        FFixture.reset();
    }

    // The menu's command, the way a user goes through the whole dialog: colours from the
    // palettes and "Другой...", both fonts, stripes, scaling and the chooser, then "Готово".
    void confirmedSettingsReachTheGrid_data()
    {
        QTest::addColumn<bool>("stripes");
        QTest::addColumn<bool>("defaults");
        QTest::addColumn<bool>("handler");
        QTest::newRow("new look with stripes") << true << false << false;
        QTest::newRow("stripes switched off") << false << false << false;
        QTest::newRow("defaults") << true << true << false;
        QTest::newRow("defaults by the grid's handler") << true << true << true;
    }
    void confirmedSettingsReachTheGrid()
    {
        QFETCH(bool, stripes);
        QFETCH(bool, defaults);
        QFETCH(bool, handler);
        // The application hides a column of its own, as the directory does the street code.
        FGrid->Columns().FindColumn(QStringLiteral("TELE"))->SetVisible(false);
        const TGridLook before = TGridLook::Of(*FGrid);
        QList<QObject *> handlerSenders;
        if (handler)
            FGrid->OnReadDefaults
                = [&handlerSenders](QObject *sender) { handlerSenders << sender; };
        TColor table = 0, selected = 0, title = 0, stripeOne = 0, stripeTwo = 0;
        WhenShown<TfrmDBGridOptions>([&](TfrmDBGridOptions *dialog) {
            table = Pick(dialog->ccbTableColor, Aqua);
            selected = Pick(dialog->ccbSelectedColor, Yellow);
            title = Pick(dialog->ccbTitleColor, Silver);
            Click(dialog->btnTableFont);
            Click(dialog->btnTitleFont);
            stripeOne = Pick(dialog->ccbStripeOne, -1);
            stripeTwo = Pick(dialog->ccbStripeTwo, Lime);
            if (!stripes) {
                Click(dialog->cbUseStripes);
                QVERIFY(!dialog->ccbStripeOne->isEnabled());
                QVERIFY(!dialog->ccbStripeTwo->isEnabled());
            }
            Click(dialog->cbScaleColumns);
            // The nested windows are answered from the keyboard.
            WhenShown<TColumnsChooserDialog>([](TColumnsChooserDialog *chooser) {
                QTest::keyClick(chooser->List, Qt::Key_Down);
                QTest::keyClick(chooser->List, Qt::Key_Down);
                QCOMPARE(chooser->List->currentItem()->text(), QStringLiteral("Цена"));
                QTest::keyClick(chooser->List, Qt::Key_Space);
                QTest::keyClick(chooser->List, Qt::Key_Return);
            });
            Click(dialog->btnChooseColumns);
            if (defaults)
                Click(dialog->cbDefault);
            Click(dialog->btnOk);
        });
        FGrid->RunOptionsWizard();
        QVERIFY(!QTest::currentTestFailed());

        // Scaling and the columns apply whatever else happens.
        TGridLook expected = before;
        expected.ScaleColumns = true;
        expected.Shown = QStringList {QStringLiteral("FAM")};
        if (handler) {
            QCOMPARE(handlerSenders, QList<QObject *>({FGrid}));
        } else if (defaults) {
            const TFont tahoma(
                QStringLiteral("Tahoma"), 8, 0, Colors::clBlack, Charsets::RUSSIAN_CHARSET);
            expected = {Colors::clWindow, TmmDBGrid::DefaultColorSelected, Colors::clBtnFace,
                TmmDBGrid::DefaultStripeOne, TmmDBGrid::DefaultStripeTwo, tahoma, tahoma, true,
                true, before.ConditionalFormatting, before.Conditions, expected.Shown};
        } else {
            expected = {table, selected, title, stripes ? stripeOne : before.StripeOne,
                stripes ? stripeTwo : before.StripeTwo, Bold(before.Font), Bold(before.TitleFont),
                stripes, true, before.ConditionalFormatting, before.Conditions, expected.Shown};
        }
        QCOMPARE(TGridLook::Of(*FGrid), expected);
        for (int i = 0; i < FGrid->Columns().Count(); ++i) {
            QCOMPARE(FGrid->Columns()[i]->Font(), FGrid->Font());
            QCOMPARE(FGrid->Columns()[i]->Title().Font(), FGrid->TitleFont());
        }

        // What the user sees: the stripes, or the table colour on every row.
        QApplication::processEvents();
        for (int record : {0, 1}) {
            const TColor stripe = record == 0 ? FGrid->StripeOne() : FGrid->StripeTwo();
            QCOMPARE(CellBackground(*FFixture, record),
                ToQColor(FGrid->Striped() ? stripe : FGrid->Color()));
        }
    }

    // Changes made in the font dialog, the palette, the conditions dialog and the chooser are
    // lost with "Отменить".
    void cancelLeavesTheGridAsItWas()
    {
        AddCondition();
        const TGridLook before = TGridLook::Of(*FGrid);
        WhenShown<TfrmDBGridOptions>([](TfrmDBGridOptions *dialog) {
            Click(dialog->btnTableFont);
            Pick(dialog->ccbTableColor, Aqua);
            WhenShown<TfrmConditionalFormatting>([](TfrmConditionalFormatting *conditions) {
                QTest::keyClick(conditions->btnAdd, Qt::Key_Space);
                QTest::keyClick(conditions->edCondition1, Qt::Key_Return);
            });
            Click(dialog->btnChooseConditionalFormatting);
            QCOMPARE(dialog->WorkConditions().Count(), 2);
            WhenShown<TColumnsChooserDialog>([](TColumnsChooserDialog *chooser) {
                QTest::keyClick(chooser->List, Qt::Key_Space); // Фамилия off
                QTest::keyClick(chooser->List, Qt::Key_Return);
            });
            Click(dialog->btnChooseColumns);
            QCOMPARE(dialog->VisibleFields(),
                QStringList({QStringLiteral("TELE"), QStringLiteral("PRICE")}));
            Click(dialog->cbUseConditionalFormatting);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        FGrid->RunOptionsWizard();
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(TGridLook::Of(*FGrid), before);
    }

    // A memo field has no place in the wizard's chooser: it stays as the dialog found it until
    // the chooser is confirmed, which leaves it out.
    void visibleMemoFieldFollowsTheChooser_data()
    {
        QTest::addColumn<bool>("openChooser");
        QTest::addColumn<bool>("memoVisible");
        QTest::newRow("chooser not opened") << false << true;
        QTest::newRow("chooser confirmed") << true << false;
    }
    void visibleMemoFieldFollowsTheChooser()
    {
        QFETCH(bool, openChooser);
        QFETCH(bool, memoVisible);
        auto &data = static_cast<TMemoryDataSet &>(FFixture->DataSet());
        data.Close();
        data.Rows = std::make_shared<TRecordSet>();
        data.Rows->AddColumn(QStringLiteral("FAM"), TFieldType::ftString, 30);
        data.Rows->AddColumn(QStringLiteral("NOTE"), TFieldType::ftMemo);
        data.Rows->AppendText(0, "Иванов");
        data.Rows->AppendText(1, "примечание");
        data.Rows->EndRow();
        data.Open();
        auto dialog = Open();
        if (openChooser) {
            WhenShown<TColumnsChooserDialog>([](TColumnsChooserDialog *chooser) {
                QCOMPARE(chooser->List->count(), 1); // the memo is not offered
                QTest::keyClick(chooser->List, Qt::Key_Return);
            });
            Click(dialog->btnChooseColumns);
        }
        Click(dialog->btnOk);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(data.FieldByName(QStringLiteral("NOTE"))->Visible(), memoVisible);
        QVERIFY(data.FieldByName(QStringLiteral("FAM"))->Visible());
    }

    void captionNamesTheData_data()
    {
        QTest::addColumn<bool>("query");
        QTest::addColumn<QString>("caption");
        QTest::newRow("table") << false << "Мастер установок таблицы (kvtel_1.DB)";
        QTest::newRow("query") << true << "Мастер установок таблицы (Query1)";
    }
    void captionNamesTheData()
    {
        QFETCH(bool, query);
        QFETCH(QString, caption);
        TTable table;
        table.SetTableName(QStringLiteral("kvtel_1.DB"));
        TQuery query1;
        query1.setObjectName(QStringLiteral("Query1"));
        TDataSource source;
        source.SetDataSet(query ? static_cast<TDataSet *>(&query1) : &table);
        FGrid->SetDataSource(&source);
        TfrmDBGridOptions dialog(FGrid);
        dialog.AssignGrid(FGrid);
        QCOMPARE(dialog.windowTitle(), caption);
        FGrid->SetDataSource(nullptr);
    }

    // A refresh that failed leaves the grid without data: the conditions and the visible
    // columns the user composed survive "Готово", which still applies the look.
    void closedDataKeepsConditionsAndColumns()
    {
        AddCondition();
        TDataSet &data = FFixture->DataSet();
        // The user's choice of columns, which the grid keeps across the reopening.
        FGrid->SetFieldsVisible(
            {data.FieldByName(QStringLiteral("ADR"))}, {data.FieldByName(QStringLiteral("PRICE"))});
        const TGridLook before = TGridLook::Of(*FGrid);
        data.Close();
        auto dialog = Open();
        QVERIFY(dialog->cbUseConditionalFormatting->Checked());
        QVERIFY(!dialog->cbUseConditionalFormatting->isEnabled());
        QVERIFY(!dialog->btnChooseConditionalFormatting->isEnabled());
        QVERIFY(!dialog->btnChooseColumns->isEnabled());
        const TColor table = Pick(dialog->ccbTableColor, Aqua);
        Click(dialog->btnOk);
        data.Open();
        TGridLook expected = before;
        expected.Color = table;
        QCOMPARE(TGridLook::Of(*FGrid), expected);
    }

    // The form as laid out: every caption readable, Tab through the settings and the two
    // buttons without "Установки по умолчанию", Enter confirms.
    void layoutAndKeyboard()
    {
        FGrid->SetConditionalFormatting(true); // "Задать условия" takes its turn
        auto dialog = Open();
        QCOMPARE(
            dialog->size(), QSize(TfrmDBGridOptions::ClientWidth, TfrmDBGridOptions::ClientHeight));
        QCOMPARE(FormCheck::CutOffTexts(dialog.get()), QStringList());
        QTest::mouseMove(dialog.get(), QPoint(220, 240)); // on no control: nothing lit
        FormCheck::SavePicture(dialog.get(), QStringLiteral("options-wizard"));
        const QStringList expected {"ccbTableColor", "ccbSelectedColor", "btnTableFont",
            "ccbTitleColor", "btnTitleFont", "cbUseStripes", "ccbStripeOne", "ccbStripeTwo",
            "cbUseConditionalFormatting", "btnChooseConditionalFormatting", "btnChooseColumns",
            "cbScaleColumns", "btnOk", "btnCancel", "ccbTableColor"};
        dialog->ccbTableColor->setFocus(Qt::TabFocusReason);
        QStringList visited {dialog->focusWidget()->objectName()};
        for (int i = 1; i < expected.size(); ++i) {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            visited << dialog->focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);
        Click(dialog->cbScaleColumns);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(FGrid->ScaleColumns());
    }
};

QTEST_MAIN(TestOptionsWizard)
#include "tst_options_wizard.moc"
