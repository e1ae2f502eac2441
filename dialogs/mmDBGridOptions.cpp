#include "dialogs/mmDBGridOptions.h"

#include "conditions/mmDBGridCondition.h"
#include "conditions/mmDBGridConditionDialog.h"
#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "db/dataset/TTable.h"
#include "grid/GridDialogs.h"
#include "grid/GridStandardDialogs.h"
#include "grid/mmDBGrid.h"
#include "grid/mmDBGridColumnsDlg.h"
#include "i18n/zrMultilingualSupport.h"
#include "widgets/ColCB.h"
#include "widgets/DialogLook.h"
#include "widgets/FlatLook.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmGroupBox.h"

#include <QLabel>

using namespace DialogLook;

namespace {

const QString BaseCaption = QStringLiteral("Мастер установок таблицы");
// The face of the pickers' "Другой..." button, and the frame around their palette.
constexpr TColor PickerButtonColor = 9741733;
constexpr int PickerButtonWidth = 62;
constexpr int PickerHeight = 19;

// The table font "Установки по умолчанию" gives a grid without an OnReadDefaults handler.
TFont DefaultTableFont()
{
    return TFont(QStringLiteral("Tahoma"), 8, 0, Colors::clBlack, Charsets::RUSSIAN_CHARSET);
}

TmmGroupBox *NewGroupBox(const QString &caption, QWidget *parent, const QRect &bounds)
{
    auto *box = new TmmGroupBox(caption, parent);
    box->SetCtl3D(false);
    box->setGeometry(bounds);
    return box;
}

TmmCheckBoxEx *NewCheckBox(const QString &caption, QWidget *parent, const QRect &bounds)
{
    auto *check = new TmmCheckBoxEx(caption, parent);
    check->setGeometry(bounds);
    return check;
}

TmBitButton *NewSizedButton(const QString &caption, QWidget *parent, const QRect &bounds)
{
    TmBitButton *button = NewButton(caption, parent, bounds.left(), bounds.top(), bounds.width());
    button->resize(bounds.size());
    return button;
}

// Whether the user sees the field: it is visible, and so is its column when it has one (the
// application may hide a column by itself).
bool ShownInGrid(const TmmDBGrid &grid, const TField &field)
{
    const TColumn *column = grid.Columns().FindColumn(field.FieldName());
    return field.Visible() && (!column || column->Visible());
}

// The table's name for a table, the component's name for anything else (the query).
QString DataSetName(const TDataSet &dataSet)
{
    if (const auto *table = qobject_cast<const TTable *>(&dataSet))
        return table->TableName();
    return dataSet.objectName();
}

} // namespace

