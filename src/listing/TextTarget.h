#pragma once
// Receives a captured text as a whole.
#include <windows.h>

#include <string>

namespace sockmere {

struct TextTarget {
    virtual ~TextTarget() = default;
    // The command began at that system time; told before its text arrives.
    virtual void Started(const FILETIME&) {}
    // Replaces the target's whole text with text.
    virtual void SetText(std::string text) = 0;
};

}  // namespace sockmere
