#include "tray/TrayIcon.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>

#include "framework/Application.h"
#include "framework/Thread.h"
#include "framework/Window.h"
#include "tray/TrayHint.h"

namespace sockmere {

namespace {

// The shell's library is loaded when an icon is first shown, not with the program: most starts
// never show one. Until then no icon of ours exists, so a removal has nothing to do.
BOOL WINAPI ShellNotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
    static std::atomic<bool> used{false};
    if (message == NIM_DELETE && !used.load()) return FALSE;
    used = true;
    static const auto proc = reinterpret_cast<ShellNotifyProc>(reinterpret_cast<void*>(
        ::GetProcAddress(::LoadLibraryA("shell32.dll"), "Shell_NotifyIconA")));
    return proc ? proc(message, data) : FALSE;
}

std::atomic<ShellNotifyProc> g_shellNotify{&ShellNotifyIcon};

// The first shell record layout: the one every shell version reads.
constexpr DWORD kNotifyDataSize = 88;
static_assert(NOTIFYICONDATAA_V1_SIZE == kNotifyDataSize);

TShiftState KeyboardState() {
    TShiftState shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= fw::ssShift;
    if (::GetKeyState(VK_MENU) < 0) shift |= fw::ssAlt;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= fw::ssCtrl;
    return shift;
}

POINT CursorPos() {
    POINT p{};
    ::GetCursorPos(&p);
    return p;
}

// Ends any capture or drag in the focused control of the active window (or the main window),
// so that the menu does not open in the middle of one.
void CancelMouseModes() {
    HWND form = ::GetActiveWindow();
    if (!form) form = fw::Application().MainWindow();
    if (!form) return;
    HWND focus = ::GetFocus();
    if (focus && (focus == form || ::IsChild(form, focus))) ::SendMessageA(focus, WM_CANCELMODE, 0, 0);
}

}  // namespace

ShellNotifyProc SetShellNotifyProc(ShellNotifyProc proc) noexcept {
    return g_shellNotify.exchange(proc ? proc : &ShellNotifyIcon);
}

// The animation's worker: every Interval milliseconds it steps the tray icon to its next frame.
// It frees itself when it ends; the tray icon detaches it under the shared lock, after which it
// never touches the tray icon again.
class TTimerThread : public fw::TThread {
public:
    TTimerThread(TTrayIcon* trayIcon, std::shared_ptr<fw::CriticalSection> lock, bool paused)
        : TThread(paused), trayIcon_(trayIcon), lock_(std::move(lock)) {
        SetFreeOnTerminate(true);
    }
    // Call with the lock held.
    void Detach() noexcept { trayIcon_ = nullptr; }

protected:
    void Execute() override {
        while (WaitWhilePaused()) {
            bool stopping = false;
            DWORD interval = 0;
            {
                fw::Lock lock(*lock_);
                stopping = Stopping();
                if (!stopping) interval = trayIcon_->Interval();
            }
            if (stopping) {
                // Detached, or the program is quitting: nothing to do until terminated.
                Rest(INFINITE);
                continue;
            }
            // Stopping wakes the rest at once, however long the interval.
            if (!Rest(interval)) break;
            fw::Lock lock(*lock_);
            // A pause that arrived during the wait cancels the step: the frame keeps its place.
            if (Stopping() || Paused() || !trayIcon_->Animated()) continue;
            try {
                trayIcon_->AdvanceFrame();
            } catch (...) {
                // The tray icon may be gone before the report runs, so it is not named.
                fw::Application().PostException(nullptr, std::current_exception());
            }
        }
    }

private:
    bool Stopping() const noexcept {
        return Terminated() || fw::Application().Terminated() || !trayIcon_;
    }

    TTrayIcon* trayIcon_;
    std::shared_ptr<fw::CriticalSection> lock_;
};

// The hidden window that identifies the icon to the shell and receives its notifications.
class TTrayIcon::Receiver : public fw::Window {
public:
    explicit Receiver(TTrayIcon& tray) : tray_(tray) {
        // A zero-sized top-level tool window is never shown and never gets a taskbar button,
        // yet it can become the foreground window for the menu.
        CreateHandle("Sockmere.TrayIcon", WS_EX_TOOLWINDOW, WS_POPUP, "", 0, 0, 0, 0, nullptr);
    }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        static const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
        if (msg != kTrayCallbackMessage && (msg != taskbarCreated || taskbarCreated == 0))
            return Window::WndProc(msg, wParam, lParam);
        try {
            if (msg == kTrayCallbackMessage)
                tray_.HandleCallback(static_cast<UINT>(lParam));
            else
                tray_.HandleTaskbarCreated();
        } catch (...) {
            fw::Application().HandleException(&tray_);
        }
        return 0;
    }
    fw::TComponent* ExceptionSender() override { return &tray_; }

