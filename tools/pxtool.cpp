// pxtool: the directory administrator's data tool, and the tests' fixture maker.
//
//   pxtool import OUT.DB [--codepage N] [--version V]   CSV on standard input to a new table
//   pxtool export TABLE.DB [--types] [--codepage N]
//   pxtool info TABLE.DB [--codepage N]
//   pxtool sql FOLDER "SQL" [--param NAME=VALUE ...] [--codepage N]
//   pxtool --help
//
// CSV is RFC 4180 in UTF-8: the first line names the fields, one line per record, a null is an
// empty field, numbers use "." and no grouping. The import's header gives each field as
// NAME:TYPE[:LEN]; export --types writes that form too, so its output imports again.
#include "core/Exception.h"
#include "db/paradox/ParadoxFormat.h"
#include "db/paradox/ParadoxReader.h"
#include "db/paradox/ParadoxWriter.h"
#include "db/sql/SqlEngine.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char Usage[] = "usage: pxtool import OUT.DB [--codepage N] [--version 3.5|4|5|7] < data.csv\n"
                     "       pxtool export TABLE.DB [--types] [--codepage N]\n"
                     "       pxtool info TABLE.DB [--codepage N]\n"
                     "       pxtool sql FOLDER \"SQL\" [--param NAME=VALUE ...] [--codepage N]\n"
                     "       pxtool --help\n"
                     "types: A alpha (LEN 1..255), S short, I long, N number, C currency, D date,\n"
                     "       T time, @ timestamp, L logical, + autoincrement, M memo (LEN = part\n"
                     "       kept in the record), F formatted memo, B BLOb, G graphic, O OLE\n"
                     "       (LEN as for M; 0 keeps only the pointer to the .MB), # BCD (LEN =\n"
                     "       decimals), Y bytes (LEN); BLOb and byte values in hex\n";

class EUsage : public Exception
{
public:
    using Exception::Exception;
};

// ---- CSV ----

// Reads RFC 4180 text record by record, so that a large file is never held whole; quoted
// fields may hold commas, quotes and line breaks. Each field remembers whether it was quoted, so
// that "" can differ from nothing. Works on the UTF-8 bytes: the characters that delimit
// fields are all ASCII, which no byte of a longer UTF-8 sequence can be.
class CsvReader
{
public:
    explicit CsvReader(QIODevice &in)
        : FIn(in)
    { }

    // The next record; false at the end of the text.
    bool Next(QStringList &record)
    {
        record.clear();
        FField.clear();
        bool quoted = false;
        bool inQuotes = false;
        bool any = false;
        const auto endField = [&] {
            record.append(QString::fromUtf8(FField.data(), qsizetype(FField.size())));
            FField.clear();
            quoted = false;
        };
        for (;;) {
            const int c = Get();
            if (c < 0)
                break;
            if (inQuotes) {
                if (c == '"') {
                    if (Peek() == '"') {
                        FField.push_back('"');
                        Get();
                    } else {
                        inQuotes = false;
                    }
                } else {
                    if (c == '\n')
                        ++FLine;
                    FField.push_back(char(c));
                }
                continue;
            }
            if (c == '"') {
                if (!FField.empty() || quoted)
                    throw Exception(
                        QStringLiteral("CSV line %1: a quote inside an unquoted field").arg(FLine));
                inQuotes = quoted = any = true;
            } else if (c == ',') {
                endField();
                any = true;
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && Peek() == '\n')
                    Get();
                endField();
                ++FLine;
                return true;
            } else {
                if (quoted)
                    throw Exception(
                        QStringLiteral("CSV line %1: text after a closing quote").arg(FLine));
                FField.push_back(char(c));
                any = true;
            }
        }
        if (inQuotes)
            throw Exception(QStringLiteral("CSV line %1: a quoted field is not closed").arg(FLine));
        if (!any && FField.empty())
            return false;
        endField();
        return true;
    }

private:
    int Peek()
    {
        if (FAt == FBuffer.size() && !Fill())
            return -1;
        return static_cast<unsigned char>(FBuffer[FAt]);
    }
    int Get()
    {
        const int c = Peek();
        if (c >= 0)
            ++FAt;
        return c;
    }
    bool Fill()
    {
        FBuffer.resize(1 << 20);
        const qint64 got = FIn.read(FBuffer.data(), qint64(FBuffer.size()));
        if (got < 0)
            throw Exception(QStringLiteral("cannot read standard input"));
        FBuffer.resize(size_t(got));
        FAt = 0;
        // A byte order mark at the very start is no part of the text.
        if (FFirst && FBuffer.compare(0, 3, "\xEF\xBB\xBF") == 0)
            FAt = 3;
        FFirst = false;
        return FAt < FBuffer.size();
    }

    QIODevice &FIn;
    std::string FBuffer;
    size_t FAt = 0;
    bool FFirst = true;
    std::string FField;
    int FLine = 1;
};

