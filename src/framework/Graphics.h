#pragma once
// Pictures. TIcon owns one HICON and, when it was loaded from an icon file, the file's bytes,
// which saving writes back unchanged.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Handles.h"

namespace fw {


class TIcon : public TPersistent {
public:
    TIcon() = default;
    ~TIcon() override;
    const char* ClassName() const override { return "TIcon"; }

    HICON Handle() const noexcept { return handle_.Get(); }
    // Takes ownership of icon (which may be null) and forgets any loaded file bytes.
    void SetHandle(HICON icon);
    bool Empty() const noexcept { return !handle_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }

    // Copies another icon (a picture of its own, never a shared handle); null empties it.
    void Assign(const TPersistent* source) override;

    // Loads an icon file (.ico); a file that is not a valid icon raises Error and leaves the
    // icon as it was.
    void LoadFromStream(std::span<const std::uint8_t> bytes);
    // Loads the icon resource name (an integer resource or a name that outlives the icon) of
    // module at size x size pixels; an icon missing there leaves the icon empty. A copy keeps
    // where the picture came from.
    void LoadResource(HMODULE module, const char* name, int size);
    // Loads a resource's icon again at its size scaled from one DPI to another; an icon from
    // anywhere else stays as it is.
    void ChangeScale(int fromDpi, int toDpi);
    // Appends the icon in icon-file form: the loaded bytes, or a file built from the handle.
    void SaveToStream(std::vector<std::uint8_t>& out) const;

    // Raised, with the icon as sender, whenever the picture changes.
    TNotifyEvent OnChange;

    // Handles that TIcon objects hold right now, process-wide: tests use it to find leaks.
    static long LiveHandles() noexcept { return liveHandles_.load(); }

protected:
    void Changed() { OnChange(this); }

private:
    void Adopt(HICON icon, int width, int height, std::vector<std::uint8_t> bytes) noexcept;

    IconOwner handle_;
    std::vector<std::uint8_t> bytes_;
    int width_ = 0;
    int height_ = 0;
    // The resource the picture was loaded from, if any.
    HMODULE module_ = nullptr;
    const char* resource_ = nullptr;

    static std::atomic<long> liveHandles_;
};

}  // namespace fw
