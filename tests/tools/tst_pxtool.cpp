#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxFile.h"
#include "db/paradox/ParadoxFormat.h"
#include "db/paradox/ParadoxReader.h"
#include "db/paradox/ParadoxWriter.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct Result
{
    int ExitCode = -1;
    QString Out;
    QString Err;
};

Result RunTool(const QStringList &arguments, const QByteArray &input = {})
{
    const QString bin
        = qEnvironmentVariable("PHONEBOOK_BIN_DIR", QCoreApplication::applicationDirPath());
    QProcess process;
    process.start(bin + QStringLiteral("/pxtool"), arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError())};
}

// Every record of a table, read back with its memos, one line per record.
QStringList Records(const QString &path)
{
    QStringList lines;
    const std::unique_ptr<TRecordSet> rows = Paradox::ReadTable(path);
    for (int r = 0; r < rows->RowCount(); ++r) {
        QStringList values;
        for (int c = 0; c < rows->ColumnCount(); ++c)
            values << rows->Text(r, c);
        lines << values.join(QLatin1Char('|'));
    }
    return lines;
}

} // namespace

class TestPxtool : public QObject
{
    Q_OBJECT

    QTemporaryDir FFolder;

private slots:
    void importThenExportGivesTheSameRecords_data();
    void importThenExportGivesTheSameRecords();
    void exportWithTypesImportsAgain();
    void infoNamesFieldsCodePageAndCount();
    void sqlRunsOneQueryWithParameters();
    void longSortedResultKeepsItsOrder();
    void failuresGoToStandardErrorWithNonZeroExit_data();
    void failuresGoToStandardErrorWithNonZeroExit();
    void helpPrintsTheUsageAndSucceeds();
    void outputThatCannotBeWrittenIsAFailure_data();
    void outputThatCannotBeWrittenIsAFailure();
    void tablesOfEveryShapeExportAndQuery_data();
    void tablesOfEveryShapeExportAndQuery();
    void passwordProtectedTableIsRefusedByExportAndSql();
    void interruptedImportKeepsTheOldTableAndMemo_data();
    void interruptedImportKeepsTheOldTableAndMemo();
};

void TestPxtool::importThenExportGivesTheSameRecords_data()
{
    QTest::addColumn<QString>("header"); // import header
    QTest::addColumn<QString>("records"); // as export writes them (CRLF line ends)

    QTest::newRow("alpha with quotes, commas, line breaks")
        << QStringLiteral("FAM:A:40,TELE:A:8")
        << QStringLiteral(
               "Иванов И.И.,12-34-56\r\n\"Петров, \"\"Пётр\"\"\",\r\n\"две\nстроки\",1\r\n");
    QTest::newRow("numbers") << QStringLiteral("S:S,I:I,N:N,C:C,B:#:2")
                             << QStringLiteral("-5,2147483647,0.1,12.5,-3.25\r\n,,,,\r\n");
    QTest::newRow("dates and times") << QStringLiteral(
        "D:D,T:T,TS:@") << QStringLiteral("2024-02-29,23:59:59.500,1999-12-31T00:00:00\r\n,,\r\n");
    QTest::newRow("logical, autoincrement, memo, bytes")
        << QStringLiteral("L:L,ID:+,NOTE:M:3,RAW:Y:2,PIC:G:4")
        << QStringLiteral("true,1,длинная заметка,00FF,0102030405\r\nfalse,2,,,\r\n");
}

void TestPxtool::importThenExportGivesTheSameRecords()
{
    QFETCH(QString, header);
    QFETCH(QString, records);
    const QString path = FFolder.filePath(QStringLiteral("round.DB"));
    const Result imported = RunTool(
        {QStringLiteral("import"), path}, (header + QStringLiteral("\n") + records).toUtf8());
    QCOMPARE(imported.Err, QString());
    QCOMPARE(imported.ExitCode, 0);

    const Result exported = RunTool({QStringLiteral("export"), path});
    QCOMPARE(exported.ExitCode, 0);
    QStringList names;
    for (const QString &column : header.split(QLatin1Char(',')))
        names.append(column.section(QLatin1Char(':'), 0, 0));
    QCOMPARE(exported.Out, names.join(QLatin1Char(',')) + QStringLiteral("\r\n") + records);
}

