#include "db/paradox/ParadoxReader.h"

#include "db/paradox/EDatabaseError.h"
#include "db/paradox/PagePrefault.h"
#include "db/paradox/ParadoxCodePage.h"
#include "db/paradox/ParadoxFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace Paradox {

using namespace Format;

namespace {

[[noreturn]] void Damaged(const QString &name, const QString &cause)
{
    throw EDatabaseError::DamagedTable(name, cause);
}

const unsigned char *AsBytes(std::string_view s)
{
    return reinterpret_cast<const unsigned char *>(s.data());
}

// The header with every number checked against the file, and where each field sits.
struct Header
{
    TableInfo Info;
    int HeaderSize = 0;
    int BlockSize = 0;
    int FileBlocks = 0;
    int FirstBlock = 0;
    int RecordsPerBlock = 0;
    std::vector<int> Offsets;
    std::vector<unsigned char> Codes;
};

int FileVersionOf(int id)
{
    switch (id) {
    case 3:
        return 30;
    case 4:
        return 35;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
        return 40;
    case 10:
    case 11:
        return 50;
    case 12:
        return 70;
    default:
        return 0;
    }
}

const CodePage &PageOf(const TableInfo &info, int defaultCodePage, const QString &name)
{
    const int number = EffectiveCodePage(info, defaultCodePage);
    const CodePage *page = CodePage::Find(number);
    if (!page)
        throw EDatabaseError(
            QStringLiteral("Таблица %1 записана в кодовой странице %2, которую не знает ни одна "
                           "таблица перекодировки системы")
                .arg(name)
                .arg(number));
    return *page;
}

Header ParseHeader(std::string_view table, const QString &name, int defaultCodePage)
{
    const unsigned char *h = AsBytes(table);
    const size_t fileSize = table.size();
    if (fileSize < size_t(CommonHeaderSize))
        Damaged(name, QStringLiteral("the file is shorter than a table header"));

    Header r;
    TableInfo &info = r.Info;
    info.Path = name;
    const int fileType = h[FileTypeAt];
    if (fileType != FileTypeIndexedDb && fileType != FileTypeNonIndexedDb)
        throw EDatabaseError::DamagedTable(name, QStringLiteral("not a Paradox table"));
    info.FileVersion = FileVersionOf(h[FileVersionAt]);
    if (info.FileVersion == 0)
        Damaged(name, QStringLiteral("unknown file version %1").arg(h[FileVersionAt]));
    const bool hasDataHeader = info.FileVersion >= 40;

    info.RecordSize = Le16(h + RecordSizeAt);
    r.HeaderSize = Le16(h + HeaderSizeAt);
    const int blockKb = h[MaxTableSizeAt];
    if (blockKb < 1 || blockKb > 32)
        Damaged(name, QStringLiteral("block size of %1 KB").arg(blockKb));
    r.BlockSize = blockKb * 1024;
    const int minHeader = hasDataHeader ? DataHeaderEnd : CommonHeaderSize;
    if (r.HeaderSize < minHeader || size_t(r.HeaderSize) > fileSize)
        Damaged(name,
            QStringLiteral("header size %1 in a file of %2 bytes")
                .arg(r.HeaderSize)
                .arg(qulonglong(fileSize)));
    if (info.RecordSize <= 0 || info.RecordSize > r.BlockSize - DataBlockHeaderSize)
        Damaged(name, QStringLiteral("record size %1").arg(info.RecordSize));

    uint32_t encryption = Le32(h + Encryption1At);
    if (encryption == NoEncryption)
        encryption = hasDataHeader ? Le32(h + Encryption2At) : 0;
    // Reading a protected table without its password would only give scrambled records.
    if (encryption != 0)
        throw EDatabaseError(
            QStringLiteral("Таблица %1 защищена паролем; такие таблицы не открываются").arg(name));
    if (hasDataHeader)
        info.CodePage = Le16(h + CodePageAt);

    const uint32_t numRecords = Le32(h + NumRecordsAt);
    r.FileBlocks = Le16(h + FileBlocksAt);
    r.FirstBlock = Le16(h + FirstBlockAt);
    r.RecordsPerBlock = (r.BlockSize - DataBlockHeaderSize) / info.RecordSize;
    const size_t blocksInFile = (fileSize - size_t(r.HeaderSize)) / size_t(r.BlockSize);
    // The last block may end short of its full size, as long as its records are all there;
    // the walk over the blocks checks that.
    const size_t partial = (fileSize - size_t(r.HeaderSize)) % size_t(r.BlockSize) ? 1 : 0;
    if (size_t(r.FileBlocks) > blocksInFile + partial)
        Damaged(name,
            QStringLiteral("%1 blocks declared, the file holds %2")
                .arg(r.FileBlocks)
                .arg(qulonglong(blocksInFile + partial)));
    if (uint64_t(numRecords) > uint64_t(r.FileBlocks) * uint64_t(r.RecordsPerBlock))
        Damaged(name,
            QStringLiteral("%1 records declared in %2 blocks").arg(numRecords).arg(r.FileBlocks));
    info.RecordCount = int(numRecords);
    if (r.FirstBlock > r.FileBlocks || (r.FirstBlock == 0 && numRecords > 0))
        Damaged(name, QStringLiteral("first block %1").arg(r.FirstBlock));

    const int numFields = int(int16_t(Le16(h + NumFieldsAt)));
    if (numFields <= 0 || numFields > info.RecordSize)
        Damaged(name, QStringLiteral("%1 fields").arg(numFields));
    // Field types and sizes, the table name pointer, the field name pointers, the table name,
    // then the field names, all inside the header.
    const int tableNameLength
        = h[FileVersionAt] == FileVersion70 ? TableNameLength70 : TableNameLengthOld;
    const size_t typesAt = size_t(minHeader);
    const size_t namesAt
        = typesAt + size_t(numFields) * 2 + 4 + size_t(numFields) * 4 + size_t(tableNameLength);
    if (namesAt > size_t(r.HeaderSize))
        Damaged(name, QStringLiteral("the field list does not fit in the header"));

    // Names are in the same code page as the data, the header's or else the connection's.
    const CodePage &namePage = PageOf(info, defaultCodePage, name);
    int offset = 0;
    size_t at = namesAt;
    for (int i = 0; i < numFields; ++i) {
        const unsigned code = h[typesAt + size_t(i) * 2];
        const int size = h[typesAt + size_t(i) * 2 + 1];
        const FieldKind *kind = KindOfCode(code);
        if (!kind)
            Damaged(name,
                QStringLiteral("field %1 has unknown type 0x%2")
                    .arg(i + 1)
                    .arg(code, 2, 16, QLatin1Char('0')));
        FieldDef field;
        field.PxType = char(code);
        field.Type = kind->Type;
        if (code == Bcd) {
            field.Size = kind->FixedSize;
            field.Decimals = size;
            if (size > BcdMaxDecimals)
                Damaged(name, QStringLiteral("BCD field %1 with %2 decimals").arg(i + 1).arg(size));
        } else {
            field.Size = size;
            const bool fits = kind->FixedSize ? size == kind->FixedSize
                : IsBlobCode(code)            ? size >= BlobTrailerSize
                                              : size > 0;
            if (!fits)
                Damaged(name,
                    QStringLiteral("field %1 of type 0x%2 has %3 bytes")
                        .arg(i + 1)
                        .arg(code, 2, 16, QLatin1Char('0'))
                        .arg(size));
        }
        const void *end = std::memchr(h + at, 0, size_t(r.HeaderSize) - at);
        if (!end)
            Damaged(name, QStringLiteral("field name %1 runs past the header").arg(i + 1));
        const size_t length = size_t(static_cast<const unsigned char *>(end) - (h + at));
        field.Name = namePage.DecodeToString(table.substr(at, length));
        at += length + 1;
        r.Offsets.push_back(offset);
        r.Codes.push_back(static_cast<unsigned char>(code));
        offset += field.Size;
        info.Fields.push_back(std::move(field));
    }
    if (offset != info.RecordSize)
        Damaged(name,
            QStringLiteral("the fields take %1 bytes of a %2-byte record")
                .arg(offset)
                .arg(info.RecordSize));
    return r;
}

// The .MB file, found on the first BLOb that is not kept whole in its record.
class BlobFile
{
public:
    BlobFile(const BlobFileSource &source, const QString &name)
        : FSource(source)
        , FName(name)
    { }

