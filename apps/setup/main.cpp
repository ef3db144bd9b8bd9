// setup: installs the product described by Setup.inf in the current directory into the
// emulated Windows system named by FOLIO32_WINROOT.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>

#include "platform/CodePage.h"
#include "platform/win/EmulatedWinSystem.h"
#include "setup/Install.h"

using namespace folio;

namespace {

// Messages on standard error, one per line.
class StderrSink : public MessageSink {
  public:
    MsgAnswer Show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override {
        std::string line;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                line += ' ';
                ++i;
            } else {
                line += text[i] == '\n' ? ' ' : text[i];
            }
        }
        std::cerr << Cp1252ToUtf8(line) << "\n";
        return MsgAnswer::Ok;
    }
};

std::string In(const std::string& utf8) {
    auto text = Utf8ToCp1252(utf8);
    if (!text) throw CLI::ValidationError("\"" + utf8 + "\" has characters Windows-1252 lacks");
    return *text;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Installs the product described by Setup.inf in the current directory."};
    bool unattended = false;
    std::string dest, type = "typical", folder;
    std::vector<int> select;
    app.add_flag("--unattended", unattended, "Install without the wizard, taking its defaults");
    app.add_option("--dest", dest, "Destination directory (a Windows path)");
    app.add_option("--type", type, "Installation type")
        ->check(CLI::IsMember({"typical", "minimum", "custom"}));
    app.add_option("--select", select, "Modules to tick for a custom installation (1 = top box)")
        ->delimiter(',')
        ->check(CLI::Range(1, 10));
    app.add_option("--folder", folder, "Program folder or Program Manager group");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : 2;
    }
    if (!unattended) {
        std::cerr << "setup: the installation wizard is not built yet; run setup --unattended\n";
        return 2;
    }
    if (!select.empty() && type != "custom") {
        std::cerr << "setup: --select needs --type custom\n";
        return 2;
    }

    setup::InstallChoices choices;
    try {
        // An empty --dest is an empty destination, as an emptied edit field would be.
        if (app.count("--dest")) choices.destDir = In(dest);
        if (app.count("--folder")) choices.folderName = In(folder);
    } catch (const CLI::ValidationError& e) {
        std::cerr << "setup: " << e.what() << "\n";
        return 2;
    }
    choices.installType = type == "minimum"  ? setup::kMinimum
                          : type == "custom" ? setup::kCustom
                                             : setup::kTypical;
    if (!select.empty()) {
        std::array<int, 10> ticks{};
        for (int n : select) ticks[static_cast<std::size_t>(n - 1)] = 1;
        choices.ticks = ticks;
    }

    win::WinRootSettings settings;
    std::string error;
    auto lookup = [](const char* name) -> const char* { return std::getenv(name); };
    if (!win::WinRootSettings::FromEnvironment(lookup, settings, error)) {
        std::cerr << "setup: " << error << "\n";
        return 1;
    }
    StderrSink sink;
    auto sys = win::EmulatedWinSystem::Open(settings.root, settings.kindForNew, error, &sink);
    if (!sys) {
        std::cerr << "setup: " << error << "\n";
        return 1;
    }
    setup::SetupRun run(*sys, sink);
    return run.Run(choices) == setup::InstallOutcome::Complete ? 0 : 1;
}
