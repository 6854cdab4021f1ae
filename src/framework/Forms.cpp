#include "framework/Forms.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Errors.h"
#include "framework/StdCtrls.h"

namespace fw {

namespace {

constexpr int kShowCommands[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
constexpr int kStateCommands[] = {SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMAXIMIZED};

struct ModalDisable {
    HWND keep;
    std::vector<HWND> disabled;
    std::exception_ptr error;
};

BOOL CALLBACK DisableWindow(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<ModalDisable*>(param);
    if (hwnd != state->keep && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) {
        // Noted before disabling, so a window that cannot be noted stays enabled.
        try {
            state->disabled.push_back(hwnd);
        } catch (...) {
            // Carried past user32 and raised once the enumeration is over.
            state->error = std::current_exception();
            return FALSE;
        }
        ::EnableWindow(hwnd, FALSE);
    }
    return TRUE;
}

template <class F>
void Guarded(TComponent* sender, F&& f) noexcept {
    try {
        f();
    } catch (...) {
        Application().HandleException(sender);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    visible_ = false;
    icon_.OnChange = Event<TObject*>::Of<&TForm::IconChanged>(this);
}

TForm::~TForm() {
    MarkDestroying();
    DoDestroy();
    // The components go while the window still exists: some have hooked it.
    DestroyComponents();
    if (Screen().mainForm_ == this) Screen().SetMainForm(nullptr);
    icon_.OnChange.Clear();
}

void TForm::DoDestroy() noexcept {
    if (std::exchange(destroyed_, true)) return;
    Guarded(this, [&] { OnDestroy(this); });
}

void TForm::ApplyForm(const FormProps& props) {
    SetName(props.name);
    // The scale of the monitor the designed place lies on, taken before anything is sized.
    const RECT place{props.left, props.top, props.left + std::max(props.clientWidth, 1),
                     props.top + std::max(props.clientHeight, 1)};
    dpi_ = MonitorDpi(place);
    Font().SetDpi(dpi_);
    Font().SetDesc(props.font);
    SetText(props.caption);
    borderStyle_ = props.borderStyle;
    borderIcons_ = props.borderIcons;
    OnCreate = props.onCreate;
    OnShow = props.onShow;
    OnResize = props.onResize;
    OnShortCut = props.onShortCut;
    SetBounds(props.left, props.top, Width(), Height());
    if (props.clientWidth > 0 || props.clientHeight > 0)
        SetClientSize(ScaleLength(props.clientWidth, dpi_), ScaleLength(props.clientHeight, dpi_));
}

void TForm::ChangeDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_) return;
    const int from = std::exchange(dpi_, dpi);
    // Controls that follow the form's font follow it here.
    Font().SetDpi(dpi);
    icon_.ChangeScale(from, dpi);
    clientWidth_ = ScaleLength(clientWidth_, dpi, from);
    clientHeight_ = ScaleLength(clientHeight_, dpi, from);
    ScaleControls(*this, from, dpi);
}

void TForm::ScaleControls(TWinControl& parent, int fromDpi, int toDpi) {
    for (TControl* c : parent.controls_) {
        c->ChangeScale(fromDpi, toDpi);
        if (auto* w = dynamic_cast<TWinControl*>(c)) ScaleControls(*w, fromDpi, toDpi);
    }
}

SIZE TForm::FrameAt(int dpi) const {
    DWORD style, ex;
    StyleFor(style, ex);
    RECT r{0, 0, 0, 0};
    AdjustWindowRectForDpi(r, style, ex, dpi);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE TForm::Frame() const {
    return frameMeasured_ ? frame_ : FrameAt(dpi_);
}

SIZE TForm::DesignOuterSize() {
    HWND h = Handle();
    if (dpi_ == kDesignDpi) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        RECT outer{};
        if (::IsIconic(h) && ::GetWindowPlacement(h, &placement))
            outer = placement.rcNormalPosition;
        else
            ::GetWindowRect(h, &outer);
        return {outer.right - outer.left, outer.bottom - outer.top};
    }
    const SIZE designFrame = FrameAt(kDesignDpi);
    return {DesignOuterLength(ClientWidth(), designFrame.cx, dpi_),
            DesignOuterLength(ClientHeight(), designFrame.cy, dpi_)};
}

SIZE TForm::OuterSizeOfDesign(SIZE designed) {
    if (dpi_ == kDesignDpi) return designed;
    const SIZE designFrame = FrameAt(kDesignDpi), frame = Frame();
    return {OuterLengthFromDesign(designed.cx, designFrame.cx, frame.cx, dpi_),
            OuterLengthFromDesign(designed.cy, designFrame.cy, frame.cy, dpi_)};
}

void TForm::DoCreate() {
    Guarded(this, [&] { OnCreate(this); });
}

void TForm::DoShow() {
    OnShow(this);
}

void TForm::Resize() {
    OnResize(this);
}

bool TForm::IsShortCut(const MSG& msg) {
    if ((msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) || !OnShortCut.Assigned()) return false;
    TShiftState shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    bool handled = false;
    OnShortCut(this, static_cast<WORD>(msg.wParam), shift, handled);
    return handled;
}

void TForm::SetVisible(bool visible) {
    if (Loading()) {
        showAfterLoading_ = visible;
        return;
    }
    HWND h = HandleAllocated() ? Hwnd() : nullptr;
    bool showing = h && ::IsWindowVisible(h);
    if (visible) {
        closedBeforeMain_ = false;
        if (visible_ && showing) return;
        visible_ = true;
        h = Handle();
        // OnShow runs while the window is still hidden, so it can place it unseen.
        Guarded(this, [&] { DoShow(); });
        if (!visible_) return;
        ::ShowWindow(h, kShowCommands[windowState_]);
    } else {
        if (!visible_ && !showing) return;
        visible_ = false;
        if (h) ::ShowWindow(h, SW_HIDE);
    }
}

void TForm::Show() {
    SetVisible(true);
    if (HandleAllocated() && visible_)
        ::SetWindowPos(Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool TForm::CloseQuery() {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    if (modal_) {
        closing_ = true;
        return;
    }
    if (!CloseQuery()) return;
    if (IsMainForm()) {
        Application().Terminate();
        return;
    }
    // The form that is still being made, and becomes the main form once made, ends the loop then.
    if (!Screen().MainForm()) closedBeforeMain_ = true;
    Hide();
}

void TForm::CloseModal() {
    bool close = false;
    try {
        close = CloseQuery();
    } catch (...) {
        // A failing close handler keeps the dialog open and is reported like any other.
        Application().HandleException(this);
    }
    if (!close) closing_ = false;
}

void TForm::ShowModal() {
    if (modal_ || Visible()) throw Error("Cannot make a visible window modal");
    HWND self = Handle();
    HWND previous = ::GetActiveWindow();
    ModalDisable state{self, {}, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&state));
    auto enableOthers = [&] {
        for (HWND h : state.disabled)
            if (::IsWindow(h)) ::EnableWindow(h, TRUE);
        state.disabled.clear();
    };
    if (state.error) {
        enableOthers();
        std::rethrow_exception(state.error);
    }
    modal_ = true;
    closing_ = false;
    try {
        Show();
        for (;;) {
            Application().ProcessMessages();
            if (Application().Terminated() || !visible_) break;
            if (closing_) {
                CloseModal();
                if (closing_) break;
                continue;
            }
            ::WaitMessage();
        }
    } catch (...) {
        enableOthers();
        modal_ = false;
        Hide();
        throw;
    }
    // The others come back before the dialog goes, so the activation returns to them.
    enableOthers();
    modal_ = false;
    Hide();
    if (previous && previous != self && ::IsWindow(previous)) ::SetActiveWindow(previous);
}

void TForm::SetWindowState(TWindowState state) {
    if (state == windowState_) return;
    windowState_ = state;
    if (HandleAllocated() && ::IsWindowVisible(Hwnd()))
        ::ShowWindow(Hwnd(), kStateCommands[state]);
}

void TForm::StyleFor(DWORD& style, DWORD& exStyle) const {
    style = WS_CLIPCHILDREN;
    exStyle = 0;
    switch (borderStyle_) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle: style |= WS_CAPTION; break;
    case bsSizeable: style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        style |= WS_CAPTION;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        style |= WS_CAPTION;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        style |= WS_CAPTION | WS_THICKFRAME;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (borderStyle_ == bsNone || !(borderIcons_ & biSystemMenu)) return;
    style |= WS_SYSMENU;
    bool minMax = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
    if (minMax && (borderIcons_ & biMinimize)) style |= WS_MINIMIZEBOX;
    if (minMax && (borderIcons_ & biMaximize)) style |= WS_MAXIMIZEBOX;
    if ((borderIcons_ & biHelp) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)))
        exStyle |= WS_EX_CONTEXTHELP;
}

void TForm::SetBorderStyle(TBorderStyle style) {
    borderStyle_ = style;
    if (!HandleAllocated()) {
        OuterFromClient(clientWidth_, clientHeight_);
        return;
    }
    HWND h = Hwnd();
    DWORD s, ex;
    StyleFor(s, ex);
    DWORD kept = static_cast<DWORD>(::GetWindowLongA(h, GWL_STYLE)) &
                 (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
    ::SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(s | kept));
    ::SetWindowLongA(h, GWL_EXSTYLE, static_cast<LONG>(ex));
    ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientSize();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    borderIcons_ = icons;
    SetBorderStyle(borderStyle_);
}

int TForm::ClientWidth() const {
    if (HandleAllocated() && !::IsIconic(Hwnd())) return TWinControl::ClientWidth();
    return clientWidth_;
}

int TForm::ClientHeight() const {
    if (HandleAllocated() && !::IsIconic(Hwnd())) return TWinControl::ClientHeight();
    return clientHeight_;
}

void TForm::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    if (HandleAllocated())
        FitClientSize();
    else
        OuterFromClient(width, height);
}

