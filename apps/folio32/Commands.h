// The subcommands of the folio32 command line. Each lives in a file of its own and registers
// itself on the application; main() parses the command line and runs the one that was given.
#pragma once

#include <functional>
#include <utility>

#include <CLI/CLI.hpp>

namespace folio::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
// kExitFailed: an input that cannot be read or is invalid, a failed save, an aborted generation.
inline constexpr int kExitFailed = 1;
// kExitUsage: a command line that does not make sense (and for generate, a site that cannot be
// read: its run never started).
inline constexpr int kExitUsage = 2;

// A registered subcommand and what runs it once the command line has been parsed.
struct Command {
    CLI::App* app = nullptr;
    std::function<int()> run;
};

// `folio32 convert IN OUT`: converts a site between a .fol site document and JSON.
Command AddConvertCommand(CLI::App& parent);

// `folio32 generate SITE [--dest DIR] [--html] [--keep-case] [--resources DIR] [--quiet]`:
// generates a site's pages without a window.
Command AddGenerateCommand(CLI::App& parent);

}  // namespace folio::cli
