#include "framework/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "framework/DpiScale.h"
#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/Menus.h"

namespace fw {

namespace {

unsigned NextSequence() noexcept {
    static unsigned next = 0;
    return ++next;
}

UINT NextControlId() noexcept {
    // Clear of IDOK..IDHELP, which dialog navigation sends to the form itself.
    static UINT next = 100;
    UINT id = next++;
    if (next > 0x7FFF) next = 100;
    return id;
}

TShiftState ShiftFromKeys(WPARAM keys) noexcept {
    TShiftState shift = 0;
    if (keys & MK_SHIFT) shift |= ssShift;
    if (keys & MK_CONTROL) shift |= ssCtrl;
    if (keys & MK_LBUTTON) shift |= ssLeft;
    if (keys & MK_RBUTTON) shift |= ssRight;
    if (keys & MK_MBUTTON) shift |= ssMiddle;
    if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner), sequence_(NextSequence()) {
    font_.OnChange = Event<TObject*>::Of<&TControl::FontEdited>(this);
}

TControl::~TControl() {
    MarkDestroying();
    font_.OnChange.Clear();
    if (parent_) parent_->RemoveControl(this);
}

void TControl::ApplyCommon(const ControlProps& props, TWinControl* defaultParent) {
    SetName(props.name);
    if (props.font) {
        font_.SetDesc(*props.font);
        parentFont_ = false;
    }
    if (props.color) SetColor(*props.color);
    designed_ = {props.left, props.top, props.width, props.height};
    SetBounds(props.left, props.top, props.width, props.height);
    SetText(props.caption);
    if (props.tabOrder >= 0) tabOrder_ = props.tabOrder;
    SetVisible(props.visible);
    SetEnabled(props.enabled);
    SetCursor(props.cursor);
    SetParent(props.parent ? props.parent : defaultParent);
    if (props.align) SetAlign(*props.align);
    if (const int dpi = Dpi(); dpi != kDesignDpi) ChangeScale(kDesignDpi, dpi);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw Error("A control cannot be its own parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
    if (parentFont_) TakeParentFont();
    ParentChanged();
}

TForm* TControl::ParentForm() const noexcept {
    const TControl* c = this;
    while (c) {
        if (auto* form = dynamic_cast<TForm*>(const_cast<TControl*>(c))) return form;
        c = c->parent_;
    }
    return nullptr;
}

int TControl::Dpi() const noexcept {
    const TForm* form = ParentForm();
    return form ? form->dpi_ : kDesignDpi;
}

void TControl::ChangeScale(int fromDpi, int toDpi) {
    // A length still at its design's scale is scaled from the design, so that moves back and
    // forth between monitors do not drift; one set since (by a layout, say) from where it is.
    const auto scale = [&](int now, int designed) {
        return now == ScaleLength(designed, fromDpi) ? ScaleLength(designed, toDpi) : ScaleLength(now, toDpi, fromDpi);
    };
    SetBounds(scale(left_, designed_.left), scale(top_, designed_.top), scale(width_, designed_.width),
              scale(height_, designed_.height));
    // A font taken from the parent follows the parent's.
    if (!parentFont_) font_.SetDpi(toDpi);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left, top_ = top, width_ = width, height_ = height;
    BoundsChanged();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    VisibleChanged();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    EnabledChanged();
}

void TControl::SetText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    TextChanged();
}

void TControl::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    ColorChanged();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_ && align != alNone) parent_->AlignControls();
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (menu == popupMenu_) return;
    if (popupMenu_) RemoveFreeNotification(popupMenu_);
    popupMenu_ = menu;
    if (menu) FreeNotification(menu);
}

void TControl::Notification(TComponent* component, Operation operation) {
    TComponent::Notification(component, operation);
    if (operation == Operation::Remove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::Click() {
    OnClick(this);
}

void TControl::DblClick() {
    OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    OnMouseMove(this, shift, x, y);
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parentFont_) TakeParentFont();
}

void TControl::FontEdited(TObject*) {
    if (!takingParentFont_) parentFont_ = false;
    FontChanged();
}

void TControl::TakeParentFont() {
    if (!parent_) return;
    takingParentFont_ = true;
    try {
        font_.Assign(&parent_->Font());
    } catch (...) {
        takingParentFont_ = false;
        throw;
    }
    takingParentFont_ = false;
}

// ---------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner), id_(NextControlId()) {}

TWinControl::~TWinControl() {
    MarkDestroying();
    if (TForm* form = ParentForm(); form && form != this && form->activeControl_ == this)
        form->activeControl_ = nullptr;
    // While the object is still a TWinControl, so the window's last messages find it whole.
    DestroyHandle();
    for (TControl* c : controls_) c->parent_ = nullptr;
    controls_.clear();
}

HWND TWinControl::Handle() {
    if (!HandleAllocated()) {
        // Making the parent's window may make ours with it.
        if (Parent()) Parent()->Handle();
        if (!HandleAllocated()) CreateWnd();
    }
    return Hwnd();
}

TWinControl* TWinControl::FindControl(HWND hwnd) noexcept {
    return dynamic_cast<TWinControl*>(Window::FromHandle(hwnd));
}

std::vector<TWinControl*> TWinControl::TabList() const {
    std::vector<TWinControl*> list;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) list.push_back(w);
    std::stable_sort(list.begin(), list.end(), [](const TWinControl* a, const TWinControl* b) {
        if (a->TabOrder() != b->TabOrder()) return a->TabOrder() < b->TabOrder();
        return a->sequence_ < b->sequence_;
    });
    return list;
}

