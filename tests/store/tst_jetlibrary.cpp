#include "store/jetlibrary.h"
#include "store/jetprotocol.h"
#include "support/jetwriter.h"
#include "support/otheruser.h"
#include "support/testsupport.h"
#include "ui/form1.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/wait.h>
#include <unistd.h>

using namespace zov;
using namespace zov::test;
using Kind = store::Error::Kind;

namespace {

// Puzzle n: 25 givens of the solved grid, starting at a place that depends on n.
JetTable gameTable(int puzzles, std::vector<JetColumn> columns = {}, const char *name = "Game")
{
    if (columns.empty())
        columns = { { "GameNo", JetType::Integer }, { "Index", JetType::Integer },
            { "Number", JetType::Text } };
    JetTable t { name, columns, {}, std::nullopt };
    for (int n = 1; n <= puzzles; ++n)
        for (const auto &g : samplePuzzle(n, 25)) {
            std::vector<std::optional<std::string>> row;
            for (const auto &c : columns) {
                const std::string lower = QString::fromStdString(c.name).toLower().toStdString();
                row.push_back(lower == "gameno" ? std::to_string(n)
                        : lower == "index"      ? std::to_string(g.index)
                                                : std::to_string(g.digit));
            }
            t.rows.push_back(row);
        }
    return t;
}

#ifndef ZOVUDEDODA_JET_READER // a build without mdbtools
#define ZOVUDEDODA_JET_READER ""
#define ZOVUDEDODA_NOMDB_LIBRARY ""
#define ZOVUDEDODA_LIBMDB_CRASHES ""
#endif
const QString Reader = QStringLiteral(ZOVUDEDODA_JET_READER);

// An executable file at `path` with `text`.
void writeProgram(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write a program");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
        | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
}
} // namespace

class TestJetLibrary : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_count = 0;

    QString file(int version, const std::vector<JetTable> &tables, std::uint16_t codePage = 1252)
    {
        const QString path = m_dir.filePath(QStringLiteral("lib%1/Zovudedoda.mdb").arg(++m_count));
        QDir().mkpath(QFileInfo(path).path());
        if (!writeJetFile(path8(path), version, tables, codePage))
            qFatal("cannot write a fixture");
        return path;
    }

