#include "platform/win/EmulatedWinSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "platform/CodePage.h"
#include "platform/FileIo.h"
#include "platform/win/ProgMan.h"
#include "platform/win/Registry.h"
#include "platform/win/ShellLink.h"
#include "platform/win/VersionInfo.h"

namespace fs = std::filesystem;

namespace folio::win {

// Everything of the root that is not a file of drive C: or the registry.
struct RootState {
    OsKind kind = OS_NT4;
    std::string user;
    // Attribute bits the host cannot hold, by canonical Windows path. A file without an entry
    // has FILE_ATTRIBUTE_ARCHIVE, a directory nothing.
    std::map<std::string, Dword> attributes;
    EmulatedWinSystem::Faults faults;
    ProgmanState progman;
};

struct EmulatedWinSystem::Resolved {
    Dword error = ERROR_SUCCESS;  // the path itself is unusable
    char drive = 'C';
    fs::path host;
    std::string win;  // canonical: real names of existing components
    bool parentExists = false;
    bool exists = false;
    bool isDir = false;
    bool isDriveRoot = false;
};

namespace {

constexpr const char* kStateFile = "winroot.json";
constexpr const char* kRegistryFile = "registry.reg";
constexpr const char* kLockFile = ".lock";
constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingValue = "PendingFileRenameOperations";
constexpr Dword kStoredBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY;
constexpr std::uint64_t kEpochDelta = 11644473600ull;  // seconds from 1601 to 1970

bool Same(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

Dword FromErrno(int err) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EBUSY:
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_GEN_FAILURE;
    }
}

FileTime ToFileTime(const struct timespec& ts) {
    return (static_cast<std::uint64_t>(ts.tv_sec) + kEpochDelta) * 10000000ull +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100;
}

std::string HostName(std::string_view winName) { return Cp1252ToUtf8(winName); }

std::string Utf8(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

bool FromUtf8(const std::string& utf8, std::string& out) {
    auto v = Utf8ToCp1252(utf8);
    if (!v) return false;
    out = std::move(*v);
    return true;
}

// read() that retries when interrupted: bytes read, 0 at the end, -1 with errno set.
ssize_t ReadSome(int fd, char* buf, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buf, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

// Writes every byte; returns an errno value.
int WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(w);
    }
    return 0;
}

// Copies a host file's bytes, mode and times to `dst` through a temporary beside it, so a copy
// that fails leaves `dst` as it was. Returns an errno value.
int CopyHostFile(const fs::path& src, const fs::path& dst) {
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    struct stat st {};
    if (::fstat(in, &st) != 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    fs::path temp;
    int out = -1;
    for (int attempt = 0; attempt < 16 && out < 0; ++attempt) {
        temp = TemporarySibling(dst);
        out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out < 0 && errno != EEXIST) break;
    }
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    int err = 0;
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ReadSome(in, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0) err = errno;
            break;
        }
        if ((err = WriteAll(out, buf, static_cast<std::size_t>(n))) != 0) break;
    }
    ::close(in);
    if (!err && ::fchmod(out, st.st_mode & 07777) != 0) err = errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (!err && ::futimens(out, times) != 0) err = errno;
    if (::close(out) != 0 && !err) err = errno;
    if (!err && ::rename(temp.c_str(), dst.c_str()) != 0) err = errno;
    if (err) ::unlink(temp.c_str());
    return err;
}

// Writes bytes to `dst`: appended, or through a temporary renamed over it. Returns errno.
int WriteHostFile(const fs::path& dst, std::string_view bytes, bool append) {
    if (append) {
        const int fd = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return errno;
        int err = WriteAll(fd, bytes.data(), bytes.size());
        if (::close(fd) != 0 && !err) err = errno;
        return err;
    }
    std::string error;
    AtomicFile file;
    if (!file.Open(dst, error)) return errno ? errno : EACCES;
    file.Write(bytes);
    if (!file.Commit(error)) return errno ? errno : EIO;
    return 0;
}

