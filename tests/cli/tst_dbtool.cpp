#include "cli/dbtool.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

using namespace zov;

namespace {
struct Run
{
    int status;
    QString out, err;
};

Run tool(const QString &db, std::vector<std::string> args)
{
    args.insert(args.begin(), { "--db", QFile::encodeName(db).toStdString() });
    std::ostringstream out, err;
    const int status = cli::runDbTool(args, "unused", out, err);
    return { status, QString::fromStdString(out.str()), QString::fromStdString(err.str()) };
}

void write(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}
} // namespace

class TestDbTool : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    // Import, show and export round-trip; the grid shows the top row first.
    void importShowExportRoundTrip()
    {
        const QString db = m_dir.filePath(QStringLiteral("round.mdb"));
        const QString text = m_dir.filePath(QStringLiteral("in.txt"));
        const QByteArray puzzle
            = "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4..";
        write(text, "# two puzzles\n" + puzzle + "\n" + QByteArray(test::SolvedText) + " solved\n");
        QCOMPARE(tool(db, { "create" }).status, 0);
        const Run imported = tool(db, { "import", QFile::encodeName(text).toStdString() });
        QCOMPARE(imported.status, 0);
        QVERIFY(imported.out.contains(QLatin1String("as 1 to 2")));
        // The top-left 8 is cell 73 in the library.
        QCOMPARE(test::sqlite(db,
                     QStringLiteral("SELECT Number FROM Game WHERE GameNo = 1 AND \"Index\" = 73")),
            QStringList { QStringLiteral("8") });
        const Run shown = tool(db, { "show", "1" });
        QVERIFY(shown.out.startsWith(QLatin1String("8 . . | . . . | . . .\n")));
        const Run exported = tool(db, { "export" });
        QCOMPARE(
            exported.out, QString::fromLatin1(puzzle + "\n" + QByteArray(test::SolvedText) + "\n"));
        QCOMPARE(tool(db, { "check" }).status, 0);
    }

    // One malformed line stores nothing and names its line.
    void malformedImportStoresNothing()
    {
        const QString db = m_dir.filePath(QStringLiteral("bad.mdb"));
        test::makeLibrary(db, 2);
        const QString text = m_dir.filePath(QStringLiteral("bad.txt"));
        write(text, QByteArray(test::SolvedText) + "\nnot a puzzle\n");
        const QByteArray before = test::fileBytes(db);
        const Run run = tool(db, { "import", QFile::encodeName(text).toStdString() });
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QLatin1String(":2: expected 81 characters")));
        QCOMPARE(test::fileBytes(db), before);
    }

    // check names every kind of fault with its puzzle number, and fails.
    void checkReportsEachFault()
    {
        const QString db = m_dir.filePath(QStringLiteral("faulty.mdb"));
        test::sqlite(db,
            QStringLiteral("CREATE TABLE Game (GameNo, \"Index\", Number);"
                           "INSERT INTO Game VALUES (1, 1, 1), (1, 2, 1), (3, 5, 5), (3, 5, 6),"
                           "(3, 90, 2), (4, 1, 1);"));
        const Run run = tool(db, { "check" });
        QCOMPARE(run.status, 1);
        QVERIFY2(
            run.out.contains(QLatin1String("puzzle 1: a digit stands twice")), qPrintable(run.out));
        QVERIFY(run.out.contains(QLatin1String("puzzle 2: missing")));
        QVERIFY(run.out.contains(QLatin1String("puzzle 3: cell 5 holds both 5 and 6")));
        QVERIFY(run.out.contains(QLatin1String("puzzle 3: bad row")));
        QVERIFY(run.out.contains(QLatin1String("puzzle 4: more than one solution")));
    }

    // The generator appends unique puzzles that check accepts.
    void generateAppendsCheckedPuzzles()
    {
        const QString db = m_dir.filePath(QStringLiteral("gen.mdb"));
        QCOMPARE(tool(db, { "create" }).status, 0);
        QCOMPARE(tool(db, { "generate", "5", "--seed", "3" }).status, 0);
        const Run checked = tool(db, { "check" });
        QCOMPARE(checked.status, 0);
        QVERIFY(checked.out.contains(QLatin1String("5 puzzle(s)")));
        QCOMPARE(tool(db, { "solve", "2" }).status, 0);
    }

    // Bad arguments are usage errors, told before the library is opened; a missing library is a
    // failure and is not created.
    void usageAndMissingLibrary()
    {
        const QString db = m_dir.filePath(QStringLiteral("none.mdb"));
        QCOMPARE(tool(db, { "frobnicate" }).status, 2);
        QCOMPARE(tool(db, { "show", "0" }).status, 2);
        QCOMPARE(tool(db, { "list", "extra" }).status, 2);
        QCOMPARE(tool(db, { "generate", "3", "--seed", "x" }).status, 2);
        const Run missing = tool(db, { "show", "1" });
        QCOMPARE(missing.status, 1);
        QVERIFY2(!missing.err.contains(QLatin1String("usage")), qPrintable(missing.err));
        QCOMPARE(tool(db, { "generate", "3", "--seed", "7" }).status, 1);
        QCOMPARE(tool(db, {}).status, 2);
        QVERIFY(!QFile::exists(db));
        test::makeLibrary(db, 1);
        QCOMPARE(tool(db, { "show", "x" }).status, 2);
        QCOMPARE(tool(db, { "generate", "0" }).status, 2);
        QCOMPARE(tool(db, { "show", "2" }).status, 1);
    }

    // The built default library holds at least 1000 puzzles, each with one solution.
    void defaultLibraryChecksClean()
    {
        const Run run = tool(qEnvironmentVariable("ZOVUDEDODA_DEFAULT_DB"), { "check" });
        QCOMPARE(run.status, 0);
        const int count = run.out.section(QLatin1Char(' '), 0, 0).toInt();
        QVERIFY(count >= 1000);
    }
};

QTEST_GUILESS_MAIN(TestDbTool)
#include "tst_dbtool.moc"
