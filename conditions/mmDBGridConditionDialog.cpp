#include "conditions/mmDBGridConditionDialog.h"

#include "conditions/ConditionFormula.h"
#include "conditions/mmDBGridCondition.h"
#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "grid/GridDialogs.h"
#include "grid/mmDBGrid.h"
#include "i18n/zrMultilingualSupport.h"
#include "widgets/DialogLook.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"
#include "widgets/mmGroupBox.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>

using namespace Colors;
using namespace DialogLook;

namespace {

const QString FormatSample = QStringLiteral("AaBbБбЯя");

TFontDialogHook &FontDialogHook()
{
    static TFontDialogHook hook;
    return hook;
}

TColorDialogHook &ColorDialogHook()
{
    static TColorDialogHook hook;
    return hook;
}

std::optional<TFont> ChooseFont(const TFont &initial, QWidget *parent)
{
    if (FontDialogHook())
        return FontDialogHook()(initial, parent);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial.ToQFont(), parent);
    if (!ok)
        return std::nullopt;
    // The system dialog has no colour of its own: the text keeps the one it had.
    return TFont::FromQFont(chosen, initial.Color());
}

std::optional<TColor> ChooseColor(TColor initial, QWidget *parent)
{
    if (ColorDialogHook())
        return ColorDialogHook()(initial, parent);
    const QColor chosen = QColorDialog::getColor(ToQColor(initial), parent);
    if (!chosen.isValid())
        return std::nullopt;
    return FromQColor(chosen);
}

TmmCheckBoxEx *NewCheckBox(const QString &caption, QWidget *parent, const QRect &bounds)
{
    auto *check = new TmmCheckBoxEx(caption, parent);
    check->SetCtl3D(false);
    check->setGeometry(bounds);
    return check;
}

TmmComboBox *NewComboBox(QWidget *parent, const QRect &bounds)
{
    auto *combo = new TmmComboBox(parent);
    combo->SetCtl3D(false);
    combo->SetParentColor(true);
    combo->setGeometry(bounds);
    return combo;
}

// "Отображать в ...": the fields of the dataset as a check list, the condition's display
// columns checked.
class TShowInFieldsWindow : public QDialog
{
public:
    TShowInFieldsWindow(
        QWidget *owner, TColor color, const QList<TField *> &fields, const QStringList &shownIn)
        : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
        , FFields(fields)
    {
        setWindowTitle(TranslateText(QStringLiteral("Отображение условия в колонках:")));
        setFont(owner->font());
        SetBackground(this, color);
        setFixedSize(294, 114);
        FList = new QListWidget(this);
        FList->setObjectName(QStringLiteral("clbShowIn"));
        FList->setFrameStyle(QFrame::Box | QFrame::Plain);
        FList->setGeometry(4, 4, 286, 80);
        for (TField *field : fields) {
            auto *item = new QListWidgetItem(field->DisplayName(), FList);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(shownIn.contains(field->FieldName(), Qt::CaseInsensitive)
                    ? Qt::Checked
                    : Qt::Unchecked);
        }
        auto *ok = NewButton(TranslateText(QStringLiteral("&Готово")), this, 4, 90, 100);
        ok->resize(100, 20);
        ok->SetModalResult(TModalResult::mrOk);
        ok->SetDefault(true);
        auto *cancel = NewButton(TranslateText(QStringLiteral("&Отменить")), this, 114, 90, 100);
        cancel->resize(100, 20);
        cancel->SetModalResult(TModalResult::mrCancel);
        cancel->SetCancel(true);
        setTabOrder(FList, ok);
        setTabOrder(ok, cancel);
    }

    // The names of the checked fields, in field order.
    QStringList Checked() const
    {
        QStringList names;
        for (int i = 0; i < FList->count(); ++i)
            if (FList->item(i)->checkState() == Qt::Checked)
                names << FFields.at(i)->FieldName();
        return names;
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QDialog::showEvent(event);
        CenterOnScreen(this);
        FList->setFocus();
    }

private:
    QList<TField *> FFields;
    QListWidget *FList = nullptr;
};

} // namespace

