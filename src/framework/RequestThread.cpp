#include "framework/RequestThread.h"

namespace fw {

TRequestThread::TRequestThread(HWND notify, UINT message) : TThread(false), notify_(notify), message_(message) {
    Start();
}

TRequestThread::~TRequestThread() {
    // The body uses the members: it must be gone before they are.
    const HandleOwner thread = DuplicateHandle();
    cancel_.Set();
    Terminate();
    request_.Set();
    ::WaitForSingleObject(thread.Get(), INFINITE);
}

void TRequestThread::Request(Job job, void* context) {
    Finish();
    busy_ = true;
    job_ = job;
    context_ = context;
    cancel_.Reset();
    request_.Set();
}

bool TRequestThread::Finish() {
    if (!busy_) return false;
    done_.Wait();
    busy_ = false;
    return true;
}

void TRequestThread::Execute() {
    for (;;) {
        request_.Wait();
        if (Terminated()) return;
        // A job reports its own failures; one it did not catch must not end the thread.
        try {
            job_(context_, cancel_.Handle());
        } catch (...) {
        }
        done_.Set();
        if (notify_) ::PostMessageA(notify_, message_, 0, 0);
    }
}

}  // namespace fw
