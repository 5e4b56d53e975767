// In-process time of drawing a hint on the board: the hint layer alone painted into an image,
// and the whole board with and without it, at scale 1 and 2, for a large drawing (four shaded
// units, a chain of ten cells with twenty numbered candidates and nineteen links, seven
// removals). Medians over many runs.

#include "ui/form1.h"
#include "ui/hintlayer.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zov;
using Clock = std::chrono::steady_clock;
using puzzles::hints::Drawing;
using puzzles::hints::Role;

namespace {

class Answering : public Prompter
{
public:
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return QStringLiteral("1");
    }
    void messageBox(const QString &, MessageStyle, const QString &) override { }
};

double timeMs(const std::function<void()> &action)
{
    const auto t0 = Clock::now();
    action();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Drawing largeDrawing()
{
    Drawing d;
    d.shades = { { 1, Role::Base }, { 7, Role::Base }, { 11, Role::Cover }, { 15, Role::Cover } };
    const int cells[] = { 10, 16, 34, 70, 66, 48, 50, 77, 5, 40 };
    int n = 0, before = -1, out = 0;
    for (std::size_t k = 0; k < std::size(cells); ++k) {
        const int in = static_cast<int>(k % 9) + 1, next = static_cast<int>((k + 4) % 9) + 1;
        d.cells.push_back({ cells[k], k == 0 ? Role::Pivot : Role::Node, 0 });
        d.candidates.push_back({ cells[k], in, Role::Node, ++n, k % 2 == 0 });
        d.candidates.push_back({ cells[k], next, Role::Node, ++n, false });
        if (before >= 0)
            d.lines.push_back({ before, out, cells[k], in, false });
        d.lines.push_back({ cells[k], in, cells[k], next, true });
        before = cells[k];
        out = next;
    }
    for (const int p : { 1, 2, 12, 13, 60, 61, 80 })
        d.candidates.push_back({ p, 5, Role::Removal, 0, true });
    return d;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lib.mdb"));
    store::Puzzle p;
    for (int i = 1; i <= 81; i += 3)
        p.push_back({ i, (i * 7) % 9 + 1 });
    (void)store::PuzzleStore::create(QFile::encodeName(path).toStdString(), { p });
    Answering answers;
    Form1 form(path, answers);
    if (!form.Load())
        return 1;
    form.show();
    HintLayer layer(form.board());
    const Drawing d = largeDrawing();
    const int runs = argc > 1 ? std::atoi(argv[1]) : 201;
    std::printf("drawing a hint (%zu shades, %zu frames, %zu candidates, %zu links), median of "
                "%d runs\n",
        d.shades.size(), d.cells.size(), d.candidates.size(), d.lines.size(), runs);
    for (const qreal scale : { 1.0, 2.0 }) {
        std::vector<double> alone, board, bare;
        QImage image((QSizeF(layer.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        for (int r = 0; r < runs; ++r) {
            layer.setDrawing(d);
            alone.push_back(timeMs([&] {
                image.fill(Qt::transparent);
                layer.render(&image);
            }));
            QImage whole((QSizeF(form.centralWidget()->size()) * scale).toSize(),
                QImage::Format_ARGB32_Premultiplied);
            whole.setDevicePixelRatio(scale);
            board.push_back(timeMs([&] { form.centralWidget()->render(&whole); }));
            layer.clear();
            bare.push_back(timeMs([&] { form.centralWidget()->render(&whole); }));
        }
        std::printf("  scale %.0f: the layer alone %.3f ms; the window's client area %.3f ms with "
                    "the drawing, %.3f ms without\n",
            scale, median(alone), median(board), median(bare));
    }
    return 0;
}
