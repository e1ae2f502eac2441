#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxFormat.h"
#include "db/paradox/ParadoxReader.h"
#include "db/paradox/ParadoxWriter.h"
#include "db/paradox/TRecordSet.h"
#include "tests/support/ParadoxPxlib.h"
#include "tests/support/ParadoxRows.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using Row = QVariantList;

TFieldType TypeOfKind(QChar kind)
{
    const Paradox::Format::FieldKind *k = Paradox::Format::KindOfLetter(char(kind.toLatin1()));
    return k ? k->Type : TFieldType::ftUnknown;
}

void Write(const QString &path, const std::vector<Paradox::NewField> &fields,
    const QList<Row> &rows, int codePage = 1251, int fileVersion = 70)
{
    Paradox::WriteTable(path, fields, RowsFromValues(fields, rows), codePage, fileVersion);
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Overwrites bytes of a file in place.
void Patch(const QString &path, qsizetype at, const QByteArray &bytes)
{
    QByteArray all = ReadBytes(path);
    all.replace(at, bytes.size(), bytes);
    WriteBytes(path, all);
}

QByteArray Le16Bytes(int v)
{
    return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF));
}

QByteArray Le32Bytes(uint32_t v)
{
    return Le16Bytes(int(v & 0xFFFF)) + Le16Bytes(int(v >> 16));
}

int HeaderSizeOf(const QString &path)
{
    return Paradox::Format::Le16(
        reinterpret_cast<const unsigned char *>(ReadBytes(path).constData())
        + Paradox::Format::HeaderSizeAt);
}

// The message a read fails with, or an empty text when it reads.
QString ReadFailure(const QString &path, int defaultCodePage = 1251)
{
    try {
        Paradox::ReadTable(path, defaultCodePage);
    } catch (const EDatabaseError &e) {
        return QString::fromUtf8(e.what()); // the message and its technical detail
    }
    return {};
}

// Every cell of two record sets, compared through their natural Qt values.
void CompareSets(const TRecordSet &actual, const TRecordSet &expected)
{
    QCOMPARE(actual.ColumnCount(), expected.ColumnCount());
    QCOMPARE(actual.RowCount(), expected.RowCount());
    for (int c = 0; c < actual.ColumnCount(); ++c) {
        QCOMPARE(actual.Info(c).Name, expected.Info(c).Name);
        QCOMPARE(actual.Info(c).Type, expected.Info(c).Type);
    }
    for (int r = 0; r < actual.RowCount(); ++r)
        for (int c = 0; c < actual.ColumnCount(); ++c) {
            QCOMPARE(actual.IsNull(r, c), expected.IsNull(r, c));
            if (!actual.IsNull(r, c))
                QCOMPARE(actual.Value(r, c), expected.Value(r, c));
        }
}

// Bytes placed so that unreadable memory follows them: reading past their end crashes.
class BytesBeforeAGuardPage
{
public:
    explicit BytesBeforeAGuardPage(const QByteArray &bytes)
    {
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        const size_t span = (size_t(bytes.size()) + page - 1) / page * page;
        FSize = span + page;
        FBase = static_cast<char *>(
            mmap(nullptr, FSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (FBase == MAP_FAILED || mprotect(FBase + span, page, PROT_NONE) != 0)
            qFatal("no guard page");
        FView = {FBase + span - size_t(bytes.size()), size_t(bytes.size())};
        std::memcpy(const_cast<char *>(FView.data()), bytes.constData(), FView.size());
    }
    ~BytesBeforeAGuardPage() { munmap(FBase, FSize); }
    BytesBeforeAGuardPage(const BytesBeforeAGuardPage &) = delete;
    BytesBeforeAGuardPage &operator=(const BytesBeforeAGuardPage &) = delete;

    std::string_view View() const { return FView; }

private:
    char *FBase = nullptr;
    size_t FSize = 0;
    std::string_view FView;
};

} // namespace

class TestParadox : public QObject
{
    Q_OBJECT

    QTemporaryDir FFolder;

