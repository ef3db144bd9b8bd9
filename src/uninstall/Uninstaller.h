// The uninstaller: asks for confirmation on the console and replays an uninstall log in reverse,
// deleting files, lowering shared-file counters, deleting registry keys, directories and
// Program Manager items, and finally the log.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"
#include "platform/win/WinSystem.h"

namespace folio::uninstall {

// The console the uninstaller talks through. Texts are written as they are, without a line end
// added.
class Console {
  public:
    virtual ~Console() = default;
    virtual void Write(std::string_view text) = 0;
    // One character of input; EOF (-1) when there is none.
    virtual int ReadChar() = 0;
    // Drops what is left of the line being typed.
    virtual void DiscardInput() = 0;
};

enum ExitCode : int { kExitDone = 0, kExitNoLog = 1, kExitDeclined = 2 };

struct UninstallArguments {
    std::string logPath = ".UnInst.inf";  // as given, and so named in messages
    bool hostPath = false;                // the log path is a path of the host, not of Windows
    // For a host path: the same file as a path of the Windows system, empty when it lies
    // outside that system (then it cannot be opened). Filled in by the program.
    std::string windowsPath;
    std::vector<std::string> unknown;  // "/" options, reported and ignored
};

// Reads the arguments after the program's name. One that begins with "/" is an option, which is
// unknown, unless it names a host path: it holds a second "/" ("/home/me/.UnInst.inf"). Every
// other argument replaces the log path; the last one wins.
UninstallArguments ParseUninstallArguments(const std::vector<std::string>& args);

// The whole run, on the log named by the arguments. Returns the exit code.
int RunUninstall(win::WinSystem& sys, Console& console, const UninstallArguments& args);

// Lowers a shared file's counter; at zero deletes the file and its counter.
void DecrementSharedCount(win::WinSystem& sys, std::string_view path);
// Deletes the key named by a key line's text ("HKEY_LOCAL_MACHINE SOFTWARE\...\Name").
void DeleteRegistryKey(win::WinSystem& sys, std::string_view text);
// Deletes a Program Manager item ("group@item"), and its group when that is then empty.
void RemoveProgmanItem(win::WinSystem& sys, Console& console, std::string_view text);

// The longest key path the uninstaller acts on.
inline constexpr std::size_t kMaxKeyPath = 263;

}  // namespace folio::uninstall
