#include "db/paradox/ParadoxWriter.h"
#include "db/paradox/EDatabaseError.h"
#include "db/paradox/FileSetWriter.h"
#include "db/paradox/ParadoxCodePage.h"
#include "db/paradox/ParadoxFormat.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace Paradox {

using namespace Format;

namespace {

constexpr int MaxFieldNameLength = 25;
constexpr int MaxFields = 255;
constexpr int MaxBlocks = 0xFFFF;

struct Planned
{
    const FieldKind *Kind = nullptr;
    int Size = 0; // bytes in the record
    int Length = 0; // the field's declared length
    int Offset = 0;
};

[[noreturn]] void Fail(const QString &path, const QString &cause)
{
    throw EDatabaseError(QStringLiteral("Cannot write table %1: %2").arg(path, cause));
}

// The .MB file being built: a header block, then each BLOb either in a slot of a block shared
// by small BLObs (as Paradox keeps them) or alone in a run of blocks of its own.
class BlobWriter
{
public:
    BlobWriter() { FBytes.assign(size_t(MbBlockSize), '\0'); }

    // Stores a BLOb too long for its record and returns its offset and index (0xFF for a BLOb
    // alone in its blocks, else its slot).
    uint32_t Add(std::string_view value, uint32_t stored, bool graphic)
    {
        const size_t paragraphs = (size_t(stored) + 15) / 16;
        if (paragraphs <= size_t(LastParagraph - FirstDataParagraph))
            return AddToSharedBlock(value, stored, paragraphs, graphic);
        const size_t at = FBytes.size();
        const size_t header = graphic ? MbGraphicHeaderSize : MbSingleHeaderSize;
        const size_t blocks = (header + value.size() + MbBlockSize - 1) / MbBlockSize;
        FBytes.resize(at + blocks * MbBlockSize, '\0');
        auto *p = reinterpret_cast<unsigned char *>(FBytes.data()) + at;
        p[0] = MbSingleBlock;
        PutLe16(p + 1, uint32_t(blocks));
        PutLe32(p + 3, stored);
        PutLe16(p + 7, 1);
        if (graphic)
            PutLe32(p + 13, uint32_t(value.size()));
        std::memcpy(p + header, value.data(), value.size());
        return uint32_t(at) | 0xFF;
    }

    bool Empty() const { return FBytes.size() == size_t(MbBlockSize); }
    const std::string &Bytes()
    {
        auto *p = reinterpret_cast<unsigned char *>(FBytes.data());
        p[0] = MbHeaderBlock;
        PutLe16(p + 1, 1);
        return FBytes;
    }
    size_t Size() const { return FBytes.size(); }

private:
    // A shared block: its slot table, then the BLObs in 16-byte paragraphs.
    static constexpr size_t FirstDataParagraph = (MbSlotTableAt + MbSlots * MbSlotSize + 15) / 16;
    static constexpr size_t LastParagraph = 255; // a slot keeps the start in one byte

    uint32_t AddToSharedBlock(
        std::string_view value, uint32_t stored, size_t paragraphs, bool graphic)
    {
        if (FShared == 0 || FSharedSlots == MbSlots || FSharedNext + paragraphs > LastParagraph) {
            FShared = FBytes.size();
            FBytes.resize(FShared + MbBlockSize, '\0');
            auto *p = reinterpret_cast<unsigned char *>(FBytes.data()) + FShared;
            p[0] = MbSubAllocatedBlock;
            PutLe16(p + 1, 1);
            FSharedSlots = 0;
            FSharedNext = FirstDataParagraph;
        }
        auto *block = reinterpret_cast<unsigned char *>(FBytes.data()) + FShared;
        unsigned char *slot = block + MbSlotTableAt + FSharedSlots * MbSlotSize;
        slot[0] = uint8_t(FSharedNext);
        slot[1] = uint8_t(paragraphs);
        PutLe16(slot + 2, 1);
        slot[4] = uint8_t(stored - (paragraphs - 1) * 16);
        unsigned char *data = block + FSharedNext * 16;
        const size_t extra = graphic ? MbGraphicHeaderSize - MbSingleHeaderSize : 0;
        if (graphic)
            PutLe32(data + 4, uint32_t(value.size()));
        std::memcpy(data + extra, value.data(), value.size());
        FSharedNext += paragraphs;
        return uint32_t(FShared) | uint32_t(FSharedSlots++);
    }

