#pragma once
// The notification-area icon: one icon with its tip, a static picture or animation frames, the
// shell's mouse notifications turned into events, a popup menu on a right click and the menu's
// default item on a left double click.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <string_view>

#include "framework/Component.h"
#include "framework/Controls.h"
#include "framework/Event.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/Sync.h"
#include "tray/IconList.h"

namespace sockmere {

using fw::TMouseButton;
using fw::TMouseEvent;
using fw::TMouseMoveEvent;
using fw::TShiftState;

// The message the shell sends the callback window, with the mouse message in lParam.
inline constexpr UINT kTrayCallbackMessage = 0xB040;

// Every call to the shell goes through this seam; tests install a double. Null restores
// Shell_NotifyIconA. Returns the previous function.
using ShellNotifyProc = BOOL(WINAPI*)(DWORD message, NOTIFYICONDATAA* data);
ShellNotifyProc SetShellNotifyProc(ShellNotifyProc proc) noexcept;

class TTimerThread;

class TTrayIcon : public fw::TComponent {
public:
    explicit TTrayIcon(fw::TComponent* owner);
    ~TTrayIcon() override;
    const char* ClassName() const override { return "TTrayIcon"; }

    // The icon is wanted in the notification area; writing it shows or removes it at once.
    bool Active() const noexcept { return active_; }
    void SetActive(bool value);
    // The tip; only the text before the first "|", at most 63 characters, is shown.
    const std::string& Hint() const noexcept { return hint_; }
    void SetHint(std::string value);
    // The static picture; writing copies the given one.
    const fw::TIcon& Icon() const noexcept { return icon_; }
    void SetIcon(const fw::TIcon* value);
    // The animation frames; changes made through the list refresh the icon.
    TIconList& Icons() noexcept { return icons_; }
    void SetIcons(const TIconList* value);
    // Cycles through Icons; stays false while there are no frames.
    bool Animated() const;
    void SetAnimated(bool value);
    // Milliseconds between frames, read afresh before every wait of the frame thread.
    unsigned short Interval() const;
    void SetInterval(unsigned short value);
    // Shown on a right click; its default item runs on a left double click. Not owned.
    fw::TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(fw::TPopupMenu* value);
    // Shows the icon while a form designer hosts the component; no effect at run time.
    bool ShowDesign() const noexcept { return showDesign_; }
    void SetShowDesign(bool value);

    TMouseEvent OnClick;
    fw::TNotifyEvent OnDblClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    // The user clicked the balloon last shown.
    fw::TNotifyEvent OnBalloonClick;

    // Shows a balloon with an information picture by the icon, in the code page's text (the
    // shell cuts the title at 63 and the text at 255 bytes); false when the icon is not shown or
    // the shell refused it.
    bool ShowBalloon(std::string_view title, std::string_view text);

    // Adds the icon (removing it first), when there is a picture to show.
    void ShowInTray();
    void RemoveFromTray();
    // Brings the shell up to date after a change of hint, picture, frames or frame.
    void RefreshIcon();
    // The frame step of the animation; the frame thread calls it.
    void AdvanceFrame();

    // True while the shell holds the icon.
    bool Shown() const;
    int FrameIndex() const;
    // The hidden window the shell reports the icon's mouse activity to.
    HWND CallbackWindow() const noexcept;

protected:
    void Loaded() override;
    void Notification(fw::TComponent* component, fw::Operation operation) override;
    // Fills the notify record from the window, the current picture and the hint.
    virtual void FillNotifyData();

    virtual void NotifyDblClick();
    virtual void NotifyClick(TMouseButton button, TShiftState shift, int x, int y);
    virtual void NotifyMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void NotifyMouseMove(TShiftState shift, int x, int y);
    virtual void NotifyMouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // Shows PopupMenu at a screen point; false when it may not be shown.
    bool ShowMenu(int x, int y);
    // Clicks the menu's first enabled default item; false when there is none.
    bool ClickDefaultItem();

private:
    class Receiver;
    friend class Receiver;

    enum PressedButton : unsigned { kPressedLeft = 1, kPressedRight = 2 };

    void HandleCallback(UINT mouseMessage);
    void HandleTaskbarCreated();
    void PictureChanged(fw::TObject*) { RefreshIcon(); }
    const fw::TIcon* CurrentIcon() const;
    BOOL Notify(DWORD message);
    void Press(unsigned button);
    bool Release(unsigned button);

    // Shared with the frame threads, which may outlive this object by one wait.
    std::shared_ptr<fw::CriticalSection> lock_;
    // Lets a callback notice that an event handler freed this object.
    std::shared_ptr<int> life_;
    std::unique_ptr<Receiver> window_;
    bool active_ = true;
    bool shown_ = false;
    bool animated_ = false;
    unsigned pressedButtons_ = 0;
    int frameIndex_ = -1;
    unsigned short interval_ = 150;
    NOTIFYICONDATAA notifyData_{};
    fw::TIcon icon_;
    TIconList icons_;
    TTimerThread* animationThread_ = nullptr;
    bool destroying_ = false;
    std::string hint_;
    bool showDesign_ = false;
    fw::TPopupMenu* popupMenu_ = nullptr;
};

}  // namespace sockmere
