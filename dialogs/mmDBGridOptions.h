#pragma once

#include "core/TExList.h"
#include "core/TFont.h"

#include <QDialog>
#include <QStringList>

class QGroupBox;
class QLabel;
class TColorCombo;
class TCondition;
class TmBitButton;
class TmmCheckBoxEx;
class TmmDBGrid;
class TzrMultilingualSupport;

// "Мастер установок таблицы": the whole look of one grid in one dialog, that is the colours and
// fonts of the table and its titles, stripes, conditional formatting, the visible columns,
// column scaling and a reset to the built-in defaults. It edits copies; only "Готово" writes
// them to the grid.
class TfrmDBGridOptions : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 451;
    static constexpr int ClientHeight = 250;

    explicit TfrmDBGridOptions(QWidget *owner = nullptr);
    ~TfrmDBGridOptions() override;

    // Takes the grid to edit, its dialog colour as the background, and loads its settings.
    void AssignGrid(TmmDBGrid *grid);
    TmmDBGrid *Grid() const { return FGrid; }
    // Fills the controls and the working copies from the grid.
    void LoadSettings();
    // Writes the dialog's state into the grid.
    void ApplySettings();
    // The reset of "Установки по умолчанию": the grid's OnReadDefaults, or the built-in look.
    void ApplyDefaults();

    // The working copies "Готово" applies.
    const TFont &TableFont() const { return FTableFont; }
    const TFont &TitleFont() const { return FTitleFont; }
    const TExList<TCondition> &WorkConditions() const { return FWorkConditions; }
    const QStringList &VisibleFields() const { return FVisibleFields; }
    // Whether the grid had open data when loaded: without it the conditions and the visible
    // columns are out of reach and "Готово" leaves them as they are.
    bool DataLoaded() const { return FDataLoaded; }

    QGroupBox *gbOptions;
    QWidget *pnlOptions;
    QGroupBox *gbTableOptions;
    TColorCombo *ccbTableColor;
    QLabel *lblTableColor;
    TColorCombo *ccbSelectedColor;
    QLabel *lblSelectedColor;
    TmBitButton *btnTableFont;
    QGroupBox *gbTitleOptions;
    TColorCombo *ccbTitleColor;
    QLabel *lblTitleColor;
    TmBitButton *btnTitleFont;
    QGroupBox *gbStripeOptions;
    TmmCheckBoxEx *cbUseStripes;
    TColorCombo *ccbStripeOne;
    QLabel *lblStripeOne;
    TColorCombo *ccbStripeTwo;
    QLabel *lblStripeTwo;
    QGroupBox *gbConditionalFormattingOptions;
    TmmCheckBoxEx *cbUseConditionalFormatting;
    TmBitButton *btnChooseConditionalFormatting;
    TmBitButton *btnChooseColumns;
    TmmCheckBoxEx *cbScaleColumns;
    TmmCheckBoxEx *cbDefault;
    TmBitButton *btnOk;
    TmBitButton *btnCancel;
    TzrMultilingualSupport *zrMultilingualSupport1;

public slots:
    void btnOkClick();
    void btnTableFontClick();
    void btnTitleFontClick();
    void btnChooseConditionalFormattingClick();
    void btnChooseColumnsClick();
    void cbUseStripesClick();
    void cbUseConditionalFormattingClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void SetTabOrder();
    TColorCombo *NewColorCombo(QWidget *parent, int left, int top);
    void LoadDataSettings();
    void ApplyDataSettings();
    void ApplyVisibleFields();
    // Pushes the grid's fonts into every column and column title.
    void SpreadFonts();

    TmmDBGrid *FGrid = nullptr;
    TFont FTableFont;
    TFont FTitleFont;
    TExList<TCondition> FWorkConditions {true};
    QStringList FVisibleFields;
    bool FDataLoaded = false;
};

// Makes the grid's "Мастер установок таблицы" open this dialog on the grid.
void InstallOptionsWizard();
