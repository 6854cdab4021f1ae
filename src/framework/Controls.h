#pragma once
// Controls: the visual components of a form. TControl holds what a form description sets
// (parent, bounds, text, font, visibility, events); TWinControl adds the window, made on
// demand, and hands WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* from its window to the child
// control that sent them, so every control raises its own events.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Fonts.h"
#include "framework/Handles.h"
#include "framework/Window.h"

namespace fw {

class TWinControl;
class TForm;
class TPopupMenu;

template <class Method>
struct MethodTraits;
template <class C, class... Args>
struct MethodTraits<void (C::*)(Args...)> {
    using Class = C;
    using EventType = Event<Args...>;
};
template <class C, class... Args>
struct MethodTraits<void (C::*)(Args...) noexcept> : MethodTraits<void (C::*)(Args...)> {};

// Binds a member function as an event handler: .onClick = Bind<&TForm1::Button1Click>(this).
template <auto Method>
typename MethodTraits<decltype(Method)>::EventType Bind(
    typename MethodTraits<decltype(Method)>::Class* object) noexcept {
    return MethodTraits<decltype(Method)>::EventType::template Of<Method>(object);
}


enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};
using TShiftState = unsigned;
using TMouseEvent = Event<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = Event<TObject*, TShiftState, int, int>;

enum TAlign { alNone, alBottom };

// Indexes into the screen's cursor table; positive indexes are the program's own cursors.
enum TCursorIndex : int { crDefault = 0 };


// What a description gives a non-visual component.
struct ComponentProps {
    std::string name{};
};

// What a description gives every control; fields in the order a description lists them.
struct ControlProps {
    std::string name{};
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::string caption{};
    int tabOrder = -1;  // -1: after the controls already on the parent
    bool visible = true;
    bool enabled = true;
    TWinControl* parent = nullptr;  // null: the form
    std::optional<TAlign> align{};  // unset: the control's own default
    int cursor = crDefault;
    std::optional<FontDesc> font{};  // set: the control's own font rather than its parent's
    std::optional<TColor> color{};
};

class TControl : public TComponent {
public:
    using Common = ControlProps;

    explicit TControl(TComponent* owner);
    ~TControl() override;
    const char* ClassName() const override { return "TControl"; }

    // Applies a description's common settings; defaultParent stands in for a null parent. A
    // description's lengths are given at 96 DPI and drawn at the DPI of the form.
    void ApplyCommon(const ControlProps& props, TWinControl* defaultParent);
    const TPropTable* PublishedProps() const override;

    TWinControl* Parent() const noexcept { return parent_; }
    virtual void SetParent(TWinControl* parent);
    // The form the control sits on (through its parents), or null.
    TForm* ParentForm() const noexcept;
    // The DPI the control is drawn at: its form's, 96 without a form.
    int Dpi() const noexcept;
    // Draws the control's own lengths (bounds, its own font, and what a kind of control adds)
    // at toDpi rather than fromDpi; its form calls it for every control when its DPI changes.
    virtual void ChangeScale(int fromDpi, int toDpi);

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    // Moves the window at once when it exists.
    virtual void SetBounds(int left, int top, int width, int height);
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }

    bool Visible() const noexcept { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const noexcept { return enabled_; }
    virtual void SetEnabled(bool enabled);

    const std::string& Caption() const { return TextRef(); }
    void SetCaption(std::string caption) { SetText(std::move(caption)); }
    const std::string& Text() const { return TextRef(); }
    // Replaces the whole text; taking it by value lets a caller hand over a large text.
    virtual void SetText(std::string text);

    TFont& Font() noexcept { return font_; }
    const TFont& Font() const noexcept { return font_; }
    // True while the control follows its parent's font; changing Font() clears it.
    bool ParentFont() const noexcept { return parentFont_; }
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);
    int Cursor() const noexcept { return cursor_; }
    void SetCursor(int cursor) { cursor_ = cursor; }
    TAlign Align() const noexcept { return align_; }
    void SetAlign(TAlign align);
    int TabOrder() const noexcept { return tabOrder_; }
    // The menu a right click or the menu key shows.
    TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // What a click does; code may call it to click the control.
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);

