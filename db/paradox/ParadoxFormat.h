#pragma once

#include "db/paradox/TFieldType.h"

#include <cstdint>
#include <cstring>

// The on-disk layout of Paradox tables (.DB) and their BLOb files (.MB), shared by the reader
// and the writer. Header numbers are little-endian; field values are big-endian with the sign
// bit flipped so that the bytes sort as the values do, and all-zero bytes mean an empty field.
namespace Paradox::Format {

// The common header.
constexpr int RecordSizeAt = 0x00;
constexpr int HeaderSizeAt = 0x02;
constexpr int FileTypeAt = 0x04;
constexpr int MaxTableSizeAt = 0x05; // block size in kilobytes
constexpr int NumRecordsAt = 0x06;
constexpr int NextBlockAt = 0x0A;
constexpr int FileBlocksAt = 0x0C;
constexpr int FirstBlockAt = 0x0E;
constexpr int LastBlockAt = 0x10;
constexpr int ChangeCountAt = 0x12;
constexpr int NumFieldsAt = 0x21;
constexpr int Encryption1At = 0x25;
constexpr int SortOrderAt = 0x29;
constexpr int ChangeCount1At = 0x2D;
constexpr int ChangeCount2At = 0x2E;
constexpr int TableNamePtrPtrAt = 0x30;
constexpr int FieldInfoPtrAt = 0x34;
constexpr int FileVersionAt = 0x39;
constexpr int MaxBlocksAt = 0x3A;
constexpr int Unknown3EAt = 0x3E;
constexpr int AutoIncAt = 0x49;
constexpr int RealHeaderSizeAt = 0x51;
constexpr int Unknown56At = 0x56;
constexpr int CommonHeaderSize = 0x58;

// The data header that tables of version 4.0 and later carry after the common one.
constexpr int FileVersion3At = 0x58;
constexpr int FileVersion4At = 0x5A;
constexpr int Encryption2At = 0x5C;
constexpr int FileUpdateTimeAt = 0x60;
constexpr int HiFieldIdAt = 0x64;
constexpr int HiFieldIdInfoAt = 0x66;
constexpr int CodePageAt = 0x6A;
constexpr int Unknown6CAt = 0x6C;
constexpr int DataHeaderEnd = 0x78;

constexpr uint32_t NoEncryption = 0xFF00FF00;
constexpr int FileTypeIndexedDb = 0;
constexpr int FileTypeNonIndexedDb = 2;
constexpr int FileVersion70 = 0x0C;
constexpr int TableNameLength70 = 261;
constexpr int TableNameLengthOld = 79;
constexpr int DataBlockHeaderSize = 6; // next block, previous block, bytes after the first record
constexpr int HeaderAlignment = 0x800;

// Field type codes, as pxlib names them.
enum FieldCode : unsigned char {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Number = 0x06,
    Logical = 0x09,
    MemoBlob = 0x0C,
    Blob = 0x0D,
    FmtMemoBlob = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

// What a field type code means: the letter of the tool's notation, the dataset type, and the
// bytes it takes in a record (0 when the header decides).
struct FieldKind
{
    FieldCode Code;
    char Letter;
    TFieldType Type;
    int FixedSize;
};

inline constexpr FieldKind FieldKinds[] = {
    {Alpha, 'A', TFieldType::ftString, 0},
    {Date, 'D', TFieldType::ftDate, 4},
    {Short, 'S', TFieldType::ftSmallint, 2},
    {Long, 'I', TFieldType::ftInteger, 4},
    {Currency, 'C', TFieldType::ftCurrency, 8},
    {Number, 'N', TFieldType::ftFloat, 8},
    {Logical, 'L', TFieldType::ftBoolean, 1},
    {MemoBlob, 'M', TFieldType::ftMemo, 0},
    {Blob, 'B', TFieldType::ftBlob, 0},
    {FmtMemoBlob, 'F', TFieldType::ftFmtMemo, 0},
    {Ole, 'O', TFieldType::ftParadoxOle, 0},
    {Graphic, 'G', TFieldType::ftGraphic, 0},
    {Time, 'T', TFieldType::ftTime, 4},
    {Timestamp, '@', TFieldType::ftDateTime, 8},
    {AutoInc, '+', TFieldType::ftAutoInc, 4},
    {Bcd, '#', TFieldType::ftBCD, 17},
    {Bytes, 'Y', TFieldType::ftBytes, 0},
};

inline const FieldKind *KindOfCode(unsigned code)
{
    for (const FieldKind &kind : FieldKinds)
        if (kind.Code == code)
            return &kind;
    return nullptr;
}

inline const FieldKind *KindOfLetter(char letter)
{
    for (const FieldKind &kind : FieldKinds)
        if (kind.Letter == letter)
            return &kind;
    return nullptr;
}

inline bool IsBlobCode(unsigned code)
{
    return code == MemoBlob || code == Blob || code == FmtMemoBlob || code == Ole
        || code == Graphic;
}

constexpr int BlobTrailerSize = 10; // offset and index, length, modification number
constexpr int MaxBlobLeader = 240;
constexpr int BcdDigits = 32;
constexpr int BcdMaxDecimals = BcdDigits;
constexpr int64_t ParadoxDayToJulianDay = 1721425; // day 1 is 1 January of year 1
constexpr int64_t MSecsPerDay = 86400000;
constexpr int64_t LastParadoxDay = 3652059; // 31 December 9999

// Whether a stored day number is a date of years 1 to 9999; any other is a damaged value.
constexpr bool IsParadoxDay(int64_t day)
{
    return day >= 1 && day <= LastParadoxDay;
}

// The .MB file: blocks of 4 KB; a BLOb lives either alone in a run of blocks or in a slot of a
// block shared by small BLObs.
constexpr int MbBlockSize = 0x1000;
constexpr unsigned char MbHeaderBlock = 0;
constexpr unsigned char MbSingleBlock = 2;
constexpr unsigned char MbSubAllocatedBlock = 3;
constexpr int MbSingleHeaderSize = 9;
constexpr int MbGraphicHeaderSize = 17;
constexpr int MbSlotTableAt = 12;
constexpr int MbSlotSize = 5;
constexpr int MbSlots = 64;

inline uint16_t Le16(const unsigned char *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t Be16(const unsigned char *p)
{
    return uint16_t((p[0] << 8) | p[1]);
}
inline uint32_t Be32(const unsigned char *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint64_t Be64(const unsigned char *p)
{
    return (uint64_t(Be32(p)) << 32) | Be32(p + 4);
}
inline void PutLe16(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLe32(unsigned char *p, uint32_t v)
{
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}
inline void PutBe16(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void PutBe32(unsigned char *p, uint32_t v)
{
    PutBe16(p, v >> 16);
    PutBe16(p + 2, v);
}
inline void PutBe64(unsigned char *p, uint64_t v)
{
    PutBe32(p, uint32_t(v >> 32));
    PutBe32(p + 4, uint32_t(v));
}

// A stored double: the sign bit set for values >= 0, every bit inverted for negative ones.
inline double DecodeDouble(uint64_t bits)
{
    bits = (bits & (uint64_t(1) << 63)) ? bits & ~(uint64_t(1) << 63) : ~bits;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline uint64_t EncodeDouble(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
}

} // namespace Paradox::Format
