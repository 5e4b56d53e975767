// Start-up's library policy, without a window: an earlier-version file is converted once and
// then opened; a failure says at which step, and a file that could not be converted stays.

#include "store/library.h"
#include "support/jetwriter.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zov;

class TestLibrary : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    std::string path(const char *name) { return m_dir.filePath(QLatin1String(name)).toStdString(); }
    static test::JetTable gameTable(int puzzles)
    {
        test::JetTable t { "Game",
            { { "GameNo", test::JetType::Integer }, { "Index", test::JetType::Byte },
                { "Number", test::JetType::Byte } },
            {}, {} };
        for (int n = 1; n <= puzzles; ++n)
            for (const auto &g : test::samplePuzzle(n))
                t.rows.push_back(
                    { std::to_string(n), std::to_string(g.index), std::to_string(g.digit) });
        return t;
    }

private Q_SLOTS:
    // A library of today's kind opens as it is: nothing converted, nothing beside it.
    void currentLibraryOpensUnconverted()
    {
        const std::string p = path("current.mdb");
        test::makeLibrary(QString::fromStdString(p), 3);
        auto opened = store::openLibrary(p);
        QVERIFY(opened.ok());
        QVERIFY(!opened->converted);
        QCOMPARE(*opened->store.highestGameNumber(), 3);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).size(), 1);
    }

    // Missing and junk files fail at the opening step, and are left as they were.
    void unusableFilesFailAtOpening()
    {
        auto missing = store::openLibrary(path("missing.mdb"));
        QVERIFY(!missing.ok());
        QCOMPARE(missing.error().step, store::LibraryError::Step::Open);
        QCOMPARE(missing.error().error.kind, store::Error::Kind::Missing);
        QVERIFY(!QFile::exists(QString::fromStdString(path("missing.mdb"))));

        const std::string junk = path("junk.mdb");
        QFile f(QString::fromStdString(junk));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        auto opened = store::openLibrary(junk);
        QVERIFY(!opened.ok());
        QCOMPARE(opened.error().step, store::LibraryError::Step::Open);
        QCOMPARE(opened.error().error.kind, store::Error::Kind::NotALibrary);
        QCOMPARE(test::fileBytes(QString::fromStdString(junk)), QByteArray(4096, 'x'));
    }

    // An earlier-version library is converted, opened at once, and converted only once.
    void earlierVersionIsConvertedThenOpened()
    {
        if (!*store::mdbLibraryName())
            QSKIP("built without the reader of the earlier version");
        const std::string p = path("old.mdb");
        QVERIFY(test::writeJetFile(p, 4, { gameTable(2) }));
        auto opened = store::openLibrary(p);
        QVERIFY2(opened.ok(), opened.ok() ? "" : opened.error().error.reason.c_str());
        QVERIFY(opened->converted);
        QCOMPARE(opened->converted->puzzles, 2);
        QCOMPARE(*opened->store.highestGameNumber(), 2);
        auto again = store::openLibrary(p);
        QVERIFY(again.ok());
        QVERIFY(!again->converted);
    }

    // A Jet file without the table fails at the conversion step and keeps its bytes.
    void failedConversionSaysSoAndKeepsTheFile()
    {
        if (!*store::mdbLibraryName())
            QSKIP("built without the reader of the earlier version");
        const std::string p = path("notable.mdb");
        QVERIFY(test::writeJetFile(
            p, 3, { { "Other", { { "A", test::JetType::Integer } }, { { "1" } }, {} } }));
        const QByteArray before = test::fileBytes(QString::fromStdString(p));
        auto opened = store::openLibrary(p);
        QVERIFY(!opened.ok());
        QCOMPARE(opened.error().step, store::LibraryError::Step::Convert);
        QCOMPARE(test::fileBytes(QString::fromStdString(p)), before);
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
