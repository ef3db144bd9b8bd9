// The Windows system that setup and uninstall change: files, registry, INI files, shortcuts and
// Program Manager. Every call that can fail returns the error code the corresponding system call
// would leave in GetLastError (ERROR_SUCCESS on success); out-parameters are only meaningful on
// success. Paths are Windows paths in Windows-1252 ("C:\WINNT\system32\x.dll"); "\" and "/" both
// separate components, relative paths are taken from the current directory, and names are
// matched without regard to case.
//
// WinSystemWrapper forwards every call to another WinSystem, so that a test double overrides
// only what it needs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinTypes.h"

namespace folio::win {

class WinSystem {
  public:
    virtual ~WinSystem() = default;

    // --- the platform ---------------------------------------------------------------------------
    // Which system this is (GetVersionEx classified).
    virtual OsKind GetOsKind() = 0;
    // GetWindowsDirectory and GetSystemDirectory: full paths without a trailing backslash.
    virtual std::string GetWindowsDirectory() = 0;
    virtual std::string GetSystemDirectory() = 0;
    // The process's current directory as a full Windows path.
    virtual std::string GetCurrentDirectory() = 0;
    // ExpandEnvironmentStrings: %NAME% references replaced by the system's environment; a
    // reference to an unknown name is left as it stands.
    virtual Dword ExpandEnvironmentStrings(std::string_view text, std::string& out) = 0;

    // --- files ----------------------------------------------------------------------------------
    // GetFileAttributesEx: attributes, size and last-write time of a file or directory.
    // ERROR_FILE_NOT_FOUND when the last component is missing, ERROR_PATH_NOT_FOUND when a
    // directory on the way is.
    virtual Dword GetFileAttributesEx(std::string_view path, FileInfo& info) = 0;
    // SetFileAttributes: read-only, hidden, system, archive and temporary bits; NORMAL clears
    // them all. The directory bit cannot be changed.
    virtual Dword SetFileAttributes(std::string_view path, Dword attributes) = 0;
    // CopyFile: copies contents, attributes and last-write time. With `failIfExists` an existing
    // target gives ERROR_FILE_EXISTS. A copy that fails leaves no partial target behind and the
    // previous target, if any, untouched.
    virtual Dword CopyFile(std::string_view from, std::string_view to, bool failIfExists) = 0;
    // DeleteFile: a read-only file gives ERROR_ACCESS_DENIED, a file in use
    // ERROR_SHARING_VIOLATION, a directory ERROR_ACCESS_DENIED.
    virtual Dword DeleteFile(std::string_view path) = 0;
    // CreateDirectory: one level only; the parent must exist (else ERROR_PATH_NOT_FOUND), an
    // existing file or directory of that name gives ERROR_ALREADY_EXISTS.
    virtual Dword CreateDirectory(std::string_view path) = 0;
    // RemoveDirectory: only an empty directory (else ERROR_DIR_NOT_EMPTY).
    virtual Dword RemoveDirectory(std::string_view path) = 0;
    // FindFirstFile/FindNextFile over one directory: the entries whose names match the pattern's
    // last component ("*" and "?", without regard to case; "*.*" matches every name). Listings of
    // a directory other than a drive's root include "." and "..". No match gives
    // ERROR_FILE_NOT_FOUND, a missing directory ERROR_PATH_NOT_FOUND.
    virtual Dword FindFiles(std::string_view pattern, std::vector<FindData>& out) = 0;
    // MoveFile: renames a file or directory; fails with ERROR_ALREADY_EXISTS when the target
    // exists. A file moves across drives, a directory does not.
    virtual Dword MoveFile(std::string_view from, std::string_view to) = 0;
    // MoveFileEx with MOVEFILE_ flags. With MOVEFILE_DELAY_UNTIL_REBOOT nothing moves now: the
    // move (or, with an empty `to`, the deletion) is recorded and carried out at the next start
    // of the system. Not available on Windows 95 (ERROR_CALL_NOT_IMPLEMENTED), whose installers
    // write WININIT.INI instead. Without MOVEFILE_COPY_ALLOWED a move to another drive gives
    // ERROR_NOT_SAME_DEVICE.
    virtual Dword MoveFileEx(std::string_view from, std::string_view to, Dword flags) = 0;
    // The whole contents of a file (as the C run-time reads it in binary mode).
    virtual Dword ReadFile(std::string_view path, std::string& bytes) = 0;
    // Writes a file: appended to (created when missing) or replaced as a whole (all or nothing).
    enum class WriteMode { Append, Replace };
    virtual Dword WriteFile(std::string_view path, std::string_view bytes, WriteMode mode) = 0;