QString CsvField(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"'))
        && !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The shortest text that reads back as the same double, with "." and without grouping.
QString NumberText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString TimeText(const QTime &time)
{
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

QString CellText(const TRecordSet &rows, int row, int column)
{
    if (rows.IsNull(row, column))
        return {};
    const TFieldType type = rows.Info(column).Type;
    switch (type) {
    case TFieldType::ftBoolean:
        return rows.Int(row, column) ? QStringLiteral("true") : QStringLiteral("false");
    case TFieldType::ftDate:
        return QDate::fromJulianDay(rows.Int(row, column)).toString(Qt::ISODate);
    case TFieldType::ftTime:
        return TimeText(QTime::fromMSecsSinceStartOfDay(int(rows.Int(row, column))));
    case TFieldType::ftDateTime: {
        const QDateTime value = TRecordSet::MSecsToDateTime(rows.Int(row, column));
        return value.date().toString(Qt::ISODate) + QLatin1Char('T') + TimeText(value.time());
    }
    default:
        break;
    }
    switch (StorageKindOf(type)) {
    case TStorageKind::Integer:
        return QString::number(rows.Int(row, column));
    case TStorageKind::Float:
        return NumberText(rows.Float(row, column));
    case TStorageKind::Text:
        return rows.Text(row, column);
    case TStorageKind::Bytes: {
        const std::string_view raw = rows.Raw(row, column);
        return QString::fromLatin1(QByteArray(raw.data(), qsizetype(raw.size())).toHex().toUpper());
    }
    }
    return {};
}

void WriteOut(std::string_view utf8)
{
    if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size())
        throw Exception(QStringLiteral("cannot write to standard output"));
}

void WriteOut(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    WriteOut(std::string_view(utf8.constData(), size_t(utf8.size())));
}

// Output still buffered fails only when flushed; a table cut short must not exit as a success.
int Flushed(int code)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw Exception(QStringLiteral("cannot write to standard output"));
    return code;
}

// True when text is well-formed UTF-8, which Qt would pass through unchanged.
bool IsValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2
            : lead >= 0xE0 && lead <= 0xEF                 ? 3
            : lead >= 0xF0 && lead <= 0xF4                 ? 4
                                                           : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t c = lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < Smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// Appends a text cell as CsvField would write it, straight from its UTF-8 bytes.
void AppendCsvText(std::string &out, std::string_view text)
{
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(text.begin(), text.end(), special)) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// Written as digits, as CellText would, without a QString on the way.
bool IsPlainInteger(TFieldType type)
{
    return StorageKindOf(type) == TStorageKind::Integer && type != TFieldType::ftBoolean
        && !IsDateTimeType(type);
}

void AppendCsvRow(std::string &out, const TRecordSet &rows, int r)
{
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        if (c > 0)
            out += ',';
        if (rows.IsNull(r, c))
            continue;
        if (IsPlainInteger(rows.Info(c).Type)) {
            char digits[24];
            const auto written = std::to_chars(digits, digits + sizeof digits, rows.Int(r, c));
            out.append(digits, written.ptr);
            continue;
        }
        const std::string_view raw = rows.Raw(r, c);
        if (rows.Info(c).Type != TFieldType::ftBoolean
            && StorageKindOf(rows.Info(c).Type) == TStorageKind::Text && IsValidUtf8(raw))
            AppendCsvText(out, raw);
        else
            out += CsvField(CellText(rows, r, c)).toStdString();
    }
    out += "\r\n";
}

