#pragma once
// Receives a captured text as a whole.
#include <windows.h>

#include <string>
#include <utility>

namespace sockmere {

struct TextTarget {
    virtual ~TextTarget() = default;
    // The command began at that system time; told before its text arrives.
    virtual void Started(const FILETIME&) {}
    // Replaces the target's whole text with text.
    virtual void SetText(std::string text) = 0;
};

// Keeps the text in a string of the caller's, and when the command began.
class StringTarget final : public TextTarget {
public:
    explicit StringTarget(std::string& text) noexcept : text_(text) {}
    void Started(const FILETIME& at) override { startedAt_ = at; }
    void SetText(std::string text) override { text_ = std::move(text); }
    const FILETIME& StartedAt() const noexcept { return startedAt_; }

private:
    std::string& text_;
    FILETIME startedAt_{};
};

}  // namespace sockmere
