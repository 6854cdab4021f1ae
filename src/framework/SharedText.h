#pragma once
// One immutable text held by several owners at once. Each holder may have dropped a different
// number of leading bytes, so handing the text on or removing its first lines copies nothing.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace fw {

class SharedText {
public:
    SharedText() noexcept = default;
    // Takes the text over; its characters stay where they are.
    explicit SharedText(std::string text)
        : whole_(text.empty() ? nullptr : std::make_shared<const std::string>(std::move(text))) {}

    // What is left after the dropped bytes; it always runs to the end of a zero-terminated text.
    std::string_view View() const noexcept {
        return whole_ ? std::string_view(*whole_).substr(offset_) : std::string_view();
    }
    bool Empty() const noexcept { return View().empty(); }
    // The text as it was taken over, before any bytes were dropped.
    std::string_view Whole() const noexcept { return whole_ ? std::string_view(*whole_) : std::string_view(); }
    // The held string itself when nothing was dropped; else null.
    const std::string* Untouched() const noexcept { return offset_ == 0 ? whole_.get() : nullptr; }

    void DropFront(std::size_t count) noexcept {
        offset_ += std::min(count, View().size());
    }
    // Both hold the same characters from the same place.
    bool SameAs(const SharedText& other) const noexcept {
        return whole_ == other.whole_ && offset_ == other.offset_;
    }

private:
    std::shared_ptr<const std::string> whole_;
    std::size_t offset_ = 0;
};

}  // namespace fw
