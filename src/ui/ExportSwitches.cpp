#include "ui/ExportSwitches.h"

namespace sockmere {

namespace {

// The switches in the order of kForms; None for any other argument.
enum Switch { Csv, Tsv, Processes, Numeric, All, Help, None };

Switch ExportSwitch(std::string_view arg) noexcept {
    constexpr std::string_view kForms[] = {"--csv", "--tsv", "--processes", "--numeric", "--all", "--help",
                                           "/csv",  "/tsv",  "/processes",  "/numeric",  "/all",  "/?"};
    for (int i = 0; i < 12; ++i) {
        const std::string_view form = kForms[i];
        std::size_t k = 0;
        // Every form is in lower case.
        while (k < arg.size() && k < form.size() && (arg[k] >= 'A' && arg[k] <= 'Z' ? arg[k] + 0x20 : arg[k]) == form[k])
            ++k;
        if (k == arg.size() && k == form.size()) return static_cast<Switch>(i % 6);
    }
    return None;
}

}  // namespace

ExportRequest ParseExportArguments(std::span<const std::string> args) {
    ExportRequest request;
    for (const std::string& arg : args) {
        const Switch s = ExportSwitch(arg);
        if (s == Help) {
            request.action = ExportAction::Help;
            return request;
        }
        if (s != None) request.action = ExportAction::Export;
    }
    if (request.action == ExportAction::None) return request;

    const char* problem = nullptr;
    std::string_view subject;
    // A format switch without a FILE of its own decides the format of the one named.
    int bareFormat = -1;
    for (std::size_t i = 0; i < args.size() && !problem; ++i) {
        subject = args[i];
        const Switch s = ExportSwitch(subject);
        if (s == None)
            problem = subject == "-t" || subject == "-n" ? "Cannot be combined with an export" : "Unknown argument";
        if (s == Processes) request.options.processes = true;
        if (s == Numeric) request.options.numeric = true;
        if (s == All) request.options.all = true;
        if (s != Csv && s != Tsv) continue;
        // The next argument is the FILE unless it is a switch itself.
        if (i + 1 == args.size() || ExportSwitch(args[i + 1]) != None) {
            bareFormat = s;
            continue;
        }
        subject = args[++i];
        problem = !request.path.empty() ? "A second FILE" : subject.empty() ? "An empty FILE" : nullptr;
        request.path = subject;
        request.format = s == Csv ? TableFormat::Csv : TableFormat::Tsv;
    }
    if (!problem && request.path.empty()) problem = "No FILE named: give --csv FILE or --tsv FILE", subject = {};
    if (!problem) {
        if (bareFormat >= 0) request.format = bareFormat == Csv ? TableFormat::Csv : TableFormat::Tsv;
        return request;
    }
    request.action = ExportAction::Bad;
    request.error.append("Sockmere: ").append(problem);
    if (subject.data()) request.error.append(": \"").append(subject).append("\"");
    request.error.append(".\r\n");
    return request;
}

std::string_view ExportUsage() noexcept {
    return "Usage: Sockmere --csv FILE [--tsv] [--processes] [--numeric] [--all]\r\n"
           "       Sockmere --tsv FILE [--processes] [--numeric] [--all]\r\n"
           "       Sockmere --help\r\n"
           "Writes the connection table once, without a window:\r\n"
           "  --csv FILE   as CSV to FILE (- for standard output)\r\n"
           "  --tsv FILE   as tab-separated text; bare after --csv FILE, FILE so\r\n"
           "  --processes  with the PID and Process columns\r\n"
           "  --numeric    with addresses and ports as numbers\r\n"
           "  --all        with listening ports\r\n"
           "  --help, /?   shows this text\r\n"
           "Also /csv, /tsv, /processes, /numeric, /all; any letter case.\r\n"
           "Exit codes: 0 written, 1 netstat failed, 2 bad command line, 3 not written.\r\n";
}

}  // namespace sockmere
