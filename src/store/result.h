#pragma once

// The store's error values: what went wrong, in words a player can read.

#include <string>
#include <utility>
#include <variant>

namespace zov::store {

struct Error
{
    enum class Kind {
        Missing, // no file at the path
        NotALibrary, // not a SQLite file: empty, junk, or another format
        Unsupported, // a legacy Jet/Access or ACE file
        Damaged, // a SQLite file that SQLite cannot read
        NoTable, // no table Game, or Game is not a plain table
        NoFields, // Game lacks GameNo, Index or Number
        Empty, // no puzzle in the table
        Locked, // another program holds the file
        ReadOnly, // the file or its folder cannot be written
        DiskFull,
        Full, // no puzzle number left
        Refused, // any other refusal of the database
        BadInput, // the caller handed over something that cannot be stored
    };
    Kind kind = Kind::Refused;
    std::string reason;
};

template <class T, class E = Error> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_v(std::move(value))
    {
    }
    Result(E error)
        : m_v(std::move(error))
    {
    }
    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }
    T &value() { return std::get<0>(m_v); }
    const T &value() const { return std::get<0>(m_v); }
    T &operator*() { return value(); }
    const T &operator*() const { return value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }
    const E &error() const { return std::get<1>(m_v); }

private:
    std::variant<T, E> m_v;
};

using Status = Result<std::monostate>;
inline Status success() { return std::monostate {}; }

} // namespace zov::store