private:
    TTrayIcon& tray_;
};

TTrayIcon::TTrayIcon(fw::TComponent* owner)
    : TComponent(owner),
      lock_(std::make_shared<fw::CriticalSection>()),
      life_(std::make_shared<int>(0)),
      window_(std::make_unique<Receiver>(*this)) {
    icon_.OnChange = fw::TNotifyEvent::Of<&TTrayIcon::PictureChanged>(this);
    icons_.OnChange = fw::TNotifyEvent::Of<&TTrayIcon::PictureChanged>(this);
    icons_.SetLock(lock_.get());
}

TTrayIcon::~TTrayIcon() {
    MarkDestroying();
    fw::HandleOwner frameThread;
    {
        fw::Lock lock(*lock_);
        destroying_ = true;
        icons_.OnChange.Clear();
        icon_.OnChange.Clear();
        if (animationThread_) frameThread = animationThread_->DuplicateHandle();
        try {
            SetAnimated(false);
        } catch (...) {
            // Nothing may leave a destructor; the removal below runs regardless.
        }
        RemoveFromTray();
    }
    // The stopped thread ends at once; no thread outlives its icon. A stuck shell call must not
    // hang the program's end, and a detached thread touches nothing of ours.
    if (frameThread) ::WaitForSingleObject(frameThread.Get(), 5000);
    window_.reset();
}

HWND TTrayIcon::CallbackWindow() const noexcept {
    return window_ ? window_->Hwnd() : nullptr;
}

void TTrayIcon::SetActive(bool value) {
    fw::Lock lock(*lock_);
    if (value == active_) return;
    active_ = value;
    if (Designing()) return;
    if (value)
        ShowInTray();
    else
        RemoveFromTray();
}

void TTrayIcon::SetHint(std::string value) {
    fw::Lock lock(*lock_);
    if (value == hint_) return;
    hint_ = std::move(value);
    RefreshIcon();
}

void TTrayIcon::SetIcon(const fw::TIcon* value) {
    fw::Lock lock(*lock_);
    icon_.Assign(value);
}

void TTrayIcon::SetIcons(const TIconList* value) {
    fw::Lock lock(*lock_);
    icons_.Assign(value);
}

bool TTrayIcon::Animated() const {
    fw::Lock lock(*lock_);
    return animated_;
}

unsigned short TTrayIcon::Interval() const {
    fw::Lock lock(*lock_);
    return interval_;
}

void TTrayIcon::SetInterval(unsigned short value) {
    fw::Lock lock(*lock_);
    interval_ = value;
}

bool TTrayIcon::Shown() const {
    fw::Lock lock(*lock_);
    return shown_;
}

int TTrayIcon::FrameIndex() const {
    fw::Lock lock(*lock_);
    return frameIndex_;
}

void TTrayIcon::SetPopupMenu(fw::TPopupMenu* value) {
    popupMenu_ = value;
    if (value) FreeNotification(value);
}

void TTrayIcon::SetShowDesign(bool value) {
    if (!Designing()) return;
    fw::Lock lock(*lock_);
    if (value)
        ShowInTray();
    else
        RemoveFromTray();
    showDesign_ = shown_;
}

void TTrayIcon::Loaded() {
    TComponent::Loaded();
    if (active_ && !Designing()) ShowInTray();
}

void TTrayIcon::Notification(fw::TComponent* component, fw::Operation operation) {
    TComponent::Notification(component, operation);
    if (operation == fw::Operation::Remove && component == popupMenu_) popupMenu_ = nullptr;
}

void TTrayIcon::SetAnimated(bool value) {
    fw::Lock lock(*lock_);
    const bool effective = value && icons_.Count() > 0;
    if (effective == animated_) return;
    if (effective) {
        auto thread = std::make_unique<TTimerThread>(this, lock_, !shown_);
        thread->Start();
        animationThread_ = thread.release();
        animated_ = true;
    } else {
        animated_ = false;
        TTimerThread* thread = std::exchange(animationThread_, nullptr);
        thread->Detach();
        thread->Terminate();  // wakes it if paused; it may free itself from here on
    }
    frameIndex_ = 0;
    RefreshIcon();
}

