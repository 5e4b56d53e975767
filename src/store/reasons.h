#pragma once

// Reasons that more than one part gives in the same words: the store for a SQLite file, the
// reader of earlier-version libraries for a Jet file, and the store again where the reader
// gave none. Kept here so that a player hears one wording, whichever part refused the file.

namespace zov::store::reasons {

inline constexpr char NoGameTable[] = "the file has no table named Game";
inline constexpr char NotAnAccessDatabase[] = "the file cannot be read as an Access database";

} // namespace zov::store::reasons
