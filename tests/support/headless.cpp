// Linked into every test program: the tests are headless wherever they run. CTest says so in
// the environment; a program started by hand gets the same unless the caller chose a platform.

#include <QByteArray>
#include <QtGlobal>

namespace {

const bool headless = [] {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    return true;
}();

} // namespace
