#include "generator/MacroTable.h"

#include <vector>

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
    char upper[kMaxMacroName] = {};
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const std::string_view key(upper, name.size());
    result.upperName.assign(key);
    // Every bracket of every template comes here: compare only the names of the same length.
    static const std::array<std::vector<int>, kMaxMacroName + 1> kByLength = [] {
        std::array<std::vector<int>, kMaxMacroName + 1> byLength;
        for (std::size_t i = 0; i < kMacroCount; ++i) {
            byLength[kMacroNames[i].size()].push_back(static_cast<int>(i));
        }
        return byLength;
    }();
    for (const int i : kByLength[key.size()]) {
        if (kMacroNames[static_cast<std::size_t>(i)] == key) {
            result.index = i;
            return result;
        }
    }
    result.error = MacroLookup::Unknown;
    return result;
}

}  // namespace folio