void TestPxtool::exportWithTypesImportsAgain()
{
    const QString first = FFolder.filePath(QStringLiteral("first.DB"));
    const QString second = FFolder.filePath(QStringLiteral("second.DB"));
    QCOMPARE(
        RunTool({QStringLiteral("import"), first}, "NAME:A:20,N:I,NOTE:M:2\nУлица,1,заметка\n,,\n")
            .ExitCode,
        0);
    const Result typed = RunTool({QStringLiteral("export"), QStringLiteral("--types"), first});
    QVERIFY(typed.Out.startsWith(QStringLiteral("NAME:A:20,N:I,NOTE:M:2\r\n")));
    QCOMPARE(RunTool({QStringLiteral("import"), second}, typed.Out.toUtf8()).ExitCode, 0);
    QCOMPARE(RunTool({QStringLiteral("export"), second}).Out,
        RunTool({QStringLiteral("export"), first}).Out);
}

void TestPxtool::infoNamesFieldsCodePageAndCount()
{
    const QString path = FFolder.filePath(QStringLiteral("info.DB"));
    QCOMPARE(RunTool({QStringLiteral("import"), path, QStringLiteral("--codepage"),
                         QStringLiteral("866")},
                 "FAM:A:30,K_Y:I\na,1\nb,2\nc,3\n")
                 .ExitCode,
        0);
    const Result info = RunTool({QStringLiteral("info"), path});
    QCOMPARE(info.ExitCode, 0);
    QVERIFY2(info.Out.contains(QStringLiteral("code page: 866\n")), qPrintable(info.Out));
    QVERIFY(info.Out.contains(QStringLiteral("records: 3\n")));
    QVERIFY(info.Out.contains(QStringLiteral("  FAM A:30 ftString\n")));
    QVERIFY(info.Out.contains(QStringLiteral("  K_Y I ftInteger\n")));
}

void TestPxtool::sqlRunsOneQueryWithParameters()
{
    QTemporaryDir folder;
    QCOMPARE(RunTool({QStringLiteral("import"), folder.filePath(QStringLiteral("kvtel_1.DB"))},
                 "FAM:A:30,K_Y:I\nЯковлев,2\nАбрамов,2\nБелов,3\n")
                 .ExitCode,
        0);
    const Result result = RunTool({QStringLiteral("sql"), folder.path(),
        QStringLiteral("SELECT FAM FROM \"KVTEL_1.DB\" WHERE K_Y = :str ORDER BY FAM"),
        QStringLiteral("--param"), QStringLiteral("str=2")});
    QCOMPARE(result.Err, QString());
    QCOMPARE(result.Out, QStringLiteral("FAM\r\nАбрамов\r\nЯковлев\r\n"));
}

// Long enough that the rows are read and written out a stretch at a time, each in the order
// the table keeps them, and put back in the sorted order.
void TestPxtool::longSortedResultKeepsItsOrder()
{
    constexpr int Rows = 140000;
    struct Row
    {
        QString Name;
        int Number;
    };
    std::vector<Row> rows;
    QByteArray csv = "FAM:A:10,N:I,X:N\n";
    for (int n = 0; n < Rows; ++n) {
        rows.push_back({QStringLiteral("N%1").arg(qint64(n) * 7919 % 50000, 6, 10, QLatin1Char('0')), n});
        csv += rows.back().Name.toUtf8() + ',' + QByteArray::number(n) + ','
            + (n % 5 == 0 ? QByteArray() : QByteArray::number(n % 7) + ".5") + '\n';
    }
    QTemporaryDir folder;
    QCOMPARE(RunTool({QStringLiteral("import"), folder.filePath(QStringLiteral("t.DB"))}, csv)
                 .ExitCode,
        0);
    std::stable_sort(rows.begin(), rows.end(),
        [](const Row &a, const Row &b) { return a.Name > b.Name; });
    QString expected = QStringLiteral("FAM,N,X\r\n");
    for (const Row &row : rows)
        expected += QStringLiteral("%1,%2,%3\r\n")
                        .arg(row.Name)
                        .arg(row.Number)
                        .arg(row.Number % 5 == 0 ? QString() : QStringLiteral("%1.5").arg(row.Number % 7));
    // Kept as the table's rows, then computed so that the values SQLite was handed are copied.
    for (const QString &number : {QStringLiteral("N"), QStringLiteral("N + 0 AS N")}) {
        const Result result = RunTool({QStringLiteral("sql"), folder.path(),
            QStringLiteral("SELECT FAM, %1, X FROM T ORDER BY FAM DESC, T.N").arg(number)});
        QCOMPARE(result.Err, QString());
        QCOMPARE(result.Out.size(), expected.size());
        QVERIFY2(result.Out == expected, qPrintable(number));
    }
}

