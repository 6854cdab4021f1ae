// Stand-in for the system's netstat in tests and benchmarks, driven by environment variables.
// What it prints; the first one set in this order wins, with none set nothing is printed:
//   SOCKMERE_FAKE_FILE=path      print that file byte for byte
//   SOCKMERE_FAKE_ROWS=N         print the four header lines and N generated connection rows
//   SOCKMERE_FAKE_BYTES=N        print exactly N bytes of printable text in CR LF lines
//   SOCKMERE_FAKE_ZERO=k         print k bytes as SOCKMERE_FAKE_BYTES, a zero byte, then more text
// How it behaves:
//   SOCKMERE_FAKE_DELAY_MS=ms    wait that long before printing (a long wait is a hang)
//   SOCKMERE_FAKE_TRICKLE_MS=ms  write each line on its own, that long after the one before
//   SOCKMERE_FAKE_LINGER_MS=ms   after printing, wait that long, silent, before ending
//   SOCKMERE_FAKE_LAST_GATE=name print all but the last line, wait until the named event is set
//                                (not at all when there is none), then write it and end at once
//   SOCKMERE_FAKE_GRANDCHILD=path
//                                first start a copy that inherits the output and lives 30 s
//                                without writing, and put its process id into that file
//   SOCKMERE_FAKE_EXIT=code      exit with that code (default 0)
//   SOCKMERE_FAKE_ARGS_FILE=path append the command-line arguments as one line to that file
//   SOCKMERE_FAKE_COUNTER=path   count the runs in that file: with SOCKMERE_FAKE_ROWS, run k
//                                leaves out the first k % 100 rows and prints as many more at
//                                the end, as connections come and go
// A helper:
//   --hold                       stay 30 s, silent, or SOCKMERE_FAKE_HOLD_MS=ms that long
//   --connect path               make a loopback TCP connection to itself, write its client's
//                                local and remote ports to that file, then keep it as long as
//                                --hold stays
// Owning processes:
//   -o (an argument)             end each generated row with an owning process ID, as netstat -o
//                                does: in turn the parent's, the system's (0, 4 and services.exe's)
//                                and one that no process has (kMissingPid or the next free odd one)
//   SOCKMERE_FAKE_NO_OWNERS=1    know no -o, as Wine's netstat: with it, print nothing and exit
//                                with 1
//   SOCKMERE_FAKE_NO_OWNERS=usage
//                                know no -o, as older netstats: with it, print the usage text on
//                                standard error and exit with 1
#include <winsock2.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kFlushSize = 1 << 20;
// The grandchild's only argument; tests end it, else it goes by itself.
constexpr const char* kHoldSwitch = "--hold";
constexpr DWORD kHoldMs = 30000;

std::optional<std::string> Env(const char* name) {
    char small[512];
    DWORD n = GetEnvironmentVariableA(name, small, sizeof small);
    if (n == 0) return std::nullopt;
    if (n < sizeof small) return std::string(small, n);
    std::string value(n, '\0');
    n = GetEnvironmentVariableA(name, value.data(), n);
    value.resize(n);
    return value;
}

std::optional<unsigned long long> EnvNumber(const char* name) {
    const auto text = Env(name);
    if (!text) return std::nullopt;
    return std::strtoull(text->c_str(), nullptr, 10);
}

