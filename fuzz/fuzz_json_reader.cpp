// Feeds arbitrary text to the JSON site reader. Bad input must be refused with an error message
// (never a crash, a hang or an exception); a site that reads is written as JSON again, and that
// text must read back to a site that writes the same JSON and the same .fol bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "site/SiteFile.h"
#include "site/SiteJson.h"

namespace {

using folio::SiteContents;

std::string Json(const SiteContents& site) {
    return folio::SiteToJson(site.properties, site.tree, site.destDir, site.spare);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    SiteContents first;
    std::string error;
    if (!folio::SiteFromJson(input, first, folio::fuzz::kFuzzNow, error)) {
        folio::fuzz::Check(!error.empty(), "refused without an error message");
        return 0;
    }

    const std::string written = Json(first);
    SiteContents second;
    folio::fuzz::Check(folio::SiteFromJson(written, second, folio::fuzz::kFuzzNow, error),
                       "written JSON does not read back");
    folio::fuzz::Check(second.properties == first.properties, "properties changed on re-read");
    folio::fuzz::Check(second.tree.Count() == first.tree.Count(), "item count changed on re-read");
    folio::fuzz::Check(Json(second) == written, "re-read site writes different JSON");
    folio::fuzz::Check(folio::fuzz::FolBytes(second) == folio::fuzz::FolBytes(first),
                       "re-read site writes different .fol bytes");
    return 0;
}
