// Printed puzzle sheets, read back the way a person or a printer would: the text that poppler
// finds on each page and where, the ink of a rendering, and the SVG's XML.
#include "board/cells.h"
#include "cli/dbtool.h"
#include "cli/sheet.h"
#include "puzzles/puzzletext.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <sstream>

using namespace zov;

namespace {

struct Run
{
    int status;
    QString err;
};

Run tool(const QString &db, std::vector<std::string> args)
{
    args.insert(args.begin(), { "--db", test::path8(db) });
    std::ostringstream out, err;
    const int status = cli::runDbTool(args, "unused", out, err);
    return { status, QString::fromStdString(err.str()) };
}

// What the program printed, if it ran to a clean end.
std::optional<QByteArray> runOrFail(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

// The cell (1..81, 1 bottom-left) under a point of a page, or 0 outside the grid.
int cellAt(const cli::GridPlace &g, double x, double y)
{
    const double cell = g.side / 9;
    const int column = static_cast<int>((x - g.x) / cell);
    const int rowFromTop = static_cast<int>((y - g.y) / cell);
    if (x < g.x || y < g.y || column > 8 || rowFromTop > 8)
        return 0;
    return zov::cellAt(9 - rowFromTop, column + 1);
}

// A puzzle's given digit in library cell `index`, or 0.
int givenAt(const puzzles::Grid &grid, int index)
{
    return grid[static_cast<std::size_t>(textPositionOf(index))];
}

struct Word
{
    double x, y; // centre, in points from the top-left
    QString text;
};

// pdftotext's words with their boxes, page by page.
QList<QList<Word>> wordsOf(const QString &pdf)
{
    const QByteArray html = runOrFail(
        QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), pdf, QStringLiteral("-") })
                                .value_or(QByteArray());
    QList<QList<Word>> pages;
    static const QRegularExpression item(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"));
    for (auto m = item.globalMatch(QString::fromUtf8(html)); m.hasNext();) {
        const auto match = m.next();
        if (match.captured(0).startsWith(QLatin1String("<page")))
            pages.append(QList<Word>());
        else if (!pages.isEmpty())
            pages.last().append({ (match.captured(1).toDouble() + match.captured(3).toDouble()) / 2,
                (match.captured(2).toDouble() + match.captured(4).toDouble()) / 2,
                match.captured(5) });
    }
    return pages;
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_db;
    std::vector<puzzles::Grid> m_grids; // puzzle n at n - 1

    void needs(const char *program)
    {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            QSKIP(qPrintable(
                QStringLiteral("%1 (poppler-utils) is not installed").arg(QLatin1String(program))));
    }

    // Each grid's digits stand in the right cells: every given once, nothing else.
    void checkGridWords(const QList<Word> &words, const cli::GridPlace &place,
        const puzzles::Grid &grid, const QString &what)
    {
        std::array<int, 82> found {};
        for (const Word &w : words)
            if (const int cell = cellAt(place, w.x, w.y)) {
                QVERIFY2(w.text.size() == 1 && w.text[0].isDigit(), qPrintable(what + w.text));
                QVERIFY2(found[static_cast<std::size_t>(cell)] == 0, qPrintable(what));
                found[static_cast<std::size_t>(cell)] = w.text.toInt();
            }
        for (int i = 1; i <= 81; ++i)
            QVERIFY2(found[static_cast<std::size_t>(i)] == givenAt(grid, i),
                qPrintable(what + QStringLiteral(" cell %1").arg(i)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_db = m_dir.filePath(QStringLiteral("print.mdb"));
        test::makeLibrary(m_db, 14, 26);
        for (int n = 1; n <= 14; ++n)
            m_grids.push_back(puzzles::toGrid([n] {
                std::vector<GameRow> rows;
                for (const Given &g : test::samplePuzzle(n, 26))
                    rows.push_back({ n, g.index, g.digit, {}, {}, {} });
                return rows;
            }()));
    }

    // pdftotext finds, on each page and over each grid, the puzzle's number and grade name and
    // every given digit in its own cell (cell 1 bottom-left), then the solutions in full on
    // pages of their own, and a page number on each page.
    void textFindsNumbersAndGivensInTheirCells_data()
    {
        QTest::addColumn<int>("perPage");
        QTest::addColumn<QString>("paper");
        QTest::newRow("1 a4") << 1 << QStringLiteral("a4");
        QTest::newRow("2 letter") << 2 << QStringLiteral("letter");
        QTest::newRow("4 a4") << 4 << QStringLiteral("a4");
        QTest::newRow("6 letter") << 6 << QStringLiteral("letter");
    }
    void textFindsNumbersAndGivensInTheirCells()
    {
        needs("pdftotext");
        QFETCH(int, perPage);
        QFETCH(QString, paper);
        const QString pdf = m_dir.filePath(QStringLiteral("text%1.pdf").arg(perPage));
        const std::vector<int> numbers { 3, 4, 5, 6, 7, 8, 9, 12, 2 };
        const Run run = tool(m_db,
            { "print", "3-9", "12", "2", "-o", test::path8(pdf), "--per-page",
                std::to_string(perPage), "--paper", paper.toStdString(), "--solutions" });
        QCOMPARE(run.status, 0);
        const auto pages = wordsOf(pdf);
        const int puzzlePages = (9 + perPage - 1) / perPage;
        QCOMPARE(pages.size(), puzzlePages + 1);
        const auto size = paper == QLatin1String("a4") ? cli::Paper::A4 : cli::Paper::Letter;
        for (int k = 0; k < 9; ++k) {
            const auto &words = pages[k / perPage];
            const auto place = cli::gridPlace(size, perPage, k % perPage);
            const QString title = QStringLiteral("Puzzle %1").arg(numbers[k]);
            checkGridWords(words, place, m_grids[numbers[k] - 1], title);
            QString above;
            for (const Word &w : words)
                if (w.y < place.y && w.y > place.y - 2 * place.titleSize && w.x >= place.x
                    && w.x < place.x + place.side)
                    above += w.text + QLatin1Char(' ');
            QCOMPARE(above.trimmed(), title + QLatin1String(" invalid"));
            const auto solution = cli::gridPlace(size, cli::SolutionsPerPage, k);
            puzzles::Grid solved {};
            QCOMPARE(puzzles::countSolutions(m_grids[numbers[k] - 1], 1, &solved), 1);
            checkGridWords(
                pages.last(), solution, solved, QStringLiteral("Solution %1").arg(numbers[k]));
        }
        // The face the package depends on, embedded: no substitute found by fontconfig.
        const QByteArray fonts
            = runOrFail(QStringLiteral("pdffonts"), { pdf }).value_or(QByteArray());
        QVERIFY2(
            fonts.contains("DejaVuSans ") || fonts.contains("DejaVuSans\n"), fonts.constData());
        QVERIFY(fonts.contains("DejaVuSans-Bold"));
        for (int p = 0; p < pages.size(); ++p) {
            QStringList texts;
            for (const Word &w : pages[p])
                texts << w.text;
            QVERIFY(texts.join(QLatin1Char(' '))
                        .contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())));
        }
    }

    // Rendered by pdftoppm, each given's ink lies inside its own cell and empty cells stay
    // white: a grid drawn upside down, shifted or scaled wrongly fails.
    void renderingKeepsInkInsideCells_data()
    {
        QTest::addColumn<int>("perPage");
        QTest::newRow("1") << 1;
        QTest::newRow("6") << 6;
    }
    void renderingKeepsInkInsideCells()
    {
        needs("pdftoppm");
        QFETCH(int, perPage);
        const QString pdf = m_dir.filePath(QStringLiteral("ink%1.pdf").arg(perPage));
        QCOMPARE(
            tool(m_db,
                { "print", "1-6", "-o", test::path8(pdf), "--per-page", std::to_string(perPage) })
                .status,
            0);
        constexpr double Dpi = 100, Scale = Dpi / 72;
        const QString prefix = m_dir.filePath(QStringLiteral("ink%1").arg(perPage));
        QVERIFY(runOrFail(QStringLiteral("pdftoppm"),
            { QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-gray"),
                QStringLiteral("-png"), QStringLiteral("-f"), QStringLiteral("1"),
                QStringLiteral("-l"), QStringLiteral("1"), pdf, prefix })
                    .has_value());
        const QStringList made
            = QDir(m_dir.path()).entryList({ QStringLiteral("ink%1-*.png").arg(perPage) });
        QCOMPARE(made.size(), 1);
        const QImage page(m_dir.filePath(made.first()));
        QVERIFY(!page.isNull());
        for (int slot = 0; slot < perPage; ++slot) {
            const auto place = cli::gridPlace(cli::Paper::A4, perPage, slot);
            const double cell = place.side / 9 * Scale;
            for (int index = 1; index <= 81; ++index) {
                // The cell's inside, clear of its lines.
                const double left = place.x * Scale + (columnOf(index) - 1) * cell;
                const double top = place.y * Scale + (9 - rowOf(index)) * cell;
                const int inset = static_cast<int>(cell * 0.12) + 1;
                int ink = 0;
                for (int y = static_cast<int>(top) + inset;
                     y < static_cast<int>(top + cell) - inset; ++y)
                    for (int x = static_cast<int>(left) + inset;
                         x < static_cast<int>(left + cell) - inset; ++x)
                        ink += qGray(page.pixel(x, y)) < 128;
                const bool given = givenAt(m_grids[static_cast<std::size_t>(slot)], index) != 0;
                QVERIFY2(given ? ink > 0 : ink == 0,
                    qPrintable(QStringLiteral("slot %1 cell %2: %3 dark pixels")
                                   .arg(slot)
                                   .arg(index)
                                   .arg(ink)));
            }
        }
    }

    // The SVG is well-formed XML, one picture as tall as its pages.
    void svgIsWellFormed()
    {
        const QString svg = m_dir.filePath(QStringLiteral("sheet.svg"));
        QCOMPARE(
            tool(m_db, { "print", "1-5", "-o", test::path8(svg), "--per-page", "2", "--solutions" })
                .status,
            0);
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
        const double height = xml.attributes()
                                  .value(QLatin1String("height"))
                                  .toString()
                                  .remove(QRegularExpression(QStringLiteral("[a-z]+$")))
                                  .toDouble();
        QCOMPARE(qRound(height), qRound(841.89 * 4)); // three pages of puzzles, one of solutions
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    }

    // A bad request gets a clear message and leaves no file, not even a partial one.
    void badRequestsLeaveNoFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto args = [](const char *range, const char *out, QStringList more = {}) {
            return QStringList { QLatin1String(range), QStringLiteral("-o"), QLatin1String(out) }
            + more;
        };
        QTest::newRow("no such puzzle")
            << args("13-15", "OUT.pdf") << 1 << QStringLiteral("there is no puzzle 15");
        QTest::newRow("wrong way round") << args(
            "6-2", "OUT.pdf") << 2 << QStringLiteral("print: RANGE: '6-2' runs the wrong way");
        QTest::newRow("five a page")
            << args("1", "OUT.pdf", { QStringLiteral("--per-page"), QStringLiteral("5") }) << 2
            << QStringLiteral("print: --per-page: 5 not in {1,2,4,6}");
        QTest::newRow("not pdf or svg")
            << args("1", "OUT.png") << 2 << QStringLiteral("must end in .pdf or .svg");
        QTest::newRow("no such folder") << args("1", "missing/OUT.pdf") << 1
                                        << QStringLiteral("cannot be written: No such file");
        QTest::newRow("disk full") << args("1-14", "OUT.svg", { QStringLiteral("FULL") }) << 1
                                   << QStringLiteral("cannot be written");
    }
    void badRequestsLeaveNoFile()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const bool full = args.removeAll(QStringLiteral("FULL")) > 0;
        std::vector<std::string> list { "print" };
        for (const QString &a : args)
            list.push_back(
                a.contains(QLatin1String("OUT")) ? test::path8(dir.filePath(a)) : a.toStdString());
        Run run { -1, {} };
        {
            // A disk that fills up after the first 2000 bytes.
            std::optional<test::FileSizeLimit> limit;
            if (full)
                limit.emplace(2000);
            run = tool(m_db, list);
        }
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.startsWith(QLatin1String("zovudedoda-db: ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPrint)
#include "tst_print.moc"
