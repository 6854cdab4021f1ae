#pragma once
// A thread that carries out one request at a time and waits between them: the requesting thread
// hands a job over and goes on, and takes the job's result once it is done.
#include <windows.h>

#include "framework/Sync.h"
#include "framework/Thread.h"

namespace fw {

class TRequestThread final : private TThread {
public:
    // A job runs on the thread with the context it was requested with; cancel is set when the
    // job is to stop at once. Whatever it writes is the thread's own until Finish returns.
    using Job = void (*)(void* context, HANDLE cancel);

    // Starts the thread; when notify is given, message is posted to it at the end of each job.
    explicit TRequestThread(HWND notify = nullptr, UINT message = 0);
    // Cancels a running job and waits for the thread to end.
    ~TRequestThread() override;

    // Runs job; one at a time, so a request not yet finished is waited for first.
    void Request(Job job, void* context);
    // Sets the running job's cancel; it still ends, and posts, as usual.
    void Cancel() noexcept { cancel_.Set(); }
    // Requested and not yet finished.
    bool Busy() const noexcept { return busy_; }
    // Waits for the end of the job requested last; false when none is outstanding.
    bool Finish();

private:
    void Execute() override;

    HWND notify_;
    UINT message_;
    SyncEvent request_{false, false};
    SyncEvent done_{false, false};
    SyncEvent cancel_{true, false};
    bool busy_ = false;  // only the requesting thread looks
    Job job_ = nullptr;  // with context_, the thread's own from a request until done_ is set
    void* context_ = nullptr;
};

}  // namespace fw