    // The bytes of a BLOb field's value; empty for an empty one.
    std::string_view Value(const unsigned char *field, int fieldSize, bool graphic)
    {
        const int leader = fieldSize - BlobTrailerSize;
        const unsigned char *trailer = field + leader;
        const uint32_t offsetAndIndex = Le32(trailer);
        const uint32_t stored = Le32(trailer + 4);
        const int extra = graphic ? MbGraphicHeaderSize - MbSingleHeaderSize : 0;
        if (stored <= uint32_t(extra))
            return {};
        const uint32_t length = stored - uint32_t(extra);
        if (length <= uint32_t(leader))
            return {reinterpret_cast<const char *>(field), length};

        const std::string_view mb = File();
        const uint32_t index = offsetAndIndex & 0xFF;
        const size_t offset = offsetAndIndex & 0xFFFFFF00u;
        if (offset == 0 || offset + MbSlotTableAt > mb.size())
            Bad(QStringLiteral("a BLOb at %1 outside the file").arg(qulonglong(offset)));
        const unsigned char *block = AsBytes(mb) + offset;
        size_t dataAt = 0;
        if (block[0] == MbSingleBlock) {
            if (index != 0xFF || Le32(block + 3) != stored)
                Bad(QStringLiteral("the BLOb at %1 does not match its record")
                        .arg(qulonglong(offset)));
            dataAt = offset + MbSingleHeaderSize + size_t(extra);
        } else if (block[0] == MbSubAllocatedBlock) {
            if (index >= uint32_t(MbSlots))
                Bad(QStringLiteral("BLOb slot %1").arg(index));
            const size_t slotAt = offset + MbSlotTableAt + size_t(index) * MbSlotSize;
            if (slotAt + MbSlotSize > mb.size())
                Bad(QStringLiteral("a BLOb slot outside the file"));
            const unsigned char *slot = AsBytes(mb) + slotAt;
            if (slot[1] == 0 || uint32_t(slot[1] - 1) * 16 + slot[4] != stored)
                Bad(QStringLiteral("the BLOb at %1 does not match its record")
                        .arg(qulonglong(offset)));
            dataAt = offset + size_t(slot[0]) * 16 + size_t(extra);
        } else {
            Bad(QStringLiteral("block type %1 at %2 holds no BLOb")
                    .arg(block[0])
                    .arg(qulonglong(offset)));
        }
        if (dataAt > mb.size() || length > mb.size() - dataAt)
            Bad(QStringLiteral("the BLOb at %1 runs past the end of the file")
                    .arg(qulonglong(offset)));
        return mb.substr(dataAt, length);
    }

private:
    std::string_view File()
    {
        if (!FLoaded) {
            FLoaded = true;
            if (!FSource || !FSource(FBytes))
                throw EDatabaseError(
                    QStringLiteral("The BLOb file (.MB) of table %1 is missing").arg(FName));
        }
        return FBytes;
    }

