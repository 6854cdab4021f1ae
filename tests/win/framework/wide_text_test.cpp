#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/Errors.h"
#include "framework/WideText.h"

// Text in a code page: one "?" for each character it lacks, a pair included, no look-alikes, and
// a code page that refuses the text is an error, never an empty text.
TEST(WideText, TheCodePageGetsOneQuestionMarkPerMissingCharacterOrAnError) {
    const std::wstring name = L"h4-\xD83D\xDE00-Cafe\x0301.exe";  // an emoji, and an accent apart
    const unsigned previous = fw::SetAnsiCodePage(1252);
    EXPECT_EQ(fw::AnsiFromWide(name), "h4-?-Cafe?.exe");
    EXPECT_EQ(fw::AnsiFromWide(L"\x0141\x00F3" L"d\x017A\xD83D"), "?\xF3" "d??");
    fw::SetAnsiCodePage(CP_UTF8);
    EXPECT_EQ(fw::AnsiFromWide(name), fw::Utf8FromWide(name));
    fw::SetAnsiCodePage(12345);  // no such code page
    EXPECT_THROW(fw::AnsiFromWide(name), fw::Error);
    EXPECT_EQ(fw::AnsiFromWide(L""), "");
    fw::SetAnsiCodePage(previous);
}
