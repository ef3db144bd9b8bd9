// Feeds arbitrary template text to the template parser and its macros: the text serves as the
// page, paragraph and link template of a small fixed site, and every object of the site is
// expanded with it. Expansion must never crash, hang or grow without bound; a template without
// brackets or comments must come out as it went in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "GenFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    folio::fuzz::FuzzSite site;
    for (const char* suffix : {".hdr.txt", ".pgh.txt", ".lnk.txt"}) {
        site.files.Put(std::string("templates\\Default") + suffix, input);
    }
    // The last byte picks the file extension, so that both spellings of links are reached.
    site.settings.m_nFileType = size > 0 && (data[size - 1] & 1) ? 1 : 0;

    folio::PageGenerator gen = site.Generator();
    gen.BeginRun();
    const std::string plain = folio::FromTextMode(input);
    const bool literal = plain.find_first_of("[#") == std::string::npos;
    for (const folio::SiteItem* item = site.tree.Root(); item;
         item = folio::SiteTree::NextInPreorder(item)) {
        const std::string output = gen.CreateNode(item)->m_strOutput;
        if (literal) folio::fuzz::Check(output == plain, "literal template text changed");
    }
    return 0;
}
