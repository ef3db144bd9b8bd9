// Feeds arbitrary bytes to the uninstall log reader and classifies every line it hands out, as
// the uninstaller does. The reader must keep every line as written, leave out a line longer than
// one read as a whole (never act on a piece of it), and the classifier must only point into the
// line it was given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "setup/UninstallLog.h"

namespace {

using folio::fuzz::Check;
using folio::setup::kLogLineMax;
using folio::setup::LogLineKind;

// True when `part` lies within `whole`'s characters and ends where `whole` ends.
bool IsTailOf(std::string_view part, std::string_view whole) {
    if (part.empty()) return true;
    return part.data() >= whole.data() && part.data() + part.size() == whole.data() + whole.size();
}

void CheckClassified(std::string_view line) {
    const folio::setup::LogLine l = folio::setup::ClassifyLogLine(line);
    Check(IsTailOf(l.argument, line), "argument outside its line");
    Check(l.argument.size() < line.size() || l.argument.empty(), "argument is the whole line");
    const char first = line.empty() ? '\0' : line.front();
    const bool known = first == 'i' || first == 'f' || first == 'k' || first == 'd' || first == 'p';
    Check((l.kind == LogLineKind::None) == !known, "kind does not follow the first letter");
    if (l.kind != LogLineKind::File) return;
    const std::string_view path = folio::setup::OrdinaryFilePath(l.argument);
    Check(IsTailOf(path, l.argument), "file path outside its argument");
    if (!path.empty()) {
        Check(l.argument[0] == '0' && l.argument[2] == '0', "file with flags taken as ordinary");
        Check(path.size() + 4 == l.argument.size(), "file path not after the flags");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const folio::setup::UninstallLogContents log = folio::setup::ReadUninstallLog(input);

    Check(log.empty == input.empty(), "empty flag wrong");
    Check(log.productLine.size() <= kLogLineMax, "product line longer than one read");
    Check(input.starts_with(log.productLine), "product line not the start of the log");

    // Split the log here and compare: lines 2 on, last first, each whole and without its LF,
    // except those longer than one read, which are only numbered.
    std::vector<std::string_view> kept;
    std::vector<int> overlong;
    std::size_t pos = 0;
    for (int lineNo = 1; pos < input.size(); ++lineNo) {
        const std::size_t lf = input.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? input.size() : lf + 1;
        std::string_view line = input.substr(pos, end - pos);
        pos = end;
        if (lineNo == 1) continue;
        if (line.ends_with('\n')) line.remove_suffix(1);
        if (line.size() > kLogLineMax) {
            overlong.push_back(lineNo);
            continue;
        }
        kept.push_back(line);
    }
    std::reverse(kept.begin(), kept.end());
    Check(log.overlong == overlong, "wrong lines left out");
    Check(log.lines.size() == kept.size(), "wrong number of lines");
    for (std::size_t i = 0; i < kept.size() && i < log.lines.size(); ++i) {
        Check(log.lines[i] == kept[i], "line changed by the reader");
        Check(log.lines[i].size() <= kLogLineMax, "line longer than one read acted on");
        CheckClassified(log.lines[i]);
    }
    CheckClassified(log.productLine);
    return 0;
}