    // --- version information --------------------------------------------------------------------
    // GetFileVersionInfoSize: the size of the file's version resource. A file without one gives
    // ERROR_RESOURCE_TYPE_NOT_FOUND (a program without resources ERROR_RESOURCE_DATA_NOT_FOUND);
    // a file that cannot be read gives its own error.
    virtual Dword GetFileVersionInfoSize(std::string_view path, Dword& size) = 0;
    // GetFileVersionInfo: the version resource's bytes; read its root block with
    // VerQueryFixedFileInfo (VersionInfo.h).
    virtual Dword GetFileVersionInfo(std::string_view path, std::string& block) = 0;

    // --- registry -------------------------------------------------------------------------------
    // Key paths are relative to `parent` (a root or an open key), "\"-separated, matched without
    // regard to case. An empty value name is the key's default value.
    // RegOpenKeyEx: ERROR_FILE_NOT_FOUND when the key does not exist.
    virtual Dword RegOpenKey(HKey parent, std::string_view path, Dword access, HKey& key) = 0;
    // RegCreateKeyEx: creates the missing keys of the path, or opens the existing key.
    virtual Dword RegCreateKey(HKey parent, std::string_view path, Dword access, HKey& key) = 0;
    // RegCloseKey. Closing a root is allowed and does nothing.
    virtual Dword RegCloseKey(HKey key) = 0;
    // RegQueryValueEx. ERROR_FILE_NOT_FOUND for a missing value, ERROR_MORE_DATA when the value
    // needs more than `bufferSize` bytes (strings count their terminating NUL).
    virtual Dword RegQueryValue(HKey key, std::string_view name, RegValue& value,
                                Dword bufferSize = 0xffffffffu) = 0;
    // RegSetValueEx. The key needs KEY_SET_VALUE access (else ERROR_ACCESS_DENIED).
    virtual Dword RegSetValue(HKey key, std::string_view name, const RegValue& value) = 0;
    // RegDeleteKey: deletes the subkey `name` of `key` with its values. A subkey that has
    // subkeys of its own gives ERROR_ACCESS_DENIED on Windows NT kinds; Windows 95 deletes the
    // whole tree.
    virtual Dword RegDeleteKey(HKey key, std::string_view name) = 0;
    // RegDeleteValue: ERROR_FILE_NOT_FOUND for a missing value.
    virtual Dword RegDeleteValue(HKey key, std::string_view name) = 0;

    // --- INI files, shortcuts -------------------------------------------------------------------
    // WritePrivateProfileString with a key and a value: sets the entry, creating the section and
    // the file as needed. A file name without a directory is taken from the Windows directory.
    virtual Dword WritePrivateProfileString(std::string_view section, std::string_view key,
                                            std::string_view value, std::string_view file) = 0;
    // Writes a shell link (.lnk) at `shortcut` that points to `target`, with a description and a
    // working directory. The shortcut's folder must exist.
    virtual Dword CreateShortcut(std::string_view target, std::string_view shortcut,
                                 std::string_view description, std::string_view workingDir) = 0;

    // --- Program Manager over DDE ---------------------------------------------------------------
    // A conversation handle; 0 is none.
    using Conversation = Dword;
    // DdeConnect to a service and topic ("PROGMAN" for both). DMLERR_NO_CONV_ESTABLISHED when
    // no such server is running.
    virtual Dword DdeConnect(std::string_view service, std::string_view topic,
                             Conversation& conv) = 0;
    // An execute transaction: the server carries out the command string ("[Cmd(args)]...").
    // DMLERR_NOTPROCESSED when it refuses a command.
    virtual Dword DdeExecute(Conversation conv, std::string_view command, Dword timeoutMs) = 0;
    // A request transaction for `item` in text form; `reply` receives the server's text.
    virtual Dword DdeRequest(Conversation conv, std::string_view item, Dword timeoutMs,
                             std::string& reply) = 0;
    // DdeDisconnect.
    virtual Dword DdeDisconnect(Conversation conv) = 0;

    // --- conveniences over the calls above -------------------------------------------------------
    // GetFileAttributes: INVALID_FILE_ATTRIBUTES and the error in `error` (when given) on failure.
    Dword GetFileAttributes(std::string_view path, Dword* error = nullptr);
};

// Forwards every call to `target`, which must outlive the wrapper.
class WinSystemWrapper : public WinSystem {
  public:
    explicit WinSystemWrapper(WinSystem& target) : target_(target) {}
    WinSystem& target() { return target_; }

