#pragma once
// Conversions between the wide texts of Unicode file names and the byte texts of messages.
// Messages that carry such names hold them as UTF-8; all other texts are in the ANSI code page.
#include <string>
#include <string_view>

namespace fw {

std::string Utf8FromWide(std::wstring_view text);
// Valid UTF-8 is read as UTF-8, anything else as ANSI, so either kind of message shows right.
std::wstring WideFromMessage(std::string_view text);
std::wstring WideFromUtf8(std::string_view text);
std::wstring WideFromAnsi(std::string_view text);
// A character the ANSI code page lacks becomes one "?", never a look-alike that would name
// something else. A text the code page cannot take at all throws Error.
std::string AnsiFromWide(std::wstring_view text);
// The code page AnsiFromWide writes; 0 is the system's. Returns the previous one.
unsigned SetAnsiCodePage(unsigned codePage) noexcept;

}  // namespace fw
