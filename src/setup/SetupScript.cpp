#include "setup/SetupScript.h"

#include <algorithm>

#include "platform/FileIo.h"

namespace folio::setup {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the digits at `in`: decimal, or octal when the first one is 0 (8 and 9 still count).
std::uint32_t ReadUnsigned(std::string_view input, std::size_t& in) {
    const std::uint32_t base = in < input.size() && input[in] == '0' ? 8u : 10u;
    std::uint32_t value = 0;
    while (in < input.size() && IsDigit(input[in])) {
        value = value * base + static_cast<std::uint32_t>(input[in] - '0');
        ++in;
    }
    return value;
}

void TrimTrailingWhite(std::string& text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.pop_back();
    }
}

// Hands out the script's lines as the original's 780-byte reads did: at most 779 characters,
// the LF included, so the rest of a longer line comes back as a line of its own. A line is
// used as text, so it ends at a NUL byte: what follows one up to the line end is not read.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        lineNo_ = nextLineNo_;
        const std::size_t lf = text_.find('\n', pos_);
        std::size_t end = lf == std::string_view::npos ? text_.size() : lf + 1;
        if (end - pos_ > kScriptLineMax) end = pos_ + kScriptLineMax;
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (line.back() == '\n') ++nextLineNo_;
        line = line.substr(0, line.find('\0'));
        return true;
    }
    int LineNo() const { return lineNo_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int lineNo_ = 0;
    int nextLineNo_ = 1;
};

int PlatformFlag(win::OsKind os, int nt351, int nt4, int win95) {
    switch (os) {
        case win::OS_WIN95:
            return win95;
        case win::OS_NT351:
            return nt351;
        case win::OS_NT4:
            return nt4;
        default:
            return 0;
    }
}

}  // namespace

int ScanFields(std::string_view input, std::string_view format,
               std::initializer_list<ScanTarget> outputs) {
    std::size_t in = 0;
    auto out = outputs.begin();
    auto next = [&]() -> const ScanTarget* { return out == outputs.end() ? nullptr : &*out++; };
    for (std::size_t f = 0; f < format.size(); ++f) {
        const char c = format[f];
        if (c != '%') {
            const std::size_t at = input.find(c, in);
            in = at == std::string_view::npos ? input.size() : at + 1;
            continue;
        }
        if (f + 1 >= format.size()) break;
        const char conv = format[++f];
        if (conv == 'd') {
            std::uint32_t value = 0;
            while (in < input.size() && IsDigit(input[in])) {
                value = value * 10u + static_cast<std::uint32_t>(input[in] - '0');
                ++in;
            }
            if (const ScanTarget* t = next()) {
                if (t->int_) *t->int_ = static_cast<int>(value);
                if (t->unsigned_) *t->unsigned_ = value;
            }
        } else if (conv == 's') {
            const bool delimited = f + 1 < format.size();
            const std::size_t start = in;
            while (in < input.size() && !(delimited && input[in] == format[f + 1])) ++in;
            if (const ScanTarget* t = next()) {
                if (t->text_) t->text_->assign(input.substr(start, in - start));
            }
        } else if (conv == 'O' || conv == 'l') {
            if (conv == 'l' && f + 1 < format.size()) ++f;
            const std::uint32_t value = ReadUnsigned(input, in);
            if (const ScanTarget* t = next()) {
                if (t->unsigned_) *t->unsigned_ = value;
                if (t->int_) *t->int_ = static_cast<int>(value);
            }
        }
        // Any other conversion letter is skipped and uses no output.
    }
    return 0;
}

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string TargetProblem(std::string_view target) {
    if (target.empty() || FileNamePart(target).empty()) return "has no file name";
    if (target.front() == '\\' || target.front() == '/') return "is an absolute path";
    if (target.find(':') != std::string_view::npos) return "names a drive";
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = target.size();
        if (target.substr(start, end - start) == "..") {
            return "climbs out of the destination directory";
        }
        start = end + 1;
    }
    return {};
}

