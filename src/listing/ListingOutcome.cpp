#include "listing/ListingOutcome.h"

#include "listing/TextOps.h"

namespace sockmere {
namespace {

using text::IsBlank;

// Lines are looked at through pointers: nothing here can throw.
const char* SkipBlanks(const char* at, const char* end) {
    while (at < end && IsBlank(*at)) ++at;
    return at;
}

const char* WordEnd(const char* at, const char* end) {
    while (at < end && !IsBlank(*at)) ++at;
    return at;
}

char Lower(char c) { return static_cast<char>(c | 0x20); }

// A protocol that netstat names, TCP or UDP (the one part of a row no translation changes),
// then an address with its port after a colon.
bool IsConnectionRow(const char* line, const char* end) {
    const char* wordEnd = WordEnd(line, end);
    if (wordEnd - line < 3 || Lower(line[2]) != 'p') return false;
    const char first = Lower(line[0]), second = Lower(line[1]);
    if (!(first == 't' && second == 'c') && !(first == 'u' && second == 'd')) return false;
    const char* address = SkipBlanks(wordEnd, end);
    for (const char* addressEnd = WordEnd(address, end); address < addressEnd; ++address)
        if (*address == ':') return true;
    return false;
}

// A syntax line lists the switches in brackets, "[-a]"; no address starts with "[-".
bool IsUsageLine(const char* line, const char* end) {
    for (; end - line >= 3; ++line) {
        const char letter = Lower(line[2]);
        if (line[0] == '[' && line[1] == '-' && letter >= 'a' && letter <= 'z') return true;
    }
    return false;
}

}  // namespace

bool ShowsNoConnection(std::string_view text) {
    bool usage = text.empty();
    const char* const end = text.data() + text.size();
    // Lines end in LF; a CR before it counts as a blank.
    for (const char* at = text.data(); at < end;) {
        const char* lineEnd = at;
        while (lineEnd < end && *lineEnd != '\n') ++lineEnd;
        const char* line = SkipBlanks(at, lineEnd);
        if (IsConnectionRow(line, lineEnd)) return false;
        usage = usage || IsUsageLine(line, lineEnd);
        at = lineEnd + 1;
    }
    return usage;
}

bool RerunWithoutOwners(const ListingRun& run) {
    return run.started && !run.cancelled && !run.silenced && run.exitCode != 0 && run.printedNothing;
}

}  // namespace sockmere