protected:
    void Loaded() override;
    void Notification(TComponent* component, Operation operation) override;

    // The text as a string; a control that keeps its text elsewhere makes one on demand.
    virtual const std::string& TextRef() const { return text_; }

    // Hooks through which the window layer follows the properties.
    virtual void BoundsChanged() {}
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}
    virtual void TextChanged() {}
    virtual void FontChanged() {}
    virtual void ColorChanged() {}
    virtual void ParentChanged() {}

    std::string text_;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;

private:
    friend class TWinControl;
    void FontEdited(TObject* sender);
    void TakeParentFont();

    TWinControl* parent_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    ScaledRect designed_{};  // the bounds a description gave, at 96 DPI
    TFont font_;
    bool parentFont_ = true;
    bool takingParentFont_ = false;
    TColor color_ = clBtnFace;
    int cursor_ = crDefault;
    TAlign align_ = alNone;
    int tabOrder_ = -1;
    unsigned sequence_ = 0;
};

class TWinControl : public TControl, public Window {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    const char* ClassName() const override { return "TWinControl"; }

    // The window, made now (after the parent's) if it does not exist yet.
    HWND Handle();
    using Window::HandleAllocated;
    // The control bound to a window of ours, or null.
    static TWinControl* FindControl(HWND hwnd) noexcept;

    int ControlCount() const noexcept { return static_cast<int>(controls_.size()); }
    // The windowed children in tab order.
    std::vector<TWinControl*> TabList() const;

    bool CanFocus() const noexcept;
    void SetFocus();

    void Invalidate() noexcept;
    virtual void Repaint();
    int ClientWidth() const override;
    int ClientHeight() const override;
    // The brush a child that shows its parent through paints its background with.
    virtual HBRUSH BackgroundBrush();
    // The control's own colour as a brush.
    HBRUSH ColorBrush();
    // Lays out the bottom-aligned children along the client area's bottom edge.
    void AlignControls();

    TNotifyEvent OnEnter;

protected:
    struct CreateParams {
        const char* systemClass = nullptr;  // a system class to superclass, or null for our own
        const char* className = "fw.Control";
        const char* caption = nullptr;
        bool unicode = false;  // a system class's window that keeps every character of its UTF-8 text
        DWORD style = 0;
        DWORD exStyle = 0;
        UINT classStyle = CS_DBLCLKS;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        HWND parent = nullptr;
    };
    virtual void FillCreateParams(CreateParams& params);
    virtual void CreateWnd();
    // Pushes the object's state into the window just made.
    virtual void InitWnd();
    // Makes the window when it should exist: visible, needed, parent window there, not loading.
    void UpdateHandle();
    // A control whose window would show nothing yet may wait until it has something to show.
    virtual bool NeedsWindow() const noexcept { return true; }
    // Puts the children's windows in tab order, first on top, as dialog navigation expects.
    void ArrangeTabOrder();

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    TComponent* ExceptionSender() override { return this; }
    // A WM_COMMAND notification the window sent its parent; true when handled.
    virtual bool CommandNotify(WORD code);
    // A WM_NOTIFY notification the window sent its parent; true when handled.
    virtual bool Notify(NMHDR& header, LRESULT& result);
    // The parent's answer to WM_CTLCOLOR* for this window; null leaves it to the default.
    virtual HBRUSH CtlColor(HDC dc);
    virtual void DoEnter();

    void Loaded() override;
    void BoundsChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void TextChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void ParentChanged() override;

    bool clickEvents_ = false;   // a left press and release over the window raise Click
    bool captureMouse_ = false;  // a left press captures the mouse until the release
    bool tabStop_ = false;
    bool unicodeNotify_ = false;  // the window sends its parent the wide forms of its notifications

private:
    friend class TControl;
    friend class TForm;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void MouseButton(UINT msg, WPARAM wParam, LPARAM lParam);
    bool SetCursorFor(HWND hwnd, WORD hitTest);

    std::vector<TControl*> controls_;
    BrushOwner brush_;
    UINT id_ = 0;
    bool leftDown_ = false;
    bool creatingChildren_ = false;
};

}  // namespace fw
