#include "cli/sheet.h"

#include <algorithm>
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <memory>
#include <ostream>

namespace zov::cli {
namespace {

// From the font package the tool's Debian package depends on (fonts-dejavu-core).
constexpr char Face[] = "DejaVu Sans";
constexpr double Margin = 36; // half an inch, inside what printers can reach
constexpr double Footer = 24;

struct PageSize
{
    double width, height;
};
PageSize pageSize(Paper paper)
{
    return paper == Paper::A4 ? PageSize { 595.276, 841.890 } : PageSize { 612, 792 };
}

// Columns and rows of grids on a page.
std::pair<int, int> layout(int perPage)
{
    switch (perPage) {
    case 1:
        return { 1, 1 };
    case 2:
        return { 1, 2 };
    case 4:
        return { 2, 2 };
    case 6:
        return { 2, 3 };
    default:
        return { 3, 4 }; // the solutions' pages
    }
}

cairo_status_t writeTo(void *closure, const unsigned char *data, unsigned int length)
{
    auto &out = *static_cast<std::ostream *>(closure);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(length));
    return out ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

void centredText(cairo_t *cr, const std::string &text, double x, double y)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_move_to(cr, x - (e.x_bearing + e.width / 2), y - (e.y_bearing + e.height / 2));
    cairo_show_text(cr, text.c_str());
}

// One grid with its side `side` from (x, y), top row first: the bottom-left cell is cell 1.
void drawGrid(cairo_t *cr, const puzzles::Grid &grid, double x, double y, double side)
{
    const double cell = side / 9;
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (int k = 0; k <= 9; ++k) {
        cairo_set_line_width(
            cr, k % 3 == 0 ? std::max(1.2, side / 110) : std::max(0.3, side / 700));
        cairo_move_to(cr, x + k * cell, y);
        cairo_line_to(cr, x + k * cell, y + side);
        cairo_move_to(cr, x, y + k * cell);
        cairo_line_to(cr, x + side, y + k * cell);
        cairo_stroke(cr);
    }
    cairo_select_font_face(cr, Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, cell * 0.62);
    // One baseline for every digit, from the digits' common height: centring each glyph on its
    // own ink would set a 7 apart from a 6.
    cairo_text_extents_t all;
    cairo_text_extents(cr, "0123456789", &all);
    const double baseline = -(all.y_bearing + all.height / 2);
    for (int p = 0; p < 81; ++p)
        if (const int d = grid[static_cast<std::size_t>(p)]) {
            const char digit[2] = { static_cast<char>('0' + d), 0 };
            cairo_text_extents_t e;
            cairo_text_extents(cr, digit, &e);
            cairo_move_to(cr, x + (p % 9 + 0.5) * cell - (e.x_bearing + e.width / 2),
                y + (p / 9 + 0.5) * cell + baseline);
            cairo_show_text(cr, digit);
        }
}

void drawTitle(cairo_t *cr, const std::string &title, const GridPlace &place)
{
    cairo_select_font_face(cr, Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, place.titleSize);
    cairo_move_to(cr, place.x, place.y - 0.8 * place.titleSize);
    cairo_show_text(cr, title.c_str());
}

struct Document
{
    cairo_t *cr;
    Paper paper;
    PageSize size;
    SheetFormat format;
    int page = 0, pages = 0;

    // Ends a page with its number; an SVG's next page starts below the last.
    void finishPage()
    {
        cairo_select_font_face(cr, Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 9);
        centredText(cr, "Page " + std::to_string(page + 1) + " of " + std::to_string(pages),
            size.width / 2, size.height - Margin / 2 - Footer / 2);
        ++page;
        if (format == SheetFormat::Pdf)
            cairo_show_page(cr);
        else
            cairo_translate(cr, 0, size.height);
    }

    template <class Title, class GridOf>
    void drawPages(const std::vector<SheetPuzzle> &list, int perPage, Title title, GridOf gridOf)
    {
        for (std::size_t k = 0; k < list.size(); ++k) {
            const int at = static_cast<int>(k % static_cast<std::size_t>(perPage));
            const GridPlace place = gridPlace(paper, perPage, at);
            drawTitle(cr, title(list[k]), place);
            drawGrid(cr, gridOf(list[k]), place.x, place.y, place.side);
            if (at == perPage - 1 || k + 1 == list.size())
                finishPage();
        }
    }
};

int pagesFor(std::size_t count, int perPage)
{
    return static_cast<int>(
        (count + static_cast<std::size_t>(perPage) - 1) / static_cast<std::size_t>(perPage));
}

} // namespace

GridPlace gridPlace(Paper paper, int perPage, int slot)
{
    const PageSize size = pageSize(paper);
    const auto [columns, rows] = layout(perPage);
    const double width = (size.width - 2 * Margin) / columns;
    const double height = (size.height - 2 * Margin - Footer) / rows;
    const double titleSize = std::clamp(std::min(width, height) / 22, 7.0, 16.0);
    const double side = std::min(width, height - 2.2 * titleSize) * 0.9;
    const double x = Margin + slot % columns * width;
    const double y = Margin + slot / columns * height;
    return { x + (width - side) / 2, y + (height - side + 2.2 * titleSize) / 2, side, titleSize };
}

int sheetPages(int count, const SheetOptions &options)
{
    const auto n = static_cast<std::size_t>(count);
    return pagesFor(n, options.perPage) + (options.solutions ? pagesFor(n, SolutionsPerPage) : 0);
}

std::optional<std::string> writeSheets(
    std::ostream &out, const std::vector<SheetPuzzle> &puzzles, const SheetOptions &options)
{
    const PageSize size = pageSize(options.paper);
    const int pages = sheetPages(static_cast<int>(puzzles.size()), options);
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        options.format == SheetFormat::Pdf
            ? cairo_pdf_surface_create_for_stream(writeTo, &out, size.width, size.height)
            : cairo_svg_surface_create_for_stream(
                writeTo, &out, size.width, size.height * std::max(1, pages)),
        cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(
        cairo_create(surface.get()), cairo_destroy);
    // Outlines placed where the layout puts them, not snapped to a pixel grid the file lacks.
    std::unique_ptr<cairo_font_options_t, decltype(&cairo_font_options_destroy)> fonts(
        cairo_font_options_create(), cairo_font_options_destroy);
    cairo_font_options_set_hint_metrics(fonts.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(fonts.get(), CAIRO_HINT_STYLE_NONE);
    cairo_set_font_options(cr.get(), fonts.get());
    Document doc { cr.get(), options.paper, size, options.format, 0, pages };
    doc.drawPages(
        puzzles, options.perPage,
        [](const SheetPuzzle &p) {
            return "Puzzle " + std::to_string(p.number) + "  " + p.gradeName;
        },
        [](const SheetPuzzle &p) { return p.grid; });
    if (options.solutions)
        doc.drawPages(
            puzzles, SolutionsPerPage,
            [](const SheetPuzzle &p) { return "Solution " + std::to_string(p.number); },
            [](const SheetPuzzle &p) { return p.solution; });
    const cairo_status_t drawn = cairo_status(cr.get());
    cr.reset();
    cairo_surface_finish(surface.get());
    const cairo_status_t status
        = drawn != CAIRO_STATUS_SUCCESS ? drawn : cairo_surface_status(surface.get());
    if (status != CAIRO_STATUS_SUCCESS)
        return std::string(cairo_status_to_string(status));
    return std::nullopt;
}

} // namespace zov::cli
