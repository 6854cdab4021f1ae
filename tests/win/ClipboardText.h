#pragma once
// Reads back what the program put on the clipboard, as a user's paste would see it.
#include <windows.h>

#include <cstring>
#include <string>

namespace cliptest {

// The clipboard's text, or empty when it holds none or cannot be opened.
inline std::string ClipboardText() {
    if (!::OpenClipboard(nullptr)) return {};
    std::string text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(::GlobalLock(data))) {
            text.assign(bytes, ::strnlen(bytes, ::GlobalSize(data)));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

// The clipboard's Unicode text, as the program put it there.
inline std::wstring ClipboardUnicode() {
    if (!::OpenClipboard(nullptr)) return {};
    std::wstring text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text.assign(chars, ::wcsnlen(chars, ::GlobalSize(data) / sizeof(wchar_t)));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

}  // namespace cliptest
