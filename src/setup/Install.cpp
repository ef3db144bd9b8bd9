#include "setup/Install.h"

#include <algorithm>

#include "platform/win/Registry.h"
#include "platform/win/VersionInfo.h"
#include "setup/ProgmanClient.h"

namespace folio::setup {

using namespace folio::win;

namespace {

// The errors that mean a file could not be read at all, as opposed to having no version
// resource.
bool IsReadError(Dword e) {
    switch (e) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_TOO_MANY_OPEN_FILES:
        case ERROR_ACCESS_DENIED:
        case ERROR_OUTOFMEMORY:
        case ERROR_NO_MORE_FILES:
        case ERROR_SHARING_VIOLATION:
        case ERROR_NETWORK_BUSY:
            return true;
        default:
            return false;
    }
}

bool IsNt(OsKind os) { return os == OS_NT4 || os == OS_NT351; }

std::string RootName(HKey root) {
    const char* name = RootKeyName(root);
    return name && *name ? name : "HKEY_USERS";
}

void SplitAtLastBackslash(std::string_view path, std::string& key, std::string& name) {
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos) {
        key.clear();
        name = path;
    } else {
        key = path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// The fixed file information of a file's version resource; false when it cannot be read.
bool ReadFixedInfo(WinSystem& sys, std::string_view path, VsFixedFileInfo& info) {
    std::string block;
    return sys.GetFileVersionInfo(path, block) == ERROR_SUCCESS &&
           VerQueryFixedFileInfo(block, info);
}

// Whether a module box shows a tick after the tick state `state` was exchanged with it: a
// state outside 0 to 2 goes in as 0, and a two-state box shows the third state as ticked.
bool BoxTicked(int state) { return state == 1 || state == 2; }

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string_view::npos;
}

}  // namespace

std::string VifBitNames(Dword bits) {
    static const std::pair<Dword, const char*> kNames[] = {
        {VIF_TEMPFILE, "VIF_TEMPFILE"},
        {VIF_MISMATCH, "VIF_MISMATCH"},
        {VIF_SRCOLD, "VIF_SRCOLD"},
        {VIF_DIFFLANG, "VIF_DIFFLANG"},
        {VIF_DIFFCODEPG, "VIF_DIFFCODEPG"},
        {VIF_DIFFTYPE, "VIF_DIFFTYPE"},
        {VIF_WRITEPROT, "VIF_WRITEPROT"},
        {VIF_FILEINUSE, "VIF_FILEINUSE"},
        {VIF_OUTOFSPACE, "VIF_OUTOFSPACE"},
        {VIF_ACCESSVIOLATION, "VIF_ACCESSVIOLATION"},
        {VIF_SHARINGVIOLATION, "VIF_SHARINGVIOLATION"},
        {VIF_CANNOTCREATE, "VIF_CANNOTCREATE"},
        {VIF_CANNOTDELETECUR, "VIF_CANNOTDELETECUR"},
        {VIF_CANNOTRENAME, "VIF_CANNOTRENAME"},
        {VIF_OUTOFMEMORY, "VIF_OUTOFMEMORY"},
        {VIF_CANNOTREADSRC, "VIF_CANNOTREADSRC"},
        {VIF_BUFFTOOSMALL, "VIF_BUFFTOOSMALL"},
        {VIF_CANNOTREADDST, "VIF_CANNOTREADDST"},
    };
    std::string text;
    for (const auto& [bit, name] : kNames) {
        if (bits & bit) text += name;
    }
    return text;
}

SetupRun::SetupRun(WinSystem& sys, MessageSink& sink, InstallObserver* observer)
    : sys_(sys), sink_(sink), observer_(observer ? observer : &noObserver_) {}

void SetupRun::SetFolders(std::string destDir, std::string groupName) {
    destDir_ = std::move(destDir);
    groupName_ = std::move(groupName);
}

InstallOutcome SetupRun::Run(const InstallChoices& choices) {
    if (!Prepare()) return InstallOutcome::Ended;
    return Install(choices);
}

bool SetupRun::Prepare() {
    os_ = sys_.GetOsKind();
    if (os_ != OS_WIN95 && os_ != OS_NT351 && os_ != OS_NT4) {
        sink_.Show("Unknown version of Windows. Install aborted.");
        return false;
    }
    if (!FindFolders()) return false;
    return LoadSetupScript(sys_, os_, script_, sink_);
}

