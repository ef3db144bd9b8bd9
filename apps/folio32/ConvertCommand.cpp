// `folio32 convert IN OUT`: reads a site in the format named by IN's extension and writes it in
// the one named by OUT's. Reading is a load (expired banners are cleared); writing never leaves
// a half-written OUT.
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "Commands.h"
#include "site/Clock.h"
#include "site/SiteFile.h"
#include "site/SiteJson.h"

namespace folio::cli {
namespace {

enum class Format { Fol, Json };

// The extension in any case: the original's files are often SITE.FOL.
std::optional<Format> FormatOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (ext == ".json") return Format::Json;
    if (ext == ".fol") return Format::Fol;
    return std::nullopt;
}

struct ConvertOptions {
    std::string in;
    std::string out;
};

int RunConvert(const ConvertOptions& options) {
    const std::optional<Format> from = FormatOf(options.in);
    const std::optional<Format> to = FormatOf(options.out);
    for (const auto& [format, name] : {std::pair{from, &options.in}, std::pair{to, &options.out}}) {
        if (!format) {
            std::cerr << "folio32 convert: " << *name
                      << ": unknown format; the file name must end in .fol or .json\n"
                      << "Run with --help for more information.\n";
            return kExitUsage;
        }
    }

    SiteContents site;
    std::string error;
    const std::int32_t now = SystemClock().Now();
    const bool loaded = *from == Format::Fol ? LoadSiteFile(options.in, site, now, error)
                                             : LoadSiteJsonFile(options.in, site, now, error);
    if (!loaded) {
        std::cerr << "folio32 convert: cannot read " << error << '\n';
        return kExitFailed;
    }

    const bool saved =
        *to == Format::Fol
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
