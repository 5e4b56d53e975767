#include "store/library.h"

namespace zov::store {

Result<OpenedLibrary, LibraryError> openLibrary(const LibraryPlace &place)
{
    if (const auto provided = provideLibrary(place); !provided)
        return LibraryError { LibraryError::Step::Provide, provided.error() };
    const std::string &path = place.path;
    std::optional<Conversion> converted;
    const FileKind kind = detectFileKind(path);
    if (kind == FileKind::Jet3 || kind == FileKind::Jet4) {
        auto conversion = convertLegacyLibrary(path);
        if (!conversion)
            return LibraryError { LibraryError::Step::Convert, conversion.error() };
        converted = std::move(*conversion);
    }
    auto opened = PuzzleStore::open(path);
    if (!opened)
        return LibraryError { LibraryError::Step::Open, opened.error() };
    return OpenedLibrary { std::move(*opened), std::move(converted) };
}

Result<OpenedLibrary, LibraryError> openLibrary(const std::string &path)
{
    return openLibrary(LibraryPlace { path, {}, true });
}

} // namespace zov::store
