#include "store/jetlibrary.h"
#include "store/jetprotocol.h"
#include "store/process.h"
#include "support/jetwriter.h"
#include "support/testsupport.h"
#include "ui/form1.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// This program runs from a folder of its own, where the reader the game finds beside it is the
// hostile stand-in (tests/support/hostilereader.cpp); the real reader is named here.
using namespace zov;
using namespace zov::test;

namespace {

const QString RealReader = QStringLiteral(ZOVUDEDODA_JET_READER);
const QString HostileReader = QStringLiteral(ZOVUDEDODA_HOSTILE_READER);
constexpr char TryVariable[] = "ZOVUDEDODA_HOSTILE_TRY";

JetTable gameTable(int puzzles)
{
    JetTable t { "Game",
        { { "GameNo", JetType::Integer }, { "Index", JetType::Integer },
            { "Number", JetType::Text } },
        {}, std::nullopt };
    for (int n = 1; n <= puzzles; ++n)
        for (const auto &g : samplePuzzle(n, 25))
            t.rows.push_back(
                { std::to_string(n), std::to_string(g.index), std::to_string(g.digit) });
    return t;
}

// Whether this system lets a process install a seccomp filter at all, asked of the kernel
// directly (a child installs one that allows everything), so that a reader that fails to confine
// itself is told apart from a system that forbids it.
bool systemAllowsSeccomp()
{
    sock_filter allowAll = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    sock_fprog program { 1, &allowAll };
    const pid_t child = ::fork();
    if (child == 0) {
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
            ::_exit(1);
        ::_exit(::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0 ? 0 : 2);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)
        && WEXITSTATUS(status) == 0;
}

// The hostile reader's run over `file` with one try: its status as waitpid gives it.
store::ProgramRun runHostile(const QString &what, const QString &file)
{
    qputenv(TryVariable, what.toUtf8());
    auto run = store::runProgram(
        path8(HostileReader), { path8(file) }, std::chrono::seconds(60), 1 << 20);
    qunsetenv(TryVariable);
    return run;
}

// One field of /proc/PID/status ("Seccomp", "NoNewPrivs"), or empty.
QByteArray statusField(qint64 pid, const QByteArray &name)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(QByteArray(name + ':')))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

// The soft and hard values of one line of /proc/PID/limits ("Max file size").
QList<QByteArray> limitOf(qint64 pid, const QByteArray &name)
{
    QFile f(QStringLiteral("/proc/%1/limits").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(QByteArray(name + ' ')))
            return line.mid(name.size()).simplified().split(' ').mid(0, 2);
    return {};
}

} // namespace