// Buffers output and writes it in large pieces; stops quietly once the reader is gone.
class Output {
public:
    explicit Output(DWORD trickleMs) : handle_(GetStdHandle(STD_OUTPUT_HANDLE)), trickleMs_(trickleMs) {
        buffer_.reserve(kFlushSize + 4096);
    }
    ~Output() { Flush(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void Put(std::string_view text) {
        while (trickleMs_ > 0 && !text.empty()) {
            const std::size_t end = std::min(text.find('\n'), text.size() - 1) + 1;
            Sleep(trickleMs_);
            WriteAll(text.data(), end);
            text.remove_prefix(end);
        }
        buffer_.append(text);
        if (buffer_.size() >= kFlushSize) Flush();
    }

    void Flush() {
        WriteAll(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

    // Writes all but the buffered last line, waits for the gate event, then writes that line.
    void FlushLastLineAfter(const std::string& gate) {
        std::size_t head = 0;
        if (buffer_.size() >= 2) {
            const std::size_t feed = buffer_.rfind('\n', buffer_.size() - 2);
            if (feed != std::string::npos) head = feed + 1;
        }
        WriteAll(buffer_.data(), head);
        buffer_.erase(0, head);
        if (const HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, gate.c_str())) {
            WaitForSingleObject(event, 10000);
            CloseHandle(event);
        }
        Flush();
    }

    void WriteAll(const char* data, std::size_t size) {
        if (broken_ || handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return;
        while (size > 0) {
            DWORD written = 0;
            const DWORD piece = size > kFlushSize ? static_cast<DWORD>(kFlushSize) : static_cast<DWORD>(size);
            if (!WriteFile(handle_, data, piece, &written, nullptr)) {
                broken_ = true;
                return;
            }
            data += written;
            size -= written;
        }
    }

private:
    HANDLE handle_;
    DWORD trickleMs_;
    std::string buffer_;
    bool broken_ = false;
};

void PrintFile(Output& out, const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    out.Flush();
    const auto chunk = std::make_unique<char[]>(kFlushSize);
    DWORD got = 0;
    while (ReadFile(file, chunk.get(), kFlushSize, &got, nullptr) && got > 0) out.WriteAll(chunk.get(), got);
    CloseHandle(file);
}

// Exactly count bytes: 64-byte lines of a numbered, position-dependent printable pattern.
void PrintBytes(Output& out, unsigned long long count) {
    char line[64];
    for (unsigned long long index = 0; count > 0; ++index) {
        std::snprintf(line, sizeof line, "%08llu ", index % 100000000ULL);
        for (int j = 9; j < 62; ++j) line[j] = static_cast<char>(33 + (index * 7 + j * 13) % 94);
        line[62] = '\r';
        line[63] = '\n';
        const std::size_t take = count < sizeof line ? static_cast<std::size_t>(count) : sizeof line;
        out.Put(std::string_view(line, take));
        count -= take;
    }
}

// Deterministic pseudo-random numbers, so every run prints the same rows.
class Random {
public:
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    std::uint32_t Below(std::uint32_t n) { return Next() % n; }

private:
    std::uint32_t state_ = 2463534242u;
};

std::string Ipv4(Random& r) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", 10 + r.Below(200), r.Below(256), r.Below(256),
                  1 + r.Below(254));
    return text;
}

std::string Ipv6(Random& r, bool zone) {
    char text[64];
    if (zone) {
        std::snprintf(text, sizeof text, "[fe80::%x:%x:%x%%%u]", r.Below(0x10000), r.Below(0x10000),
                      r.Below(0x10000), 1 + r.Below(24));
    } else {
        std::snprintf(text, sizeof text, "[2001:db8:%x::%x]", r.Below(0x10000), 1 + r.Below(0xffff));
    }
    return text;
}

std::string Endpoint(const std::string& address, unsigned port) {
    return address + ':' + std::to_string(port);
}

constexpr const char* kStates[] = {"ESTABLISHED", "CLOSED",   "LISTENING",  "SYN_SENT",
                                   "SYN_RECEIVED", "CLOSE_WAIT", "FIN_WAIT_1", "CLOSING",
                                   "LAST_ACK",    "FIN_WAIT_2", "TIME_WAIT"};
constexpr const char* kHosts[] = {"server.example.com", "mail.example.org", "cdn-42.example.net",
                                  "localhost", "build-07.corp.example"};
constexpr const char* kServices[] = {"https", "http", "imaps", "ssh", "microsoft-ds"};

// The IDs that -o puts at the ends of the rows, in turn.
class OwnerColumn {
public:
    // Odd, so never a Windows process ID, which are multiples of four.
    static constexpr DWORD kMissingPid = 99999;

    OwnerColumn() {
        DWORD parent = 0, services = 0;
        std::vector<DWORD> running;
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            running.push_back(entry.th32ProcessID);
            if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
            if (lstrcmpiA(entry.szExeFile, "services.exe") == 0) services = entry.th32ProcessID;
        }
        if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
        DWORD missing = kMissingPid;
        while (std::find(running.begin(), running.end(), missing) != running.end()) missing += 2;
        pids_ = {parent, 0, 4, services, missing};
    }

    DWORD Next() { return pids_[next_++ % pids_.size()]; }

private:
    std::vector<DWORD> pids_;
    std::size_t next_ = 0;
};

// Set while generated rows are to end with their owners.
OwnerColumn* g_owners = nullptr;

// Rows before this one are made but not printed.
unsigned long long g_firstRow = 0;
unsigned long long g_row = 0;

void PutRow(Output& out, const char* protocol, const std::string& local, const std::string& remote,
            const char* state) {
    if (g_row++ < g_firstRow) return;
    char line[256];
    // Columns as netstat aligns them, with at least one blank after a long address.
    if (g_owners) {
        std::snprintf(line, sizeof line, "  %-7s%-22s %-22s %-15s %lu\r\n", protocol, local.c_str(),
                      remote.c_str(), state, g_owners->Next());
        out.Put(line);
        return;
    }
    std::snprintf(line, sizeof line, "  %-7s%-22s %-22s %s\r\n", protocol, local.c_str(),
                  remote.c_str(), state);
    out.Put(line);
}

// What a netstat prints when given a switch it does not know.
constexpr char kUsage[] =
    "\r\nLists the protocol statistics and the current TCP/IP connections.\r\n\r\n"
    "NETSTAT [-a] [-e] [-n] [-s] [-p proto] [-r] [interval]\r\n\r\n"
    "  -a            Lists every connection and listening port.\r\n"
    "  -e            Lists the Ethernet statistics.\r\n"
    "  -n            Lists addresses and ports as numbers.\r\n"
    "  -p proto      Lists the connections of one protocol, TCP or UDP.\r\n"
    "  -r            Lists the routing table.\r\n"
    "  interval      Lists again every interval seconds.\r\n";

bool HasArgument(int argc, char** argv, std::string_view wanted) {
    for (int i = 1; i < argc; ++i)
        if (wanted == argv[i]) return true;
    return false;
}

void PrintRows(Output& out, unsigned long long count) {
    out.Put("\r\nActive Connections\r\n\r\n"
            "  Proto  Local Address          Foreign Address        State\r\n");
    Random r;
    for (unsigned long long i = 0; i < g_firstRow + count; ++i) {
        const unsigned ephemeral = 49152 + r.Below(16384);
        const unsigned service = r.Below(2) ? 443 : 1 + r.Below(1024);
        const char* state = kStates[r.Below(11)];
        switch (i % 8) {
        case 0:
        case 1:
            PutRow(out, "TCP", Endpoint(Ipv4(r), ephemeral), Endpoint(Ipv4(r), service), state);
            break;
        case 2:
            PutRow(out, "TCP", Endpoint("0.0.0.0", service), "0.0.0.0:0", "LISTENING");
            break;
        case 3:
            PutRow(out, "TCP", Endpoint(Ipv6(r, false), ephemeral), Endpoint(Ipv6(r, false), service), state);
            break;
        case 4:
            PutRow(out, "TCP", Endpoint(Ipv6(r, true), ephemeral), Endpoint(Ipv6(r, true), service), state);
            break;
        case 5:
            PutRow(out, "TCP", "[::]:" + std::to_string(service), "[::]:0", "LISTENING");
            break;
        case 6:
            PutRow(out, "UDP", Endpoint(Ipv4(r), service), "*:*", "");
            break;
        default:
            PutRow(out, "TCP", "mybox:" + std::to_string(ephemeral),
                   std::string(kHosts[r.Below(5)]) + ':' + kServices[r.Below(5)], state);
            break;
        }
    }
}

// A copy of this program that shares our output and outlives us, writing nothing.
void StartGrandchild(const std::string& pidFile) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" " + kHoldSwitch;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &info)) {
        return;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const std::string pid = std::to_string(info.dwProcessId);
    const HANDLE file = CreateFileA(pidFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
    CloseHandle(file);
}

// The number in the file, which is then one more.
unsigned long long CountRun(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    char text[24] = {};
    DWORD size = 0;
    ReadFile(file, text, sizeof text - 1, &size, nullptr);
    const unsigned long long runs = std::strtoull(text, nullptr, 10);
    const std::string next = std::to_string(runs + 1);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    WriteFile(file, next.data(), static_cast<DWORD>(next.size()), &size, nullptr);
    SetEndOfFile(file);
    CloseHandle(file);
    return runs;
}

void AppendArguments(const std::string& path, int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    line += "\r\n";
    const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

// Listens on a free loopback port and connects to it; the three sockets stay open until the end.
int HoldConnection(const char* path) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 2;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 3;
    SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 4;
    SOCKET server = accept(listener, nullptr, nullptr);
    sockaddr_in local{};
    size = sizeof local;
    getsockname(client, reinterpret_cast<sockaddr*>(&local), &size);
    const std::string ports = std::to_string(ntohs(local.sin_port)) + " " + std::to_string(ntohs(address.sin_port));
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, ports.data(), static_cast<DWORD>(ports.size()), &written, nullptr);
    CloseHandle(file);
    Sleep(static_cast<DWORD>(EnvNumber("SOCKMERE_FAKE_HOLD_MS").value_or(kHoldMs)));
    closesocket(server);
    closesocket(client);
    closesocket(listener);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--connect") return HoldConnection(argv[2]);
    if (argc == 2 && std::string_view(argv[1]) == kHoldSwitch) {
        Sleep(static_cast<DWORD>(EnvNumber("SOCKMERE_FAKE_HOLD_MS").value_or(kHoldMs)));
        return 0;
    }
    if (const auto path = Env("SOCKMERE_FAKE_ARGS_FILE")) AppendArguments(*path, argc, argv);
    if (const auto path = Env("SOCKMERE_FAKE_COUNTER")) g_firstRow = CountRun(*path) % 100;
    std::optional<OwnerColumn> owners;
    if (HasArgument(argc, argv, "-o")) {
        if (const auto refuse = Env("SOCKMERE_FAKE_NO_OWNERS")) {
            DWORD written = 0;
            if (*refuse == "usage")
                WriteFile(GetStdHandle(STD_ERROR_HANDLE), kUsage, sizeof kUsage - 1, &written, nullptr);
            return 1;
        }
        g_owners = &owners.emplace();
    }
    if (const auto path = Env("SOCKMERE_FAKE_GRANDCHILD")) StartGrandchild(*path);
    if (const auto delay = EnvNumber("SOCKMERE_FAKE_DELAY_MS")) Sleep(static_cast<DWORD>(*delay));
    {
        Output out(static_cast<DWORD>(EnvNumber("SOCKMERE_FAKE_TRICKLE_MS").value_or(0)));
        if (const auto path = Env("SOCKMERE_FAKE_FILE")) {
            PrintFile(out, *path);
        } else if (const auto rows = EnvNumber("SOCKMERE_FAKE_ROWS")) {
            PrintRows(out, *rows);
        } else if (const auto bytes = EnvNumber("SOCKMERE_FAKE_BYTES")) {
            PrintBytes(out, *bytes);
        } else if (const auto zero = EnvNumber("SOCKMERE_FAKE_ZERO")) {
            PrintBytes(out, *zero);
            out.Put(std::string_view("\0", 1));
            out.Put("text after the zero byte\r\nthat must not arrive\r\n");
        }
        if (const auto gate = Env("SOCKMERE_FAKE_LAST_GATE")) out.FlushLastLineAfter(*gate);
    }
    if (const auto linger = EnvNumber("SOCKMERE_FAKE_LINGER_MS")) Sleep(static_cast<DWORD>(*linger));
    const auto code = Env("SOCKMERE_FAKE_EXIT");
    return code ? static_cast<int>(std::strtol(code->c_str(), nullptr, 10)) : 0;
}