    [[noreturn]] void Bad(const QString &cause)
    {
        throw EDatabaseError::DamagedTable(
            FName, QStringLiteral("its BLOb file (.MB) is damaged: %1").arg(cause));
    }

    const BlobFileSource &FSource;
    QString FName;
    bool FLoaded = false;
    std::string_view FBytes;
};

// A BCD value: a byte whose top bit is set for values >= 0, then 32 digits of four bits, all
// inverted when the value is negative; the last `decimals` digits (the field's, from the header)
// follow the point. Only the sign is taken from the first byte: writers differ in what else they
// put there (the decimals again, inverted with the digits or not), and the header is the field's
// own definition.
std::optional<double> DecodeBcd(const unsigned char *p, int decimals)
{
    const bool negative = !(p[0] & 0x80);
    const unsigned flip = negative ? 0x0F : 0x00;
    char text[40];
    int n = 0;
    if (negative)
        text[n++] = '-';
    for (int i = 0; i < BcdDigits; ++i) {
        if (i == BcdDigits - decimals)
            text[n++] = '.';
        const unsigned char byte = p[1 + i / 2];
        const unsigned digit = ((i % 2) ? byte & 0x0F : byte >> 4) ^ flip;
        if (digit > 9)
            return std::nullopt;
        text[n++] = char('0' + digit);
    }
    double value = 0;
    const auto result = std::from_chars(text, text + n, value);
    if (result.ec != std::errc())
        return std::nullopt;
    return value == 0 ? 0.0 : value; // no negative zero
}

class RecordDecoder
{
public:
    RecordDecoder(std::string_view table, const Header &header, TRecordSet &rows,
        const CodePage &page, BlobFile &blobs, const QString &name)
        : FTableEnd(AsBytes(table) + table.size())
        , FHeader(header)
        , FRows(rows)
        , FPage(page)
        , FBlobs(blobs)
        , FName(name)
    { }