    std::string FBytes;
    size_t FShared = 0; // the shared block being filled, 0 before the first
    int FSharedSlots = 0;
    size_t FSharedNext = 0;
};

class RecordEncoder
{
public:
    RecordEncoder(const QString &path, const std::vector<NewField> &fields,
        const std::vector<Planned> &plan, const TRecordSet &rows, const CodePage &page,
        BlobWriter &blobs)
        : FPath(path)
        , FFields(fields)
        , FPlan(plan)
        , FRows(rows)
        , FPage(page)
        , FBlobs(blobs)
    { }

    int64_t AutoIncrement = 0;

    // An auto-increment field numbers its records: a value given twice would make two records
    // one. Empty values are numbered on after the largest given one.
    void NumberAutoIncrements()
    {
        for (size_t i = 0; i < FPlan.size(); ++i) {
            if (FPlan[i].Kind->Code != AutoInc)
                continue;
            std::unordered_map<int64_t, int> firstRowOf;
            for (int r = 0; r < FRows.RowCount(); ++r) {
                if (FRows.IsNull(r, int(i)))
                    continue;
                const int64_t value = FRows.Int(r, int(i));
                const auto [seen, added] = firstRowOf.emplace(value, r);
                if (!added)
                    Bad(r, i,
                        QStringLiteral("repeats the auto-increment value of row %1")
                            .arg(seen->second + 1));
                AutoIncrement = std::max(AutoIncrement, value);
            }
        }
    }

    void Encode(int row, unsigned char *record)
    {
        for (size_t i = 0; i < FPlan.size(); ++i) {
            const Planned &f = FPlan[i];
            unsigned char *p = record + f.Offset;
            const int column = int(i);
            const bool null = FRows.IsNull(row, column);
            if (null && f.Kind->Code != AutoInc)
                continue; // all zero
            switch (f.Kind->Code) {
            case Alpha: {
                const std::string bytes = Encoded(row, column, i);
                if (int(bytes.size()) > f.Size)
                    Bad(row, i, QStringLiteral("is longer than %1 characters").arg(f.Size));
                std::memcpy(p, bytes.data(), bytes.size());
                break;
            }
            case Short: {
                const int64_t v = Integer(row, column, i);
                if (v < -32767 || v > 32767)
                    Bad(row, i, QStringLiteral("is out of the range of a short integer"));
                PutBe16(p, uint32_t(v) ^ 0x8000);
                break;
            }
            case Long:
            case AutoInc: {
                int64_t v;
                if (null) {
                    v = ++AutoIncrement;
                } else {
                    v = Integer(row, column, i);
                    if (f.Kind->Code == AutoInc && v > AutoIncrement)
                        AutoIncrement = v;
                }
                if (v < -2147483647 || v > 2147483647)
                    Bad(row, i, QStringLiteral("is out of the range of a long integer"));
                PutBe32(p, uint32_t(v) ^ 0x80000000u);
                break;
            }
            case Date: {
                const int64_t day = FRows.Int(row, column) - ParadoxDayToJulianDay;
                if (!IsParadoxDay(day))
                    Bad(row, i, QStringLiteral("is not a date Paradox can store"));
                PutBe32(p, uint32_t(day) ^ 0x80000000u);
                break;
            }
            case Time: {
                const int64_t msecs = FRows.Int(row, column);
                if (msecs < 0 || msecs >= MSecsPerDay)
                    Bad(row, i, QStringLiteral("is not a time of day"));
                PutBe32(p, uint32_t(msecs) ^ 0x80000000u);
                break;
            }
            case Timestamp: {
                const int64_t msecs = FRows.Int(row, column) + MSecsPerDay;
                if (msecs <= 0)
                    Bad(row, i, QStringLiteral("is not a date Paradox can store"));
                PutBe64(p, EncodeDouble(double(msecs)));
                break;
            }
            case Number:
            case Currency: {
                const double v = FRows.Float(row, column);
                if (!std::isfinite(v))
                    Bad(row, i, QStringLiteral("is not a finite number"));
                PutBe64(p, EncodeDouble(v));
                break;
            }
            case Logical:
                p[0] = FRows.Int(row, column) ? 0x81 : 0x80;
                break;
            case Bcd:
                EncodeBcd(row, i, FRows.Float(row, column), p);
                break;
            case Bytes: {
                const std::string_view raw = FRows.Raw(row, column);
                if (int(raw.size()) > f.Size)
                    Bad(row, i, QStringLiteral("is longer than %1 bytes").arg(f.Size));
                std::memcpy(p, raw.data(), raw.size());
                break;
            }
            default: { // the BLOb kinds
                const bool text = f.Kind->Code == MemoBlob || f.Kind->Code == FmtMemoBlob;
                const std::string value
                    = text ? Encoded(row, column, i) : std::string(FRows.Raw(row, column));
                if (value.empty())
                    break;
                const bool graphic = f.Kind->Code == Graphic;
                const size_t extra = graphic ? MbGraphicHeaderSize - MbSingleHeaderSize : 0;
                if (value.size() + extra > std::numeric_limits<int32_t>::max())
                    Bad(row, i, QStringLiteral("is too large"));
                const uint32_t stored = uint32_t(value.size() + extra);
                const int leader = f.Size - BlobTrailerSize;
                std::memcpy(p, value.data(), std::min(value.size(), size_t(leader)));
                unsigned char *trailer = p + leader;
                if (value.size() > size_t(leader)) {
                    if (FBlobs.Size() + value.size() + MbBlockSize > 0xFFFFFF00u)
                        Bad(row, i, QStringLiteral("does not fit in the BLOb file"));
                    PutLe32(trailer, FBlobs.Add(value, stored, graphic));
                    PutLe16(trailer + 8, 1);
                }
                PutLe32(trailer + 4, stored);
            }
            }
        }
    }

private:
    std::string Encoded(int row, int column, size_t field)
    {
        const QString text = FRows.Text(row, column);
        std::string bytes;
        if (!FPage.Encode(text, bytes))
            Bad(int(row), field,
                QStringLiteral("has characters that code page %1 lacks").arg(FPage.Number()));
        return bytes;
    }

