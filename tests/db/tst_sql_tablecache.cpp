#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxWriter.h"
#include "db/sql/TableCache.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

namespace {

// A one-column table of the given numbers, written with the project's Paradox writer.
void WriteNumbers(const QString &path, const QList<int> &numbers)
{
    TRecordSet rows;
    rows.AddColumn(QStringLiteral("N"), TFieldType::ftInteger);
    for (const int n : numbers) {
        rows.AppendInt(0, n);
        rows.EndRow();
    }
    Paradox::WriteTable(path, {{QStringLiteral("N"), QLatin1Char('I'), 0}}, rows);
}

// The cache knows a file by size and modification time; a rewrite within one tick of the file
// system's clock may keep both, so the tests move the time on explicitly.
void Touch(const QString &path, int seconds)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(
        QDateTime::currentDateTime().addSecs(seconds), QFileDevice::FileModificationTime));
}

} // namespace

class TestTableCache : public QObject
{
    Q_OBJECT

    QTemporaryDir FFolder;

private slots:
    void init() { TableCache::Clear(); }

    void unchangedFileIsReadOnce()
    {
        const QString path = FFolder.filePath(QStringLiteral("once.db"));
        WriteNumbers(path, {1, 2, 3});
        const auto first = TableCache::Load(path, 1251);
        const auto second = TableCache::Load(FFolder.path() + QStringLiteral("/./once.db"), 1251);
        QCOMPARE(second.get(), first.get());
        QCOMPARE(first->RowCount(), 3);
    }

    void changedFileIsReadAgain()
    {
        const QString path = FFolder.filePath(QStringLiteral("changed.db"));
        WriteNumbers(path, {1});
        const auto before = TableCache::Load(path, 1251);
        WriteNumbers(path, {4, 5});
        Touch(path, 10);
        const auto after = TableCache::Load(path, 1251);
        QVERIFY(after.get() != before.get());
        QCOMPARE(after->RowCount(), 2);
        QCOMPARE(after->Int(1, 0), 5);
        QCOMPARE(before->RowCount(), 1); // a holder of the old rows keeps them
    }

    void sameSizeNewTimeIsReadAgain()
    {
        const QString path = FFolder.filePath(QStringLiteral("touched.db"));
        WriteNumbers(path, {1, 2});
        const auto before = TableCache::Load(path, 1251);
        WriteNumbers(path, {7, 8});
        Touch(path, 20);
        const auto after = TableCache::Load(path, 1251);
        QVERIFY(after.get() != before.get());
        QCOMPARE(after->Int(0, 0), 7);
    }

    void replacedWithEqualSizeAndTimeIsReadAgain_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("another file moved over it") << false;
        QTest::newRow("rewritten in place, time put back") << true;
    }

    void replacedWithEqualSizeAndTimeIsReadAgain()
    {
        QFETCH(bool, inPlace);
        const QString path = FFolder.filePath(QStringLiteral("replaced.db"));
        WriteNumbers(path, {1, 2});
        const QFileInfo original(path);
        const QDateTime modified = original.lastModified();
        const auto before = TableCache::Load(path, 1251);
        if (inPlace) {
            WriteNumbers(path, {7, 8});
        } else {
            const QString replacement = FFolder.filePath(QStringLiteral("replacement.db"));
            WriteNumbers(replacement, {7, 8});
            QCOMPARE(std::rename(QFile::encodeName(replacement).constData(),
                         QFile::encodeName(path).constData()),
                0);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();
        const QFileInfo replaced(path);
        QCOMPARE(replaced.size(), original.size());
        QCOMPARE(replaced.lastModified(), modified);

        const auto after = TableCache::Load(path, 1251);
        QCOMPARE(after->Int(0, 0), 7);
        QCOMPARE(before->Int(0, 0), 1);
    }

    void otherCodePageIsReadAgain()
    {
        const QString path = FFolder.filePath(QStringLiteral("codepage.db"));
        WriteNumbers(path, {1});
        const auto before = TableCache::Load(path, 1251);
        QVERIFY(TableCache::Load(path, 866).get() != before.get());
    }

    void missingFilesAreNamed_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("message");
        QTest::newRow("file") << QStringLiteral("absent.db")
                              << QStringLiteral("Table does not exist");
        QTest::newRow("folder") << QStringLiteral("NoFolder/absent.db")
                                << QStringLiteral("Folder does not exist");
        QTest::newRow("a folder, not a file")
            << QStringLiteral(".") << QStringLiteral("Not a table file");
    }
    void missingFilesAreNamed()
    {
        QFETCH(QString, relative);
        QFETCH(QString, message);
        const QString path = FFolder.filePath(relative);
        try {
            TableCache::Load(path, 1251);
            QFAIL("loaded");
        } catch (const EDatabaseError &error) {
            // The technical account is the detail where the message is the user's.
            const QString account = error.Detail().isEmpty() ? error.Message() : error.Detail();
            QVERIFY2(account.startsWith(message), qPrintable(account));
            const QString named = relative.section(QLatin1Char('/'), 0, 0);
            QVERIFY2(error.Message().contains(named) || relative == QLatin1String("."),
                qPrintable(error.Message()));
        }
    }

    void deletedFileIsNotServedFromTheCache()
    {
        const QString path = FFolder.filePath(QStringLiteral("deleted.db"));
        WriteNumbers(path, {1});
        TableCache::Load(path, 1251);
        QVERIFY(QFile::remove(path));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, TableCache::Load(path, 1251));
    }

    void findsTableFilesIgnoringCase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        QTest::newRow("as on disk") << QStringLiteral("kvtel_1.DB") << QStringLiteral("kvtel_1.DB");
        QTest::newRow("upper") << QStringLiteral("KVTEL_1.DB") << QStringLiteral("kvtel_1.DB");
        QTest::newRow("no extension") << QStringLiteral("Kvtel_1") << QStringLiteral("kvtel_1.DB");
        QTest::newRow("blanks around")
            << QStringLiteral(" kvtel_1 ") << QStringLiteral("kvtel_1.DB");
        QTest::newRow("other extension")
            << QStringLiteral("NOTES.TXT") << QStringLiteral("notes.txt");
        QTest::newRow("cyrillic, other case")
            << QStringLiteral("ТЕЛ_ЁЛКА.DB") << QStringLiteral("тел_ёлка.db");
        QTest::newRow("missing") << QStringLiteral("spr_adr1") << QString();
        QTest::newRow("other extension only") << QStringLiteral("notes") << QString();
        QTest::newRow("outside the folder") << QStringLiteral("../kvtel_1.DB") << QString();
        QTest::newRow("sub-path") << QStringLiteral("sub/inner.db") << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void findsTableFilesIgnoringCase()
    {
        QFETCH(QString, name);
        QFETCH(QString, found);
        QTemporaryDir folder;
        for (const char *file : {"kvtel_1.DB", "notes.txt", "sub/inner.db", "тел_ёлка.db"}) {
            const QString path = folder.filePath(QString::fromUtf8(file));
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString result = FindTableFile(folder.path(), name);
        QCOMPARE(result, found.isEmpty() ? QString() : QDir(folder.path()).absoluteFilePath(found));
    }

    void missingFolderFindsNothing()
    {
        QCOMPARE(FindTableFile(FFolder.filePath(QStringLiteral("NoFolder")), QStringLiteral("x")),
            QString());
    }
};

QTEST_GUILESS_MAIN(TestTableCache)
#include "tst_sql_tablecache.moc"
