#pragma once

#include "core/TColor.h"

#include <QDialog>
#include <QTimer>

class QToolButton;
class TFindAnimation;
class TmBitButton;
class TmmCheckBoxEx;
class TmmComboBox;
class TmmGroupBox;
class TmmRadioGroup;
class TzrMultilingualSupport;

// The small always-on-top window in which the user types the text to find in a grid column,
// picks the direction and the options, and starts the search. The column search fills it and
// handles its find and close buttons and its closing; the dialog itself handles its layout,
// the interplay of its options, and folding down to the search text alone.
class TfrmDBFindDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 398;
    // Heights of the whole window as the classic desktop counts them, caption bar included.
    static constexpr int UnfoldedHeight = 185;
    static constexpr int FoldedHeight = 107;
    static constexpr int CaptionHeight = 27; // caption bar and borders of a dialog frame
    static constexpr int FoldStep = 5;
    static constexpr int FoldInterval = 10; // milliseconds between two steps of the fold
    static constexpr TColor DefaultColor = 15266807;

    explicit TfrmDBFindDlg(QWidget *parent = nullptr);
    ~TfrmDBFindDlg() override;

    // The window height, caption bar included; the client area is what changes.
    int Height() const { return height() + CaptionHeight; }
    void SetHeight(int value);
    bool Folding() const { return FFoldTimer.isActive(); }

    TColor Color() const { return FColor; }
    void SetColor(TColor value);

    // While a search runs the animation plays, the find and close buttons are disabled and
    // the dialog does not close; afterwards the buttons and the groups are enabled.
    void SetSearching(bool value);
    bool Searching() const { return FSearching; }

    // Handlers.
    void FormCreate();
    void FormActivate();
    void btnFullClick();
    void cbWholeFieldClick();
    void comboSearchTextChange();

    TmmGroupBox *gbFind;
    QToolButton *btnFull;
    TmmComboBox *comboSearchText;
    TmmRadioGroup *rgDirection;
    TmmGroupBox *gbParameters;
    TmmCheckBoxEx *cbMatchCase;
    TmmCheckBoxEx *cbWholeField;
    TmBitButton *btnFind;
    TmBitButton *btnCancel;
    TFindAnimation *antFind;
    TzrMultilingualSupport *zrMultilingualSupport;

signals:
    // The dialog closed (close button, Esc, the window's close box); not sent by hide().
    void OnClose();

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void FoldStepTo();
    static QImage FullGlyph();

    TColor FColor = DefaultColor;
    QTimer FFoldTimer;
    int FFoldTarget = UnfoldedHeight;
    bool FSearching = false;
    bool FPlaced = false;
};
