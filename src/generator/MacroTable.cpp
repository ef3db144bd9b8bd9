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
    char upper[kMaxMacroName] = {};
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const std::string_view key(upper, name.size());
    result.upperName.assign(key);
    for (std::size_t i = 0; i < kMacroCount; ++i) {
        const std::string_view known = kMacroNames[i];
        if (known.size() == key.size() && known.front() == key.front() && known == key) {
            result.index = static_cast<int>(i);
            return result;
        }
    }
    result.error = MacroLookup::Unknown;
    return result;
}

}  // namespace folio
