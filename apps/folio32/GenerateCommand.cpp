// `folio32 generate SITE`: the "Generate HTML pages" dialog without a window. The settings the
// dialog would hold come from the options, the log goes to standard output when the run ends,
// message boxes and the progress bar go to standard error.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "Commands.h"
#include "SiteInput.h"
#include "TerminalUi.h"
#include "generator/GenFiles.h"
#include "generator/Generator.h"
#include "site/Clock.h"

namespace folio::cli {
namespace {

struct GenerateOptions {
    std::string site;
    std::string dest;
    bool destGiven = false;
    bool html = false;
    bool keepCase = false;
    std::string resources;
    bool quiet = false;
};

// The run never creates its destination. A directory named on the command line is created
// here, the way a user of this platform expects; a path with a drive letter names nothing on
// this host and is left for the run to report.
void CreateDestination(const std::string& dest) {
    if (dest.empty() || GenFiles::HasDriveLetter(dest)) return;
    std::string host = dest;
    for (char& c : host) {
        if (c == '\\') c = '/';
    }
    std::error_code ec;
    std::filesystem::create_directories(host, ec);
    if (ec) {
        std::cerr << "folio32 generate: cannot create " << dest << ": " << ec.message() << '\n';
    }
}

int RunGenerate(const GenerateOptions& options) {
    const std::optional<SiteFormat> format = SiteFormatOf(options.site);
    if (!format) {
        std::cerr << "folio32 generate: " << UnknownFormatMessage(options.site) << '\n'
                  << "Run with --help for more information.\n";
        return kExitUsage;
    }
    SiteContents site;
    std::string error;
    if (!LoadSite(options.site, *format, site, SystemClock().Now(), error)) {
        std::cerr << "folio32 generate: cannot read " << error << '\n';
        return kExitUsage;
    }

    CGenerateDlg settings;
    settings.m_strDestDir = options.destGiven ? options.dest : site.destDir;
    settings.m_strSpare = site.spare;
    settings.m_bLowercase = options.keepCase ? 0 : 1;
    settings.m_nFileType = options.html ? 1 : 0;
    if (options.destGiven) CreateDestination(options.dest);

    const bool interactive = StderrIsInteractive(options.quiet);
    TerminalReporter reporter(stderr, interactive);
    TerminalMessages messages(stderr, interactive, &reporter);
    const GenFiles files(options.resources);
    GeneratorProgram program;
    PageGenerator generator(
        {site.tree, site.properties, settings, files, reporter, messages, program});
    const GenerateResult result = generator.OnDogenerte();
    reporter.Clear();

    const std::string log = LogWithLfLineEnds(reporter.Log());
    std::fwrite(log.data(), 1, log.size(), stdout);
    std::fflush(stdout);
    return result == GenerateResult::Done ? kExitOk : kExitFailed;
}

}  // namespace

Command AddGenerateCommand(CLI::App& parent) {
    auto options = std::make_shared<GenerateOptions>();
    CLI::App* app = parent.add_subcommand(
        "generate",
        "Generate the HTML pages of a site into its destination directory and copy the "
        "pictures they use; the log goes to standard output, messages to standard error. "
        "Exit status 0 when done, 1 when the run was aborted, 2 for a usage error or a site "
        "that cannot be read");
    app->add_option("SITE", options->site, "The site to generate (.fol or .json)")->required();
    CLI::Option* dest = app->add_option(
        "--dest", options->dest,
        "Generate into DIR instead of the site's destination directory (the site is not "
        "changed); DIR is created when it does not exist");
    dest->type_name("DIR");
    app->add_flag("--html", options->html, "Name the pages .html instead of .htm");
    app->add_flag("--keep-case", options->keepCase,
                  "Keep the case of file names and references (they are lowercased by default)");
    app->add_option("--resources", options->resources,
                    "The folder that holds templates, images, lineimages, background and "
                    "bullets (default: the current directory)")
        ->type_name("DIR")
        ->check(CLI::ExistingDirectory);
    app->add_flag("--quiet", options->quiet, "Show no progress bar and do not beep");
    return {app, [options, dest] {
                options->destGiven = dest->count() > 0;
                return RunGenerate(*options);
            }};
}

}  // namespace folio::cli