bool SetupRun::QueryRegistryString(HKey root, std::string_view path, std::string& out) {
    std::string keyPath, name;
    SplitAtLastBackslash(path, keyPath, name);
    HKey key;
    if (sys_.RegOpenKey(root, keyPath, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return false;
    RegValue value;
    const Dword e = sys_.RegQueryValue(key, name, value, kMaxPath + 1);
    sys_.RegCloseKey(key);
    if (e != ERROR_SUCCESS || (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) return false;
    out = value.data;
    if (value.type == REG_EXPAND_SZ) {
        std::string expanded;
        if (sys_.ExpandEnvironmentStrings(value.data, expanded) == ERROR_SUCCESS &&
            expanded.size() <= kMaxPath) {
            out = expanded;
        }
    }
    return true;
}

bool SetupRun::FindFolders() {
    static const char* kCv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string cv = kCv;
    windowsDir_ = sys_.GetWindowsDirectory();
    systemDir_ = sys_.GetSystemDirectory();
    if (os_ == OS_NT351) {
        programDir_ = windowsDir_.empty() ? std::string("C:") : windowsDir_.substr(0, 1) + ":";
        return true;
    }
    if (!QueryRegistryString(HKEY_LOCAL_MACHINE, cv + "ProgramFilesDir", programDir_)) {
        sink_.Show("Failed to get registery value for ProgramDir");
        return false;
    }
    if (os_ == OS_NT4) {
        if (!QueryRegistryString(HKEY_LOCAL_MACHINE,
                                 cv + "Explorer\\Shell Folders\\Common Programs",
                                 programFolderDir_)) {
            sink_.Show("Failed to get registery value for ProgramFolderDir");
            return false;
        }
        if (!QueryRegistryString(
                HKEY_CURRENT_USER,
                "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
                "Folders\\Programs",
                userProgramFolderDir_)) {
            sink_.Show("Failed to get registery value for UserProgramFolderDir");
            return false;
        }
        return true;
    }
    const char* userPrograms =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Programs";
    if (!QueryRegistryString(HKEY_CURRENT_USER, userPrograms, userProgramFolderDir_)) {
        sink_.Show("Failed to get registery value for UserProgramFolderDir");
        return false;
    }
    if (!QueryRegistryString(HKEY_CURRENT_USER, userPrograms, programFolderDir_)) {
        sink_.Show("Failed to get registery value for ProgramFolderDir");
        return false;
    }
    return true;
}

std::optional<std::string> SetupRun::Compose(std::string_view path, std::string_view forWhat) {
    if (path.size() > kMaxPath) {
        sink_.Show("The path " + std::string(path) + " is longer than 259 characters; " +
                   std::string(forWhat) + " is skipped.");
        return std::nullopt;
    }
    return std::string(path);
}

bool SetupRun::Log(const std::string& line) {
    if (logFailed_ || !log_) return false;
    if (const Dword e = log_->WriteLine(line)) {
        logFailed_ = true;
        sink_.Show("Failed to write the uninstall information file " + log_->Path() + " (error " +
                   std::to_string(e) + "). Install aborted.");
        return false;
    }
    return true;
}

bool SetupRun::OpenLog() {
    log_.emplace(sys_, destDir_ + "\\" + kLogFileName);
    bool empty = false;
    if (log_->Open(empty) != ERROR_SUCCESS) {
        log_.reset();
        sink_.Show("Failed to create Uninstall information file. Install aborted.");
        return false;
    }
    if (empty) return Log(script_.productName) && Log("dir " + destDir_);
    return true;
}

InstallOutcome SetupRun::Install(const InstallChoices& choices) {
    observer_->Status("Prepering to copy files");
    destDir_ = choices.destDir ? *choices.destDir : programDir_ + "\\" + script_.productName;
    groupName_ = choices.folderName ? *choices.folderName : script_.folderName;
    const std::size_t maxDest = kMaxPath - 1 - std::string_view(kLogFileName).size();
    if (destDir_.size() > maxDest) {
        sink_.Show("The destination directory " + destDir_ + " is longer than " +
                   std::to_string(maxDest) + " characters. Install aborted.");
        return InstallOutcome::Ended;
    }
    int fileCount = 0;
    for (std::size_t i = 0; i < script_.modules.size(); ++i) {
        SetupModule& m = script_.modules[i];
        switch (choices.installType) {
            case kTypical:
                m.selected = m.typical != 0;
                break;
            case kMinimum:
                m.selected = m.minimum != 0;
                break;
            default:
                if (i < 10) {
                    const int tick = choices.ticks ? (*choices.ticks)[i] : m.typical;
                    m.selected = BoxTicked(tick);
                } else {
                    m.selected = 1;
                }
                break;
        }
        if (m.selected) fileCount += static_cast<int>(m.files.size());
    }
    // On Windows 95 and NT 4 the name becomes a folder beside other programs' folders (and the
    // uninstaller removes it again), so it must be a plain name when a shortcut goes into it; on
    // NT 3.51 it only names a Program Manager group, whose items check it one by one.
    const bool makesShortcuts =
        std::any_of(script_.modules.begin(), script_.modules.end(), [](const SetupModule& m) {
            return m.selected && std::any_of(m.files.begin(), m.files.end(),
                                             [](const SetupFile& f) { return f.linkKind != 0; });
        });
    if (groupName_.size() > kMaxPath ||
        (os_ != OS_NT351 && makesShortcuts && !IsPlainFileName(groupName_))) {
        sink_.Show("The program folder name \"" + groupName_ +
                   "\" is not a folder name of at most 259 characters. Install aborted.");
        return InstallOutcome::Ended;
    }

    const Dword e = sys_.CreateDirectory(destDir_);
    if (e != ERROR_SUCCESS && e != ERROR_ALREADY_EXISTS) {
        sink_.Show("Failed to create destination directory. Install aborted.");
        return InstallOutcome::Ended;
    }
    if (!OpenLog()) return InstallOutcome::Ended;

    observer_->Range(static_cast<std::uint16_t>(fileCount));
    for (const SetupModule& m : script_.modules) {
        if (!m.selected) continue;
        observer_->Status("Copying files (" + m.name + ")...");
        for (const SetupFile& f : m.files) {
            observer_->File(f.target);
            InstallFile(m, f);
            observer_->Step();
            if (logFailed_) return InstallOutcome::Ended;
        }
    }

    observer_->File("");
    observer_->Status("Registering Uninstall program...");
    const std::string key = std::string(kUninstallKey) + "\\" + script_.productName;
    CreateRegistryKey(HKEY_LOCAL_MACHINE, key);
    if (!logFailed_)
        SetRegistryString(HKEY_LOCAL_MACHINE, key + "\\DisplayName", script_.productName);
    if (!logFailed_) {
        SetRegistryString(HKEY_LOCAL_MACHINE, key + "\\UninstallString",
                          destDir_ + "\\Uninstall.exe \"" + destDir_ + "\\" + kLogFileName + "\"");
    }
    if (logFailed_) return InstallOutcome::Ended;
    log_.reset();
    sink_.Show(rebootNeeded_ ? "Installation complete. You must now reboot the machine."
                             : "Installation complete. You can now run the installed program.");
    return InstallOutcome::Complete;
}

int SetupRun::CreateRegistryKey(HKey root, std::string_view path) {
    // Key by key, so that every key this run creates is logged and the uninstaller, which
    // deletes one key per line, takes all of them away again.
    std::vector<std::string> parts;
    if (!SplitKeyPath(path, parts) || parts.empty()) return 0;
    std::string sub;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string parentPath = sub;
        sub += (i ? "\\" : "") + parts[i];
        const bool last = i + 1 == parts.size();
        HKey key;
        const Dword open = sys_.RegOpenKey(root, sub, KEY_QUERY_VALUE, key);
        if (open == ERROR_SUCCESS) {
            sys_.RegCloseKey(key);
            if (!last) continue;
        } else if (open != ERROR_FILE_NOT_FOUND) {
            return 0;
        }
        if (sys_.RegCreateKey(root, sub, KEY_SET_VALUE, key) != ERROR_SUCCESS) return 0;
        sys_.RegCloseKey(key);
        if (!Log("key " + RootName(root) + " " + sub)) {
            // Unrecorded, the key would outlive the uninstaller: take it back.
            HKey parent;
            if (open != ERROR_SUCCESS &&
                sys_.RegOpenKey(root, parentPath, KEY_WRITE, parent) == ERROR_SUCCESS) {
                sys_.RegDeleteKey(parent, parts[i]);
                sys_.RegCloseKey(parent);
            }
            return 0;
        }
    }
    return 1;
}

int SetupRun::SetRegistryString(HKey root, std::string_view path, std::string_view data) {
    std::string keyPath, name;
    SplitAtLastBackslash(path, keyPath, name);
    HKey key;
    if (sys_.RegOpenKey(root, keyPath, KEY_WRITE, key) != ERROR_SUCCESS) return 0;
    if (sys_.RegSetValue(key, name, RegValue::Sz(std::string(data))) != ERROR_SUCCESS) {
        sys_.RegCloseKey(key);
        return 0;
    }
    const bool logged = Log("key " + RootName(root) + " " + std::string(path));
    if (!logged) sys_.RegDeleteValue(key, name);
    sys_.RegCloseKey(key);
    return logged ? 1 : 0;
}

Dword SetupRun::CopyVersionedFile(Dword flags, std::string_view srcName, std::string_view destName,
                                  std::string_view srcDir, std::string_view destDir,
                                  std::string_view curDir, std::string& tmpFile, Dword& tmpLen) {
    (void)tmpFile;
    tmpLen = 0;
    if (curDir.find('\\') == std::string_view::npos) curDir = {};
    const std::string src = std::string(srcDir) + "\\" + std::string(srcName);
    const std::string cur = std::string(curDir) + "\\" + std::string(destName);
    FileInfo srcInfo;
    if (sys_.GetFileAttributesEx(src, srcInfo) != ERROR_SUCCESS) return VIF_CANNOTREADSRC;

    FileInfo curInfo;
    if (!curDir.empty() && !(flags & VIFF_FORCEINSTALL) &&
        sys_.GetFileAttributesEx(cur, curInfo) == ERROR_SUCCESS) {
        if (srcInfo.lastWrite <= curInfo.lastWrite) return VIF_SRCOLD;
        Dword size = 0;
        Dword e = sys_.GetFileVersionInfoSize(src, size);
        const bool srcHasVersion = e == ERROR_SUCCESS && size != 0;
        if (!srcHasVersion && IsReadError(e)) return VIF_CANNOTREADSRC;
        if (srcHasVersion) {
            VsFixedFileInfo srcVer, curVer;
            if (!ReadFixedInfo(sys_, src, srcVer)) return VIF_CANNOTREADSRC;
            size = 0;
            e = sys_.GetFileVersionInfoSize(cur, size);
            const bool curHasVersion = e == ERROR_SUCCESS && size != 0;
            if (!curHasVersion && IsReadError(e)) return VIF_CANNOTREADDST;
            if (curHasVersion) {
                if (!ReadFixedInfo(sys_, cur, curVer)) return VIF_CANNOTREADSRC;
                const auto version = [](const VsFixedFileInfo& v) {
                    return (std::uint64_t{v.fileVersionMS} << 32) | v.fileVersionLS;
                };
                if (version(curVer) >= version(srcVer)) return VIF_MISMATCH | VIF_SRCOLD;
            }
        }
    }

    if (!curDir.empty() && !(flags & VIFF_DONTDELETEOLD)) {
        Dword attrError = ERROR_SUCCESS;
        const Dword attrs = sys_.GetFileAttributes(cur, &attrError);
        const bool readable = attrs != INVALID_FILE_ATTRIBUTES;
        // A copy whose attributes are missing because it, or its directory, does not exist
        // is not there to delete; the copy below reports what stands in the way.
        const bool absent =
            !readable && (attrError == ERROR_FILE_NOT_FOUND || attrError == ERROR_PATH_NOT_FOUND);
        if (readable && (attrs & FILE_ATTRIBUTE_READONLY)) {
            if (!(flags & VIFF_FORCEINSTALL)) return VIF_WRITEPROT;
            sys_.SetFileAttributes(cur, attrs & ~FILE_ATTRIBUTE_READONLY);
        }
        const Dword e = absent ? ERROR_FILE_NOT_FOUND : sys_.DeleteFile(cur);
        if (e != ERROR_SUCCESS && e != ERROR_FILE_NOT_FOUND) {
            if (!readable || (attrs & FILE_ATTRIBUTE_SYSTEM)) return VIF_FILEINUSE;
            switch (e) {
                case ERROR_PATH_NOT_FOUND:
                case ERROR_TOO_MANY_OPEN_FILES:
                case ERROR_OUTOFMEMORY:
                case ERROR_NO_MORE_FILES:
                case ERROR_SHARING_VIOLATION:
                case ERROR_NETWORK_BUSY:
                    return VIF_CANNOTDELETE;
                case ERROR_ACCESS_DENIED:
                    return VIF_CANNOTDELETE | VIF_FILEINUSE | VIF_SRCOLD | VIF_TEMPFILE;
                default:
                    break;
            }
        }
    }

    const std::string dest = std::string(destDir) + "\\" + std::string(destName);
    const Dword e = sys_.CopyFile(src, dest, false);
    if (e == ERROR_SUCCESS) return 0;
    sink_.Show("Copy failed.");
    switch (e) {
        case ERROR_FILE_NOT_FOUND:
            return VIF_CANNOTREADSRC;
        case ERROR_ACCESS_DENIED:
            return VIF_ACCESSVIOLATION;
        case ERROR_SHARING_VIOLATION:
            return VIF_SHARINGVIOLATION | VIF_FILEINUSE;
        default:
            return VIF_CANNOTCREATE;
    }
}

int SetupRun::IncrementSharedCount(std::string_view path) {
    HKey key;
    const Dword e = sys_.RegOpenKey(HKEY_LOCAL_MACHINE, kSharedDllsKey,
                                    KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, key);
    if (e != ERROR_SUCCESS) {
        sink_.Show("Failed to open the registery counter for this shared file. Error = " +
                   std::to_string(e));
        return 0;
    }
    RegValue old;
    const bool hadValue = sys_.RegQueryValue(key, path, old) == ERROR_SUCCESS;
    const Dword count = hadValue ? old.AsDword() + 1 : 1;
    const bool written = sys_.RegSetValue(key, path, RegValue::Dw(count)) == ERROR_SUCCESS;
    if (!written) {
        // An "inc" line without a counter would leave the file behind at uninstall time.
        sink_.Show("Failed to increment the registery counter for this shared file.");
        sys_.RegCloseKey(key);
        return 0;
    }
    if (!Log("inc " + std::string(path))) {
        // The raise cannot be recorded: undo it.
        if (hadValue) {
            sys_.RegSetValue(key, path, old);
        } else {
            sys_.RegDeleteValue(key, path);
        }
    }
    sys_.RegCloseKey(key);
    return 1;
}

Dword SetupRun::CreateShellLink(std::string_view target, std::string_view shortcut,
                                std::string_view description) {
    const std::size_t slash = target.rfind('\\');
    const std::string_view dir = slash == std::string_view::npos ? target : target.substr(0, slash);
    return sys_.CreateShortcut(target, shortcut, description, dir);
}

bool SetupRun::InstallFile(const SetupModule& m, const SetupFile& f) {
    if (logFailed_) return false;
    existingDir_.clear();
    sourceDir_ = sys_.GetCurrentDirectory();
    const std::string name(FileNamePart(f.target));
    const std::string srcName(FileNamePart(f.source));
    const std::size_t slash = f.target.rfind('\\');
    const std::string sub = slash == std::string::npos ? "" : f.target.substr(0, slash + 1);
    const std::string what = "the file " + f.target;

    if (m.system) {
        std::string text = "Warning. Multiple copies of the shared file " + name +
                           " is found in the following paths:";
        int count = 0;
        const std::pair<std::string, std::string> places[] = {
            {windowsDir_ + "\\" + name, windowsDir_},
            {windowsDir_ + "\\System\\" + name, windowsDir_ + "\\system"},
            {windowsDir_ + "\\System32\\" + name, windowsDir_ + "\\system32"},
        };
        for (const auto& [path, dir] : places) {
            if (!Compose(path, what)) return false;
            if (sys_.GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES) {
                existingDir_ = dir;
                text += "\r\n" + path;
                ++count;
            }
        }
        if (count > 1) {
            text +=
                "\r\nThis can cause problems with this and other programs. Please consider "
                "appropriate actions to resolve this possible problem.";
            sink_.Show(text);
        }
    }

    fileDir_ = m.system ? systemDir_ : destDir_;
    if (!sub.empty()) {
        if (fileDir_.empty() || fileDir_.back() != '\\') fileDir_ += '\\';
        fileDir_ += sub;
        fileDir_.pop_back();
    }
    const auto dest = Compose(fileDir_ + "\\" + name, what);
    if (!dest || !Compose(sourceDir_ + "\\" + srcName, what)) return false;
    if (!sub.empty() && sys_.CreateDirectory(fileDir_) == ERROR_SUCCESS) {
        if (!Log("dir " + fileDir_)) {
            sys_.RemoveDirectory(fileDir_);
            return false;
        }
    }
    if (existingDir_.empty()) existingDir_ = fileDir_;

    const bool existedBefore = IsNt(os_) && (m.shared || m.system) &&
                               sys_.GetFileAttributes(*dest) != INVALID_FILE_ATTRIBUTES;
    std::string tmp;
    Dword tmpLen = 0;
    Dword r = CopyVersionedFile(0, srcName, name, sourceDir_, fileDir_, existingDir_, tmp, tmpLen);
    if (r & VIF_SRCOLD) return false;
    if (r & VIF_OUTOFSPACE) {
        sink_.Show("The file can not be copied due to insufficient disk space.");
        return false;
    }
    if (r != 0) {
        r = CopyVersionedFile(VIFF_FORCEINSTALL, srcName, name, sourceDir_, fileDir_, existingDir_,
                              tmp, tmpLen);
    }
    const bool copied = r == 0;
    if (r & (VIF_FILEINUSE | VIF_OUTOFMEMORY)) {
        const std::string src = sourceDir_ + "\\" + srcName;
        if (IsNt(os_)) {
            if (sys_.MoveFileEx(src, *dest,
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED |
                                    MOVEFILE_DELAY_UNTIL_REBOOT) != ERROR_SUCCESS) {
                sink_.Show("MoveFileEx() failed.");
            } else {
                rebootNeeded_ = true;
            }
        } else {
            // The new copy waits beside the target; WININIT.INI renames it at the next start.
            const auto pending = Compose(*dest + ".tmp", what);
            if (!pending) return false;
            if (sys_.CopyFile(src, *pending, false) != ERROR_SUCCESS ||
                sys_.WritePrivateProfileString("rename", *dest, *pending, "wininit.ini") !=
                    ERROR_SUCCESS) {
                sys_.DeleteFile(*pending);
                sink_.Show("Failed to schedule the replacement of " + *dest +
                           " for the next restart.");
                return false;
            }
            rebootNeeded_ = true;
        }
    } else if (r != 0) {
        sink_.Show("Failed to install file: " + sourceDir_ + "\\" + srcName + " --> " + fileDir_ +
                   "\\" + name + "\r\nFlags = " + VifBitNames(r));
        return false;
    }

    int shared = m.shared;
    int system = m.system;
    if (IsNt(os_) && (m.shared || m.system)) {
        if (!IncrementSharedCount(*dest) && !existedBefore) {
            // Uncounted, the file would be left behind by the uninstaller; nobody else can be
            // using a copy that this run put there first, so it is logged as an ordinary file.
            shared = system = 0;
        }
        if (logFailed_) {
            if (copied) sys_.DeleteFile(*dest);
            return false;
        }
    }
    if (!Log("file " + std::to_string(shared) + " " + std::to_string(system) + " " + *dest)) {
        if (copied) sys_.DeleteFile(*dest);
        return false;
    }
    if (f.linkKind != 0) InstallShortcut(m, f, *dest);
    return !logFailed_;
}

void SetupRun::InstallShortcut(const SetupModule&, const SetupFile& f, const std::string& dest) {
    if (os_ == OS_NT351) {
        std::string problem = PmNameProblem(groupName_, true);
        std::string_view bad = groupName_;
        if (problem.empty()) {
            problem = PmNameProblem(f.linkName, false);
            bad = f.linkName;
        }
        if (!problem.empty()) {
            sink_.Show("The Program Manager name \"" + std::string(bad) + "\" " + problem +
                       "; no item is made for " + dest + ".");
            return;
        }
        if (!Log("pmngr " + groupName_ + "@" + f.linkName)) return;
        // An item goes into the current group: without its own group shown, it would land in
        // another one.
        if (PmCreateGroup(sys_, sink_, groupName_)) PmAddItem(sys_, sink_, f.linkName, dest);
        return;
    }
    if (!IsPlainFileName(f.linkName)) {
        sink_.Show("The shortcut name \"" + f.linkName + "\" is not a file name; no shortcut is " +
                   "made for " + dest + ".");
        return;
    }
    const std::string folder =
        (f.linkKind == 1 ? userProgramFolderDir_ : programFolderDir_) + "\\" + groupName_;
    const auto shortcut = Compose(folder + "\\" + f.linkName + ".lnk", "the shortcut");
    if (!shortcut) return;
    if (!Log("dir " + folder)) return;
    sys_.CreateDirectory(folder);
    CreateShellLink(dest, *shortcut, script_.productName);
    if (!Log("file 0 0 " + *shortcut)) sys_.DeleteFile(*shortcut);
}

}  // namespace folio::setup