    int64_t Integer(int row, int column, size_t field)
    {
        if (StorageKindOf(FRows.Info(column).Type) == TStorageKind::Float) {
            const double v = FRows.Float(row, column);
            if (v != std::trunc(v) || !(std::abs(v) < 9e18))
                Bad(row, field, QStringLiteral("is not an integer"));
            return int64_t(v);
        }
        return FRows.Int(row, column);
    }

    // Sign and decimals in the first byte, then 32 decimal digits; all inverted when negative.
    void EncodeBcd(int row, size_t field, double value, unsigned char *p)
    {
        const int decimals = FPlan[field].Length;
        if (!std::isfinite(value))
            Bad(row, field, QStringLiteral("is not a finite number"));
        const QByteArray text = QByteArray::number(std::abs(value), 'f', decimals);
        const qsizetype point = text.indexOf('.');
        QByteArray whole = point < 0 ? text : text.left(point);
        if (whole == "0")
            whole.clear(); // a value below 1 needs no digit before the point
        const QByteArray fraction = point < 0 ? QByteArray() : text.mid(point + 1);
        if (whole.size() > BcdMaxDecimals - decimals)
            Bad(row, field, QStringLiteral("has too many digits"));
        const bool negative = value < 0;
        const unsigned flip = negative ? 0x0F : 0;
        std::memset(p + 1, negative ? 0xFF : 0, 16);
        p[0] = uint8_t((negative ? 0x40 : 0xC0) + decimals);
        const QByteArray digits
            = QByteArray(BcdMaxDecimals - decimals - whole.size(), '0') + whole + fraction;
        for (int i = 0; i < BcdMaxDecimals; ++i) {
            const unsigned digit = unsigned(digits.at(i) - '0') ^ flip;
            unsigned char &byte = p[1 + i / 2];
            byte = (i % 2) ? uint8_t((byte & 0xF0) | digit) : uint8_t((byte & 0x0F) | (digit << 4));
        }
    }

    [[noreturn]] void Bad(int row, size_t field, const QString &cause)
    {
        Fail(FPath,
            QStringLiteral("the value of %1 in row %2 %3")
                .arg(FFields[field].Name)
                .arg(row + 1)
                .arg(cause));
    }

