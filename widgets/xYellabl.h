#pragma once

#include "core/Exception.h"
#include "core/TAlignment.h"
#include "core/TColor.h"
#include "core/TFont.h"

#include <QLabel>
#include <QStringList>

class QPainter;
class QTimer;

// A broken assertion in the program's own code, with the source reference it was made at.
class EAssertionFailed : public Exception
{
public:
    EAssertionFailed(const QString &message, const QString &source, int line)
        : Exception(
            QStringLiteral("%1 (%2, line %3)")
                .arg(message.isEmpty() ? QStringLiteral("Assertion failure") : message, source)
                .arg(line))
    { }
};

// A label drawn as a pale-yellow note with rounded corners and a drop shadow. The first time it
// is painted it opens with a short animation, a frame growing from the centre, and only then
// shows its text.
class TxYellowLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)

public:
    static constexpr TColor DefaultColor = 12648447; // RGB 255, 255, 192
    static constexpr int DefaultSpeed = 40;
    static constexpr int AnimationSteps = 5;

    explicit TxYellowLabel(QWidget *parent = nullptr);
    ~TxYellowLabel() override;

    QString Caption() const { return text(); }
    void SetCaption(const QString &value) { setText(value); }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    // Timer interval of the opening animation in milliseconds, 1 .. 999; read when the
    // animation starts.
    int Speed() const { return FSpeed; }
    void SetSpeed(int value);
    // The text shown when Caption is empty.
    QStringList Lines() const { return FLines; }
    void SetLines(const QStringList &value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    // The widget's font with the text colour, which QFont has no place for.
    TFont Font() const;
    void SetFont(const TFont &value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { FAutoSize = value; }

    // The text the note shows: Caption, or Lines when Caption is empty.
    QString NoteText() const;
    // Whether the opening animation is running.
    bool Animating() const { return FTimer != nullptr; }
    // The current size of the growing frame.
    int CurWidth() const { return FCurWidth; }
    int CurHeight() const { return FCurHeight; }

    // One tick of the opening animation: the frame grows by a fifth of the size.
    void AnimationStep();
    // The note over a rectangle of the label, with or without its text.
    void DrawNote(QPainter &painter, const QRect &rect, bool withText) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *FTimer = nullptr;
    bool FFirstPaint = true;
    int FCurWidth = 0;
    int FCurHeight = 0;
    int FStepWidth = 0;
    int FStepHeight = 0;
    // A tick has grown the frame and the next paint is to show it. Any other paint while the
    // animation runs shows nothing, so the parent shows through until the next tick.
    bool FFramePending = false;

    TColor FColor = DefaultColor;
    int FSpeed = DefaultSpeed;
    QStringList FLines;
    TAlignment FAlignment = TAlignment::taLeftJustify;
    // What a TFont carries beside the QFont, which is the widget's own font().
    TColor FFontColor = Colors::clWindowText;
    int FFontCharset = Charsets::DEFAULT_CHARSET;
    bool FAutoSize = false;
};
