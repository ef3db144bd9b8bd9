// The folio32 program. With a subcommand it works on the command line; without one it will
// start the windowed editor, which is not part of this build yet.
#include <exception>
#include <iostream>
#include <new>
#include <vector>

#include "Commands.h"

namespace {

constexpr const char* kVersion = "Folio32 0.4b";

}  // namespace

int main(int argc, char** argv) {
    using namespace folio::cli;
    CLI::App app{"Folio32, a page generator for the World Wide Web.", "folio32"};
    app.set_version_flag("--version", kVersion, "Print the version and exit");
    app.require_subcommand(0, 1);

    const std::vector<Command> commands = {
        AddConvertCommand(app),
        AddGenerateCommand(app),
    };

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version end with status 0; everything else is a usage error.
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    try {
        for (const Command& command : commands) {
            if (command.app->parsed()) return command.run();
        }
    } catch (const std::bad_alloc&) {
        std::cerr << "folio32: not enough memory\n";
        return kExitFailed;
    } catch (const std::exception& e) {
        std::cerr << "folio32: " << e.what() << '\n';
        return kExitFailed;
    }

    std::cerr << app.help();
    return kExitUsage;
}
