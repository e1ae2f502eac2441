#pragma once

#include <QPainter>

// Saves a painter's state for a scope, so that brushes, pens and clips set while drawing one
// cell do not leak into the next, also when drawing fails.
class TPainterSaver
{
public:
    explicit TPainterSaver(QPainter &painter)
        : FPainter(painter)
    {
        FPainter.save();
    }
    ~TPainterSaver() { FPainter.restore(); }
    TPainterSaver(const TPainterSaver &) = delete;
    TPainterSaver &operator=(const TPainterSaver &) = delete;

private:
    QPainter &FPainter;
};
