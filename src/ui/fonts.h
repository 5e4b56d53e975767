#pragma once

namespace zov {
// Makes "Tahoma" available where the system has a copy that fontconfig does not see, and
// otherwise lets it fall back to a similar sans-serif.
void loadBoardFont();
} // namespace zov
