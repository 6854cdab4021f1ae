// The program entry: a script's export, or the application object, its windows and the loop.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "ui/ConsoleExport.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"

namespace {

// The arguments after the program's own path, as the runtime split the command line (blanks
// separate, double quotes group), without loading the shell's library for it.
std::vector<std::string> ProgramArguments() {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // A script's export runs instead of the window, before anything of it is made.
    try {
        if (const sockmere::ExportRequest request = sockmere::ProgramExportRequest();
            request.action != sockmere::ExportAction::None)
            return sockmere::RunExport(request);
    } catch (...) {
        // Out of memory before anything was written.
        return sockmere::kExportNotWritten;
    }
    fw::TApplication& app = fw::Application();
    try {
        app.Initialize();
        app.SetTitle("Sockmere");
        // The creation handler, and with it the first refresh, runs inside this constructor;
        // only then does the window become the main form.
        auto form1 = std::make_unique<sockmere::TForm1>(nullptr, ProgramArguments());
        fw::Screen().SetMainForm(form1.get());
        auto form3 = std::make_unique<sockmere::TForm3>(nullptr, form1.get());
        form1->SetAboutWindow(form3.get());
        app.Run();
        // Forms go in the reverse order of their creation.
        form1->SetAboutWindow(nullptr);
        form3.reset();
        form1.reset();
    } catch (...) {
        app.HandleException(nullptr);
        return 1;
    }
    return 0;
}
