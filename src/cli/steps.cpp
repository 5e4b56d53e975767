#include "cli/steps.h"

#include <algorithm>
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <memory>
#include <ostream>
#include <sstream>

namespace zov::cli {
namespace {

using puzzles::hints::Drawing;
using puzzles::hints::Role;

constexpr char Face[] = "DejaVu Sans";
constexpr double PageWidth = 595.276, PageHeight = 841.890; // A4
constexpr double Margin = 36;
constexpr int PerPage = 3;
constexpr double Board = 216; // a board's side
constexpr double Gap = 16;

cairo_status_t writeTo(void *closure, const unsigned char *data, unsigned int length)
{
    auto &out = *static_cast<std::ostream *>(closure);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(length));
    return out ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

struct Rgb
{
    double r, g, b;
};
// One colour per role, as the game's light default draws them; each role also has a shape of
// its own (frames, strikes, dashes, numbers), so that a printout in grey still tells them apart.
Rgb colourOf(Role role)
{
    switch (role) {
    case Role::Pattern:
        return { 0.10, 0.35, 0.80 };
    case Role::Pivot:
        return { 0.55, 0.20, 0.70 };
    case Role::Pincer:
        return { 0.10, 0.55, 0.55 };
    case Role::Fin:
        return { 0.80, 0.45, 0.00 };
    case Role::GroupA:
        return { 0.10, 0.55, 0.20 };
    case Role::GroupB:
        return { 0.85, 0.45, 0.05 };
    case Role::Node:
        return { 0.10, 0.35, 0.80 };
    case Role::Assumed:
        return { 0.10, 0.35, 0.80 };
    case Role::Forced:
        return { 0.45, 0.45, 0.45 };
    case Role::Removal:
    case Role::Empty:
        return { 0.80, 0.10, 0.10 };
    case Role::Placement:
        return { 0.10, 0.55, 0.20 };
    default:
        return { 0.3, 0.3, 0.3 };
    }
}

void setColour(cairo_t *cr, Rgb c, double alpha = 1)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

struct Geometry
{
    double x, y, cell;
    double cx(int p) const { return x + (p % 9 + 0.5) * cell; }
    double cy(int p) const { return y + (p / 9 + 0.5) * cell; }
    // The centre of digit d's place among a cell's small candidates.
    double dx(int p, int d) const { return x + (p % 9 + ((d - 1) % 3 + 0.5) / 3) * cell; }
    double dy(int p, int d) const { return y + (p / 9 + ((d - 1) / 3 + 0.5) / 3) * cell; }
};

void centred(cairo_t *cr, const std::string &text, double x, double y)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_move_to(cr, x - (e.x_bearing + e.width / 2), y - (e.y_bearing + e.height / 2));
    cairo_show_text(cr, text.c_str());
}

void shade(cairo_t *cr, const Geometry &g, const Drawing::Shade &s)
{
    Rgb tint { 0.85, 0.85, 0.92 };
    if (s.role == Role::Base)
        tint = { 0.80, 0.88, 1.00 };
    else if (s.role == Role::Cover)
        tint = { 1.00, 0.93, 0.70 };
    else if (s.role == Role::Empty)
        tint = { 1.00, 0.80, 0.80 };
    for (const auto p : puzzles::units.cells[static_cast<std::size_t>(s.unit)]) {
        const double x = g.x + p % 9 * g.cell, y = g.y + p / 9 * g.cell;
        setColour(cr, tint, 0.7);
        cairo_rectangle(cr, x, y, g.cell, g.cell);
        cairo_fill(cr);
        if (s.role == Role::Cover) {
            // Hatched, so that the cover lines differ from the base without colour.
            setColour(cr, { 0.6, 0.5, 0.2 }, 0.5);
            cairo_set_line_width(cr, 0.4);
            for (double k = 0.25; k < 2; k += 0.25) {
                cairo_move_to(cr, x + std::min(k, 1.0) * g.cell, y + std::max(0.0, k - 1) * g.cell);
                cairo_line_to(cr, x + std::max(0.0, k - 1) * g.cell, y + std::min(k, 1.0) * g.cell);
            }
            cairo_stroke(cr);
        }
    }
}

void cellMark(cairo_t *cr, const Geometry &g, const Drawing::CellMark &m)
{
    const double x = g.x + m.cell % 9 * g.cell, y = g.y + m.cell / 9 * g.cell, c = g.cell;
    setColour(cr, colourOf(m.role));
    const double dashes[] = { 3, 2 };
    switch (m.role) {
    case Role::Pivot:
        cairo_set_line_width(cr, 2.4);
        break;
    case Role::Pincer:
        cairo_set_line_width(cr, 1.6);
        cairo_set_dash(cr, dashes, 2, 0);
        break;
    case Role::Empty:
        cairo_set_line_width(cr, 2.4);
        cairo_move_to(cr, x + 3, y + 3);
        cairo_line_to(cr, x + c - 3, y + c - 3);
        cairo_move_to(cr, x + c - 3, y + 3);
        cairo_line_to(cr, x + 3, y + c - 3);
        break;
    default:
        cairo_set_line_width(cr, 1.2);
        break;
    }
    cairo_rectangle(cr, x + 1.5, y + 1.5, c - 3, c - 3);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

void candidateMark(cairo_t *cr, const Geometry &g, const Drawing::CandidateMark &m)
{
    const double x = g.dx(m.cell, m.digit), y = g.dy(m.cell, m.digit), r = g.cell / 7;
    const std::string digit(1, static_cast<char>('0' + m.digit));
    if (m.role == Role::Placement) {
        setColour(cr, colourOf(Role::Placement));
        cairo_select_font_face(cr, Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, g.cell * 0.6);
        // Over the small candidates, on a white ground.
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, g.cx(m.cell) - g.cell * 0.45, g.cy(m.cell) - g.cell * 0.45,
            g.cell * 0.9, g.cell * 0.9);
        cairo_fill(cr);
        setColour(cr, colourOf(Role::Placement));
        centred(cr, digit, g.cx(m.cell), g.cy(m.cell));
        cairo_set_line_width(cr, 1.2);
        cairo_arc(cr, g.cx(m.cell), g.cy(m.cell), g.cell * 0.4, 0, 6.2832);
        cairo_stroke(cr);
        return;
    }
    const Rgb colour = colourOf(m.role);
    const double alpha = m.faint ? 0.55 : 1;
    // The ground: filled for the groups and the pattern, white elsewhere.
    const bool filled = m.role == Role::GroupA || m.role == Role::GroupB || m.role == Role::Pattern
        || m.role == Role::Pivot || m.role == Role::Pincer || m.role == Role::Node
        || m.role == Role::Assumed;
    if (filled) {
        setColour(cr, colour, 0.25 * alpha);
        if (m.role == Role::GroupB)
            cairo_rectangle(cr, x - r, y - r, 2 * r, 2 * r); // the second group: squares
        else
            cairo_arc(cr, x, y, r, 0, 6.2832);
        cairo_fill(cr);
    }
    cairo_select_font_face(cr, Face, CAIRO_FONT_SLANT_NORMAL,
        m.role == Role::Removal ? CAIRO_FONT_WEIGHT_NORMAL : CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, g.cell * 0.28);
    setColour(cr, colour, alpha);
    centred(cr, digit, x, y);
    if (m.role == Role::Removal) {
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, x - r, y + r);
        cairo_line_to(cr, x + r, y - r);
        cairo_stroke(cr);
    }
    if (m.number > 0) {
        cairo_set_font_size(cr, g.cell * 0.2);
        setColour(cr, { 0, 0, 0 }, alpha);
        centred(cr, std::to_string(m.number), x + r * 0.9, y - r * 1.1);
    }
}

