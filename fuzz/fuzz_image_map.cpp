// Feeds arbitrary bytes to the image map reader as the map file of a picture. Reading must never
// crash or hang; the map it writes is always one MAP element with one AREA per "rect" line at
// most, and the attribute names the map.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "GenFuzz.h"

namespace {

std::size_t Count(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos;
         at = text.find(what, at + what.size())) {
        ++n;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const int fileType : {0, 1}) {
        folio::fuzz::FuzzSite site;
        site.settings.m_nFileType = fileType;
        site.files.Put("images\\fuzz.map", input);
        folio::PageGenerator gen = site.Generator();
        gen.BeginRun();

        std::string picture = "images\\FUZZ.MAP";
        std::string expansion;
        std::string mapAttr;
        folio::fuzz::Check(gen.ReadImageMap(picture, expansion, mapAttr), "the map was not read");
        const std::string name = "imagemap" + std::to_string(site.program.mapCounter);
        folio::fuzz::Check(expansion.starts_with("<MAP NAME=\"" + name + "\">\n"),
                           "the map does not start with its name");
        folio::fuzz::Check(expansion.ends_with("</MAP>\n"), "the map is not closed");
        folio::fuzz::Check(mapAttr == " ismap USEMAP=\"#" + name + "\"", "wrong map attribute");
        const std::string text = folio::FromTextMode(input);
        folio::fuzz::Check(Count(expansion, "<AREA ") <= Count(text, "rect"),
                           "more areas than rect lines");
        // The picture the map names is looked up like any other.
        gen.GetGifSizeAttr(picture);
    }
    return 0;
}
