#include "play/startmessages.h"

#include <QTest>

using namespace zov;

// What start-up tells the player, checked without a window: each step that can fail has its
// own words, the place says what to do, and a conversion reports what it left out.
class TestStartMessages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A message for the wrong step (telling a failed copy as an unopenable file, say) or
    // advice that names the wrong folder would send the player to the wrong fix.
    void libraryErrorTellsTheStepAndTheFix_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("expected");
        using Step = store::LibraryError::Step;
        QTest::newRow("not made") << int(Step::Provide) << false
                                  << QStringLiteral("The puzzle library cannot be made:\n"
                                                    "/home/p/lib.mdb\n\nthe disk is full.");
        QTest::newRow("not converted")
            << int(Step::Convert) << false
            << QStringLiteral("The puzzle library of the earlier version cannot be converted:\n"
                              "/home/p/lib.mdb\n\nthe disk is full.\n\nThe file was left as it "
                              "was.");
        QTest::newRow("not opened, installed")
            << int(Step::Open) << false
            << QStringLiteral("The puzzle library cannot be opened:\n/home/p/lib.mdb\n\nthe disk "
                              "is full.\n\nPut a puzzle library named Zovudedoda.mdb in that "
                              "folder and start the game again.");
        QTest::newRow("not opened, portable")
            << int(Step::Open) << true
            << QStringLiteral("The puzzle library cannot be opened:\n/home/p/lib.mdb\n\nthe disk "
                              "is full.\n\nPut a puzzle library named Zovudedoda.mdb in the "
                              "program's folder and start the game again.");
    }
    void libraryErrorTellsTheStepAndTheFix()
    {
        QFETCH(int, step);
        QFETCH(bool, portable);
        QFETCH(QString, expected);
        const store::LibraryError error { static_cast<store::LibraryError::Step>(step),
            { store::Error::Kind::DiskFull, "the disk is full." } };
        const store::LibraryPlace place { "/home/p/lib.mdb", {}, portable };
        QCOMPARE(libraryErrorMessage(error, place), expected);
    }

    // A path that is not UTF-8 is shown as the file system names it, not as an empty line.
    void pathsInTheLocalEncodingAreShown()
    {
        const store::LibraryError error { store::LibraryError::Step::Open, {} };
        const QString text
            = libraryErrorMessage(error, { "/home/j\xc3\xbcrgen/lib.mdb", {}, true });
        QVERIFY2(text.contains(QStringLiteral("/home/j\u00fcrgen/lib.mdb")), qPrintable(text));
    }

    // The conversion report counts what was kept, names the backup, and lists at most ten
    // of the rows left out, with "..." where there were more.
    void conversionListsTenRowsLeftOut_data()
    {
        QTest::addColumn<int>("dropped");
        QTest::addColumn<int>("listed");
        QTest::addColumn<bool>("more");
        QTest::newRow("none") << 0 << 0 << false;
        QTest::newRow("one") << 1 << 1 << false;
        QTest::newRow("ten") << 10 << 10 << false;
        QTest::newRow("eleven") << 11 << 10 << true;
    }
    void conversionListsTenRowsLeftOut()
    {
        QFETCH(int, dropped);
        QFETCH(int, listed);
        QFETCH(bool, more);
        store::Conversion c { 12, 300, {}, "/home/p/old (earlier version).mdb" };
        for (int k = 1; k <= dropped; ++k)
            c.dropped.push_back("row " + std::to_string(k) + ": GameNo is empty");
        const QString text = conversionMessage(c);
        QVERIFY(text.startsWith(
            QStringLiteral("The puzzle library of the earlier version was converted: 12 puzzles "
                           "with 300 digits.\n\nThe original file is kept as:\n"
                           "/home/p/old (earlier version).mdb")));
        QCOMPARE(text.contains(QStringLiteral("rows could not be used")), dropped > 0);
        if (dropped > 0)
            QVERIFY(text.contains(
                QStringLiteral("\n\n%1 rows could not be used and were left out:").arg(dropped)));
        QCOMPARE(text.count(QStringLiteral(": GameNo is empty")), listed);
        QVERIFY(text.contains(QStringLiteral("\nrow %1: GameNo is empty").arg(listed)) || !listed);
        QCOMPARE(text.endsWith(QStringLiteral("\n...")), more);
    }
};

QTEST_GUILESS_MAIN(TestStartMessages)
#include "tst_startmessages.moc"
