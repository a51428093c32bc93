#pragma once

#include <cassert>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace rq {

// What a caller may need to tell apart: how grave an error is, and where it words the message itself.
enum class ErrorKind {
    Failure,         // a file could not be found, opened, read or written
    Refusal,         // the data does not allow it (a malformed template, an invalid character, an entry that
                     // would leave its room); nothing was done
    OldAlphabet,     // an alphabet older than version 0.9; subject is its path, the caller says what follows
    MendableSource,  // a patch's source in another form (a copier header, swapped bytes, SMD): a repair
                     // applies it; subject is the message as a window words it, which offers the repair
};

// An error carries a message that a window can show as it stands.
struct Error {
    Error(std::string message, ErrorKind kind = ErrorKind::Failure,  // NOLINT: braces build it
          std::string subject = {})
        : message(std::move(message)), kind(kind), subject(std::move(subject)) {}

    std::string message;  // UTF-8, ready to show: code-page values in it are converted
    ErrorKind kind = ErrorKind::Failure;
    std::string subject;  // OldAlphabet: the alphabet's path, for the caller's own wording; MendableSource:
                          // the message with the window's button in place of the command line's option
};

// A value or an error; the core reports failures this way and never shows them itself.
template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}      // NOLINT: implicit by design
    Result(Error error) : m_data(std::in_place_index<1>, std::move(error)) {}  // NOLINT: implicit by design

    [[nodiscard]] bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    [[nodiscard]] const T& value() const& {
        assert(ok());
        return std::get<0>(m_data);
    }
    [[nodiscard]] T&& value() && {
        assert(ok());
        return std::get<0>(std::move(m_data));
    }
    [[nodiscard]] const T& operator*() const& { return value(); }
    [[nodiscard]] const T* operator->() const { return &value(); }

    [[nodiscard]] const std::string& error() const { return failure().message; }
    // Asked of a success, it says so rather than stop the program: a test that reads the error of a call it
    // expected to fail then fails alone.
    [[nodiscard]] const Error& failure() const {
        static const Error none{"(no error: it succeeded)"};
        return ok() ? none : std::get<1>(m_data);
    }

  private:
    std::variant<T, Error> m_data;
};

// For operations that only succeed or fail.
struct Done {};
using Status = Result<Done>;

inline Status success() {
    return Done{};
}

// How every message of a write that stopped before its first byte ends.
inline constexpr std::string_view kNothingWritten = " Nothing was written.";

// A write the data does not allow, refused before anything was written.
[[nodiscard]] inline Error refused(std::string message) {
    return Error{std::move(message) + std::string(kNothingWritten), ErrorKind::Refusal};
}

// An error met before anything was written, saying so; it keeps its kind.
[[nodiscard]] inline Error nothingWritten(const Error& cause) {
    return Error{cause.message + std::string(kNothingWritten), cause.kind};
}

}  // namespace rq