int ReadHostFile(const fs::path& src, std::string& out) {
    const int fd = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    out.clear();
    char buf[1 << 16];
    int err = 0;
    for (;;) {
        const ssize_t n = ReadSome(fd, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0) err = errno;
            break;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return err;
}

// The pieces of `text` each ended by `sep` (the last one may lack it).
std::vector<std::string> SplitAt(std::string_view text, char sep) {
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find(sep, pos);
        if (end == std::string_view::npos) end = text.size();
        out.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

// Key and value names are kept on one line of the registry file: a control character (a line
// break above all) in a new name is refused rather than let it tear the file.
bool StorableName(std::string_view name) {
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// Whether a path (without its drive) holds only characters a file name may have; "*" and "?"
// only as wildcards.
bool ValidNameChars(std::string_view text, bool allowWildcards) {
    return std::none_of(text.begin(), text.end(), [&](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == ':' ||
               ((c == '*' || c == '?') && !allowWildcards);
    });
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") return true;
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || Cp1252ToLower(static_cast<unsigned char>(pattern[p])) ==
                                      Cp1252ToLower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// The Windows and system folders of each kind, as fresh installations had them.
const char* WindowsDirOf(OsKind kind) {
    switch (kind) {
        case OS_WIN95:
            return "C:\\WINDOWS";
        case OS_NT351:
            return "C:\\WINNT35";
        default:
            return "C:\\WINNT";
    }
}

const char* SystemDirOf(OsKind kind) {
    switch (kind) {
        case OS_WIN95:
            return "C:\\WINDOWS\\SYSTEM";
        case OS_NT351:
            return "C:\\WINNT35\\system32";
        default:
            return "C:\\WINNT\\system32";
    }
}

nlohmann::json ToJson(const RootState& s) {
    nlohmann::json j;
    j["kind"] = OsKindName(s.kind);
    j["user"] = Utf8(s.user);
    nlohmann::json attrs = nlohmann::json::object();
    for (const auto& [path, bits] : s.attributes) attrs[Utf8(path)] = bits;
    j["attributes"] = attrs;
    nlohmann::json inUse = nlohmann::json::array(), denied = nlohmann::json::array();
    for (const auto& p : s.faults.inUse) inUse.push_back(Utf8(p));
    for (const auto& p : s.faults.denied) denied.push_back(Utf8(p));
    j["faults"] = {{"inUse", inUse},
                   {"denied", denied},
                   {"diskFull", s.faults.diskFull},
                   {"progmanStopped", s.faults.progmanStopped}};
    nlohmann::json groups = nlohmann::json::array();
    for (const auto& g : s.progman.groups) {
        nlohmann::json items = nlohmann::json::array();
        for (const auto& it : g.items) {
            items.push_back({{"name", Utf8(it.name)},
                             {"command", Utf8(it.command)},
                             {"icon", Utf8(it.iconPath)},
                             {"iconIndex", it.iconIndex},
                             {"x", it.x},
                             {"y", it.y},
                             {"directory", Utf8(it.directory)}});
        }
        groups.push_back({{"name", Utf8(g.name)}, {"file", Utf8(g.file)}, {"items", items}});
    }
    j["progman"] = {{"current", Utf8(s.progman.current)},
                    {"replaceAt", s.progman.replaceAt},
                    {"groups", groups}};
    return j;
}

// Throws (nlohmann's exceptions or std::runtime_error) on a malformed document; the caller
// turns that into a message naming the file.
RootState FromJson(const nlohmann::json& j) {
    auto text = [](const nlohmann::json& v) {
        std::string out;
        if (!FromUtf8(v.get<std::string>(), out)) {
            throw std::runtime_error("text not representable in Windows-1252");
        }
        return out;
    };
    RootState s;
    s.kind = ParseOsKind(j.at("kind").get<std::string>());
    if (s.kind == OS_OTHER) throw std::runtime_error("unknown kind");
    s.user = text(j.at("user"));
    for (const auto& [path, bits] : j.at("attributes").items()) {
        std::string p;
        if (!FromUtf8(path, p)) throw std::runtime_error("bad attribute path");
        s.attributes[p] = bits.get<Dword>();
    }
    const auto& f = j.at("faults");
    for (const auto& p : f.at("inUse")) s.faults.inUse.push_back(text(p));
    for (const auto& p : f.at("denied")) s.faults.denied.push_back(text(p));
    s.faults.diskFull = f.at("diskFull").get<bool>();
    s.faults.progmanStopped = f.at("progmanStopped").get<bool>();
    const auto& pm = j.at("progman");
    s.progman.current = text(pm.at("current"));
    s.progman.replaceAt = pm.at("replaceAt").get<int>();
    for (const auto& g : pm.at("groups")) {
        PmGroup group{text(g.at("name")), text(g.at("file")), {}};
        for (const auto& it : g.at("items")) {
            PmItem item;
            item.name = text(it.at("name"));
            item.command = text(it.at("command"));
            item.iconPath = text(it.at("icon"));
            item.iconIndex = it.at("iconIndex").get<int>();
            item.x = it.at("x").get<int>();
            item.y = it.at("y").get<int>();
            item.directory = text(it.at("directory"));
            group.items.push_back(std::move(item));
        }
        s.progman.groups.push_back(std::move(group));
    }
    return s;
}

}  // namespace

// ------------------------------------------------------------------------------------------------
// Settings and kinds

OsKind ParseOsKind(std::string_view text) {
    if (Same(text, "win95")) return OS_WIN95;
    if (Same(text, "nt351")) return OS_NT351;
    if (Same(text, "nt4")) return OS_NT4;
    return OS_OTHER;
}

const char* OsKindName(OsKind kind) {
    switch (kind) {
        case OS_WIN95:
            return "win95";
        case OS_NT351:
            return "nt351";
        case OS_NT4:
            return "nt4";
        default:
            return "other";
    }
}

bool WinRootSettings::FromEnvironment(const char* (*lookup)(const char*), WinRootSettings& out,
                                      std::string& error) {
    WinRootSettings s;
    const char* winver = lookup("FOLIO32_WINVER");
    if (winver && *winver) {
        s.kindForNew = ParseOsKind(winver);
        if (s.kindForNew == OS_OTHER) {
            error = std::string("FOLIO32_WINVER: unknown kind \"") + winver +
                    "\" (win95, nt351 or nt4)";
            return false;
        }
    }
    const char* root = lookup("FOLIO32_WINROOT");
    const char* xdg = lookup("XDG_DATA_HOME");
    const char* home = lookup("HOME");
    if (root && *root) {
        s.root = root;
    } else if (xdg && *xdg) {
        s.root = fs::path(xdg) / "folio32" / "winroot";
    } else if (home && *home) {
        s.root = fs::path(home) / ".local" / "share" / "folio32" / "winroot";
    } else {
        error = "no Windows root: set FOLIO32_WINROOT (or HOME)";
        return false;
    }
    out = std::move(s);
    return true;
}

// ------------------------------------------------------------------------------------------------
// Locking: one flock on the root's lock file, taken once however deeply operations nest.

class EmulatedWinSystem::LockGuard {
  public:
    explicit LockGuard(EmulatedWinSystem& sys) : sys_(sys), error_(sys.Lock()) {}
    ~LockGuard() {
        if (error_ == ERROR_SUCCESS) sys_.Unlock();
    }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
    Dword error() const { return error_; }

  private:
    EmulatedWinSystem& sys_;
    Dword error_;
};

Dword EmulatedWinSystem::Lock() {
    if (lockDepth_ > 0) {
        ++lockDepth_;
        return ERROR_SUCCESS;
    }
    if (lockFd_ < 0) {
        lockFd_ = ::open((root_ / kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lockFd_ < 0) {
            Problem(FileErrorMessage(root_ / kLockFile, errno));
            return FromErrno(errno);
        }
    }
    while (::flock(lockFd_, LOCK_EX) != 0) {
        if (errno != EINTR) return FromErrno(errno);
    }
    lockDepth_ = 1;
    return ERROR_SUCCESS;
}

void EmulatedWinSystem::Unlock() {
    if (lockDepth_ > 1) {
        --lockDepth_;
        return;
    }
    lockDepth_ = 0;
    ::flock(lockFd_, LOCK_UN);
}

EmulatedWinSystem::~EmulatedWinSystem() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

void EmulatedWinSystem::Problem(const std::string& text) {
    if (text == lastProblem_) return;
    lastProblem_ = text;
    if (sink_) sink_->Show(text, "Windows system", MsgIcon::Stop);
}

// ------------------------------------------------------------------------------------------------
// State and registry files

Dword EmulatedWinSystem::LoadState(RootState& state) {
    const fs::path file = root_ / kStateFile;
    std::string text, error;
    if (!ReadTextFile(file, text, error)) {
        Problem(error);
        return ERROR_GEN_FAILURE;
    }
    try {
        state = FromJson(nlohmann::json::parse(text));
    } catch (const std::exception& e) {
        Problem(file.string() + ": damaged: " + e.what());
        return ERROR_GEN_FAILURE;
    }
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::SaveState(const RootState& state) {
    std::string error;
    if (!WriteTextFile(root_ / kStateFile, ToJson(state).dump(1) + "\n", error)) {
        Problem(error);
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::LoadRegistry(RegistryTree& tree) {
    const fs::path file = root_ / kRegistryFile;
    std::string text, error;
    if (!ReadTextFile(file, text, error)) {
        Problem(error);
        return ERROR_BADDB;
    }
    if (!ParseRegistryText(text, tree, error)) {
        Problem(file.string() + ": " + error);
        return ERROR_REGISTRY_CORRUPT;
    }
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::SaveRegistry(const RegistryTree& tree) {
    std::string error;
    if (!WriteTextFile(root_ / kRegistryFile, FormatRegistryText(tree), error)) {
        Problem(error);
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

// ------------------------------------------------------------------------------------------------
// Paths

EmulatedWinSystem::Resolved EmulatedWinSystem::Resolve(std::string_view path,
                                                       bool allowWildcards) const {
    Resolved r;
    // A colon may only follow the drive letter.
    std::string chars(path);
    if (chars.size() > 1 && chars[1] == ':') chars[1] = '_';
    if (!ValidNameChars(chars, allowWildcards)) {
        r.error = ERROR_INVALID_NAME;
        return r;
    }
    if (path.empty()) {
        r.error = ERROR_PATH_NOT_FOUND;
        return r;
    }
    std::string full;
    auto isSep = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && isSep(path[0]) && isSep(path[1])) {
        r.error = ERROR_BAD_NETPATH;
        return r;
    }
    if (path.size() >= 2 && path[1] == ':') {
        if (path.size() >= 3 && isSep(path[2])) {
            full = std::string(path);
        } else if (std::toupper(static_cast<unsigned char>(path[0])) == cwd_[0]) {
            full = cwd_ + "\\" + std::string(path.substr(2));
        } else {
            full = std::string(path.substr(0, 2)) + "\\" + std::string(path.substr(2));
        }
    } else if (isSep(path[0])) {
        full = cwd_.substr(0, 2) + std::string(path);
    } else {
        full = cwd_ + "\\" + std::string(path);
    }
    r.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(full[0])));
    if (r.drive == 'C') {
        r.host = driveC_;
    } else if (r.drive == 'Z') {
        r.host = "/";
    } else {
        r.error = ERROR_PATH_NOT_FOUND;
        return r;
    }
    // Lexical normalisation as GetFullPathName does it.
    std::vector<std::string> parts;
    std::size_t start = 3;
    while (start <= full.size()) {
        std::size_t end = start;
        while (end < full.size() && !isSep(full[end])) ++end;
        std::string part = full.substr(start, end - start);
        start = end + 1;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        if (part == ".") continue;
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (part.empty()) continue;
        if (part.size() > 255) {
            r.error = ERROR_FILENAME_EXCED_RANGE;
            return r;
        }
        parts.push_back(std::move(part));
    }
    r.win = std::string(1, r.drive) + ":\\";
    r.parentExists = true;
    r.exists = true;
    r.isDir = true;
    r.isDriveRoot = parts.empty();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string actual = part;
        bool found = false;
        if (r.exists && r.isDir) {
            std::error_code ec;
            const fs::path exact = r.host / HostName(part);
            if (fs::exists(fs::symlink_status(exact, ec))) {
                found = true;
            } else if (part.find_first_of("*?") == std::string::npos) {
                for (fs::directory_iterator it(r.host, ec), end; !ec && it != end;
                     it.increment(ec)) {
                    std::string name;
                    if (!FromUtf8(it->path().filename().string(), name)) continue;
                    if (Same(name, part)) {
                        actual = name;
                        found = true;
                        break;
                    }
                }
            }
        }
        if (i + 1 == parts.size()) r.parentExists = r.exists && r.isDir;
        if (found) {
            r.host /= HostName(actual);
            std::error_code ec;
            const auto st = fs::status(r.host, ec);
            r.exists = fs::exists(st);
            r.isDir = fs::is_directory(st);
        } else {
            r.host /= HostName(actual);
            r.exists = false;
            r.isDir = false;
        }
        if (r.win.back() != '\\') r.win += '\\';
        r.win += actual;
    }
    if (r.win.size() > 259) r.error = ERROR_FILENAME_EXCED_RANGE;
    return r;
}

// The error for a path that must name an existing file or directory; ERROR_SUCCESS when it does.
Dword EmulatedWinSystem::ErrorForExisting(const Resolved& r) const {
    if (r.error) return r.error;
    if (!r.parentExists) return ERROR_PATH_NOT_FOUND;
    if (!r.exists) return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

std::optional<fs::path> EmulatedWinSystem::HostPath(std::string_view winPath) {
    const Resolved r = Resolve(winPath);
    if (r.error) return std::nullopt;
    return r.host;
}

std::optional<std::string> EmulatedWinSystem::WindowsPath(const fs::path& hostPath) const {
    std::error_code ec;
    fs::path abs = fs::absolute(hostPath, ec).lexically_normal();
    if (ec) return std::nullopt;
    std::string out;
    fs::path rest;
    const fs::path rel = abs.lexically_relative(driveC_);
    if (!rel.empty() && *rel.begin() != "..") {
        out = "C:";
        rest = rel == "." ? fs::path() : rel;
    } else {
        out = "Z:";
        rest = abs.relative_path();
    }
    for (const auto& part : rest) {
        if (part.empty() || part == ".") continue;
        std::string name;
        if (!FromUtf8(part.string(), name)) return std::nullopt;
        out += '\\';
        out += name;
    }
    if (out.size() == 2) out += '\\';
    return out;
}

Dword EmulatedWinSystem::SetCurrentDirectory(std::string_view path) {
    const Resolved r = Resolve(path);
    if (const Dword e = ErrorForExisting(r)) return e;
    if (!r.isDir) return ERROR_DIRECTORY;
    cwd_ = r.win;
    return ERROR_SUCCESS;
}

bool EmulatedWinSystem::IsInUse(const RootState& state, const Resolved& r) const {
    return std::any_of(state.faults.inUse.begin(), state.faults.inUse.end(),
                       [&](const std::string& p) { return Same(p, r.win); });
}

bool EmulatedWinSystem::IsDenied(const RootState& state, const Resolved& r) const {
    return std::any_of(state.faults.denied.begin(), state.faults.denied.end(),
                       [&](const std::string& p) { return Same(p, r.win); });
}

// ------------------------------------------------------------------------------------------------
// Opening and laying out a root

std::unique_ptr<EmulatedWinSystem> EmulatedWinSystem::Open(const fs::path& root, OsKind kindForNew,
                                                           std::string& error, MessageSink* sink) {
    std::unique_ptr<EmulatedWinSystem> sys(new EmulatedWinSystem());
    std::error_code ec;
    sys->root_ = fs::absolute(root, ec).lexically_normal();
    if (sys->root_.has_filename() == false) sys->root_ = sys->root_.parent_path();
    sys->driveC_ = sys->root_ / "drive_c";
    sys->sink_ = sink;
    sys->cwd_ = "C:\\";
    fs::create_directories(sys->root_, ec);
    if (ec) {
        error = sys->root_.string() + ": " + ec.message();
        return nullptr;
    }
    LockGuard lock(*sys);
    if (lock.error()) {
        error = sys->lastProblem_.empty() ? (sys->root_ / kLockFile).string() + ": cannot lock"
                                          : sys->lastProblem_;
        return nullptr;
    }
    if (!fs::exists(sys->root_ / kStateFile)) {
        // A new root: only an empty folder (apart from the lock) becomes one.
        for (const auto& entry : fs::directory_iterator(sys->root_, ec)) {
            if (entry.path().filename() != kLockFile) {
                error = sys->root_.string() +
                        ": not an emulated Windows system (no winroot.json) and not empty";
                return nullptr;
            }
        }
        if (kindForNew == OS_OTHER) {
            error = sys->root_.string() + ": no kind of system given for a new root";
            return nullptr;
        }
        if (sys->Layout(kindForNew) != ERROR_SUCCESS) {
            error = sys->lastProblem_.empty() ? sys->root_.string() + ": cannot lay out"
                                              : sys->lastProblem_;
            return nullptr;
        }
    }
    RootState state;
    if (sys->LoadState(state) != ERROR_SUCCESS) {
        error = sys->lastProblem_;
        return nullptr;
    }
    sys->kind_ = state.kind;
    sys->user_ = state.user;
    // The current directory: the process's own when it has a name here.
    const auto cwdHost = fs::current_path(ec);
    if (!ec) {
        if (auto w = sys->WindowsPath(cwdHost)) sys->cwd_ = *w;
    }
    return sys;
}

Dword EmulatedWinSystem::Layout(OsKind kind) {
    RootState state;
    state.kind = kind;
    state.user = kind == OS_WIN95 ? "" : "Administrator";
    kind_ = kind;
    user_ = state.user;
    const std::string win = WindowsDirOf(kind);
    std::vector<std::string> dirs = {win, SystemDirOf(kind)};
    RegistryTree reg;
    auto set = [&](HKey root, const char* path, const char* name, RegValue v) {
        std::vector<std::string> parts;
        SplitKeyPath(path, parts);
        reg.Find(root, parts, true)->SetValue(name, std::move(v));
    };
    auto key = [&](HKey root, const char* path) {
        std::vector<std::string> parts;
        SplitKeyPath(path, parts);
        reg.Find(root, parts, true);
    };
    const char* cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const std::string hkcuShell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    const std::string shellFolders = hkcuShell + "\\Shell Folders";
    const std::string userShellFolders = hkcuShell + "\\User Shell Folders";
    const std::string hklmShell = std::string(cv) + "\\Explorer\\Shell Folders";
    const std::string hklmUserShell = std::string(cv) + "\\Explorer\\User Shell Folders";
    key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes");
    key(HKEY_LOCAL_MACHINE, kSessionManager);
    if (kind == OS_WIN95 || kind == OS_NT4) {
        dirs.insert(dirs.end(), {"C:\\Program Files", "C:\\Program Files\\Common Files"});
        set(HKEY_LOCAL_MACHINE, cv, "ProgramFilesDir", RegValue::Sz("C:\\Program Files"));
        set(HKEY_LOCAL_MACHINE, cv, "CommonFilesDir",
            RegValue::Sz("C:\\Program Files\\Common Files"));
        key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
        key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    }
    if (kind == OS_WIN95) {
        const std::string menu = win + "\\Start Menu";
        dirs.insert(dirs.end(), {win + "\\COMMAND", win + "\\TEMP", win + "\\Desktop", menu,
                                 menu + "\\Programs", menu + "\\Programs\\StartUp"});
        set(HKEY_LOCAL_MACHINE, cv, "SystemRoot", RegValue::Sz(win));
        set(HKEY_LOCAL_MACHINE, cv, "VersionNumber", RegValue::Sz("4.00.950"));
        set(HKEY_LOCAL_MACHINE, cv, "Version", RegValue::Sz("Windows 95"));
        for (const auto& [name, dir] : std::vector<std::pair<const char*, std::string>>{
                 {"Desktop", win + "\\Desktop"},
                 {"Programs", menu + "\\Programs"},
                 {"Start Menu", menu},
                 {"Startup", menu + "\\Programs\\StartUp"}}) {
            set(HKEY_CURRENT_USER, shellFolders.c_str(), name, RegValue::Sz(dir));
        }
    } else {
        const char* version = kind == OS_NT4 ? "4.0" : "3.51";
        const char* build = kind == OS_NT4 ? "1381" : "1057";
        const char* nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
        set(HKEY_LOCAL_MACHINE, nt, "CurrentVersion", RegValue::Sz(version));
        set(HKEY_LOCAL_MACHINE, nt, "CurrentBuildNumber", RegValue::Sz(build));
        set(HKEY_LOCAL_MACHINE, nt, "SystemRoot", RegValue::Sz(win));
    }
    if (kind == OS_NT4) {
        const std::string profiles = win + "\\Profiles";
        const std::string all = profiles + "\\All Users";
        const std::string mine = profiles + "\\" + user_;
        dirs.insert(dirs.end(), {win + "\\system", "C:\\TEMP", profiles});
        for (const std::string& p : {all, mine, profiles + "\\Default User"}) {
            dirs.insert(dirs.end(),
                        {p, p + "\\Desktop", p + "\\Start Menu", p + "\\Start Menu\\Programs",
                         p + "\\Start Menu\\Programs\\Startup"});
        }
        // The shell folders of the user's profile, and the same of All Users as "Common ...".
        const std::pair<const char*, const char*> folders[] = {
            {"Desktop", "\\Desktop"},
            {"Programs", "\\Start Menu\\Programs"},
            {"Start Menu", "\\Start Menu"},
            {"Startup", "\\Start Menu\\Programs\\Startup"}};
        for (const auto& [name, sub] : folders) {
            const std::string common = std::string("Common ") + name;
            set(HKEY_LOCAL_MACHINE, hklmShell.c_str(), common.c_str(), RegValue::Sz(all + sub));
            set(HKEY_LOCAL_MACHINE, hklmUserShell.c_str(), common.c_str(),
                RegValue::ExpandSz("%SystemRoot%\\Profiles\\All Users" + std::string(sub)));
            set(HKEY_CURRENT_USER, shellFolders.c_str(), name, RegValue::Sz(mine + sub));
            set(HKEY_CURRENT_USER, userShellFolders.c_str(), name,
                RegValue::ExpandSz("%USERPROFILE%" + std::string(sub)));
        }
    }
    if (kind == OS_NT351) {
        dirs.push_back("C:\\TEMP");
        state.progman = DefaultProgmanGroups(win);
    }
    std::error_code ec;
    fs::create_directories(driveC_, ec);
    if (ec) {
        Problem(driveC_.string() + ": " + ec.message());
        return ERROR_ACCESS_DENIED;
    }
    for (const auto& d : dirs) {
        const Dword e = CreateDirectory(d);
        if (e != ERROR_SUCCESS && e != ERROR_ALREADY_EXISTS) {
            Problem(driveC_.string() + ": cannot create " + d);
            return e;
        }
    }
    if (const Dword e = SaveRegistry(reg)) return e;
    return SaveState(state);
}

std::string EmulatedWinSystem::GetWindowsDirectory() { return WindowsDirOf(kind_); }
std::string EmulatedWinSystem::GetSystemDirectory() { return SystemDirOf(kind_); }

Dword EmulatedWinSystem::ExpandEnvironmentStrings(std::string_view text, std::string& out) {
    const std::string win = WindowsDirOf(kind_);
    std::vector<std::pair<std::string, std::string>> env = {
        {"windir", win}, {"TEMP", kind_ == OS_WIN95 ? win + "\\TEMP" : "C:\\TEMP"}};
    env.emplace_back("TMP", env[1].second);
    if (kind_ == OS_WIN95) {
        env.insert(env.end(), {{"COMSPEC", win + "\\COMMAND.COM"},
                               {"PATH", win + ";" + win + "\\COMMAND"},
                               {"PROMPT", "$p$g"}});
    } else {
        env.insert(env.end(), {{"SystemRoot", win},
                               {"SystemDrive", "C:"},
                               {"ComSpec", win + "\\system32\\cmd.exe"},
                               {"OS", "Windows_NT"},
                               {"USERNAME", user_},
                               {"COMPUTERNAME", "FOLIO32"},
                               {"HOMEDRIVE", "C:"},
                               {"HOMEPATH", "\\"}});
        if (kind_ == OS_NT4) env.emplace_back("USERPROFILE", win + "\\Profiles\\" + user_);
    }
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find('%', i);
        if (open == std::string_view::npos) break;
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(i, open - i));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const auto it = std::find_if(env.begin(), env.end(),
                                     [&](const auto& e) { return Same(e.first, name); });
        if (it != env.end() && !name.empty()) {
            out += it->second;
            i = close + 1;
        } else {
            // Unknown: kept as it stands; the closing % may open the next reference.
            out.append(text.substr(open, close - open));
            i = close;
        }
    }
    out.append(text.substr(std::min(i, text.size())));
    return ERROR_SUCCESS;
}

// ------------------------------------------------------------------------------------------------
// Files

Dword EmulatedWinSystem::AttributesOf(const Resolved& r, const RootState& state,
                                      FileInfo& info) const {
    struct stat st {};
    if (::stat(r.host.c_str(), &st) != 0) return FromErrno(errno);
    const bool dir = S_ISDIR(st.st_mode);
    const auto it = state.attributes.find(r.win);
    Dword bits = it != state.attributes.end() ? it->second : (dir ? 0 : FILE_ATTRIBUTE_ARCHIVE);
    if (dir) {
        bits = (bits & (kStoredBits | FILE_ATTRIBUTE_READONLY)) | FILE_ATTRIBUTE_DIRECTORY;
    } else {
        bits &= kStoredBits;
        if (!(st.st_mode & S_IWUSR)) bits |= FILE_ATTRIBUTE_READONLY;
        if (bits == 0) bits = FILE_ATTRIBUTE_NORMAL;
    }
    info.attributes = bits;
    info.size = dir ? 0 : static_cast<std::uint64_t>(st.st_size);
    info.lastWrite = ToFileTime(st.st_mtim);
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::GetFileAttributesEx(std::string_view path, FileInfo& info) {
    const Resolved r = Resolve(path);
    if (const Dword e = ErrorForExisting(r)) return e;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    return AttributesOf(r, state, info);
}

Dword EmulatedWinSystem::SetFileAttributes(std::string_view path, Dword attributes) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    const Resolved r = Resolve(path);
    if (const Dword e = ErrorForExisting(r)) return e;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    if (IsDenied(state, r)) return ERROR_ACCESS_DENIED;
    if (attributes == FILE_ATTRIBUTE_NORMAL) attributes = 0;
    if (r.isDir) {
        state.attributes[r.win] = attributes & (kStoredBits | FILE_ATTRIBUTE_READONLY);
    } else {
        struct stat st {};
        if (::stat(r.host.c_str(), &st) != 0) return FromErrno(errno);
        mode_t mode = st.st_mode & 07777;
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
        } else {
            mode |= S_IWUSR;
        }
        if (::chmod(r.host.c_str(), mode) != 0) return FromErrno(errno);
        const Dword stored = attributes & kStoredBits;
        if (stored == FILE_ATTRIBUTE_ARCHIVE) {
            state.attributes.erase(r.win);
        } else {
            state.attributes[r.win] = stored;
        }
    }
    return SaveState(state);
}

Dword EmulatedWinSystem::CheckReplaceable(const Resolved& r, const RootState& state,
                                          bool honourInUse, FileInfo& info) const {
    if (const Dword e = AttributesOf(r, state, info)) return e;
    if (r.isDir || IsDenied(state, r) || (info.attributes & FILE_ATTRIBUTE_READONLY)) {
        return ERROR_ACCESS_DENIED;
    }
    if (honourInUse && IsInUse(state, r)) return ERROR_SHARING_VIOLATION;
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    const Resolved src = Resolve(from);
    if (const Dword e = ErrorForExisting(src)) return e;
    const Resolved dst = Resolve(to);
    if (dst.error) return dst.error;
    if (!dst.parentExists) return ERROR_PATH_NOT_FOUND;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    if (src.isDir || IsDenied(state, src)) return ERROR_ACCESS_DENIED;
    FileInfo srcInfo;
    if (const Dword e = AttributesOf(src, state, srcInfo)) return e;
    if (dst.exists) {
        if (dst.host == src.host) return ERROR_SHARING_VIOLATION;
        if (failIfExists) return ERROR_FILE_EXISTS;
        FileInfo dstInfo;
        if (const Dword e = CheckReplaceable(dst, state, true, dstInfo)) return e;
        // Replacing a hidden or system file with one that is not fails, as creating it does.
        const Dword guarded = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if ((dstInfo.attributes & guarded) & ~(srcInfo.attributes & guarded)) {
            return ERROR_ACCESS_DENIED;
        }
    }
    if (dst.drive == 'C' && state.faults.diskFull) return ERROR_DISK_FULL;
    if (const int err = CopyHostFile(src.host, dst.host)) return FromErrno(err);
    const Resolved made = Resolve(to);
    const auto it = state.attributes.find(src.win);
    if (it != state.attributes.end()) {
        state.attributes[made.win] = it->second | FILE_ATTRIBUTE_ARCHIVE;
    } else {
        state.attributes.erase(made.win);
    }
    return SaveState(state);
}

Dword EmulatedWinSystem::DeleteImpl(std::string_view path) {
    const Resolved r = Resolve(path);
    if (const Dword e = ErrorForExisting(r)) return e;
    if (r.isDir) return ERROR_ACCESS_DENIED;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    FileInfo info;
    if (const Dword e = CheckReplaceable(r, state, true, info)) return e;
    if (::unlink(r.host.c_str()) != 0) return FromErrno(errno);
    if (state.attributes.erase(r.win)) return SaveState(state);
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::DeleteFile(std::string_view path) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    return DeleteImpl(path);
}

Dword EmulatedWinSystem::CreateDirectory(std::string_view path) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    const Resolved r = Resolve(path);
    if (r.error) return r.error;
    if (!r.parentExists) return ERROR_PATH_NOT_FOUND;
    if (r.exists || r.isDriveRoot) return ERROR_ALREADY_EXISTS;
    if (r.drive == 'C' && fs::exists(root_ / kStateFile)) {
        RootState state;
        if (const Dword e = LoadState(state)) return e;
        if (state.faults.diskFull) return ERROR_DISK_FULL;
    }
    if (::mkdir(r.host.c_str(), 0755) != 0) return FromErrno(errno);
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::RemoveDirectory(std::string_view path) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    const Resolved r = Resolve(path);
    if (const Dword e = ErrorForExisting(r)) return e;
    if (!r.isDir) return ERROR_DIRECTORY;
    if (r.isDriveRoot) return ERROR_ACCESS_DENIED;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    if (IsDenied(state, r)) return ERROR_ACCESS_DENIED;
    // The current directory (or one containing it) is in use.
    if (Same(cwd_.substr(0, std::min(cwd_.size(), r.win.size())), r.win) &&
        (cwd_.size() == r.win.size() || cwd_[r.win.size()] == '\\')) {
        return ERROR_SHARING_VIOLATION;
    }
    if (::rmdir(r.host.c_str()) != 0) return FromErrno(errno == EEXIST ? ENOTEMPTY : errno);
    if (state.attributes.erase(r.win)) return SaveState(state);
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::FindFiles(std::string_view pattern, std::vector<FindData>& out) {
    out.clear();
    const std::size_t slash = pattern.find_last_of("\\/");
    std::string dir;
    std::string_view name;
    if (slash != std::string_view::npos) {
        dir = std::string(pattern.substr(0, slash + 1));
        name = pattern.substr(slash + 1);
    } else if (pattern.size() >= 2 && pattern[1] == ':') {
        dir = std::string(pattern.substr(0, 2));
        name = pattern.substr(2);
    } else {
        dir = cwd_;
        name = pattern;
    }
    const Resolved r = Resolve(dir);
    if (r.error) return r.error;
    if (!r.exists || !r.isDir) return ERROR_PATH_NOT_FOUND;
    if (!ValidNameChars(name, true)) return ERROR_INVALID_NAME;
    if (name.empty()) return ERROR_FILE_NOT_FOUND;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    std::vector<FindData> found;
    auto add = [&](const std::string& entryName, const Resolved& entry) {
        if (!WildcardMatch(name, entryName)) return;
        FileInfo info;
        if (AttributesOf(entry, state, info) != ERROR_SUCCESS) return;
        found.push_back({entryName, info.attributes, info.size, info.lastWrite});
    };
    if (!r.isDriveRoot) {
        for (const char* dot : {".", ".."}) {
            Resolved e = r;
            if (std::string_view(dot) == "..") {
                e = Resolve(r.win + "\\..");
            }
            add(dot, e);
        }
    }
    std::vector<std::pair<std::string, Resolved>> entries;
    std::error_code ec;
    for (fs::directory_iterator it(r.host, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entryName;
        if (!FromUtf8(it->path().filename().string(), entryName)) continue;
        Resolved e = r;
        e.host = it->path();
        e.win = r.win + (r.win.back() == '\\' ? "" : "\\") + entryName;
        entries.emplace_back(entryName, e);
    }
    if (ec) return FromErrno(ec.value());
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return CompareNoCase(a.first, b.first) < 0; });
    for (const auto& [entryName, e] : entries) add(entryName, e);
    if (found.empty()) return ERROR_FILE_NOT_FOUND;
    out = std::move(found);
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::MoveImpl(std::string_view from, std::string_view to, bool replace,
                                  bool copyAllowed, bool honourInUse) {
    const Resolved src = Resolve(from);
    if (const Dword e = ErrorForExisting(src)) return e;
    const Resolved dst = Resolve(to);
    if (dst.error) return dst.error;
    if (!dst.parentExists) return ERROR_PATH_NOT_FOUND;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    if (IsDenied(state, src)) return ERROR_ACCESS_DENIED;
    if (honourInUse && IsInUse(state, src)) return ERROR_SHARING_VIOLATION;
    const bool sameFile = dst.exists && dst.host == src.host;
    if (dst.exists && !sameFile) {
        if (!replace || dst.isDir || src.isDir) return ERROR_ALREADY_EXISTS;
        FileInfo info;
        if (const Dword e = CheckReplaceable(dst, state, honourInUse, info)) return e;
    }
    if (src.isDir && dst.drive != src.drive) return ERROR_NOT_SAME_DEVICE;
    fs::path target = dst.host;
    if (sameFile) {
        // A change of case only: the name as given.
        std::string_view last = to.substr(to.find_last_of("\\/:") + 1);
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.remove_suffix(1);
        if (!last.empty()) target = dst.host.parent_path() / HostName(last);
    }
    bool copied = false;
    if (dst.drive != src.drive) {
        if (!copyAllowed) return ERROR_NOT_SAME_DEVICE;
        if (dst.drive == 'C' && state.faults.diskFull) return ERROR_DISK_FULL;
        if (const int err = CopyHostFile(src.host, dst.host)) return FromErrno(err);
        copied = true;
    } else if (::rename(src.host.c_str(), target.c_str()) != 0) {
        if (errno != EXDEV || src.isDir) return FromErrno(errno);
        if (const int err = CopyHostFile(src.host, dst.host)) return FromErrno(err);
        copied = true;
    }
    // A move copied from the host's own files (Z:) leaves them in place, as a move from
    // read-only media does: the emulation never removes the user's files on its own.
    if (copied && src.drive != 'Z' && ::unlink(src.host.c_str()) != 0) {
        const int err = errno;
        ::unlink(dst.host.c_str());
        return FromErrno(err);
    }
    // Stored attributes follow the file (and, for a directory, everything under it).
    const Resolved made = Resolve(to);
    std::map<std::string, Dword> moved;
    for (auto it = state.attributes.begin(); it != state.attributes.end();) {
        const std::string& p = it->first;
        const bool inside = p.size() > src.win.size() && p[src.win.size()] == '\\' &&
                            Same(std::string_view(p).substr(0, src.win.size()), src.win);
        if (Same(p, src.win) || Same(p, made.win) || inside) {
            if (!Same(p, made.win) || Same(p, src.win)) {
                moved[inside ? made.win + p.substr(src.win.size()) : made.win] = it->second;
            }
            it = state.attributes.erase(it);
        } else {
            ++it;
        }
    }
    state.attributes.insert(moved.begin(), moved.end());
    return SaveState(state);
}

Dword EmulatedWinSystem::MoveFile(std::string_view from, std::string_view to) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    return MoveImpl(from, to, false, true, true);
}

Dword EmulatedWinSystem::RecordDelayedMove(std::string_view from, std::string_view to,
                                           bool replace) {
    const Resolved src = Resolve(from);
    if (src.error) return src.error;
    std::string entry = "\\??\\" + src.win;
    entry += '\0';
    if (!to.empty()) {
        const Resolved dst = Resolve(to);
        if (dst.error) return dst.error;
        entry += (replace ? "!\\??\\" : "\\??\\") + dst.win;
    }
    entry += '\0';
    RegistryTree tree;
    if (const Dword e = LoadRegistry(tree)) return e;
    std::vector<std::string> parts;
    SplitKeyPath(kSessionManager, parts);
    RegKeyNode* node = tree.Find(HKEY_LOCAL_MACHINE, parts, true);
    RegValue value{REG_MULTI_SZ, {}};
    if (const RegValue* old = node->FindValue(kPendingValue)) value.data = old->data;
    value.data += entry;
    node->SetValue(kPendingValue, std::move(value));
    return SaveRegistry(tree);
}

Dword EmulatedWinSystem::MoveFileEx(std::string_view from, std::string_view to, Dword flags) {
    if (kind_ == OS_WIN95) return ERROR_CALL_NOT_IMPLEMENTED;
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        return RecordDelayedMove(from, to, (flags & MOVEFILE_REPLACE_EXISTING) != 0);
    }
    if (to.empty()) return ERROR_INVALID_PARAMETER;
    return MoveImpl(from, to, (flags & MOVEFILE_REPLACE_EXISTING) != 0,
                    (flags & MOVEFILE_COPY_ALLOWED) != 0, true);
}

Dword EmulatedWinSystem::ReadFile(std::string_view path, std::string& bytes) {
    const Resolved r = Resolve(path);
    if (const Dword e = ErrorForExisting(r)) return e;
    if (r.isDir) return ERROR_ACCESS_DENIED;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    if (IsDenied(state, r)) return ERROR_ACCESS_DENIED;
    return FromErrno(ReadHostFile(r.host, bytes));
}

Dword EmulatedWinSystem::WriteFile(std::string_view path, std::string_view bytes, WriteMode mode) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    const Resolved r = Resolve(path);
    if (r.error) return r.error;
    if (!r.parentExists) return ERROR_PATH_NOT_FOUND;
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    if (r.exists) {
        FileInfo info;
        if (const Dword e = CheckReplaceable(r, state, true, info)) return e;
    }
    if (r.drive == 'C' && state.faults.diskFull) return ERROR_DISK_FULL;
    return FromErrno(WriteHostFile(r.host, bytes, mode == WriteMode::Append));
}

Dword EmulatedWinSystem::GetFileVersionInfoSize(std::string_view path, Dword& size) {
    std::string block;
    const Dword e = GetFileVersionInfo(path, block);
    if (e == ERROR_SUCCESS) size = static_cast<Dword>(block.size());
    return e;
}

Dword EmulatedWinSystem::GetFileVersionInfo(std::string_view path, std::string& block) {
    std::string image;
    if (const Dword e = ReadFile(path, image)) return e;
    return FindVersionResource(image, block);
}

// ------------------------------------------------------------------------------------------------
// Registry

Dword EmulatedWinSystem::KeyPath(HKey key, HKey& root, std::vector<std::string>& path,
                                 Dword& access) const {
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
        key == HKEY_USERS) {
        root = key;
        path.clear();
        access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    const auto it = keys_.find(static_cast<std::uint32_t>(key));
    if (it == keys_.end()) return ERROR_INVALID_HANDLE;
    root = it->second.root;
    path = it->second.path;
    access = it->second.access;
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::OpenKeyImpl(HKey parent, std::string_view path, Dword access, bool create,
                                     HKey& key) {
    HKey root;
    std::vector<std::string> base, parts;
    Dword parentAccess;
    if (const Dword e = KeyPath(parent, root, base, parentAccess)) return e;
    if (!SplitKeyPath(path, parts)) return ERROR_BAD_PATHNAME;
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    RegistryTree tree;
    if (const Dword e = LoadRegistry(tree)) return e;
    RegKeyNode* node = tree.Find(root, base);
    if (!node) return ERROR_KEY_DELETED;
    bool created = false;
    std::vector<std::string> full = base;
    for (const auto& p : parts) {
        RegKeyNode* next = node->FindSubkey(p);
        if (!next) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            if (!StorableName(p)) return ERROR_INVALID_PARAMETER;
            if (!(parentAccess & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
            next = &node->AddSubkey(p);
            created = true;
        }
        node = next;
        full.push_back(node->name);
    }
    if (created) {
        if (const Dword e = SaveRegistry(tree)) return e;
    }
    const std::uint32_t id = nextKey_;
    nextKey_ += 4;
    keys_[id] = {root, std::move(full), access};
    key = HKey{id};
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::RegOpenKey(HKey parent, std::string_view path, Dword access, HKey& key) {
    return OpenKeyImpl(parent, path, access, false, key);
}

Dword EmulatedWinSystem::RegCreateKey(HKey parent, std::string_view path, Dword access, HKey& key) {
    return OpenKeyImpl(parent, path, access, true, key);
}

Dword EmulatedWinSystem::RegCloseKey(HKey key) {
    HKey root;
    std::vector<std::string> path;
    Dword access;
    if (const Dword e = KeyPath(key, root, path, access)) return e;
    keys_.erase(static_cast<std::uint32_t>(key));
    return ERROR_SUCCESS;
}

Dword EmulatedWinSystem::RegQueryValue(HKey key, std::string_view name, RegValue& value,
                                       Dword bufferSize) {
    return ReadKey(key, KEY_QUERY_VALUE, [&](const RegKeyNode& node) {
        const RegValue* v = node.FindValue(name);
        if (!v) return ERROR_FILE_NOT_FOUND;
        if (v->ByteSize() > bufferSize) return ERROR_MORE_DATA;
        value = *v;
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::ReadKey(HKey key, Dword access,
                                 const std::function<Dword(const RegKeyNode&)>& read) {
    HKey root;
    std::vector<std::string> path;
    Dword granted;
    if (const Dword e = KeyPath(key, root, path, granted)) return e;
    if ((granted & access) != access) return ERROR_ACCESS_DENIED;
    RegistryTree tree;
    if (const Dword e = LoadRegistry(tree)) return e;
    const RegKeyNode* node = tree.Find(root, path);
    if (!node) return ERROR_KEY_DELETED;
    return read(*node);
}

Dword EmulatedWinSystem::RegEnumKeys(HKey key, std::vector<std::string>& names) {
    names.clear();
    return ReadKey(key, KEY_ENUMERATE_SUB_KEYS, [&](const RegKeyNode& node) {
        for (const auto& sub : node.subkeys) names.push_back(sub->name);
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::RegEnumValues(HKey key, std::vector<std::string>& names) {
    names.clear();
    return ReadKey(key, KEY_QUERY_VALUE, [&](const RegKeyNode& node) {
        for (const auto& v : node.values) names.push_back(v.first);
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::ChangeKey(HKey key, Dword access,
                                   const std::function<Dword(RegKeyNode&)>& change) {
    HKey root;
    std::vector<std::string> path;
    Dword granted;
    if (const Dword e = KeyPath(key, root, path, granted)) return e;
    if ((granted & access) != access) return ERROR_ACCESS_DENIED;
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    RegistryTree tree;
    if (const Dword e = LoadRegistry(tree)) return e;
    RegKeyNode* node = tree.Find(root, path);
    if (!node) return ERROR_KEY_DELETED;
    if (const Dword e = change(*node)) return e;
    return SaveRegistry(tree);
}

Dword EmulatedWinSystem::RegSetValue(HKey key, std::string_view name, const RegValue& value) {
    if (!StorableName(name)) return ERROR_INVALID_PARAMETER;
    return ChangeKey(key, KEY_SET_VALUE, [&](RegKeyNode& node) {
        node.SetValue(name, value);
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::RegDeleteKey(HKey key, std::string_view name) {
    std::vector<std::string> parts;
    if (!SplitKeyPath(name, parts)) return ERROR_BAD_PATHNAME;
    if (parts.empty()) return ERROR_ACCESS_DENIED;
    return ChangeKey(key, 0, [&](RegKeyNode& base) {
        RegKeyNode* node = &base;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            node = node->FindSubkey(parts[i]);
            if (!node) return ERROR_FILE_NOT_FOUND;
        }
        const RegKeyNode* victim = node->FindSubkey(parts.back());
        if (!victim) return ERROR_FILE_NOT_FOUND;
        if (kind_ != OS_WIN95 && !victim->subkeys.empty()) return ERROR_ACCESS_DENIED;
        node->RemoveSubkey(parts.back());
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::RegDeleteValue(HKey key, std::string_view name) {
    return ChangeKey(key, KEY_SET_VALUE, [&](RegKeyNode& node) {
        return node.RemoveValue(name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

// ------------------------------------------------------------------------------------------------
// INI files and shortcuts

Dword EmulatedWinSystem::WritePrivateProfileString(std::string_view section, std::string_view key,
                                                   std::string_view value, std::string_view file) {
    std::string path(file);
    if (file.find_first_of("\\/:") == std::string_view::npos) {
        path = GetWindowsDirectory() + "\\" + path;
    }
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    const Resolved r = Resolve(path);
    if (r.error) return r.error;
    if (!r.parentExists) return ERROR_PATH_NOT_FOUND;
    std::string text;
    if (r.exists) {
        std::string raw;
        if (const Dword e = ReadFile(path, raw)) return e;
        text = FromTextMode(raw);
    }
    // Lines, with the section and the key found without regard to case.
    std::vector<std::string> lines = SplitAt(text, '\n');
    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    };
    const std::string entry = std::string(key) + "=" + std::string(value);
    std::size_t sectionLine = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view t = trim(lines[i]);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']' &&
            Same(trim(t.substr(1, t.size() - 2)), section)) {
            sectionLine = i;
            break;
        }
    }
    if (sectionLine == lines.size()) {
        if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
    } else {
        std::size_t insertAt = sectionLine + 1;
        bool replaced = false;
        for (std::size_t i = sectionLine + 1; i < lines.size(); ++i) {
            const std::string_view t = trim(lines[i]);
            if (!t.empty() && t.front() == '[') break;
            if (!t.empty()) insertAt = i + 1;
            const std::size_t eq = t.find('=');
            if (eq != std::string_view::npos && Same(trim(t.substr(0, eq)), key)) {
                lines[i] = std::string(trim(t.substr(0, eq))) + "=" + std::string(value);
                replaced = true;
                break;
            }
        }
        if (!replaced) lines.insert(lines.begin() + static_cast<long>(insertAt), entry);
    }
    std::string joined;
    for (const auto& l : lines) joined += l + "\n";
    return WriteFile(path, ToTextMode(joined), WriteMode::Replace);
}

Dword EmulatedWinSystem::CreateShortcut(std::string_view target, std::string_view shortcut,
                                        std::string_view description, std::string_view workingDir) {
    ShellLinkData link;
    const Resolved t = Resolve(target);
    if (t.error) return t.error;
    link.target = t.win;
    link.description = std::string(description);
    link.workingDir = std::string(workingDir);
    if (t.exists) {
        RootState state;
        if (const Dword e = LoadState(state)) return e;
        FileInfo info;
        if (AttributesOf(t, state, info) == ERROR_SUCCESS) {
            link.targetAttributes = info.attributes;
            link.targetSize = static_cast<std::uint32_t>(info.size);
            link.targetWrite = info.lastWrite;
            link.targetCreation = info.lastWrite;
            link.targetAccess = info.lastWrite;
        }
    }
    return WriteFile(shortcut, BuildShellLink(link), WriteMode::Replace);
}

// ------------------------------------------------------------------------------------------------
// Program Manager

Dword EmulatedWinSystem::DdeConnect(std::string_view service, std::string_view topic,
                                    Conversation& conv) {
    if (!Same(service, "PROGMAN") || !Same(topic, "PROGMAN") || kind_ != OS_NT351) {
        return DMLERR_NO_CONV_ESTABLISHED;
    }
    RootState state;
    if (LoadState(state) != ERROR_SUCCESS || state.faults.progmanStopped) {
        return DMLERR_NO_CONV_ESTABLISHED;
    }
    conv = nextConversation_++;
    conversations_.insert(conv);
    return DMLERR_NO_ERROR;
}

Dword EmulatedWinSystem::DdeExecute(Conversation conv, std::string_view command, Dword) {
    if (!conversations_.count(conv)) return DMLERR_INVALIDPARAMETER;
    LockGuard lock(*this);
    if (lock.error()) return DMLERR_NOTPROCESSED;
    RootState state;
    if (LoadState(state) != ERROR_SUCCESS) return DMLERR_NOTPROCESSED;
    if (state.faults.progmanStopped) return DMLERR_EXECACKTIMEOUT;
    const Dword result = ProgmanExecute(state.progman, command, GetWindowsDirectory());
    if (SaveState(state) != ERROR_SUCCESS) return DMLERR_NOTPROCESSED;
    return result;
}

Dword EmulatedWinSystem::DdeRequest(Conversation conv, std::string_view item, Dword,
                                    std::string& reply) {
    if (!conversations_.count(conv)) return DMLERR_INVALIDPARAMETER;
    RootState state;
    if (LoadState(state) != ERROR_SUCCESS) return DMLERR_NOTPROCESSED;
    if (state.faults.progmanStopped) return DMLERR_DATAACKTIMEOUT;
    return ProgmanRequest(state.progman, item, reply) ? DMLERR_NO_ERROR : DMLERR_NOTPROCESSED;
}

Dword EmulatedWinSystem::DdeDisconnect(Conversation conv) {
    return conversations_.erase(conv) ? DMLERR_NO_ERROR : DMLERR_INVALIDPARAMETER;
}

// ------------------------------------------------------------------------------------------------
// Faults and restart

Dword EmulatedWinSystem::GetFaults(Faults& faults) {
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    faults = state.faults;
    return ERROR_SUCCESS;
}

namespace {

void Toggle(std::vector<std::string>& list, const std::string& path, bool on) {
    auto it =
        std::find_if(list.begin(), list.end(), [&](const std::string& p) { return Same(p, path); });
    if (on && it == list.end()) list.push_back(path);
    if (!on && it != list.end()) list.erase(it);
}

}  // namespace

Dword EmulatedWinSystem::UpdateState(const std::function<Dword(RootState&)>& change) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    RootState state;
    if (const Dword e = LoadState(state)) return e;
    if (const Dword e = change(state)) return e;
    return SaveState(state);
}

Dword EmulatedWinSystem::SetFileInUse(std::string_view path, bool inUse) {
    const Resolved r = Resolve(path);
    if (r.error) return r.error;
    return UpdateState([&](RootState& state) {
        Toggle(state.faults.inUse, r.win, inUse);
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::SetAccessDenied(std::string_view path, bool denied) {
    const Resolved r = Resolve(path);
    if (r.error) return r.error;
    return UpdateState([&](RootState& state) {
        Toggle(state.faults.denied, r.win, denied);
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::SetDiskFull(bool full) {
    return UpdateState([&](RootState& state) {
        state.faults.diskFull = full;
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::SetProgmanRunning(bool running) {
    return UpdateState([&](RootState& state) {
        state.faults.progmanStopped = !running;
        return ERROR_SUCCESS;
    });
}

Dword EmulatedWinSystem::Restart(std::vector<std::string>* done) {
    LockGuard lock(*this);
    if (lock.error()) return lock.error();
    if (const Dword e = UpdateState([](RootState& state) {
            state.faults.inUse.clear();
            return ERROR_SUCCESS;
        })) {
        return e;
    }
    auto note = [&](const std::string& line) {
        if (done) done->push_back(line);
    };
    auto replace = [&](const std::string& from, const std::string& to, bool overwrite) {
        if (to.empty()) {
            const Dword e = DeleteImpl(from);
            note(e ? "failed to delete " + from + " (error " + std::to_string(e) + ")"
                   : "deleted " + from);
            return;
        }
        const Dword e = MoveImpl(from, to, overwrite, true, false);
        note(e ? "failed to move " + from + " -> " + to + " (error " + std::to_string(e) + ")"
               : "moved " + from + " -> " + to);
    };
    if (kind_ == OS_WIN95) {
        const std::string ini = GetWindowsDirectory() + "\\WININIT.INI";
        const Resolved r = Resolve(ini);
        if (!r.exists) return ERROR_SUCCESS;
        std::string raw;
        if (const Dword e = ReadFile(ini, raw)) return e;
        bool inRename = false;
        for (std::string line : SplitAt(FromTextMode(raw), '\n')) {
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                inRename = Same(line, "[rename]");
                continue;
            }
            const std::size_t eq = line.find('=');
            if (!inRename || eq == std::string::npos) continue;
            const std::string dest = line.substr(0, eq);
            const std::string src = line.substr(eq + 1);
            if (Same(dest, "NUL")) {
                replace(src, "", true);
            } else {
                replace(src, dest, true);
            }
        }
        const Dword e = MoveImpl(ini, GetWindowsDirectory() + "\\WININIT.BAK", true, true, false);
        return e;
    }
    RegistryTree tree;
    if (const Dword e = LoadRegistry(tree)) return e;
    std::vector<std::string> parts;
    SplitKeyPath(kSessionManager, parts);
    RegKeyNode* node = tree.Find(HKEY_LOCAL_MACHINE, parts);
    const RegValue* pending = node ? node->FindValue(kPendingValue) : nullptr;
    if (!pending) return ERROR_SUCCESS;
    const std::vector<std::string> strings = SplitAt(pending->data, '\0');
    auto strip = [](std::string s) {
        if (s.rfind("\\??\\", 0) == 0) s.erase(0, 4);
        return s;
    };
    for (std::size_t i = 0; i < strings.size(); i += 2) {
        const std::string from = strip(strings[i]);
        std::string to = i + 1 < strings.size() ? strings[i + 1] : "";
        const bool overwrite = !to.empty() && to[0] == '!';
        if (overwrite) to.erase(0, 1);
        if (from.empty()) continue;
        replace(from, strip(to), overwrite);
    }
    node->RemoveValue(kPendingValue);
    return SaveRegistry(tree);
}

}  // namespace folio::win
