#include "SiteInput.h"

#include "platform/CodePage.h"
#include "site/SiteJson.h"

namespace folio::cli {

std::optional<SiteFormat> SiteFormatOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    LowerAscii(ext);
    if (ext == ".json") return SiteFormat::Json;
    if (ext == ".fol") return SiteFormat::Fol;
    return std::nullopt;
}

std::string UnknownFormatMessage(const std::string& name) {
    return name + ": unknown format; the file name must end in .fol or .json";
}

bool LoadSite(const std::filesystem::path& path, SiteFormat format, SiteContents& site,
              std::int32_t now, std::string& error) {
    return format == SiteFormat::Fol ? LoadSiteFile(path, site, now, error)
                                     : LoadSiteJsonFile(path, site, now, error);
}

}  // namespace folio::cli
