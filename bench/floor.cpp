// The floor for start-up figures: a bare Qt program that shows a window with the game's
// controls and does nothing else (no fonts loaded, no library, no puzzle).

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *surface = new QWidget(&window);
    surface->setFixedSize(478, 360);
    window.setCentralWidget(surface);
    for (int i = 0; i <= 81; ++i) {
        auto *box = new QLineEdit(surface);
        const int col = i == 0 ? 0 : (i - 1) % 9, row = i == 0 ? 8 : (i - 1) / 9;
        box->setGeometry(56 + 32 * col + 8 * (col / 3), 304 - 32 * row - 8 * (row / 3), 33, 34);
    }
    new QLabel(QStringLiteral("Game No."), surface);
    new QCheckBox(QStringLiteral("Random"), surface);
    new QCheckBox(QStringLiteral("Add Game Mode"), surface);
    for (const char *caption : { "New", "Clear", "Done", "Add Game" })
        new QPushButton(QLatin1String(caption), surface);
    window.menuBar()->addAction(QStringLiteral("About"));
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    window.show();
    return app.exec();
}
