#pragma once

#include "core/TColor.h"
#include "db/paradox/TFieldType.h"

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class TDataSet;
class TField;
class TmBitButton;
class TmmDBGrid;

// Which chooser lists the fields: the grid's own command, or the options wizard's button,
// which leaves binary large objects out as well.
enum class TColumnsChooserKind { Grid, Wizard };

// Whether a field of the type is offered by the chooser. Memos, graphics, OLE objects, BCD,
// byte strings and the object types never are.
bool IsListedInChooser(TFieldType type, TColumnsChooserKind kind);

// A small fixed dialog built in code for the column commands: background, centred placement
// and the "&Готово" / "&Отменить" buttons of every such window.
class TColumnDialog : public QDialog
{
    Q_OBJECT
public:
    TColumnDialog(QWidget *owner, const QString &caption, QSize outerSize, TColor background);

    TmBitButton *btnOk;
    TmBitButton *btnCancel;

protected:
    // The buttons' row, below the list or edit box.
    void PlaceButtons(int top);
};

// "Отображаемые колонки:": one check item per listed field, labelled as its column is titled
// and carrying the field's position in the dataset.
class TColumnsChooserDialog : public TColumnDialog
{
    Q_OBJECT
public:
    // Items are checked when isShown says so for their field.
    TColumnsChooserDialog(QWidget *owner, TColumnsChooserKind kind, TmmDBGrid &grid,
        const std::function<bool(TField *field)> &isShown);

    QListWidget *List;
    // The listed fields, checked or not, in list order.
    QList<TField *> Fields(bool checked) const;

private:
    TDataSet *FDataSet;
};

// "Заглавие колонки": one line with the column's caption.
class TColumnCaptionDialog : public TColumnDialog
{
    Q_OBJECT
public:
    TColumnCaptionDialog(QWidget *owner, TColor background, const QString &caption);

    QLineEdit *Edit;
};

// The options wizard's chooser: runs over the grid's fields with visibleFieldNames (compared
// ignoring case) as the checked ones. On "&Готово" the list is refilled with the field names of
// the checked items in list order and true is returned; on cancel it is left alone. The fields
// themselves never change here.
bool ChooseWizardColumns(TmmDBGrid &grid, QWidget *owner, QStringList &visibleFieldNames);
