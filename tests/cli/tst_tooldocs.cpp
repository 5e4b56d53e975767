// The tool's manual page, the tool section of docs/library-tool.md and the bash completion file
// against what --help says: a command or option added, renamed or dropped in one place and not
// the others fails here.
#include "cli/dbtool.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <sstream>

using namespace zov;

namespace {

QString help(std::vector<std::string> args)
{
    args.push_back("--help");
    std::ostringstream out, err;
    if (cli::runDbTool(args, "unused", out, err) != 0)
        return {};
    return QString::fromStdString(out.str());
}

QString source(const char *path)
{
    QFile f(QStringLiteral(ZOVUDEDODA_SOURCE_TREE "/") + QLatin1String(path));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The long options and the one-letter ones in a text.
QSet<QString> optionsIn(const QString &text)
{
    static const QRegularExpression option(
        QStringLiteral(R"((?<![\w-])(--[a-z][a-z-]*[a-z]|-[a-z])(?![\w-]))"));
    QSet<QString> found;
    for (auto m = option.globalMatch(text); m.hasNext();)
        found.insert(m.next().captured(1));
    return found;
}

// The lines of a help text's section ("Subcommands:", "Options:"), up to the next empty line.
QStringList section(const QString &text, const QString &heading)
{
    const int start = text.indexOf(QLatin1Char('\n') + heading + QLatin1Char('\n'));
    if (start < 0)
        return {};
    const int end = text.indexOf(QLatin1String("\n\n"), start + 1);
    return text.mid(start + heading.size() + 2, end - start - heading.size() - 2)
        .split(QLatin1Char('\n'));
}

} // namespace

class TestToolDocs : public QObject
{
    Q_OBJECT
    QStringList m_commands;
    QSet<QString> m_options; // every command's and the tool's own

private Q_SLOTS:
    void initTestCase()
    {
        const QString top = help({});
        static const QRegularExpression command(QStringLiteral(R"(^  ([a-z][a-z-]*)\s)"));
        for (const QString &line : section(top, QStringLiteral("Subcommands:")))
            if (const auto m = command.match(line); m.hasMatch())
                m_commands << m.captured(1);
        QVERIFY2(m_commands.contains(QLatin1String("print")), qPrintable(top));
        m_options = optionsIn(section(top, QStringLiteral("Options:")).join(QLatin1Char('\n')));
        for (const QString &c : m_commands) {
            const QString text = help({ c.toStdString() });
            QVERIFY2(!text.isEmpty(), qPrintable(c));
            m_options.unite(
                optionsIn(section(text, QStringLiteral("Options:")).join(QLatin1Char('\n'))));
        }
        QVERIFY(m_options.contains(QLatin1String("--per-page")));
        QVERIFY(m_options.contains(QLatin1String("--version")));
    }

    // Each document names every command and option of --help, and no option that --help lacks.
    void documentsMatchHelp_data()
    {
        QTest::addColumn<QString>("text");
        QString man = source("docs/man/zovudedoda-db.6");
        man.replace(QLatin1String("\\-"), QLatin1String("-"))
            .remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
        QTest::newRow("manual page") << man;
        const QString notes = source("docs/library-tool.md");
        const int start = notes.indexOf(QLatin1String("\n## The library tool\n"));
        const int end = notes.indexOf(QLatin1String("\n## "), start + 1);
        QTest::newRow("docs/library-tool.md")
            << (start < 0 ? QString() : notes.mid(start, end - start));
        QTest::newRow("bash completion") << source("tools/zovudedoda-db/zovudedoda-db.bash");
    }
    void documentsMatchHelp()
    {
        QFETCH(QString, text);
        QVERIFY2(!text.isEmpty(), "the document is missing or has no tool section");
        for (const QString &c : m_commands)
            QVERIFY2(text.contains(
                         QRegularExpression(QStringLiteral(R"((?<![\w-])%1(?![\w-]))").arg(c))),
                qPrintable(QStringLiteral("command %1 is not named").arg(c)));
        const QSet<QString> named = optionsIn(text);
        for (const QString &o : m_options)
            QVERIFY2(
                named.contains(o), qPrintable(QStringLiteral("option %1 is not named").arg(o)));
        for (const QString &o : named)
            QVERIFY2(m_options.contains(o),
                qPrintable(QStringLiteral("%1 is named but --help has no such option").arg(o)));
    }
};

QTEST_GUILESS_MAIN(TestToolDocs)
#include "tst_tooldocs.moc"