// Preview ------------------------------------------------------------------------------------

TFormatPreview::TFormatPreview(QWidget *parent)
    : QLabel(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
}

void TFormatPreview::SetColor(TColor color)
{
    FColor = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(color, p));
    setPalette(p);
}

void TFormatPreview::SetFont(const TFont &font)
{
    FFont = font;
    setFont(font.ToQFont());
    QPalette p = palette();
    p.setColor(QPalette::WindowText, ToQColor(font.Color(), p));
    setPalette(p);
}

// Dialog -------------------------------------------------------------------------------------

TfrmConditionalFormatting::TfrmConditionalFormatting(QWidget *owner)
    : QDialog(owner,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , FDialogFont(FormFont())
{
    setObjectName(QStringLiteral("frmConditionalFormatting"));
    setWindowTitle(QStringLiteral("Условное форматирование"));
    setFont(FDialogFont.ToQFont());
    setFixedSize(ClientWidth, ClientHeight);
    CreateControls();
    SetTabOrder();
    SetDialogColor(DefaultColor);
    zrMultilingualSupport1 = new TzrMultilingualSupport(this);
    zrMultilingualSupport1->SetContext(QStringLiteral("TfrmConditionalFormatting"));
    ClearEditors();
    EnableEditing(false);
}

TfrmConditionalFormatting::~TfrmConditionalFormatting() = default;

void TfrmConditionalFormatting::CreateControls()
{
    auto *gbConditionalFormattingBox = new TmmGroupBox(this);
    gbConditionalFormattingBox->SetCtl3D(false);
    gbConditionalFormatting = gbConditionalFormattingBox;
    gbConditionalFormatting->setObjectName(QStringLiteral("gbConditionalFormatting"));
    gbConditionalFormatting->setGeometry(9, 6, 364, 211);
    QWidget *gb = gbConditionalFormatting;

    lblColumn = NewLabel(QStringLiteral("Колонка:"), gb, 10, 17);
    lblOperation = NewLabel(QStringLiteral("Операция:"), gb, 10, 42);
    cbColumn = NewComboBox(gb, QRect(67, 13, 130, 21));
    cbOperation = NewComboBox(gb, QRect(67, 38, 130, 21));
    cbOperation->SetDropDownCount(ConditionOperationCount);
    edCondition1 = NewEdit(gb, QRect(202, 13, 140, 21));
    lblAnd = NewLabel(QStringLiteral(" и "), gb, 346, 29);
    edCondition2 = NewEdit(gb, QRect(202, 38, 140, 21));
    chFormula = NewCheckBox(QStringLiteral("Рассчитывать формулы"), gb, QRect(200, 61, 143, 17));
    chFormula->SetAlignment(TAlignment::taLeftJustify);
    lblFormat = new QLabel(QStringLiteral("Отображение ячейки при выполнении условия:"), gb);
    lblFormat->setWordWrap(true);
    lblFormat->setGeometry(10, 78, 139, 29);
    pnlFormat = new TFormatPreview(gb);
    pnlFormat->setGeometry(151, 79, 191, 26);
    lblCondition = NewLabel(QStringLiteral("Условие:"), gb, 10, 110);
    chFont = NewCheckBox(QStringLiteral("Использовать шрифт"), gb, QRect(151, 110, 131, 17));
    btnFont = NewButton(QStringLiteral("Шрифт"), gb, 151, 129, 100);
    chColor = NewCheckBox(QStringLiteral("Использовать цвет"), gb, QRect(150, 155, 121, 17));
    btnColor = NewButton(QStringLiteral("Цвет"), gb, 150, 174, 100);
    btnNext = NewButton(QStringLiteral("Следующее >>"), gb, 10, 129, 100);
    btnPrev = NewButton(QStringLiteral("<< Предыдущее"), gb, 10, 155, 100);
    btnShow = NewButton(QStringLiteral("Отображать в ..."), gb, 10, 181, 100);

    btnAdd = NewButton(QStringLiteral("Добавить"), this, 9, 227, 80);
    btnDelete = NewButton(QStringLiteral("Удалить"), this, 94, 227, 80);
    btnOk = NewButton(QStringLiteral("Готово"), this, 208, 227, 80);
    btnOk->SetModalResult(TModalResult::mrOk);
    btnOk->SetDefault(true);
    btnCancel = NewButton(QStringLiteral("Отменить"), this, 293, 227, 80);
    btnCancel->SetModalResult(TModalResult::mrCancel);
    btnCancel->SetCancel(true);

    const std::pair<QObject *, const char *> names[]
        = {{lblColumn, "lblColumn"}, {lblOperation, "lblOperation"}, {cbColumn, "cbColumn"},
            {cbOperation, "cbOperation"}, {edCondition1, "edCondition1"}, {lblAnd, "lblAnd"},
            {edCondition2, "edCondition2"}, {chFormula, "chFormula"}, {lblFormat, "lblFormat"},
            {pnlFormat, "pnlFormat"}, {lblCondition, "lblCondition"}, {chFont, "chFont"},
            {btnFont, "btnFont"}, {chColor, "chColor"}, {btnColor, "btnColor"},
            {btnNext, "btnNext"}, {btnPrev, "btnPrev"}, {btnShow, "btnShow"}, {btnAdd, "btnAdd"},
            {btnDelete, "btnDelete"}, {btnOk, "btnOk"}, {btnCancel, "btnCancel"}};
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));

    connect(cbOperation, &QComboBox::currentIndexChanged, this,
        &TfrmConditionalFormatting::cbOperationChange);
    connect(chFont, &QAbstractButton::clicked, this, &TfrmConditionalFormatting::chFontClick);
    connect(chColor, &QAbstractButton::clicked, this, &TfrmConditionalFormatting::chColorClick);
    connect(btnFont, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnFontClick);
    connect(btnColor, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnColorClick);
    connect(btnNext, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnNextClick);
    connect(btnPrev, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnPrevClick);
    connect(btnShow, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnShowClick);
    connect(btnAdd, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnAddClick);
    connect(btnDelete, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnDeleteClick);
    connect(btnOk, &TmBitButton::OnClick, this, &TfrmConditionalFormatting::btnOkClick);
}

