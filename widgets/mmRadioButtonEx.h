#pragma once

#include "core/TColor.h"
#include "widgets/FlatToggle.h"

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QPainter;
class TmmRadioGroup;

// A radio button that, in the flat look, draws its own 13-pixel round button with a dot.
class TmmRadioButtonEx : public TFlatToggle<QRadioButton>
{
    Q_OBJECT

public:
    static constexpr int BoxSide = 13;

    explicit TmmRadioButtonEx(QWidget *parent = nullptr);
    explicit TmmRadioButtonEx(const QString &caption, QWidget *parent = nullptr);
    ~TmmRadioButtonEx() override;

    void DrawBox(QPainter &painter, int x, int y) const override;

protected:
    QSize BoxImageSize() const override { return {BoxSide, BoxSide}; }
};

// One button of a TmmRadioGroup, made and destroyed by the group as its Items change. Checking
// it turns its siblings off and tells the group.
class TGroupButton : public TmmRadioButtonEx
{
    Q_OBJECT

public:
    explicit TGroupButton(TmmRadioGroup *group);
    ~TGroupButton() override;

    TmmRadioGroup *Group() const { return FGroup; }
    bool Ctl3D() const override;

protected:
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CheckedChanged(bool checked);

    TmmRadioGroup *FGroup;
    // Set while a click is handled, so that the click it causes is not handled again.
    bool FInClick = false;
};

// A group box of radio buttons built from a list of captions, laid out in up to 16 columns;
// ItemIndex is the checked one (-1 for none).
class TmmRadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    static constexpr int MaxColumns = 16;

    explicit TmmRadioGroup(QWidget *parent = nullptr);
    ~TmmRadioGroup() override;

    QString Caption() const { return title(); }
    void SetCaption(const QString &value);
    // 1 .. 16; other values are brought into that range.
    int Columns() const { return FColumns; }
    void SetColumns(int value);
    // -1 .. the last button; other values are brought into that range.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int value);
    const QStringList &Items() const { return FItems; }
    void SetItems(const QStringList &value);
    void AddItem(const QString &caption);
    // The group's own colour, used when ParentColor is off; setting it turns ParentColor off.
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool value) { setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus); }

    // Whether the user may change the checked button; always, for this group.
    virtual bool CanModify() const { return true; }

    // Between these two the group is being filled as a form is built: ItemIndex is only
    // stored, and the buttons are made at the end.
    void BeginReading() { FReading = true; }
    void EndReading();
    bool Reading() const { return FReading; }

    int ButtonCount() const { return int(FButtons.size()); }
    TGroupButton *Button(int index) const { return FButtons.value(index); }
    void ArrangeButtons();

signals:
    // The user or the program checked a button.
    void OnClick();
    void Changed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class TGroupButton;

    void ItemsChange();
    void UpdateButtons();
    void SetButtonCount(int value);
    void ButtonClick(TGroupButton *button);

    QList<TGroupButton *> FButtons;
    QStringList FItems;
    int FItemIndex = -1;
    int FColumns = 1;
    bool FReading = false;
    bool FUpdating = false;
    bool FDestroying = false;
    TColor FColor = Colors::clWindow;
    bool FParentColor = true;
    bool FCtl3D = true;
};
