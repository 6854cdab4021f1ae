#pragma once
// The application object: title, main window, message loop, pumping, the terminated flag, and
// the report that every exception caught at a window, timer, hook or thread boundary reaches.
#include <windows.h>

#include <atomic>
#include <exception>
#include <string>

#include "framework/Event.h"
#include "framework/Handles.h"

namespace fw {

class TComponent;

class TApplication {
public:
    TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    // Registers the common controls; safe to call more than once.
    void Initialize();

    void SetTitle(std::string title) { title_ = std::move(title); }

    // The main window; closing it ends the message loop. Forms set it through their own code.
    HWND MainWindow() const noexcept { return mainWindow_; }
    void SetMainWindow(HWND hwnd) noexcept { mainWindow_ = hwnd; }
    // Raised when Run enters its loop, so the main form can show itself.
    Event<> OnRun;

    // Dispatches messages until WM_QUIT.
    void Run();
    // Dispatches every pending message, then returns.
    void ProcessMessages();
    // Set once WM_QUIT has been received; read by worker threads too.
    bool Terminated() const noexcept { return terminated_.load(); }
    void Terminate();

    // Reports the exception in flight (call from a catch block) for sender.
    void HandleException(TComponent* sender) noexcept;
    // Reports an exception that another thread caught; delivered on the GUI thread.
    void PostException(TComponent* sender, std::exception_ptr error) noexcept;
    // Replaces the default report (a message box); tests use it to observe reports.
    Event<TComponent*, const std::string&> OnException;
    // The default report: an error box with the title as caption.
    void ShowException(const std::string& message);

    // A hidden top-level window owned by the application, made at the first need: it owns menus
    // and the clipboard.
    HWND UtilityWindow();

    // The text of an exception, as the report shows it.
    static std::string ExceptionMessage(std::exception_ptr error);
    // The report's text: a full stop is added when the last character sorts above '.'.
    static std::string ReportText(std::string message);

private:
    static LRESULT CALLBACK UtilityProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // A window of the application's own class, which takes the reports posted by other threads.
    HWND MakeOwnWindow(DWORD exStyle, DWORD style, HWND parent) const;
    void Report(TComponent* sender, std::exception_ptr error) noexcept;
    bool HandleMessage(MSG& msg);

    std::string title_;
    HWND mainWindow_ = nullptr;
    WindowOwner utility_;
    // Where other threads post their exceptions.
    WindowOwner postTarget_;
    DWORD guiThread_ = 0;
    std::atomic<bool> terminated_{false};
};

// The one application object of the process.
TApplication& Application();

}  // namespace fw
