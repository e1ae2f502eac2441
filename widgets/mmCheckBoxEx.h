#pragma once

#include "core/TColor.h"
#include "widgets/FlatToggle.h"

// A check box that, in the flat look, draws its own 13-pixel box with a tick.
class TmmCheckBoxEx : public TFlatToggle<QCheckBox>
{
    Q_OBJECT

public:
    static constexpr int BoxWidth = 13;
    static constexpr int BoxHeight = 14;

    explicit TmmCheckBoxEx(QWidget *parent = nullptr);
    explicit TmmCheckBoxEx(const QString &caption, QWidget *parent = nullptr);
    ~TmmCheckBoxEx() override;

    void DrawBox(QPainter &painter, int x, int y) const override;

protected:
    QSize BoxImageSize() const override { return {BoxWidth, BoxHeight}; }
};
