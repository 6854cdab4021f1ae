#include "listing/ListingWorker.h"

#include <utility>

namespace sockmere {

void ListingWorker::Request(ListingOptions options) {
    thread_.Finish();
    options_ = options;
    thread_.Request(&ListingWorker::Run, this);
}

void ListingWorker::Run(void* self, HANDLE cancel) {
    auto& worker = *static_cast<ListingWorker*>(self);
    const ListingOptions options = worker.options_;
    // A failure counts as a command that could not start, rather than reaching the report from here.
    try {
        ListingCapture capture;
        StringTarget target(capture.text);
        capture.run = RunListing(options, target, cancel);
        capture.owners = options.processes && !capture.run.withoutProcesses;
        // Right after the command, so that the IDs it printed still name the programs they meant.
        if (capture.owners && !capture.run.cancelled) capture.names = ProcessNames::Snapshot(target.StartedAt());
        worker.capture_ = std::move(capture);
    } catch (...) {
        worker.capture_ = {};
        worker.capture_.run.started = false;
    }
}

ListingCapture ListingWorker::Take() {
    if (!thread_.Finish()) return {};
    return std::move(capture_);
}

}  // namespace sockmere
