#include "settings/FileLock.h"
#include "settings/FileRegistry.h"
#include "settings/xAppRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <sys/stat.h>

namespace {

const QString Key = QStringLiteral("Software\\Tarnwell Software\\phonebook\\Shared");

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// The payload a churning writer stores at step n: its number, then a length that depends on it.
QString Payload(int n)
{
    return QString::number(n) + QLatin1Char(':') + QString(20000 + n % 997, QLatin1Char('x'));
}

// JSON written with single quotes, which keeps the test data readable.
QByteArray J(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

bool IsPayload(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    bool ok = false;
    const int n = text.left(colon).toInt(&ok);
    return ok && text == Payload(n);
}

// The identity of the file at path and the time it was last written.
struct TFileStamp
{
    dev_t Device = 0;
    ino_t Inode = 0;
    timespec Written {};

    static TFileStamp Of(const QString &path)
    {
        struct stat status = {};
        ::stat(QFile::encodeName(path).constData(), &status);
        return {status.st_dev, status.st_ino, status.st_mtim};
    }
    bool operator==(const TFileStamp &other) const
    {
        return Device == other.Device && Inode == other.Inode
            && Written.tv_sec == other.Written.tv_sec && Written.tv_nsec == other.Written.tv_nsec;
    }
};

// Child modes: the test starts copies of itself as other running programs.
//   --writer FILE PREFIX COUNT: writes COUNT integer values PREFIX0.. into the shared key
//   --churn FILE: rewrites a large payload forever, until it is killed, printing the number of
//     each write it finished
//   --hold-lock FILE: takes the store's lock, prints "locked" and keeps it until it is killed
int RunChild(const QStringList &args)
{
    if (args.value(1) == QLatin1String("--hold-lock")) {
        TFileLock lock(args.value(2));
        if (!lock.TryLock(30000))
            return 1;
        std::printf("locked\n");
        std::fflush(stdout);
        for (;;)
            QThread::sleep(1);
    }
    TFileRegistry store(args.value(2));
    store.SetLockTimeout(30000);
    if (args.value(1) == QLatin1String("--writer")) {
        const int count = args.value(4).toInt();
        for (int i = 0; i < count; ++i) {
            auto key = store.OpenKey(Key, true);
            key->WriteInteger(args.value(3) + QString::number(i), i);
        }
        return 0;
    }
    for (int n = 0;; ++n) {
        auto key = store.OpenKey(Key, true);
        key->WriteString(QStringLiteral("Payload"), Payload(n));
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

} // namespace

class TestFileRegistry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString StorePath() const { return FDir.filePath(QStringLiteral("store/registry.json")); }

    QStringList DamagedCopies() const
    {
        return QDir(FDir.filePath(QStringLiteral("store")))
            .entryList({QStringLiteral("registry.json.damaged-*")}, QDir::Files);
    }

    QProcess *StartChild(const QStringList &args)
    {
        auto *process = new QProcess(this);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(), args);
        return process;
    }

private slots:
    void init() { QDir(FDir.filePath(QStringLiteral("store"))).removeRecursively(); }

    void defaultPlaceIsInTheUsersConfigurationFolder()
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString path = TFileRegistry::DefaultFilePath();
        QVERIFY(path.startsWith(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/'));
        QVERIFY(path.endsWith(QStringLiteral("/Tarnwell Software/registry.json")));
        QStandardPaths::setTestModeEnabled(false);
    }

    void fileIsReadableJsonWithTypedValues()
    {
        TFileRegistry store(StorePath());
        auto key = store.OpenKey(Key, true);
        key->WriteString(QStringLiteral("Font\\Name"), QStringLiteral("Arial"));
        key->WriteInteger(QStringLiteral("Font\\Size"), 10);
        const QJsonObject root = QJsonDocument::fromJson(ReadAll(StorePath())).object();
        QCOMPARE(root.value("Format").toString(), QStringLiteral("Tarnwell Software settings"));
        const QJsonArray keys = root.value("Keys").toArray();
        QCOMPARE(keys.size(), 1);
        QCOMPARE(keys[0].toObject().value("Key").toString(), Key);
        const QJsonArray values = keys[0].toObject().value("Values").toArray();
        QCOMPARE(values[0].toObject(), QJsonObject({{"Name", "Font\\Name"}, {"String", "Arial"}}));
        QCOMPARE(values[1].toObject(), QJsonObject({{"Name", "Font\\Size"}, {"Integer", 10}}));
        QVERIFY(!store.KeyExists(Key + QStringLiteral("\\Font")));
        // The search history and the like concern nobody but the user.
        QCOMPARE(QFile::permissions(StorePath()) & ~(QFile::ReadUser | QFile::WriteUser),
            QFile::ReadOwner | QFile::WriteOwner);
    }

    void aStoreThatIsALinkStaysALink()
    {
        const QString kept = FDir.filePath(QStringLiteral("store/kept/registry.json"));
        QDir().mkpath(QFileInfo(kept).absolutePath());
        TFileRegistry(kept).OpenKey(Key, true)->WriteInteger(QStringLiteral("V"), 1);
        QVERIFY(QFile::link(kept, StorePath()));
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("V"), 2);
        QVERIFY(QFileInfo(StorePath()).isSymLink());
        QCOMPARE(TFileRegistry(kept).OpenKey(Key, false)->ReadInteger(QStringLiteral("V")), 2);
    }

    void namesIgnoreLetterCaseAndKeepTheirFirstSpelling()
    {
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("Left"), 1);
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("Top"), 2);
        auto key = store.OpenKey(Key.toUpper(), false);
        QVERIFY(key);
        QCOMPARE(key->ReadInteger(QStringLiteral("LEFT")), 1);
        key->WriteInteger(QStringLiteral("LEFT"), 5);
        QCOMPARE(store.OpenKey(Key, false)->ValueNames(), QStringList({"Left", "Top"}));
        QCOMPARE(store.OpenKey(Key, false)->ReadInteger(QStringLiteral("left")), 5);
    }

    void deletingAKeyTakesItsSubKeysOnly()
    {
        TFileRegistry store(StorePath());
        const QString app = QStringLiteral("Software\\Tarnwell Software\\phonebook");
        store.OpenKey(app + QStringLiteral("\\A\\B"), true)->WriteInteger(QStringLiteral("x"), 1);
        store.OpenKey(app, true)->WriteInteger(QStringLiteral("y"), 1);
        store.OpenKey(app + QStringLiteral("2"), true)->WriteInteger(QStringLiteral("z"), 1);
        QVERIFY(store.KeyExists(app + QStringLiteral("\\A")));
        store.DeleteKey(app.toLower() + QLatin1Char('\\'));
        QVERIFY(!store.KeyExists(app));
        QVERIFY(!store.KeyExists(app + QStringLiteral("\\A\\B")));
        QVERIFY(store.KeyExists(app + QStringLiteral("2")));
        QVERIFY(store.KeyExists(QStringLiteral("Software\\Tarnwell Software")));
        QVERIFY_THROWS_EXCEPTION(ERegistryException, store.DeleteKey(QStringLiteral("\\")));
    }

    void handEditedValues_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("string") << QByteArray(J("{'Name':'V','String':'12'}"))
                                << int(TRegistryDataType::rdString) << QVariant("12");
        QTest::newRow("integer") << QByteArray(J("{'Name':'V','Integer':-7}"))
                                 << int(TRegistryDataType::rdInteger) << QVariant(-7);
        QTest::newRow("unsigned double word") << QByteArray(J("{'Name':'V','Integer':4294967295}"))
                                              << int(TRegistryDataType::rdInteger) << QVariant(-1);
        QTest::newRow("integer written as text") << QByteArray(J("{'Name':'V','Integer':'12'}"))
                                                 << int(TRegistryDataType::rdUnknown) << QVariant();
        QTest::newRow("fraction") << QByteArray(J("{'Name':'V','Integer':1.5}"))
                                  << int(TRegistryDataType::rdUnknown) << QVariant();
        QTest::newRow("too large") << QByteArray(J("{'Name':'V','Integer':1e20}"))
                                   << int(TRegistryDataType::rdUnknown) << QVariant();
        QTest::newRow("text written as number") << QByteArray(J("{'Name':'V','String':5}"))
                                                << int(TRegistryDataType::rdUnknown) << QVariant();
        QTest::newRow("both types") << QByteArray(J("{'Name':'V','String':'a','Integer':1}"))
                                    << int(TRegistryDataType::rdUnknown) << QVariant();
        QTest::newRow("other type") << QByteArray(J("{'Name':'V','Binary':'00ff'}"))
                                    << int(TRegistryDataType::rdUnknown) << QVariant();
    }
    void handEditedValues()
    {
        QFETCH(QByteArray, entry);
        QFETCH(int, type);
        QFETCH(QVariant, value);
        QDir().mkpath(QFileInfo(StorePath()).absolutePath());
        const QByteArray file
            = J("{'Format':'Tarnwell Software settings','Keys':[{'Key':'K','Values':[") + entry
            + J(",{'Name':'After','Integer':1}]}]}");
        WriteAll(StorePath(), file);
        TFileRegistry store(StorePath());
        auto key = store.OpenKey(QStringLiteral("K"), false);
        QVERIFY(key);
        QCOMPARE(key->ValueNames(), QStringList({"V", "After"}));
        QCOMPARE(int(*key->ValueType(QStringLiteral("V"))), type);
        if (type == int(TRegistryDataType::rdString))
            QCOMPARE(QVariant(key->ReadString("V")), value);
        else
            QVERIFY_THROWS_EXCEPTION(ERegistryException, key->ReadString(QStringLiteral("V")));
        if (type == int(TRegistryDataType::rdInteger))
            QCOMPARE(QVariant(key->ReadInteger("V")), value);
        else
            QVERIFY_THROWS_EXCEPTION(ERegistryException, key->ReadInteger(QStringLiteral("V")));
        // Writing another value leaves the hand-made entry as it was.
        key->WriteInteger(QStringLiteral("After"), 2);
        const QJsonObject root = QJsonDocument::fromJson(ReadAll(StorePath())).object();
        QCOMPARE(
            root["Keys"][0]["Values"][0], QJsonDocument::fromJson("[" + entry + "]").array()[0]);
        QCOMPARE(root["Keys"][0]["Values"][1]["Integer"].toInt(), 2);
    }

    void partsThisVersionDoesNotKnowSurviveAWrite()
    {
        QDir().mkpath(QFileInfo(StorePath()).absolutePath());
        WriteAll(StorePath(),
            J("{'Format':'Tarnwell Software settings','Comment':'mine',"
              "'Keys':[{'Note':'no key "
              "here'},{'Key':'K','Values':[{'Bad':1},{'Name':'V','String':'a'}]}]}"));
        TFileRegistry store(StorePath());
        store.OpenKey(QStringLiteral("K"), true)
            ->WriteString(QStringLiteral("V"), QStringLiteral("b"));
        const QJsonObject root = QJsonDocument::fromJson(ReadAll(StorePath())).object();
        QCOMPARE(root["Comment"].toString(), QStringLiteral("mine"));
        QCOMPARE(root["Keys"][0].toObject(), QJsonObject({{"Note", "no key here"}}));
        QCOMPARE(root["Keys"][1]["Values"][0].toObject(), QJsonObject({{"Bad", 1}}));
        QCOMPARE(store.OpenKey(QStringLiteral("k"), false)->ReadString(QStringLiteral("v")),
            QStringLiteral("b"));
    }

    void damagedFileGivesDefaultsAndIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("[Software\\Tarnwell Software]\nLeft=1\n");
        QTest::newRow("cut short")
            << QByteArray(J("{'Format':'Tarnwell Software settings','Keys':[{'Key':'Soft"));
        QTest::newRow("list") << QByteArray("[]");
        QTest::newRow("another format") << QByteArray(J("{'Format':'other','Keys':[]}"));
        QTest::newRow("keys not a list")
            << QByteArray(J("{'Format':'Tarnwell Software settings','Keys':{}}"));
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{\x01\"", 6);
    }
    void damagedFileGivesDefaultsAndIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QDir().mkpath(QFileInfo(StorePath()).absolutePath());
        WriteAll(StorePath(), content);
        {
            TxAppRegistry registry(std::make_unique<TFileRegistry>(StorePath()),
                QStringLiteral("phonebook"), TxAppRegistry::DefaultBaseKey, QStringList());
            QCOMPARE(registry.ReadString(QStringLiteral("Search_Settings"),
                         QStringLiteral("SearchValues"), QStringLiteral("none")),
                QStringLiteral("none"));
            QCOMPARE(registry.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Left"), 7), 7);
            QStringList names;
            registry.ReadValueNames(QString(), names);
            QVERIFY(names.isEmpty());
            // Reading alone leaves the file as it is.
            QCOMPARE(ReadAll(StorePath()), content);
            QVERIFY(DamagedCopies().isEmpty());

            registry.WriteString(QStringLiteral("Search_Settings"), QStringLiteral("SearchValues"),
                QStringLiteral("Петров\r\n"));
            QCOMPARE(registry.ReadString(QStringLiteral("Search_Settings"),
                         QStringLiteral("SearchValues"), QString()),
                QStringLiteral("Петров\r\n"));
        }
        const QStringList aside = DamagedCopies();
        QCOMPARE(aside.size(), 1);
        QCOMPARE(ReadAll(FDir.filePath(QStringLiteral("store/") + aside[0])), content);
    }

    void aStoreThatCannotBeWrittenFailsWritesOnly()
    {
        // A file where the store's folder should be: nothing can be created there.
        WriteAll(FDir.filePath(QStringLiteral("store")), "in the way");
        TxAppRegistry registry(std::make_unique<TFileRegistry>(StorePath()),
            QStringLiteral("phonebook"), TxAppRegistry::DefaultBaseKey, QStringList());
        QVERIFY_THROWS_EXCEPTION(
            ERegistryException, registry.WriteInteger(QStringLiteral("K"), QStringLiteral("V"), 1));
        QCOMPARE(registry.ReadString(QStringLiteral("K"), QStringLiteral("V"), "d"),
            QStringLiteral("d"));
        QCOMPARE(registry.ReadInteger(QStringLiteral("K"), QStringLiteral("V"), 3), 3);
        QFile::remove(FDir.filePath(QStringLiteral("store")));
    }

    void aWriteWaitsForTheLockAndFailsWhenItIsNotGiven()
    {
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("V"), 1);
        store.SetLockTimeout(200);
        TFileLock other(store.LockFilePath());
        QVERIFY(other.TryLock(0));
        auto key = store.OpenKey(Key, true);
        QVERIFY_THROWS_EXCEPTION(ERegistryException, key->WriteInteger(QStringLiteral("V"), 2));
        QCOMPARE(key->ReadInteger(QStringLiteral("V")), 1);
        other.Unlock();
        key->WriteInteger(QStringLiteral("V"), 2);
        QCOMPARE(store.OpenKey(Key, false)->ReadInteger(QStringLiteral("V")), 2);
    }

    void twoProgramsWritingAtOnceLoseNothing()
    {
        constexpr int Count = 60;
        const QStringList prefixes
            = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        QList<QProcess *> children;
        for (const QString &prefix : prefixes)
            children << StartChild({"--writer", StorePath(), prefix, QString::number(Count)});
        for (QProcess *child : children) {
            QVERIFY(child->waitForFinished(120000));
            QCOMPARE(child->exitStatus(), QProcess::NormalExit);
            QCOMPARE(child->exitCode(), 0);
        }
        TFileRegistry store(StorePath());
        auto key = store.OpenKey(Key, false);
        QVERIFY(key);
        QCOMPARE(key->ValueNames().size(), Count * prefixes.size());
        for (const QString &prefix : prefixes)
            for (int i = 0; i < Count; ++i)
                QCOMPARE(key->ReadInteger(prefix + QString::number(i)), i);
    }

    void aParentKeyIsWrittenWhereOnlyItsSubKeyExists()
    {
        TFileRegistry store(StorePath());
        const QString parent = Key + QStringLiteral("\\A\\B");
        const QString child = parent + QStringLiteral("\\C");
        store.OpenKey(child, true)->WriteInteger(QStringLiteral("V"), 1);
        store.OpenKey(parent, true)->WriteInteger(QStringLiteral("V"), 2);
        QCOMPARE(store.OpenKey(child, false)->ReadInteger(QStringLiteral("V")), 1);
        QCOMPARE(store.OpenKey(parent, false)->ReadInteger(QStringLiteral("V")), 2);
    }

    void aValueTheFileHoldsAlreadyLeavesTheFileAlone()
    {
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteString(QStringLiteral("Name"), QStringLiteral("Петров"));
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("Size"), 10);
        const TFileStamp before = TFileStamp::Of(StorePath());
        QThread::msleep(20); // a new file would carry a later time
        // Another program holds the lock: writing what is there already does not need it.
        TFileLock other(store.LockFilePath());
        QVERIFY(other.TryLock(0));
        store.SetLockTimeout(0);
        auto key = store.OpenKey(Key.toLower(), true);
        key->WriteString(QStringLiteral("NAME"), QStringLiteral("Петров"));
        key->WriteInteger(QStringLiteral("Size"), 10);
        QVERIFY(TFileStamp::Of(StorePath()) == before);
        QVERIFY_THROWS_EXCEPTION(
            ERegistryException, key->WriteString(QStringLiteral("Name"), QStringLiteral("петров")));
        other.Unlock();
        key->WriteInteger(QStringLiteral("Size"), 11);
        QVERIFY(!(TFileStamp::Of(StorePath()) == before));
    }

    // A grouped update is one write: others see every change of it or none.
    void groupedChangesAreWrittenTogetherOrNotAtAll_data()
    {
        QTest::addColumn<bool>("commit");
        QTest::newRow("committed") << true;
        QTest::newRow("dropped (an exception on the way)") << false;
    }
    void groupedChangesAreWrittenTogetherOrNotAtAll()
    {
        QFETCH(bool, commit);
        const QString gone = Key + QStringLiteral("\\Gone");
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("V"), 1);
        store.OpenKey(gone, true)->WriteInteger(QStringLiteral("V"), 1);
        TFileRegistry other(StorePath());
        {
            TRegistryUpdate update(store);
            TRegistryUpdate nested(store);
            store.OpenKey(Key, true)->WriteInteger(QStringLiteral("V"), 2);
            store.OpenKey(Key + QStringLiteral("\\New"), true)->WriteString("T", "x");
            store.DeleteKey(gone);
            nested.Commit();
            // Inside the update its changes are there; outside, not yet.
            QCOMPARE(store.OpenKey(Key, false)->ReadInteger(QStringLiteral("V")), 2);
            QVERIFY(!store.KeyExists(gone));
            QCOMPARE(other.OpenKey(Key, false)->ReadInteger(QStringLiteral("V")), 1);
            QVERIFY(other.KeyExists(gone));
            if (commit)
                update.Commit();
        }
        QCOMPARE(other.OpenKey(Key, false)->ReadInteger(QStringLiteral("V")), commit ? 2 : 1);
        QCOMPARE(other.KeyExists(Key + QStringLiteral("\\New")), commit);
        QCOMPARE(other.KeyExists(gone), !commit);
        // The lock is free again.
        other.SetLockTimeout(0);
        other.OpenKey(Key, true)->WriteInteger(QStringLiteral("V"), 3);
    }

    // Beside the store: what a killed writer left goes at the next write; the user's files,
    // copies of the store among them, stay.
    void leftoversOfKilledWritersGoButOtherFilesStay()
    {
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("N"), 1);
        const QByteArray whole = ReadAll(StorePath());
        const QDir folder = QFileInfo(StorePath()).absoluteDir();
        const auto put = [&folder](const QString &name, const QByteArray &content) {
            WriteAll(folder.filePath(name), content);
        };
        put(QFileInfo(store.SavingFilePath()).fileName(), whole.left(whole.size() / 2));
        put(QStringLiteral("registry.json.backup"), whole);
        put(QStringLiteral("registry.json.aB3xQz"), {});
        put(QStringLiteral("registry.json.old"), whole.left(20));
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("N"), 2);
        QStringList left = folder.entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("registry.json.lock"));
        QCOMPARE(left,
            QStringList({QStringLiteral("registry.json"), QStringLiteral("registry.json.aB3xQz"),
                QStringLiteral("registry.json.backup"), QStringLiteral("registry.json.old")}));
        QCOMPARE(ReadAll(folder.filePath(QStringLiteral("registry.json.backup"))), whole);
        QCOMPARE(store.OpenKey(Key, false)->ReadInteger(QStringLiteral("N")), 2);
    }

    void aProgramKilledWhileWritingLeavesAWholeFile()
    {
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteString(QStringLiteral("Payload"), Payload(0));
        auto *random = QRandomGenerator::global();
        int checkedReads = 0;
        // Meanwhile a reader never sees half a file.
        const auto readWholeFile = [&] {
            ++checkedReads;
            return QJsonDocument::fromJson(ReadAll(StorePath())).isObject();
        };
        for (int round = 0; round < 12; ++round) {
            QProcess *child = StartChild({"--churn", StorePath()});
            // The writer is killed a random while after it reported its second write, however
            // long it took to start, so that it dies busy writing.
            QByteArray reports;
            const QDeadlineTimer starting(120000);
            while (reports.count('\n') < 2) {
                QVERIFY2(!starting.hasExpired() && child->state() != QProcess::NotRunning,
                    "the writer did not start writing");
                QVERIFY(readWholeFile());
                child->waitForReadyRead(5);
                reports += child->readAllStandardOutput();
            }
            QElapsedTimer busy;
            busy.start();
            const int lifetime = int(random->bounded(40));
            while (busy.elapsed() < lifetime)
                QVERIFY(readWholeFile());
            child->kill();
            QVERIFY(child->waitForFinished());
            delete child;

            QVERIFY(readWholeFile());
            const QString payload
                = store.OpenKey(Key, false)->ReadString(QStringLiteral("Payload"));
            QVERIFY(IsPayload(payload));
            // What it finished stays: at least its second write.
            QVERIFY(payload.section(QLatin1Char(':'), 0, 0).toInt() >= 1);
        }
        QVERIFY(checkedReads > 0);
        QVERIFY(DamagedCopies().isEmpty());
        // The lock of the killed program is free at once.
        store.SetLockTimeout(0);
        store.OpenKey(Key, true)->WriteString(QStringLiteral("Payload"), QStringLiteral("last"));
        QCOMPARE(store.OpenKey(Key, false)->ReadString(QStringLiteral("Payload")),
            QStringLiteral("last"));
        // Nothing but the store and its lock is left in the folder.
        const QStringList left
            = QDir(FDir.filePath(QStringLiteral("store"))).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : left)
            QVERIFY2(name == QLatin1String("registry.json")
                    || name == QLatin1String("registry.json.lock"),
                qPrintable(name));
    }

    void aKilledProgramsLockIsFreeAtOnce()
    {
        TFileRegistry store(StorePath());
        store.OpenKey(Key, true)->WriteInteger(QStringLiteral("V"), 1);
        store.SetLockTimeout(0);
        QProcess *holder = StartChild({"--hold-lock", store.LockFilePath()});
        QVERIFY(holder->waitForReadyRead(120000));
        QCOMPARE(holder->readAllStandardOutput(), QByteArray("locked\n"));
        auto key = store.OpenKey(Key, true);
        QVERIFY_THROWS_EXCEPTION(ERegistryException, key->WriteInteger(QStringLiteral("V"), 2));
        holder->kill();
        QVERIFY(holder->waitForFinished());
        delete holder;
        key->WriteInteger(QStringLiteral("V"), 2);
        QCOMPARE(store.OpenKey(Key, false)->ReadInteger(QStringLiteral("V")), 2);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 2 && args[1].startsWith(QLatin1String("--"))
        && args[1] != QLatin1String("--"))
        if (args[1] == QLatin1String("--writer") || args[1] == QLatin1String("--churn")
            || args[1] == QLatin1String("--hold-lock"))
            return RunChild(args);
    TestFileRegistry test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fileregistry.moc"
