// Shell link files (.lnk) in the published Shell Link binary format: the header, a link-info
// block with the target's local base path, then the description and working-directory strings
// in the ANSI code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win/WinTypes.h"

namespace folio::win {

struct ShellLinkData {
    std::string target;       // full Windows path of the target
    std::string description;  // empty: no description string
    std::string workingDir;   // empty: no working directory string
    Dword targetAttributes = 0;
    std::uint32_t targetSize = 0;
    FileTime targetCreation = 0;
    FileTime targetAccess = 0;
    FileTime targetWrite = 0;
};

std::string BuildShellLink(const ShellLinkData& link);

// Reads back a link written by BuildShellLink or any ANSI link with a local base path. On
// failure `error` says what is wrong and at which byte offset.
bool ParseShellLink(std::string_view bytes, ShellLinkData& link, std::string& error);

}  // namespace folio::win