const fw::TIcon* TTrayIcon::CurrentIcon() const {
    if (animated_ && icons_.Count() > 0)
        return icons_.Items(std::clamp(frameIndex_, 0, icons_.Count() - 1));
    return &icon_;
}

BOOL TTrayIcon::Notify(DWORD message) {
    return g_shellNotify.load()(message, &notifyData_);
}

void TTrayIcon::FillNotifyData() {
    notifyData_.cbSize = kNotifyDataSize;
    notifyData_.hWnd = CallbackWindow();
    notifyData_.uID = 0;
    notifyData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyData_.uCallbackMessage = kTrayCallbackMessage;
    const fw::TIcon* icon = CurrentIcon();
    notifyData_.hIcon = icon ? icon->Handle() : nullptr;
    std::string tip = ShortHint(hint_);
    std::memset(notifyData_.szTip, 0, sizeof notifyData_.szTip);
    std::memcpy(notifyData_.szTip, tip.data(), tip.size());
}

bool TTrayIcon::ShowBalloon(std::string_view title, std::string_view text) {
    fw::Lock lock(*lock_);
    if (!shown_) return false;
    FillNotifyData();
    // The record of the shell that has balloons; the icon's own calls keep the first one.
    notifyData_.cbSize = NOTIFYICONDATAA_V2_SIZE;
    notifyData_.uFlags = NIF_INFO;
    notifyData_.dwInfoFlags = NIIF_INFO;
    notifyData_.uTimeout = 10000;
    auto put = [](char* to, std::size_t room, std::string_view from) {
        from = from.substr(0, room - 1);
        std::memcpy(to, from.data(), from.size());
        to[from.size()] = '\0';
    };
    put(notifyData_.szInfoTitle, sizeof notifyData_.szInfoTitle, title);
    put(notifyData_.szInfo, sizeof notifyData_.szInfo, text);
    const BOOL shown = Notify(NIM_MODIFY);
    notifyData_.szInfo[0] = notifyData_.szInfoTitle[0] = '\0';
    FillNotifyData();
    return shown != 0;
}

void TTrayIcon::ShowInTray() {
    fw::Lock lock(*lock_);
    RemoveFromTray();
    const fw::TIcon* icon = CurrentIcon();
    if (!icon || icon->Empty()) return;
    pressedButtons_ = 0;
    FillNotifyData();
    shown_ = Notify(NIM_ADD) != 0;
    if (shown_ && notifyData_.szTip[0] == '\0') Notify(NIM_MODIFY);
    if (animated_) animationThread_->Resume();
}

void TTrayIcon::RemoveFromTray() {
    fw::Lock lock(*lock_);
    Notify(NIM_DELETE);
    shown_ = false;
    pressedButtons_ = 0;
    if (animated_) animationThread_->Pause();
}

void TTrayIcon::RefreshIcon() {
    fw::Lock lock(*lock_);
    if (icons_.Count() == 0) SetAnimated(false);
    if (shown_) {
        const fw::TIcon* icon = CurrentIcon();
        if (icon && !icon->Empty()) {
            FillNotifyData();
            Notify(NIM_MODIFY);
        } else {
            RemoveFromTray();
        }
    } else if (Designing() ? showDesign_ : active_) {
        ShowInTray();
    }
}

void TTrayIcon::AdvanceFrame() {
    fw::Lock lock(*lock_);
    // destroying_ is set under the lock, unlike the base flag, so this thread may read it.
    if (destroying_ || !animated_) return;
    if (++frameIndex_ >= icons_.Count()) frameIndex_ = 0;
    RefreshIcon();
}

void TTrayIcon::Press(unsigned button) {
    fw::Lock lock(*lock_);
    pressedButtons_ |= button;
}

bool TTrayIcon::Release(unsigned button) {
    fw::Lock lock(*lock_);
    const bool pressed = (pressedButtons_ & button) != 0;
    pressedButtons_ &= ~button;
    return pressed;
}

void TTrayIcon::HandleTaskbarCreated() {
    // A restarted shell has forgotten the icon: add it again.
    if (active_ && !Designing()) ShowInTray();
}

