// Helpers shared by the fuzz targets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "site/SiteFile.h"

namespace folio::fuzz {

// The time the targets load at: fixed, so that a banner expires the same way on every read.
inline constexpr std::int32_t kFuzzNow = 1000000000;

// An invariant of the readers and writers that the input broke: report and stop, so that
// libFuzzer saves the input and the replay program fails.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

// The site as the .fol writer stores it.
inline std::string FolBytes(const SiteContents& site) {
    return SiteToBytes(site.properties, site.tree, site.destDir, site.spare);
}

}  // namespace folio::fuzz
