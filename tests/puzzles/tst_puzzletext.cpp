// The puzzle text formats: the 81-character line, .sdk and .ss grids, read and written.
#include "board/cells.h"
#include "puzzles/puzzletext.h"

#include <QTest>

using namespace zov;
using namespace zov::puzzles;

namespace {

constexpr char Line[]
    = "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4..";

Grid lineGrid() { return *fromText(Line); }

// The puzzle's nine rows, top first, each as nine characters.
QByteArrayList rows()
{
    QByteArrayList list;
    for (int r = 0; r < 9; ++r)
        list << QByteArray(Line + r * 9, 9);
    return list;
}

QByteArray sdk() { return rows().join('\n') + '\n'; }

QByteArray ss(const QByteArray &rule = "---+---+---")
{
    QByteArray text;
    const QByteArrayList r = rows();
    for (int k = 0; k < 9; ++k) {
        if (k == 3 || k == 6)
            text += rule + '\n';
        text += r[k].left(3) + '|' + r[k].mid(3, 3) + '|' + r[k].mid(6) + '\n';
    }
    return text;
}

QByteArray withRow(QByteArray text, int line, const QByteArray &replacement)
{
    QByteArrayList lines = text.split('\n');
    lines[line - 1] = replacement;
    return lines.join('\n');
}

} // namespace