    QString PathOf(const QString &name) const { return FFolder.filePath(name); }

private slots:
    void everyFieldTypeReadsBackWithNulls_data();
    void everyFieldTypeReadsBackWithNulls();
    void memosLongerThanTheirRecordPartComeFromTheBlobFile();
    void missingBlobFileIsAnError();
    void textIsDecodedFromTheHeaderCodePageElseTheDefault_data();
    void textIsDecodedFromTheHeaderCodePageElseTheDefault();
    void infoListsFieldsCodePageAndCount();
    void manyBlocksReadInOrderAndAsPxlibReadsThem();
    void emptyTableHasFieldsAndNoRows();
    void nullAutoIncrementsAreNumberedOn();
    void writerRefusesValuesItCannotStore_data();
    void writerRefusesValuesItCannotStore();
    void readOnlyFolderIsReadWithoutWritingAnything();
    void notATableIsAnError_data();
    void notATableIsAnError();
    void corruptionSweepNeverCrashesOrHangs_data();
    void corruptionSweepNeverCrashesOrHangs();
    void outOfRangeDateOrTimeIsDamage_data();
    void outOfRangeDateOrTimeIsDamage();
    void everyTypeOfEveryVersionReadsBackEqual_data();
    void everyTypeOfEveryVersionReadsBackEqual();
    void bcdValuesDecodeExactlyWhateverTheirFirstByte_data();
    void bcdValuesDecodeExactlyWhateverTheirFirstByte();
    void codePagesBeyondTheBuiltInTablesGoThroughThePlatform_data();
    void codePagesBeyondTheBuiltInTablesGoThroughThePlatform();
    void unknownCodePageIsRefusedByNumber();
    void passwordProtectedTableIsRefused_data();
    void passwordProtectedTableIsRefused();
    void emptiedBlockInTheChainReadsAsNoRecords();
    void recordSetFilledByColumnsChecksEveryColumn_data();
    void recordSetFilledByColumnsChecksEveryColumn();
    void shortTextEndsAtItsFirstNulWhereverItLies_data();
    void shortTextEndsAtItsFirstNulWhereverItLies();
};

void TestParadox::everyFieldTypeReadsBackWithNulls_data()
{
    QTest::addColumn<QChar>("kind");
    QTest::addColumn<int>("length");
    QTest::addColumn<Row>("values"); // one row each, the last one always null

    const QVariant null;
    QTest::newRow("alpha") << QChar('A') << 20
                           << Row {QStringLiteral("Иванов И.И."), QStringLiteral("x"),
                                  QStringLiteral("ровно двадцать симв."), QStringLiteral("Ёлкин"),
                                  null};
    // Fields of up to 16 bytes are read whole: texts of the full width, plain ASCII and not.
    QTest::newRow("alpha of 16") << QChar('A') << 16
                                 << Row {QStringLiteral("0123456789abcdef"),
                                        QStringLiteral("ровно шестнадцат"),
                                        QStringLiteral("78-50-25"), QStringLiteral("143а"), null};
    QTest::newRow("alpha of 1") << QChar('A') << 1
                                << Row {QStringLiteral("7"), QStringLiteral("Я"), null};
    QTest::newRow("short") << QChar('S') << 0 << Row {0, 1, -1, 32767, -32767, null};
    QTest::newRow("long") << QChar('I') << 0 << Row {0, 42, -42, 2147483647, -2147483647, null};
    QTest::newRow("autoincrement") << QChar('+') << 0 << Row {1, 2, 1000, 7};
    QTest::newRow("number") << QChar('N') << 0 << Row {0.0, 1.5, -1.5, 1e300, -2.5e-300, null};
    QTest::newRow("currency") << QChar('C') << 0 << Row {0.0, 12.34, -99999.99, null};
    QTest::newRow("bcd") << QChar('#') << 2 << Row {0.0, 12.34, -5.5, 123456789.01, null};
    QTest::newRow("date") << QChar('D') << 0
                          << Row {QDate(2024, 2, 29), QDate(1, 1, 1), QDate(1899, 12, 30),
                                 QDate(9999, 12, 31), null};
    QTest::newRow("time") << QChar('T') << 0
                          << Row {QTime(0, 0), QTime(23, 59, 59, 999), QTime(12, 30), null};
    QTest::newRow("timestamp") << QChar('@') << 0
                               << Row {QDateTime(QDate(2024, 5, 1), QTime(8, 15, 30, 250)),
                                      QDateTime(QDate(1, 1, 1), QTime(0, 0)),
                                      QDateTime(QDate(1999, 12, 31), QTime(23, 59)), null};
    QTest::newRow("logical") << QChar('L') << 0 << Row {true, false, null};
    QTest::newRow("memo")
        << QChar('M') << 10
        << Row {QStringLiteral("коротко"), QStringLiteral("ровно 10.."),
               QStringLiteral("Длинная заметка, которая не помещается в запись.").repeated(100),
               null};
    QTest::newRow("formatted memo")
        << QChar('F') << 20
        << Row {QStringLiteral("{\\rtf1 Привет}"),
               QStringLiteral("{\\rtf1 %1}").arg(QString(5000, 'z')), null};
    QTest::newRow("blob") << QChar(
        'B') << 10 << Row {QByteArray("\x01\x02\x00\x03", 4), QByteArray(9000, '\xAB'), null};
    QTest::newRow("graphic") << QChar('G') << 10
                             << Row {QByteArray("BM\x00\x01", 4), QByteArray(4100, '\x7F'), null};
    QTest::newRow("ole") << QChar('O') << 10 << Row {QByteArray(300, '\x05'), null};
    QTest::newRow("bytes") << QChar('Y') << 6
                           << Row {QByteArray("\x01\x00\x00\x00\x00\x00", 6),
                                  QByteArray("\xFF\xFE\xFD\xFC\xFB\xFA", 6), null};
}

// A table of one field of each kind, plus an alpha field beside it, read by our reader and by
// pxlib.
void TestParadox::everyFieldTypeReadsBackWithNulls()
{
    QFETCH(QChar, kind);
    QFETCH(int, length);
    QFETCH(Row, values);

    const QString path
        = PathOf(QStringLiteral("types_%1.DB").arg(QTest::currentDataTag()).replace(' ', '_'));
    const std::vector<Paradox::NewField> fields {
        {QStringLiteral("VALUE"), kind, length}, {QStringLiteral("ТЕКСТ"), QChar('A'), 8}};
    QList<Row> rows;
    for (int i = 0; i < values.size(); ++i)
        rows.append(Row {values.at(i), QStringLiteral("ряд %1").arg(i)});
    Write(path, fields, rows);

    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->RowCount(), int(values.size()));
    QCOMPARE(read->Info(0).Type, TypeOfKind(kind));
    QCOMPARE(read->Info(1).Name, QStringLiteral("ТЕКСТ"));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant expected = values.at(i);
        QCOMPARE(read->IsNull(i, 0), expected.isNull());
        if (expected.isNull())
            continue;
        const QVariant actual = read->Value(i, 0);
        if (kind == QChar('Y'))
            QCOMPARE(actual.toByteArray(), expected.toByteArray());
        else if (expected.typeId() == QMetaType::Double)
            QCOMPARE(actual.toDouble(), expected.toDouble());
        else if (expected.typeId() == QMetaType::Int)
            QCOMPARE(actual.toLongLong(), expected.toLongLong());
        else
            QCOMPARE(actual, expected);
        QCOMPARE(read->Text(i, 1), QStringLiteral("ряд %1").arg(i));
    }

    // pxlib reads BLObs only from their records, so it checks those that fit there.
    if (Paradox::Format::IsBlobCode(Paradox::Format::KindOfLetter(char(kind.toLatin1()))->Code)) {
        QList<Row> inRecord;
        for (const Row &r : rows)
            if (r.at(0).isNull() || r.at(0).toByteArray().size() <= length)
                inRecord.append(r);
        QVERIFY(inRecord.size() < rows.size());
        Write(path, fields, inRecord);
    }
    CompareSets(*Paradox::ReadTableWithPxlib(path), *Paradox::ReadTable(path));
}

