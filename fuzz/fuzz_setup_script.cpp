// Feeds arbitrary bytes to the setup script reader as Setup.inf, once for each platform. Reading
// must never crash or hang; a refused script says why, and an accepted one holds only what the
// installer can act on: names within their bounds and targets that stay inside the destination.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "setup/SetupScript.h"

namespace {

using folio::fuzz::Check;
using folio::setup::kMaxPath;

class RecordingSink : public folio::MessageSink {
  public:
    folio::MsgAnswer Show(std::string_view text, std::string_view, folio::MsgIcon,
                          folio::MsgButtons) override {
        messages.emplace_back(text);
        return folio::MsgAnswer::Ok;
    }
    std::vector<std::string> messages;
};

bool HasTrailingWhite(std::string_view text) {
    if (text.empty()) return false;
    const char c = text.back();
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A target the installer may write to: a relative path with a file name, no drive and no ".."
// step, whichever slash separates the steps.
void CheckTarget(std::string_view target) {
    Check(!target.empty(), "empty target accepted");
    Check(target.back() != '\\', "target without a file name accepted");
    Check(target.front() != '\\' && target.front() != '/', "absolute target accepted");
    Check(target.find(':') == std::string_view::npos, "target with a drive accepted");
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = target.size();
        Check(target.substr(start, end - start) != "..", "target climbing out accepted");
        start = end + 1;
    }
}

int AllowedOn(folio::win::OsKind os, int nt351, int nt4, int win95) {
    switch (os) {
        case folio::win::OS_WIN95:
            return win95;
        case folio::win::OS_NT351:
            return nt351;
        default:
            return nt4;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Every script line is read once and gives at most one message; a refusal gives one more.
    std::size_t reads = 1;
    for (const char c : input) reads += c == '\n' ? 1 : 0;
    const std::size_t maxMessages = reads + input.size() / folio::setup::kScriptLineMax + 1;

    for (const auto os : {folio::win::OS_WIN95, folio::win::OS_NT351, folio::win::OS_NT4}) {
        folio::setup::SetupScript script;
        RecordingSink sink;
        const bool ok = folio::setup::ParseSetupScript(input, os, script, sink);

        Check(ok || !sink.messages.empty(), "script refused without a message");
        Check(sink.messages.size() <= maxMessages, "more messages than script lines");
        for (const auto& m : sink.messages) Check(!m.empty(), "empty message");
        if (!ok) continue;

        Check(script.productName.size() <= folio::setup::kMaxProductName,
              "product name over its bound");
        Check(script.productName.find('\n') == std::string::npos, "product name spans lines");
        Check(!HasTrailingWhite(script.productName), "product name keeps trailing white space");
        // The folder name is bounded when the install run takes it (it may be replaced there).
        Check(script.folderName.size() <= folio::setup::kScriptLineMax,
              "folder name longer than one read");
        Check(!HasTrailingWhite(script.folderName), "folder name keeps trailing white space");
        Check(AllowedOn(os, script.allowNT351, script.allowNT4, script.allowWin95) != 0,
              "script accepted on a platform it refuses");
        for (const auto& m : script.modules) {
            Check(m.name.size() <= kMaxPath, "module name over 259 characters");
            Check(AllowedOn(os, m.allowNT351, m.allowNT4, m.allowWin95) != 0,
                  "module kept for a platform it refuses");
            Check(m.selected == 0, "module selected by the reader");
            for (const auto& f : m.files) {
                Check(f.source.size() <= kMaxPath, "source over 259 characters");
                Check(f.target.size() <= kMaxPath, "target over 259 characters");
                Check(f.linkName.size() <= kMaxPath, "link name over 259 characters");
                CheckTarget(f.target);
            }
        }

        // The reader keeps no state between scripts.
        folio::setup::SetupScript again;
        RecordingSink againSink;
        Check(folio::setup::ParseSetupScript(input, os, again, againSink), "second read refused");
        Check(againSink.messages == sink.messages, "second read gives other messages");
        Check(again.modules.size() == script.modules.size(), "second read gives other modules");
    }
    return 0;
}
