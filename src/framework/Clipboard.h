#pragma once
// The system clipboard as plain text (CF_TEXT).
#include <string_view>

namespace fw {

class TClipboard {
public:
    TClipboard() = default;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    // Replaces the clipboard's contents with text and its terminating zero; raises Error when
    // the clipboard cannot be had.
    void SetText(std::string_view text);
};

// The one clipboard object of the process.
TClipboard& Clipboard();

}  // namespace fw