void TestParadox::memosLongerThanTheirRecordPartComeFromTheBlobFile()
{
    const QString path = PathOf(QStringLiteral("memo.DB"));
    const QString longText = QStringLiteral("Примечание ").repeated(1000);
    Write(path, {{QStringLiteral("NOTE"), QChar('M'), 5}},
        {{QStringLiteral("абв")}, {longText}, {QVariant()}});
    QVERIFY(QFileInfo::exists(PathOf(QStringLiteral("memo.MB"))));
    // The record keeps the first bytes; the rest is only in the .MB.
    QVERIFY(ReadBytes(PathOf(QStringLiteral("memo.MB"))).size() >= longText.size());
    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->Text(0, 0), QStringLiteral("абв"));
    QCOMPARE(read->Text(1, 0), longText);
    QVERIFY(read->IsNull(2, 0));
}

void TestParadox::missingBlobFileIsAnError()
{
    const QString path = PathOf(QStringLiteral("orphan.DB"));
    Write(path, {{QStringLiteral("NOTE"), QChar('M'), 5}}, {{QString(100, 'x')}});
    QVERIFY(QFile::remove(PathOf(QStringLiteral("orphan.MB"))));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Paradox::ReadTable(path));
}

void TestParadox::textIsDecodedFromTheHeaderCodePageElseTheDefault_data()
{
    QTest::addColumn<int>("written"); // code page the table is written in
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("clearHeader"); // header's code page erased
    QTest::addColumn<int>("defaultCodePage");
    QTest::addColumn<QString>("expected");

    const QString text = QStringLiteral("Ёжик в тумане");
    QTest::newRow("1251 from header") << 1251 << 70 << false << 866 << text;
    QTest::newRow("866 from header") << 866 << 70 << false << 1251 << text;
    QTest::newRow("none, default 1251") << 1251 << 70 << true << 1251 << text;
    QTest::newRow("none, default 866") << 866 << 70 << true << 866 << text;
    // Windows-1251 bytes read as if they were DOS 866 (an empty expectation: anything else).
    QTest::newRow("none, wrong default") << 1251 << 70 << true << 866 << QString();
    // Paradox 3.x headers have no code page at all; 4.x ones may say 0.
    QTest::newRow("3.5, default 866") << 866 << 35 << false << 866 << text;
    QTest::newRow("3.5, default 1251") << 1251 << 35 << false << 1251 << text;
    QTest::newRow("4.0 with code page 0") << 866 << 40 << true << 866 << text;
}

void TestParadox::textIsDecodedFromTheHeaderCodePageElseTheDefault()
{
    QFETCH(int, written);
    QFETCH(int, version);
    QFETCH(bool, clearHeader);
    QFETCH(int, defaultCodePage);
    QFETCH(QString, expected);

    const QString path = PathOf(QStringLiteral("cp_%1.DB")
                                    .arg(QTest::currentDataTag())
                                    .replace(' ', '_')
                                    .replace(',', '_'));
    const QString name = QStringLiteral("ФАМИЛИЯ");
    Write(path, {{name, QChar('A'), 30}}, {{QStringLiteral("Ёжик в тумане")}}, written, version);
    if (clearHeader) {
        QByteArray bytes = ReadBytes(path);
        bytes[Paradox::Format::CodePageAt] = 0;
        bytes[Paradox::Format::CodePageAt + 1] = 0;
        WriteBytes(path, bytes);
    }
    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path, defaultCodePage);
    if (expected.isEmpty()) {
        QVERIFY(read->Text(0, 0) != QStringLiteral("Ёжик в тумане"));
        QCOMPARE(read->Text(0, 0).size(), QStringLiteral("Ёжик в тумане").size());
    } else {
        QCOMPARE(read->Text(0, 0), expected);
        // The field names are in the data's code page too.
        QCOMPARE(read->Info(0).Name, name);
        QCOMPARE(Paradox::ReadInfo(path, defaultCodePage).Fields.at(0).Name, name);
    }
}

void TestParadox::infoListsFieldsCodePageAndCount()
{
    const QString path = PathOf(QStringLiteral("info.DB"));
    Write(path,
        {{QStringLiteral("FAM"), QChar('A'), 30}, {QStringLiteral("K_Y"), QChar('I'), 0},
            {QStringLiteral("SUM"), QChar('#'), 3}, {QStringLiteral("NOTE"), QChar('M'), 12}},
        {{QStringLiteral("a"), 1, 1.5, QVariant()},
            {QStringLiteral("b"), 2, 2.5, QStringLiteral("n")}});
    const Paradox::TableInfo info = Paradox::ReadInfo(path);
    QCOMPARE(info.RecordCount, 2);
    QCOMPARE(info.CodePage, 1251);
    QCOMPARE(info.FileVersion, 70);
    QCOMPARE(int(info.Fields.size()), 4);
    QCOMPARE(info.Fields[0].Name, QStringLiteral("FAM"));
    QCOMPARE(info.Fields[0].Size, 30);
    QCOMPARE(info.Fields[0].Type, TFieldType::ftString);
    QCOMPARE(info.Fields[1].Type, TFieldType::ftInteger);
    QCOMPARE(info.Fields[2].Decimals, 3);
    QCOMPARE(info.Fields[2].Size, 17);
    QCOMPARE(info.Fields[3].Size, 22);
    QCOMPARE(info.Fields[3].Type, TFieldType::ftMemo);
    QCOMPARE(info.RecordSize, 30 + 4 + 17 + 22);
}

