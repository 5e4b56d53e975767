#include "cli/dbtool.h"
#include "store/location.h"
#include "store/puzzlestore.h"
#include "store/tempname.h"
#include "support/otheruser.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

using namespace zov;

namespace {
using test::path8;
QString qpath(const std::string &p) { return QFile::decodeName(p.c_str()); }
} // namespace

// A program folder, a shared data folder and a home, all under one temporary folder.
class TestLocation : public QObject
{
    Q_OBJECT
    QTemporaryDir m_root;
    QString m_program, m_shared, m_home;
    store::Environment m_env;

    QString ownLibrary() const
    {
        return m_home + QStringLiteral("/.local/share/zovudedoda/Zovudedoda.mdb");
    }
    store::LibraryPlace locate() const
    {
        return store::locateLibrary(path8(m_program), path8(m_shared), m_env);
    }
    QStringList entriesOf(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // The environment as the test program was started with, put back after each test.
    std::optional<QByteArray> m_startXdgDataHome, m_startHome;
    static std::optional<QByteArray> variable(const char *name)
    {
        return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    static void restore(const char *name, const std::optional<QByteArray> &value)
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_startXdgDataHome = variable("XDG_DATA_HOME");
        m_startHome = variable("HOME");
    }
    void cleanup()
    {
        restore("XDG_DATA_HOME", m_startXdgDataHome);
        restore("HOME", m_startHome);
    }
    void init()
    {
        static int round = 0;
        const QString base = m_root.filePath(QString::number(++round));
        m_program = base + QStringLiteral("/games");
        m_shared = base + QStringLiteral("/share/games/zovudedoda");
        m_home = base + QStringLiteral("/home");
        for (const QString &d : { m_program, m_shared, m_home })
            QVERIFY(QDir().mkpath(d));
        m_env = { {}, path8(m_home) };
    }

    // Today's portable folder stays as it is: a writable folder with a library keeps using it,
    // even where the player also has a library of their own.
    void writablePortableFolderKeepsItsLibrary()
    {
        test::makeLibrary(m_program + QStringLiteral("/Zovudedoda.mdb"), 3);
        QDir().mkpath(QFileInfo(ownLibrary()).path());
        test::makeLibrary(ownLibrary(), 2);
        const auto place = locate();
        QCOMPARE(qpath(place.path), m_program + QStringLiteral("/Zovudedoda.mdb"));
        QVERIFY(place.portable);
        QVERIFY(place.seed.empty());
    }

    // A read-only portable folder plays on its library (storing says read-only) until the
    // player has a library of their own, which then wins.
    void readOnlyPortableFolderGivesWayToTheOwnLibraryOnly()
    {
        const QString beside = m_program + QStringLiteral("/Zovudedoda.mdb");
        test::makeLibrary(beside, 3);
        const auto readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(m_root.path(), readable | QFile::WriteOwner);
        QFile::setPermissions(m_program, readable);
        // Located as a player without privileges: root may write into any folder.
        const auto locatedAs = [this](const std::string &expected, bool portable) {
            return test::runAsOtherUser([&] {
                const auto place = locate();
                return place.path == expected && place.portable == portable ? 0 : 1;
            });
        };
        int status = locatedAs(path8(beside), true);
        if (const char *why = test::whyNotRun(status)) {
            QFile::setPermissions(m_program, readable | QFile::WriteOwner);
            QSKIP(why);
        }
        QCOMPARE(status, 0);

        QDir().mkpath(QFileInfo(ownLibrary()).path());
        test::makeLibrary(ownLibrary(), 2);
        status = locatedAs(path8(ownLibrary()), false);
        QFile::setPermissions(m_program, readable | QFile::WriteOwner);
        QCOMPARE(status, 0);
    }

    // The variables are read from this process's own environment, by their exact names: a
    // misspelt name would send every player's library to the wrong folder. HOME counts where
    // XDG_DATA_HOME is unset, empty or relative, and the password database where HOME is unset.
    void placeFollowsTheProcessEnvironment_data()
    {
        QTest::addColumn<QByteArray>("xdgDataHome"); // "-" for unset
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QString>("expected"); // relative to the test's root; "~" the real home
        QTest::newRow("data home") << QByteArray("/data") << QByteArray("/h")
                                   << QStringLiteral("/data/zovudedoda/Zovudedoda.mdb");
        QTest::newRow("no data home") << QByteArray(
            "-") << QByteArray("/h") << QStringLiteral("/h/.local/share/zovudedoda/Zovudedoda.mdb");
        QTest::newRow("empty data home") << QByteArray(
            "") << QByteArray("/h") << QStringLiteral("/h/.local/share/zovudedoda/Zovudedoda.mdb");
        QTest::newRow("relative data home")
            << QByteArray("data") << QByteArray("/h")
            << QStringLiteral("/h/.local/share/zovudedoda/Zovudedoda.mdb");
        QTest::newRow("no home") << QByteArray("-") << QByteArray("-")
                                 << QStringLiteral("~/.local/share/zovudedoda/Zovudedoda.mdb");
    }
    void placeFollowsTheProcessEnvironment()
    {
        QFETCH(QByteArray, xdgDataHome);
        QFETCH(QByteArray, home);
        QFETCH(QString, expected);
        const QString root = m_root.filePath(QStringLiteral("env"));
        const auto set = [&](const char *name, const QByteArray &value) {
            if (value == "-")
                qunsetenv(name);
            else
                qputenv(name, value.startsWith('/') ? QFile::encodeName(root) + value : value);
        };
        set("XDG_DATA_HOME", xdgDataHome);
        set("HOME", home);
        if (expected.startsWith(QLatin1Char('~'))) {
            const passwd *pw = ::getpwuid(::getuid());
            if (!pw || !pw->pw_dir || pw->pw_dir[0] != '/')
                QSKIP("this user has no absolute home in the password database");
            expected = QDir::cleanPath(QFile::decodeName(pw->pw_dir) + expected.mid(1));
        } else {
            expected = root + expected;
        }
        QCOMPARE(qpath(store::perUserLibraryPath(store::processEnvironment())), expected);
        // The running program's own place: its folder (the tests') holds no library.
        const QString beside = qpath(store::programDirectory()) + QStringLiteral("/Zovudedoda.mdb");
        if (QFileInfo::exists(beside))
            QSKIP("a library lies beside the test program, which would be used instead");
        const auto place = store::locateLibrary();
        QCOMPARE(qpath(place.path), expected);
        QVERIFY(!place.portable);
    }

    // Installed: the library lives in the player's data folder, made from the shared default.
    // XDG_DATA_HOME counts only when absolute, as the XDG rules say.
    void installedGameUsesThePlayersDataFolder()
    {
        test::makeLibrary(m_shared + QStringLiteral("/Zovudedoda.mdb"), 3);
        auto place = locate();
        QCOMPARE(qpath(place.path), ownLibrary());
        QCOMPARE(qpath(place.seed), m_shared + QStringLiteral("/Zovudedoda.mdb"));
        QVERIFY(!place.portable);

        m_env.xdgDataHome = path8(m_home + QStringLiteral("/data"));
        QCOMPARE(qpath(locate().path), m_home + QStringLiteral("/data/zovudedoda/Zovudedoda.mdb"));
        m_env.xdgDataHome = "relative/data";
        QCOMPARE(qpath(locate().path), ownLibrary());

        // Without any home the program's folder is all there is.
        m_env = {};
        QCOMPARE(qpath(locate().path), m_program + QStringLiteral("/Zovudedoda.mdb"));
    }

    // A library of the earlier version in the data folder is found like any library, and
    // making the library never touches it: the opener converts it.
    void earlierVersionLibraryInTheDataFolderIsFoundAndLeftAlone()
    {
        test::makeLibrary(m_shared + QStringLiteral("/Zovudedoda.mdb"), 3);
        QDir().mkpath(QFileInfo(ownLibrary()).path());
        QByteArray jet(4096, '\0');
        jet.replace(0, 20, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20));
        QVERIFY(test::writeFile(ownLibrary(), jet));
        const auto place = locate();
        QCOMPARE(qpath(place.path), ownLibrary());
        QCOMPARE(store::detectFileKind(place.path), store::FileKind::Jet3);
        QVERIFY(store::provideLibrary(place));
        QCOMPARE(test::fileBytes(ownLibrary()), jet);
    }

