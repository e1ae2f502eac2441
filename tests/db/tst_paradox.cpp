#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxFormat.h"
#include "db/paradox/ParadoxReader.h"
#include "db/paradox/ParadoxWriter.h"
#include "tests/support/ParadoxPxlib.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Row = QVariantList;

TFieldType TypeOfKind(QChar kind)
{
    const Paradox::Format::FieldKind *k = Paradox::Format::KindOfLetter(char(kind.toLatin1()));
    return k ? k->Type : TFieldType::ftUnknown;
}

// Rows in the record set's own encodings, from Qt values; a null QVariant is an empty field.
TRecordSet MakeRows(const std::vector<Paradox::NewField> &fields, const QList<Row> &rows)
{
    TRecordSet set;
    for (const Paradox::NewField &field : fields)
        set.AddColumn(field.Name, TypeOfKind(field.Kind));
    for (const Row &row : rows) {
        for (int c = 0; c < set.ColumnCount(); ++c) {
            const QVariant &value = row.at(c);
            if (value.isNull()) {
                set.AppendNull(c);
                continue;
            }
            switch (set.Info(c).Type) {
            case TFieldType::ftDate:
                set.AppendInt(c, value.toDate().toJulianDay());
                break;
            case TFieldType::ftTime:
                set.AppendInt(c, value.toTime().msecsSinceStartOfDay());
                break;
            case TFieldType::ftDateTime:
                set.AppendInt(c, TRecordSet::DateTimeToMSecs(value.toDateTime()));
                break;
            case TFieldType::ftBoolean:
                set.AppendInt(c, value.toBool());
                break;
            default:
                switch (StorageKindOf(set.Info(c).Type)) {
                case TStorageKind::Integer:
                    set.AppendInt(c, value.toLongLong());
                    break;
                case TStorageKind::Float:
                    set.AppendFloat(c, value.toDouble());
                    break;
                case TStorageKind::Text:
                    set.AppendText(c, value.toString().toStdString());
                    break;
                case TStorageKind::Bytes:
                    set.AppendBytes(c, value.toByteArray().toStdString());
                }
            }
        }
        set.EndRow();
    }
    return set;
}

void Write(const QString &path, const std::vector<Paradox::NewField> &fields,
    const QList<Row> &rows, int codePage = 1251)
{
    Paradox::WriteTable(path, fields, MakeRows(fields, rows), codePage);
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
    QTest::addColumn<bool>("clearHeader"); // header's code page erased
    QTest::addColumn<int>("defaultCodePage");
    QTest::addColumn<QString>("expected");

    const QString text = QStringLiteral("Ёжик в тумане");
    QTest::newRow("1251 from header") << 1251 << false << 866 << text;
    QTest::newRow("866 from header") << 866 << false << 1251 << text;
    QTest::newRow("none, default 1251") << 1251 << true << 1251 << text;
    QTest::newRow("none, default 866") << 866 << true << 866 << text;
    // Windows-1251 bytes read as if they were DOS 866 (an empty expectation: anything else).
    QTest::newRow("none, wrong default") << 1251 << true << 866 << QString();
}

void TestParadox::textIsDecodedFromTheHeaderCodePageElseTheDefault()
{
    QFETCH(int, written);
    QFETCH(bool, clearHeader);
    QFETCH(int, defaultCodePage);
    QFETCH(QString, expected);

    const QString path = PathOf(QStringLiteral("cp_%1.DB")
                                    .arg(QTest::currentDataTag())
                                    .replace(' ', '_')
                                    .replace(',', '_'));
    Write(path, {{QStringLiteral("T"), QChar('A'), 30}}, {{QStringLiteral("Ёжик в тумане")}},
        written);
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
        rows = MakeRows({{QStringLiteral("F"), QChar('I'), 0}}, {{value}});
    else
        rows = MakeRows(fields, {{value}});
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
