#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace rq {

// An error carries a message that a window can show as it stands.
struct Error {
    Error(std::string message, int code = 0, std::string subject = {})  // NOLINT: braces build it
        : message(std::move(message)), code(code), subject(std::move(subject)) {}

    std::string message;  // UTF-8, ready to show: code-page values in it are converted
    int code = 0;         // what kind of error, where a caller must tell kinds apart
    std::string subject;  // the file or name the error is about, where a caller words its own message
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
    [[nodiscard]] const Error& failure() const {
        assert(!ok());
        return std::get<1>(m_data);
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

}  // namespace rq
