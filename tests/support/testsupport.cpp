#include "support/testsupport.h"

#include "board/cells.h"
#include "look/fonts.h"
#include "ui/resources.h"

#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <sqlite3.h>
#include <stdexcept>
#include <sys/resource.h>

namespace zov::test {

const char *const SolvedText
    = "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

std::string path8(const QString &path) { return QFile::encodeName(path).toStdString(); }

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush())
        return true;
    qWarning("%s cannot be written: %s", qPrintable(path), qPrintable(f.errorString()));
    return false;
}

// CTest names the places in the environment; a test program started by hand falls back on
// the ones it was built with.
QString sourceDir()
{
    return qEnvironmentVariable(
        "ZOVUDEDODA_SOURCE_DIR", QStringLiteral(ZOVUDEDODA_TEST_SOURCE_DIR));
}

QString benchmarkSets() { return sourceDir() + QStringLiteral("/../shared/bench/puzzles"); }

ProgramRun runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    ProgramRun run;
    run.finished = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
    if (!run.finished)
        p.kill();
    run.status = p.exitCode();
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

QString whyMissing(const QStringList &programs, const char *package)
{
    for (const QString &program : programs)
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program == QLatin1String(package)
                ? QStringLiteral("%1 is not installed").arg(program)
                : QStringLiteral("%1 (%2) is not installed").arg(program, QLatin1String(package));
    return {};
}

QString whyNoDesignFace()
{
    const QFont face = dialogFont(1, 96);
    return QFontInfo(face).family() == BitmapFace
        ? QString()
        : QStringLiteral("fonts-wine's %1 is not installed").arg(BitmapFace);
}

QString toolPath()
{
    return qEnvironmentVariable("ZOVUDEDODA_TOOL", QStringLiteral(ZOVUDEDODA_TEST_TOOL));
}

FileSizeLimit::FileSizeLimit(unsigned long bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_old = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_old;
    setrlimit(RLIMIT_FSIZE, &limit);
}

int solvedDigit(int cellIndex) { return SolvedText[textPositionOf(cellIndex)] - '0'; }

std::optional<QString> ScriptedPrompter::inputBox(
    const QString &prompt, const QString &title, const QString &defaultText)
{
    asked.push_back({ prompt, title, defaultText });
    if (whileAsking)
        whileAsking();
    if (replies.empty())
        return std::nullopt;
    const bool cancel = !replies.front().has_value();
    const QString reply = cancel ? QString() : *replies.front();
    replies.pop_front();
    if (cancel)
        return std::nullopt;
    return reply;
}

void ScriptedPrompter::messageBox(const QString &prompt, MessageStyle style, const QString &title)
{
    told.push_back({ prompt, style, title });
}

store::Puzzle samplePuzzle(int n, int clues)
{
    // Givens of the solved grid, starting at a place that depends on n, so puzzles differ.
    store::Puzzle p;
    for (int k = 0; k < clues; ++k) {
        const int index = (n * 7 + k * 29) % 81 + 1;
        bool seen = false;
        for (const auto &g : p)
            seen = seen || g.index == index;
        if (!seen)
            p.push_back({ index, solvedDigit(index) });
    }
    return p;
}

void makeLibrary(const QString &path, int count, int clues)
{
    std::vector<store::Puzzle> list;
    for (int n = 1; n <= count; ++n)
        list.push_back(samplePuzzle(n, clues));
    if (!store::PuzzleStore::create(QFile::encodeName(path).toStdString(), list))
        throw std::runtime_error("cannot make a test library");
}

QStringList sqlite(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    QStringList rows;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open for test");
    }
    char *error = nullptr;
    const auto collect = [](void *out, int n, char **values, char **) {
        QStringList cells;
        for (int i = 0; i < n; ++i)
            cells << (values[i] ? QString::fromUtf8(values[i]) : QStringLiteral("NULL"));
        static_cast<QStringList *>(out)->append(cells.join(QLatin1Char('|')));
        return 0;
    };
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), collect, &rows, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        qWarning("sqlite: %s", qPrintable(message));
        throw std::runtime_error("sqlite: " + message.toStdString());
    }
    return rows;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace zov::test