    OsKind GetOsKind() override { return target_.GetOsKind(); }
    std::string GetWindowsDirectory() override { return target_.GetWindowsDirectory(); }
    std::string GetSystemDirectory() override { return target_.GetSystemDirectory(); }
    std::string GetCurrentDirectory() override { return target_.GetCurrentDirectory(); }
    Dword ExpandEnvironmentStrings(std::string_view text, std::string& out) override {
        return target_.ExpandEnvironmentStrings(text, out);
    }
    Dword GetFileAttributesEx(std::string_view path, FileInfo& info) override {
        return target_.GetFileAttributesEx(path, info);
    }
    Dword SetFileAttributes(std::string_view path, Dword attributes) override {
        return target_.SetFileAttributes(path, attributes);
    }
    Dword CopyFile(std::string_view from, std::string_view to, bool failIfExists) override {
        return target_.CopyFile(from, to, failIfExists);
    }
    Dword DeleteFile(std::string_view path) override { return target_.DeleteFile(path); }
    Dword CreateDirectory(std::string_view path) override { return target_.CreateDirectory(path); }
    Dword RemoveDirectory(std::string_view path) override { return target_.RemoveDirectory(path); }
    Dword FindFiles(std::string_view pattern, std::vector<FindData>& out) override {
        return target_.FindFiles(pattern, out);
    }
    Dword MoveFile(std::string_view from, std::string_view to) override {
        return target_.MoveFile(from, to);
    }
    Dword MoveFileEx(std::string_view from, std::string_view to, Dword flags) override {
        return target_.MoveFileEx(from, to, flags);
    }
    Dword ReadFile(std::string_view path, std::string& bytes) override {
        return target_.ReadFile(path, bytes);
    }
    Dword WriteFile(std::string_view path, std::string_view bytes, WriteMode mode) override {
        return target_.WriteFile(path, bytes, mode);
    }
    Dword GetFileVersionInfoSize(std::string_view path, Dword& size) override {
        return target_.GetFileVersionInfoSize(path, size);
    }
    Dword GetFileVersionInfo(std::string_view path, std::string& block) override {
        return target_.GetFileVersionInfo(path, block);
    }
    Dword RegOpenKey(HKey parent, std::string_view path, Dword access, HKey& key) override {
        return target_.RegOpenKey(parent, path, access, key);
    }
    Dword RegCreateKey(HKey parent, std::string_view path, Dword access, HKey& key) override {
        return target_.RegCreateKey(parent, path, access, key);
    }
    Dword RegCloseKey(HKey key) override { return target_.RegCloseKey(key); }
    Dword RegQueryValue(HKey key, std::string_view name, RegValue& value,
                        Dword bufferSize = 0xffffffffu) override {
        return target_.RegQueryValue(key, name, value, bufferSize);
    }
    Dword RegSetValue(HKey key, std::string_view name, const RegValue& value) override {
        return target_.RegSetValue(key, name, value);
    }
    Dword RegDeleteKey(HKey key, std::string_view name) override {
        return target_.RegDeleteKey(key, name);
    }
    Dword RegDeleteValue(HKey key, std::string_view name) override {
        return target_.RegDeleteValue(key, name);
    }
    Dword WritePrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view value, std::string_view file) override {
        return target_.WritePrivateProfileString(section, key, value, file);
    }
    Dword CreateShortcut(std::string_view targetPath, std::string_view shortcut,
                         std::string_view description, std::string_view workingDir) override {
        return target_.CreateShortcut(targetPath, shortcut, description, workingDir);
    }
    Dword DdeConnect(std::string_view service, std::string_view topic,
                     Conversation& conv) override {
        return target_.DdeConnect(service, topic, conv);
    }
    Dword DdeExecute(Conversation conv, std::string_view command, Dword timeoutMs) override {
        return target_.DdeExecute(conv, command, timeoutMs);
    }
    Dword DdeRequest(Conversation conv, std::string_view item, Dword timeoutMs,
                     std::string& reply) override {
        return target_.DdeRequest(conv, item, timeoutMs, reply);
    }
    Dword DdeDisconnect(Conversation conv) override { return target_.DdeDisconnect(conv); }

  private:
    WinSystem& target_;
};

}  // namespace folio::win