void TfrmConditionalFormatting::SetTabOrder()
{
    // The group box comes first, its operands before the column and the operation; then
    // "Готово", "Отменить", "Добавить" and "Удалить".
    QWidget *const order[]
        = {edCondition1, edCondition2, chFormula, chFont, btnFont, chColor, btnColor, btnNext,
            btnPrev, btnShow, cbColumn, cbOperation, btnOk, btnCancel, btnAdd, btnDelete};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfrmConditionalFormatting::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CenterOnScreen(this);
}

void TfrmConditionalFormatting::SetDialogColor(TColor color)
{
    FDialogColor = color;
    SetBackground(this, color);
    MakeFlat(edCondition1, color);
    MakeFlat(edCondition2, color);
    // A preview without a colour of its own shows the dialog's.
    if (!CurrentCondition() || !btnColor->isEnabled())
        pnlFormat->SetColor(color);
}

void TfrmConditionalFormatting::SetFontDialog(TFontDialogHook hook)
{
    FontDialogHook() = std::move(hook);
}

void TfrmConditionalFormatting::SetColorDialog(TColorDialogHook hook)
{
    ColorDialogHook() = std::move(hook);
}

// Fields -------------------------------------------------------------------------------------

QList<TField *> TfrmConditionalFormatting::Fields() const
{
    QList<TField *> fields;
    TDataSet *dataSet = FGrid ? FGrid->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active())
        return fields;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        fields << dataSet->Fields(i);
    return fields;
}