TfrmDBGridOptions::TfrmDBGridOptions(QWidget *owner)
    : QDialog(owner,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , FTableFont(FormFont())
    , FTitleFont(FormFont())
{
    setObjectName(QStringLiteral("frmDBGridOptions"));
    setWindowTitle(BaseCaption);
    setFont(FormFont().ToQFont());
    setFixedSize(ClientWidth, ClientHeight);
    CreateControls();
    SetTabOrder();
    SetFlatLook(this, true);
    SetBackground(this, TmmDBGrid::DefaultColorDialogs);
    zrMultilingualSupport1 = new TzrMultilingualSupport(this);
    zrMultilingualSupport1->setObjectName(QStringLiteral("zrMultilingualSupport1"));
    zrMultilingualSupport1->SetLanguage(QStringLiteral("rus"));
    zrMultilingualSupport1->SetContext(QStringLiteral("TfrmDBGridOptions"));
}

TfrmDBGridOptions::~TfrmDBGridOptions() = default;

TColorCombo *TfrmDBGridOptions::NewColorCombo(QWidget *parent, int left, int top)
{
    auto *combo = new TColorCombo(parent);
    combo->move(left, top);
    combo->resize(combo->width(), PickerHeight);
    combo->SetStyle(TButtonStyle::bsAutoDetect);
    combo->SetColorButtonColor(PickerButtonColor);
    combo->SetColorButtonText(QStringLiteral("&Другой..."));
    combo->SetColorButtonFont(FormFont());
    combo->SetColorButtonWidth(PickerButtonWidth);
    // "Другой..." asks through the grid's standard dialogs, as the grid's own colour commands do.
    combo->SetColorDialog([](TColor initial, QWidget *dialogParent) {
        return GridStandardDialogs().ChooseColor(dialogParent, initial);
    });
    return combo;
}

void TfrmDBGridOptions::CreateControls()
{
    gbOptions = NewGroupBox(QStringLiteral(" Установки: "), this, QRect(6, 2, 439, 212));
    // The panel fills the box inside its flat frame, below the caption.
    pnlOptions = new QWidget(gbOptions);
    pnlOptions->setGeometry(1, 14, 437, 197);
    QWidget *panel = pnlOptions;

    gbTableOptions = NewGroupBox(QStringLiteral(" Таблица "), panel, QRect(12, 2, 200, 85));
    ccbTableColor = NewColorCombo(gbTableOptions, 9, 14);
    lblTableColor = NewLabel(QStringLiteral("- цвет таблицы"), gbTableOptions, 59, 17);
    ccbSelectedColor = NewColorCombo(gbTableOptions, 9, 35);
    lblSelectedColor = NewLabel(QStringLiteral("- цвет выделенной записи"), gbTableOptions, 59, 38);
    btnTableFont
        = NewSizedButton(QStringLiteral("Шрифт таблицы"), gbTableOptions, QRect(9, 57, 110, 19));

    gbTitleOptions = NewGroupBox(QStringLiteral(" Заглавия "), panel, QRect(12, 95, 200, 65));
    ccbTitleColor = NewColorCombo(gbTitleOptions, 9, 14);
    lblTitleColor = NewLabel(QStringLiteral("- цвет заглавий"), gbTitleOptions, 59, 17);
    btnTitleFont
        = NewSizedButton(QStringLiteral("Шрифт заглавий"), gbTitleOptions, QRect(9, 36, 110, 20));

    gbStripeOptions
        = NewGroupBox(QStringLiteral(" Полосы в таблице "), panel, QRect(225, 2, 200, 85));
    cbUseStripes = NewCheckBox(QStringLiteral("Использовать"), gbStripeOptions, {9, 17, 96, 17});
    ccbStripeOne = NewColorCombo(gbStripeOptions, 9, 35);
    lblStripeOne = NewLabel(QStringLiteral("- цвет первой полосы"), gbStripeOptions, 59, 38);
    ccbStripeTwo = NewColorCombo(gbStripeOptions, 9, 57);
    lblStripeTwo = NewLabel(QStringLiteral("- цвет второй полосы"), gbStripeOptions, 59, 59);

    gbConditionalFormattingOptions
        = NewGroupBox(QStringLiteral(" Условное форматирование "), panel, QRect(225, 95, 200, 65));
    cbUseConditionalFormatting = NewCheckBox(
        QStringLiteral("Использовать "), gbConditionalFormattingOptions, {8, 17, 96, 17});
    btnChooseConditionalFormatting = NewSizedButton(
        QStringLiteral("Задать условия"), gbConditionalFormattingOptions, QRect(9, 36, 110, 20));

    btnChooseColumns
        = NewSizedButton(QStringLiteral("Выбрать видимые колонки"), panel, QRect(12, 167, 156, 20));
    cbScaleColumns
        = NewCheckBox(QStringLiteral("Растягивать колонки таблицы"), panel, {225, 169, 178, 17});

    cbDefault = NewCheckBox(QStringLiteral("Установки по умолчанию"), this, {5, 222, 155, 17});
    // Reached by the mouse only: Tab passes it by.
    cbDefault->setFocusPolicy(Qt::ClickFocus);
    btnOk = NewButton(QStringLiteral("Готово"), this, 281, 221, 80);
    btnOk->SetModalResult(TModalResult::mrOk);
    btnOk->SetDefault(true);
    btnCancel = NewButton(QStringLiteral("Отменить"), this, 365, 221, 80);
    btnCancel->SetModalResult(TModalResult::mrCancel);
    btnCancel->SetCancel(true);

    const std::pair<QObject *, const char *> names[]
        = {{gbOptions, "gbOptions"}, {pnlOptions, "pnlOptions"}, {gbTableOptions, "gbTableOptions"},
            {ccbTableColor, "ccbTableColor"}, {lblTableColor, "lblTableColor"},
            {ccbSelectedColor, "ccbSelectedColor"}, {lblSelectedColor, "lblSelectedColor"},
            {btnTableFont, "btnTableFont"}, {gbTitleOptions, "gbTitleOptions"},
            {ccbTitleColor, "ccbTitleColor"}, {lblTitleColor, "lblTitleColor"},
            {btnTitleFont, "btnTitleFont"}, {gbStripeOptions, "gbStripeOptions"},
            {cbUseStripes, "cbUseStripes"}, {ccbStripeOne, "ccbStripeOne"},
            {lblStripeOne, "lblStripeOne"}, {ccbStripeTwo, "ccbStripeTwo"},
            {lblStripeTwo, "lblStripeTwo"},
            {gbConditionalFormattingOptions, "gbConditionalFormattingOptions"},
            {cbUseConditionalFormatting, "cbUseConditionalFormatting"},
            {btnChooseConditionalFormatting, "btnChooseConditionalFormatting"},
            {btnChooseColumns, "btnChooseColumns"}, {cbScaleColumns, "cbScaleColumns"},
            {cbDefault, "cbDefault"}, {btnOk, "btnOk"}, {btnCancel, "btnCancel"}};
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));

    connect(btnOk, &TmBitButton::OnClick, this, &TfrmDBGridOptions::btnOkClick);
    connect(btnTableFont, &TmBitButton::OnClick, this, &TfrmDBGridOptions::btnTableFontClick);
    connect(btnTitleFont, &TmBitButton::OnClick, this, &TfrmDBGridOptions::btnTitleFontClick);
    connect(btnChooseConditionalFormatting, &TmBitButton::OnClick, this,
        &TfrmDBGridOptions::btnChooseConditionalFormattingClick);
    connect(
        btnChooseColumns, &TmBitButton::OnClick, this, &TfrmDBGridOptions::btnChooseColumnsClick);
    connect(cbUseStripes, &QAbstractButton::toggled, this, &TfrmDBGridOptions::cbUseStripesClick);
    connect(cbUseConditionalFormatting, &QAbstractButton::toggled, this,
        &TfrmDBGridOptions::cbUseConditionalFormattingClick);
}