    void Decode(const unsigned char *record, int recordNumber)
    {
        const size_t count = FHeader.Codes.size();
        for (size_t i = 0; i < count; ++i) {
            const unsigned char *p = record + FHeader.Offsets[i];
            const int column = int(i);
            switch (FHeader.Codes[i]) {
            case Alpha:
                AppendText(column, p, FHeader.Info.Fields[i].Size);
                break;
            case Short: {
                const uint16_t v = Be16(p);
                if (v == 0)
                    FRows.AppendNull(column);
                else
                    FRows.AppendInt(column, int16_t(v ^ 0x8000));
                break;
            }
            case Long:
            case AutoInc:
            case Time:
            case Date: {
                const uint32_t v = Be32(p);
                const int32_t value = int32_t(v ^ 0x80000000u);
                if (v == 0)
                    FRows.AppendNull(column);
                else if (FHeader.Codes[i] == Date && !IsParadoxDay(value))
                    BadValue(i, recordNumber);
                else if (FHeader.Codes[i] == Date)
                    FRows.AppendInt(column, int64_t(value) + ParadoxDayToJulianDay);
                else if (FHeader.Codes[i] == Time && !(value >= 0 && value < MSecsPerDay))
                    BadValue(i, recordNumber);
                else
                    FRows.AppendInt(column, value);
                break;
            }
            case Number:
            case Currency: {
                const uint64_t v = Be64(p);
                if (v == 0)
                    FRows.AppendNull(column);
                else
                    FRows.AppendFloat(column, DecodeDouble(v));
                break;
            }
            case Timestamp: {
                const uint64_t v = Be64(p);
                if (v == 0) {
                    FRows.AppendNull(column);
                    break;
                }
                const double msecs = DecodeDouble(v);
                // Years 1 to 9999; anything else is not a time stamp Paradox could write.
                if (!(msecs >= double(MSecsPerDay) && msecs < 3.2e14))
                    BadValue(i, recordNumber);
                FRows.AppendInt(column, std::llround(msecs) - MSecsPerDay);
                break;
            }
            case Logical:
                if (p[0] == 0)
                    FRows.AppendNull(column);
                else
                    FRows.AppendInt(column, (p[0] & 0x7F) != 0);
                break;
            case Bcd: {
                if (p[0] == 0) {
                    FRows.AppendNull(column);
                    break;
                }
                const std::optional<double> value = DecodeBcd(p, FHeader.Info.Fields[i].Decimals);
                if (!value)
                    BadValue(i, recordNumber);
                FRows.AppendFloat(column, *value);
                break;
            }
            case Bytes: {
                const int size = FHeader.Info.Fields[i].Size;
                bool empty = true;
                for (int k = 0; k < size && empty; ++k)
                    empty = p[k] == 0;
                if (empty)
                    FRows.AppendNull(column);
                else
                    FRows.AppendBytes(column, {reinterpret_cast<const char *>(p), size_t(size)});
                break;
            }
            default: { // the BLOb kinds
                const unsigned char code = FHeader.Codes[i];
                const std::string_view value
                    = FBlobs.Value(p, FHeader.Info.Fields[i].Size, code == Graphic);
                if (value.empty())
                    FRows.AppendNull(column);
                else if (code == MemoBlob || code == FmtMemoBlob)
                    AppendDecoded(column, value);
                else
                    FRows.AppendBytes(column, value);
            }
            }
        }
    }

private:
    // An alpha value ends at its first NUL; an empty one is a null.
    void AppendText(int column, const unsigned char *p, int size)
    {
        if (p[0] == 0) {
            FRows.AppendNull(column);
            return;
        }
        const std::string_view field {reinterpret_cast<const char *>(p), size_t(size)};
        // A short field is read whole at once, so those bytes must lie inside the file.
        if (FPage.HasTable() && field.size() <= CodePage::ShortField
            && FTableEnd - p >= ptrdiff_t(CodePage::ShortField)) {
            FRows.AppendTextInPlace(column, CodePage::ShortFieldRoom(field.size()),
                [&](char *out) { return FPage.DecodeShortFieldInto(field, out); });
        } else if (FPage.HasTable()) {
            // One pass finds the end and decodes.
            FRows.AppendTextInPlace(column, CodePage::DecodeRoom(field.size()),
                [&](char *out) { return FPage.DecodeInto<true>(field, out); });
        } else {
            AppendDecoded(column, field.substr(0, field.find('\0')));
        }
    }