TField *TfrmConditionalFormatting::FindField(const QString &name) const
{
    TDataSet *dataSet = FGrid ? FGrid->DataSet() : nullptr;
    return dataSet && dataSet->Active() ? dataSet->FindField(name) : nullptr;
}

bool TfrmConditionalFormatting::ShownInGrid(const QString &fieldName) const
{
    const TField *field = FindField(fieldName);
    if (!field || !field->Visible())
        return false;
    const TColumn *column = FGrid->Columns().FindColumn(field->FieldName());
    return column && column->Visible();
}

bool TfrmConditionalFormatting::Evaluates(const QString &formula) const
{
    double value = 0;
    return FGrid && EvaluateFormula(FGrid->DataSet(), FGrid->Calculator(), formula, value);
}

TCondition *TfrmConditionalFormatting::CurrentCondition() const
{
    if (FCurrentIndex < 0 || FCurrentIndex >= FWorkConditions.Count())
        return nullptr;
    return FWorkConditions[FCurrentIndex];
}

// Editing ------------------------------------------------------------------------------------

void TfrmConditionalFormatting::LoadConditions(TExList<TCondition> &target)
{
    FWorkConditions.Clear();
    for (const TCondition *condition : target)
        FWorkConditions.Add(condition->Clone().release());
    FTargetConditions = &target;
    FCurrentIndex = 0;
    ShowCondition();
}

void TfrmConditionalFormatting::ShowCondition()
{
    const TCondition *condition = CurrentCondition();
    if (!condition) {
        ClearEditors();
        EnableEditing(false);
        return;
    }
    EnableEditing(true);
    const QList<TField *> fields = Fields();
    TDataSet *dataSet = FGrid ? FGrid->DataSet() : nullptr;

    {
        const QSignalBlocker blockColumn(cbColumn);
        cbColumn->clear();
        int selected = -1;
        for (int i = 0; i < fields.size(); ++i) {
            cbColumn->addItem(fields.at(i)->DisplayName());
            if (selected < 0
                && fields.at(i)->FieldName().compare(condition->FieldName, Qt::CaseInsensitive)
                    == 0)
                selected = i;
        }
        if (selected < 0 && !condition->FieldName.isEmpty())
            Warn(TranslateText(QStringLiteral("Не найдено поле ")) + condition->FieldName
                + QStringLiteral(". ")
                + TranslateText(QStringLiteral(
                    "При нажатии кнопки Готово условия могут быть сохранены неправильно!")));
        cbColumn->setCurrentIndex(selected < 0 && !fields.isEmpty() ? 0 : selected);
    }
    {
        const QSignalBlocker blockOperation(cbOperation);
        cbOperation->clear();
        for (int code = 0; code < ConditionOperationCount; ++code)
            cbOperation->addItem(TranslateText(ConditionOperationText(TConditionOperation(code))));
        const int code = int(condition->Operation);
        cbOperation->setCurrentIndex(code < ConditionOperationCount ? code : -1);
    }
    edCondition1->setText(FieldNamesToLabels(dataSet, condition->Value1));
    edCondition2->setText(FieldNamesToLabels(dataSet, condition->Value2));
    chFormula->setChecked(condition->Formula);
    ShowSecondOperand(IsRangeOperation(condition->Operation));

    ShowPreview(condition->UseColor ? condition->Color : FDialogColor,
        condition->UseFont ? condition->Font : FDialogFont,
        condition->UseColor || condition->UseFont);
    chColor->setChecked(condition->UseColor);
    btnColor->setEnabled(condition->UseColor);
    chFont->setChecked(condition->UseFont);
    btnFont->setEnabled(condition->UseFont);

    btnNext->setEnabled(FCurrentIndex < FWorkConditions.Count() - 1);
    btnPrev->setEnabled(FCurrentIndex > 0);
}

