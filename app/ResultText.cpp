#include "app/ResultText.h"

#include "app/ResultTable.h"

#include <QRegularExpression>

namespace {

// A tab or a line break inside a cell would split the table when pasted.
QString TabbedLine(QStringList cells)
{
    static const QRegularExpression separators(QStringLiteral("[\\t\\r\\n]+"));
    for (QString &cell : cells)
        cell.replace(separators, QStringLiteral(" "));
    return cells.join(QLatin1Char('\t'));
}

} // namespace

namespace ResultText {

QString Cell(const TResultTable &table)
{
    const int row = table.CurrentRow();
    const int column = table.CurrentColumn();
    return row < 0 || column < 0 ? QString() : table.Text(row, column);
}

QString Row(const TResultTable &table)
{
    const int row = table.CurrentRow();
    return row < 0 ? QString() : TabbedLine(table.Row(row));
}

QString All(const TResultTable &table)
{
    QStringList lines;
    lines.reserve(table.RowCount() + 1);
    lines << TabbedLine(table.Captions());
    for (int row = 0; row < table.RowCount(); ++row)
        lines << TabbedLine(table.Row(row));
    return lines.join(QLatin1Char('\n'));
}

} // namespace ResultText
