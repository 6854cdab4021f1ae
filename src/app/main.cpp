// The program entry: the application object, the main window, the About window, the loop.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"

namespace {

// The arguments after the program's own path, split as the platform splits them.
std::vector<std::string> ProgramArguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i) {
        int size = ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(size > 0 ? size - 1 : 0, '\0');
        if (size > 1) ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
        args.push_back(std::move(arg));
    }
    ::LocalFree(wide);
    return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
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
