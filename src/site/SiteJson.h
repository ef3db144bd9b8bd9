// A site as readable JSON text (UTF-8), for tools that write and diff sites.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "site/SiteFile.h"

namespace folio {

// The whole site as a JSON document (members in a fixed order, LF line ends).
std::string SiteToJson(const CDocProperties& properties, const SiteTree& tree,
                       std::string_view destDir, std::string_view spare);

// Reads a site from JSON text into `site` (which should hold a new document's defaults and an
// empty tree). Reading is a load: the banner expiry applies at `now`. On failure returns false
// and sets `error` to "<json path>: <reason>", e.g. "items[0].children[2].stamp: ...".
bool SiteFromJson(std::string_view json, SiteContents& site, std::int32_t now,
                  std::string& error);

// File-level helpers; errors name the file.
bool LoadSiteJsonFile(const std::filesystem::path& path, SiteContents& site, std::int32_t now,
                      std::string& error);
bool SaveSiteJsonFile(const std::filesystem::path& path, const CDocProperties& properties,
                      const SiteTree& tree, std::string_view destDir, std::string_view spare,
                      std::string& error);

}  // namespace folio