private Q_SLOTS:
    // A file is told by its first bytes, never by its name.
    void headersAreRecognised_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        const auto jet = [](int v) {
            const auto b = writeJet(v, { gameTable(1) });
            return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
        };
        QByteArray ace = jet(4);
        ace.replace(4, 15, "Standard ACE DB");
        QTest::newRow("jet 3") << jet(3) << int(store::FileKind::Jet3);
        QTest::newRow("jet 4") << jet(4) << int(store::FileKind::Jet4);
        QTest::newRow("ace") << ace << int(store::FileKind::Ace);
        QTest::newRow("sqlite") << QByteArray("SQLite format 3\0rest", 21)
                                << int(store::FileKind::SQLite);
        QTest::newRow("empty") << QByteArray() << int(store::FileKind::Empty);
        QTest::newRow("100-byte stub") << jet(3).left(100) << int(store::FileKind::Jet3);
        QTest::newRow("random bytes") << QByteArray(64, '\x5a') << int(store::FileKind::Unknown);
        QTest::newRow("missing") << QByteArray("-") << int(store::FileKind::Missing);
    }
    void headersAreRecognised()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        const QString path = m_dir.filePath(QStringLiteral("head-%1").arg(++m_count));
        if (bytes != "-") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QCOMPARE(int(store::detectFileKind(path8(path))), kind);
    }

    // The fixture writer is checked by an independent reader: mdbtools' own tools.
    void fixturesReadBackWithMdbtools_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("jet 3") << 3;
        QTest::newRow("jet 4") << 4;
    }
    void fixturesReadBackWithMdbtools()
    {
        QFETCH(int, version);
        const QString why
            = test::whyMissing({ QStringLiteral("mdb-ver"), QStringLiteral("mdb-tables"),
                                   QStringLiteral("mdb-export") },
                "mdbtools");
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        const QString path = file(version, { gameTable(3) });
        QCOMPARE(runProgram(QStringLiteral("mdb-ver"), { path }).out.trimmed(),
            version == 3 ? QStringLiteral("JET3") : QStringLiteral("JET4"));
        QCOMPARE(
            runProgram(QStringLiteral("mdb-tables"), { QStringLiteral("-1"), path }).out.trimmed(),
            QStringLiteral("Game"));
        const QStringList lines
            = runProgram(QStringLiteral("mdb-export"), { path, QStringLiteral("Game") })
                  .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 3 * 25);
        QCOMPARE(lines[0], QStringLiteral("GameNo,Index,Number"));
        const auto first = samplePuzzle(1, 25)[0];
        QCOMPARE(lines[1], QStringLiteral("1,%1,\"%2\"").arg(first.index).arg(first.digit));
    }

    // Every row comes back as written, whatever the version, the column order, the table
    // name's case and the field types; a table over many pages too.
    void rowsComeBackAsWritten_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("puzzles");
        QTest::addColumn<QString>("layout");
        QTest::newRow("jet 3") << 3 << 4 << "";
        QTest::newRow("jet 4") << 4 << 4 << "";
        QTest::newRow("jet 3, many pages") << 3 << 200 << "";
        QTest::newRow("jet 4, many pages") << 4 << 200 << "";
        QTest::newRow("other order and case") << 4 << 5 << "order";
        QTest::newRow("byte, long, double") << 3 << 5 << "types";
        QTest::newRow("all text") << 4 << 5 << "text";
    }
    void rowsComeBackAsWritten()
    {
        QFETCH(int, version);
        QFETCH(int, puzzles);
        QFETCH(QString, layout);
        std::vector<JetColumn> cols;
        const char *name = "Game";
        if (layout == QLatin1String("order")) {
            cols = { { "number", JetType::Long }, { "INDEX", JetType::Integer },
                { "gameno", JetType::Long } };
            name = "GAME";
        } else if (layout == QLatin1String("types")) {
            cols = { { "GameNo", JetType::Long }, { "Index", JetType::Byte },
                { "Number", JetType::Double } };
        } else if (layout == QLatin1String("text")) {
            cols = { { "GameNo", JetType::Text }, { "Index", JetType::Text },
                { "Number", JetType::Text } };
        }
        const JetTable table = gameTable(puzzles, cols, name);
        const QString path = file(version, { table });
        const auto rows = store::readLegacyRows(path8(path));
        QVERIFY2(rows, rows ? "" : rows.error().reason.c_str());
        QCOMPARE(rows->size(), table.rows.size());
        std::vector<std::string> dropped;
        const auto converted = store::legacyPuzzles(*rows, dropped);
        QVERIFY(dropped.empty());
        QCOMPARE(converted.size(), std::size_t(puzzles));
        for (const auto &[n, puzzle] : converted) {
            auto expected = samplePuzzle(n, 25);
            std::sort(
                expected.begin(), expected.end(), [](auto a, auto b) { return a.index < b.index; });
            QCOMPARE(puzzle.size(), expected.size());
            for (std::size_t k = 0; k < puzzle.size(); ++k) {
                QCOMPARE(puzzle[k].index, expected[k].index);
                QCOMPARE(puzzle[k].digit, expected[k].digit);
            }
        }
    }

    // A Jet 3 file's text is converted from the code page its header names, by a converter the
    // confined reader cannot load once its filter is in force: each code page's file reads
    // whole, an unknown code page too (libmdb falls back to Western European).
    void jet3CodePagesReadUnderConfinement_data()
    {
        QTest::addColumn<int>("codePage");
        for (const int page : { 1252, 1250, 1251, 932, 936, 950, 437, 866, 874, 1255, 12345 })
            QTest::newRow(qPrintable(QString::number(page))) << page;
    }
    void jet3CodePagesReadUnderConfinement()
    {
        QFETCH(int, codePage);
        const JetTable table = gameTable(3);
        const auto rows = store::readLegacyRows(
            path8(file(3, { table }, static_cast<std::uint16_t>(codePage))));
        QVERIFY2(rows, rows ? "" : rows.error().reason.c_str());
        QCOMPARE(rows->size(), table.rows.size());
        QCOMPARE((*rows)[7].number, *table.rows[7][2]);
    }

    // Rows outside the record format are left out and reported; a cell named twice keeps the
    // later digit.
    void badRowsAreDroppedAndReported()
    {
        JetTable t = gameTable(1);
        t.rows.push_back({ std::string("0"), std::string("5"), std::string("5") });
        t.rows.push_back({ std::string("2"), std::string("82"), std::string("5") });
        t.rows.push_back({ std::string("2"), std::string("3"), std::string("x") });
        t.rows.push_back({ std::nullopt, std::string("3"), std::string("4") });
        t.rows.push_back({ std::string("2"), std::string("7"), std::string("4") });
        t.rows.push_back({ std::string("2"), std::string("7"), std::string("6") });
        const QString path = file(4, { t });
        const auto rows = store::readLegacyRows(path8(path));
        QVERIFY(rows);
        std::vector<std::string> dropped;
        const auto puzzles = store::legacyPuzzles(*rows, dropped);
        QCOMPARE(dropped.size(), std::size_t(5));
        QCOMPARE(puzzles.size(), std::size_t(2));
        QCOMPARE(puzzles[1].first, 2);
        QCOMPARE(puzzles[1].second.size(), std::size_t(1));
        QCOMPARE(puzzles[1].second[0].digit, 6);
    }

    // Files that cannot be converted leave the original exactly as it was, with a reason.
    void unusableFilesStayAsTheyWere_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("kind");
        QTest::newRow("no Game table") << "table" << int(Kind::NoTable);
        QTest::newRow("no Number field") << "field" << int(Kind::NoFields);
        QTest::newRow("cut inside a page") << "cut" << int(Kind::Damaged);
        QTest::newRow("cut at a page boundary") << "rows" << int(Kind::Damaged);
        QTest::newRow("100-byte stub") << "stub" << int(Kind::Damaged);
        QTest::newRow("ace file") << "ace" << int(Kind::NotALibrary);
        QTest::newRow("no usable row") << "empty" << int(Kind::Empty);
    }
    void unusableFilesStayAsTheyWere()
    {
        QFETCH(QString, what);
        QFETCH(int, kind);
        JetTable t = gameTable(3);
        if (what == QLatin1String("table"))
            t.name = "Games";
        if (what == QLatin1String("field"))
            t.columns[2].name = "Digit";
        if (what == QLatin1String("rows"))
            t.claimedRows = static_cast<std::uint32_t>(t.rows.size() + 40);
        if (what == QLatin1String("empty"))
            for (auto &r : t.rows)
                r[1] = std::string("0");
        const QString path = file(3, { t });
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (what == QLatin1String("cut"))
            QVERIFY(f.resize(f.size() - 100));
        if (what == QLatin1String("stub"))
            QVERIFY(f.resize(100));
        if (what == QLatin1String("ace")) {
            f.seek(4);
            f.write("Standard ACE DB");
        }
        f.close();
        const QByteArray before = fileBytes(path);
        const auto converted = store::convertLegacyLibrary(path8(path));
        QVERIFY(!converted);
        QCOMPARE(int(converted.error().kind), kind);
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);
    }

    // Converted once: the new library plays, the original keeps its bytes beside it, and a
    // second start finds a SQLite library and converts nothing.
    void gameConvertsOnceAndKeepsTheOriginal()
    {
        const QString path = file(3, { gameTable(6) });
        const QByteArray original = fileBytes(path);
        test::ScriptedPrompter prompter;
        {
            Form1 form(path, prompter);
            QVERIFY(form.Load());
            QCOMPARE(prompter.told.size(), std::size_t(1));
            QCOMPARE(prompter.told[0].style, MessageStyle::Information);
            QVERIFY(prompter.told[0].prompt.contains(QLatin1String("6 puzzles with 150 digits")));
            prompter.replies.push_back(QStringLiteral("4"));
            form.game()->newGame(Game::Pick::Asked);
            QCOMPARE(form.board().gameNumberText(), QStringLiteral("4"));
            for (const auto &g : samplePuzzle(4, 25))
                QCOMPARE(form.board().text(g.index), QString::number(g.digit));
        }
        const QString backup
            = QFileInfo(path).path() + QStringLiteral("/Zovudedoda (earlier version).mdb");
        QCOMPARE(fileBytes(backup), original);
        QCOMPARE(store::detectFileKind(path8(path)), store::FileKind::SQLite);
        test::ScriptedPrompter again;
        Form1 second(path, again);
        QVERIFY(second.Load());
        QVERIFY(again.told.empty());
    }

    // A folder the player may not write: nothing changes, and the game says why. As root the
    // player is user 65534 in a child process.
    void readOnlyFolderLeavesTheOriginal()
    {
        const QString path = file(4, { gameTable(2) });
        const QString folder = QFileInfo(path).path();
        const QByteArray before = fileBytes(path);
        // The temporary folder above must let the other user through.
        QFile::setPermissions(m_dir.path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther
                | QFile::ExeGroup);
        QFile::setPermissions(folder,
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                | QFile::ReadGroup | QFile::ExeGroup);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther | QFile::ReadGroup);
        // The reader where the other user can run it, whatever folder the build lies in.
        const QString reader = m_dir.filePath(QStringLiteral("zovudedoda-jet-reader"));
        QFile::remove(reader);
        QVERIFY(QFile::copy(Reader, reader));
        const int status = test::runAsOtherUser([&]() -> int {
            if (access(path8(path).c_str(), R_OK) != 0)
                return test::NoPlace;
            if (access(path8(folder).c_str(), W_OK) == 0)
                return test::NoPermissions;
            const auto r = store::convertLegacyLibrary(path8(path), { path8(reader) });
            return r ? 11 : r.error().kind == Kind::ReadOnly ? 0 : 12;
        });
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (const char *why = test::whyNotRun(status))
            QSKIP(why);
        QCOMPARE(status, 0);
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
    }

    // Where mdbtools is missing, the tool says what it needs and leaves the file as it was. The
    // reader is given a libmdb without libmdb's functions, which the loader refuses as it
    // refuses a missing one.
    void withoutMdbtoolsTheFileStays()
    {
        if (!*store::mdbLibraryName())
            QSKIP("needs a build with mdbtools");
        const QString fake = m_dir.filePath(QStringLiteral("nomdb"));
        QDir().mkpath(fake);
        QFile::remove(fake + QLatin1Char('/') + QLatin1String(store::mdbLibraryName()));
        QVERIFY(QFile::copy(QStringLiteral(ZOVUDEDODA_NOMDB_LIBRARY),
            fake + QLatin1Char('/') + QLatin1String(store::mdbLibraryName())));
        const QString path = file(4, { gameTable(2) });
        const QByteArray before = fileBytes(path);
        QProcess p;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), fake);
        p.setProcessEnvironment(env);
        p.start(toolPath(), { QStringLiteral("import-jet"), path });
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(said.contains(QLatin1String(store::mdbLibraryName()))
                && said.contains(QLatin1String("not installed")),
            qPrintable(said));
        QVERIFY2(said.contains(QLatin1String("install mdbtools")), qPrintable(said));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);

        // With mdbtools there, the tool's reader beside it converts the same file.
        p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        p.start(toolPath(), { QStringLiteral("import-jet"), path });
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().startsWith("converted 2 puzzle(s) with 50 digit(s)"));
        QCOMPARE(store::detectFileKind(path8(path)), store::FileKind::SQLite);
    }

    // The reader says what is wrong by its exit status, the same for every caller.
    void readerExitStatusNamesTheFault_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("status");
        QTest::newRow("whole file") << "" << int(store::jet::Success);
        QTest::newRow("no file named") << "usage" << int(store::jet::Usage);
        QTest::newRow("missing file") << "missing" << int(store::jet::IoError);
        QTest::newRow("a SQLite library") << "sqlite" << int(store::jet::NotJet);
        QTest::newRow("no Game table") << "table" << int(store::jet::NoTable);
        QTest::newRow("no Index field") << "field" << int(store::jet::NoFields);
        QTest::newRow("cut at a page boundary") << "rows" << int(store::jet::CutShort);
    }
    void readerExitStatusNamesTheFault()
    {
        QFETCH(QString, what);
        QFETCH(int, status);
        JetTable t = gameTable(2);
        if (what == QLatin1String("table"))
            t.name = "Games";
        if (what == QLatin1String("field"))
            t.columns[1].name = "Cell";
        if (what == QLatin1String("rows"))
            t.claimedRows = static_cast<std::uint32_t>(t.rows.size() + 40);
        QString path = file(3, { t });
        if (what == QLatin1String("missing"))
            path += QStringLiteral(".none");
        if (what == QLatin1String("sqlite")) {
            QFile::remove(path);
            makeLibrary(path, 1);
        }
        QProcess p;
        p.start(Reader, what == QLatin1String("usage") ? QStringList() : QStringList { path });
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
        if (status == store::jet::Success) {
            QCOMPARE(lines.size(), qsizetype(t.rows.size()) + 2);
            QCOMPARE(lines[qsizetype(t.rows.size())],
                QByteArray("end\t") + QByteArray::number(qsizetype(t.rows.size())));
            QVERIFY(lines.last().isEmpty());
        } else if (status != store::jet::Usage) {
            QVERIFY(lines.size() >= 2);
            QVERIFY(lines[lines.size() - 2].startsWith("fail\t"));
        }
    }

    // A value with tabs, line breaks or backslashes comes through the reader's lines intact.
    void fieldTextCrossesTheReaderWhole()
    {
        const std::string odd = "7\t\\n\n\r\\";
        QCOMPARE(store::jet::unescapeField(store::jet::escapeField(odd)), odd);
        QCOMPARE(store::jet::escapeField(odd), std::string("7\\t\\\\n\\n\\r\\\\"));
        QVERIFY(!store::jet::unescapeField("7\\"));
        QVERIFY(!store::jet::unescapeField("7\\x"));
        std::vector<JetColumn> text = { { "GameNo", JetType::Text }, { "Index", JetType::Text },
            { "Number", JetType::Text } };
        JetTable t { "Game", text, {}, std::nullopt };
        t.rows.push_back({ std::string("1"), std::string("5"), odd });
        t.rows.push_back({ std::string("1"), std::string("6"), std::string("4") });
        const auto rows = store::readLegacyRows(path8(file(4, { t })));
        QVERIFY2(rows, rows ? "" : rows.error().reason.c_str());
        QCOMPARE(rows->size(), std::size_t(2));
        QCOMPARE((*rows)[0].number, odd);
        QCOMPARE((*rows)[1].index, std::string("6"));
    }

    // The reader's reason reaches the player's message box, and a file that took the reader
    // over chooses it: it comes through as one short line of printable text.
    void readerReasonIsOneShortLine()
    {
        const std::string flood(1 << 20, 'x');
        const auto out = store::parseReaderOutput("fail\tdamaged\\n\r\x01" + flood + "\n");
        QVERIFY(out.failure.size() <= 310);
        QVERIFY(out.failure.starts_with("damaged   x"));
        QVERIFY(std::none_of(out.failure.begin(), out.failure.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x20; }));
        QVERIFY(!out.whole);
    }

    // A reader that cannot start, crashes, hangs or stops short is a refusal with its reason,
    // and the file keeps its bytes. A hang ends at the time limit, helpers it started too.
    void aFailingReaderLeavesTheFile_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        const QByteArray real = "\"" + Reader.toUtf8() + "\" \"$1\"";
        QTest::newRow("missing") << QByteArray() << int(Kind::Unsupported) << "cannot be started";
        QTest::newRow("not executable")
            << QByteArray("-") << int(Kind::Unsupported) << "cannot be started";
        QTest::newRow("crashes") << QByteArray("ulimit -c 0; kill -SEGV $$") << int(Kind::Damaged)
                                 << QStringLiteral("signal %1").arg(SIGSEGV);
        QTest::newRow("hangs") << QByteArray("sleep 600") << int(Kind::Damaged) << "too long";
        QTest::newRow("hangs after its output")
            << QByteArray("exec >&-; sleep 600") << int(Kind::Damaged) << "too long";
        QTest::newRow("output cut at a line")
            << real + " | head -n 20" << int(Kind::Damaged) << "to its end";
        QTest::newRow("output cut in a line")
            << real + " | head -c 300" << int(Kind::Damaged) << "to its end";
        QTest::newRow("a row lost") << real + " | sed 3d" << int(Kind::Damaged) << "to its end";
        QTest::newRow("foreign output")
            << QByteArray("echo hello") << int(Kind::Damaged) << "to its end";
        QTest::newRow("loader refuses")
            << QByteArray("echo 'libmdb.so.3: no such file' >&2; exit 127")
            << int(Kind::Unsupported) << "install mdbtools";
        QTest::newRow("unknown status")
            << QByteArray("exit 42") << int(Kind::Damaged) << "exit status 42";
        // Ended by its confinement: the file was not read safely, whatever made it stop.
        QTest::newRow("stopped by its filter")
            << QByteArray("kill -SYS $$") << int(Kind::Damaged) << "could not be read safely";
        QTest::newRow("out of processor time") << QByteArray("ulimit -c 0; kill -XCPU $$")
                                               << int(Kind::Damaged) << "could not be read safely";
        QTest::newRow("tried to write a file") << QByteArray("ulimit -c 0; kill -XFSZ $$")
                                               << int(Kind::Damaged) << "could not be read safely";
        QTest::newRow("past its memory")
            << QByteArray("printf 'fail\\tit needs more memory\\n'; exit 8") << int(Kind::Damaged)
            << "could not be read safely: it needs more memory.";
    }
    void aFailingReaderLeavesTheFile()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, kind);
        QFETCH(QString, reason);
        const QString path = file(4, { gameTable(3) });
        const QByteArray before = fileBytes(path);
        const QString reader = m_dir.filePath(QStringLiteral("reader%1").arg(++m_count));
        if (script == "-") {
            QVERIFY(QFile::copy(Reader, reader));
            QVERIFY(QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner));
        } else if (!script.isEmpty())
            writeProgram(reader, "#!/bin/sh\n" + script + "\n");
        const auto converted = store::convertLegacyLibrary(
            path8(path), { path8(reader), std::chrono::milliseconds(1000) });
        QVERIFY(!converted);
        QCOMPARE(int(converted.error().kind), kind);
        QVERIFY2(QString::fromStdString(converted.error().reason).contains(reason),
            converted.error().reason.c_str());
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);
    }

    // Files that crash libmdb (found by fuzzing; fuzz/libmdb-crashes): whatever they do to the
    // confined reader, the game refuses them with a message and keeps the file and its folder
    // as they were.
    void libmdbCrashesEndInACleanRefusal_data()
    {
        QTest::addColumn<QString>("input");
        const QDir crashes(QStringLiteral(ZOVUDEDODA_LIBMDB_CRASHES));
        const QStringList files = crashes.entryList({ QStringLiteral("*.mdb") }, QDir::Files);
        for (const QString &name : files)
            QTest::newRow(qPrintable(name)) << crashes.filePath(name);
        if (files.isEmpty())
            QTest::newRow("none") << QString();
    }
    void libmdbCrashesEndInACleanRefusal()
    {
        QFETCH(QString, input);
        if (input.isEmpty())
            QSKIP("no crashing input is kept in fuzz/libmdb-crashes");
        if (!*store::mdbLibraryName())
            QSKIP("needs a build with mdbtools");
        const QString path
            = m_dir.filePath(QStringLiteral("crash%1/Zovudedoda.mdb").arg(++m_count));
        QDir().mkpath(QFileInfo(path).path());
        QVERIFY(QFile::copy(input, path));
        const QByteArray before = fileBytes(path);
        test::ScriptedPrompter prompter;
        {
            Form1 form(path, prompter);
            QVERIFY(!form.Load());
        }
        QCOMPARE(prompter.told.size(), std::size_t(1));
        const QString said = prompter.told[0].prompt;
        QCOMPARE(prompter.told[0].style, MessageStyle::Critical);
        QVERIFY2(said.contains(QDir::toNativeSeparators(path)), qPrintable(said));
        // The file reached the reader (whole pages), and the refusal says the file was kept.
        QVERIFY2(!said.contains(QLatin1String("whole number of pages")), qPrintable(said));
        QVERIFY2(said.contains(QLatin1String("left as it was")), qPrintable(said));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);
    }

    // Without a reader named, the one beside the running program is used, else the one in the
    // installed game's private folder; never a relative place, which would run whatever lies in
    // the current folder.
    void readerIsLookedForBesideTheProgramFirst()
    {
        const auto places = store::jetReaderPlaces();
        QVERIFY(!places.empty() && places.size() <= 2);
        QCOMPARE(QString::fromStdString(places[0]),
            QCoreApplication::applicationDirPath() + QStringLiteral("/zovudedoda-jet-reader"));
        for (const auto &place : places) {
            QVERIFY(place.front() == '/');
            QVERIFY(
                QString::fromStdString(place).endsWith(QLatin1String("/zovudedoda-jet-reader")));
        }
        QVERIFY(store::readLegacyRows(path8(file(3, { gameTable(1) }))));
    }
};

QTEST_MAIN(TestJetLibrary)
#include "tst_jetlibrary.moc"
