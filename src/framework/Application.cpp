#include "framework/Application.h"

#include <commctrl.h>

#include <memory>

#include "framework/ComCtrls.h"
#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/WideText.h"
#include "framework/Window.h"

namespace fw {

namespace {
constexpr UINT kPostedException = WM_APP + 1;
constexpr const char* kUtilityClass = "fw.Utility";

struct PostedException {
    TComponent* sender;
    std::exception_ptr error;
};
}  // namespace

TApplication& Application() {
    static TApplication app;
    return app;
}

TApplication::TApplication() : guiThread_(::GetCurrentThreadId()) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
    EnsureCommonControls(ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES);
    guiThread_ = ::GetCurrentThreadId();
    // Created here, on the GUI thread, so other threads can post to it from the start; a
    // message-only window, as a top-level one would cost the start a window of the display's.
    if (!postTarget_) postTarget_.Reset(MakeOwnWindow(0, 0, HWND_MESSAGE));
}

void TApplication::Run() {
    OnRun();
    MSG msg;
    while (!Terminated()) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            terminated_ = true;
            break;
        }
        HandleMessage(msg);
    }
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        HandleMessage(msg);
    }
}

bool TApplication::HandleMessage(MSG& msg) {
    // Dialog keys (Tab, Esc, Enter) work in every top-level window of ours.
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    // A form's own keys come before the focused control and the dialog keys.
    if (top && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)) {
        if (auto* form = dynamic_cast<TForm*>(TWinControl::FindControl(top))) {
            try {
                if (form->IsShortCut(msg)) return true;
            } catch (...) {
                HandleException(form);
                return true;
            }
        }
    }
    // Taken as UTF-16, so characters typed into a Unicode window reach it whole; an ANSI
    // window still gets them in its code page.
    if (top && ::IsDialogMessageW(top, &msg)) return true;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
}

void TApplication::Terminate() {
    ::PostQuitMessage(0);
}

void TApplication::HandleException(TComponent* sender) noexcept {
    Report(sender, std::current_exception());
}

void TApplication::PostException(TComponent* sender, std::exception_ptr error) noexcept {
    if (::GetCurrentThreadId() == guiThread_) {
        Report(sender, error);
        return;
    }
    auto posted = std::make_unique<PostedException>(PostedException{sender, error});
    HWND target = postTarget_.Get();
    if (target && ::PostMessageA(target, kPostedException, 0, reinterpret_cast<LPARAM>(posted.get())))
        posted.release();
}

void TApplication::Report(TComponent* sender, std::exception_ptr error) noexcept {
    try {
        std::string message = ExceptionMessage(error);
        if (OnException.Assigned())
            OnException(sender, message);
        else
            ShowException(message);
    } catch (...) {
        // A failing report must not take the message loop down with it.
    }
}

void TApplication::ShowException(const std::string& message) {
    HWND owner = ::GetActiveWindow();
    ::MessageBoxW(owner, WideFromMessage(ReportText(message)).c_str(), WideFromMessage(title_).c_str(),
                  MB_OK | MB_ICONERROR);
}

std::string TApplication::ExceptionMessage(std::exception_ptr error) {
    if (!error) return "Unknown error";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

std::string TApplication::ReportText(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    return message;
}

HWND TApplication::UtilityWindow() {
    // A hidden top-level tool window: it can own menus and become the foreground window.
    if (!utility_) utility_.Reset(MakeOwnWindow(WS_EX_TOOLWINDOW, WS_POPUP, nullptr));
    return utility_.Get();
}

HWND TApplication::MakeOwnWindow(DWORD exStyle, DWORD style, HWND parent) const {
    RegisterWindowClass(kUtilityClass, UtilityProc);
    HWND h = ::CreateWindowExA(exStyle, kUtilityClass, title_.c_str(), style, 0, 0, 0, 0, parent, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    if (!h) throw Error("Cannot create the application window");
    return h;
}

LRESULT CALLBACK TApplication::UtilityProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kPostedException) {
        std::unique_ptr<PostedException> posted(reinterpret_cast<PostedException*>(lParam));
        Application().Report(posted->sender, posted->error);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace fw