void line(cairo_t *cr, const Geometry &g, const Drawing::Line &l)
{
    const double x0 = g.dx(l.fromCell, l.fromDigit), y0 = g.dy(l.fromCell, l.fromDigit);
    const double x1 = g.dx(l.toCell, l.toDigit), y1 = g.dy(l.toCell, l.toDigit);
    const double dashes[] = { 3, 2.5 };
    cairo_set_source_rgba(cr, 0.1, 0.1, 0.5, 0.8);
    cairo_set_line_width(cr, l.strong ? 1.4 : 1);
    cairo_set_dash(cr, l.strong ? nullptr : dashes, l.strong ? 0 : 2, 0);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

void drawBoard(cairo_t *cr, const StepPicture &s, double x, double y)
{
    const Geometry g { x, y, Board / 9 };
    for (const auto &sh : s.drawing.shades)
        shade(cr, g, sh);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (int k = 0; k <= 9; ++k) {
        cairo_set_line_width(cr, k % 3 == 0 ? 1.6 : 0.4);
        cairo_move_to(cr, x + k * g.cell, y);
        cairo_line_to(cr, x + k * g.cell, y + Board);
        cairo_move_to(cr, x, y + k * g.cell);
        cairo_line_to(cr, x + Board, y + k * g.cell);
        cairo_stroke(cr);
    }
    cairo_select_font_face(cr, Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    for (int p = 0; p < 81; ++p) {
        if (const int d = s.digits[static_cast<std::size_t>(p)]) {
            cairo_set_source_rgb(cr, 0, 0, 0);
            cairo_set_font_size(cr, g.cell * 0.6);
            centred(cr, std::string(1, static_cast<char>('0' + d)), g.cx(p), g.cy(p));
            continue;
        }
        cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
        cairo_set_font_size(cr, g.cell * 0.24);
        for (int d = 1; d <= 9; ++d)
            if (s.candidates[static_cast<std::size_t>(p)] & puzzles::digitBit(d))
                centred(cr, std::string(1, static_cast<char>('0' + d)), g.dx(p, d), g.dy(p, d));
    }
    for (const auto &m : s.drawing.cells)
        cellMark(cr, g, m);
    for (const auto &l : s.drawing.lines)
        line(cr, g, l);
    for (const auto &m : s.drawing.candidates)
        candidateMark(cr, g, m);
}

// `text` in lines no wider than `width` from (x, y); returns the y below it.
double wrapped(cairo_t *cr, const std::string &text, double x, double y, double width, double size)
{
    cairo_set_font_size(cr, size);
    std::istringstream words(text);
    std::string line, word;
    auto flush = [&] {
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, line.c_str());
        y += size * 1.3;
        line.clear();
    };
    while (words >> word) {
        const std::string longer = line.empty() ? word : line + ' ' + word;
        cairo_text_extents_t e;
        cairo_text_extents(cr, longer.c_str(), &e);
        if (e.x_advance > width && !line.empty()) {
            flush();
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.empty())
        flush();
    return y;
}

} // namespace

std::optional<std::string> writeStepPictures(
    std::ostream &out, const std::vector<StepPicture> &steps, SheetFormat format)
{
    const int pages = std::max<int>(1, static_cast<int>((steps.size() + PerPage - 1) / PerPage));
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        format == SheetFormat::Pdf
            ? cairo_pdf_surface_create_for_stream(writeTo, &out, PageWidth, PageHeight)
            : cairo_svg_surface_create_for_stream(writeTo, &out, PageWidth, PageHeight * pages),
        cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(
        cairo_create(surface.get()), cairo_destroy);
    const double block = (PageHeight - 2 * Margin) / PerPage;
    const double textX = Margin + Board + Gap, textWidth = PageWidth - Margin - textX;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const int at = static_cast<int>(k % PerPage);
        const double top = Margin + at * block;
        const auto &s = steps[k];
        drawBoard(cr.get(), s, Margin, top + 4);
        cairo_set_source_rgb(cr.get(), 0, 0, 0);
        cairo_select_font_face(cr.get(), Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        const double below = wrapped(cr.get(), s.title, textX, top + 14, textWidth, 11);
        cairo_select_font_face(cr.get(), Face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        wrapped(cr.get(), s.text, textX, below + 4, textWidth, 9);
        if (at == PerPage - 1 || k + 1 == steps.size()) {
            if (format == SheetFormat::Pdf)
                cairo_show_page(cr.get());
            else
                cairo_translate(cr.get(), 0, PageHeight);
        }
    }
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