bool ParseSetupScript(std::string_view text, win::OsKind os, SetupScript& script, MessageSink& sink,
                      std::string_view fileName) {
    script = SetupScript{};
    LineReader reader(text);
    std::string_view line;
    auto where = [&] {
        return std::string(fileName) + ": line " + std::to_string(reader.LineNo()) + ": ";
    };

    std::string title;
    int format = 0;
    if (!reader.Next(line)) {
        sink.Show("Unknown .inf file format.");
        return false;
    }
    ScanFields(line, "\x01%s\x01 %d", {&title, &format});
    if (format < 1) {
        sink.Show("Unknown .inf file format.");
        return false;
    }
    if (reader.Next(line)) script.productName = line;
    TrimTrailingWhite(script.productName);
    if (script.productName.empty()) {
        // Without a name the uninstall registration would name the Uninstall key itself, and
        // the uninstaller would delete it with every other product's entry.
        sink.Show(std::string(fileName) + ": line 2: the product name is empty.");
        return false;
    }
    if (script.productName.size() > kMaxProductName) {
        sink.Show(where() + "the product name is longer than " + std::to_string(kMaxProductName) +
                  " characters.");
        return false;
    }
    if (reader.Next(line)) script.folderName = line;
    TrimTrailingWhite(script.folderName);
    if (reader.Next(line)) {
        ScanFields(line, "%d %d %d", {&script.allowNT351, &script.allowNT4, &script.allowWin95});
    }

    if (os == win::OS_WIN95 && script.allowWin95 == 0) {
        sink.Show("This program can not be installed on Windows 95");
        return false;
    }
    if (os == win::OS_NT351 && script.allowNT351 == 0) {
        sink.Show("This program can not be installed on NT 3.51");
        return false;
    }
    if (os == win::OS_NT4 && script.allowNT4 == 0) {
        sink.Show("This program can not be installed on NT 4");
        return false;
    }

    SetupModule* current = nullptr;
    while (reader.Next(line)) {
        if (line.empty()) continue;
        if (line.front() == '@') {
            const std::size_t p = line.size() > 1 && line[1] == '@' ? 2 : 1;
            current = nullptr;
            if (p >= line.size() || line[p] != kQuote) continue;
            SetupModule m;
            ScanFields(line.substr(p), "\x01%s\x01 %d %d %d %d %d %d %d\n",
                       {&m.name, &m.allowNT351, &m.allowNT4, &m.allowWin95, &m.shared, &m.system,
                        &m.typical, &m.minimum});
            if (m.name.size() > kMaxPath) {
                sink.Show(where() +
                          "the module name is longer than 259 characters; the module "
                          "is left out.");
                continue;
            }
            if (PlatformFlag(os, m.allowNT351, m.allowNT4, m.allowWin95) == 0) continue;
            script.modules.push_back(std::move(m));
            current = &script.modules.back();
        } else if (line.front() == kQuote && current) {
            SetupFile f;
            ScanFields(line, "\x01%s\x01 \x01%s\x01 %d \x01%s\x01",
                       {&f.source, &f.target, &f.linkKind, &f.linkName});
            if (f.source.size() > kMaxPath || f.target.size() > kMaxPath ||
                f.linkName.size() > kMaxPath) {
                sink.Show(where() + "a name is longer than 259 characters; the file is skipped.");
                continue;
            }
            if (f.target == "(NULL)") {
                f.target = FileNamePart(f.source);
            } else if (!f.target.empty() && f.target.back() == '\\') {
                f.target += FileNamePart(f.source);
            }
            if (f.target.size() > kMaxPath) {
                sink.Show(where() + "the target \"" + f.target +
                          "\" is longer than 259 characters; the file is skipped.");
                continue;
            }
            if (const std::string problem = TargetProblem(f.target); !problem.empty()) {
                sink.Show(where() + "the target \"" + f.target + "\" " + problem +
                          "; the file is skipped.");
                continue;
            }
            current->files.push_back(std::move(f));
        }
    }
    // The original linked every record in at the front of its list.
    std::reverse(script.modules.begin(), script.modules.end());
    for (auto& m : script.modules) std::reverse(m.files.begin(), m.files.end());
    return true;
}

bool LoadSetupScript(win::WinSystem& sys, win::OsKind os, SetupScript& script, MessageSink& sink) {
    std::string bytes;
    if (sys.ReadFile("Setup.inf", bytes) != win::ERROR_SUCCESS) {
        sink.Show("Failed to open file.");
        return false;
    }
    return ParseSetupScript(FromTextMode(bytes), os, script, sink);
}

}  // namespace folio::setup