void TForm::OuterFromClient(int clientWidth, int clientHeight) {
    DWORD style, ex;
    StyleFor(style, ex);
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectForDpi(r, style, ex, dpi_);
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TForm::FitClientSize() {
    HWND h = Hwnd();
    if (::IsIconic(h) || ::IsZoomed(h) || (clientWidth_ <= 0 && clientHeight_ <= 0)) return;
    // Measured rather than computed: the frame is whatever the system made it.
    RECT window, client;
    ::GetWindowRect(h, &window);
    ::GetClientRect(h, &client);
    int frameWidth = (window.right - window.left) - client.right;
    int frameHeight = (window.bottom - window.top) - client.bottom;
    SetBounds(Left(), Top(), clientWidth_ + frameWidth, clientHeight_ + frameHeight);
}

void TForm::MeasureClient() {
    HWND h = Hwnd();
    RECT outer{}, client{};
    ::GetWindowRect(h, &outer);
    ::GetClientRect(h, &client);
    clientWidth_ = client.right, clientHeight_ = client.bottom;
    frame_ = {(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
    frameMeasured_ = true;
}

void TForm::Refit() {
    HWND h = Hwnd();
    // The frame is drawn at the new scale only once the system works it out again.
    ::SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!::IsIconic(h)) MeasureClient();
    AlignControls();
    if (!Loading()) Resize();
}

void TForm::BoundsChanged() {
    if (!HandleAllocated()) return;
    HWND h = Hwnd();
    if (!::IsIconic(h) && !::IsZoomed(h)) {
        ::SetWindowPos(h, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // Minimized or maximized: the bounds are those the window restores to.
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    ::GetWindowPlacement(h, &wp);
    wp.rcNormalPosition = {left_, top_, left_ + width_, top_ + height_};
    wp.showCmd = !::IsWindowVisible(h) ? SW_HIDE : ::IsIconic(h) ? SW_SHOWMINNOACTIVE : SW_SHOWMAXIMIZED;
    ::SetWindowPlacement(h, &wp);
}

void TForm::Repaint() {
    if (HandleAllocated())
        ::RedrawWindow(Hwnd(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TForm::FillCreateParams(CreateParams& params) {
    // The class name is the form's own, so outside tools can find the window by it.
    params.className = ClassName();
    StyleFor(params.style, params.exStyle);
    if (!enabled_) params.style |= WS_DISABLED;
    params.caption = text_.c_str();
    params.x = left_, params.y = top_, params.width = width_, params.height = height_;
    // Owned by the form that owns us, or by the main form: one taskbar button, kept above it.
    params.parent = nullptr;
    if (auto* owner = dynamic_cast<TForm*>(Owner()); owner && owner->HandleAllocated())
        params.parent = owner->Hwnd();
    else if (Screen().MainForm() != this)
        params.parent = Application().MainWindow();
}

void TForm::CreateWnd() {
    TWinControl::CreateWnd();
    FitClientSize();
    if (!icon_.Empty()) IconChanged(nullptr);
}

void TForm::IconChanged(TObject*) {
    if (!HandleAllocated()) return;
    HWND h = Hwnd();
    auto icon = reinterpret_cast<LPARAM>(icon_.Handle());
    ::SendMessageA(h, WM_SETICON, ICON_BIG, icon);
    ::SendMessageA(h, WM_SETICON, ICON_SMALL, icon);
}

void TForm::Loaded() {
    TWinControl::Loaded();
    AlignControls();
}

void TForm::Notification(TComponent* component, Operation operation) {
    TWinControl::Notification(component, operation);
    if (operation == Operation::Remove && static_cast<TComponent*>(activeControl_) == component)
        activeControl_ = nullptr;
}

void TForm::SetActiveControl(TWinControl* control) {
    activeControl_ = control;
    if (control && HandleAllocated() && ::GetActiveWindow() == Hwnd()) control->SetFocus();
}

void TForm::ControlFocused(TWinControl* control) {
    if (control == activeControl_) return;
    activeControl_ = control;
    control->DoEnter();
}

void TForm::SaveFocus() {
    HWND self = Hwnd();
    HWND focus = ::GetFocus();
    if (!focus || !::IsChild(self, focus)) return;
    for (HWND w = focus; w && w != self; w = ::GetParent(w)) {
        if (TWinControl* c = FindControl(w); c && c->ParentForm() == this) {
            activeControl_ = c;
            return;
        }
    }
}

void TForm::RestoreFocus() {
    HWND self = Hwnd();
    HWND target = nullptr;
    if (activeControl_ && activeControl_->HandleAllocated()) {
        HWND h = activeControl_->Hwnd();
        if (::IsWindowVisible(h) && ::IsWindowEnabled(h)) target = h;
    }
    if (!target) target = ::GetNextDlgTabItem(self, nullptr, FALSE);
    ::SetFocus(target ? target : self);
}

bool TForm::IsMainForm() const noexcept {
    return Screen().MainForm() == this;
}

TButton* TForm::CancelButton() const {
    std::vector<const TWinControl*> pending{this};
    while (!pending.empty()) {
        const TWinControl* parent = pending.back();
        pending.pop_back();
        for (TWinControl* c : parent->TabList()) {
            if (!c->Visible() || !c->Enabled()) continue;
            if (auto* b = dynamic_cast<TButton*>(c); b && b->Cancel()) return b;
            pending.push_back(c);
        }
    }
    return nullptr;
}

bool TForm::PressButton(WORD id) {
    TButton* button = id == IDCANCEL ? CancelButton() : nullptr;
    if (!button) return false;
    button->Click();
    return true;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND self = Hwnd();
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_QUERYENDSESSION:
        // Until the system tells whether the session ends after all.
        sessionEnding_ = true;
        return CloseQuery() ? TRUE : FALSE;
    case WM_ENDSESSION:
        sessionEnding_ = wParam != FALSE;
        break;
    case WM_WINDOWPOSCHANGED: {
        // The bounds follow the window, except while minimized: then they stay the restored ones.
        if (::IsIconic(self)) break;
        RECT r;
        ::GetWindowRect(self, &r);
        left_ = r.left, top_ = r.top, width_ = r.right - r.left, height_ = r.bottom - r.top;
        const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
        // A hidden window placed on a monitor of another scale may get no WM_DPICHANGED, not even
        // once shown: it takes the monitor's scale here.
        if (::IsWindowVisible(self)) return result;
        if (const int dpi = MonitorDpi(r); dpi != dpi_) {
            ChangeDpi(dpi);
            Refit();
        }
        return result;
    }
    case WM_SIZE:
        if (wParam <= SIZE_MAXIMIZED && ::IsWindowVisible(self))
            windowState_ = wParam == SIZE_MINIMIZED ? wsMinimized
                         : wParam == SIZE_MAXIMIZED ? wsMaximized
                                                    : wsNormal;
        if (wParam != SIZE_MINIMIZED) {
            // Only here, or with the window at rest, do the outer and the client size surely
            // belong together: between a restore's first messages and this one the outer size
            // is still the icon's.
            MeasureClient();
            AlignControls();
        }
        // Size changes while the description loads are not the form's to report.
        if (!Loading()) Resize();
        return 0;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: the new scale, and the place Windows suggests.
        RECT before{};
        ::GetWindowRect(self, &before);
        ChangeDpi(LOWORD(wParam));
        if (const auto* r = reinterpret_cast<const RECT*>(lParam))
            ::SetWindowPos(self, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        RECT after{};
        ::GetWindowRect(self, &after);
        // An unchanged size brings no WM_SIZE, yet the frame and the layout must follow the new scale.
        if (after.right - after.left == before.right - before.left &&
            after.bottom - after.top == before.bottom - before.top)
            Refit();
        return 0;
    }
    case WM_SHOWWINDOW:
        // Only a direct ShowWindow call, not an owner being minimized or restored.
        if (lParam == 0) visible_ = wParam != 0;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            SaveFocus();
        } else if (!HIWORD(wParam)) {
            RestoreFocus();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (activeControl_ && activeControl_->HandleAllocated() &&
            ::IsWindowVisible(activeControl_->Hwnd()))
            ::SetFocus(activeControl_->Hwnd());
        return 0;
    case WM_COMMAND:
        // Dialog keys: Esc sends IDCANCEL.
        if ((!lParam || !FindControl(reinterpret_cast<HWND>(lParam))) && HIWORD(wParam) == BN_CLICKED &&
            PressButton(LOWORD(wParam)))
            return 0;
        break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// TScreen

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

void TScreen::SetCursor(int cursor) {
    cursor_ = cursor;
    if (cursor != crDefault) {
        ::SetCursor(Cursors(cursor));
        return;
    }
    // Back to the default: let the window under the mouse choose again.
    POINT pt;
    ::GetCursorPos(&pt);
    HWND under = ::WindowFromPoint(pt);
    if (under && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
        LRESULT hit = ::SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        ::SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                       MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
    }
}

HCURSOR TScreen::Cursors(int index) const {
    for (const auto& [i, cursor] : cursors_)
        if (i == index) return cursor.Get();
    return ::LoadCursorA(nullptr, IDC_ARROW);
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
    auto it = std::find_if(cursors_.begin(), cursors_.end(),
                           [&](const auto& entry) { return entry.first == index; });
    if (it != cursors_.end()) {
        if (it->second.Get() == cursor) return;
        if (cursor)
            it->second.Reset(cursor);
        else
            cursors_.erase(it);
        return;
    }
    if (cursor) cursors_.emplace_back(index, CursorOwner(cursor));
}

void TScreen::SetMainForm(TForm* form) {
    mainForm_ = form;
    Application().SetMainWindow(form ? form->Handle() : nullptr);
    if (form && form->closedBeforeMain_) {
        // Closed while it was being made: the loop ends at once, with nothing shown again.
        Application().Terminate();
        Application().OnRun.Clear();
    } else if (form) {
        Application().OnRun = Event<>::Of<&TScreen::ShowMainForm>(this);
    } else {
        Application().OnRun.Clear();
    }
}

void TScreen::ShowMainForm() {
    if (!mainForm_) return;
    // A start minimized or maximized, as the starting program asked.
    STARTUPINFOA si{};
    si.cb = sizeof si;
    ::GetStartupInfoA(&si);
    if (si.dwFlags & STARTF_USESHOWWINDOW) {
        switch (si.wShowWindow) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE: mainForm_->SetWindowState(wsMinimized); break;
        case SW_SHOWMAXIMIZED: mainForm_->SetWindowState(wsMaximized); break;
        default: break;
        }
    }
    mainForm_->Show();
}

}  // namespace fw
