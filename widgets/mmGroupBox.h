#pragma once

#include <QGroupBox>

class QPainter;

// The toolkit's group box: a frame from half the caption's height down, etched in the 3-D
// look and one dark line in the flat look, broken by the caption at the top left. The radio
// group draws itself the same way.
class TmmGroupBox : public QGroupBox
{
    Q_OBJECT

public:
    explicit TmmGroupBox(QWidget *parent = nullptr);
    explicit TmmGroupBox(const QString &caption, QWidget *parent = nullptr);
    ~TmmGroupBox() override;

    QString Caption() const { return title(); }
    void SetCaption(const QString &value) { setTitle(value); }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);

    // Paints a group box's frame and caption in the toolkit's look.
    static void PaintFrame(QPainter &painter, const QGroupBox &box, bool ctl3D);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool FCtl3D = true;
};
