// The uninstall log (.UnInst.inf): what setup changed, one line per change, replayed in reverse
// by uninstall.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinSystem.h"

namespace folio::setup {

inline constexpr const char* kLogFileName = ".UnInst.inf";
// One read of a log line by the uninstaller yields at most this many characters.
inline constexpr std::size_t kLogLineMax = 1039;

// Appends lines to the log inside the Windows system, each in text mode with one write.
class UninstallLogWriter {
  public:
    UninstallLogWriter(win::WinSystem& sys, std::string path) : sys_(sys), path_(std::move(path)) {}
    const std::string& Path() const { return path_; }
    // Creates the log when missing; `empty` tells whether it holds nothing yet.
    win::Dword Open(bool& empty);
    // Writes one line; `line` has no line end.
    win::Dword WriteLine(std::string_view line);

  private:
    win::WinSystem& sys_;
    std::string path_;
};

enum class LogLineKind { None, Counter, File, Key, Directory, Progman };

struct LogLine {
    LogLineKind kind = LogLineKind::None;
    std::string_view argument;  // the text after the keyword and its space
};

// Tells a line's kind by its first letter; the argument follows at the keyword's fixed offset.
LogLine ClassifyLogLine(std::string_view line);

// Whether a file line names an ordinary file, which the uninstaller deletes: the first and third
// characters of its argument (the two flags) are the digit 0 and a path place follows them.
bool IsOrdinaryFile(std::string_view fileArgument);
// An ordinary file line's path, from the argument's fifth character on (it may be empty); empty
// for other file lines.
std::string_view OrdinaryFilePath(std::string_view fileArgument);

struct UninstallLogContents {
    bool empty = true;        // the log held nothing at all
    std::string productLine;  // line 1 as read, its LF included
    // Lines 2 to the end, last line first, each without its LF. A line longer than the reader's
    // buffer is left out as a whole (see `overlong`), never split.
    std::vector<std::string> lines;
    std::vector<int> overlong;  // numbers of the lines left out
};

// Reads a log's text as it is in memory (LF line ends).
UninstallLogContents ReadUninstallLog(std::string_view text);

}  // namespace folio::setup
