#include "grid/mmDBGridColumnsDlg.h"

#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "grid/mmDBGrid.h"
#include "i18n/zrMultilingualSupport.h"
#include "widgets/mBitButton.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>

namespace {
// The sizes below are outer sizes of a window with the classic dialog frame: a 3-pixel border
// and a 20-pixel caption bar.
constexpr int FrameWidth = 2 * 3;
constexpr int FrameHeight = 2 * 3 + 20;
constexpr int ButtonWidth = 100;
constexpr int ButtonHeight = 20;
constexpr int FieldPositionRole = Qt::UserRole;

void SetBackground(QWidget *widget, QPalette::ColorRole role, TColor color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, ToQColor(color, palette));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

TmBitButton *NewButton(QWidget *parent, const QString &caption, TModalResult result, bool isDefault)
{
    auto *button = new TmBitButton(parent);
    button->SetCaption(TranslateText(caption));
    button->SetModalResult(result);
    button->SetDefault(isDefault);
    button->SetCancel(!isDefault);
    return button;
}

// What the user knows a field by: its column's title when it has a column, else its label.
QString ChooserLabel(TmmDBGrid &grid, TField *field)
{
    if (const TColumn *column = grid.Columns().FindColumn(field->FieldName()))
        return column->Title().Caption();
    return field->DisplayLabel();
}
} // namespace

bool IsListedInChooser(TFieldType type, TColumnsChooserKind kind)
{
    switch (type) {
    case TFieldType::ftUnknown:
    case TFieldType::ftBCD:
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftCursor:
    case TFieldType::ftADT:
    case TFieldType::ftArray:
    case TFieldType::ftReference:
    case TFieldType::ftDataSet:
        return false;
    case TFieldType::ftBlob:
        return kind == TColumnsChooserKind::Grid;
    default:
        return true;
    }
}

TColumnDialog::TColumnDialog(
    QWidget *owner, const QString &caption, QSize outerSize, TColor background)
    : QDialog(owner,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(TranslateText(caption));
    setFixedSize(outerSize.width() - FrameWidth, outerSize.height() - FrameHeight);
    SetBackground(this, QPalette::Window, background);
    if (const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center()
            - QPoint(outerSize.width(), outerSize.height()) / 2);
    btnOk = NewButton(this, QStringLiteral("&Готово"), TModalResult::mrOk, true);
    btnCancel = NewButton(this, QStringLiteral("&Отменить"), TModalResult::mrCancel, false);
}

void TColumnDialog::PlaceButtons(int top)
{
    btnOk->setGeometry(4, top, ButtonWidth, ButtonHeight);
    btnCancel->setGeometry(114, top, ButtonWidth, ButtonHeight);
    // Tab order as the controls were inserted: the list or edit box, OK, cancel.
    btnOk->raise();
    btnCancel->raise();
}

TColumnsChooserDialog::TColumnsChooserDialog(QWidget *owner, TColumnsChooserKind kind,
    TmmDBGrid &grid, const std::function<bool(TField *field)> &isShown)
    : TColumnDialog(owner, QStringLiteral("Отображаемые колонки:"),
        kind == TColumnsChooserKind::Grid ? QSize(300, 300) : QSize(300, 140), grid.ColorDialogs())
    , List(new QListWidget(this))
    , FDataSet(grid.DataSet())
{
    const int listHeight = kind == TColumnsChooserKind::Grid ? 240 : 80;
    List->setGeometry(4, 4, 286, listHeight);
    List->setFrameStyle(QFrame::Box | QFrame::Plain);
    SetBackground(List, QPalette::Base, grid.ColorDialogs());
    PlaceButtons(listHeight + 10);
    setTabOrder(List, btnOk);
    setTabOrder(btnOk, btnCancel);
    if (!FDataSet || !FDataSet->Active())
        return;
    for (int i = 0; i < FDataSet->FieldCount(); ++i) {
        TField *field = FDataSet->Fields(i);
        if (!IsListedInChooser(field->DataType(), kind))
            continue;
        auto *item = new QListWidgetItem(ChooserLabel(grid, field), List);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setData(FieldPositionRole, i);
        item->setCheckState(isShown(field) ? Qt::Checked : Qt::Unchecked);
    }
    if (List->count() > 0)
        List->setCurrentRow(0);
}

QList<TField *> TColumnsChooserDialog::Fields(bool checked) const
{
    QList<TField *> fields;
    for (int i = 0; i < List->count(); ++i) {
        const QListWidgetItem *item = List->item(i);
        if ((item->checkState() == Qt::Checked) == checked)
            fields.append(FDataSet->Fields(item->data(FieldPositionRole).toInt()));
    }
    return fields;
}

TColumnCaptionDialog::TColumnCaptionDialog(
    QWidget *owner, TColor background, const QString &caption)
    : TColumnDialog(owner, QStringLiteral("Заглавие колонки"), QSize(300, 80), background)
    , Edit(new QLineEdit(caption, this))
{
    Edit->setGeometry(4, 4, 286, Edit->sizeHint().height());
    // A flat one-pixel frame on the default background.
    Edit->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid black; padding: 1px; }"));
    PlaceButtons(30);
    setTabOrder(Edit, btnOk);
    setTabOrder(btnOk, btnCancel);
    Edit->selectAll();
}

bool ChooseWizardColumns(TmmDBGrid &grid, QWidget *owner, QStringList &visibleFieldNames)
{
    const QStringList names = visibleFieldNames;
    TColumnsChooserDialog dialog(owner, TColumnsChooserKind::Wizard, grid, [&names](TField *field) {
        return names.contains(field->FieldName(), Qt::CaseInsensitive);
    });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    visibleFieldNames.clear();
    for (const TField *field : dialog.Fields(true))
        visibleFieldNames.append(field->FieldName());
    return true;
}
