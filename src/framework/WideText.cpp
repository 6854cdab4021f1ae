#include "framework/WideText.h"

#include <windows.h>

namespace fw {

namespace {

std::string Narrow(UINT codePage, DWORD flags, std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
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
    return Narrow(CP_ACP, WC_NO_BEST_FIT_CHARS, text);
}

}  // namespace fw
