// A site as readable JSON text (UTF-8), for tools that write and diff sites.
//
// The document is one object with the members "properties" (the document defaults), "items"
// (the top-level items in order, each with its "children") and "generate" (destination
// directory and spare string). Strings are the site's Windows-1252 bytes as UTF-8, colours
// unsigned 32-bit numbers, style words, kinds, expiry days and stamps signed 32-bit numbers,
// flags booleans. Every member is written, always in the same order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "site/SiteFile.h"

namespace folio {

// Writes the site as JSON (2-space indent, LF line ends, a final LF) to `sink` in blocks.
// Indentation stops growing below a fixed nesting level, so that a very deep site stays a
// file of reasonable size.
void WriteSiteJson(const std::function<void(std::string_view)>& sink,
                   const CDocProperties& properties, const SiteTree& tree, std::string_view destDir,
                   std::string_view spare);

// The whole site as one JSON text.
std::string SiteToJson(const CDocProperties& properties, const SiteTree& tree,
                       std::string_view destDir, std::string_view spare);

// Reads a site from JSON text into `site`, whose tree should be empty; its properties and
// generate settings are replaced. Members missing from "properties" and "generate" take a new
// document's values, members missing from an item or its "info" the values of an object of
// that kind inserted into the document (stamp 0, no children, an empty tag). Reading is a load: the
// banner expiry applies at `now`. On failure returns false, sets `error` to
// "<json path>: <reason>" (for example "items[0].children[2].stamp: expected an integer from
// -2147483648 to 2147483647") and leaves `site` partly filled, to be thrown away.
bool SiteFromJson(std::string_view json, SiteContents& site, std::int32_t now, std::string& error);

// File-level helpers; errors name the file. Saving goes through a temporary file, so a failed
// save leaves the previous file as it was.
bool LoadSiteJsonFile(const std::filesystem::path& path, SiteContents& site, std::int32_t now,
                      std::string& error);
bool SaveSiteJsonFile(const std::filesystem::path& path, const CDocProperties& properties,
                      const SiteTree& tree, std::string_view destDir, std::string_view spare,
                      std::string& error);

}  // namespace folio
