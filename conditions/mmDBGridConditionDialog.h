#pragma once

#include "core/TColor.h"
#include "core/TExList.h"
#include "core/TFont.h"
#include "widgets/ColCB.h"

#include <QDialog>
#include <QLabel>
#include <functional>
#include <optional>

class QGroupBox;
class QLineEdit;
class TCondition;
class TField;
class TmBitButton;
class TmmCheckBoxEx;
class TmmComboBox;
class TmmDBGrid;
class TzrMultilingualSupport;

// Asks the user for a font, starting from the given one: the chosen font, or nothing when the
// user cancels. The default shows the system font dialog; tests put their own in.
using TFontDialogHook = std::function<std::optional<TFont>(const TFont &initial, QWidget *parent)>;

// The sample of a condition's format: a framed panel in the colour and font the condition gives
// its cells. What it shows is what the dialog stores.
class TFormatPreview : public QLabel
{
    Q_OBJECT

public:
    explicit TFormatPreview(QWidget *parent = nullptr);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    const TFont &Font() const { return FFont; }
    void SetFont(const TFont &font);

private:
    TColor FColor = Colors::clBtnFace;
    TFont FFont;
};

// "Условное форматирование": edits a list of conditional-formatting conditions one at a time,
// on clones. The list it was loaded with (the grid's own, or the options wizard's working
// list) is replaced only when every condition passes the checks of "Готово".
class TfrmConditionalFormatting : public QDialog
{
    Q_OBJECT

public:
    static constexpr TColor DefaultColor = 15266807;
    static constexpr int ClientWidth = 383;
    static constexpr int ClientHeight = 258;

    explicit TfrmConditionalFormatting(QWidget *owner = nullptr);
    ~TfrmConditionalFormatting() override;

    // The grid whose dataset gives the fields and whose calculator checks the formulas.
    void SetGrid(TmmDBGrid *grid) { FGrid = grid; }
    TmmDBGrid *Grid() const { return FGrid; }
    // The background of the dialog and of its editors.
    TColor DialogColor() const { return FDialogColor; }
    void SetDialogColor(TColor color);
    const TFont &DialogFont() const { return FDialogFont; }

    // Starts editing clones of the target list's conditions on the first one.
    void LoadConditions(TExList<TCondition> &target);
    void ShowCondition();
    void SaveCondition();
    void ClearEditors();
    void EnableEditing(bool on);

    const TExList<TCondition> &WorkConditions() const { return FWorkConditions; }
    int CurrentIndex() const { return FCurrentIndex; }

    // The font and colour choosers of every conditions dialog; none restores the system ones.
    static void SetFontDialog(TFontDialogHook hook);
    static void SetColorDialog(TColorDialogHook hook);

    QGroupBox *gbConditionalFormatting;
    QLabel *lblColumn;
    QLabel *lblOperation;
    TmmComboBox *cbColumn;
    TmmComboBox *cbOperation;
    QLineEdit *edCondition1;
    QLabel *lblAnd;
    QLineEdit *edCondition2;
    TmmCheckBoxEx *chFormula;
    QLabel *lblFormat;
    TFormatPreview *pnlFormat;
    QLabel *lblCondition;
    TmmCheckBoxEx *chFont;
    TmBitButton *btnFont;
    TmmCheckBoxEx *chColor;
    TmBitButton *btnColor;
    TmBitButton *btnNext;
    TmBitButton *btnPrev;
    TmBitButton *btnShow;
    TmBitButton *btnAdd;
    TmBitButton *btnDelete;
    TmBitButton *btnOk;
    TmBitButton *btnCancel;
    TzrMultilingualSupport *zrMultilingualSupport1;

public slots:
    void btnOkClick();
    void btnAddClick();
    void btnDeleteClick();
    void btnNextClick();
    void btnPrevClick();
    void chFontClick();
    void chColorClick();
    void btnFontClick();
    void btnColorClick();
    void cbOperationChange();
    void btnShowClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void SetTabOrder();
    TCondition *CurrentCondition() const;
    // The grid's dataset fields, in field order; none without an open dataset.
    QList<TField *> Fields() const;
    TField *FindField(const QString &name) const;
    // Whether the grid shows the field in a visible column.
    bool ShownInGrid(const QString &fieldName) const;
    bool Evaluates(const QString &formula) const;
    // The reason the condition cannot be stored, empty when it can; makes the changes "Готово"
    // makes on the way (its own column as the display column, field names in formulas).
    QString CheckCondition(TCondition &condition) const;
    void ShowSecondOperand(bool visible);
    void ShowPreview(TColor color, const TFont &font, bool formatted);
    bool PreviewFormatted() const;
    void Warn(const QString &text);

    TExList<TCondition> FWorkConditions {true};
    TExList<TCondition> *FTargetConditions = nullptr;
    int FCurrentIndex = 0;
    TmmDBGrid *FGrid = nullptr;
    TColor FDialogColor = DefaultColor;
    TFont FDialogFont;
};

// Makes the grid's "Задать условия" open this dialog on the grid's own conditions.
void InstallConditionsDialog();