bool TWinControl::CanFocus() const noexcept {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    ::SetFocus(Handle());
}

void TWinControl::Invalidate() noexcept {
    if (HandleAllocated()) ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void TWinControl::Repaint() {
    if (HandleAllocated())
        ::RedrawWindow(Hwnd(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int TWinControl::ClientWidth() const {
    if (!HandleAllocated()) return Width();
    RECT r;
    ::GetClientRect(Hwnd(), &r);
    return r.right - r.left;
}

int TWinControl::ClientHeight() const {
    if (!HandleAllocated()) return Height();
    RECT r;
    ::GetClientRect(Hwnd(), &r);
    return r.bottom - r.top;
}

HBRUSH TWinControl::BackgroundBrush() {
    return ColorBrush();
}

HBRUSH TWinControl::ColorBrush() {
    TColor c = Color();
    if (c & kSystemColor) return ::GetSysColorBrush(static_cast<int>(c & 0xFF));
    if (!brush_) brush_.Reset(::CreateSolidBrush(ColorToRGB(c)));
    return brush_.Get();
}

void TWinControl::AlignControls() {
    // Bottom-aligned children stack upwards from the client area's bottom edge, full width.
    int bottom = ClientHeight();
    for (TControl* c : controls_) {
        if (c->Align() != alBottom || !c->Visible()) continue;
        bottom -= c->Height();
        c->SetBounds(0, bottom, ClientWidth(), c->Height());
    }
}

void TWinControl::FillCreateParams(CreateParams& params) {
    params.style = WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) params.style |= WS_VISIBLE;
    if (!enabled_) params.style |= WS_DISABLED;
    if (tabStop_) params.style |= WS_TABSTOP;
    params.caption = text_.c_str();
    params.x = left_, params.y = top_, params.width = width_, params.height = height_;
    params.parent = Parent() ? Parent()->Hwnd() : nullptr;
}

void TWinControl::CreateWnd() {
    CreateParams p;
    FillCreateParams(p);
    HMENU id = (p.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id_)) : nullptr;
    if (p.systemClass)
        CreateSystemHandle(p.systemClass, p.exStyle, p.style, p.caption, p.x, p.y, p.width,
                           p.height, p.parent, id, p.unicode);
    else
        CreateHandle(p.className, p.exStyle, p.style, p.caption, p.x, p.y, p.width, p.height,
                     p.parent, id, p.classStyle);
    InitWnd();
    creatingChildren_ = true;
    for (TControl* c : std::vector<TControl*>(controls_))
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateHandle();
    creatingChildren_ = false;
    AlignControls();
    ArrangeTabOrder();
    // A parent making its children, or still loading, puts them in order once when done.
    if (Parent() && !Parent()->creatingChildren_ && !Parent()->Loading()) Parent()->ArrangeTabOrder();
}

void TWinControl::InitWnd() {
    ::SendMessageA(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
}

void TWinControl::UpdateHandle() {
    if (HandleAllocated() || !visible_ || !NeedsWindow() || !Parent() || !Parent()->HandleAllocated() ||
        Loading())
        return;
    CreateWnd();
}

void TWinControl::ArrangeTabOrder() {
    HWND after = HWND_TOP;
    for (TWinControl* c : TabList()) {
        if (!c->HandleAllocated()) continue;
        HWND h = c->Hwnd();
        ::SetWindowPos(h, after, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        after = h;
    }
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (control->tabOrder_ < 0) control->tabOrder_ = ControlCount() - 1;
}

void TWinControl::RemoveControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
}

bool TWinControl::CommandNotify(WORD) {
    return false;
}

bool TWinControl::Notify(NMHDR&, LRESULT&) {
    return false;
}

HBRUSH TWinControl::CtlColor(HDC dc) {
    // Only a colour or font colour of the control's own changes the system's default look.
    if (Font().Color() == clWindowText && (Color() & kSystemColor)) return nullptr;
    ::SetTextColor(dc, ColorToRGB(Font().Color()));
    ::SetBkColor(dc, ColorToRGB(Color()));
    return ColorBrush();
}

void TWinControl::DoEnter() {
    OnEnter(this);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    UpdateHandle();
    // Children that got their windows while this one was loading wait for this to be ordered.
    if (HandleAllocated()) ArrangeTabOrder();
}

void TWinControl::BoundsChanged() {
    if (HandleAllocated())
        ::SetWindowPos(Hwnd(), nullptr, left_, top_, width_, height_,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::VisibleChanged() {
    if (HandleAllocated()) {
        ::ShowWindow(Hwnd(), visible_ ? SW_SHOWNA : SW_HIDE);
    } else {
        UpdateHandle();
    }
    if (Parent() && Align() != alNone) Parent()->AlignControls();
}

void TWinControl::EnabledChanged() {
    if (HandleAllocated()) ::EnableWindow(Hwnd(), enabled_);
}

void TWinControl::TextChanged() {
    if (HandleAllocated()) ::SetWindowTextA(Hwnd(), text_.c_str());
}

void TWinControl::FontChanged() {
    if (HandleAllocated())
        ::SendMessageA(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    for (TControl* c : controls_)
        if (c->ParentFont()) c->TakeParentFont();
}

void TWinControl::ColorChanged() {
    brush_.Reset();
    Invalidate();
}

void TWinControl::ParentChanged() {
    if (HandleAllocated()) {
        if (Parent() && Parent()->HandleAllocated())
            ::SetParent(Hwnd(), Parent()->Hwnd());
        else
            DestroyHandle();
    }
    if (Parent()) Parent()->ArrangeTabOrder();
    UpdateHandle();
}

bool TWinControl::SetCursorFor(HWND hwnd, WORD hitTest) {
    int cursor = Screen().Cursor();
    if (cursor == crDefault && hwnd == Hwnd() && hitTest == HTCLIENT) cursor = Cursor();
    if (cursor == crDefault) return false;
    ::SetCursor(Screen().Cursors(cursor));
    return true;
}

void TWinControl::MouseButton(UINT msg, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    TShiftState shift = ShiftFromKeys(wParam);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        leftDown_ = true;
        if (captureMouse_) ::SetCapture(Hwnd());
        if (msg == WM_LBUTTONDBLCLK) {
            shift |= ssDouble;
            if (clickEvents_) DblClick();
        }
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift | (msg == WM_RBUTTONDBLCLK ? TShiftState{ssDouble} : 0u), x, y);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, shift | (msg == WM_MBUTTONDBLCLK ? TShiftState{ssDouble} : 0u), x, y);
        break;
    case WM_LBUTTONUP: {
        bool wasDown = std::exchange(leftDown_, false);
        if (captureMouse_ && ::GetCapture() == Hwnd()) ::ReleaseCapture();
        RECT client;
        ::GetClientRect(Hwnd(), &client);
        POINT pt{x, y};
        if (clickEvents_ && wasDown && ::PtInRect(&client, pt)) Click();
        MouseUp(mbLeft, shift, x, y);
        break;
    }
    case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); break;
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    }
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (lParam) {
            if (TWinControl* c = FindControl(reinterpret_cast<HWND>(lParam));
                c && c != this && c->CommandNotify(HIWORD(wParam)))
                return 0;
        }
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (TWinControl* c = FindControl(header->hwndFrom); c && c != this) {
            LRESULT result = 0;
            if (c->Notify(*header, result)) return result;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        if (TWinControl* c = FindControl(reinterpret_cast<HWND>(lParam)); c && c != this) {
            if (HBRUSH brush = c->CtlColor(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        }
        break;
    case WM_NOTIFYFORMAT:
        // Our windows are ANSI windows: children send the A forms of their notifications, unless
        // the control asks for the wide forms.
        if (lParam == NF_QUERY) {
            const TWinControl* c = FindControl(reinterpret_cast<HWND>(wParam));
            return c && c != this && c->unicodeNotify_ ? NFR_UNICODE : NFR_ANSI;
        }
        break;
    case WM_SIZE: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        if (wParam != SIZE_MINIMIZED) AlignControls();
        return r;
    }
    case WM_SETCURSOR:
        if (SetCursorFor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
        break;
    case WM_SETFOCUS: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        if (TForm* form = ParentForm(); form && form != this) form->ControlFocused(this);
        return r;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == Hwnd()) {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (lParam == -1) {
                // From the keyboard: the middle of the control.
                pt = {Width() / 2, Height() / 2};
                ::ClientToScreen(Hwnd(), &pt);
            }
            if (TPopupMenu* menu = PopupMenu()) {
                menu->Popup(pt.x, pt.y, Hwnd());
                return 0;
            }
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE: {
        // The window's own processing first (an edit places its caret, a button presses).
        LRESULT r = DefaultProc(msg, wParam, lParam);
        if (HandleAllocated()) MouseButton(msg, wParam, lParam);
        return r;
    }
    case WM_CAPTURECHANGED:
        if (captureMouse_ && reinterpret_cast<HWND>(lParam) != Hwnd()) leftDown_ = false;
        break;
    }
    return DefaultProc(msg, wParam, lParam);
}

}  // namespace fw
