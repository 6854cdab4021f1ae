#include <windows.h>
#include <gtest/gtest.h>
TEST(WinSmoke, Runs) { char buf[260]; EXPECT_GT(GetWindowsDirectoryA(buf, sizeof buf), 0u); EXPECT_NE(GetFileAttributesA((std::string(buf) + "\\netstat.exe").c_str()), INVALID_FILE_ATTRIBUTES); }
