#include "generator/GenFiles.h"

#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileIo.h"

namespace folio {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string_view> SplitComponents(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (i > start) parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// The entry of `dir` whose name equals `name` without regard to case; the smallest such name
// when there are several, so that the choice does not depend on the directory order.
std::optional<std::string> FindNoCase(const fs::path& dir, std::string_view name) {
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
    if (ec) return std::nullopt;
    std::optional<std::string> best;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::string entry = it->path().filename().string();
        if (CompareNoCase(entry, name) == 0 && (!best || entry < *best)) best = std::move(entry);
    }
    return best;
}

}  // namespace

GenFiles::GenFiles(fs::path resourceDir) : resourceDir_(std::move(resourceDir)) {}

bool GenFiles::HasDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::optional<fs::path> GenFiles::Resolve(std::string_view path, bool relativeToResources,
                                          bool lastMustExist) const {
    if (path.empty() || HasDriveLetter(path)) return std::nullopt;
    const std::vector<std::string_view> parts = SplitComponents(path);
    if (parts.empty()) return std::nullopt;
    fs::path cur;
    if (IsSeparator(path.front())) {
        cur = "/";
    } else if (relativeToResources) {
        cur = resourceDir_;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        const bool last = i + 1 == parts.size();
        fs::path candidate = cur / fs::path(std::string(part));
        if (part == "." || part == ".." || Exists(candidate)) {
            cur = std::move(candidate);
            continue;
        }
        if (std::optional<std::string> found = FindNoCase(cur, part)) {
            cur /= *found;
            continue;
        }
        if (last && !lastMustExist) {
            cur = std::move(candidate);
            continue;
        }
        return std::nullopt;
    }
    return cur;
}

std::optional<fs::path> GenFiles::FindForRead(std::string_view path) const {
    return Resolve(path, true, true);
}

std::optional<fs::path> GenFiles::MapForWrite(std::string_view path) const {
    if (path.empty() || HasDriveLetter(path) || IsSeparator(path.back())) return std::nullopt;
    // The file itself is created under its own name: only the directory is looked up.
    const std::size_t cut = path.find_last_of("\\/");
    const std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    fs::path dir;
    if (cut != std::string_view::npos) {
        const std::string_view dirPart = path.substr(0, cut + 1);
        if (SplitComponents(dirPart).empty()) {
            dir = "/";
        } else {
            std::optional<fs::path> found = Resolve(dirPart, false, true);
            if (!found) return std::nullopt;
            dir = std::move(*found);
        }
    }
    return dir / fs::path(std::string(name));
}

bool GenFiles::ReadText(std::string_view path, std::string& out) const {
    const std::optional<fs::path> found = FindForRead(path);
    if (!found) return false;
    std::error_code ec;
    if (fs::is_directory(*found, ec)) return false;
    std::string error;
    return ReadTextFile(*found, out, error);
}

bool GenFiles::ReadPrefix(std::string_view path, std::size_t count, std::string& out) const {
    const std::optional<fs::path> found = FindForRead(path);
    if (!found) return false;
    std::error_code ec;
    if (fs::is_directory(*found, ec)) return false;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(found->c_str(), "rb"),
                                                            &std::fclose);
    if (!f) return false;
    out.assign(count, '\0');
    out.resize(std::fread(out.data(), 1, count, f.get()));
    return true;
}

}  // namespace folio