void PrintCsv(const TRecordSet &rows, const QStringList &header)
{
    std::string out = (header.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toStdString();
    const auto writeSome = [&out] {
        if (out.size() > (1 << 20)) {
            WriteOut(out);
            out.clear();
        }
    };
    if (!rows.IsSelection()) {
        for (int r = 0; r < rows.RowCount(); ++r) {
            AppendCsvRow(out, rows, r);
            writeSome();
        }
        WriteOut(out);
        return;
    }
    // A selection's rows (a sorted result) lie scattered over its tables. A stretch of them at a
    // time is written in the order the tables keep them, each line kept aside, and the lines
    // then put out in the rows' own order: the tables are read front to back, not at random.
    // A stretch is as many rows as about 16 MB of lines hold.
    constexpr size_t LinesBudget = size_t(16) << 20;
    constexpr size_t ReadAheadRows = 64;
    int stretch = 16384;
    std::string lines;
    std::vector<std::pair<size_t, size_t>> placeOf; // a row's line: start and end in lines
    for (int first = 0; first < rows.RowCount();) {
        const std::vector<int32_t> order = rows.ReadingOrder(first, stretch);
        lines.clear();
        placeOf.resize(order.size());
        for (size_t i = 0; i < order.size(); ++i) {
            if (i % ReadAheadRows == 0 && i + ReadAheadRows < order.size())
                rows.ReadAhead(order.data() + i + ReadAheadRows,
                    std::min(ReadAheadRows, order.size() - i - ReadAheadRows));
            const size_t start = lines.size();
            AppendCsvRow(lines, rows, order[i]);
            placeOf[size_t(order[i] - first)] = {start, lines.size()};
        }
        for (const auto &[start, end] : placeOf) {
            out.append(lines, start, end - start);
            writeSome();
        }
        first += int(order.size());
        const size_t lineBytes = std::max<size_t>(lines.size() / order.size(), 1);
        stretch = int(std::clamp<size_t>(LinesBudget / lineBytes, 1024, 131072));
    }
    WriteOut(out);
}

// ---- import ----

bool ParseBool(const QString &text, bool &value)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("t") || t == QLatin1String("1")
        || t == QLatin1String("yes")) {
        value = true;
        return true;
    }
    if (t == QLatin1String("false") || t == QLatin1String("f") || t == QLatin1String("0")
        || t == QLatin1String("no")) {
        value = false;
        return true;
    }
    return false;
}

QTime ParseTime(const QString &text)
{
    // Qt reads the ISO "24:00:00" as the midnight that starts the day; a Paradox time is a time
    // of day, and that one is none.
    if (text.startsWith(QLatin1String("24")))
        return {};
    const QTime time = QTime::fromString(text, Qt::ISODateWithMs);
    return time.isValid() ? time : QTime::fromString(text, QStringLiteral("HH:mm"));
}

QDate ParseDate(const QString &text)
{
    QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return date;
}

// Appends one CSV value to the record set as the field's kind wants it.
void AppendValue(TRecordSet &rows, int column, QChar kind, const QString &text, int line)
{
    const auto bad = [&](const QString &what) {
        throw Exception(QStringLiteral("CSV line %1, field %2: \"%3\" is not %4")
                            .arg(line)
                            .arg(rows.Info(column).Name, text, what));
    };
    if (text.isEmpty()) {
        rows.AppendNull(column);
        return;
    }
    static const QLocale c = QLocale::c();
    bool ok = false;
    switch (kind.toLatin1()) {
    case 'A':
    case 'M':
    case 'F':
        rows.AppendText(column, text.toStdString());
        break;
    case 'S':
    case 'I':
    case '+': {
        const qlonglong v = c.toLongLong(text.trimmed(), &ok);
        if (!ok)
            bad(QStringLiteral("an integer"));
        rows.AppendInt(column, v);
        break;
    }
    case 'N':
    case 'C':
    case '#': {
        const double v = c.toDouble(text.trimmed(), &ok);
        if (!ok)
            bad(QStringLiteral("a number"));
        rows.AppendFloat(column, v);
        break;
    }
    case 'D': {
        const QDate date = ParseDate(text.trimmed());
        if (!date.isValid())
            bad(QStringLiteral("a date (yyyy-mm-dd)"));
        rows.AppendInt(column, date.toJulianDay());
        break;
    }
    case 'T': {
        const QTime time = ParseTime(text.trimmed());
        if (!time.isValid())
            bad(QStringLiteral("a time (hh:mm:ss)"));
        rows.AppendInt(column, time.msecsSinceStartOfDay());
        break;
    }
    case '@': {
        QString t = text.trimmed();
        t.replace(QLatin1Char(' '), QLatin1Char('T'));
        const qsizetype split = t.indexOf(QLatin1Char('T'));
        const QDate date = ParseDate(split < 0 ? t : t.left(split));
        const QTime time = split < 0 ? QTime(0, 0) : ParseTime(t.mid(split + 1));
        if (!date.isValid() || !time.isValid())
            bad(QStringLiteral("a timestamp (yyyy-mm-ddThh:mm:ss)"));
        rows.AppendInt(column, TRecordSet::DateTimeToMSecs(QDateTime(date, time)));
        break;
    }
    case 'L': {
        bool v = false;
        if (!ParseBool(text, v))
            bad(QStringLiteral("true or false"));
        rows.AppendInt(column, v);
        break;
    }
    default: { // BLOb kinds and bytes, in hex
        const QByteArray hex = text.trimmed().toLatin1();
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (hex.size() % 2 != 0 || bytes.toHex().compare(hex, Qt::CaseInsensitive) != 0)
            bad(QStringLiteral("hexadecimal bytes"));
        rows.AppendBytes(column, bytes.toStdString());
    }
    }
}

