#include "support/testsupport.h"
#include "ui/form1.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace zov;

namespace {
const QString Table = QStringLiteral("CREATE TABLE Game (GameNo, \"Index\", Number);");
const QString Good = QStringLiteral("INSERT INTO Game VALUES (1, 1, 1), (1, 41, 5), (1, 81, 9);");
}

class TestHostileFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    // Each broken or hostile library gives its message at start-up, or plays passing over the
    // bad rows; either way no action crashes and the file's bytes stay as they were.
    void hostileLibraries_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refusal"); // empty: the library plays
        QByteArray jet(100, '\0');
        jet.replace(0, 20, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20));
        QByteArray ace = jet;
        ace.replace(4, 15, "Standard ACE DB");
        const QByteArray none;
        QTest::newRow("zero bytes") << QByteArray("") << QString() << "empty";
        QTest::newRow("random bytes")
            << QByteArray(4096, '\xa5') << QString() << "not a puzzle library";
        QTest::newRow("jet file cut short") << jet << QString() << "cut short";
        QTest::newRow("ace file") << ace << QString() << "ACE";
        QTest::newRow("truncated sqlite") << QByteArray("truncate") << QString() << "damaged";
        QTest::newRow("wrong page size") << QByteArray("pagesize") << QString() << "damaged";
        QTest::newRow("missing table")
            << none << QStringLiteral("CREATE TABLE Games (x);") << "no table";
        QTest::newRow("missing column")
            << none << QStringLiteral("CREATE TABLE Game (GameNo, Number);") << "lacks";
        QTest::newRow("view named Game")
            << none
            << QStringLiteral("CREATE TABLE t (GameNo, \"Index\", Number); CREATE VIEW Game AS "
                              "SELECT * FROM t;")
            << "not a plain table";
        QTest::newRow("empty table") << none << Table << "no puzzle";
        QTest::newRow("text where numbers belong") << none
                                                   << Table + Good
                + QStringLiteral("INSERT INTO Game VALUES ('1', 'abc', 'five'), ('x', 2, 2);")
                                                   << "";
        QTest::newRow("huge GameNo")
            << none << Table + Good + QStringLiteral("INSERT INTO Game VALUES (99999999999, 2, 2);")
            << "";
        QTest::newRow("negative and zero numbers")
            << none
            << Table + Good + QStringLiteral("INSERT INTO Game VALUES (-1, 2, 2), (0, 3, 3);")
            << "";
        QTest::newRow("Index 0 and 82")
            << none
            << Table + Good + QStringLiteral("INSERT INTO Game VALUES (1, 0, 2), (1, 82, 3);")
            << "";
        QTest::newRow("Number 0, 10 and x") << none
                                            << Table + Good
                + QStringLiteral("INSERT INTO Game VALUES (1, 2, 0), (1, 3, 10), (1, 4, 'x');")
                                            << "";
        QTest::newRow("NULLs") << none
                               << Table + Good
                + QStringLiteral(
                    "INSERT INTO Game VALUES (NULL, 2, 2), (1, NULL, 3), (1, 4, NULL);")
                               << "";
        QTest::newRow("one cell, two digits")
            << none << Table + Good + QStringLiteral("INSERT INTO Game VALUES (1, 41, 6);") << "";
        QTest::newRow("trigger on insert") << none
                                           << Table + Good
                + QStringLiteral(
                    "CREATE TRIGGER t AFTER INSERT ON Game BEGIN DELETE FROM Game; END;")
                                           << "";
        QTest::newRow("locked by another program") << none << Table + Good << "locked";
    }
    void hostileLibraries()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sql);
        QFETCH(QString, refusal);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())
                                                .replace(QLatin1Char(' '), QLatin1Char('_')));
        if (bytes == "truncate" || bytes == "pagesize") {
            test::makeLibrary(path, 300);
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            if (bytes == "truncate") {
                QVERIFY(f.resize(f.size() / 3));
            } else {
                f.seek(16);
                f.write("\x03\x00", 2);
            }
        } else if (!sql.isEmpty()) {
            test::sqlite(path, sql);
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QProcess locker;
        if (refusal == QLatin1String("locked")) {
            if (const QString why = test::whyMissing({ QStringLiteral("sqlite3") }, "sqlite3");
                !why.isEmpty())
                QSKIP(qPrintable(why));
            locker.start(QStringLiteral("sqlite3"), { path });
            QVERIFY(locker.waitForStarted());
            locker.write("BEGIN EXCLUSIVE; DELETE FROM Game;\n");
            QTRY_VERIFY(QFile::exists(path + QStringLiteral("-journal")));
        }
        const QByteArray before
            = QCryptographicHash::hash(test::fileBytes(path), QCryptographicHash::Sha256);

        test::ScriptedPrompter prompter;
        {
            Form1 form(path, prompter);
            const bool loaded = form.Load();
            if (!refusal.isEmpty() && !loaded) {
                QCOMPARE(prompter.told.size(), std::size_t(1));
                QVERIFY2(prompter.told[0].prompt.contains(refusal, Qt::CaseInsensitive),
                    qPrintable(prompter.told[0].prompt));
                QVERIFY(prompter.told[0].prompt.contains(QDir::toNativeSeparators(path)));
            } else {
                // A truncated file may open and fail only when a puzzle is read: then New says so.
                QVERIFY2(
                    refusal.isEmpty() || !prompter.told.empty(), "a broken file played silently");
                for (int k = 0; k < 3; ++k)
                    form.game()->newGame(Game::Pick::AtRandom);
                form.game()->clear();
                form.game()->done();
                for (int i = 1; i <= 81; ++i) {
                    const QString t = form.board().text(i);
                    QVERIFY(t.isEmpty()
                        || (t.size() == 1 && t[0] >= QLatin1Char('1') && t[0] <= QLatin1Char('9')));
                }
                if (refusal.isEmpty())
                    QCOMPARE(form.board().text(81), QStringLiteral("9"));
            }
        }
        if (locker.state() == QProcess::Running) {
            locker.write("ROLLBACK;\n.quit\n");
            QVERIFY(locker.waitForFinished());
        }
        QCOMPARE(
            QCryptographicHash::hash(test::fileBytes(path), QCryptographicHash::Sha256), before);
    }

    // A folder where the library should be is refused, not read.
    void folderInsteadOfFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("folder.mdb"));
        QVERIFY(QDir().mkpath(path));
        test::ScriptedPrompter prompter;
        Form1 form(path, prompter);
        QVERIFY(!form.Load());
        QVERIFY(prompter.told.at(0).prompt.contains(QLatin1String("cannot be read")));
    }
};

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