void TfrmConditionalFormatting::SaveCondition()
{
    TCondition *condition = CurrentCondition();
    if (!condition)
        return;
    const QList<TField *> fields = Fields();
    const int column = cbColumn->currentIndex();
    if (column >= 0 && column < fields.size())
        condition->FieldName = fields.at(column)->FieldName();
    const int operation = cbOperation->currentIndex();
    if (operation >= 0 && operation < ConditionOperationCount)
        condition->Operation = TConditionOperation(operation);
    // Captions in formulas become field names only at "Готово".
    condition->Value1 = edCondition1->text();
    condition->Value2 = edCondition2->text();
    condition->Formula = chFormula->isChecked();
    condition->UseColor = chColor->isChecked();
    condition->UseFont = chFont->isChecked();
    condition->Color = pnlFormat->Color();
    condition->SetFont(pnlFormat->Font());
}

void TfrmConditionalFormatting::ClearEditors()
{
    edCondition1->clear();
    edCondition2->clear();
    chColor->setChecked(false);
    chFont->setChecked(false);
    pnlFormat->setText(TranslateText(QStringLiteral("Формат не задан")));
}

void TfrmConditionalFormatting::EnableEditing(bool on)
{
    const QList<QWidget *> editors = {cbColumn, cbOperation, edCondition1, edCondition2, chFormula,
        chColor, btnColor, chFont, btnFont, btnNext, btnPrev, btnDelete, btnShow};
    for (QWidget *editor : editors)
        editor->setEnabled(on);
    if (!on)
        ShowPreview(FDialogColor, FDialogFont, false);
}

void TfrmConditionalFormatting::ShowSecondOperand(bool visible)
{
    edCondition2->setVisible(visible);
    lblAnd->setVisible(visible);
}

void TfrmConditionalFormatting::ShowPreview(TColor color, const TFont &font, bool formatted)
{
    pnlFormat->SetColor(color);
    pnlFormat->SetFont(font);
    pnlFormat->setText(formatted ? FormatSample : TranslateText(QStringLiteral("Формат не задан")));
}

bool TfrmConditionalFormatting::PreviewFormatted() const
{
    return btnFont->isEnabled() || btnColor->isEnabled();
}

void TfrmConditionalFormatting::Warn(const QString &text)
{
    QMessageBox::warning(this, QGuiApplication::applicationDisplayName(), text);
}

// Handlers -----------------------------------------------------------------------------------

void TfrmConditionalFormatting::btnNextClick()
{
    if (FCurrentIndex >= FWorkConditions.Count() - 1)
        return;
    SaveCondition();
    ++FCurrentIndex;
    ShowCondition();
}

void TfrmConditionalFormatting::btnPrevClick()
{
    if (FCurrentIndex <= 0)
        return;
    SaveCondition();
    --FCurrentIndex;
    ShowCondition();
}

void TfrmConditionalFormatting::btnAddClick()
{
    SaveCondition();
    FCurrentIndex = FWorkConditions.Add(new TCondition);
    ClearEditors();
    EnableEditing(true);
    ShowCondition();
}

