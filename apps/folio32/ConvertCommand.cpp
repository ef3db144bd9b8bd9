// `folio32 convert IN OUT`: reads a site in the format named by IN's extension and writes it in
// the one named by OUT's. Reading is a load (expired banners are cleared); writing never leaves
// a half-written OUT.
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "Commands.h"
#include "SiteInput.h"
#include "site/Clock.h"
#include "site/SiteFile.h"
#include "site/SiteJson.h"

namespace folio::cli {
namespace {

struct ConvertOptions {
    std::string in;
    std::string out;
};

int RunConvert(const ConvertOptions& options) {
    const std::optional<SiteFormat> from = SiteFormatOf(options.in);
    const std::optional<SiteFormat> to = SiteFormatOf(options.out);
    for (const auto& [format, name] : {std::pair{from, &options.in}, std::pair{to, &options.out}}) {
        if (!format) {
            std::cerr << "folio32 convert: " << UnknownFormatMessage(*name) << '\n'
                      << "Run with --help for more information.\n";
            return kExitUsage;
        }
    }

    SiteContents site;
    std::string error;
    const std::int32_t now = SystemClock().Now();
    if (!LoadSite(options.in, *from, site, now, error)) {
        std::cerr << "folio32 convert: cannot read " << error << '\n';
        return kExitFailed;
    }

    const bool saved =
        *to == SiteFormat::Fol
            ? SaveSiteFile(options.out, site.properties, site.tree, site.destDir, site.spare, error)
            : SaveSiteJsonFile(options.out, site.properties, site.tree, site.destDir, site.spare,
                               error);
    if (!saved) {
        std::cerr << "folio32 convert: cannot write " << error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

Command AddConvertCommand(CLI::App& parent) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* app = parent.add_subcommand(
        "convert",
        "Convert a site between a site document (.fol) and JSON (.json), as the file names "
        "say; the same format on both sides saves the site again");
    app->add_option("IN", options->in, "The site to read (.fol or .json)")->required();
    app->add_option("OUT", options->out, "The file to write (.fol or .json)")->required();
    return {app, [options] { return RunConvert(*options); }};
}

}  // namespace folio::cli
