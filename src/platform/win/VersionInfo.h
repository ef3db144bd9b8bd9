// Version resources of program files (PE32 and PE32+ images).
#pragma once

#include <string>
#include <string_view>

#include "platform/win/WinTypes.h"

namespace folio::win {

// Finds the version resource (type 16, its first name and first language) in the bytes of a
// file. ERROR_SUCCESS with the resource's bytes in `block`; ERROR_RESOURCE_DATA_NOT_FOUND for an
// image without a resource section; ERROR_RESOURCE_TYPE_NOT_FOUND for an image without a version
// resource and for anything that is not a well-formed image.
Dword FindVersionResource(std::string_view image, std::string& block);

// VerQueryValue for the root block ("\"): the fixed file information of a version resource.
// False when the block is too short, is not a VS_VERSION_INFO block or has no fixed part.
bool VerQueryFixedFileInfo(std::string_view block, VsFixedFileInfo& info);

}  // namespace folio::win
