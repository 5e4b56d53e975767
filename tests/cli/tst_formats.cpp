// The tool's puzzle formats end to end: import, export and standard input/output, on the shared
// benchmark sets and on broken files.
#include "cli/dbtool.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <random>
#include <sstream>

using namespace zov;

namespace {

struct Run
{
    int status;
    QByteArray out;
    QString err;
};

Run tool(const QString &db, std::vector<std::string> args, const QByteArray &input = {})
{
    args.insert(args.begin(), { "--db", test::path8(db) });
    std::istringstream in(input.toStdString());
    std::ostringstream out, err;
    const int status
        = cli::runDbTool(args, store::LibraryPlace { "unused", {}, true }, out, err, in);
    return { status, QByteArray::fromStdString(out.str()), QString::fromStdString(err.str()) };
}

constexpr char Line[]
    = "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4..";

QByteArray sdk()
{
    QByteArray text;
    for (int r = 0; r < 9; ++r)
        text += QByteArray(Line + r * 9, 9) + '\n';
    return text;
}

// Bytes from a fixed seed, as a file that is no text at all holds them.
QByteArray randomBytes(int size)
{
    std::mt19937 rng(28);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(rng() & 0xff);
    return bytes;
}

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    QString fresh(const char *ext)
    {
        return m_dir.filePath(QStringLiteral("f%1.%2").arg(++m_files).arg(QLatin1String(ext)));
    }

private Q_SLOTS:
    // Every format carries every shared benchmark puzzle there and back: export, import into a
    // new library, export again and compare. A format that drops, reorders or turns a grid fails.
    void sharedSetsRoundTripInEveryFormat_data()
    {
        QTest::addColumn<QString>("set");
        const QDir sets(QStringLiteral(ZOVUDEDODA_SOURCE_TREE "/../shared/bench/puzzles"));
        const auto files = sets.entryList({ QStringLiteral("*.txt") }, QDir::Files);
        if (files.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no shared puzzle sets at %1: the round trip needs "
                                            "../shared beside the source tree")
                                 .arg(sets.absolutePath())));
        for (const QString &f : files)
            QTest::newRow(qPrintable(f)) << sets.filePath(f);
    }
    void sharedSetsRoundTripInEveryFormat()
    {
        QFETCH(QString, set);
        const QString db = fresh("mdb");
        QCOMPARE(tool(db, { "create", "--from", test::path8(set) }).status, 0);
        const Run original = tool(db, { "export" });
        QFile file(set);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray expected;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (line.size() >= 81 && !line.startsWith('#'))
                expected += line.left(81) + '\n';
        QCOMPARE(original.out, expected);
        for (const char *format : { "line", "sdk", "ss" }) {
            const QString text = fresh(format);
            QCOMPARE(tool(db, { "export", "--format", format, "-o", test::path8(text) }).status, 0);
            const QString copy = fresh("mdb");
            // Judged from the content, with no --format.
            QCOMPARE(tool(copy, { "create", "--from", test::path8(text) }).status, 0);
            QVERIFY2(tool(copy, { "export" }).out == expected, format);
        }
    }

    // A broken file stores nothing, and the message names the file, the line and what was
    // expected. A byte-order mark and \r\n line ends are no fault.
    void brokenFilesStoreNothing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("expected");
        QTest::newRow("short row")
            << sdk().replace("..36.....", "..36....") << QStringLiteral(":2:")
            << QStringLiteral("expected 9 cells in a row, found 8");
        QTest::newRow("10th row") << sdk() + "........1\n"
                                  << QStringLiteral(":10:") << QStringLiteral("expected 9 rows");
        QTest::newRow("wrong character")
            << QByteArray(Line).replace(3, 1, "y") + '\n'
            << QStringLiteral(":1:") << QStringLiteral("expected 1-9 or a blank");
        QTest::newRow("digit twice in a column")
            << QByteArray(Line) + "\n" + QByteArray(Line).replace(72, 1, "8") + '\n'
            << QStringLiteral(":2:") << QStringLiteral("a digit stands twice");
        // A byte that is not printable reaches the terminal as \xNN, never raw.
        QTest::newRow("byte above ASCII")
            << QByteArray(Line).replace(3, 1, "\xE9") + '\n'
            << QStringLiteral(":1:") << QStringLiteral("found '\\xE9'");
        QTest::newRow("sdk row with a byte above ASCII") << sdk().replace("..36.....",
            "..36\x80....") << QStringLiteral(":2:") << QStringLiteral("found '\\x80'");
        // What is no text at all is refused whole, before any line is parsed.
        QTest::newRow("escape character")
            << QByteArray(Line).replace(3, 1, "\x1b") + '\n'
            << QStringLiteral(": ") << QStringLiteral("not a puzzle text");
        QTest::newRow("NUL byte") << QByteArray(Line) + '\n' + QByteArray(1, '\0') + '\n'
                                  << QStringLiteral(": ") << QStringLiteral("not a puzzle text");
        QTest::newRow("random bytes")
            << randomBytes(1 << 20) << QStringLiteral(": ") << QStringLiteral("not a puzzle text");
    }

    // A file with many faults lists ten of them and counts the rest in one line; a file that is
    // no text at all gets one line only.
    void manyFaultsAreCountedNotListed()
    {
        const QString db = fresh("mdb");
        test::makeLibrary(db, 2);
        const QByteArray before = test::fileBytes(db);
        QByteArray text;
        for (int k = 0; k < 25; ++k)
            text += "not a puzzle\n";
        const Run faulty = tool(db, { "import", "-" }, text);
        QCOMPARE(faulty.status, 1);
        const QStringList lines = faulty.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 12);
        QVERIFY2(lines[9].startsWith(QLatin1String("standard input:10: expected 1-9")),
            qPrintable(faulty.err));
        QCOMPARE(lines[10],
            QStringLiteral("zovudedoda-db: standard input: 15 more problem(s) not shown"));
        QVERIFY2(
            lines[11].contains(QLatin1String("25 malformed puzzle(s)")), qPrintable(faulty.err));
        const Run random = tool(db, { "import", "-" }, randomBytes(1 << 20));
        QCOMPARE(random.status, 1);
        QCOMPARE(random.err.count(QLatin1Char('\n')), 1);
        QCOMPARE(test::fileBytes(db), before);
    }
    void brokenFilesStoreNothing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, where);
        QFETCH(QString, expected);
        const QString db = fresh("mdb");
        test::makeLibrary(db, 2);
        const QByteArray before = test::fileBytes(db);
        const QString file = fresh("txt");
        QVERIFY(test::writeFile(file, text));
        const Run run = tool(db, { "import", test::path8(file) });
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(file + where), qPrintable(run.err));
        QVERIFY2(run.err.contains(expected), qPrintable(run.err));
        QVERIFY(run.err.contains(QLatin1String("nothing was stored")));
        QCOMPARE(test::fileBytes(db), before);
        // The same from standard input, named as such.
        const Run piped = tool(db, { "import", "-" }, text);
        QCOMPARE(piped.status, 1);
        QVERIFY2(
            piped.err.contains(QStringLiteral("standard input") + where), qPrintable(piped.err));
        QCOMPARE(test::fileBytes(db), before);
    }

    // "-" reads standard input and writes standard output wherever a file is named; a byte-order
    // mark and \r\n line ends read as the plain file would.
    void dashIsStandardInputAndOutput()
    {
        const QString db = fresh("mdb");
        QByteArray crlf = "\xEF\xBB\xBF#Aan author\r\n" + sdk().replace("\n", "\r\n");
        const Run created = tool(db, { "create", "--from", "-" }, crlf);
        QCOMPARE(created.status, 0);
        QVERIFY2(created.err.contains(QLatin1String("1 header line(s) dropped")),
            qPrintable(created.err));
        QCOMPARE(
            tool(db, { "import", "-", "--format", "line" }, QByteArray(Line) + '\n').status, 0);
        QCOMPARE(tool(db, { "export", "-o", "-" }).out, QByteArray(Line) + '\n' + Line + '\n');
        QCOMPARE(tool(db, { "export", "2", "--format", "sdk" }).out, sdk() + '\n');
        const Run rated = tool(db, { "rate", "--file", "-" }, "\n\n" + sdk());
        QCOMPARE(rated.status, 0);
        QVERIFY2(rated.out.startsWith("3 "), rated.out.constData());
        // A folder is no puzzle file, though the system opens it for reading.
        const Run folder = tool(db, { "import", test::path8(m_dir.path()) });
        QCOMPARE(folder.status, 1);
        QVERIFY(folder.err.contains(QLatin1String("it is a folder")));
        // A forced format refuses what is not in it.
        QCOMPARE(tool(db, { "import", "-", "--format", "ss" }, sdk()).status, 1);
    }

    // export takes one number or ranges; a number with no puzzle fails and writes no file.
    void exportTakesNumbersAndRanges()
    {
        const QString db = fresh("mdb");
        test::makeLibrary(db, 5);
        const QList<QByteArray> all = tool(db, { "export" }).out.split('\n');
        QCOMPARE(tool(db, { "export", "4" }).out, all[3] + '\n');
        QCOMPARE(
            tool(db, { "export", "2-3", "5" }).out, all[1] + '\n' + all[2] + '\n' + all[4] + '\n');
        const QString out = fresh("txt");
        const Run missing = tool(db, { "export", "4-6", "-o", test::path8(out) });
        QCOMPARE(missing.status, 1);
        QVERIFY(missing.err.contains(QLatin1String("there is no puzzle 6")));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(tool(db, { "export", "3-2" }).status, 2);
        QCOMPARE(QDir(m_dir.path()).entryList({ QStringLiteral("*.tmp-*") }), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