    const QString &FPath;
    const std::vector<NewField> &FFields;
    const std::vector<Planned> &FPlan;
    const TRecordSet &FRows;
    const CodePage &FPage;
    BlobWriter &FBlobs;
};

// The header's version byte, and the oldest version that knows each field type: Paradox 3.5
// had alpha, number, currency, date and short fields, 4.0 added the BLOb kinds, 7 the rest.
int VersionId(const QString &path, int fileVersion)
{
    switch (fileVersion) {
    case 35:
        return 0x04;
    case 40:
        return 0x09;
    case 50:
        return 0x0B;
    case 70:
        return FileVersion70;
    default:
        Fail(path,
            QStringLiteral("Paradox %1.%2 is not a version tables are written in")
                .arg(fileVersion / 10)
                .arg(fileVersion % 10));
    }
}

int FirstVersionWith(FieldCode code)
{
    switch (code) {
    case Alpha:
    case Number:
    case Currency:
    case Date:
    case Short:
        return 35;
    case MemoBlob:
    case Blob:
    case FmtMemoBlob:
    case Ole:
    case Graphic:
        return 40;
    default:
        return 70;
    }
}

std::vector<Planned> Plan(const QString &path, const std::vector<NewField> &fields,
    const TRecordSet &rows, int fileVersion)
{
    if (fields.empty() || fields.size() > size_t(MaxFields))
        Fail(path, QStringLiteral("a table has 1 to %1 fields").arg(MaxFields));
    if (rows.ColumnCount() != int(fields.size()))
        Fail(path,
            QStringLiteral("%1 fields but %2 columns of values")
                .arg(fields.size())
                .arg(rows.ColumnCount()));
    std::vector<Planned> plan;
    int offset = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const NewField &field = fields[i];
        if (field.Name.isEmpty() || field.Name.size() > MaxFieldNameLength)
            Fail(path,
                QStringLiteral("field name \"%1\" is empty or longer than %2 characters")
                    .arg(field.Name)
                    .arg(MaxFieldNameLength));
        for (size_t k = 0; k < i; ++k)
            if (fields[k].Name.compare(field.Name, Qt::CaseInsensitive) == 0)
                Fail(path, QStringLiteral("field %1 appears twice").arg(field.Name));
        Planned p;
        p.Kind = KindOfLetter(
            char(field.Kind.toUpper().unicode() < 128 ? field.Kind.toUpper().toLatin1() : 0));
        if (!p.Kind)
            Fail(path,
                QStringLiteral("field %1 has unknown type %2")
                    .arg(field.Name, QString(field.Kind)));
        if (FirstVersionWith(p.Kind->Code) > fileVersion)
            Fail(path,
                QStringLiteral("field %1: Paradox %2.%3 has no fields of type %4")
                    .arg(field.Name)
                    .arg(fileVersion / 10)
                    .arg(fileVersion % 10)
                    .arg(QString(field.Kind)));
        p.Length = field.Length;
        const auto bad = [&](int low, int high) {
            Fail(path,
                QStringLiteral("field %1 of type %2 takes a length of %3 to %4, not %5")
                    .arg(field.Name, QString(field.Kind))
                    .arg(low)
                    .arg(high)
                    .arg(field.Length));
        };
        switch (p.Kind->Code) {
        case Alpha:
        case Bytes:
            if (p.Length < 1 || p.Length > 255)
                bad(1, 255);
            p.Size = p.Length;
            break;
        case Bcd:
            if (p.Length < 0 || p.Length > BcdMaxDecimals)
                bad(0, BcdMaxDecimals);
            p.Size = p.Kind->FixedSize;
            break;
        case MemoBlob:
            if (p.Length == 0)
                p.Length = BlobTrailerSize;
            if (p.Length < 1 || p.Length > MaxBlobLeader)
                bad(1, MaxBlobLeader);
            p.Size = p.Length + BlobTrailerSize;
            break;
        case Blob:
        case FmtMemoBlob:
        case Ole:
        case Graphic: // these may keep nothing in the record but the pointer to the .MB
            if (p.Length < 0 || p.Length > MaxBlobLeader)
                bad(0, MaxBlobLeader);
            p.Size = p.Length + BlobTrailerSize;
            break;
        default:
            p.Size = p.Kind->FixedSize;
        }
        // The record set must hold values of the field's kind.
        const TStorageKind storage = StorageKindOf(rows.Info(int(i)).Type);
        const TStorageKind wanted = StorageKindOf(p.Kind->Type);
        const bool textual = [](TStorageKind k) {
            return k == TStorageKind::Text || k == TStorageKind::Bytes;
        }(storage);
        const bool wantedTextual = wanted == TStorageKind::Text || wanted == TStorageKind::Bytes;
        if (textual != wantedTextual)
            Fail(path,
                QStringLiteral("column %1 holds %2 values for field %3 of type %4")
                    .arg(i + 1)
                    .arg(FieldTypeName(rows.Info(int(i)).Type), field.Name, QString(field.Kind)));
        p.Offset = offset;
        offset += p.Size;
        plan.push_back(p);
    }
    return plan;
}

} // namespace

