#pragma once
// Where lines of a text end. Windows text ends lines with CR LF and a lone CR or LF is part of
// a line; text from Unix-style tools has no CR LF at all, and then each LF ends a line.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace fw {

enum class LineBreaks { CrLf, Lf };

// Index of the first CR LF pair in text, or npos.
inline std::size_t FindCrLf(std::string_view text) noexcept {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* p = begin; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
        if (p == nullptr) break;
        if (p + 1 < end && p[1] == '\n') return static_cast<std::size_t>(p - begin);
    }
    return std::string_view::npos;
}

// Decided once for a whole text, so that dropping lines never changes how the rest is split.
inline LineBreaks DetectLineBreaks(std::string_view text) noexcept {
    return FindCrLf(text) == std::string_view::npos && text.find('\n') != std::string_view::npos
               ? LineBreaks::Lf
               : LineBreaks::CrLf;
}

struct LineEnd {
    std::size_t at;      // index of the break; npos when the first line runs to the end
    std::size_t length;  // length of the break
};

inline LineEnd FindLineEnd(std::string_view text, LineBreaks breaks) noexcept {
    if (breaks == LineBreaks::Lf) return {text.find('\n'), 1};
    return {FindCrLf(text), 2};
}

// The first line with its break; the whole text when it has no break.
inline std::size_t FirstLineLength(std::string_view text, LineBreaks breaks) noexcept {
    const LineEnd end = FindLineEnd(text, breaks);
    return end.at == std::string_view::npos ? text.size() : end.at + end.length;
}

}  // namespace fw
