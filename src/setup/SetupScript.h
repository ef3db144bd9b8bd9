// The setup script (Setup.inf): the product, its default program folder, the platforms it may
// be installed on and its modules with their files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"
#include "platform/win/WinSystem.h"

namespace folio::setup {

// Every name and path of the installer fits 259 characters and its terminating zero.
inline constexpr std::size_t kMaxPath = 259;
// One read of a script line yields at most this many characters, its LF included.
inline constexpr std::size_t kScriptLineMax = 779;
// The quote character of the script's text fields.
inline constexpr char kQuote = '\x01';

// One output of ScanFields: an int for "%d", text for "%s", an unsigned for "%O" and "%l?".
class ScanTarget {
  public:
    ScanTarget(int* value) : int_(value) {}
    ScanTarget(std::string* text) : text_(text) {}
    ScanTarget(std::uint32_t* value) : unsigned_(value) {}

  private:
    friend int ScanFields(std::string_view, std::string_view, std::initializer_list<ScanTarget>);
    int* int_ = nullptr;
    std::string* text_ = nullptr;
    std::uint32_t* unsigned_ = nullptr;
};

// Fills the outputs, one per conversion of `format`, from `input`: literals move the cursor past
// their next occurrence (or to the end), "%d" reads unsigned decimal digits without skipping
// anything, "%s" copies up to the character that follows it in the format. Missing fields read
// as 0 or as empty text. Always returns 0.
int ScanFields(std::string_view input, std::string_view format,
               std::initializer_list<ScanTarget> outputs);

struct SetupFile {
    std::string source;
    std::string target;
    int linkKind = 0;
    std::string linkName;
};

struct SetupModule {
    std::string name;
    std::vector<SetupFile> files;  // in list order: the reverse of the script
    int allowNT351 = 0;
    int allowNT4 = 0;
    int allowWin95 = 0;
    int shared = 0;
    int system = 0;
    int typical = 0;
    int minimum = 0;
    int selected = 0;  // set by the install run
};

struct SetupScript {
    std::vector<SetupModule> modules;  // in list order: the reverse of the script
    std::string productName;
    std::string folderName;
    int allowNT351 = 0;
    int allowNT4 = 0;
    int allowWin95 = 0;
};

// The longest product name whose uninstall registration keeps its key lines within what the
// uninstaller accepts.
inline constexpr std::size_t kMaxProductName = 195;

// Reads a script from its text as it is in memory (LF line ends). `fileName` names it in
// messages. Returns false after one of the fatal messages (unknown format, a product name that
// is empty or too long, platform refused); lines that cannot be used are reported and left out.
bool ParseSetupScript(std::string_view text, win::OsKind os, SetupScript& script, MessageSink& sink,
                      std::string_view fileName = "Setup.inf");

// Reads "Setup.inf" from the current directory of `sys` in text mode and parses it.
bool LoadSetupScript(win::WinSystem& sys, win::OsKind os, SetupScript& script, MessageSink& sink);

// The file-name part of a path: the text after its last backslash, or all of it.
std::string_view FileNamePart(std::string_view path);

// Why a target may not be installed (absolute, names a drive, climbs out with ".."); empty
// when it is fine.
std::string TargetProblem(std::string_view target);

}  // namespace folio::setup
