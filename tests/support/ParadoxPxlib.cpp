#include "tests/support/ParadoxPxlib.h"

#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxCodePage.h"
#include "db/paradox/ParadoxFormat.h"

#include <QFile>

// pxlib's header declares C functions without saying so.
extern "C" {
#include <paradox.h>
}

namespace Paradox {

using namespace Format;

namespace {

void RecordError(pxdoc_t *, int level, const char *message, void *data)
{
    if (level != PX_Warning && data)
        *static_cast<QString *>(data) = QString::fromUtf8(message);
}

// Owns a pxlib document, its blob file and the values pxlib allocates.
class Document
{
public:
    explicit Document(const QString &path)
        : FPath(path)
    {
        FDoc = PX_new3(RecordError, nullptr, nullptr, nullptr, &FError);
        if (!FDoc)
            throw EDatabaseError(QStringLiteral("pxlib could not start"));
        if (PX_open_file(FDoc, QFile::encodeName(path).constData()) < 0)
            Fail();
    }
    ~Document()
    {
        PX_close(FDoc);
        PX_delete(FDoc);
    }
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    pxdoc_t *Get() const { return FDoc; }
    void Free(void *value) const { FDoc->free(FDoc, value); }
    [[noreturn]] void Fail() const
    {
        throw EDatabaseError(QStringLiteral("pxlib cannot read %1: %2").arg(FPath, FError));
    }

private:
    QString FPath;
    QString FError;
    pxdoc_t *FDoc = nullptr;
};

} // namespace

std::unique_ptr<TRecordSet> ReadTableWithPxlib(const QString &path, int defaultCodePage)
{
    Document doc(path);
    pxdoc_t *px = doc.Get();
    const pxhead_t *head = px->px_head;
    const int codePage = head->px_doscodepage ? head->px_doscodepage : defaultCodePage;
    const CodePage *page = CodePage::Find(codePage);
    if (!page)
        throw EDatabaseError(QStringLiteral("Code page %1 is not supported").arg(codePage));

    auto rows = std::make_unique<TRecordSet>();
    const int numFields = PX_get_num_fields(px);
    std::vector<int> offsets;
    int offset = 0;
    for (int i = 0; i < numFields; ++i) {
        const pxfield_t *field = PX_get_field(px, i);
        const FieldKind *kind = KindOfCode(static_cast<unsigned char>(field->px_ftype));
        if (!kind)
            throw EDatabaseError(QStringLiteral("Unknown field type in %1").arg(path));
        const bool sized = kind->Code == Alpha || kind->Code == Bytes;
        rows->AddColumn(
            page->DecodeToString(field->px_fname), kind->Type, sized ? field->px_flen : 0);
        offsets.push_back(offset);
        offset += field->px_flen;
    }
    const int count = PX_get_num_records(px);
    rows->Reserve(count);
    std::vector<char> record(size_t(PX_get_recordsize(px)));
    std::string utf8;
    for (int r = 0; r < count; ++r) {
        if (!PX_get_record(px, r, record.data()))
            doc.Fail();
        for (int i = 0; i < numFields; ++i) {
            const pxfield_t *field = PX_get_field(px, i);
            char *p = record.data() + offsets[size_t(i)];
            const int len = field->px_flen;
            switch (static_cast<unsigned char>(field->px_ftype)) {
            case Alpha:
            case MemoBlob:
            case FmtMemoBlob:
            case Blob:
            case Ole:
            case Graphic:
            case Bytes: {
                char *value = nullptr;
                int size = 0;
                int ok;
                const auto type = static_cast<unsigned char>(field->px_ftype);
                int mod = 0;
                if (type == Alpha) {
                    ok = PX_get_data_alpha(px, p, len, &value);
                    size = value ? int(std::strlen(value)) : 0;
                } else if (type == Bytes) {
                    ok = PX_get_data_bytes(px, p, len, &value);
                    size = len;
                } else if (type == Graphic) {
                    ok = PX_get_data_graphic(px, p, len, &mod, &size, &value);
                } else {
                    ok = PX_get_data_blob(px, p, len, &mod, &size, &value);
                }
                if (ok < 0)
                    doc.Fail();
                if (ok == 0 || !value || size == 0) {
                    rows->AppendNull(i);
                } else if (type == Alpha || type == MemoBlob || type == FmtMemoBlob) {
                    utf8.clear();
                    page->Decode({value, size_t(size)}, utf8);
                    rows->AppendText(i, utf8);
                } else {
                    rows->AppendBytes(i, {value, size_t(size)});
                }
                if (value)
                    doc.Free(value);
                break;
            }
            case Short: {
                short value = 0;
                if (PX_get_data_short(px, p, len, &value) > 0)
                    rows->AppendInt(i, value);
                else
                    rows->AppendNull(i);
                break;
            }
            case Long:
            case AutoInc:
            case Time:
            case Date: {
                // pxlib 0.6.8 tests a 4-byte field for emptiness through a long, which is
                // 8 bytes on 64-bit systems, so it calls empty fields non-empty at random.
                long value = 0;
                if (std::memcmp(p, "\0\0\0\0", 4) == 0 || PX_get_data_long(px, p, len, &value) <= 0)
                    rows->AppendNull(i);
                else if (field->px_ftype == Date)
                    rows->AppendInt(i, value + ParadoxDayToJulianDay);
                else
                    rows->AppendInt(i, value);
                break;
            }
            case Number:
            case Currency:
            case Timestamp: {
                double value = 0;
                if (PX_get_data_double(px, p, len, &value) <= 0)
                    rows->AppendNull(i);
                else if (field->px_ftype == Timestamp)
                    rows->AppendInt(i, int64_t(value) - MSecsPerDay);
                else
                    rows->AppendFloat(i, value);
                break;
            }
            case Logical: {
                char value = 0;
                if (PX_get_data_byte(px, p, len, &value) > 0)
                    rows->AppendInt(i, value != 0);
                else
                    rows->AppendNull(i);
                break;
            }
            case Bcd: {
                char *value = nullptr;
                const int ok = PX_get_data_bcd(
                    px, reinterpret_cast<unsigned char *>(p), field->px_fdc, &value);
                if (ok > 0 && value)
                    rows->AppendFloat(i, QByteArray(value).replace(',', '.').toDouble());
                else
                    rows->AppendNull(i);
                if (value)
                    doc.Free(value);
                break;
            }
            default:
                rows->AppendNull(i);
            }
        }
        rows->EndRow();
    }
    return rows;
}

} // namespace Paradox
