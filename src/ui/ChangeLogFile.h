#pragma once
// The change log on disk: batches of lines appended to a file that other programs may read, move
// or delete meanwhile, with the lines kept while it cannot be written.
#include <string>
#include <string_view>

#include "ui/WatchRules.h"

namespace sockmere {

class ChangeLogFile {
public:
    explicit ChangeLogFile(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& Path() const noexcept { return path_; }

    // A line of the log, ended by CR LF, to be written with the next batch.
    void Add(std::string_view line) { queue_.Add(line); }
    // Appends every waiting line, opening and closing the file for it; a new or empty file gets
    // the byte order mark and header first. On failure the lines wait for the next batch, and the
    // first failure of a spell returns its panel text; otherwise the result is empty.
    std::string Write();

private:
    std::wstring path_;
    ChangeLogQueue queue_;
    bool failing_ = false;
};

// The local time now, as the log writes it.
std::string LogTimeNow();

}  // namespace sockmere
