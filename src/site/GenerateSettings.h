// The settings of the "Generate HTML pages" dialog. The destination and the spare string are
// saved with the site; the others live as long as the document object.
#pragma once

#include <cstdint>
#include <string>

#include "site/Node.h"

namespace folio {

inline constexpr const char* kDefaultDestDir = "C:\\homepage";

class CGenerateDlg {
  public:
    std::string m_strDestDir = kDefaultDestDir;
    BOOL32 m_bLowercase = 1;       // lowercase tags, picture names and copied paths
    std::int32_t m_nFileType = 0;  // 0 ".htm", 1 ".html"
    BOOL32 m_bClearDestDir = 0;    // shown, never acted on
    std::string m_strSpare;        // kept as read and written back

    const char* FileExtension() const { return m_nFileType == 1 ? ".html" : ".htm"; }
};

}  // namespace folio
