// A WinSystem that makes the Nth call of a chosen set of operations fail, once or from then on,
// with a chosen error code. A test sweeps N = 1, 2, ... over a whole run until no fault fires,
// checking after each run that the system was left consistent.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win/WinSystem.h"

namespace folio::win {

// One bit per operation of WinSystem that can fail.
enum WinOp : std::uint32_t {
    kOpExpandEnvironmentStrings = 1u << 0,
    kOpGetFileAttributesEx = 1u << 1,
    kOpSetFileAttributes = 1u << 2,
    kOpCopyFile = 1u << 3,
    kOpDeleteFile = 1u << 4,
    kOpCreateDirectory = 1u << 5,
    kOpRemoveDirectory = 1u << 6,
    kOpFindFiles = 1u << 7,
    kOpMoveFile = 1u << 8,
    kOpMoveFileEx = 1u << 9,
    kOpReadFile = 1u << 10,
    kOpWriteFile = 1u << 11,
    kOpGetFileVersionInfoSize = 1u << 12,
    kOpGetFileVersionInfo = 1u << 13,
    kOpRegOpenKey = 1u << 14,
    kOpRegCreateKey = 1u << 15,
    kOpRegCloseKey = 1u << 16,
    kOpRegQueryValue = 1u << 17,
    kOpRegSetValue = 1u << 18,
    kOpRegDeleteKey = 1u << 19,
    kOpRegDeleteValue = 1u << 20,
    kOpWritePrivateProfileString = 1u << 21,
    kOpCreateShortcut = 1u << 22,
    kOpDdeConnect = 1u << 23,
    kOpDdeExecute = 1u << 24,
    kOpDdeRequest = 1u << 25,
    kOpDdeDisconnect = 1u << 26,

    kOpsFiles = kOpGetFileAttributesEx | kOpSetFileAttributes | kOpCopyFile | kOpDeleteFile |
                kOpCreateDirectory | kOpRemoveDirectory | kOpFindFiles | kOpMoveFile |
                kOpMoveFileEx | kOpReadFile | kOpWriteFile | kOpGetFileVersionInfoSize |
                kOpGetFileVersionInfo | kOpWritePrivateProfileString | kOpCreateShortcut,
    kOpsRegistry = kOpRegOpenKey | kOpRegCreateKey | kOpRegQueryValue | kOpRegSetValue |
                   kOpRegDeleteKey | kOpRegDeleteValue,
    kOpsDde = kOpDdeConnect | kOpDdeExecute | kOpDdeRequest,
    // Everything that changes the system.
    kOpsWrites = kOpSetFileAttributes | kOpCopyFile | kOpDeleteFile | kOpCreateDirectory |
                 kOpRemoveDirectory | kOpMoveFile | kOpMoveFileEx | kOpWriteFile | kOpRegCreateKey |
                 kOpRegSetValue | kOpRegDeleteKey | kOpRegDeleteValue |
                 kOpWritePrivateProfileString | kOpCreateShortcut | kOpDdeExecute,
    kOpsAll = (1u << 27) - 1,
};

// The name of one operation ("CopyFile"); "" for a value that is not a single operation.
const char* WinOpName(std::uint32_t op);

class FaultInjectingWinSystem : public WinSystemWrapper {
  public:
    struct Plan {
        std::uint32_t ops = kOpsAll;           // which calls are counted
        std::uint64_t nth = 0;                 // the counted call that fails; 0: none
        bool persistent = false;               // every counted call from the Nth on fails
        Dword error = ERROR_ACCESS_DENIED;     // for file and registry calls
        Dword ddeError = DMLERR_NOTPROCESSED;  // for the DDE calls
    };

    explicit FaultInjectingWinSystem(WinSystem& target) : WinSystemWrapper(target) {}

    // Sets a new plan and resets the count.
    void Arm(const Plan& plan);
    void Disarm() { Arm(Plan{}); }
    // Whether a fault was injected since the last Arm, how many counted calls were made, and
    // the operation (WinOp) of the first injected fault.
    bool Fired() const { return firedCount_ > 0; }
    std::uint64_t FiredCount() const { return firedCount_; }
    std::uint64_t Calls() const { return calls_; }
    std::uint32_t FirstFiredOp() const { return firstFiredOp_; }

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
    Dword CreateShortcut(std::string_view targetPath, std::string_view shortcut,
                         std::string_view description, std::string_view workingDir) override;
    Dword DdeConnect(std::string_view service, std::string_view topic, Conversation& conv) override;
    Dword DdeExecute(Conversation conv, std::string_view command, Dword timeoutMs) override;
    Dword DdeRequest(Conversation conv, std::string_view item, Dword timeoutMs,
                     std::string& reply) override;
    Dword DdeDisconnect(Conversation conv) override;

  private:
    // Counts the call when `op` is planned; returns the error to inject, or ERROR_SUCCESS to
    // forward the call.
    Dword Check(std::uint32_t op);

    Plan plan_;
    std::uint64_t calls_ = 0;
    std::uint64_t firedCount_ = 0;
    std::uint32_t firstFiredOp_ = 0;
};

}  // namespace folio::win
