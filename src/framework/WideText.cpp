#include "framework/WideText.h"

#include <windows.h>

#include <utility>

#include "framework/Errors.h"

namespace fw {

namespace {

UINT g_ansiCodePage = 0;

// These refuse every flag that keeps look-alikes out; they have no look-alikes to give.
bool TakesNoBestFit(UINT codePage) noexcept {
    return codePage != 42 && codePage != CP_UTF7 && codePage != CP_UTF8 && codePage != 54936 &&
           (codePage < 50220 || codePage > 50229) && (codePage < 57002 || codePage > 57011);
}

// The code pages that hold every character; the others lack those beyond 16 bits.
bool HoldsAll(UINT codePage) noexcept {
    return codePage == CP_UTF7 || codePage == CP_UTF8 || codePage == 54936;
}

std::string Narrow(UINT codePage, DWORD flags, std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring Widen(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int chars = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(chars), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), chars);
    return out;
}

}  // namespace

std::string Utf8FromWide(std::wstring_view text) {
    return Narrow(CP_UTF8, 0, text);
}

std::wstring WideFromMessage(std::string_view text) {
    const bool utf8 = text.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                                             static_cast<int>(text.size()), nullptr, 0) != 0;
    return Widen(utf8 ? CP_UTF8 : CP_ACP, text);
}

std::wstring WideFromUtf8(std::string_view text) {
    return Widen(CP_UTF8, text);
}

std::wstring WideFromAnsi(std::string_view text) {
    return Widen(CP_ACP, text);
}

std::string AnsiFromWide(std::wstring_view text) {
    const UINT codePage = g_ansiCodePage ? g_ansiCodePage : ::GetACP();
    // A pair the code page lacks would become "??": one character, one "?".
    std::wstring single(text);
    std::size_t to = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++to) {
        const bool lacked = i + 1 < text.size() && IS_SURROGATE_PAIR(text[i], text[i + 1]) && !HoldsAll(codePage);
        single[to] = lacked ? L'?' : text[i];
        i += lacked;
    }
    std::string out = Narrow(codePage, TakesNoBestFit(codePage) ? WC_NO_BEST_FIT_CHARS : 0, {single.data(), to});
    if (out.empty() && !text.empty()) throw Error("The text does not fit the code page");
    return out;
}

unsigned SetAnsiCodePage(unsigned codePage) noexcept {
    return std::exchange(g_ansiCodePage, codePage);
}

}  // namespace fw
