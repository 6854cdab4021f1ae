#include "framework/Thread.h"

#include <exception>

#include "framework/Application.h"
#include "framework/Errors.h"

namespace fw {

std::atomic<long> TThread::live_{0};

TThread::TThread(bool createPaused) : running_(true, !createPaused) {}

TThread::~TThread() {
    if (handle_ && !finished_.load() && ::GetCurrentThreadId() != id_) {
        terminated_.store(true);
        running_.Set();
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
    running_.Set();
    terminated_.store(true);
}

bool TThread::WaitFor(DWORD milliseconds) const noexcept {
    if (!handle_ || freeOnTerminate_) return false;
    return ::WaitForSingleObject(handle_.Get(), milliseconds) == WAIT_OBJECT_0;
}

bool TThread::WaitWhilePaused() const noexcept {
    running_.Wait();
    return !terminated_.load();
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
