#include "ui/UrlLabel.h"

#include <shellapi.h>

#include <string_view>

#include "framework/Clipboard.h"
#include "framework/Forms.h"

namespace sockmere {

namespace {

// The shell's library is loaded at the first link opened, not with the program.
HINSTANCE WINAPI OpenWithShell(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               INT show) {
    static const auto proc = reinterpret_cast<TUrlLabel::ShellExecuteFn>(
        reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryA("shell32.dll"), "ShellExecuteA")));
    return proc ? proc(window, verb, file, parameters, directory, show) : nullptr;
}

bool IsBlank(std::string_view text) noexcept {
    for (char ch : text)
        if (static_cast<unsigned char>(ch) > ' ') return false;
    return true;
}

// A copy the screen's table may own and destroy; the program's own "HAND" when it has one,
// otherwise (test programs carry no such resource) the system's hand.
HCURSOR LoadHandCursor() noexcept {
    HCURSOR shared = ::LoadCursorA(::GetModuleHandleA(nullptr), "HAND");
    if (!shared) shared = ::LoadCursorA(nullptr, IDC_HAND);
    return shared ? CopyCursor(shared) : nullptr;
}

}  // namespace

TUrlLabel::ShellExecuteFn TUrlLabel::shellExecute = &OpenWithShell;

TUrlLabel::TUrlLabel(fw::TComponent* owner) : fw::TLabel(owner) {
    if (HCURSOR hand = LoadHandCursor()) fw::Screen().SetCursors(kHandCursor, hand);
    SetCursor(kHandCursor);
    Font().SetColor(fw::clBlue);
    Font().SetStyle(fw::fsUnderline);

    popup_ = new fw::TPopupMenu(this);
    auto* copy = new fw::TMenuItem(popup_);
    copy->SetName("Copy1");
    copy->SetCaption("Copy");
    copy->OnClick = fw::Bind<&TUrlLabel::CopyCaptionToClipboard>(this);
    popup_->Items()->Add(copy);
    SetPopupMenu(popup_);
}

TUrlLabel::~TUrlLabel() {
    delete popup_;
}

void TUrlLabel::ApplyProps(const Props& props) {
    fw::TLabel::ApplyProps(props.label);
    url_ = props.url;
    activeColor_ = props.activeColor;
}

void TUrlLabel::Click() {
    fw::TLabel::Click();
    const std::string& target = IsBlank(url_) ? Caption() : url_;
    if (IsBlank(target)) return;
    // What the shell makes of the target is its own business; a failure shows nothing.
    shellExecute(::GetDesktopWindow(), "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TUrlLabel::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button == fw::mbLeft) {
        savedColor_ = Font().Color();
        Font().SetColor(activeColor_);
    }
    fw::TLabel::MouseDown(button, shift, x, y);
}

void TUrlLabel::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button == fw::mbLeft) Font().SetColor(savedColor_);
    fw::TLabel::MouseUp(button, shift, x, y);
}

void TUrlLabel::CopyCaptionToClipboard(fw::TObject*) {
    fw::Clipboard().SetText(Caption());
}

}  // namespace sockmere