void TestParadox::manyBlocksReadInOrderAndAsPxlibReadsThem()
{
    const QString path = PathOf(QStringLiteral("many.DB"));
    const std::vector<Paradox::NewField> fields {{QStringLiteral("N"), QChar('I'), 0},
        {QStringLiteral("NAME"), QChar('A'), 40}, {QStringLiteral("X"), QChar('N'), 0}};
    QList<Row> rows;
    for (int i = 0; i < 20000; ++i)
        rows.append(
            Row {i, QStringLiteral("Улица %1").arg(i), i % 7 ? QVariant(i / 3.0) : QVariant()});
    Write(path, fields, rows);
    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->RowCount(), 20000);
    for (int i = 0; i < 20000; i += 997) {
        QCOMPARE(read->Int(i, 0), i);
        QCOMPARE(read->Text(i, 1), QStringLiteral("Улица %1").arg(i));
    }
    CompareSets(*Paradox::ReadTableWithPxlib(path), *read);
}

void TestParadox::emptyTableHasFieldsAndNoRows()
{
    const QString path = PathOf(QStringLiteral("empty.DB"));
    Write(path, {{QStringLiteral("A"), QChar('A'), 5}, {QStringLiteral("B"), QChar('D'), 0}}, {});
    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->RowCount(), 0);
    QCOMPARE(read->ColumnCount(), 2);
    QCOMPARE(Paradox::ReadTableWithPxlib(path)->RowCount(), 0);
}

void TestParadox::nullAutoIncrementsAreNumberedOn()
{
    const QString path = PathOf(QStringLiteral("auto.DB"));
    Write(path, {{QStringLiteral("ID"), QChar('+'), 0}}, {{5}, {QVariant()}, {2}, {QVariant()}});
    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->Int(0, 0), 5);
    QCOMPARE(read->Int(1, 0), 6);
    QCOMPARE(read->Int(2, 0), 2);
    QCOMPARE(read->Int(3, 0), 7);
    const QByteArray bytes = ReadBytes(path);
    QCOMPARE(Paradox::Format::Le32(reinterpret_cast<const unsigned char *>(bytes.constData())
                 + Paradox::Format::AutoIncAt),
        7u);
}

void TestParadox::writerRefusesValuesItCannotStore_data()
{
    QTest::addColumn<QChar>("kind");
    QTest::addColumn<int>("length");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("alpha too long") << QChar('A') << 3 << QVariant(QStringLiteral("abcd"));
    QTest::newRow("alpha not in code page") << QChar('A') << 10 << QVariant(QStringLiteral("日本"));
    QTest::newRow("alpha length 0") << QChar('A') << 0 << QVariant(QStringLiteral("a"));
    QTest::newRow("alpha length 256") << QChar('A') << 256 << QVariant(QStringLiteral("a"));
    QTest::newRow("short too large") << QChar('S') << 0 << QVariant(32768);
    QTest::newRow("short -32768") << QChar('S') << 0 << QVariant(-32768);
    QTest::newRow("long too large") << QChar('I') << 0 << QVariant(qlonglong(1) << 31);
    QTest::newRow("number infinite") << QChar('N') << 0 << QVariant(qInf());
    QTest::newRow("bcd too many digits") << QChar('#') << 30 << QVariant(1e5);
    QTest::newRow("bytes too long") << QChar('Y') << 2 << QVariant(QByteArray("abc"));
    QTest::newRow("memo leader too long") << QChar('M') << 241 << QVariant(QStringLiteral("a"));
    QTest::newRow("unknown kind") << QChar('Q') << 0 << QVariant(1);
}

void TestParadox::writerRefusesValuesItCannotStore()
{
    QFETCH(QChar, kind);
    QFETCH(int, length);
    QFETCH(QVariant, value);
    const QString path = PathOf(QStringLiteral("refused.DB"));
    const std::vector<Paradox::NewField> fields {{QStringLiteral("F"), kind, length}};
    TRecordSet rows;
    if (kind == QChar('Q'))
        rows = RowsFromValues({{QStringLiteral("F"), QChar('I'), 0}}, {{value}});
    else
        rows = RowsFromValues(fields, {{value}});
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Paradox::WriteTable(path, fields, rows));
    QVERIFY(!QFileInfo::exists(path));
}

void TestParadox::readOnlyFolderIsReadWithoutWritingAnything()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("ro.DB"));
    Write(path, {{QStringLiteral("A"), QChar('A'), 10}, {QStringLiteral("M"), QChar('M'), 1}},
        {{QStringLiteral("a"), QStringLiteral("long memo text")}});
    const QByteArray before = ReadBytes(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    QFile::setPermissions(path, QFile::ReadOwner);
    QFile::setPermissions(folder.filePath(QStringLiteral("ro.MB")), QFile::ReadOwner);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);

    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->Text(0, 1), QStringLiteral("long memo text"));

    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    QCOMPARE(ReadBytes(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
}

void TestParadox::notATableIsAnError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("text file") << QByteArray("FAM,TELE\nИванов,123\n");
    QTest::newRow("zeros") << QByteArray(4096, '\0');
    QTest::newRow("ones") << QByteArray(4096, '\xFF');
}

void TestParadox::notATableIsAnError()
{
    QFETCH(QByteArray, bytes);
    const QString path = PathOf(QStringLiteral("junk.DB"));
    WriteBytes(path, bytes);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Paradox::ReadTable(path));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Paradox::ReadInfo(path));
    QVERIFY_THROWS_EXCEPTION(
        EDatabaseError, Paradox::ReadTable(PathOf(QStringLiteral("absent.DB"))));
}

