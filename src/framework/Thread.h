#pragma once
// A Win32 worker thread object: a body that runs on its own thread, a terminate flag, a pause
// gate that the body passes between its passes, and optional self-destruction when it ends.
#include <windows.h>

#include <atomic>
#include <memory>

#include "framework/Handles.h"
#include "framework/Sync.h"

namespace fw {

class TThread {
public:
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // A body still running is terminated, woken and waited for (unless this is its own thread).
    virtual ~TThread();

    // Creates the OS thread and runs Execute on it; a paused body waits at its first gate.
    void Start();

    // Pausing never stops the body in the middle of a pass: it takes effect at the next gate.
    void Pause() noexcept { control_->running.Reset(); }
    void Resume() noexcept { control_->running.Set(); }
    bool Paused() const noexcept { return !control_->running.IsSet(); }

    // Asks the body to end and wakes it if paused. A free-on-terminate thread may be gone as
    // soon as the body sees the request, so this must be the caller's last use of the object;
    // the call itself touches only a block that it holds.
    void Terminate() noexcept;
    bool Terminated() const noexcept { return control_->terminated.load(); }

    // Set before Start: the object deletes itself when its body returns; nobody waits for it.
    void SetFreeOnTerminate(bool value) noexcept { freeOnTerminate_ = value; }

    // A handle of its own to the OS thread, for waiting on a free-on-terminate thread's end:
    // take it before Terminate, while the object surely exists. Empty before Start.
    HandleOwner DuplicateHandle() const noexcept;

    // Bodies started and not yet returned, process-wide: tests use it to prove no thread leaks.
    static long LiveCount() noexcept { return live_.load(); }

protected:
    explicit TThread(bool createPaused);
    // The body; an exception escaping it goes to the application's report.
    virtual void Execute() = 0;
    // The pause gate: blocks while paused; false once terminated.
    bool WaitWhilePaused() const noexcept;
    // Rests for milliseconds unless Terminate comes first (0 gives up the time slice); false
    // once terminated.
    bool Rest(DWORD milliseconds) const noexcept;

private:
    static DWORD WINAPI ThreadProc(void* param);

    // What Terminate signals, shared with the caller of Terminate so that a body freeing the
    // object under it frees none of it.
    struct Control {
        SyncEvent running{true, true};  // set while not paused
        SyncEvent stop{true, false};    // set by Terminate, so a resting body wakes at once
        std::atomic<bool> terminated{false};
    };

    std::shared_ptr<Control> control_;
    HandleOwner handle_;
    DWORD id_ = 0;
    bool freeOnTerminate_ = false;
    std::atomic<bool> finished_{false};

    static std::atomic<long> live_;
};

}  // namespace fw
