#pragma once
// The framework's error classes and printf-style message formatting.
#include <charconv>
#include <exception>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace fw {

// Keeps its message itself: the standard library's error classes would bring their own string
// type into the program.
class Error : public std::exception {
public:
    explicit Error(std::string message) noexcept : message_(std::move(message)) {}
    explicit Error(const char* message) : message_(message) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// An index outside a list.
class ListError : public Error {
public:
    using Error::Error;
};

// Assigning between incompatible objects.
class ConvertError : public Error {
public:
    using Error::Error;
};

namespace detail {
inline std::string FormatArg(const char* text) { return text ? text : ""; }
inline std::string FormatArg(const std::string& text) { return text; }
template <class T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
std::string FormatArg(T value) {
    char digits[24];
    return {digits, std::to_chars(digits, digits + sizeof digits, value).ptr};
}
std::string FormatTo(std::string_view format, const std::string* args, std::size_t count);
}  // namespace detail

// Messages in printf style for the few directives they use: %s, %d, %u, with an optional l or z
// size, and %%; each argument fills the next directive. No printf, so no C formatting engine in
// the program.
template <class... Args>
std::string Format(std::string_view format, const Args&... args) {
    const std::string texts[] = {detail::FormatArg(args)..., std::string()};
    return detail::FormatTo(format, texts, sizeof...(Args));
}

// The system's words for an error code, without the closing full stop.
std::string SystemErrorText(unsigned long code);

[[noreturn]] inline void ThrowListIndex(int index) {
    throw ListError(Format("List index out of bounds (%d)", index));
}

}  // namespace fw
