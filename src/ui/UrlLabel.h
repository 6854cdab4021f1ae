#pragma once
// TUrlLabel: a label that looks and behaves like a link. A click hands its URL (or, when that
// is blank, its caption) to the shell's "open" verb; its popup menu copies the caption.
#include <windows.h>

#include <string>
#include <utility>

#include "framework/Menus.h"
#include "framework/StdCtrls.h"

namespace sockmere {

class TUrlLabel : public fw::TLabel {
public:
    struct Props {
        std::string url{};
        fw::TColor activeColor = fw::clPurple;
        fw::TLabel::Props label{};
    };

    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    // The shell call every link goes through; tests replace it to watch what would open.
    static ShellExecuteFn shellExecute;

    // The cursor-table index of the hand every link shows.
    static constexpr int kHandCursor = 5;

    explicit TUrlLabel(fw::TComponent* owner);
    ~TUrlLabel() override;
    const char* ClassName() const override { return "TUrlLabel"; }
    void ApplyProps(const Props& props);

    const std::string& URL() const noexcept { return url_; }
    void SetURL(std::string url) { url_ = std::move(url); }
    fw::TColor ActiveColor() const noexcept { return activeColor_; }
    void SetActiveColor(fw::TColor color) noexcept { activeColor_ = color; }

    void Click() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

    // The "Copy" item's handler: the caption, never the URL, as plain text.
    void CopyCaptionToClipboard(fw::TObject* sender);

private:
    std::string url_;
    fw::TColor savedColor_ = fw::clBlue;
    fw::TColor activeColor_ = fw::clPurple;
    fw::TPopupMenu* popup_ = nullptr;
};

}  // namespace sockmere