    void AppendDecoded(int column, std::string_view bytes)
    {
        if (FPage.HasTable()) {
            FRows.AppendTextInPlace(column, CodePage::DecodeRoom(bytes.size()),
                [&](char *out) { return FPage.DecodeInto(bytes, out); });
            return;
        }
        FScratch.clear();
        FPage.Decode(bytes, FScratch);
        FRows.AppendText(column, FScratch);
    }

    [[noreturn]] void BadValue(size_t field, int recordNumber)
    {
        Damaged(FName,
            QStringLiteral("field %1 of record %2 holds no valid value")
                .arg(FHeader.Info.Fields[field].Name)
                .arg(recordNumber + 1));
    }

    const unsigned char *FTableEnd;
    const Header &FHeader;
    TRecordSet &FRows;
    const CodePage &FPage;
    BlobFile &FBlobs;
    const QString &FName;
    std::string FScratch;
};

// A read-only, shared map of a whole file; nothing is locked and nothing is written.
class MappedFile
{
public:
    explicit MappedFile(const QString &path)
        : FFile(path)
    {
        if (!FFile.open(QIODevice::ReadOnly))
            throw EDatabaseError(
                QStringLiteral("Cannot open table %1: %2").arg(path, FFile.errorString()));
        const qint64 size = FFile.size();
        if (size == 0)
            return;
        const uchar *data = FFile.map(0, size);
        if (!data)
            throw EDatabaseError(
                QStringLiteral("Cannot read table %1: %2").arg(path, FFile.errorString()));
        FBytes = {reinterpret_cast<const char *>(data), size_t(size)};
    }

    std::string_view Bytes() const { return FBytes; }

    // Lets go of the pages before offset once a good stretch has been read, so that the
    // process does not hold the file and its decoded rows in memory at the same time. The
    // pages stay in the system's cache, and reading them again simply maps them again.
    void Release(size_t offset)
    {
#ifdef Q_OS_UNIX
        constexpr size_t Stretch = 8 << 20;
        if (offset < FReleased + Stretch)
            return;
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        const size_t end = offset / page * page;
        char *begin = const_cast<char *>(FBytes.data()) + FReleased;
        madvise(begin, end - FReleased, MADV_DONTNEED);
        FReleased = end;
#else
        Q_UNUSED(offset);
#endif
    }

private:
    QFile FFile;
    std::string_view FBytes;
    size_t FReleased = 0;
};

// The table's .MB file: same base name, the extension matched ignoring case (tables copied
// from DOS and Windows folders spell it either way).
QString BlobFilePath(const QString &tablePath)
{
    const QFileInfo table(tablePath);
    const QDir folder = table.absoluteDir();
    for (const QString &extension : {QStringLiteral(".MB"), QStringLiteral(".mb")}) {
        const QString exact = folder.filePath(table.completeBaseName() + extension);
        if (QFileInfo::exists(exact))
            return exact;
    }
    const QString wanted = table.completeBaseName() + QStringLiteral(".MB");
    for (const QString &candidate : folder.entryList(QDir::Files | QDir::Hidden))
        if (candidate.compare(wanted, Qt::CaseInsensitive) == 0)
            return folder.filePath(candidate);
    return {};
}

} // namespace

int EffectiveCodePage(const TableInfo &info, int defaultCodePage)
{
    return info.CodePage != 0 ? info.CodePage : defaultCodePage;
}

TableInfo ParseInfo(std::string_view table, const QString &name, int defaultCodePage)
{
    return ParseHeader(table, name, defaultCodePage).Info;
}