void TfrmDBGridOptions::SetTabOrder()
{
    // Row by row through the settings, then "Готово" and "Отменить".
    QWidget *const order[] = {ccbTableColor, ccbSelectedColor, btnTableFont, ccbTitleColor,
        btnTitleFont, cbUseStripes, ccbStripeOne, ccbStripeTwo, cbUseConditionalFormatting,
        btnChooseConditionalFormatting, btnChooseColumns, cbScaleColumns, btnOk, btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfrmDBGridOptions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CenterOnScreen(this);
}

// Loading ------------------------------------------------------------------------------------

void TfrmDBGridOptions::AssignGrid(TmmDBGrid *grid)
{
    FGrid = grid;
    if (grid)
        SetBackground(this, grid->ColorDialogs());
    LoadSettings();
}

void TfrmDBGridOptions::LoadSettings()
{
    if (!FGrid)
        return;
    ccbTableColor->SetColor(FGrid->Color());
    ccbSelectedColor->SetColor(FGrid->ColorSelected());
    btnTableFont->setEnabled(true);
    FTableFont = FGrid->Font();

    ccbTitleColor->SetColor(FGrid->FixedColor());
    btnTitleFont->setEnabled(true);
    FTitleFont = FGrid->TitleFont();

    cbUseStripes->SetChecked(FGrid->Striped());
    ccbStripeOne->SetColor(FGrid->StripeOne());
    ccbStripeTwo->SetColor(FGrid->StripeTwo());
    cbUseStripesClick();

    LoadDataSettings();

    cbScaleColumns->SetChecked(FGrid->ScaleColumns());
    cbDefault->SetChecked(false);
}

void TfrmDBGridOptions::LoadDataSettings()
{
    const TDataSet *dataSet = FGrid->DataSet();
    setWindowTitle(dataSet ? TranslateText(BaseCaption) + QStringLiteral(" (")
                + DataSetName(*dataSet) + QLatin1Char(')')
                           : TranslateText(BaseCaption));
    FWorkConditions.Clear();
    FVisibleFields.clear();
    FDataLoaded = dataSet && dataSet->Active();
    // Without open data there are no fields to choose from or to test conditions on. The
    // switch still shows the grid's state, but nothing here may change it: "Готово" would
    // otherwise throw away the grid's conditions for an empty list.
    cbUseConditionalFormatting->SetChecked(FGrid->ConditionalFormatting());
    cbUseConditionalFormatting->setEnabled(FDataLoaded);
    cbUseConditionalFormattingClick();
    btnChooseColumns->setEnabled(FDataLoaded);
    if (!FDataLoaded)
        return;
    for (const TCondition *condition : FGrid->Conditions())
        FWorkConditions.Add(condition->Clone().release());
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields(i);
        if (ShownInGrid(*FGrid, *field))
            FVisibleFields.append(field->FieldName());
    }
}

// Control handlers ---------------------------------------------------------------------------

void TfrmDBGridOptions::cbUseStripesClick()
{
    const bool on = cbUseStripes->Checked();
    ccbStripeOne->setEnabled(on);
    ccbStripeTwo->setEnabled(on);
}

void TfrmDBGridOptions::cbUseConditionalFormattingClick()
{
    btnChooseConditionalFormatting->setEnabled(
        FDataLoaded && cbUseConditionalFormatting->Checked());
}

