#pragma once
// The framework's error classes and printf-style message formatting.
#include <cstdio>
#include <stdexcept>
#include <string>

namespace fw {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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

template <class... Args>
std::string Format(const char* format, Args... args) {
    int n = std::snprintf(nullptr, 0, format, args...);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

[[noreturn]] inline void ThrowListIndex(int index) {
    throw ListError(Format("List index out of bounds (%d)", index));
}

}  // namespace fw