std::unique_ptr<TRecordSet> DecodeTable(std::string_view table, const BlobFileSource &blobFile,
    const QString &name, int defaultCodePage, const ReadProgress &progress)
{
    const Header header = ParseHeader(table, name, defaultCodePage);
    const TableInfo &info = header.Info;
    const CodePage &page = PageOf(info, defaultCodePage, name);

    auto rows = std::make_unique<TRecordSet>();
    for (const FieldDef &field : info.Fields) {
        const int size = field.Type == TFieldType::ftString || field.Type == TFieldType::ftBytes
            ? field.Size
            : 0;
        rows->AddColumn(field.Name, field.Type, size);
    }
    // The header's count is bounded by the blocks the file holds, so this is safe to reserve.
    // Texts get room for every value at full width, a byte per character: the pages beyond
    // it are only address space until written.
    rows->Reserve(info.RecordCount);
    for (size_t i = 0; i < info.Fields.size(); ++i)
        if (header.Codes[i] == Alpha)
            rows->ReserveText(int(i), size_t(info.RecordCount) * size_t(info.Fields[i].Size));

    BlobFile blobs(blobFile, name);
    RecordDecoder decoder(table, header, *rows, page, blobs, name);
    // The rows are appended in order all the same; filling by columns checks the counts once
    // at the end instead of after every row.
    rows->BeginColumns(info.RecordCount);
    // The arrays are filled in full: their pages are put in place on another core meanwhile.
    const PagePrefault prefault(rows->ReservedArrays());
    std::vector<bool> visited(size_t(header.FileBlocks) + 1);
    const unsigned char *data = AsBytes(table);
    int block = header.FirstBlock;
    int records = 0;
    while (block != 0) {
        if (block > header.FileBlocks || visited[size_t(block)])
            Damaged(
                name, QStringLiteral("the chain of data blocks is broken at block %1").arg(block));
        visited[size_t(block)] = true;
        const size_t at = size_t(header.HeaderSize) + size_t(block - 1) * size_t(header.BlockSize);
        if (at + DataBlockHeaderSize > table.size())
            Damaged(name, QStringLiteral("block %1 lies past the end of the file").arg(block));
        const unsigned char *b = data + at;
        const int next = Le16(b);
        const int added = int16_t(Le16(b + 4));
        if (added % info.RecordSize != 0 || added < -info.RecordSize)
            Damaged(name,
                QStringLiteral("block %1 declares %2 bytes of records").arg(block).arg(added));
        const int count = added / info.RecordSize + 1;
        if (count > header.RecordsPerBlock
            || at + DataBlockHeaderSize + size_t(count) * size_t(info.RecordSize) > table.size())
            Damaged(name, QStringLiteral("block %1 holds more records than fit").arg(block));
        if (records + count > info.RecordCount)
            Damaged(name,
                QStringLiteral("the data blocks hold more than the %1 records declared")
                    .arg(info.RecordCount));
        for (int r = 0; r < count; ++r)
            decoder.Decode(
                b + DataBlockHeaderSize + size_t(r) * size_t(info.RecordSize), records + r);
        records += count;
        block = next;
        if (progress)
            progress(at);
    }
    if (records != info.RecordCount)
        Damaged(name,
            QStringLiteral("%1 records declared, the data blocks hold %2")
                .arg(info.RecordCount)
                .arg(records));
    rows->EndColumns();
    return rows;
}

TableInfo ReadInfo(const QString &path, int defaultCodePage)
{
    const MappedFile file(path);
    return ParseInfo(file.Bytes(), path, defaultCodePage);
}

std::unique_ptr<TRecordSet> ReadTable(const QString &path, int defaultCodePage)
{
    MappedFile file(path);
    std::unique_ptr<MappedFile> blobFile;
    const BlobFileSource source = [&](std::string_view &bytes) {
        const QString blobPath = BlobFilePath(path);
        if (blobPath.isEmpty())
            return false;
        blobFile = std::make_unique<MappedFile>(blobPath);
        bytes = blobFile->Bytes();
        return true;
    };
    return DecodeTable(file.Bytes(), source, path, defaultCodePage,
        [&](size_t readUpTo) { file.Release(readUpTo); });
}

} // namespace Paradox
