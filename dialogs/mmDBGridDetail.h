#pragma once

#include "core/Exception.h"
#include "core/TColor.h"

#include <QDialog>
#include <QStringList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class TField;
class TmBitButton;
class TmmDBGrid;
class TxYellowLabel;
class TzrMultilingualSupport;

// A line format typed without the "%s" that the field's text replaces.
class EDetailFormatError : public Exception
{
public:
    using Exception::Exception;
};

// "Установка детального отображения": chooses the fields whose values one grid column shows on
// its extra lines, and the formats of the column's own line and of each extra line. It edits
// the column's detail list, which the grid reads from and writes back to its LineFields.
class TfrmDetail : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 294;
    static constexpr int ClientHeight = 278;

    explicit TfrmDetail(QWidget *owner = nullptr);
    ~TfrmDetail() override;

    // The grid whose fields are offered; its dialog colour becomes the background.
    void SetGrid(TmmDBGrid *grid);
    TmmDBGrid *Grid() const { return FGrid; }
    // The field of the column being edited.
    const QString &ColumnField() const { return FColumnField; }
    void SetColumnField(const QString &fieldName) { FColumnField = fieldName; }

    // Fills the dialog from the detail list; "Готово" rewrites the list.
    void LoadDetail(QStringList &lines);
    // Whether the detail list names the field, and the field's format when it has one.
    bool FindDetailEntry(const QString &fieldName, QString &format) const;

    // The format of each field-list item, in list order.
    const QStringList &Formats() const { return FFormats; }
    int CurrentIndex() const { return FCurrentIndex; }

    QLabel *lblDisplayIn;
    QLabel *lblFieldName;
    QListWidget *clbFields;
    QGroupBox *gbDisplayFormat;
    TxYellowLabel *xylDisplayFormat;
    QLabel *Label1;
    QLineEdit *edFieldFormat;
    QLabel *lblFormat;
    QLineEdit *edFormat;
    TmBitButton *btnOk;
    TmBitButton *btnCancel;
    TzrMultilingualSupport *zrMultilingualSupport1;

public slots:
    // The selection in the field list changed, by mouse or keyboard.
    void clbFieldsClick();
    void btnOkClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void SetDialogColor(TColor color);
    void ShowFieldName(const QString &caption);
    // Raises EDetailFormatError when a non-empty format lacks "%s".
    static void CheckFormat(const QString &format);
    // Puts the list's selection back on the item being edited without reacting to it.
    void SelectCurrent();
    void ShowError(const Exception &e);

    TmmDBGrid *FGrid = nullptr;
    QString FColumnField;
    QStringList *FLines = nullptr;
    QStringList FFormats;
    int FCurrentIndex = -1;
};

// Makes the grid's "Установки по колонке" › "Детальность" open this dialog on the column.
void InstallDetailDialog();
