#pragma once

// What start-up tells the player about the library: why it could not be made, converted or
// opened, and what a conversion of an earlier-version library did. The window only shows it.

#include "store/library.h"

#include <QString>

namespace zov {

// The message for a library that start-up could not use at `place`.
QString libraryErrorMessage(const store::LibraryError &error, const store::LibraryPlace &place);
// The report of an earlier-version library converted on the way; at most ten of the rows left
// out are listed.
QString conversionMessage(const store::Conversion &converted);

} // namespace zov
