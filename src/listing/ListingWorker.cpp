#include "listing/ListingWorker.h"

#include <utility>

namespace sockmere {

ListingWorker::ListingWorker(HWND notify, UINT message) : fw::TThread(false), notify_(notify), message_(message) {
    Start();
}

ListingWorker::~ListingWorker() {
    // The body uses the members: it must be gone before they are.
    const fw::HandleOwner thread = DuplicateHandle();
    cancel_.Set();
    Terminate();
    request_.Set();
    ::WaitForSingleObject(thread.Get(), INFINITE);
}

void ListingWorker::Request(ListingOptions options) {
    if (busy_) done_.Wait();
    busy_ = true;
    options_ = options;
    cancel_.Reset();
    request_.Set();
}

ListingCapture ListingWorker::Take() {
    if (!busy_) return {};
    done_.Wait();
    busy_ = false;
    return std::move(capture_);
}

void ListingWorker::Execute() {
    for (;;) {
        request_.Wait();
        if (Terminated()) return;
        // A failure counts as a command that could not start, rather than reaching the report from here.
        try {
            ListingCapture capture;
            StringTarget target(capture.text);
            capture.run = RunListing(options_, target, cancel_.Handle());
            capture.owners = options_.processes && !capture.run.withoutProcesses;
            // Right after the command, so that the IDs it printed still name the programs they meant.
            if (capture.owners && !capture.run.cancelled) capture.names = ProcessNames::Snapshot(target.StartedAt());
            capture_ = std::move(capture);
        } catch (...) {
            capture_ = {};
            capture_.run.started = false;
        }
        done_.Set();
        ::PostMessageA(notify_, message_, 0, 0);
    }
}

}  // namespace sockmere
