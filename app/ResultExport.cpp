#include "app/ResultExport.h"

#include "app/ResultTable.h"
#include "app/SaveFile.h"

#include <QIODevice>

namespace {

const char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";

void AppendField(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n')
        && !utf8.contains('\r')) {
        out += utf8;
        return;
    }
    out += '"';
    out += QByteArray(utf8).replace("\"", "\"\"");
    out += '"';
}

void AppendLine(QByteArray &out, const QStringList &fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendField(out, fields[i]);
    }
    out += "\r\n";
}

} // namespace

QByteArray ResultCsv(const TResultTable &table)
{
    QByteArray out(Utf8ByteOrderMark);
    AppendLine(out, table.Captions());
    for (int row = 0; row < table.RowCount(); ++row)
        AppendLine(out, table.Row(row));
    return out;
}

void ExportResultCsv(const TResultTable &table, const QString &fileName)
{
    WriteWholeFile(fileName, [&table](QIODevice &file) { file.write(ResultCsv(table)); });
}