void TTrayIcon::HandleCallback(UINT mouseMessage) {
    // The lock is never held here: handlers run user code, which may write properties.
    std::weak_ptr<int> alive = life_;
    auto state = [](TShiftState flag, POINT& p) {
        p = CursorPos();
        return KeyboardState() | flag;
    };
    POINT p{};
    switch (mouseMessage) {
    case WM_MOUSEMOVE: {
        TShiftState shift = state(0, p);
        NotifyMouseMove(shift, p.x, p.y);
        break;
    }
    case WM_LBUTTONDOWN: {
        TShiftState shift = state(fw::ssLeft, p);
        NotifyMouseDown(fw::mbLeft, shift, p.x, p.y);
        if (!alive.expired()) Press(kPressedLeft);
        break;
    }
    case WM_LBUTTONUP: {
        TShiftState shift = state(fw::ssLeft, p);
        if (Release(kPressedLeft)) NotifyClick(fw::mbLeft, shift, p.x, p.y);
        if (!alive.expired()) NotifyMouseUp(fw::mbLeft, shift, p.x, p.y);
        break;
    }
    case WM_LBUTTONDBLCLK: {
        NotifyDblClick();
        if (alive.expired()) break;
        TShiftState shift = state(fw::ssDouble, p);
        NotifyMouseDown(fw::mbLeft, shift, p.x, p.y);
        break;
    }
    case WM_RBUTTONDOWN: {
        TShiftState shift = state(fw::ssRight, p);
        NotifyMouseDown(fw::mbRight, shift, p.x, p.y);
        if (!alive.expired()) Press(kPressedRight);
        break;
    }
    case WM_RBUTTONUP: {
        TShiftState shift = state(fw::ssRight, p);
        if (Release(kPressedRight)) NotifyClick(fw::mbRight, shift, p.x, p.y);
        if (!alive.expired()) NotifyMouseUp(fw::mbRight, shift, p.x, p.y);
        break;
    }
    case WM_RBUTTONDBLCLK: {
        TShiftState shift = state(fw::ssDouble, p);
        NotifyMouseDown(fw::mbRight, shift, p.x, p.y);
        break;
    }
    case WM_MBUTTONDOWN: {
        TShiftState shift = state(fw::ssMiddle, p);
        NotifyMouseDown(fw::mbMiddle, shift, p.x, p.y);
        break;
    }
    case WM_MBUTTONUP: {
        TShiftState shift = state(fw::ssMiddle, p);
        NotifyMouseUp(fw::mbMiddle, shift, p.x, p.y);
        break;
    }
    case NIN_BALLOONUSERCLICK:
        OnBalloonClick(this);
        break;
    case WM_MBUTTONDBLCLK: {
        TShiftState shift = state(fw::ssDouble, p);
        NotifyMouseDown(fw::mbMiddle, shift, p.x, p.y);
        break;
    }
    default:
        break;
    }
}

void TTrayIcon::NotifyMouseMove(TShiftState shift, int x, int y) {
    OnMouseMove(this, shift, x, y);
}

void TTrayIcon::NotifyMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseDown(this, button, shift, x, y);
}

void TTrayIcon::NotifyMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseUp(this, button, shift, x, y);
}

void TTrayIcon::NotifyClick(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == fw::mbRight && ShowMenu(x, y)) return;
    OnClick(this, button, shift, x, y);
}

void TTrayIcon::NotifyDblClick() {
    if (ClickDefaultItem()) return;
    OnDblClick(this);
}

bool TTrayIcon::ShowMenu(int x, int y) {
    if (Designing() || !active_ || !popupMenu_) return false;
    if (!Destroying() && !destroying_) CancelMouseModes();
    const HWND window = CallbackWindow();
    auto foreground = [window] {
        if (::IsWindowEnabled(window)) ::SetForegroundWindow(window);
    };
    foreground();
    try {
        std::weak_ptr<int> alive = life_;
        fw::Application().ProcessMessages();
        // The pending messages may have taken the menu, or this very icon, away.
        if (!alive.expired() && popupMenu_) popupMenu_->Popup(x, y, window);
    } catch (...) {
        foreground();
        throw;
    }
    foreground();
    return true;
}

bool TTrayIcon::ClickDefaultItem() {
    if (Designing() || !active_ || !popupMenu_ || !popupMenu_->Items()) return false;
    fw::TMenuItem* items = popupMenu_->Items();
    for (int i = 0; i < items->Count(); ++i) {
        fw::TMenuItem* item = items->Items(i);
        if (item->Default() && item->Enabled()) {
            item->Click();
            return true;
        }
    }
    return false;
}

}  // namespace sockmere