    // The first start copies the default into a private folder; the default is only read; a
    // second start finds the player's library and keeps what they stored in it.
    void firstStartCopiesTheDefaultAndLaterStartsKeepTheCopy()
    {
        const QString shared = m_shared + QStringLiteral("/Zovudedoda.mdb");
        test::makeLibrary(shared, 5);
        QFile::setPermissions(shared, QFile::ReadOwner | QFile::ReadOther);
        const QByteArray original = test::fileBytes(shared);
        const auto place = locate();
        const auto made = store::provideLibrary(place);
        QVERIFY2(made, made ? "" : made.error().reason.c_str());
        QCOMPARE(test::fileBytes(ownLibrary()), original);
        QCOMPARE(test::fileBytes(shared), original);
        const QString folder = QFileInfo(ownLibrary()).path();
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions {});
        QCOMPARE(entriesOf(folder), QStringList { QStringLiteral("Zovudedoda.mdb") });

        auto opened = store::PuzzleStore::open(place.path);
        QVERIFY(opened);
        QCOMPARE(*opened->appendPuzzles({ test::samplePuzzle(6) }), 6);
        const QByteArray stored = test::fileBytes(ownLibrary());
        QVERIFY(store::provideLibrary(locate()));
        QCOMPARE(test::fileBytes(ownLibrary()), stored);
        QCOMPARE(test::fileBytes(shared), original);
    }

    // Failures of the first start give a reason and leave no library, whole or half, and no
    // temporary file: the next start tries again from scratch.
    void failedFirstStartLeavesNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("disk full while copying") << QStringLiteral("full");
        QTest::newRow("default library truncated") << QStringLiteral("truncated");
        QTest::newRow("default library not SQLite") << QStringLiteral("junk");
        QTest::newRow("data folder cannot be made") << QStringLiteral("blocked");
    }
    void failedFirstStartLeavesNothing()
    {
        QFETCH(QString, fault);
        const QString shared = m_shared + QStringLiteral("/Zovudedoda.mdb");
        test::makeLibrary(shared, 400);
        const QByteArray whole = test::fileBytes(shared);
        QVERIFY(whole.size() > 65536);
        if (fault == QLatin1String("truncated"))
            QVERIFY(test::writeFile(shared, whole.left(whole.size() / 2)));
        if (fault == QLatin1String("junk"))
            QVERIFY(test::writeFile(shared, QByteArray(8192, 'x')));
        if (fault == QLatin1String("blocked")) {
            // A file where a folder should be: refused even for root.
            QVERIFY(test::writeFile(m_home + QStringLiteral("/.local"), "not a folder"));
        }
        const QByteArray seedBytes = test::fileBytes(shared);

        store::Status made = store::success();
        {
            std::optional<test::FileSizeLimit> limit;
            if (fault == QLatin1String("full"))
                limit.emplace(16384);
            made = store::provideLibrary(locate());
        }
        QVERIFY(!made);
        QVERIFY(!made.error().reason.empty());
        if (fault == QLatin1String("full"))
            QCOMPARE(made.error().kind, store::Error::Kind::DiskFull);
        QVERIFY(!QFileInfo::exists(ownLibrary()));
        if (fault != QLatin1String("blocked"))
            QCOMPARE(entriesOf(QFileInfo(ownLibrary()).path()), QStringList {});
        QCOMPARE(test::fileBytes(shared), seedBytes);
    }

    // A start killed while copying leaves its temporary copy; the next start removes it, and
    // nothing else: not another name, not another owner's file, not a copy still being made
    // (fresh, or locked by its copier), not a link or a folder of that name.
    void leftoverCopiesOfOurOwnGo_data()
    {
        QTest::addColumn<QString>("name"); // "*" for the name the copier gives
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        const QString ours = QStringLiteral("*");
        QTest::newRow("killed copy") << ours << "old" << true;
        QTest::newRow("fresh copy") << ours << "fresh" << false;
        QTest::newRow("copy being made") << ours << "locked" << false;
        QTest::newRow("another owner's") << ours << "foreign" << false;
        QTest::newRow("symbolic link") << ours << "link" << false;
        QTest::newRow("folder") << ours << "folder" << false;
        for (const char *other :
            { "Zovudedoda.mdb.tmp-12-x", "Zovudedoda.mdb.tmp-12", "Zovudedoda.mdb.tmp-1-2.bak",
                "Zovudedoda.mdb.tmp--2", "Other.mdb.tmp-1-2", "xZovudedoda.mdb.tmp-1-2" })
            QTest::newRow(other) << QString::fromLatin1(other) << "old" << false;
    }
    void leftoverCopiesOfOurOwnGo()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        if (kind == QLatin1String("foreign") && ::geteuid() != 0)
            QSKIP("only root can make a file owned by another user");
        const QString shared = m_shared + QStringLiteral("/Zovudedoda.mdb");
        test::makeLibrary(shared, 3);
        const QString folder = QFileInfo(ownLibrary()).path();
        QVERIFY(QDir().mkpath(folder));
        const QString leftover = name == QLatin1String("*")
            ? qpath(store::temporaryNameBeside(path8(ownLibrary())))
            : folder + QLatin1Char('/') + name;
        QCOMPARE(QFileInfo(leftover).path(), folder);
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(leftover));
        else if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(shared, leftover));
        else
            QVERIFY(test::writeFile(leftover, QByteArray(5000, 'x')));
        if (kind == QLatin1String("foreign"))
            QCOMPARE(::chown(QFile::encodeName(leftover).constData(), 65534, 65534), 0);
        if (kind != QLatin1String("fresh") && kind != QLatin1String("link")) {
            const auto age = std::filesystem::file_time_type::clock::now()
                - std::chrono::seconds(store::LeftoverAgeSeconds + 60);
            std::filesystem::last_write_time(path8(leftover), age);
        }
        // The copier holds its lock through another open file, as another process would.
        QFile copier(leftover);
        if (kind == QLatin1String("locked")) {
            QVERIFY(copier.open(QIODevice::ReadWrite));
            QCOMPARE(::flock(copier.handle(), LOCK_EX), 0);
        }

        const auto made = store::provideLibrary(locate());
        QVERIFY2(made, made ? "" : made.error().reason.c_str());
        QVERIFY(QFileInfo::exists(ownLibrary()));
        QCOMPARE(!QFileInfo(leftover).exists() && !QFileInfo(leftover).isSymLink(), removed);
        QVERIFY(QFileInfo::exists(shared));
        QStringList expected { QStringLiteral("Zovudedoda.mdb") };
        if (!removed)
            expected.append(QFileInfo(leftover).fileName());
        QStringList found = entriesOf(folder);
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
    }

    // The tool works on the game's library without --db: it names it, and makes it from the
    // default before its first use; --db still names any file.
    void toolUsesTheGamesLibrary()
    {
        test::makeLibrary(m_shared + QStringLiteral("/Zovudedoda.mdb"), 4);
        const auto place = locate();
        std::ostringstream out, err;
        QCOMPARE(cli::runDbTool({ "where" }, place, out, err), 0);
        QCOMPARE(QString::fromStdString(out.str()), ownLibrary() + QLatin1Char('\n'));
        QVERIFY(!QFileInfo::exists(ownLibrary()));

        out.str({});
        QCOMPARE(cli::runDbTool({ "list" }, place, out, err), 0);
        QCOMPARE(QString::fromStdString(out.str()).count(QLatin1Char('\n')), 4);
        QCOMPARE(
            test::sqlite(ownLibrary(), QStringLiteral("SELECT COUNT(DISTINCT GameNo) FROM Game")),
            QStringList { QStringLiteral("4") });

        out.str({});
        const QString other = m_root.filePath(QStringLiteral("other.mdb"));
        QCOMPARE(cli::runDbTool({ "--db", path8(other), "where" }, place, out, err), 0);
        QCOMPARE(QString::fromStdString(out.str()), other + QLatin1Char('\n'));
    }
};

QTEST_GUILESS_MAIN(TestLocation)
#include "tst_location.moc"
