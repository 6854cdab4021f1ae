#include "framework/Thread.h"

#include <exception>

#include "framework/Application.h"
#include "framework/Errors.h"

namespace fw {

std::atomic<long> TThread::live_{0};

TThread::TThread(bool createPaused) : control_(std::make_shared<Control>()) {
    if (createPaused) control_->running.Reset();
}

TThread::~TThread() {
    if (handle_ && !finished_.load() && ::GetCurrentThreadId() != id_) {
        Terminate();
        ::WaitForSingleObject(handle_.Get(), INFINITE);
    }
}

void TThread::Start() {
    if (handle_) throw Error("Thread already started");
    DWORD id = 0;
    // Created suspended so that the handle and id are stored before the body can end and free us.
    HANDLE h = ::CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id);
    if (!h) throw Error(Format("Cannot create a thread (error %lu)", ::GetLastError()));
    handle_.Reset(h);
    id_ = id;
    live_.fetch_add(1);
    ::ResumeThread(h);
}

void TThread::Terminate() noexcept {
    // Copied first: from the first signal on, a self-freeing body may delete the object.
    const std::shared_ptr<Control> control = control_;
    control->terminated.store(true);
    control->stop.Set();
    control->running.Set();
}

HandleOwner TThread::DuplicateHandle() const noexcept {
    HANDLE copy = nullptr;
    if (handle_)
        ::DuplicateHandle(::GetCurrentProcess(), handle_.Get(), ::GetCurrentProcess(), &copy, SYNCHRONIZE,
                          FALSE, 0);
    return HandleOwner(copy);
}

bool TThread::Rest(DWORD milliseconds) const noexcept {
    if (milliseconds == 0) ::SwitchToThread();
    return !control_->stop.Wait(milliseconds) && !control_->terminated.load();
}

bool TThread::WaitWhilePaused() const noexcept {
    control_->running.Wait();
    return !control_->terminated.load();
}

DWORD WINAPI TThread::ThreadProc(void* param) {
    auto* self = static_cast<TThread*>(param);
    try {
        self->Execute();
    } catch (...) {
        Application().PostException(nullptr, std::current_exception());
    }
    bool selfFree = self->freeOnTerminate_;
    self->finished_.store(true);
    if (selfFree) delete self;
    live_.fetch_sub(1);
    return 0;
}

}  // namespace fw
