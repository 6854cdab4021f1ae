#pragma once
// Reads back what the program put on the clipboard, as a user's paste would see it.
#include <windows.h>

#include <string>

namespace cliptest {

// The clipboard's text, ANSI or (as wchar_t) Unicode, or empty when it holds none or cannot be
// opened.
template <class Char = char>
std::basic_string<Char> ClipboardText() {
    if (!::OpenClipboard(nullptr)) return {};
    std::basic_string<Char> text;
    if (HANDLE data = ::GetClipboardData(sizeof(Char) == 1 ? CF_TEXT : CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const Char*>(::GlobalLock(data))) {
            text.assign(chars, std::basic_string_view<Char>(chars, ::GlobalSize(data) / sizeof(Char)).find(Char()));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

}  // namespace cliptest
