#include "setup/UninstallLog.h"

#include <algorithm>

#include "platform/FileIo.h"

namespace folio::setup {

using namespace folio::win;

Dword UninstallLogWriter::Open(bool& empty) {
    if (const Dword e = sys_.WriteFile(path_, "", WinSystem::WriteMode::Append)) return e;
    FileInfo info;
    if (const Dword e = sys_.GetFileAttributesEx(path_, info)) return e;
    empty = info.size == 0;
    return ERROR_SUCCESS;
}

Dword UninstallLogWriter::WriteLine(std::string_view line) {
    std::string text(line);
    text += '\n';
    return sys_.WriteFile(path_, ToTextMode(text), WinSystem::WriteMode::Append);
}

LogLine ClassifyLogLine(std::string_view line) {
    auto after = [&](std::size_t offset) {
        return offset < line.size() ? line.substr(offset) : std::string_view{};
    };
    if (line.empty()) return {};
    switch (line.front()) {
        case 'i':
            return {LogLineKind::Counter, after(4)};
        case 'f':
            return {LogLineKind::File, after(5)};
        case 'k':
            return {LogLineKind::Key, after(4)};
        case 'd':
            return {LogLineKind::Directory, after(4)};
        case 'p':
            return {LogLineKind::Progman, after(6)};
        default:
            return {};
    }
}

bool IsOrdinaryFile(std::string_view arg) {
    return arg.size() >= 4 && arg[0] == '0' && arg[2] == '0';
}

std::string_view OrdinaryFilePath(std::string_view arg) {
    return IsOrdinaryFile(arg) ? arg.substr(4) : std::string_view{};
}

UninstallLogContents ReadUninstallLog(std::string_view text) {
    UninstallLogContents log;
    log.empty = text.empty();
    std::size_t pos = 0;
    int lineNo = 0;
    while (pos < text.size()) {
        ++lineNo;
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (lineNo == 1) {
            // Shown to the user only: a long first line is shortened to one read's worth.
            log.productLine = line.substr(0, kLogLineMax);
            continue;
        }
        if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
        // A line end that does not fit the read comes as an empty line, which is never acted
        // on: only the characters before it count.
        if (line.size() > kLogLineMax) {
            log.overlong.push_back(lineNo);
            continue;
        }
        log.lines.emplace_back(line);
    }
    std::reverse(log.lines.begin(), log.lines.end());
    return log;
}

}  // namespace folio::setup
