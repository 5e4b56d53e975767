#include "store/puzzlestore.h"
#include "support/otheruser.h"
#include "support/testsupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zov;

namespace {
using test::path8;

// Every puzzle in the file is whole: exactly the rows its writer gave it.
void verifyWholePuzzles(const QString &path)
{
    QCOMPARE(test::sqlite(path, QStringLiteral("PRAGMA integrity_check")),
        QStringList { QStringLiteral("ok") });
    const QStringList bad = test::sqlite(path,
        QStringLiteral("SELECT GameNo FROM Game GROUP BY GameNo HAVING COUNT(*) != GameNo % 20 + 5"
                       " OR MIN(Number) != GameNo % 9 + 1 OR MAX(Number) != GameNo % 9 + 1"
                       " OR MAX(\"Index\") != GameNo % 20 + 5"));
    QVERIFY2(bad.isEmpty(), qPrintable(bad.join(QLatin1Char(','))));
}
} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString library(const char *name)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        store::Puzzle first;
        for (int i = 1; i <= 1 % 20 + 5; ++i)
            first.push_back({ i, 1 % 9 + 1 });
        if (!store::PuzzleStore::create(path8(path), { first }))
            qFatal("cannot make the library");
        return path;
    }

private Q_SLOTS:
    // A writer killed at any moment leaves each puzzle whole or absent, and the file intact.
    void killedWriterLosesNothingStored()
    {
        const QString path = library("killed.mdb");
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        int stored = 0;
        for (int round = 0; round < 200; ++round) {
            QProcess writer;
            writer.start(
                QCoreApplication::applicationDirPath() + QStringLiteral("/store_writer"), { path });
            QVERIFY(writer.waitForStarted());
            // Odd rounds are killed once the writer is storing, so that a loaded machine, where
            // starting it takes longer than the pause, still kills it mid-write; even rounds at
            // any moment, opening included.
            if (round % 2 == 1)
                QVERIFY2(writer.waitForReadyRead(30000), "the writer stored nothing in 30 s");
            QTest::qSleep(static_cast<int>(random.bounded(2, 30)));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            // Each number the writer reported stored must still be there.
            const auto lines = writer.readAllStandardOutput().split('\n');
            for (const auto &line : lines)
                if (!line.isEmpty())
                    stored = std::max(stored, line.toInt());
            verifyWholePuzzles(path);
            QVERIFY(test::sqlite(path, QStringLiteral("SELECT MAX(GameNo) FROM Game"))[0].toInt()
                >= stored);
        }
        QVERIFY2(stored > 1, "the writer never stored anything");
    }

    // A file-size limit (as on a full disk) fails the store cleanly and keeps the file whole.
    void fullDiskFailsCleanly()
    {
        const QString path = library("full.mdb");
        auto store = store::PuzzleStore::open(path8(path));
        QVERIFY(store);
        const QByteArray before = test::fileBytes(path);
        store::Puzzle big;
        for (int i = 1; i <= 81; ++i)
            big.push_back({ i, 1 });
        const auto result = [&] {
            test::FileSizeLimit full(100);
            return store->appendPuzzles({ big }, 2);
        }();
        QVERIFY(!result);
        QCOMPARE(result.error().kind, store::Error::Kind::DiskFull);
        QCOMPARE(test::fileBytes(path), before);
        verifyWholePuzzles(path);
        QVERIFY(store->appendPuzzles({ big }, 2));
    }

    // A library the player may not write: play works, storing is refused as read-only. Root
    // passes every permission check, so as root the player is user 65534 in a child process.
    void readOnlyLibraryIsPlayableNotWritable()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Zovudedoda.mdb"));
        test::makeLibrary(path, 2);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(folder.path(),
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                | QFile::ReadGroup | QFile::ExeGroup);
        // Open, read, then try to store.
        const auto tryAsPlayer = [&]() -> int {
            if (access(path8(path).c_str(), R_OK) != 0)
                return test::NoPlace;
            if (access(path8(folder.path()).c_str(), W_OK) == 0)
                return test::NoPermissions;
            auto store = store::PuzzleStore::open(path8(path));
            if (!store)
                return 11;
            if (!store->puzzle(1) || store->puzzle(1)->empty())
                return 12;
            const auto r = store->appendPuzzles({ { { 1, 1 } } }, 3);
            return r ? 13 : r.error().kind == store::Error::Kind::ReadOnly ? 0 : 14;
        };
        const int status = test::runAsOtherUser(tryAsPlayer);
        QFile::setPermissions(
            folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (const char *why = test::whyNotRun(status))
            QSKIP(why);
        QCOMPARE(status, 0);
    }

    // Another program holding the write lock: storing waits a bounded time, then reports.
    void lockHeldByAnotherProgramIsReported()
    {
        if (const QString why = test::whyMissing({ QStringLiteral("sqlite3") }, "sqlite3");
            !why.isEmpty())
            QSKIP(qPrintable(why));
        const QString path = library("locked.mdb");
        QProcess other;
        other.start(QStringLiteral("sqlite3"), { path });
        QVERIFY(other.waitForStarted());
        other.write("BEGIN EXCLUSIVE; INSERT INTO Game VALUES (2, 1, 1);\n");
        QTRY_VERIFY(!test::fileBytes(path + QStringLiteral("-journal")).isEmpty());
        auto store = store::PuzzleStore::open(path8(path), store::PuzzleStore::Emptiness::Allow);
        QElapsedTimer clock;
        clock.start();
        const auto r
            = store ? store->appendPuzzles({ { { 1, 1 } } }, 2) : store::Result<int>(store.error());
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!r);
        QCOMPARE(r.error().kind, store::Error::Kind::Locked);
        other.write("ROLLBACK;\n.quit\n");
        QVERIFY(other.waitForFinished());
        verifyWholePuzzles(path);
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