void TestParadox::corruptionSweepNeverCrashesOrHangs_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("truncations") << QStringLiteral("truncate");
    QTest::newRow("header bytes flipped") << QStringLiteral("flip");
    QTest::newRow("header bytes set to extremes") << QStringLiteral("extreme");
    QTest::newRow("blob file damaged") << QStringLiteral("blob");
    QTest::newRow("data bytes scrambled") << QStringLiteral("scramble");
}

// Every damaged variant of a small table with every field type either reads or raises
// EDatabaseError; anything else (a crash, another exception, a hang) fails the run.
void TestParadox::corruptionSweepNeverCrashesOrHangs()
{
    QFETCH(QString, what);
    const QString path = PathOf(QStringLiteral("sweep.DB"));
    std::vector<Paradox::NewField> fields;
    Row row;
    const char kinds[] = "ASINCD T@L+#MBY";
    for (const char kind : kinds) {
        if (kind == ' ' || kind == '\0')
            continue;
        const int length = kind == 'A'   ? 8
            : kind == 'Y'                ? 3
            : kind == 'M' || kind == 'B' ? 4
            : kind == '#'                ? 2
                                         : 0;
        fields.push_back({QStringLiteral("F%1").arg(fields.size()), QChar(kind), length});
    }
    QList<Row> rows;
    for (int i = 0; i < 300; ++i)
        rows.append(Row {QStringLiteral("ж%1").arg(i), i, i * 1000, i / 4.0, i * 0.25,
            QDate(2000, 1, 1).addDays(i), QTime(1, 0).addSecs(i),
            QDateTime(QDate(2001, 1, 1), QTime(0, 0)).addSecs(i), i % 2 == 0, i + 1, i * 1.5,
            QStringLiteral("memo %1 ").repeated(i % 5), QByteArray(i % 11, 'b'),
            QByteArray("\x01\x02\x03", 3)});
    Write(path, fields, rows);
    const QByteArray table = ReadBytes(path);
    const QByteArray blob = ReadBytes(PathOf(QStringLiteral("sweep.MB")));
    const int headerSize
        = Paradox::Format::Le16(reinterpret_cast<const unsigned char *>(table.constData()) + 2);

    int read = 0, refused = 0;
    const auto attempt = [&](const QByteArray &db, const QByteArray &mb) {
        const Paradox::BlobFileSource source = [&](std::string_view &bytes) {
            bytes = std::string_view(mb.constData(), size_t(mb.size()));
            return true;
        };
        try {
            const auto rowsRead
                = Paradox::DecodeTable(std::string_view(db.constData(), size_t(db.size())), source,
                    QStringLiteral("sweep"), 1251);
            // A table that reads at all reads whole: the header's record count is checked.
            QCOMPARE(rowsRead->RowCount(), 300);
            ++read;
        } catch (const EDatabaseError &) {
            ++refused;
        }
    };

    if (what == QStringLiteral("truncate")) {
        for (int size = 0; size < table.size(); size += (size < headerSize + 64 ? 1 : 37))
            attempt(table.left(size), blob);
        QVERIFY(refused > 0);
    } else if (what == QStringLiteral("flip") || what == QStringLiteral("extreme")) {
        const QList<char> values = what == QStringLiteral("flip")
            ? QList<char> {}
            : QList<char> {'\0', '\x01', '\x7F', '\x80', '\xFF'};
        for (int at = 0; at < headerSize; ++at) {
            if (values.isEmpty()) {
                QByteArray damaged = table;
                damaged[at] = char(~damaged[at]);
                attempt(damaged, blob);
            }
            for (const char v : values) {
                QByteArray damaged = table;
                damaged[at] = v;
                attempt(damaged, blob);
            }
        }
        QVERIFY(refused > 0);
    } else if (what == QStringLiteral("blob")) {
        for (int size = 0; size < blob.size(); size += 4093)
            attempt(table, blob.left(size));
        // The block headers of the first BLObs byte by byte, then a stride through the rest.
        QList<int> places;
        for (int at = 4096; at < 4 * 4096; at += at % 4096 < 20 ? 1 : 4096 - 19)
            places.append(at);
        for (int at = 0; at < blob.size(); at += 509)
            places.append(at);
        for (const int at : places) {
            QByteArray damaged = blob;
            damaged[at] = char(~damaged[at]);
            attempt(table, damaged);
        }
        QVERIFY(refused > 0);
    } else {
        // A fixed sequence, so that a failure can be replayed.
        quint32 state = 12345;
        for (int round = 0; round < 400; ++round) {
            QByteArray damaged = table;
            for (int k = 0; k < 8; ++k) {
                state = state * 1664525u + 1013904223u;
                damaged[int(state % quint32(damaged.size()))] = char(state >> 24);
            }
            attempt(damaged, blob);
        }
    }
    QVERIFY(read + refused > 0);
}

void TestParadox::everyTypeOfEveryVersionReadsBackEqual_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("typeCount"); // field types that version has
    QTest::addColumn<bool>("nulls");
    const struct
    {
        int Version;
        int Types;
    } versions[] = {{35, 5}, {40, 10}, {50, 10}, {70, 17}};
    for (const auto &v : versions)
        for (const bool nulls : {false, true})
            QTest::addRow(
                "%d.%d %s", v.Version / 10, v.Version % 10, nulls ? "with nulls" : "without nulls")
                << v.Version << v.Types << nulls;
}

