#include "dialogs/mmDBGridDetail.h"

#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "grid/GridDialogs.h"
#include "grid/mmDBGrid.h"
#include "grid/mmDBGridColumnsDlg.h"
#include "i18n/zrMultilingualSupport.h"
#include "widgets/DialogLook.h"
#include "widgets/mBitButton.h"
#include "widgets/mmGroupBox.h"
#include "widgets/xYellabl.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>

using namespace DialogLook;

namespace {

const QString Placeholder = QStringLiteral("%s");
const QString FormatTag = QStringLiteral("format ");
// Each list item carries the name of its field.
constexpr int FieldNameRole = Qt::UserRole;

} // namespace

TfrmDetail::TfrmDetail(QWidget *owner)
    : QDialog(owner,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmDetail"));
    setWindowTitle(QStringLiteral("Установка детального отображения"));
    setFont(FormFont().ToQFont());
    setFixedSize(ClientWidth, ClientHeight);
    CreateControls();
    SetDialogColor(TmmDBGrid::DefaultColorDialogs);
    zrMultilingualSupport1 = new TzrMultilingualSupport(this);
    zrMultilingualSupport1->SetContext(QStringLiteral("TfrmDetail"));
}

TfrmDetail::~TfrmDetail() = default;

void TfrmDetail::CreateControls()
{
    clbFields = new QListWidget(this);
    clbFields->setObjectName(QStringLiteral("clbFields"));
    clbFields->setFrameStyle(QFrame::Box | QFrame::Plain);
    clbFields->setGeometry(4, 20, 286, 80);
    clbFields->setUniformItemSizes(true);
    lblDisplayIn = NewLabel(QStringLiteral("&Отображение в колонке:"), this, 4, 4, clbFields);
    lblFieldName = new QLabel(this);
    lblFieldName->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QFont bold = font();
    bold.setBold(true);
    bold.setUnderline(true);
    lblFieldName->setFont(bold);
    ShowFieldName(QString());

    auto *gbDisplayFormatBox = new TmmGroupBox(QStringLiteral(" Формат отобра&жения "), this);
    gbDisplayFormatBox->SetCtl3D(false);
    gbDisplayFormat = gbDisplayFormatBox;
    gbDisplayFormat->setObjectName(QStringLiteral("gbDisplayFormat"));
    gbDisplayFormat->setGeometry(4, 108, 286, 133);
    xylDisplayFormat = new TxYellowLabel(gbDisplayFormat);
    xylDisplayFormat->setObjectName(QStringLiteral("xylDisplayFormat"));
    xylDisplayFormat->SetFont(FormFont());
    xylDisplayFormat->SetCaption(
        QStringLiteral("Формат детального отображения должен содер- жать текст \" %s \". "
                       "Пример: Количество: %s кг."));
    xylDisplayFormat->setGeometry(6, 15, 275, 38);
    edFieldFormat = NewEdit(gbDisplayFormat, QRect(6, 69, 273, 19));
    Label1 = NewLabel(QStringLiteral("&Формат колонки:"), gbDisplayFormat, 8, 54, edFieldFormat);
    edFormat = NewEdit(gbDisplayFormat, QRect(6, 106, 273, 19));
    lblFormat = NewLabel(QStringLiteral("Формат &колонки детального отображения:"), gbDisplayFormat,
        8, 91, edFormat);

    btnOk = NewButton(QStringLiteral("Готово"), this, 4, 249);
    btnOk->SetModalResult(TModalResult::mrOk);
    btnOk->SetDefault(true);
    btnCancel = NewButton(QStringLiteral("Отменить"), this, 92, 249);
    btnCancel->SetModalResult(TModalResult::mrCancel);
    btnCancel->SetCancel(true);

    const std::pair<QObject *, const char *> names[]
        = {{lblDisplayIn, "lblDisplayIn"}, {lblFieldName, "lblFieldName"}, {Label1, "Label1"},
            {edFieldFormat, "edFieldFormat"}, {lblFormat, "lblFormat"}, {edFormat, "edFormat"},
            {btnOk, "btnOk"}, {btnCancel, "btnCancel"}};
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));

    setTabOrder(clbFields, edFieldFormat);
    setTabOrder(edFieldFormat, edFormat);
    setTabOrder(edFormat, btnOk);
    setTabOrder(btnOk, btnCancel);

    connect(clbFields, &QListWidget::currentRowChanged, this, &TfrmDetail::clbFieldsClick);
    connect(btnOk, &TmBitButton::OnClick, this, &TfrmDetail::btnOkClick);
}

void TfrmDetail::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CenterOnScreen(this);
}

void TfrmDetail::SetGrid(TmmDBGrid *grid)
{
    FGrid = grid;
    if (grid)
        SetDialogColor(grid->ColorDialogs());
}

void TfrmDetail::SetDialogColor(TColor color)
{
    SetBackground(this, color);
    MakeFlat(edFieldFormat, color);
    MakeFlat(edFormat, color);
}

// The caption keeps its right edge; a long one grows to the left as far as the label before it
// allows, and is shortened beyond that.
void TfrmDetail::ShowFieldName(const QString &caption)
{
    constexpr int right = 215 + 73;
    const int left = lblDisplayIn->geometry().right() + 8;
    const QFontMetrics metrics(lblFieldName->font());
    const int width = std::clamp(metrics.horizontalAdvance(caption) + 2, 73, right - left);
    lblFieldName->setText(metrics.elidedText(caption, Qt::ElideRight, width));
    lblFieldName->setToolTip(caption);
    lblFieldName->setGeometry(right - width, 4, width, std::max(13, metrics.height()));
}

