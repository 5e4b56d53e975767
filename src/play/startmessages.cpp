#include "play/startmessages.h"

#include <QDir>
#include <QFile>

namespace zov {
namespace {

QString shown(const std::string &path)
{
    return QDir::toNativeSeparators(QFile::decodeName(path.c_str()));
}

} // namespace

QString libraryErrorMessage(const store::LibraryError &error, const store::LibraryPlace &place)
{
    const QString path = shown(place.path);
    const QString reason = QString::fromStdString(error.error.reason);
    switch (error.step) {
    case store::LibraryError::Step::Provide:
        return QStringLiteral("The puzzle library cannot be made:\n%1\n\n%2").arg(path, reason);
    case store::LibraryError::Step::Convert:
        return QStringLiteral("The puzzle library of the earlier version cannot be "
                              "converted:\n%1\n\n%2\n\nThe file was left as it was.")
            .arg(path, reason);
    case store::LibraryError::Step::Open:
        break;
    }
    return QStringLiteral("The puzzle library cannot be opened:\n%1\n\n%2\n\n"
                          "Put a puzzle library named %3 in %4 and start the game again.")
        .arg(path, reason, QLatin1String(store::LibraryFileName),
            place.portable ? QStringLiteral("the program's folder")
                           : QStringLiteral("that folder"));
}

QString conversionMessage(const store::Conversion &converted)
{
    QString text = QStringLiteral("The puzzle library of the earlier version was converted: "
                                  "%1 puzzles with %2 digits.\n\nThe original file is kept as:\n%3")
                       .arg(converted.puzzles)
                       .arg(converted.rows)
                       .arg(shown(converted.backupPath));
    constexpr std::size_t Listed = 10;
    if (!converted.dropped.empty()) {
        text += QStringLiteral("\n\n%1 rows could not be used and were left out:")
                    .arg(converted.dropped.size());
        for (std::size_t k = 0; k < converted.dropped.size() && k < Listed; ++k)
            text += QStringLiteral("\n") + QString::fromStdString(converted.dropped[k]);
        if (converted.dropped.size() > Listed)
            text += QStringLiteral("\n...");
    }
    return text;
}

} // namespace zov
