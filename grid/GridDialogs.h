#pragma once

#include <functional>

class TColumn;
class TmmDBGrid;

// The dialogs the grid's commands open live in libraries above the grid (search/, conditions/,
// dialogs/). Each of those libraries installs its entry here once at start-up; a command whose
// dialog is not installed does nothing.
struct TGridDialogs
{
    // "Найти" and F3: the column search on the grid's selected field.
    std::function<void(TmmDBGrid &grid)> Find;
    // "Задать условия": edits the grid's own conditions; true when the user confirmed.
    std::function<bool(TmmDBGrid &grid)> EditConditions;
    // "Мастер установок таблицы".
    std::function<void(TmmDBGrid &grid)> OptionsWizard;
    // "Установки по колонке" › "Детальность" for one column.
    std::function<void(TmmDBGrid &grid, TColumn &column)> Detail;
};

// The process-wide set of installed dialogs.
TGridDialogs &GridDialogs();
