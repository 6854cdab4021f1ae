#pragma once
// Watchers of another control's window messages. Every watcher of one control shares a single
// subclassing of its window (a control hook); the control hooks live in one list whose hidden
// window re-hooks re-created windows and frees emptied control hooks after the current message.
#include <windows.h>

#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Handles.h"
#include "framework/Messages.h"
#include "framework/ProcEntry.h"

namespace fw {
class TWinControl;
}

namespace sockmere {

class TControlHook;

// Sender (the watcher), the message, and whether the watcher dealt with it.
using THookMessageEvent = fw::Event<fw::TObject*, fw::TMessage&, bool&>;

// Posted to the hook list's window with the control hook as lParam.
inline constexpr UINT CM_HOOKAGAIN = 0xB03E;
inline constexpr UINT CM_FREEHOOK = 0xB03F;

class TWindowHook : public fw::TComponent {
public:
    explicit TWindowHook(fw::TComponent* owner);
    ~TWindowHook() override;
    const char* ClassName() const override { return "TWindowHook"; }

    bool Active() const noexcept { return active_; }
    void SetActive(bool value);
    // The control hook's control while attached, else the control set last.
    fw::TWinControl* WinControl() const noexcept;
    // Leaves the old control, posting its release when that emptied it, and joins the new one
    // when active.
    void SetWinControl(fw::TWinControl* value);
    // True when the watcher watches the form that owns it; setting true points it there.
    bool IsForm() const noexcept;
    void SetIsForm(bool value);

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

    void AttachToControl();
    // Gives back the control hook it left, or null.
    TControlHook* DetachFromControl();
    TControlHook* ControlHook() const noexcept { return hook_; }

protected:
    virtual void NotifyAfter(fw::TMessage& message, bool& handled);
    virtual void NotifyBefore(fw::TMessage& message, bool& handled);
    void Notification(fw::TComponent* component, fw::Operation operation) override;

private:
    friend class TControlHook;

    bool active_ = false;
    fw::TWinControl* control_ = nullptr;
    TControlHook* hook_ = nullptr;
};

// One subclassing of one control's window, shared by its watchers.
class TControlHook {
public:
    enum class Pass { Before, After };

    TControlHook() = default;
    TControlHook(const TControlHook&) = delete;
    TControlHook& operator=(const TControlHook&) = delete;
    ~TControlHook();

    fw::TWinControl* Control() const noexcept { return control_; }
    const std::vector<TWindowHook*>& Watchers() const noexcept { return watchers_; }

    void AddWatcher(TWindowHook* watcher);
    void RemoveWatcher(TWindowHook* watcher);
    void ChangeControl(fw::TWinControl* control);
    void InstallEntry();
    void UninstallEntry();
    void HookWindowProc(fw::TMessage& message);
    void NotifyWatchers(Pass pass, fw::TMessage& message, bool& handled);

private:
    static void EntryProc(void* self, fw::TMessage& message);

    fw::TWinControl* control_ = nullptr;
    fw::WindowSubclass::Ptr subclass_;
    std::vector<TWindowHook*> watchers_;
    bool destroying_ = false;
};

class THookList {
public:
    THookList();
    THookList(const THookList&) = delete;
    THookList& operator=(const THookList&) = delete;
    // Frees the remaining control hooks, last first, then the hidden window.
    ~THookList();

    TControlHook* FindControlHook(const fw::TWinControl* control) const noexcept;
    // The control's control hook, made and added when there is none.
    TControlHook* ObtainControlHook(fw::TWinControl* control);
    bool Contains(const TControlHook* hook) const noexcept;
    HWND Window() const noexcept { return window_.Get(); }

private:
    friend class TControlHook;
    void Remove(TControlHook* hook) noexcept;
    static LRESULT CALLBACK HiddenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::vector<TControlHook*> hooks_;
    fw::WindowOwner window_;
};

// The program's hook list: null before its first use and once the program has ended.
THookList* GlobalHookList() noexcept;
// The program's hook list, made on first use.
THookList& ObtainGlobalHookList();

}  // namespace sockmere
