#include "generator/MacroTable.h"

namespace folio {

const std::array<std::string_view, kMacroCount> kMacroNames = {
    "ALIGN",     "LINE",      "IMAGE",    "BGIMAGE",   "BULLET",      "STYLE",        "COLOR",
    "GENERATOR", "TAG",       "LINKS",    "LINKBODY",  "ADDRESS",     "TITLE",        "AUTHOR",
    "TEXT",      "HOME",      "PARENT",   "HOMENAME",  "PARENTNAME",  "BACKBUTTON",   "HOMEBUTTON",
    "LEVEL",     "UPBUTTON",  "UP",       "NEWIMAGE",  "CONSTRIMAGE", "UPDATEDIMAGE", "UPNAME",
    "LINK",      "MORELINKS", "REFTITLE", "HOMELINKS", "BGCOLOR",     "FGCOLOR",
};

MacroLookup LookupMacro(std::string_view content, bool valueRequired) {
    MacroLookup result;
    const std::size_t eq = content.find('=');
    const std::string_view name = content.substr(0, eq);
    result.hasValue = eq != std::string_view::npos;
    result.valueAt = result.hasValue ? eq + 1 : content.size();
    if (name.size() > kMaxMacroName || (valueRequired && !result.hasValue)) {
        result.error = MacroLookup::Syntax;
        return result;
    }
    result.upperName.reserve(name.size());
    for (const char c : name) {
        result.upperName += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    for (std::size_t i = 0; i < kMacroCount; ++i) {
        if (kMacroNames[i] == result.upperName) {
            result.index = static_cast<int>(i);
            return result;
        }
    }
    result.error = MacroLookup::Unknown;
    return result;
}

}  // namespace folio
