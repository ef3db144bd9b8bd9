// A Windows system emulated inside a directory (the "root"), as a Wine prefix does:
//   drive_c/      the C: drive; Z: is the host's "/"
//   registry.reg  the registry, REGEDIT4 text, replaced atomically under the root's lock
//   winroot.json  the kind of system, the attributes the host file system cannot hold
//                 (hidden, system, temporary, archive), Program Manager's groups and the
//                 switched-on faults
//   .lock         taken (flock) around every change, so that programs sharing a root never lose
//                 each other's changes
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"
#include "platform/win/WinSystem.h"

namespace folio::win {

struct RootState;
struct RegKeyNode;
class RegistryTree;

// Where the root is and what a new one becomes, from the process environment:
// FOLIO32_WINROOT, else $XDG_DATA_HOME/folio32/winroot, else ~/.local/share/folio32/winroot;
// FOLIO32_WINVER (win95, nt351, nt4; nt4 when unset).
struct WinRootSettings {
    std::filesystem::path root;
    OsKind kindForNew = OS_NT4;

    // Reads the variables through `getenv`-like `lookup` (returns null when unset). False with
    // `error` set when FOLIO32_WINVER names no known kind or no folder can be derived.
    static bool FromEnvironment(const char* (*lookup)(const char*), WinRootSettings& out,
                                std::string& error);
};

// "win95", "nt351", "nt4"; OS_OTHER for any other text.
OsKind ParseOsKind(std::string_view text);
const char* OsKindName(OsKind kind);

class EmulatedWinSystem final : public WinSystem {
  public:
    // Opens the root, creating and laying it out as a fresh installation of `kindForNew` when
    // the folder does not exist or is empty. An existing root keeps its kind. Null with `error`
    // (naming the file) when the root is unusable. `sink`, when given, is told about damaged
    // files found later (a registry file that no longer parses, for instance).
    static std::unique_ptr<EmulatedWinSystem> Open(const std::filesystem::path& root,
                                                   OsKind kindForNew, std::string& error,
                                                   MessageSink* sink = nullptr);
    ~EmulatedWinSystem() override;

    // --- WinSystem ------------------------------------------------------------------------------
    OsKind GetOsKind() override { return kind_; }
    std::string GetWindowsDirectory() override;
    std::string GetSystemDirectory() override;
    std::string GetCurrentDirectory() override { return cwd_; }
    Dword ExpandEnvironmentStrings(std::string_view text, std::string& out) override;
    Dword GetFileAttributesEx(std::string_view path, FileInfo& info) override;
    Dword SetFileAttributes(std::string_view path, Dword attributes) override;
    Dword CopyFile(std::string_view from, std::string_view to, bool failIfExists) override;
    Dword DeleteFile(std::string_view path) override;
    Dword CreateDirectory(std::string_view path) override;
    Dword RemoveDirectory(std::string_view path) override;
    Dword FindFiles(std::string_view pattern, std::vector<FindData>& out) override;
    Dword MoveFile(std::string_view from, std::string_view to) override;
    Dword MoveFileEx(std::string_view from, std::string_view to, Dword flags) override;
    Dword ReadFile(std::string_view path, std::string& bytes) override;
    Dword WriteFile(std::string_view path, std::string_view bytes, WriteMode mode) override;
    Dword GetFileVersionInfoSize(std::string_view path, Dword& size) override;
    Dword GetFileVersionInfo(std::string_view path, std::string& block) override;
    Dword RegOpenKey(HKey parent, std::string_view path, Dword access, HKey& key) override;
    Dword RegCreateKey(HKey parent, std::string_view path, Dword access, HKey& key) override;
    Dword RegCloseKey(HKey key) override;
    Dword RegQueryValue(HKey key, std::string_view name, RegValue& value,
                        Dword bufferSize = 0xffffffffu) override;
    Dword RegSetValue(HKey key, std::string_view name, const RegValue& value) override;
    Dword RegDeleteKey(HKey key, std::string_view name) override;
    Dword RegDeleteValue(HKey key, std::string_view name) override;
    Dword WritePrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view value, std::string_view file) override;
    Dword CreateShortcut(std::string_view target, std::string_view shortcut,
                         std::string_view description, std::string_view workingDir) override;
    Dword DdeConnect(std::string_view service, std::string_view topic, Conversation& conv) override;
    Dword DdeExecute(Conversation conv, std::string_view command, Dword timeoutMs) override;
    Dword DdeRequest(Conversation conv, std::string_view item, Dword timeoutMs,
                     std::string& reply) override;
    Dword DdeDisconnect(Conversation conv) override;