void TestPxtool::failuresGoToStandardErrorWithNonZeroExit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("message"); // part of the error text

    const QString out = QStringLiteral("bad.DB");
    QTest::newRow("no command") << QStringList {} << QByteArray() << QStringLiteral("no command");
    QTest::newRow("unknown command") << QStringList {QStringLiteral("frob")} << QByteArray()
                                     << QStringLiteral("unknown command");
    QTest::newRow("missing table")
        << QStringList {QStringLiteral("export"), QStringLiteral("/nonexistent/x.DB")}
        << QByteArray() << QStringLiteral("x.DB");
    QTest::newRow("bad header") << QStringList {QStringLiteral("import"), out}
                                << QByteArray("FAM\nx\n") << QStringLiteral("NAME:TYPE");
    QTest::newRow("unknown type") << QStringList {QStringLiteral("import"), out}
                                  << QByteArray("FAM:Q\nx\n") << QStringLiteral("unknown type");
    QTest::newRow("not an integer") << QStringList {QStringLiteral("import"), out}
                                    << QByteArray("N:I\n1\nодин\n") << QStringLiteral("line 3");
    QTest::newRow("wrong field count")
        << QStringList {QStringLiteral("import"), out} << QByteArray("A:A:5,B:I\nx\n")
        << QStringLiteral("has 1 fields");
    QTest::newRow("unclosed quote") << QStringList {QStringLiteral("import"), out}
                                    << QByteArray("A:A:5\n\"abc\n") << QStringLiteral("not closed");
    QTest::newRow("text too long") << QStringList {QStringLiteral("import"), out}
                                   << QByteArray("A:A:2\nabc\n") << QStringLiteral("longer than 2");
    QTest::newRow("not a table") << QStringList {QStringLiteral("info"),
        QStringLiteral("/etc/hostname")}
                                 << QByteArray() << QStringLiteral("hostname");
    QTest::newRow("bad parameter") << QStringList {QStringLiteral("sql"), QStringLiteral("."),
        QStringLiteral("SELECT 1"), QStringLiteral("--param"), QStringLiteral("novalue")}
                                   << QByteArray() << QStringLiteral("NAME=VALUE");
    QTest::newRow("time of 24:00")
        << QStringList {QStringLiteral("import"), out} << QByteArray("T:T\n23:59:59\n24:00:00\n")
        << QStringLiteral("line 3");
    QTest::newRow("time stamp at 24:00")
        << QStringList {QStringLiteral("import"), out} << QByteArray("W:@\n2024-03-01T24:00:00\n")
        << QStringLiteral("line 2");
    QTest::newRow("auto-increment value twice")
        << QStringList {QStringLiteral("import"), out} << QByteArray("ID:+,A:A:3\n1,a\n,b\n1,c\n")
        << QStringLiteral("repeats the auto-increment value of row 1");
    QTest::newRow("named pipe") << QStringList {QStringLiteral("info"), QStringLiteral("pipe.DB")}
                                << QByteArray() << QStringLiteral("not a table file");
}

void TestPxtool::failuresGoToStandardErrorWithNonZeroExit()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, message);
    QStringList args = arguments;
    if (args.size() > 1 && args.at(1) == QLatin1String("bad.DB"))
        args[1] = FFolder.filePath(args.at(1));
    if (args.size() > 1 && args.at(1) == QLatin1String("pipe.DB")) {
        // Opening a pipe for reading waits for a writer that never comes.
        args[1] = FFolder.filePath(args.at(1));
        QVERIFY(QFileInfo::exists(args[1])
            || ::mkfifo(QFile::encodeName(args[1]).constData(), 0600) == 0);
    }
    const Result result = RunTool(args, input);
    QVERIFY(result.ExitCode > 0);
    QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
    QCOMPARE(result.Out, QString());
    QVERIFY(!QFileInfo::exists(FFolder.filePath(QStringLiteral("bad.DB"))));
}

