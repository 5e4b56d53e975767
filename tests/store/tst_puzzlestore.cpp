#include "store/connection.h"
#include "store/puzzlestore.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using namespace zov;
using namespace zov::store;
using Kind = Error::Kind;

namespace {
using test::path8;
using test::writeFile;
} // namespace

class TestPuzzleStore : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    // Each unusable file is refused with its own reason, and left byte for byte as it was.
    void refusesUnusableFilesAndLeavesThemAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("kind");
        const QByteArray none;
        QTest::newRow("zero bytes") << QByteArray("") << QString() << int(Kind::NotALibrary);
        QTest::newRow("random bytes") << QByteArray("\x13\x37 junk junk junk junk junk", 26)
                                      << QString() << int(Kind::NotALibrary);
        QByteArray jet(0x800, '\0');
        jet.replace(0, 20, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20));
        QTest::newRow("jet 3 file") << jet << QString() << int(Kind::Unsupported);
        QByteArray sqliteHeaderOnly("SQLite format 3\0", 16);
        sqliteHeaderOnly.append(QByteArray(200, '\x7f'));
        QTest::newRow("truncated sqlite") << sqliteHeaderOnly << QString() << int(Kind::Damaged);
        QTest::newRow("no Game table")
            << none << QStringLiteral("CREATE TABLE Other (x)") << int(Kind::NoTable);
        QTest::newRow("view named Game")
            << none
            << QStringLiteral("CREATE TABLE t (GameNo, \"Index\", Number); CREATE VIEW Game AS "
                              "SELECT * FROM t")
            << int(Kind::NoTable);
        QTest::newRow("missing field")
            << none << QStringLiteral("CREATE TABLE Game (GameNo, Number)") << int(Kind::NoFields);
        QTest::newRow("empty table")
            << none << QStringLiteral("CREATE TABLE Game (GameNo, \"Index\", Number)")
            << int(Kind::Empty);
        QTest::newRow("only bad numbers")
            << none
            << QStringLiteral(
                   "CREATE TABLE Game (GameNo, \"Index\", Number);"
                   "INSERT INTO Game VALUES ('x', 1, 1), (0, 2, 2), (40000, 3, 3), (2.5, 1, 1)")
            << int(Kind::Empty);
    }
    void refusesUnusableFilesAndLeavesThemAlone()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sql);
        QFETCH(int, kind);
        const QString path = file(QTest::currentDataTag());
        if (sql.isEmpty())
            QVERIFY(writeFile(path, bytes));
        else
            test::sqlite(path, sql);
        const QByteArray before = test::fileBytes(path);
        const auto opened = PuzzleStore::open(path8(path));
        QVERIFY(!opened);
        QCOMPARE(int(opened.error().kind), kind);
        QVERIFY(!opened.error().reason.empty());
        QCOMPARE(test::fileBytes(path), before);
    }

    // A missing library must stay missing: SQLite would otherwise create an empty file. A
    // library reached through a symbolic link opens like any other.
    void missingFileIsNotCreated()
    {
        const QString real = file("real.mdb");
        test::makeLibrary(real, 1);
        QVERIFY(QFile::link(real, file("link.mdb")));
        QVERIFY(PuzzleStore::open(path8(file("link.mdb"))));
        const QString path = file("absent.mdb");
        const auto opened = PuzzleStore::open(path8(path));
        QVERIFY(!opened);
        QCOMPARE(opened.error().kind, Kind::Missing);
        QVERIFY(!QFile::exists(path));
    }

    // The highest number is MAX(GameNo): the last row delivered may belong to any puzzle.
    void highestNumberIsTheMaximumNotTheLastRow()
    {
        const QString path = file("unordered.mdb");
        test::sqlite(path,
            QStringLiteral("CREATE TABLE Game (GameNo INTEGER, \"Index\" INTEGER, Number TEXT);"
                           "INSERT INTO Game VALUES (3, 1, '1'), (250, 5, '2'), (7, 9, '3'),"
                           "('junk', 1, '1'), (99999, 2, '2'), (1, 4, '4');"));
        auto store = PuzzleStore::open(path8(path));
        QVERIFY(store);
        QCOMPARE(*store->highestGameNumber(), 250);
        const auto next = store->appendPuzzles({ { { 1, 5 } } }, 8);
        QVERIFY(next);
        QCOMPARE(*next, 8);
        // A number already used is never taken again: two puzzles would merge.
        const auto taken = store->appendPuzzles({ { { 1, 6 } } }, 7);
        QVERIFY(taken);
        QCOMPARE(*taken, 251);
    }

    // Odd rows come out marked as bad rather than crashing or being guessed at.
    void badRowsAreHandedOverMarked()
    {
        const QString path = file("oddrows.mdb");
        test::sqlite(path,
            QStringLiteral("CREATE TABLE Game (GameNo, \"Index\", Number);"
                           "INSERT INTO Game VALUES (1, 0, 5), (1, 82, 5), (1, 3, 0), (1, 4, 10),"
                           "(1, 5, 'x'), (1, NULL, 3), (1, 6, '7'), (1.0, 7, 8.0), (1, 8, 2.5);"));
        auto store = PuzzleStore::open(path8(path));
        QVERIFY(store);
        const auto rows = store->puzzle(1);
        QVERIFY(rows);
        QCOMPARE(rows->size(), std::size_t(9));
        int good = 0;
        for (const auto &r : *rows)
            good += r.wellFormed();
        QCOMPARE(good, 2);
        QCOMPARE(*(*rows)[6].number, 7);
        QCOMPARE(*(*rows)[7].index, 7);
    }

    // All rows of a puzzle or none: a refusal of the last row must take the others back.
    void appendIsOneTransaction()
    {
        const QString path = file("refusing.mdb");
        test::sqlite(path,
            QStringLiteral(
                "CREATE TABLE Game (GameNo INTEGER, \"Index\" INTEGER CHECK (\"Index\" < 81),"
                " Number INTEGER); INSERT INTO Game VALUES (1, 1, 1);"));
        auto store = PuzzleStore::open(path8(path));
        QVERIFY(store);
        const auto refused = store->appendPuzzles({ { { 1, 1 }, { 40, 2 }, { 81, 3 } } }, 2);
        QVERIFY(!refused);
        QCOMPARE(refused.error().kind, Kind::Refused);
        QCOMPARE(test::sqlite(path, QStringLiteral("SELECT COUNT(*) FROM Game")),
            QStringList { QStringLiteral("1") });
        // An empty puzzle would leave a number without rows.
        QVERIFY(!store->appendPuzzles({ {} }, 2));
    }

    // A puzzle that names one cell twice is refused whole, by append and by create alike, even
    // in a library whose table has no key to refuse the second row.
    void puzzleNamingACellTwiceIsRefused()
    {
        const QString path = file("keyless.mdb");
        test::sqlite(path,
            QStringLiteral("CREATE TABLE Game (GameNo, \"Index\", Number);"
                           "INSERT INTO Game VALUES (1, 1, 1);"));
        auto store = PuzzleStore::open(path8(path));
        QVERIFY(store);
        const Puzzle twice { { 5, 3 }, { 40, 2 }, { 5, 7 } };
        const auto appended = store->appendPuzzles({ { { 9, 9 } }, twice }, 2);
        QVERIFY(!appended);
        QCOMPARE(appended.error().kind, Kind::BadInput);
        QCOMPARE(test::sqlite(path, QStringLiteral("SELECT COUNT(*) FROM Game")),
            QStringList { QStringLiteral("1") });
        const QString fresh = file("twice.mdb");
        const auto made = PuzzleStore::create(path8(fresh), { twice });
        QVERIFY(!made);
        QCOMPARE(made.error().kind, Kind::BadInput);
        QVERIFY(!QFile::exists(fresh));
    }

    // A crafted file must not run anything: triggers stay off when we store a puzzle.
    void triggersAndSchemaFunctionsDoNotRun()
    {
        const QString path = file("trigger.mdb");
        test::sqlite(path,
            QStringLiteral(
                "CREATE TABLE Game (GameNo, \"Index\", Number);"
                "INSERT INTO Game VALUES (1, 1, 1), (2, 1, 1);"
                "CREATE TRIGGER wipe AFTER INSERT ON Game BEGIN DELETE FROM Game; END;"));
        auto store = PuzzleStore::open(path8(path));
        QVERIFY(store);
        QVERIFY(store->appendPuzzles({ { { 5, 5 } } }, 3));
        QCOMPARE(test::sqlite(path, QStringLiteral("SELECT COUNT(*) FROM Game")),
            QStringList { QStringLiteral("3") });
    }

    // A hardening switch that SQLite refuses leaves no connection to use: the refusal is an
    // error that names the switch, not something passed over. The real switches all hold.
    void aRefusedHardeningSettingRefusesTheConnection()
    {
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(":memory:", &raw), SQLITE_OK);
        const DbPtr db(raw);
        QVERIFY(harden(db.get()));
        int on = -1;
        QCOMPARE(sqlite3_db_config(db.get(), SQLITE_DBCONFIG_ENABLE_TRIGGER, -1, &on), SQLITE_OK);
        QCOMPARE(on, 0);
        const DbSetting unknown[]
            = { { SQLITE_DBCONFIG_DEFENSIVE, 1, "DEFENSIVE" }, { 99999, 1, "NO_SUCH_SETTING" } };
        const auto refused = applySettings(db.get(), unknown);
        QVERIFY(!refused);
        QCOMPARE(refused.error().kind, Kind::Refused);
        QVERIFY2(refused.error().reason.find("NO_SUCH_SETTING") != std::string::npos,
            refused.error().reason.c_str());
    }

    // Another program holding the write lock makes us wait a bounded time, then report.
    void lockedFileIsReportedNotWaitedForForever()
    {
        const QString path = file("locked.mdb");
        test::makeLibrary(path, 2);
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const auto opened = PuzzleStore::open(path8(path));
        QVERIFY(!opened);
        QCOMPARE(opened.error().kind, Kind::Locked);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QVERIFY(PuzzleStore::open(path8(path)));
    }

    // A new library has the project's schema and never replaces an existing file.
    void createMakesAFreshLibraryOnly()
    {
        const QString path = file("fresh.mdb");
        QVERIFY(PuzzleStore::create(path8(path), { { { 1, 1 } }, { { 81, 9 }, { 2, 2 } } }));
        auto store = PuzzleStore::open(path8(path));
        QVERIFY(store);
        QCOMPARE(*store->highestGameNumber(), 2);
        QCOMPARE(store->puzzle(2)->size(), std::size_t(2));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
            test::sqlite(path, QStringLiteral("INSERT INTO Game VALUES (3, 82, 1)")));
        const QByteArray before = test::fileBytes(path);
        QVERIFY(!PuzzleStore::create(path8(path), {}));
        QCOMPARE(test::fileBytes(path), before);
        // Loading one puzzle goes through the index, not a scan of the table.
        const auto plan = test::sqlite(
            path, QStringLiteral("EXPLAIN QUERY PLAN SELECT * FROM Game WHERE GameNo = 1"));
        QVERIFY2(
            plan.join(QLatin1Char(' ')).contains(QLatin1String("USING PRIMARY KEY (GameNo=?)")),
            qPrintable(plan.join(QLatin1Char(' '))));
    }
};

QTEST_GUILESS_MAIN(TestPuzzleStore)
#include "tst_puzzlestore.moc"