Paradox::NewField ParseFieldDefinition(const QString &definition)
{
    const QStringList parts = definition.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3 || parts.at(0).isEmpty() || parts.at(1).size() != 1)
        throw Exception(
            QStringLiteral("CSV header: \"%1\" is not NAME:TYPE[:LEN]").arg(definition));
    Paradox::NewField field;
    field.Name = parts.at(0);
    field.Kind = parts.at(1).at(0).toUpper();
    if (!Paradox::Format::KindOfLetter(char(field.Kind.toLatin1())))
        throw Exception(
            QStringLiteral("CSV header: unknown type %1 of field %2").arg(parts.at(1), field.Name));
    if (parts.size() == 3) {
        bool ok = false;
        field.Length = parts.at(2).toInt(&ok);
        if (!ok)
            throw Exception(QStringLiteral("CSV header: length \"%1\" of field %2 is not a number")
                                .arg(parts.at(2), field.Name));
    }
    return field;
}

int Import(const QString &path, int codePage, int fileVersion)
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        throw Exception(QStringLiteral("cannot read standard input"));
    CsvReader csv(in);
    QStringList record;
    if (!csv.Next(record))
        throw Exception(QStringLiteral("CSV: no header line"));

    std::vector<Paradox::NewField> fields;
    TRecordSet rows;
    for (const QString &definition : record) {
        fields.push_back(ParseFieldDefinition(definition));
        const Paradox::Format::FieldKind *kind
            = Paradox::Format::KindOfLetter(char(fields.back().Kind.toLatin1()));
        rows.AddColumn(fields.back().Name, kind->Type);
    }
    // Records go into the record set as they are read; the text is never held whole.
    for (int r = 1; csv.Next(record); ++r) {
        if (record.size() == 1 && record.front().isEmpty() && fields.size() > 1)
            continue; // a blank line
        if (record.size() != qsizetype(fields.size()))
            throw Exception(QStringLiteral("CSV record %1 has %2 fields, the header %3")
                                .arg(r + 1)
                                .arg(record.size())
                                .arg(fields.size()));
        for (int c = 0; c < int(fields.size()); ++c)
            AppendValue(rows, c, fields[size_t(c)].Kind, record.at(c), r + 1);
        rows.EndRow();
    }
    Paradox::WriteTable(path, fields, rows, codePage, fileVersion);
    return 0;
}

// ---- export, info, sql ----

QString TypeSpec(const Paradox::FieldDef &field)
{
    const Paradox::Format::FieldKind *kind
        = Paradox::Format::KindOfCode(static_cast<unsigned char>(field.PxType));
    const QChar letter = QLatin1Char(kind ? kind->Letter : '?');
    if (field.PxType == Paradox::Format::Alpha || field.PxType == Paradox::Format::Bytes)
        return QStringLiteral("%1:%2").arg(letter).arg(field.Size);
    if (field.PxType == Paradox::Format::Bcd)
        return QStringLiteral("%1:%2").arg(letter).arg(field.Decimals);
    if (Paradox::Format::IsBlobCode(static_cast<unsigned char>(field.PxType)))
        return QStringLiteral("%1:%2").arg(letter).arg(
            field.Size - Paradox::Format::BlobTrailerSize);
    return letter;
}

// A named pipe or a device would block the read or never end: only a regular file is a table.
void RequireTableFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw Exception(QStringLiteral("%1 is not a table file").arg(path));
}

int Export(const QString &path, bool withTypes, int codePage)
{
    RequireTableFile(path);
    const std::unique_ptr<TRecordSet> rows = Paradox::ReadTable(path, codePage);
    QStringList header;
    if (withTypes) {
        for (const Paradox::FieldDef &field : Paradox::ReadInfo(path, codePage).Fields)
            header.append(CsvField(field.Name + QLatin1Char(':') + TypeSpec(field)));
    } else {
        for (int c = 0; c < rows->ColumnCount(); ++c)
            header.append(CsvField(rows->Info(c).Name));
    }
    PrintCsv(*rows, header);
    return 0;
}

