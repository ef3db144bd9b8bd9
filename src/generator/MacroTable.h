// The 34 macros of the template language and the table one expansion fills.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace folio {

enum MacroIndex : int {
    MACRO_ALIGN = 0,
    MACRO_LINE,
    MACRO_IMAGE,
    MACRO_BGIMAGE,
    MACRO_BULLET,
    MACRO_STYLE,
    MACRO_COLOR,
    MACRO_GENERATOR,
    MACRO_TAG,
    MACRO_LINKS,
    MACRO_LINKBODY,
    MACRO_ADDRESS,
    MACRO_TITLE,
    MACRO_AUTHOR,
    MACRO_TEXT,
    MACRO_HOME,
    MACRO_PARENT,
    MACRO_HOMENAME,
    MACRO_PARENTNAME,
    MACRO_BACKBUTTON,
    MACRO_HOMEBUTTON,
    MACRO_LEVEL,
    MACRO_UPBUTTON,
    MACRO_UP,
    MACRO_NEWIMAGE,
    MACRO_CONSTRIMAGE,
    MACRO_UPDATEDIMAGE,
    MACRO_UPNAME,
    MACRO_LINK,
    MACRO_MORELINKS,
    MACRO_REFTITLE,
    MACRO_HOMELINKS,
    MACRO_BGCOLOR,
    MACRO_FGCOLOR,
};

inline constexpr std::size_t kMacroCount = 34;

// The macro names in index order.
extern const std::array<std::string_view, kMacroCount> kMacroNames;

// Names of 32 characters or more are syntax errors.
inline constexpr std::size_t kMaxMacroName = 31;

// The values and expansions of one object's expansion, and its output text.
class CMacroTable {
  public:
    std::array<std::string, kMacroCount> m_strValue;
    std::array<std::string, kMacroCount> m_strExpand;
    std::string m_strOutput;
};

// The outcome of looking up the name in a bracket content.
struct MacroLookup {
    enum Error { None, Syntax, Unknown };
    int index = -1;  // 0..33, or -1
    Error error = None;
    std::string upperName;    // the name in upper case (for the "unknown" report)
    std::size_t valueAt = 0;  // where the value starts in the content (after the first "=")
    bool hasValue = false;
};

// Looks up the name of a bracket content ("NAME" or "NAME=value"); names ignore case. Reports
// nothing itself: the parser turns the error into its log line.
MacroLookup LookupMacro(std::string_view content, bool valueRequired);

}  // namespace folio