bool TfrmDetail::FindDetailEntry(const QString &fieldName, QString &format) const
{
    format.clear();
    if (!FLines)
        return false;
    for (const QString &entry : std::as_const(*FLines)) {
        if (entry.contains(Placeholder)) {
            const qsizetype blank = entry.indexOf(QLatin1Char(' '));
            if (blank >= 0 && entry.left(blank).compare(fieldName, Qt::CaseInsensitive) == 0) {
                format = entry.mid(blank + 1);
                return true;
            }
        }
        if (entry.compare(fieldName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void TfrmDetail::LoadDetail(QStringList &lines)
{
    FLines = &lines;
    TDataSet *dataSet = FGrid ? FGrid->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active() || FColumnField.isEmpty())
        return;
    const QSignalBlocker block(clbFields);
    clbFields->clear();
    edFieldFormat->clear();
    edFormat->clear();
    FFormats.clear();
    FCurrentIndex = -1;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields(i);
        // The types without a one-line text: those the wizard's chooser leaves out.
        if (!IsListedInChooser(field->DataType(), TColumnsChooserKind::Wizard))
            continue;
        QString format;
        const bool found = FindDetailEntry(field->FieldName(), format);
        auto *item = new QListWidgetItem(field->DisplayLabel(), clbFields);
        item->setData(FieldNameRole, field->FieldName());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(found ? Qt::Checked : Qt::Unchecked);
        FFormats << format;
    }
    if (const TField *column = dataSet->FindField(FColumnField))
        ShowFieldName(column->DisplayLabel());
    if (!lines.isEmpty()) {
        const qsizetype tag = lines.first().indexOf(FormatTag);
        if (tag >= 0)
            edFieldFormat->setText(lines.first().mid(tag + FormatTag.size()));
    }
}

void TfrmDetail::CheckFormat(const QString &format)
{
    if (!format.isEmpty() && !format.contains(Placeholder))
        throw EDetailFormatError(TranslateText(QStringLiteral("Строка не содержит \"%s\"!")));
}

void TfrmDetail::SelectCurrent()
{
    const QSignalBlocker block(clbFields);
    clbFields->setCurrentRow(FCurrentIndex);
}

void TfrmDetail::ShowError(const Exception &e)
{
    QMessageBox::critical(this, QGuiApplication::applicationDisplayName(), e.Message());
}

void TfrmDetail::clbFieldsClick()
{
    try {
        if (FCurrentIndex != -1) {
            try {
                CheckFormat(edFormat->text());
            } catch (const EDetailFormatError &) {
                SelectCurrent();
                edFormat->setFocus();
                throw;
            }
            FFormats[FCurrentIndex] = edFormat->text();
        }
        const int row = clbFields->currentRow();
        edFormat->setText(FFormats.value(row));
        FCurrentIndex = row;
    } catch (const EDetailFormatError &e) {
        ShowError(e);
    }
}

void TfrmDetail::btnOkClick()
{
    // Refuses a format without "%s" with the selection on the item being edited and the focus
    // in the offending box; the dialog stays open.
    const auto refuse = [this](QLineEdit *box, const EDetailFormatError &e) {
        SelectCurrent();
        box->setFocus();
        setResult(int(TModalResult::mrNone));
        ShowError(e);
    };
    try {
        CheckFormat(edFieldFormat->text());
    } catch (const EDetailFormatError &e) {
        refuse(edFieldFormat, e);
        return;
    }
    if (FCurrentIndex != -1) {
        try {
            CheckFormat(edFormat->text());
        } catch (const EDetailFormatError &e) {
            refuse(edFormat, e);
            return;
        }
        FFormats[FCurrentIndex] = edFormat->text();
    }
    if (!FLines)
        return;
    FLines->clear();
    if (!edFieldFormat->text().isEmpty())
        FLines->append(FormatTag + edFieldFormat->text());
    for (int i = 0; i < clbFields->count(); ++i) {
        const QListWidgetItem *item = clbFields->item(i);
        if (item->checkState() != Qt::Checked)
            continue;
        const QString name = item->data(FieldNameRole).toString();
        const QString &format = FFormats.at(i);
        FLines->append(format.isEmpty() ? name : name + QLatin1Char(' ') + format);
    }
}

// Installation -------------------------------------------------------------------------------

void InstallDetailDialog()
{
    GridDialogs().Detail = [](TmmDBGrid &grid, TColumn &column) {
        // A column whose field has gone (its dataset closed or reopened without it) has no
        // name to keep lines under: say so instead of opening an empty dialog.
        const TField *field = column.Field();
        if (!field) {
            QMessageBox::information(&grid, QGuiApplication::applicationDisplayName(),
                TranslateText(QStringLiteral(
                    "Колонка не связана с полем данных: детальное отображение для неё задать "
                    "нельзя.")));
            return;
        }
        const QString fieldName = field->FieldName();
        TfrmDetail dialog(&grid);
        dialog.SetGrid(&grid);
        dialog.SetColumnField(fieldName);
        QStringList lines;
        grid.GetColumnLines(fieldName, lines);
        dialog.LoadDetail(lines);
        if (dialog.exec() != QDialog::Accepted)
            return;
        grid.SetColumnLines(fieldName, lines);
        grid.SetLineCount(grid.ComputeLineCount());
        grid.Invalidate();
    };
}
