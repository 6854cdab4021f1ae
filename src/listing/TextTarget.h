#pragma once
// Receives a captured text as a whole.
#include <string>

namespace sockmere {

struct TextTarget {
    virtual ~TextTarget() = default;
    // Replaces the target's whole text with text.
    virtual void SetText(std::string text) = 0;
};

}  // namespace sockmere
