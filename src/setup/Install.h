// The installation run of setup: platform and folders, script, module choice, destination,
// uninstall log, the files of the selected modules, the uninstall registration and the final
// message; and the installation of one file with its copy decision.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Messages.h"
#include "platform/win/WinSystem.h"
#include "setup/SetupScript.h"
#include "setup/UninstallLog.h"

namespace folio::setup {

// Result bits of CopyVersionedFile, with the values of the system's VIF_ constants.
inline constexpr win::Dword VIF_TEMPFILE = 0x1;
inline constexpr win::Dword VIF_MISMATCH = 0x2;
inline constexpr win::Dword VIF_SRCOLD = 0x4;
inline constexpr win::Dword VIF_DIFFLANG = 0x8;
inline constexpr win::Dword VIF_DIFFCODEPG = 0x10;
inline constexpr win::Dword VIF_DIFFTYPE = 0x20;
inline constexpr win::Dword VIF_WRITEPROT = 0x40;
inline constexpr win::Dword VIF_FILEINUSE = 0x80;
inline constexpr win::Dword VIF_OUTOFSPACE = 0x100;
inline constexpr win::Dword VIF_ACCESSVIOLATION = 0x200;
inline constexpr win::Dword VIF_SHARINGVIOLATION = 0x400;
inline constexpr win::Dword VIF_CANNOTCREATE = 0x800;
inline constexpr win::Dword VIF_CANNOTDELETE = 0x1000;
inline constexpr win::Dword VIF_CANNOTRENAME = 0x2000;
inline constexpr win::Dword VIF_CANNOTDELETECUR = 0x4000;
inline constexpr win::Dword VIF_OUTOFMEMORY = 0x8000;
inline constexpr win::Dword VIF_CANNOTREADSRC = 0x10000;
inline constexpr win::Dword VIF_CANNOTREADDST = 0x20000;
inline constexpr win::Dword VIF_BUFFTOOSMALL = 0x40000;

inline constexpr win::Dword VIFF_FORCEINSTALL = 1;
inline constexpr win::Dword VIFF_DONTDELETEOLD = 2;

// The names of the bits set in `bits`, back to back, in the order the failure message lists
// them (VIF_CANNOTDELETE has no name there).
std::string VifBitNames(win::Dword bits);

inline constexpr const char* kSharedDllsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

enum InstallType : int { kTypical = 0, kMinimum = 1, kCustom = 2 };

// What the wizard collects. Empty optionals take the wizard's defaults.
struct InstallChoices {
    std::optional<std::string> destDir;  // default: ProgramDir \ product name
    int installType = kTypical;
    std::optional<std::array<int, 10>> ticks;  // default: the modules' typical values
    std::optional<std::string> folderName;     // default: the script's folder name
};

// Follows the run for a progress display.
class InstallObserver {
  public:
    virtual ~InstallObserver() = default;
    virtual void Status(std::string_view) {}
    virtual void File(std::string_view) {}
    virtual void Range(int) {}
    virtual void Step() {}
};

enum class InstallOutcome { Complete, Ended };

// One installation. The folders and choices are members here; the original kept them in
// process-wide buffers.
class SetupRun {
  public:
    SetupRun(win::WinSystem& sys, MessageSink& sink, InstallObserver* observer = nullptr);

    // The whole run, unattended: `choices` stand for what the wizard would have returned.
    InstallOutcome Run(const InstallChoices& choices);

    // The steps before the wizard: platform, folders, script. False after a message.
    bool Prepare();
    // The steps after it.
    InstallOutcome Install(const InstallChoices& choices);

    // Installs one file of a selected module. True when it was installed or its replacement
    // scheduled, and logged.
    bool InstallFile(const SetupModule& m, const SetupFile& f);
    win::Dword CopyVersionedFile(win::Dword flags, std::string_view srcName,
                                 std::string_view destName, std::string_view srcDir,
                                 std::string_view destDir, std::string_view curDir,
                                 std::string& tmpFile, win::Dword& tmpLen);
    // 1 when the counter was raised; 0 when its key cannot be opened or it cannot be written.
    int IncrementSharedCount(std::string_view path);
    win::Dword CreateShellLink(std::string_view target, std::string_view shortcut,
                               std::string_view description);
    int CreateRegistryKey(win::HKey root, std::string_view path);
    int SetRegistryString(win::HKey root, std::string_view path, std::string_view data);

    // State for the wizard and for tests.
    win::OsKind OsKind() const { return os_; }
    SetupScript& Script() { return script_; }
    const std::string& ProgramDir() const { return programDir_; }
    const std::string& ProgramFolderDir() const { return programFolderDir_; }
    const std::string& UserProgramFolderDir() const { return userProgramFolderDir_; }
    const std::string& WindowsDir() const { return windowsDir_; }
    const std::string& SystemDir() const { return systemDir_; }
    const std::string& DestDir() const { return destDir_; }
    const std::string& GroupName() const { return groupName_; }
    bool RebootNeeded() const { return rebootNeeded_; }
    // Whether the run was stopped because the uninstall log could not be written.
    bool LogFailed() const { return logFailed_; }
    // For tests of single steps: sets what the run would have set.
    void SetFolders(std::string destDir, std::string groupName);
    void SetOsKind(win::OsKind os) { os_ = os; }
    // Opens the log in DestDir (writing its first two lines when it is new). False after a
    // message.
    bool OpenLog();

  private:
    bool FindFolders();
    bool QueryRegistryString(win::HKey root, std::string_view path, std::string& out);
    // Joins parts into a path; nothing (after a message naming the file) when it would not fit
    // 259 characters.
    std::optional<std::string> Compose(std::string_view path, std::string_view forWhat);
    bool Log(const std::string& line);
    void InstallShortcut(const SetupModule& m, const SetupFile& f, const std::string& dest);

    win::WinSystem& sys_;
    MessageSink& sink_;
    InstallObserver* observer_;
    InstallObserver noObserver_;
    win::OsKind os_ = win::OS_OTHER;
    SetupScript script_;
    std::string programDir_, programFolderDir_, userProgramFolderDir_, windowsDir_, systemDir_;
    std::string destDir_, groupName_;
    std::string sourceDir_, fileDir_, existingDir_;
    std::optional<UninstallLogWriter> log_;
    bool rebootNeeded_ = false;
    bool logFailed_ = false;
};

}  // namespace folio::setup
