#pragma once

#include <QTimer>
#include <QWidget>

// The find dialog's sign that a search runs: a magnifier sweeping over a page of text, line by
// line, in 24 frames. It stands still on its first frame until Play and after Stop.
class TFindAnimation : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FrameCount = 24;
    static constexpr int FrameInterval = 60; // milliseconds

    explicit TFindAnimation(QWidget *parent = nullptr);
    ~TFindAnimation() override;

    bool Active() const { return FTimer.isActive(); }
    void Play();
    void Stop();
    int Frame() const { return FFrame; }
    void SetFrame(int frame);

    QSize sizeHint() const override { return {48, 50}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer FTimer;
    int FFrame = 0;
};
