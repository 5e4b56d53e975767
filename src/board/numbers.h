#pragma once

// Whole numbers typed by a person or read from a file: the one place that turns text into an
// int and checks its range, so that every caller refuses "", "12x", "+3" and overflow alike.

#include <charconv>
#include <cstddef>
#include <optional>
#include <string_view>

namespace zov {

// The most characters a game number is read from, typed or found as text in a library, as the
// input box has always taken them: "0000007" is not a number there.
inline constexpr std::size_t GameNumberLength = 6;

// The decimal number in text if all of it is one and it lies in [lo, hi]; nothing otherwise.
inline std::optional<int> parseWhole(std::string_view text, int lo, int hi)
{
    int v = 0;
    const char *const last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, v);
    if (text.empty() || ec != std::errc {} || end != last || v < lo || v > hi)
        return std::nullopt;
    return v;
}

} // namespace zov
