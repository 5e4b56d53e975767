#include "cli/dbtool.h"
#include "puzzles/grader.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <set>
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

using test::writeFile;
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
        QVERIFY(writeFile(
            text, "# two puzzles\n" + puzzle + "\n" + QByteArray(test::SolvedText) + " solved\n"));
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
        QVERIFY(writeFile(text, QByteArray(test::SolvedText) + "\nnot a puzzle\n"));
        const QByteArray before = test::fileBytes(db);
        const Run run = tool(db, { "import", QFile::encodeName(text).toStdString() });
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QLatin1String(":2: expected 81 characters")));
        QCOMPARE(test::fileBytes(db), before);
    }

    // A file that cannot be read or written is named with the system's reason for it, never
    // with a stale one ("Success"), and nothing is stored or left behind.
    void fileErrorsCarryTheSystemsReason_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("import of a missing file")
            << QStringList { QStringLiteral("import"), QStringLiteral("DIR/missing.txt") }
            << QStringLiteral("missing.txt: cannot be read: No such file or directory");
        QTest::newRow("import below a plain file")
            << QStringList { QStringLiteral("import"), QStringLiteral("DIR/plain/in.txt") }
            << QStringLiteral("in.txt: cannot be read: Not a directory");
        QTest::newRow("import of a folder") << QStringList { QStringLiteral("import"),
            QStringLiteral("DIR") } << QStringLiteral(": cannot be read: it is a folder");
        QTest::newRow("export below a plain file") << QStringList {
            QStringLiteral("export"), QStringLiteral("-o"), QStringLiteral("DIR/plain/out.txt")
        } << QStringLiteral("out.txt: cannot be written: Not a directory");
        QTest::newRow("export to a missing folder") << QStringList {
            QStringLiteral("export"), QStringLiteral("-o"), QStringLiteral("DIR/missing/out.txt")
        } << QStringLiteral("out.txt: cannot be written: No such file or directory");
    }
    void fileErrorsCarryTheSystemsReason()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), "not a folder\n"));
        const QString db = dir.filePath(QStringLiteral("lib.mdb"));
        test::makeLibrary(db, 2);
        const QByteArray before = test::fileBytes(db);
        std::vector<std::string> list;
        for (QString a : args)
            list.push_back(
                QFile::encodeName(a.replace(QLatin1String("DIR"), dir.path())).toStdString());
        const Run run = tool(db, list);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY2(!run.err.contains(QLatin1String("Success")), qPrintable(run.err));
        QCOMPARE(test::fileBytes(db), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList({ QStringLiteral("lib.mdb"), QStringLiteral("plain") }));
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

    // rate prints "NUMBER GRADE NAME technique=count...", for one puzzle, every puzzle, or
    // each puzzle line of a file by its line number (no library needed); a puzzle without one
    // solution gets grade 0 and the run fails.
    void rateGivesGradeNameAndCounts()
    {
        const QString db = m_dir.filePath(QStringLiteral("rate.mdb"));
        const QString text = m_dir.filePath(QStringLiteral("rate.txt"));
        const QByteArray pointing
            = ".1..2..69.......8....914....972.....24.8.5.97.....382....189....5.......12..5..4.";
        // Without the top row's only 7 a puzzle has two solutions.
        const QByteArray twoSolutions
            = "..2..34.8.5.2.....3......2...1.56..7..69.21..4..18.2...4......1.....5.8.9.78..54.";
        QVERIFY(writeFile(text, "# graded\n" + pointing + "\n\n" + twoSolutions + "\n"));
        QCOMPARE(tool(db, { "create" }).status, 0);
        QCOMPARE(tool(db, { "import", QFile::encodeName(text).toStdString() }).status, 0);

        const Run one = tool(db, { "rate", "1" });
        QCOMPARE(one.status, 0);
        QCOMPARE(one.out, QStringLiteral("1 3 locked-candidates hidden-single=53 pointing=2\n"));
        const Run all = tool(db, { "rate" });
        QCOMPARE(all.status, 1);
        QCOMPARE(all.out, one.out + QStringLiteral("2 0 invalid not-unique\n"));
        QVERIFY(all.err.startsWith(QLatin1String("zovudedoda-db: 1 puzzle(s) have no grade")));
        // A file is rated without any library.
        const QString absent = m_dir.filePath(QStringLiteral("absent.mdb"));
        const Run file = tool(absent, { "rate", "--file", QFile::encodeName(text).toStdString() });
        QVERIFY(!QFile::exists(absent));
        QCOMPARE(file.status, 1);
        QVERIFY2(file.out.startsWith(QLatin1String("2 3 locked-candidates")), qPrintable(file.out));
        QVERIFY(file.out.contains(QLatin1String("\n4 0 invalid not-unique\n")));

        const Run listed = tool(db, { "list" });
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out,
            QStringLiteral("1\t%1\t3\tlocked-candidates\n2\t%2\t0\tinvalid\n")
                .arg(81 - pointing.count('.'))
                .arg(81 - twoSolutions.count('.')));

        for (const auto &bad : std::vector<std::vector<std::string>> {
                 { "rate", "x" }, { "rate", "0" }, { "rate", "1", "2" }, { "rate", "--file" } })
            QCOMPARE(tool(db, bad).status, 2);
        QCOMPARE(tool(db, { "rate", "9" }).status, 1);
        QCOMPARE(tool(db, { "rate", "--file", "/nonexistent/x.txt" }).status, 1);
    }

    // explain tells the path the grader takes, step by step with the rate log's notation: its
    // technique counts are rate's, and its placements make up the solution; a board or a file
    // needs no library, and a puzzle without one solution is told so and fails.
    void explainFollowsTheGradersPath()
    {
        const QString db = m_dir.filePath(QStringLiteral("explain.mdb"));
        const QString text = m_dir.filePath(QStringLiteral("explain.txt"));
        const QByteArray pointing
            = ".1..2..69.......8....914....972.....24.8.5.97.....382....189....5.......12..5..4.";
        const QByteArray twoSolutions
            = "..2..34.8.5.2.....3......2...1.56..7..69.21..4..18.2...4......1.....5.8.9.78..54.";
        QVERIFY(writeFile(text, pointing + "\n" + twoSolutions + "\n"));
        QCOMPARE(tool(db, { "create" }).status, 0);
        QCOMPARE(tool(db, { "import", QFile::encodeName(text).toStdString() }).status, 0);

        const Run one = tool(db, { "explain", "1" });
        QCOMPARE(one.status, 0);
        QStringList lines = one.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.takeFirst(), QStringLiteral("puzzle 1: grade 3 locked-candidates"));
        QString grid = QString::fromLatin1(pointing);
        int pointingSteps = 0;
        static const QRegularExpression step(
            QStringLiteral("^  (\\d+)\\. ((Hidden single|Naked single|Locked candidates "
                           "\\(pointing\\)): .+) \\[((r\\dc\\d[=-]\\d+ ?)+)\\]$"));
        for (int k = 0; k < lines.size(); ++k) {
            const auto m = step.match(lines[k]);
            QVERIFY2(m.hasMatch(), qPrintable(lines[k]));
            QCOMPARE(m.captured(1).toInt(), k + 1);
            for (const QString &change : m.captured(4).split(QLatin1Char(' '))) {
                const int p = (change[1].digitValue() - 1) * 9 + change[3].digitValue() - 1;
                if (change[4] == QLatin1Char('='))
                    grid[p] = change[5];
            }
            pointingSteps += !m.captured(4).contains(QLatin1Char('='));
            QCOMPARE(m.captured(3) == QStringLiteral("Locked candidates (pointing)"),
                !m.captured(4).contains(QLatin1Char('=')));
        }
        const Run solved = tool(db, { "solve", "1" });
        QString expected = solved.out;
        expected.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        QCOMPARE(grid, expected);
        QCOMPARE(pointingSteps, 2); // rate: pointing=2

        const Run board = tool(db, { "explain", "--board", pointing.toStdString() });
        QCOMPARE(board.status, 0);
        QCOMPARE(board.out.section(QLatin1Char('\n'), 1), one.out.section(QLatin1Char('\n'), 1));
        const QString absent = m_dir.filePath(QStringLiteral("absent.mdb"));
        const Run file
            = tool(absent, { "explain", "--file", QFile::encodeName(text).toStdString() });
        QVERIFY(!QFile::exists(absent));
        QCOMPARE(file.status, 1);
        QVERIFY(file.out.startsWith(QLatin1String("line 1: grade 3 locked-candidates\n")));
        QVERIFY(file.out.contains(QLatin1String("\nline 2\n")));
        QCOMPARE(tool(db, { "explain", "2" }).status, 1);
        for (const auto &bad : std::vector<std::vector<std::string>> { { "explain", "x" },
                 { "explain", "1", "--board", pointing.toStdString() }, { "explain", "--board" } })
            QCOMPARE(tool(db, bad).status, 2);
        QCOMPARE(tool(db, { "explain", "--board", "123" }).status, 1);

        // -o draws the steps beyond the singles, with the same words; a name that is neither
        // PDF nor SVG is a usage error.
        const QString svg = m_dir.filePath(QStringLiteral("explain.svg"));
        const Run drawn = tool(db, { "explain", "1", "-o", QFile::encodeName(svg).toStdString() });
        QCOMPARE(drawn.status, 0);
        QCOMPARE(drawn.out, one.out);
        QFile picture(svg);
        QVERIFY(picture.open(QIODevice::ReadOnly));
        const QByteArray svgText = picture.readAll();
        QVERIFY(svgText.contains("<svg"));
        QCOMPARE(tool(db, { "explain", "1", "-o", "x.txt" }).status, 2);
    }

    // generate with grades makes equal shares per grade, easiest first, and the same
    // puzzles for the same seed; bad grade options are usage errors that store nothing.
    void generateByGrade()
    {
        const QString db = m_dir.filePath(QStringLiteral("graded.mdb"));
        const QString again = m_dir.filePath(QStringLiteral("graded2.mdb"));
        QCOMPARE(tool(db, { "create" }).status, 0);
        QCOMPARE(tool(again, { "create" }).status, 0);
        const std::vector<std::string> args { "generate", "8", "--grade-from", "1", "--grade-to",
            "8", "--seed", "11" };
        QCOMPARE(tool(db, args).status, 0);
        QCOMPARE(tool(again, args).status, 0);
        QCOMPARE(tool(db, { "export" }).out, tool(again, { "export" }).out);
        const QStringList lines
            = tool(db, { "rate" }).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 8);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(lines[k].section(QLatin1Char(' '), 1, 1), QString::number(k + 1));
        QCOMPARE(tool(db, { "check" }).status, 0);

        const Run fish = tool(db, { "generate", "2", "--grade", "5", "--seed", "3" });
        QCOMPARE(fish.status, 0);
        QCOMPARE(tool(db, { "rate", "9" }).out.section(QLatin1Char(' '), 1, 2),
            QStringLiteral("5 fish"));
        QCOMPARE(tool(db, { "rate", "10" }).out.section(QLatin1Char(' '), 1, 2),
            QStringLiteral("5 fish"));

        const QByteArray before = test::fileBytes(db);
        for (const auto &bad : std::vector<std::vector<std::string>> {
                 { "generate", "2", "--grade", "0" }, { "generate", "2", "--grade", "9" },
                 { "generate", "2", "--grade", "x" }, { "generate", "2", "--grade" },
                 { "generate", "2", "--grade-from", "5", "--grade-to", "3" },
                 { "generate", "2", "--grade-from", "3" },
                 { "generate", "2", "--grade", "2", "--grade-to", "3" },
                 { "generate", "2", "--seed", "-1" }, { "generate", "2", "--colour", "1" } })
            QCOMPARE(tool(db, bad).status, 2);
        QCOMPARE(test::fileBytes(db), before);
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
        QCOMPARE(tool(db, { "generate", "3", "--grade", "9" }).status, 2);
        QCOMPARE(tool(db, { "rate", "x" }).status, 2);
        QCOMPARE(tool(db, { "rate", "1", "2" }).status, 2);
        QCOMPARE(tool(db, { "rate", "1" }).status, 1);
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

    // --db goes before or after the command; --help describes the tool and each command;
    // --version prints the project's version.
    void helpVersionAndDbAnywhere()
    {
        const QString db = m_dir.filePath(QStringLiteral("anywhere.mdb"));
        test::makeLibrary(db, 3);
        std::ostringstream out, err;
        QCOMPARE(cli::runDbTool({ "show", "2", "--db", test::path8(db) }, "unused", out, err), 0);
        QCOMPARE(QString::fromStdString(out.str()), tool(db, { "show", "2" }).out);
        const Run version = tool(db, { "--version" });
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QStringLiteral("zovudedoda-db " ZOVUDEDODA_VERSION "\n"));
        const Run help = tool(db, { "--help" });
        QCOMPARE(help.status, 0);
        for (const char *command : { "where", "create", "list", "show", "import", "export", "check",
                 "solve", "rate", "generate", "import-jet", "print" }) {
            QVERIFY2(help.out.contains(QLatin1String("\n  ") + QLatin1String(command)), command);
            const Run one = tool(db, { command, "--help" });
            QCOMPARE(one.status, 0);
            QVERIFY2(
                one.out.contains(QLatin1String("Usage: zovudedoda-db ") + QLatin1String(command)),
                qPrintable(one.out));
        }
        QVERIFY(tool(db, { "generate", "--help" }).out.contains(QLatin1String("--grade-from")));
        // "help" as the earlier tool took it.
        QCOMPARE(tool(db, { "help" }).out, help.out);
    }

    // A usage error exits with 2, names the command and the option, and stores nothing.
    void usageErrorsNameCommandAndOption_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, QStringList args, const char *message) {
            QTest::newRow(name) << args << QString::fromUtf8(message);
        };
        row("number", { QStringLiteral("show"), QStringLiteral("x") },
            "show: N: a whole number from 1 to 32767 is needed, not 'x'");
        row("octal-looking number", { QStringLiteral("solve"), QStringLiteral("0x1") },
            "solve: N: a whole number from 1 to 32767");
        row("count", { QStringLiteral("generate"), QStringLiteral("40000") },
            "generate: COUNT: a whole number from 1 to 32767");
        row("grade and range",
            { QStringLiteral("generate"), QStringLiteral("2"), QStringLiteral("--grade-to"),
                QStringLiteral("3"), QStringLiteral("--grade"), QStringLiteral("2") },
            "generate: --grade");
        row("grades backwards",
            { QStringLiteral("generate"), QStringLiteral("2"), QStringLiteral("--grade-from"),
                QStringLiteral("5"), QStringLiteral("--grade-to"), QStringLiteral("3") },
            "generate: --grade-from: must not be above --grade-to");
        row("number and file",
            { QStringLiteral("rate"), QStringLiteral("1"), QStringLiteral("--file"),
                QStringLiteral("x") },
            "rate: ");
        row("format",
            { QStringLiteral("import"), QStringLiteral("x"), QStringLiteral("--format"),
                QStringLiteral("csv") },
            "import: --format: csv not in {line,sdk,ss}");
        row("format without file",
            { QStringLiteral("rate"), QStringLiteral("--format"), QStringLiteral("sdk") },
            "rate: --format requires --file");
        row("range", { QStringLiteral("export"), QStringLiteral("5-") },
            "export: RANGE: a puzzle number N or a range N-M");
        row("unknown command", { QStringLiteral("frobnicate") }, "frobnicate");
    }
    void usageErrorsNameCommandAndOption()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QString db = m_dir.filePath(QStringLiteral("usage.mdb"));
        std::vector<std::string> list;
        for (const QString &a : args)
            list.push_back(a.toStdString());
        const Run run = tool(db, list);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith(QLatin1String("zovudedoda-db: ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QVERIFY(!QFile::exists(db));
    }

    // The built default library holds at least 2000 puzzles, each with one solution, and its
    // numbers run from the easiest grade to the hardest with every grade there (a sample of
    // every 16th puzzle is rated, which keeps the test short).
    void defaultLibraryChecksClean()
    {
        // CTest names the library; started by hand, the test takes the one its build made. It
        // is the library the build makes from the text file whenever that changes, not the copy
        // beside the game, which is made once and then left alone.
        QString db = qEnvironmentVariable("ZOVUDEDODA_DEFAULT_DB");
        if (db.isEmpty())
            db = QStringLiteral(ZOVUDEDODA_BUILT_DEFAULT_DB);
        if (!QFile::exists(db))
            QSKIP(qPrintable(QStringLiteral("no default library at %1: the build's "
                                            "default_library target makes it")
                                 .arg(db)));
        const Run run = tool(db, { "check" });
        QCOMPARE(run.status, 0);
        const int count = run.out.section(QLatin1Char(' '), 0, 0).toInt();
        QVERIFY(count >= 2000);
        const QStringList lines
            = tool(db, { "export" }).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), count);
        int previous = 0;
        std::set<int> seen;
        for (int k = 0; k < count; k += 16) {
            const int grade = puzzles::rate(*puzzles::fromText(lines[k].toStdString())).grade;
            QVERIFY2(grade >= previous, qPrintable(QStringLiteral("puzzle %1").arg(k + 1)));
            previous = grade;
            seen.insert(grade);
        }
        QCOMPARE(seen.size(), static_cast<std::size_t>(puzzles::LibraryGrades));
        QVERIFY(!seen.count(puzzles::InvalidGrade));
    }
};

QTEST_GUILESS_MAIN(TestDbTool)
#include "tst_dbtool.moc"