void TestPxtool::helpPrintsTheUsageAndSucceeds()
{
    const Result result = RunTool({QStringLiteral("--help")});
    QCOMPARE(result.ExitCode, 0);
    QCOMPARE(result.Err, QString());
    QVERIFY2(result.Out.startsWith(QStringLiteral("usage: pxtool import")), qPrintable(result.Out));
}

void TestPxtool::outputThatCannotBeWrittenIsAFailure_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("export") << QStringLiteral("export");
    QTest::newRow("info") << QStringLiteral("info");
}

// Standard output on a full disk: the tool must not report success for a table it did not write.
void TestPxtool::outputThatCannotBeWrittenIsAFailure()
{
    QFETCH(QString, command);
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    const QString table = FFolder.filePath(QStringLiteral("full.DB"));
    QCOMPARE(RunTool({QStringLiteral("import"), table}, "N:A:10,V:N\nab,1.5\n").ExitCode, 0);

    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(qEnvironmentVariable("PHONEBOOK_BIN_DIR", QCoreApplication::applicationDirPath())
            + QStringLiteral("/pxtool"),
        {command, table});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY(process.exitCode() > 0);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(QStringLiteral("write")));
}

void TestPxtool::tablesOfEveryShapeExportAndQuery_data()
{
    QTest::addColumn<QStringList>("importOptions");
    QTest::addColumn<QStringList>("readOptions"); // for export and sql
    QTest::addColumn<QString>("records"); // import header, then the records as export gives them
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("answer");

    const QString cp = QStringLiteral("--codepage");
    QTest::newRow("formatted memo, OLE, graphic and BLOb with no part in the record")
        << QStringList() << QStringList()
        << QStringLiteral("N:I,F:F:0,O:O:0,G:G:0,B:B:0\n"
                          "1,{\\rtf1 Привет},0A0B0C,47494638,00\r\n2,,,,\r\n")
        << QStringLiteral("SELECT N, F, length(O), length(G) FROM \"T.DB\" WHERE B IS NOT NULL")
        << QStringLiteral("N,F,length(O),length(G)\r\n1,{\\rtf1 Привет},3,4\r\n");
    QTest::newRow("BCD of several decimals")
        << QStringList() << QStringList()
        << QStringLiteral("B2:#:2,B3:#:3,B4:#:4\n1.23,0.123,0.9999\r\n-1.23,-0.123,-0.9999\r\n")
        << QStringLiteral("SELECT B3, B4 FROM \"T.DB\" WHERE B2 < 0")
        << QStringLiteral("B3,B4\r\n-0.123,-0.9999\r\n");
    QTest::newRow("code page 936")
        << QStringList {cp, QStringLiteral("936")} << QStringList()
        << QStringLiteral("NAME:A:20\n北京市\r\n上海\r\n")
        << QStringLiteral("SELECT NAME FROM \"T.DB\" WHERE NAME LIKE '北%'")
        << QStringLiteral("NAME\r\n北京市\r\n");
    QTest::newRow("3.5 with Cyrillic names")
        << QStringList {cp, QStringLiteral("866"), QStringLiteral("--version"),
               QStringLiteral("3.5")}
        << QStringList {cp, QStringLiteral("866")}
        << QStringLiteral("ФАМИЛИЯ:A:20,НОМЕР:S\nЁлкин,1\r\nИванов,2\r\n")
        << QStringLiteral("SELECT НОМЕР FROM \"T.DB\" WHERE ФАМИЛИЯ = 'Ёлкин'")
        << QStringLiteral("НОМЕР\r\n1\r\n");
}

// Tables in the shapes other software writes, made by import, read back through export and SQL.
void TestPxtool::tablesOfEveryShapeExportAndQuery()
{
    QFETCH(QStringList, importOptions);
    QFETCH(QStringList, readOptions);
    QFETCH(QString, records);
    QFETCH(QString, sql);
    QFETCH(QString, answer);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("T.DB"));
    const Result imported
        = RunTool(QStringList {QStringLiteral("import"), path} + importOptions, records.toUtf8());
    QCOMPARE(imported.Err, QString());

    const Result exported = RunTool(QStringList {QStringLiteral("export"), path} + readOptions);
    QCOMPARE(exported.Err, QString());
    QStringList names;
    const QString header = records.section(QLatin1Char('\n'), 0, 0);
    for (const QString &column : header.split(QLatin1Char(',')))
        names.append(column.section(QLatin1Char(':'), 0, 0));
    QCOMPARE(exported.Out,
        names.join(QLatin1Char(',')) + QStringLiteral("\r\n")
            + records.section(QLatin1Char('\n'), 1));

    const Result queried
        = RunTool(QStringList {QStringLiteral("sql"), folder.path(), sql} + readOptions);
    QCOMPARE(queried.Err, QString());
    QCOMPARE(queried.Out, answer);
}

