#pragma once
// Forms: top-level windows built from a description in code, inside the loading state, and
// the screen: the main form and the table of cursors.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"

namespace fw {

class TButton;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TCloseQueryEvent = Event<TObject*, bool&>;
// Sender, the virtual key, the modifier keys held (ssShift, ssCtrl, ssAlt), and whether the
// handler took the key.
using TShortCutEvent = Event<TObject*, WORD, TShiftState, bool&>;

// A form's own settings, in the order a description lists them. The client size and the font are
// given at 96 DPI and drawn at the DPI of the monitor the form appears on; left and top are a
// place on the screen.
struct FormProps {
    std::string name{};
    std::string caption{};
    int left = 0;
    int top = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    TBorderStyle borderStyle = bsSizeable;
    TBorderIcons borderIcons = biSystemMenu | biMinimize | biMaximize;
    FontDesc font{};
    bool visible = false;
    TNotifyEvent onCreate{};
    TNotifyEvent onShow{};
    TNotifyEvent onResize{};
    TShortCutEvent onShortCut{};
};

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    // OnDestroy, then the owned components while the window still exists, then the window.
    ~TForm() override;
    const char* ClassName() const override { return "TForm"; }
    const TPropTable* PublishedProps() const override;

    // Creates a component owned by this form from a description line:
    // Make<TButton>({.name = "Button1", .left = 0, ...}, {.onClick = Bind<&TForm1::Button1Click>(this)}).
    template <class T>
    T* Make(const typename T::Common& common, const typename T::Props& props = {}) {
        T* component = new T(this);
        // Outside a description the line loads on its own, so it behaves the same either way.
        bool alone = !component->Loading();
        if (alone) component->BeginLoading();
        // The class's own settings first: the window, made once loaded, has them all.
        component->ApplyProps(props);
        component->ApplyCommon(common, this);
        if (alone) component->EndLoading();
        return component;
    }

    void SetVisible(bool visible) override;
    // Shows the form and brings it to the front.
    void Show();
    // Asks OnCloseQuery, then hides the form. Closing the main form ends the message loop, as
    // does closing a form before it becomes the main form, unless it is shown again first;
    // closing a modal form ends its showing.
    void Close();
    virtual bool CloseQuery();
    // True from the system's question whether the session may end to its word that the session
    // goes on: a close query then has only a few seconds.
    bool SessionEnding() const noexcept { return sessionEnding_; }
    // Closed before it became the main form and not shown since: the loop will end at once.
    bool ClosedBeforeMain() const noexcept { return closedBeforeMain_; }
    // Shows the form with every other window of the thread disabled and pumps messages until
    // the form is closed.
    void ShowModal();

    TWindowState WindowState() const noexcept { return windowState_; }
    void SetWindowState(TWindowState state);
    TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TBorderIcons BorderIcons() const noexcept { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);

    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int width, int height);
    // The outer size that layout rules written for 96 DPI measure: at 96 DPI the window's own (of
    // its restored placement while minimized); at another DPI the client size plus the frame of
    // 96 DPI drawn at the form's scale, whatever frame the system draws there.
    SIZE DesignOuterSize();
    // The other way: an outer size of the design (a minimum size, say) as the window's own at the
    // form's scale, in the frame the system draws; at 96 DPI the size itself.
    SIZE OuterSizeOfDesign(SIZE designed);

    // The window's icon; a change shows at once.
    TIcon& Icon() noexcept { return icon_; }
    void Repaint() override;

    // The control that has, or last had, the focus on this form.
    TWinControl* ActiveControl() const noexcept { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // The visible, enabled button that Esc presses, if any.
    TButton* CancelButton() const;

    // Public so that a component can take them over once the form has loaded and call the
    // previous handler itself.
    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnResize;
    // Sees every key pressed while the form is active, before the focused control does.
    TShortCutEvent OnShortCut;

    // A key pressed in one of the form's windows: true when OnShortCut took it.
    bool IsShortCut(const MSG& msg);

    // Raises OnDestroy once; ~TForm calls it, and a derived form whose OnDestroy handler needs
    // the derived members alive calls it first thing in its own destructor.
    void DoDestroy() noexcept;

protected:
    // Builds the form: its own settings, then describe() creating the components in form
    // order, all inside the loading state; then Loaded runs, then OnCreate, and the form shows
    // if the settings say visible.
    template <class F>
    void Describe(const FormProps& props, F&& describe) {
        BeginLoading();
        ApplyForm(props);
        describe();
        EndLoading();
        DoCreate();
        if (props.visible || showAfterLoading_) Show();
    }
    void ApplyForm(const FormProps& props);

    virtual void DoCreate();
    virtual void DoShow();
    virtual void Resize();

    // Takes a new DPI: the font, the icon and every control's lengths are drawn at it.
    void ChangeDpi(int dpi);

    void FillCreateParams(CreateParams& params) override;
    void CreateWnd() override;
    void Loaded() override;
    void BoundsChanged() override;
    void Notification(TComponent* component, Operation operation) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TControl;
    friend class TWinControl;
    friend class TScreen;
    static void ScaleControls(TWinControl& parent, int fromDpi, int toDpi);
    void ControlFocused(TWinControl* control);
    void SaveFocus();
    void RestoreFocus();
    bool IsMainForm() const noexcept;
    void StyleFor(DWORD& style, DWORD& exStyle) const;
    void OuterFromClient(int clientWidth, int clientHeight);
    // The frame's share of the outer size at dpi, as the system computes it.
    SIZE FrameAt(int dpi) const;
    // The frame the window has: as measured at its last size change, or else as computed.
    SIZE Frame() const;
    void FitClientSize();
    // The client size and the frame as the window has them now.
    void MeasureClient();
    // After a change of scale: the frame drawn at it, measured, and the layout done again.
    void Refit();
    void IconChanged(TObject* sender);
    bool PressButton(WORD id);
    void CloseModal();

    TBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TWindowState windowState_ = wsNormal;
    TIcon icon_;
    TWinControl* activeControl_ = nullptr;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int dpi_ = kDesignDpi;
    SIZE frame_{0, 0};
    bool frameMeasured_ = false;
    bool modal_ = false;
    bool closing_ = false;  // a close asked for while modal, not yet past OnCloseQuery
    bool closedBeforeMain_ = false;  // closed while no form was the main form
    bool sessionEnding_ = false;
    bool showAfterLoading_ = false;
    bool destroyed_ = false;
};

class TScreen {
public:
    TScreen() = default;
    TScreen(const TScreen&) = delete;
    TScreen& operator=(const TScreen&) = delete;

    // The cursor shown over every window of ours while it is not crDefault.
    int Cursor() const noexcept { return cursor_; }
    void SetCursor(int cursor);
    // The cursor at index: one the program registered, or the arrow.
    HCURSOR Cursors(int index) const;
    // Registers cursor at index and owns it; a cursor registered there before is destroyed.
    void SetCursors(int index, HCURSOR cursor);

    // The main form: Application().Run shows it (as the starting program asked) and closing
    // it ends the message loop. Set it once the form is fully constructed.
    TForm* MainForm() const noexcept { return mainForm_; }
    void SetMainForm(TForm* form);

private:
    friend class TForm;
    void ShowMainForm();

    std::vector<std::pair<int, CursorOwner>> cursors_;
    TForm* mainForm_ = nullptr;
    int cursor_ = crDefault;
};

// The one screen object of the process.
TScreen& Screen();

}  // namespace fw