// A table of every field type the writer makes in a version (the BLOb kinds both with a part
// kept in the record and with only the pointer to the .MB), in DOS 866 with Cyrillic field names,
// filled from a fixed sequence of values and read back.
void TestParadox::everyTypeOfEveryVersionReadsBackEqual()
{
    QFETCH(int, version);
    QFETCH(int, typeCount);
    QFETCH(bool, nulls);
    constexpr int RowCount = 60;

    std::vector<Paradox::NewField> fields;
    int types = 0;
    for (const Paradox::Format::FieldKind &kind : Paradox::Format::FieldKinds) {
        const QChar letter = QLatin1Char(kind.Letter);
        const bool blob = Paradox::Format::IsBlobCode(kind.Code);
        const int length = letter == 'A' ? 12
            : letter == 'Y'              ? 5
            : letter == '#'              ? 2
            : blob                       ? 4
                                         : 0;
        const QString name = QStringLiteral("ПОЛЕ_%1").arg(fields.size());
        const QString path = PathOf(QStringLiteral("probe.DB"));
        try {
            Write(path, {{name, letter, length}}, {}, 866, version);
        } catch (const EDatabaseError &) {
            continue; // not a type of this version
        }
        ++types;
        fields.push_back({name, letter, length});
        if (blob && letter != 'M')
            fields.push_back({QStringLiteral("ПОЛЕ_%1").arg(fields.size()), letter, 0});
    }
    QCOMPARE(types, typeCount);

    QList<Row> rows;
    for (int r = 0; r < RowCount; ++r) {
        Row row;
        for (size_t c = 0; c < fields.size(); ++c) {
            const char kind = char(fields[c].Kind.toLatin1());
            if (nulls && kind != '+' && (r + int(c)) % 5 == 0) {
                row.append(QVariant());
                continue;
            }
            switch (kind) {
            case 'A':
                row.append(QStringLiteral("Ёлка %1").arg(r * 7));
                break;
            case 'S':
                row.append(r * 37 % 2000 - 1000);
                break;
            case 'I':
                row.append(r * 100003 - 2000000);
                break;
            case '+':
                row.append(r + 1);
                break;
            case 'N':
                row.append(r * 1.25 - 7.5);
                break;
            case 'C':
                row.append(r * 0.01);
                break;
            case '#':
                row.append((r * 123 - 2000) / 100.0);
                break;
            case 'D':
                row.append(QDate(1990, 1, 1).addDays(r * 13));
                break;
            case 'T':
                row.append(QTime(0, 0).addMSecs(r * 1234567 % 86400000));
                break;
            case '@':
                row.append(QDateTime(QDate(2000, 1, 1), QTime(0, 0)).addMSecs(r * 98765432LL));
                break;
            case 'L':
                row.append(r % 2 == 0);
                break;
            case 'M':
            case 'F':
                row.append(QStringLiteral("Заметка %1. ").arg(r).repeated(r % 4 + 1));
                break;
            case 'Y':
                row.append(QByteArray(1, char(r + 1)) + QByteArray(4, char(r * 3)));
                break;
            default: // B, O, G: some kept in the record part, some only in the .MB
                row.append(QByteArray(r * 37 % 300 + 1, char(r)));
            }
        }
        rows.append(row);
    }
    const QString path = PathOf(QStringLiteral("sweep_%1_%2.DB").arg(version).arg(nulls));
    Write(path, fields, rows, 866, version);
    QCOMPARE(Paradox::ReadInfo(path, 866).FileVersion, version);
    CompareSets(*Paradox::ReadTable(path, 866), RowsFromValues(fields, rows));
}

void TestParadox::bcdValuesDecodeExactlyWhateverTheirFirstByte_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shape"); // of the first byte, or of the digits
    QTest::addColumn<bool>("valid");

    // "sign and decimals": 0xC0 + decimals, or 0x40 + decimals when negative (pxlib's form);
    // "inverted": the first byte inverted with the digits when negative (0x80 + decimals, all
    // bits flipped); "sign only": just the sign bit, no decimals repeated.
    const QString forms[] = {QStringLiteral("sign and decimals"), QStringLiteral("inverted"),
        QStringLiteral("sign only")};
    const struct
    {
        int Decimals;
        double Value;
    } values[] = {{2, 1.23}, {2, -1.23}, {3, 0.123}, {4, 0.9999}, {4, -0.9999}, {0, -42},
        {1, 123456789012.5}, {32, 0.5}};
    for (const QString &form : forms)
        for (const auto &v : values)
            QTest::addRow("%s, %g with %d decimals", qPrintable(form), v.Value, v.Decimals)
                << v.Decimals << v.Value << form << true;
    QTest::newRow("a digit nibble of 0xA") << 2 << 1.23 << QStringLiteral("bad digit") << false;
}

// Paradox's BCD: a sign bit, then 32 digit nibbles (inverted when negative) whose last ones,
// as many as the field's decimals, follow the point.
void TestParadox::bcdValuesDecodeExactlyWhateverTheirFirstByte()
{
    QFETCH(int, decimals);
    QFETCH(double, value);
    QFETCH(QString, shape);
    QFETCH(bool, valid);

    const QString path = PathOf(QStringLiteral("bcd.DB"));
    Write(path, {{QStringLiteral("SUM"), QChar('#'), decimals}}, {{value}});
    const int at = HeaderSizeOf(path) + Paradox::Format::DataBlockHeaderSize;
    const bool negative = value < 0;
    if (shape == QStringLiteral("inverted"))
        Patch(path, at, QByteArray(1, char(negative ? ~(0x80 + decimals) : 0x80 + decimals)));
    else if (shape == QStringLiteral("sign only"))
        Patch(path, at, QByteArray(1, char(negative ? 0x7F : 0x80)));
    else if (shape == QStringLiteral("bad digit"))
        Patch(path, at + 16, QByteArray(1, char(0xA0)));

    if (!valid) {
        QVERIFY(ReadFailure(path).contains(QStringLiteral("SUM")));
        return;
    }
    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->Info(0).Type, TFieldType::ftBCD);
    QVERIFY2(read->Float(0, 0) == value, qPrintable(QString::number(read->Float(0, 0), 'g', 17)));
}

