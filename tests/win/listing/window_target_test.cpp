#include "listing/Runner.h"

#include <gtest/gtest.h>

#include "listing/TestSupport.h"

namespace sockmere {
namespace {

using namespace sockmere::testing;

class EditControl : public ::testing::Test {
protected:
    void SetUp() override {
        edit_ = CreateWindowExA(0, "EDIT", "before", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL,
                                0, 0, 400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(edit_, nullptr);
    }
    void TearDown() override {
        if (edit_ != nullptr) DestroyWindow(edit_);
    }

    std::string Text() const {
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(edit_)) + 1, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(edit_, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    HWND edit_ = nullptr;
};

TEST_F(EditControl, TakesTheWholeTextBeyondTheTypingLimit) {
    const std::string text = PrintableText(120000);
    WindowTextTarget target(edit_);
    target.SetText(text);
    EXPECT_TRUE(Text() == text) << FirstDifference(Text(), text);
    target.SetText("");
    EXPECT_EQ(Text(), "");
}

TEST_F(EditControl, ReceivesTheCapturedListing) {
    const std::string content = PrintableText(50000, 99);
    TempFile fixture("edit.txt");
    fixture.Write(content);
    ScopedEnv file("SOCKMERE_FAKE_FILE", fixture.Path());
    WindowTextTarget target(edit_);
    EXPECT_EQ(RunHiddenCommand(FakeCommand(), target), 0);
    EXPECT_TRUE(Text() == content) << FirstDifference(Text(), content);

    EXPECT_EQ(RunHiddenCommand("C:\\no\\such\\netstat", target), -1);
    EXPECT_TRUE(Text() == content);
}

}  // namespace
}  // namespace sockmere
