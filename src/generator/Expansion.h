// The state of one object's expansion, shared by the parser and the macro computations.
#pragma once

#include <cstdint>

#include "generator/Generator.h"

namespace folio {

struct PageGenerator::Expansion {
    CMacroTable& table;
    const SiteItem* item;
    const CNode& node;
    int depth;
    // The style word that ALIGN and STYLE follow: set by TITLE, TEXT and LINK, cleared by
    // LINKS, LINKBODY, ADDRESS and AUTHOR.
    std::int32_t style = 0;
};

}  // namespace folio