void TestParadox::codePagesBeyondTheBuiltInTablesGoThroughThePlatform_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QString>("text");
    QTest::newRow("936, simplified Chinese") << 936 << QStringLiteral("北京市朝阳区 12");
    QTest::newRow("950, traditional Chinese") << 950 << QStringLiteral("臺北市");
    QTest::newRow("932, Japanese") << 932 << QStringLiteral("東京都 カナ");
    QTest::newRow("1253, Greek") << 1253 << QStringLiteral("Αθήνα");
    QTest::newRow("852, DOS Central European") << 852 << QStringLiteral("Łódź");
}

void TestParadox::codePagesBeyondTheBuiltInTablesGoThroughThePlatform()
{
    QFETCH(int, codePage);
    QFETCH(QString, text);
    const QString path = PathOf(QStringLiteral("cp%1.DB").arg(codePage));
    Write(path, {{QStringLiteral("NAME"), QChar('A'), 30}, {QStringLiteral("NOTE"), QChar('M'), 4}},
        {{text, text.repeated(3)}, {QVariant(), QVariant()}}, codePage);
    QCOMPARE(Paradox::ReadInfo(path).CodePage, codePage);
    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->Text(0, 0), text);
    QCOMPARE(read->Text(0, 1), text.repeated(3));
    QVERIFY(read->IsNull(1, 0));

    // A header naming no code page: the connection's is used, through the same converter.
    Patch(path, Paradox::Format::CodePageAt, Le16Bytes(0));
    QCOMPARE(Paradox::ReadTable(path, codePage)->Text(0, 0), text);
}

void TestParadox::unknownCodePageIsRefusedByNumber()
{
    const QString path = PathOf(QStringLiteral("cp_unknown.DB"));
    Write(path, {{QStringLiteral("NAME"), QChar('A'), 10}}, {{QStringLiteral("x")}});
    Patch(path, Paradox::Format::CodePageAt, Le16Bytes(4242));
    QVERIFY2(ReadFailure(path).contains(QStringLiteral("4242")), qPrintable(ReadFailure(path)));
    Patch(path, Paradox::Format::CodePageAt, Le16Bytes(0));
    QVERIFY(ReadFailure(path, 4243).contains(QStringLiteral("4243")));
    QVERIFY(ReadFailure(path, 1251).isEmpty());
}

void TestParadox::passwordProtectedTableIsRefused_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("keyAt"); // where the header keeps the key
    QTest::newRow("3.5") << 35 << Paradox::Format::Encryption1At;
    QTest::newRow("7, in the common header") << 70 << Paradox::Format::Encryption1At;
    QTest::newRow("7, in the data header") << 70 << Paradox::Format::Encryption2At;
}

void TestParadox::passwordProtectedTableIsRefused()
{
    QFETCH(int, version);
    QFETCH(int, keyAt);
    const QString path = PathOf(QStringLiteral("secret.DB"));
    Write(path, {{QStringLiteral("NAME"), QChar('A'), 10}}, {{QStringLiteral("x")}}, 1251, version);
    Patch(path, keyAt, Le32Bytes(0x1D2C3B4A));
    const QString message = ReadFailure(path);
    QVERIFY2(message.contains(QStringLiteral("защищена паролем")), qPrintable(message));
    QVERIFY(message.contains(path));
}

// Deleting records can leave a block in the chain that holds none: its "records added" is one
// record short of zero.
void TestParadox::emptiedBlockInTheChainReadsAsNoRecords()
{
    const QString path = PathOf(QStringLiteral("emptied.DB"));
    constexpr int RecordSize = 255;
    constexpr int PerBlock = (4096 - Paradox::Format::DataBlockHeaderSize) / RecordSize;
    QList<Row> rows;
    for (int i = 0; i < 3 * PerBlock; ++i)
        rows.append(Row {QString::number(i)});
    Write(path, {{QStringLiteral("N"), QChar('A'), RecordSize}}, rows);
    const int secondBlock = HeaderSizeOf(path) + 4096;
    Patch(path, secondBlock + 4, Le16Bytes(-RecordSize & 0xFFFF));
    Patch(path, Paradox::Format::NumRecordsAt, Le32Bytes(2 * PerBlock));

    const std::unique_ptr<TRecordSet> read = Paradox::ReadTable(path);
    QCOMPARE(read->RowCount(), 2 * PerBlock);
    QCOMPARE(read->Text(PerBlock - 1, 0), QString::number(PerBlock - 1));
    QCOMPARE(read->Text(PerBlock, 0), QString::number(2 * PerBlock));
}

void TestParadox::recordSetFilledByColumnsChecksEveryColumn_data()
{
    // Values given to the number column and to the text column, and where it must fail.
    QTest::addColumn<int>("numbers");
    QTest::addColumn<int>("texts");
    QTest::addColumn<bool>("rowClosed");
    QTest::addColumn<QString>("failure");
    QTest::newRow("complete") << 3 << 3 << false << QString();
    QTest::newRow("a column short") << 3 << 2 << false << QStringLiteral("end");
    QTest::newRow("a column over") << 4 << 3 << false << QStringLiteral("append");
    QTest::newRow("a row closed on the way") << 3 << 3 << true << QStringLiteral("row");
}