class TestPuzzleText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every accepted spelling of a file reads as the same one puzzle, in the format the content
    // shows: a misjudged format or a refused blank character fails here.
    void acceptedSpellingsReadTheSamePuzzle_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("headers");
        const QByteArray line(Line);
        for (const char blank : QByteArray("0*_xX")) {
            QByteArray spelt = line;
            spelt.replace('.', blank);
            QTest::newRow(QByteArray(QByteArray("line, blank ") + blank).constData())
                << spelt << 0 << 0;
        }
        QTest::newRow("line with comment") << "# heading\n" + line + " from a book\n" << 0 << 0;
        QTest::newRow("line, BOM and CRLF") << "\xEF\xBB\xBF" + line + "\r\n" << 0 << 0;
        QTest::newRow("sdk") << sdk() << 1 << 0;
        QTest::newRow("sdk with headers")
            << "#Aauthor\n#Dwhat\n#Ccomment\n#B2026\n#Sbook\n#LEasy\n#Uhttp://x\n" + sdk() << 1
            << 7;
        QByteArray crlf = sdk();
        crlf.replace("\n", "\r\n");
        QTest::newRow("sdk, BOM and CRLF") << "\xEF\xBB\xBF" + crlf << 1 << 0;
        QTest::newRow("ss") << ss() << 2 << 0;
        QTest::newRow("ss, plain rules") << ss("-----------") << 2 << 0;
        QByteArray ssCrlf = ss();
        ssCrlf.replace("\n", "\r\n");
        QTest::newRow("ss, BOM and CRLF") << "\xEF\xBB\xBF" + ssCrlf << 2 << 0;
    }
    void acceptedSpellingsReadTheSamePuzzle()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, format);
        QFETCH(int, headers);
        const auto parsed = parsePuzzleText(text.toStdString());
        QCOMPARE(static_cast<int>(parsed.format), format);
        QVERIFY2(parsed.problems.empty(),
            parsed.problems.empty() ? "" : parsed.problems.front().reason.c_str());
        QCOMPARE(parsed.puzzles.size(), std::size_t { 1 });
        QVERIFY(parsed.puzzles.front() == lineGrid());
        QCOMPARE(parsed.droppedHeaders, headers);
    }

    // Broken files name the line and what was expected, and yield no puzzle for what is broken.
    void brokenInputsNameLineAndExpectation_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        const QByteArray line(Line);
        QTest::newRow("line too short") << "# c\n" + line.left(80) + '\n'
                                        << 2 << QStringLiteral("expected 81 characters, found 80");
        QTest::newRow("line, wrong character") << line.left(80) + "a\n"
                                               << 1 << QStringLiteral("found 'a'");
        QTest::newRow("line, digit twice in a row") << "88" + line.mid(2) + '\n'
                                                    << 1 << QStringLiteral("a digit stands twice");
        QTest::newRow("line, no digit") << QByteArray(81, '.') + '\n'
                                        << 1 << QStringLiteral("no digit");
        QTest::newRow("sdk short row") << withRow(sdk(), 3, rows()[2].left(8)) << 3
                                       << QStringLiteral("expected 9 cells in a row, found 8");
        QTest::newRow("sdk 10th row") << sdk() + rows()[0]
                + '\n' << 10 << QStringLiteral("expected 9 rows of 9 cells, found 1");
        QTest::newRow("sdk wrong character")
            << withRow(sdk(), 5, "....4?7..") << 5 << QStringLiteral("found '?'");
        // The top-left 8 again in its box.
        QTest::newRow("sdk digit twice in a box")
            << withRow(sdk(), 2, "..836....") << 1 << QStringLiteral("a digit stands twice");
        QTest::newRow("ss short row")
            << withRow(ss(), 2, "..3|6..|..") << 2 << QStringLiteral("found 8");
        QTest::newRow("ss bar out of place")
            << withRow(ss(), 1, "8..|..|....") << 1 << QStringLiteral("found '|'");
    }
    void brokenInputsNameLineAndExpectation()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const auto parsed = parsePuzzleText(text.toStdString());
        QCOMPARE(parsed.problems.size(), std::size_t { 1 });
        QCOMPARE(parsed.problems.front().line, line);
        QVERIFY2(QString::fromStdString(parsed.problems.front().reason).contains(reason),
            parsed.problems.front().reason.c_str());
        QVERIFY(parsed.puzzles.size() <= 1);
        for (const auto &g : parsed.puzzles)
            QVERIFY(g == lineGrid());
    }

    // Grids one after another are many puzzles, each found at its first row.
    void gridsOneAfterAnotherAreManyPuzzles()
    {
        Grid second = lineGrid();
        second[0] = 0;
        for (const auto format : { TextFormat::Sdk, TextFormat::Ss }) {
            const std::string text
                = formatPuzzle(lineGrid(), format) + formatPuzzle(second, format);
            const auto parsed = parsePuzzleText(text);
            QCOMPARE(parsed.format, format);
            QCOMPARE(parsed.puzzles.size(), std::size_t { 2 });
            QVERIFY(parsed.puzzles[1] == second);
            QCOMPARE(parsed.lines[1], format == TextFormat::Sdk ? 11 : 13);
        }
        // Back to back, without an empty line between them.
        const QByteArray packed = sdk() + sdk();
        QCOMPARE(parsePuzzleText(packed.toStdString()).puzzles.size(), std::size_t { 2 });
    }

    // Each format writes what it reads: the grid is the same way round (top row first) and a
    // forced format reads only its own kind.
    void eachFormatReadsWhatItWrites()
    {
        const Grid grid = lineGrid();
        QCOMPARE(formatPuzzle(grid, TextFormat::Line), std::string(Line) + "\n");
        QCOMPARE(QByteArray::fromStdString(formatPuzzle(grid, TextFormat::Sdk)), sdk() + '\n');
        QCOMPARE(QByteArray::fromStdString(formatPuzzle(grid, TextFormat::Ss)), ss() + '\n');
        for (const auto format : { TextFormat::Line, TextFormat::Sdk, TextFormat::Ss }) {
            const auto parsed = parsePuzzleText(formatPuzzle(grid, format), format);
            QVERIFY(parsed.problems.empty());
            QVERIFY(parsed.puzzles.at(0) == grid);
        }
        QVERIFY(!parsePuzzleText(ss().toStdString(), TextFormat::Sdk).problems.empty());
        QVERIFY(!parsePuzzleText(sdk().toStdString(), TextFormat::Line).problems.empty());
        QCOMPARE(formatNamed("ss"), std::optional<TextFormat>(TextFormat::Ss));
        QVERIFY(!formatNamed("csv"));
    }

    // One codec for the 81-character form: the plain reader takes every blank the line format
    // takes (a blank refused there but taken here, or the other way, fails), refuses the same
    // characters, and writes each blank back as '.'.
    void theLineReaderAndThePlainReaderTakeTheSameCells()
    {
        for (int ch = 1; ch < 256; ++ch) {
            std::string text(Line);
            text[1] = static_cast<char>(ch); // a blank in Line
            const auto plain = fromText(text);
            const auto parsed = parsePuzzleText(text, TextFormat::Line);
            const bool blank
                = ch == '0' || ch == '.' || ch == '*' || ch == '_' || ch == 'x' || ch == 'X';
            const QByteArray what = "character " + QByteArray::number(ch);
            QVERIFY2(plain.has_value() == blank || (ch >= '1' && ch <= '9'), what);
            if (blank) {
                QVERIFY2(parsed.problems.empty(), what);
                QVERIFY2(*plain == lineGrid(), what);
                QCOMPARE(toText(*plain), std::string(Line));
            } else if (ch < '1' || ch > '9') {
                QVERIFY2(!parsed.problems.empty(), what);
            }
        }
        QVERIFY(!fromText(std::string(Line) + "."));
        QVERIFY(!fromText(std::string_view(Line, 80)));
    }

    // The library's cell 1 is the bottom-left cell, the text's first character the top-left.
    void rowsAndTextMeetAtTheRightCorner()
    {
        const Puzzle puzzle = toPuzzle(lineGrid());
        QCOMPARE(puzzle.front().index, 2); // the bottom row's 9, in column 2
        QCOMPARE(puzzle.front().digit, 9);
        QCOMPARE(puzzle.back().index, 73); // the top-left 8
        QCOMPARE(puzzle.back().digit, 8);
        std::vector<GameRow> rows;
        for (const Given &g : puzzle)
            rows.push_back({ 1, g.index, g.digit, {}, {}, {} });
        QVERIFY(toGrid(rows) == lineGrid());
    }
};

QTEST_GUILESS_MAIN(TestPuzzleText)
#include "tst_puzzletext.moc"
