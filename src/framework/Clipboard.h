#pragma once
// The system clipboard as plain text: ANSI (CF_TEXT) and, when given, UTF-16 (CF_UNICODETEXT).
#include <string_view>

namespace fw {

class TClipboard {
public:
    TClipboard() = default;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    // Replaces the clipboard's contents with text and its terminating zero, and beside it the
    // same text with every character, unless that is empty; raises Error when the clipboard
    // cannot be had.
    void SetText(std::string_view text, std::wstring_view unicode = {});
};

// The one clipboard object of the process.
TClipboard& Clipboard();

}  // namespace fw