void TestParadox::recordSetFilledByColumnsChecksEveryColumn()
{
    QFETCH(int, numbers);
    QFETCH(int, texts);
    QFETCH(bool, rowClosed);
    QFETCH(QString, failure);
    constexpr int Rows = 3;
    TRecordSet set;
    set.AddColumn(QStringLiteral("N"), TFieldType::ftInteger);
    set.AddColumn(QStringLiteral("T"), TFieldType::ftString, 10);
    set.BeginColumns(Rows);
    QString failed;
    try {
        for (int row = 0; row < numbers; ++row) {
            failed = QStringLiteral("append");
            if (row == 1)
                set.AppendNull(0);
            else
                set.AppendInt(0, row * 10);
        }
        failed = QStringLiteral("row");
        if (rowClosed)
            set.EndRow();
        failed = QStringLiteral("append");
        for (int row = 0; row < texts; ++row)
            set.AppendText(1, QByteArray::number(row).toStdString());
        failed = QStringLiteral("end");
        set.EndColumns();
        failed.clear();
    } catch (const EDatabaseError &) { }
    QCOMPARE(failed, failure);
    if (!failure.isEmpty())
        return;
    QCOMPARE(set.RowCount(), Rows);
    QCOMPARE(set.Value(0, 0), QVariant(qlonglong(0)));
    QVERIFY(set.IsNull(1, 0));
    QCOMPARE(set.Value(2, 0), QVariant(qlonglong(20)));
    QCOMPARE(set.Text(2, 1), QStringLiteral("2"));
}

void TestParadox::shortTextEndsAtItsFirstNulWhereverItLies_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("values");
    // Bytes left after the first value's NUL, as an editor that shortened it may leave them.
    QTest::addColumn<QByteArray>("leftover");
    // The table's bytes end right after the last record, so that its field lies at the very
    // end, and unreadable memory follows.
    QTest::addColumn<bool>("cut");
    const QStringList numbers {QStringLiteral("78-50"), QStringLiteral("01-02-03")};
    const QStringList houses {QStringLiteral("12"), QStringLiteral("143а"), QStringLiteral("Дом")};
    QTest::newRow("leftover ASCII") << 10 << numbers << QByteArray("9-99") << false;
    QTest::newRow("leftover Cyrillic") << 6 << houses << QByteArray("\xC4\xEE") << false;
    QTest::newRow("ASCII at the end of the file") << 10 << numbers << QByteArray() << true;
    QTest::newRow("Cyrillic at the end of the file") << 6 << houses << QByteArray() << true;
}

void TestParadox::shortTextEndsAtItsFirstNulWhereverItLies()
{
    QFETCH(int, width);
    QFETCH(QStringList, values);
    QFETCH(QByteArray, leftover);
    QFETCH(bool, cut);
    const QString path = PathOf(QStringLiteral("short_%1.DB").arg(QTest::currentDataTag()));
    QList<Row> rows;
    for (const QString &value : values)
        rows.append(Row {value});
    Write(path, {{QStringLiteral("T"), QChar('A'), width}}, rows);
    const int firstRecord = HeaderSizeOf(path) + Paradox::Format::DataBlockHeaderSize;
    if (!leftover.isEmpty())
        Patch(path, firstRecord + width - leftover.size(), leftover);
    QByteArray bytes = ReadBytes(path);
    if (cut)
        bytes.truncate(firstRecord + values.size() * width);

    const BytesBeforeAGuardPage table(bytes);
    const std::unique_ptr<TRecordSet> read = Paradox::DecodeTable(table.View(), {}, path, 1251);
    QCOMPARE(read->RowCount(), int(values.size()));
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(read->Text(i, 0), values.at(i));
}

QTEST_GUILESS_MAIN(TestParadox)
#include "tst_paradox.moc"

void TestParadox::outOfRangeDateOrTimeIsDamage_data()
{
    QTest::addColumn<QChar>("kind");
    QTest::addColumn<quint32>("stored"); // the field's four bytes, big-endian
    QTest::newRow("date of day 0") << QChar('D') << quint32(0x80000000u);
    QTest::newRow("date before year 1") << QChar('D') << quint32(0x7FFFFFFFu);
    QTest::newRow("date after year 9999") << QChar('D') << quint32(0x80000000u + 3652060u);
    QTest::newRow("time of 0xFFFFFFFF") << QChar('T') << quint32(0xFFFFFFFFu);
    QTest::newRow("time of 24:00:00") << QChar('T') << quint32(0x80000000u + 86400000u);
    QTest::newRow("negative time") << QChar('T') << quint32(0x7FFFFFFFu);
}

// A stored date or time outside its range is damage, as a damaged time stamp is: the table is
// refused with the field named, so the grid, an export and SQL never show it three ways.
void TestParadox::outOfRangeDateOrTimeIsDamage()
{
    QFETCH(QChar, kind);
    QFETCH(quint32, stored);
    const QString path = PathOf(QStringLiteral("when.DB"));
    const QVariant marker
        = kind == QChar('D') ? QVariant(QDate(2024, 2, 29)) : QVariant(QTime(13, 14, 15, 16));
    Write(path, {{QStringLiteral("КОГДА"), kind, 0}}, {{marker}});
    const quint32 markerBytes = kind == QChar('D')
        ? quint32(QDate(2024, 2, 29).toJulianDay() - 1721425) ^ 0x80000000u
        : quint32(QTime(13, 14, 15, 16).msecsSinceStartOfDay()) ^ 0x80000000u;
    QByteArray bytes = ReadBytes(path);
    const auto bigEndian = [](quint32 v) {
        const char raw[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(raw, 4);
    };
    const qsizetype at = bytes.lastIndexOf(bigEndian(markerBytes));
    QVERIFY(at > 0);
    bytes.replace(at, 4, bigEndian(stored));
    WriteBytes(path, bytes);
    try {
        Paradox::ReadTable(path);
        QFAIL("the damaged value was read");
    } catch (const EDatabaseError &error) {
        QVERIFY2(error.Detail().contains(QStringLiteral("КОГДА")), qPrintable(error.Detail()));
    }
}
