#pragma once

#include <QGroupBox>

// A group box in the flat look: a frame of one black line, interrupted at the top left by the
// caption when it has one.
class TFlatGroupBox : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr int CaptionLeft = 8;

    explicit TFlatGroupBox(QWidget *parent = nullptr);
    explicit TFlatGroupBox(const QString &caption, QWidget *parent = nullptr);
    ~TFlatGroupBox() override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