int Info(const QString &path, int codePage)
{
    RequireTableFile(path);
    const Paradox::TableInfo info = Paradox::ReadInfo(path, codePage);
    QString out;
    out += QStringLiteral("table: %1\n").arg(path);
    out += QStringLiteral("version: %1.%2\n").arg(info.FileVersion / 10).arg(info.FileVersion % 10);
    out += info.CodePage ? QStringLiteral("code page: %1\n").arg(info.CodePage)
                         : QStringLiteral("code page: none (read as %1)\n").arg(codePage);
    out += QStringLiteral("records: %1\n").arg(info.RecordCount);
    out += QStringLiteral("record size: %1\n").arg(info.RecordSize);
    out += QStringLiteral("fields: %1\n").arg(info.Fields.size());
    for (const Paradox::FieldDef &field : info.Fields)
        out += QStringLiteral("  %1 %2 %3\n")
                   .arg(field.Name, TypeSpec(field), FieldTypeName(field.Type));
    WriteOut(out);
    return 0;
}

int Sql(const QString &folder, const QString &sql, const QStringList &params, int codePage)
{
    SqlEngine::Params values;
    for (const QString &param : params) {
        const qsizetype equals = param.indexOf(QLatin1Char('='));
        if (equals <= 0)
            throw EUsage(QStringLiteral("--param wants NAME=VALUE, not \"%1\"").arg(param));
        QString name = param.left(equals);
        if (name.startsWith(QLatin1Char(':')))
            name.remove(0, 1);
        const QString text = param.mid(equals + 1);
        bool isInteger = false;
        const qlonglong number = text.toLongLong(&isInteger);
        values.emplace_back(name, isInteger ? QVariant(number) : QVariant(text));
    }
    SqlEngine engine(folder, codePage);
    const std::unique_ptr<TRecordSet> rows = engine.Run(sql, values);
    QStringList header;
    for (int c = 0; c < rows->ColumnCount(); ++c)
        header.append(CsvField(rows->Info(c).Name));
    PrintCsv(*rows, header);
    return 0;
}

int Run(const QStringList &arguments)
{
    QStringList positional;
    QStringList params;
    int codePage = 1251;
    int fileVersion = 70;
    bool withTypes = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--codepage") || a == QLatin1String("--param")
            || a == QLatin1String("--version")) {
            if (i + 1 >= arguments.size())
                throw EUsage(QStringLiteral("%1 wants a value").arg(a));
            const QString value = arguments.at(++i);
            if (a == QLatin1String("--param")) {
                params.append(value);
                continue;
            }
            if (a == QLatin1String("--version")) {
                static const QStringList versions {QStringLiteral("3.5"), QStringLiteral("4"),
                    QStringLiteral("5"), QStringLiteral("7")};
                static const int numbers[] = {35, 40, 50, 70};
                const qsizetype index = versions.indexOf(value);
                if (index < 0)
                    throw EUsage(
                        QStringLiteral("--version wants 3.5, 4, 5 or 7, not \"%1\"").arg(value));
                fileVersion = numbers[index];
                continue;
            }
            bool ok = false;
            codePage = value.toInt(&ok);
            if (!ok || codePage <= 0)
                throw EUsage(QStringLiteral("--codepage wants a number, not \"%1\"").arg(value));
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            WriteOut(QString::fromUtf8(Usage));
            return 0;
        } else if (a == QLatin1String("--types")) {
            withTypes = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            throw EUsage(QStringLiteral("unknown option %1").arg(a));
        } else {
            positional.append(a);
        }
    }
    const QString command = positional.value(0);
    const auto want = [&](int count) {
        if (positional.size() != count)
            throw EUsage(QStringLiteral("%1 takes %2 argument(s)").arg(command).arg(count - 1));
    };
    if (command == QLatin1String("import")) {
        want(2);
        return Import(positional.at(1), codePage, fileVersion);
    }
    if (command == QLatin1String("export")) {
        want(2);
        return Export(positional.at(1), withTypes, codePage);
    }
    if (command == QLatin1String("info")) {
        want(2);
        return Info(positional.at(1), codePage);
    }
    if (command == QLatin1String("sql")) {
        want(3);
        return Sql(positional.at(1), positional.at(2), params, codePage);
    }
    throw EUsage(command.isEmpty() ? QStringLiteral("no command")
                                   : QStringLiteral("unknown command %1").arg(command));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        return Flushed(Run(app.arguments().mid(1)));
    } catch (const EUsage &e) {
        std::fprintf(stderr, "pxtool: %s\n%s", e.what(), Usage);
        return ExitUsage;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "pxtool: %s\n", e.what());
        return ExitFailure;
    }
}