void TestPxtool::passwordProtectedTableIsRefusedByExportAndSql()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("SECRET.DB"));
    QCOMPARE(RunTool({QStringLiteral("import"), path}, "N:A:10\nx\n").ExitCode, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(Paradox::Format::Encryption1At));
    QCOMPARE(file.write("\x4A\x3B\x2C\x1D", 4), 4);
    file.close();

    for (const QStringList &arguments : {QStringList {QStringLiteral("export"), path},
             QStringList {QStringLiteral("sql"), folder.path(),
                 QStringLiteral("SELECT * FROM \"SECRET.DB\"")}}) {
        const Result result = RunTool(arguments);
        QVERIFY(result.ExitCode > 0);
        QVERIFY2(result.Err.contains(QStringLiteral("защищена паролем")), qPrintable(result.Err));
        QCOMPARE(result.Out, QString());
    }
}

void TestPxtool::interruptedImportKeepsTheOldTableAndMemo_data()
{
    QTest::addColumn<int>("failBeforeMove"); // -1: the import runs out of disk space instead
    QTest::newRow("the new table does not fit on the disk") << -1;
    QTest::newRow("before anything is replaced") << 0;
    QTest::newRow("between replacing the table and its memo file") << 1;
}

// The new table is much larger than the old one and its few memos land elsewhere in the .MB,
// so an old table paired with a new .MB (or the reverse) reads wrong or not at all.
void TestPxtool::interruptedImportKeepsTheOldTableAndMemo()
{
    QFETCH(int, failBeforeMove);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("notes.DB"));
    QCOMPARE(RunTool({QStringLiteral("import"), path},
                 "NAME:A:20,NOTE:M:2\nстарая,заметка старого файла\nвторая,ещё одна\n")
                 .ExitCode,
        0);
    const QStringList old = Records(path);
    const QStringList files = QDir(folder.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 2);

    TRecordSet rows;
    rows.AddColumn(QStringLiteral("NAME"), TFieldType::ftString);
    rows.AddColumn(QStringLiteral("NOTE"), TFieldType::ftMemo);
    QByteArray csv = "NAME:A:20,NOTE:M:2\n";
    for (int i = 0; i < 5000; ++i) {
        rows.AppendText(0, "new");
        if (i < 3) {
            const QString note = QStringLiteral("новая заметка номер %1").arg(i);
            rows.AppendText(1, note.toStdString());
            csv += "new," + note.toUtf8() + "\n";
        } else {
            rows.AppendNull(1);
            csv += "new,\n";
        }
        rows.EndRow();
    }
    if (failBeforeMove < 0) {
        // The .MB fits under the limit, the table does not.
        QProcess process;
        process.setChildProcessModifier([] {
            const rlimit limit {64 * 1024, 64 * 1024};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
        });
        process.start(
            qEnvironmentVariable("PHONEBOOK_BIN_DIR", QCoreApplication::applicationDirPath())
                + QStringLiteral("/pxtool"),
            {QStringLiteral("import"), path});
        QVERIFY(process.waitForStarted());
        process.write(csv);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(process.exitCode() > 0);
    } else {
        const auto interrupt = [&](int moved) {
            if (moved == failBeforeMove)
                throw EDatabaseError(QStringLiteral("interrupted"));
        };
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
            Paradox::WriteTable(path,
                {{QStringLiteral("NAME"), QLatin1Char('A'), 20},
                    {QStringLiteral("NOTE"), QLatin1Char('M'), 2}},
                rows, 1251, 70, interrupt));
    }
    QCOMPARE(Records(path), old);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), files);
}

QTEST_GUILESS_MAIN(TestPxtool)
#include "tst_pxtool.moc"
