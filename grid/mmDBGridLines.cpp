// Check-box definitions and the line definitions of multi-line rows, with their text forms.
#include "grid/mmDBGrid.h"

#include "core/Exception.h"
#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"

namespace {
const QString FieldTag = QStringLiteral("field ");
const QString FormatTag = QStringLiteral("format ");
const QString Placeholder = QStringLiteral("%s");
} // namespace

// Check boxes ------------------------------------------------------------------------------

bool TmmDBGrid::NamesField(const QString &name) const
{
    TDataSet *dataSet = DataSet();
    return dataSet && dataSet->FindField(name) != nullptr;
}

TCheckField *TmmDBGrid::FindCheckField(const QString &columnFieldName) const
{
    for (TCheckField *checkField : FCheckFieldList)
        if (checkField->ColumnFieldName.compare(columnFieldName, Qt::CaseInsensitive) == 0)
            return checkField;
    return nullptr;
}

void TmmDBGrid::BuildCheckFields()
{
    FCheckFieldList.Clear();
    for (qsizetype i = FCheckFields.size() - 1; i >= 0; --i)
        if (FCheckFields.at(i).isEmpty())
            FCheckFields.removeAt(i);
    // Entries pair up as key field, column field; an unpaired last entry is ignored.
    for (qsizetype k = 0; 2 * k < FCheckFields.size() - 1; ++k) {
        const QString &keyField = FCheckFields.at(2 * k);
        const QString &columnField = FCheckFields.at(2 * k + 1);
        if (!NamesField(keyField) || !NamesField(columnField))
            continue;
        auto checkField = std::make_unique<TCheckField>();
        checkField->KeyFieldName = keyField;
        checkField->ColumnFieldName = columnField;
        FCheckFieldList.Add(checkField.release());
    }
    Invalidate();
}

void TmmDBGrid::CheckValue(TCheckField *checkField, const QString &keyValue)
{
    int index = -1;
    if (!IsValueChecked(checkField, keyValue, index))
        checkField->CheckedValues.append(keyValue);
}

void TmmDBGrid::UncheckValue(TCheckField *checkField, int index)
{
    if (index < 0 || index >= checkField->CheckedValues.size())
        throw EListError::IndexOutOfBounds(index);
    checkField->CheckedValues.removeAt(index);
}

bool TmmDBGrid::IsValueChecked(TCheckField *checkField, const QString &keyValue, int &index)
{
    index = checkField->IndexOf(keyValue);
    return index >= 0;
}

int TCheckField::IndexOf(const QString &keyValue) const
{
    // A short list is read faster than an index is made.
    constexpr qsizetype IndexFrom = 16;
    const QStringList &values = CheckedValues;
    if (values.size() < IndexFrom) {
        for (qsizetype i = 0; i < values.size(); ++i)
            if (values.at(i).compare(keyValue, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
    if (FIndexedValues.constData() != values.constData()
        || FIndexedValues.size() != values.size()) {
        FIndex.clear();
        FIndex.reserve(values.size());
        // Case-insensitive comparison is equality of the case-folded texts; the first of equal
        // values is the one found, so the list is read backwards.
        for (qsizetype i = values.size() - 1; i >= 0; --i)
            FIndex.insert(values.at(i).toCaseFolded(), int(i));
        FIndexedValues = values;
    }
    return FIndex.value(keyValue.toCaseFolded(), -1);
}

// Line definitions ---------------------------------------------------------------------------

bool TmmDBGrid::ContainsField(const QString &entry)
{
    // Block headers are matched ignoring case, so an entry that would be found as a header
    // also ends the block before it.
    return entry.contains(FieldTag, Qt::CaseInsensitive);
}

int TmmDBGrid::FindLineBlock(const QString &fieldName) const
{
    const QString header = FieldTag + fieldName;
    for (qsizetype i = 0; i < FLineFields.size(); ++i)
        if (FLineFields.at(i).compare(header, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

bool TmmDBGrid::GetColumnLines(const QString &fieldName, QStringList &lines) const
{
    lines.clear();
    const int header = FindLineBlock(fieldName);
    if (header < 0)
        return false;
    qsizetype i = header + 1;
    if (i < FLineFields.size() && FLineFields.at(i).contains(FormatTag)) {
        lines.append(FLineFields.at(i));
        ++i;
    }
    for (; i < FLineFields.size(); ++i) {
        const QString &entry = FLineFields.at(i);
        if (NamesField(entry)) {
            lines.append(entry);
            if (i + 1 < FLineFields.size() && FLineFields.at(i + 1).contains(Placeholder))
                lines.last() = entry + QLatin1Char(' ') + FLineFields.at(i + 1);
        } else if (ContainsField(entry)) {
            break;
        }
        // Anything else is a format already taken or a field the dataset lacks, with its format.
    }
    return true;
}

void TmmDBGrid::SetColumnLines(const QString &fieldName, const QStringList &lines)
{
    const int header = FindLineBlock(fieldName);
    if (header >= 0) {
        qsizetype end = header + 1;
        while (end < FLineFields.size() && !ContainsField(FLineFields.at(end)))
            ++end;
        FLineFields.remove(header, end - header);
    }
    FLineFields.append(FieldTag + fieldName);
    qsizetype first = 0;
    if (!lines.isEmpty() && lines.first().contains(FormatTag)) {
        FLineFields.append(lines.first());
        first = 1;
    }
    for (qsizetype i = first; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        if (!line.contains(Placeholder) || blank < 0) {
            FLineFields.append(line);
            continue;
        }
        FLineFields.append(line.left(blank));
        FLineFields.append(line.mid(blank + 1));
    }
}

bool TmmDBGrid::GetLineFormat(const QString &fieldName, QString &format) const
{
    const int header = FindLineBlock(fieldName);
    if (header < 0 || header + 1 >= FLineFields.size())
        return false;
    const QString &entry = FLineFields.at(header + 1);
    const qsizetype tag = entry.indexOf(FormatTag);
    if (tag < 0)
        return false;
    const QString text = entry.mid(tag + FormatTag.size());
    if (!text.contains(Placeholder))
        return false;
    format = text;
    return true;
}

int TmmDBGrid::ComputeLineCount() const
{
    TDataSet *dataSet = DataSet();
    if (!dataSet)
        return FLineCount;
    int count = 1;
    QStringList lines;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField *field = dataSet->Fields(i);
        if (field->Visible() && GetExtraLines(field->FieldName(), lines))
            count = std::max(count, int(lines.size()) + 1);
    }
    return count;
}

bool TmmDBGrid::GetExtraLines(const QString &fieldName, QStringList &lines) const
{
    if (!GetColumnLines(fieldName, lines))
        return false;
    if (!lines.isEmpty() && lines.first().contains(FormatTag))
        lines.removeFirst();
    return true;
}