    // --- the emulation itself -------------------------------------------------------------------
    const std::filesystem::path& Root() const { return root_; }
    // The host path of a Windows path: existing components with their real names (found without
    // regard to case), missing ones as given. Nothing for a malformed path or an unknown drive.
    std::optional<std::filesystem::path> HostPath(std::string_view winPath);
    // The Windows name of a host path: C:\... inside drive_c, else Z:\...
    std::optional<std::string> WindowsPath(const std::filesystem::path& hostPath) const;
    // Sets the current directory (SetCurrentDirectory); the directory must exist.
    Dword SetCurrentDirectory(std::string_view path);
    // The user's name (the profile folder on Windows NT 4).
    const std::string& UserName() const { return user_; }

    // The names of a key's subkeys and values, in their stored order (RegEnumKey and
    // RegEnumValue, which the installer does not need; the root's tools do).
    Dword RegEnumKeys(HKey key, std::vector<std::string>& names);
    Dword RegEnumValues(HKey key, std::vector<std::string>& names);

    // Faults that stay switched on in the root (all processes sharing it see them).
    struct Faults {
        std::vector<std::string> inUse;   // delete/overwrite/move: ERROR_SHARING_VIOLATION
        std::vector<std::string> denied;  // open/delete/overwrite/move: ERROR_ACCESS_DENIED
        bool diskFull = false;            // writes to C: fail with ERROR_DISK_FULL
        bool progmanStopped = false;      // DdeConnect to Program Manager fails
    };
    Dword GetFaults(Faults& faults);
    // Marks (or unmarks) a file as in use until the next restart.
    Dword SetFileInUse(std::string_view path, bool inUse);
    Dword SetAccessDenied(std::string_view path, bool denied);
    Dword SetDiskFull(bool full);
    Dword SetProgmanRunning(bool running);

    // Restarts the emulated system: files in use are released, then the replacements recorded
    // for the restart are carried out and their records emptied (PendingFileRenameOperations on
    // Windows NT, the [rename] section of WININIT.INI on Windows 95, which is then renamed to
    // WININIT.BAK). `done` receives one line per replacement ("moved A -> B", "deleted A",
    // "failed ...").
    Dword Restart(std::vector<std::string>* done = nullptr);

    // The last damaged-file problem met ("...registry.reg: line 3: ..."); empty when none.
    const std::string& LastProblem() const { return lastProblem_; }

    struct Resolved;
    class LockGuard;

  private:
    EmulatedWinSystem() = default;

    Resolved Resolve(std::string_view path, bool allowWildcards = false) const;
    Dword ErrorForExisting(const Resolved& r) const;
    // Under the lock: loads the state, lets `change` work on it, saves it when `change`
    // succeeds.
    Dword UpdateState(const std::function<Dword(RootState&)>& change);
    // Under the lock: loads the registry, lets `change` work on the key (opened with at least
    // `access`), saves the registry when `change` succeeds.
    Dword ChangeKey(HKey key, Dword access, const std::function<Dword(RegKeyNode&)>& change);
    // Loads the registry and lets `read` look at the key (opened with at least `access`).
    Dword ReadKey(HKey key, Dword access, const std::function<Dword(const RegKeyNode&)>& read);
    Dword LoadState(RootState& state);
    Dword SaveState(const RootState& state);
    Dword LoadRegistry(RegistryTree& tree);
    Dword SaveRegistry(const RegistryTree& tree);
    Dword AttributesOf(const Resolved& r, const RootState& state, FileInfo& info) const;
    bool IsInUse(const RootState& state, const Resolved& r) const;
    // Whether an existing file may be deleted or overwritten: ERROR_ACCESS_DENIED for a
    // directory, a read-only or a denied file, ERROR_SHARING_VIOLATION for a file in use.
    Dword CheckReplaceable(const Resolved& r, const RootState& state, bool honourInUse,
                           FileInfo& info) const;
    bool IsDenied(const RootState& state, const Resolved& r) const;
    Dword MoveImpl(std::string_view from, std::string_view to, bool replace, bool copyAllowed,
                   bool honourInUse);
    Dword DeleteImpl(std::string_view path);
    Dword OpenKeyImpl(HKey parent, std::string_view path, Dword access, bool create, HKey& key);
    Dword KeyPath(HKey key, HKey& root, std::vector<std::string>& path, Dword& access) const;
    Dword RecordDelayedMove(std::string_view from, std::string_view to, bool replace);
    void Problem(const std::string& text);
    Dword Lock();
    void Unlock();
    Dword Layout(OsKind kind);

    std::filesystem::path root_;
    std::filesystem::path driveC_;
    OsKind kind_ = OS_NT4;
    std::string user_;
    std::string cwd_;
    MessageSink* sink_ = nullptr;
    std::string lastProblem_;
    int lockFd_ = -1;
    int lockDepth_ = 0;

    struct OpenKey {
        HKey root;
        std::vector<std::string> path;
        Dword access;
    };
    std::map<std::uint32_t, OpenKey> keys_;
    std::uint32_t nextKey_ = 0x100;
    std::set<Conversation> conversations_;
    Conversation nextConversation_ = 1;
};

}  // namespace folio::win
