#pragma once

#include <Qt>

// Horizontal text alignment with the toolkit's ordinals, as stored with columns and settings.
enum class TAlignment : int { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

inline Qt::Alignment ToQtAlignment(TAlignment a)
{
    switch (a) {
    case TAlignment::taRightJustify:
        return Qt::AlignRight;
    case TAlignment::taCenter:
        return Qt::AlignHCenter;
    case TAlignment::taLeftJustify:
        break;
    }
    return Qt::AlignLeft;
}