class TestJetConfinement : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_count = 0;
    int m_probe = -1; // the hostile reader's report on the confinement this machine allows

    QString file(int puzzles)
    {
        const QString path = m_dir.filePath(QStringLiteral("lib%1/Zovudedoda.mdb").arg(++m_count));
        QDir().mkpath(QFileInfo(path).path());
        if (!writeJetFile(path8(path), 4, { gameTable(puzzles) }))
            qFatal("cannot write a fixture");
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const auto run = runHostile(QStringLiteral("probe"), file(1));
        m_probe = WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
        QVERIFY2(m_probe == 0 || m_probe == 77 || m_probe == 78,
            qPrintable(QStringLiteral("probe status %1").arg(run.status)));
        // Where the system offers seccomp, a reader without its filter is a fault.
        if (systemAllowsSeccomp())
            QVERIFY2(m_probe != 77, "the reader runs without its filter on a system that has one");
    }

    // A file that takes the reader over still cannot read the player's files, write, reach the
    // network, start programs or take the machine's memory: every try is refused (the reader
    // reports it) or kills the reader (SIGSYS). The game says the file could not be read
    // safely, names it, and leaves it and its folder exactly as they were.
    void hostileReaderIsStoppedAndTheFileStays_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("signal"); // 0: refused, the reader exits with jet::Confined
        QTest::newRow("open /etc/passwd") << "passwd" << 0;
        QTest::newRow("create a file") << "create" << SIGSYS;
        QTest::newRow("open a socket") << "socket" << SIGSYS;
        QTest::newRow("fork") << "fork" << SIGSYS;
        QTest::newRow("execve") << "execve" << SIGSYS;
        QTest::newRow("allocate past the limit") << "allocate" << 0;
    }
    void hostileReaderIsStoppedAndTheFileStays()
    {
        QFETCH(QString, what);
        QFETCH(int, signal);
        if (m_probe == 77)
            QSKIP("this system refuses the reader a seccomp filter (a container's or an old "
                  "kernel's limits)");
        if (m_probe == 78 && what == QLatin1String("allocate"))
            QSKIP("a sanitizer build runs the reader without the address-space limit");
        const QString path = file(2);
        const QString folder = QFileInfo(path).path();
        const QByteArray before = fileBytes(path);

        const auto run = runHostile(what, path);
        if (signal != 0) {
            QVERIFY2(WIFSIGNALED(run.status), run.output.c_str());
            QCOMPARE(WTERMSIG(run.status), signal);
        } else {
            QVERIFY2(run.exitedWith(store::jet::Confined), run.output.c_str());
            QVERIFY(store::parseReaderOutput(run.output).failure.find("was refused")
                != std::string::npos);
        }

        qputenv(TryVariable, what.toUtf8());
        ScriptedPrompter prompter;
        {
            Form1 form(path, prompter);
            QVERIFY(!form.Load());
        }
        qunsetenv(TryVariable);
        QCOMPARE(prompter.told.size(), std::size_t(1));
        const QString said = prompter.told[0].prompt;
        QCOMPARE(prompter.told[0].style, MessageStyle::Critical);
        QVERIFY2(said.contains(QLatin1String("could not be read safely")), qPrintable(said));
        QVERIFY2(said.contains(QDir::toNativeSeparators(path)), qPrintable(said));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList { QStringLiteral("Zovudedoda.mdb") });
    }

    // The file size limit of 0 must not cost a reader its answer where its standard error is a
    // regular file (a session log): libmdb's warning about a damaged table is lost there, and the
    // reader still says what is wrong instead of dying of SIGXFSZ.
    void aWarningIntoALogFileDoesNotStopTheReader()
    {
        const QString path = file(2);
        QByteArray bytes = fileBytes(path);
        bytes[4 * 4096] = '\x07'; // the table definition of Game, page 4, made something else
        QVERIFY(writeFile(path, bytes));
        QProcess reader;
        reader.setStandardErrorFile(m_dir.filePath(QStringLiteral("session.log")));
        reader.start(RealReader, { path });
        QVERIFY(reader.waitForFinished(60000));
        QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
        QCOMPARE(reader.exitCode(), int(store::jet::NoTable));
        QVERIFY(reader.readAllStandardOutput().startsWith("fail\t"));
    }

    // The real reader is confined while it reads: it waits on a FIFO for its file, and
    // meanwhile the kernel shows it without new privileges, under a seccomp filter and within
    // its limits. Fed the file, it still reads it whole.
    void realReaderRunsConfined()
    {
        if (m_probe == 77)
            QSKIP("this system refuses the reader a seccomp filter (a container's or an old "
                  "kernel's limits)");
        const QString fifo = m_dir.filePath(QStringLiteral("input.fifo"));
        QVERIFY(::mkfifo(path8(fifo).c_str(), 0600) == 0);
        // Held open for writing, so that the reader's open returns and its read waits.
        const int writer = ::open(path8(fifo).c_str(), O_RDWR | O_CLOEXEC);
        QVERIFY(writer >= 0);
        QProcess reader;
        reader.start(RealReader, { fifo });
        QVERIFY(reader.waitForStarted());
        const qint64 pid = reader.processId();
        QByteArray seccomp;
        for (int k = 0; k < 1000 && seccomp != "2" && reader.state() == QProcess::Running; ++k) {
            QTest::qWait(10);
            seccomp = statusField(pid, "Seccomp");
        }
        QCOMPARE(seccomp, QByteArray("2"));
        QCOMPARE(statusField(pid, "NoNewPrivs"), QByteArray("1"));
        QCOMPARE(limitOf(pid, "Max file size"), (QList<QByteArray> { "0", "0" }));
        QCOMPARE(limitOf(pid, "Max processes"), (QList<QByteArray> { "0", "0" }));
        QCOMPARE(limitOf(pid, "Max core file size"), (QList<QByteArray> { "0", "0" }));
        QCOMPARE(limitOf(pid, "Max cpu time"), (QList<QByteArray> { "20", "21" }));
        if (m_probe != 78)
            QVERIFY(limitOf(pid, "Max address space").value(0) != "unlimited");

        const QByteArray bytes = fileBytes(file(3));
        QCOMPARE(
            ::write(writer, bytes.constData(), std::size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(writer);
        QVERIFY(reader.waitForFinished(60000));
        QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
        QCOMPARE(reader.exitCode(), int(store::jet::Success));
        const auto out = store::parseReaderOutput(reader.readAllStandardOutput().toStdString());
        QVERIFY(out.whole);
        QCOMPARE(out.rows.size(), std::size_t(3 * 25));
    }
};

QTEST_MAIN(TestJetConfinement)
#include "tst_jetconfinement.moc"
