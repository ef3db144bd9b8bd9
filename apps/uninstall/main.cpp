// uninstall [LOGPATH]: removes an installation by replaying its uninstall log in the emulated
// Windows system named by FOLIO32_WINROOT. LOGPATH is a Windows path of that system, or a path
// of the host. An argument that begins with "/" is an option (all are unknown, as they always
// were) unless it holds a second "/": then it is an absolute host path.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/CodePage.h"
#include "platform/win/EmulatedWinSystem.h"
#include "uninstall/Uninstaller.h"

using namespace folio;
namespace fs = std::filesystem;

namespace {

class StdConsole : public uninstall::Console {
  public:
    void Write(std::string_view text) override { std::cout << Cp1252ToUtf8(text) << std::flush; }
    int ReadChar() override {
        const int c = std::getchar();
        return c == EOF ? -1 : c;
    }
    void DiscardInput() override {
        int c;
        do {
            c = std::getchar();
        } while (c != EOF && c != '\n');
    }
};

class StderrSink : public MessageSink {
  public:
    MsgAnswer Show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override {
        std::cerr << "uninstall: " << Cp1252ToUtf8(text) << "\n";
        return MsgAnswer::Ok;
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        auto text = Utf8ToCp1252(argv[i]);
        if (!text) {
            // No log can have such a name: it cannot be opened.
            std::cerr << "uninstall: \"" << argv[i] << "\" has characters Windows-1252 lacks\n";
            return uninstall::kExitNoLog;
        }
        args.push_back(*text);
    }
    uninstall::UninstallArguments parsed = uninstall::ParseUninstallArguments(args);

    win::WinRootSettings settings;
    std::string error;
    auto lookup = [](const char* name) -> const char* { return std::getenv(name); };
    if (!win::WinRootSettings::FromEnvironment(lookup, settings, error)) {
        std::cerr << "uninstall: " << error << "\n";
        return 1;
    }
    StderrSink sink;
    auto sys = win::EmulatedWinSystem::Open(settings.root, settings.kindForNew, error, &sink);
    if (!sys) {
        std::cerr << "uninstall: " << error << "\n";
        return 1;
    }
    if (parsed.hostPath) {
        const auto win = sys->WindowsPath(fs::path(Cp1252ToUtf8(parsed.logPath)));
        if (win) parsed.windowsPath = *win;
    }
    // Like any running program, this one cannot be deleted while it runs when it was started
    // from inside the system (as Add/Remove Programs starts Uninstall.exe).
    std::error_code ec;
    std::optional<std::string> self;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) self = sys->WindowsPath(exe);
    const bool inside = self && self->size() > 2 && (*self)[0] == 'C' && (*self)[1] == ':';
    if (inside) sys->SetFileInUse(*self, true);
    StdConsole console;
    const int rc = uninstall::RunUninstall(*sys, console, parsed);
    if (inside) sys->SetFileInUse(*self, false);
    return rc;
}
