// Reading the site that a command works on: a .fol site document or a .json site, chosen by the
// file name's extension in any case (the original's files are often SITE.FOL).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "site/SiteFile.h"

namespace folio::cli {

enum class SiteFormat { Fol, Json };

std::optional<SiteFormat> SiteFormatOf(const std::filesystem::path& path);

// The message for a file name whose extension names no format, without the program's prefix.
std::string UnknownFormatMessage(const std::string& name);

// Loads `path` in `format` (a load: banners expired at `now` are cleared). On failure `error`
// names the file and the place.
bool LoadSite(const std::filesystem::path& path, SiteFormat format, SiteContents& site,
              std::int32_t now, std::string& error);

}  // namespace folio::cli