void TfrmDBGridOptions::btnTableFontClick()
{
    if (const auto font = GridStandardDialogs().ChooseFont(this, FTableFont))
        FTableFont = *font;
}

void TfrmDBGridOptions::btnTitleFontClick()
{
    if (const auto font = GridStandardDialogs().ChooseFont(this, FTitleFont))
        FTitleFont = *font;
}

void TfrmDBGridOptions::btnChooseConditionalFormattingClick()
{
    if (!FGrid || !FDataLoaded)
        return;
    TfrmConditionalFormatting dialog(this);
    dialog.SetGrid(FGrid);
    dialog.LoadConditions(FWorkConditions);
    dialog.SetDialogColor(FGrid->ColorDialogs());
    dialog.exec();
}

void TfrmDBGridOptions::btnChooseColumnsClick()
{
    if (FGrid && FDataLoaded)
        ChooseWizardColumns(*FGrid, this, FVisibleFields);
}

void TfrmDBGridOptions::btnOkClick()
{
    ApplySettings();
}

// Applying -----------------------------------------------------------------------------------

void TfrmDBGridOptions::ApplySettings()
{
    if (!FGrid)
        return;
    ApplyDataSettings();
    FGrid->SetScaleColumns(cbScaleColumns->Checked());
    if (cbDefault->Checked()) {
        ApplyDefaults();
        return;
    }
    FGrid->SetColor(ccbTableColor->Color());
    FGrid->SetColorSelected(ccbSelectedColor->Color());
    FGrid->SetFont(FTableFont);
    FGrid->SetFixedColor(ccbTitleColor->Color());
    FGrid->SetTitleFont(FTitleFont);
    // Only the fonts reach the columns: a column with a colour of its own keeps it.
    SpreadFonts();
    FGrid->SetStriped(cbUseStripes->Checked());
    // Stripes switched off keep their colours for when they are switched on again.
    if (cbUseStripes->Checked()) {
        FGrid->SetStripeOne(ccbStripeOne->Color());
        FGrid->SetStripeTwo(ccbStripeTwo->Color());
    }
    FGrid->Invalidate();
}

void TfrmDBGridOptions::ApplyDataSettings()
{
    if (!FDataLoaded)
        return;
    FGrid->SetConditionalFormatting(cbUseConditionalFormatting->Checked());
    FGrid->Conditions().Clear();
    for (const TCondition *condition : FWorkConditions)
        FGrid->Conditions().Add(condition->Clone().release());
    ApplyVisibleFields();
    FGrid->PrepareConditions();
}

void TfrmDBGridOptions::ApplyVisibleFields()
{
    TDataSet *dataSet = FGrid->DataSet();
    if (!dataSet || !dataSet->Active())
        return;
    // A field left out is hidden even when only its column was (the application hides the
    // street code's column): rebuilt columns start visible, a hidden field stays out.
    QList<TField *> shown;
    QList<TField *> hidden;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField *field = dataSet->Fields(i);
        if (FVisibleFields.contains(field->FieldName(), Qt::CaseInsensitive)) {
            if (!ShownInGrid(*FGrid, *field))
                shown.append(field);
        } else if (field->Visible()) {
            hidden.append(field);
        }
    }
    if (!shown.isEmpty() || !hidden.isEmpty())
        FGrid->SetFieldsVisible(shown, hidden);
}

void TfrmDBGridOptions::ApplyDefaults()
{
    if (!FGrid)
        return;
    if (FGrid->OnReadDefaults) {
        FGrid->OnReadDefaults(FGrid);
        return;
    }
    FGrid->SetColor(Colors::clWindow);
    FGrid->SetColorSelected(TmmDBGrid::DefaultColorSelected);
    FGrid->SetFont(DefaultTableFont());
    FGrid->SetFixedColor(Colors::clBtnFace);
    FGrid->SetTitleFont(FGrid->Font());
    SpreadFonts();
    FGrid->SetStriped(true);
    FGrid->SetStripeOne(TmmDBGrid::DefaultStripeOne);
    FGrid->SetStripeTwo(TmmDBGrid::DefaultStripeTwo);
    FGrid->Invalidate();
}

void TfrmDBGridOptions::SpreadFonts()
{
    for (int i = 0; i < FGrid->Columns().Count(); ++i) {
        TColumn *column = FGrid->Columns()[i];
        column->SetFont(FGrid->Font());
        column->Title().SetFont(FGrid->TitleFont());
    }
}

// Installation -------------------------------------------------------------------------------

void InstallOptionsWizard()
{
    GridDialogs().OptionsWizard = [](TmmDBGrid &grid) {
        TfrmDBGridOptions dialog(&grid);
        dialog.AssignGrid(&grid);
        dialog.exec();
    };
}