void WriteTable(const QString &path, const std::vector<NewField> &fields, const TRecordSet &rows,
    int codePage, int fileVersion, const FileSetWriter::StepHook &beforeEachMove)
{
    const CodePage *page = CodePage::Find(codePage);
    if (!page)
        Fail(path, QStringLiteral("code page %1 is not supported").arg(codePage));
    const int versionId = VersionId(path, fileVersion);
    // Tables before 4.0 have no data header, so no code page and a shorter table name.
    const bool hasDataHeader = fileVersion >= 40;
    const size_t fieldsAt = hasDataHeader ? DataHeaderEnd : CommonHeaderSize;
    const size_t tableNameLength = fileVersion == 70 ? TableNameLength70 : TableNameLengthOld;
    const std::vector<Planned> plan = Plan(path, fields, rows, fileVersion);
    const int recordSize = plan.back().Offset + plan.back().Size;

    // The smallest block that holds a record and keeps the block numbers in 16 bits.
    const int64_t records = rows.RowCount();
    int blockKb = 4;
    while (blockKb < 32
        && (recordSize > blockKb * 1024 - DataBlockHeaderSize
            || (records + (blockKb * 1024 - DataBlockHeaderSize) / recordSize - 1)
                    / ((blockKb * 1024 - DataBlockHeaderSize) / recordSize)
                > MaxBlocks))
        blockKb *= 2;
    const int blockSize = blockKb * 1024;
    if (recordSize > blockSize - DataBlockHeaderSize)
        Fail(path, QStringLiteral("records of %1 bytes are too long").arg(recordSize));
    const int perBlock = (blockSize - DataBlockHeaderSize) / recordSize;
    const int64_t blocks = (records + perBlock - 1) / perBlock;
    if (blocks > MaxBlocks)
        Fail(path, QStringLiteral("%1 records are too many for one table").arg(records));

    // The header: common part, data header, field types, pointers, names.
    std::string names;
    for (const NewField &field : fields) {
        if (!page->Encode(field.Name, names))
            Fail(path,
                QStringLiteral("field name %1 has characters that code page %2 lacks")
                    .arg(field.Name)
                    .arg(codePage));
        names.push_back('\0');
    }
    std::string tableName;
    if (!page->Encode(QFileInfo(path).fileName(), tableName))
        tableName.clear();
    tableName.resize(std::min(tableName.size(), tableNameLength - 1));
    const size_t numFields = fields.size();
    static const char SortOrderId[] = "ANSIINTL";
    const size_t realHeaderSize = fieldsAt + numFields * 2 + 4 + numFields * 4 + tableNameLength
        + names.size() + numFields * 2 + sizeof SortOrderId;
    const size_t headerSize
        = (realHeaderSize + HeaderAlignment - 1) / HeaderAlignment * HeaderAlignment;
    if (headerSize > 0xFFFF)
        Fail(path, QStringLiteral("the field list is too long"));

    std::string head(headerSize, '\0');
    auto *h = reinterpret_cast<unsigned char *>(head.data());
    PutLe16(h + RecordSizeAt, uint32_t(recordSize));
    PutLe16(h + HeaderSizeAt, uint32_t(headerSize));
    h[FileTypeAt] = FileTypeNonIndexedDb;
    h[MaxTableSizeAt] = uint8_t(blockKb);
    PutLe32(h + NumRecordsAt, uint32_t(records));
    PutLe16(h + NextBlockAt, uint32_t(blocks));
    PutLe16(h + FileBlocksAt, uint32_t(blocks));
    PutLe16(h + FirstBlockAt, blocks > 0 ? 1 : 0);
    PutLe16(h + LastBlockAt, uint32_t(blocks));
    PutLe16(h + NumFieldsAt, uint32_t(numFields));
    PutLe32(h + Encryption1At, NoEncryption);
    h[ChangeCount1At] = 2;
    h[ChangeCount2At] = 1;
    h[FileVersionAt] = uint8_t(versionId);
    PutLe16(h + MaxBlocksAt, uint32_t(blocks));
    h[Unknown3EAt] = 0x1F;
    h[Unknown3EAt + 1] = 0x0F;
    PutLe16(h + RealHeaderSizeAt, uint32_t(realHeaderSize));
    h[Unknown56At] = 0x20;
    if (hasDataHeader) {
        PutLe16(h + FileVersion3At, 0x0100 | uint32_t(versionId));
        PutLe16(h + FileVersion4At, 0x0100 | uint32_t(versionId));
        PutLe16(h + HiFieldIdAt, uint32_t(numFields + 1));
        PutLe16(h + HiFieldIdInfoAt,
            uint32_t(0x20 + numFields * 6 + 4 + tableNameLength + names.size()));
        PutLe16(h + CodePageAt, uint32_t(codePage));
        h[Unknown6CAt] = 1;
        h[Unknown6CAt + 1] = 1;
    }
    size_t at = fieldsAt;
    for (const Planned &p : plan) {
        h[at++] = p.Kind->Code;
        h[at++] = uint8_t(p.Kind->Code == Bcd ? p.Length : p.Size);
    }
    at += 4 + numFields * 4; // pointers into the program's memory, meaningless on disk
    std::memcpy(h + at, tableName.data(), tableName.size());
    at += tableNameLength;
    std::memcpy(h + at, names.data(), names.size());
    at += names.size();
    for (size_t i = 0; i < numFields; ++i, at += 2)
        PutLe16(h + at, uint32_t(i + 1));
    std::memcpy(h + at, SortOrderId, sizeof SortOrderId);

    BlobWriter blobs;
    RecordEncoder encoder(path, fields, plan, rows, *page, blobs);
    encoder.NumberAutoIncrements();

    // The table and its .MB are written in full beside the old ones, then replace them as a
    // pair: a failure anywhere leaves the old table whole, never pointing into a new .MB.
    FileSetWriter files;
    QFileDevice &file = files.Add(path);
    const auto written = [&](QFileDevice &device, const char *data, qint64 size) {
        if (device.write(data, size) != size)
            Fail(device.fileName(), device.errorString());
    };
    written(file, head.data(), qint64(head.size()));
    std::string block(size_t(blockSize), '\0');
    int row = 0;
    for (int64_t b = 1; b <= blocks; ++b) {
        std::fill(block.begin(), block.end(), '\0');
        auto *p = reinterpret_cast<unsigned char *>(block.data());
        const int count = int(std::min<int64_t>(perBlock, records - row));
        PutLe16(p, b < blocks ? uint32_t(b + 1) : 0);
        PutLe16(p + 2, uint32_t(b - 1));
        PutLe16(p + 4, uint32_t((count - 1) * recordSize));
        for (int r = 0; r < count; ++r, ++row)
            encoder.Encode(row, p + DataBlockHeaderSize + size_t(r) * size_t(recordSize));
        written(file, block.data(), qint64(block.size()));
    }
    PutLe32(h + AutoIncAt, uint32_t(encoder.AutoIncrement));
    if (!file.seek(AutoIncAt))
        Fail(path, file.errorString());
    written(file, head.data() + AutoIncAt, 4);

    if (!blobs.Empty()) {
        const QFileInfo info(path);
        const std::string &bytes = blobs.Bytes();
        written(files.Add(info.dir().filePath(info.completeBaseName() + QStringLiteral(".MB"))),
            bytes.data(), qint64(bytes.size()));
    }
    files.Commit(beforeEachMove);
}

} // namespace Paradox