void TfrmConditionalFormatting::btnDeleteClick()
{
    if (!CurrentCondition())
        return;
    const auto answer = QMessageBox::warning(this, QGuiApplication::applicationDisplayName(),
        TranslateText(QStringLiteral("Удалить условие?")), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    FWorkConditions.Delete(FCurrentIndex);
    if (FWorkConditions.IsEmpty()) {
        FCurrentIndex = 0;
        ClearEditors();
        EnableEditing(false);
        return;
    }
    FCurrentIndex = std::min(FCurrentIndex, FWorkConditions.Count() - 1);
    ShowCondition();
}

void TfrmConditionalFormatting::cbOperationChange()
{
    const int operation = cbOperation->currentIndex();
    ShowSecondOperand(operation >= 0 && IsRangeOperation(TConditionOperation(operation)));
}

void TfrmConditionalFormatting::chFontClick()
{
    btnFont->setEnabled(chFont->isChecked());
    if (const TCondition *condition = CurrentCondition())
        ShowPreview(pnlFormat->Color(), btnFont->isEnabled() ? condition->Font : FDialogFont,
            PreviewFormatted());
}

void TfrmConditionalFormatting::chColorClick()
{
    btnColor->setEnabled(chColor->isChecked());
    if (const TCondition *condition = CurrentCondition())
        ShowPreview(btnColor->isEnabled() ? condition->Color : FDialogColor, pnlFormat->Font(),
            PreviewFormatted());
}

void TfrmConditionalFormatting::btnFontClick()
{
    TCondition *condition = CurrentCondition();
    if (!condition)
        return;
    if (const std::optional<TFont> font = ChooseFont(condition->Font, this)) {
        condition->SetFont(*font);
        pnlFormat->SetFont(*font);
    }
}

void TfrmConditionalFormatting::btnColorClick()
{
    TCondition *condition = CurrentCondition();
    if (!condition)
        return;
    if (const std::optional<TColor> color = ChooseColor(condition->Color, this)) {
        condition->Color = *color;
        pnlFormat->SetColor(*color);
    }
}

void TfrmConditionalFormatting::btnShowClick()
{
    TCondition *condition = CurrentCondition();
    if (!condition)
        return;
    const QList<TField *> fields = Fields();
    TShowInFieldsWindow window(this, FDialogColor, fields, condition->ShowInFields);
    if (window.exec() == QDialog::Accepted)
        condition->ShowInFields = window.Checked();
}

QString TfrmConditionalFormatting::CheckCondition(TCondition &condition) const
{
    if (condition.ShowInFields.isEmpty()) {
        if (!ShownInGrid(condition.FieldName))
            return TranslateText(QStringLiteral("Выбранная колонка")) + QStringLiteral(" \"")
                + condition.FieldName + QStringLiteral("\" ")
                + TranslateText(QStringLiteral("условия не является видимой в таблице!"))
                + TranslateText(QStringLiteral("Необходимо выбрать отображаемое поле!"));
        condition.ShowInFields = QStringList {FindField(condition.FieldName)->FieldName()};
    }
    if (condition.Formula) {
        TDataSet *dataSet = FGrid ? FGrid->DataSet() : nullptr;
        condition.Value1 = LabelsToFieldNames(dataSet, condition.Value1);
        condition.Value2 = LabelsToFieldNames(dataSet, condition.Value2);
        if (!Evaluates(condition.Value1)
            || (IsRangeOperation(condition.Operation) && !Evaluates(condition.Value2)))
            return TranslateText(QStringLiteral("Ошибка в формуле!"));
    }
    return {};
}

void TfrmConditionalFormatting::btnOkClick()
{
    SaveCondition();
    for (int i = 0; i < FWorkConditions.Count(); ++i) {
        const QString failure = CheckCondition(*FWorkConditions[i]);
        if (failure.isEmpty())
            continue;
        setResult(int(TModalResult::mrNone));
        Warn(failure);
        FCurrentIndex = i;
        ShowCondition();
        return;
    }
    if (FTargetConditions) {
        FTargetConditions->Clear();
        for (const TCondition *condition : FWorkConditions)
            FTargetConditions->Add(condition->Clone().release());
    }
}

// Installation -------------------------------------------------------------------------------

void InstallConditionsDialog()
{
    GridDialogs().EditConditions = [](TmmDBGrid &grid) {
        TfrmConditionalFormatting dialog(&grid);
        dialog.SetGrid(&grid);
        dialog.LoadConditions(grid.Conditions());
        dialog.SetDialogColor(grid.ColorDialogs());
        return dialog.exec() == QDialog::Accepted;
    };
}
