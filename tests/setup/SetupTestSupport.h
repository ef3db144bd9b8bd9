// Helpers shared by the installer and uninstaller tests: a message recorder, the example
// product in a scratch folder and a picture of a root to compare before and after.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/win/EmulatedWinSystem.h"

namespace folio::setup::test {

class RecordingSink : public MessageSink {
  public:
    MsgAnswer Show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override {
        messages.emplace_back(text);
        return MsgAnswer::Ok;
    }
    std::vector<std::string> messages;
};

// Copies the example product (share/product) into `dir` with a small stand-in for
// Uninstall.exe, and makes it the current directory of `sys`.
void PrepareProduct(win::EmulatedWinSystem& sys, const std::filesystem::path& dir);

// Everything of a root that an installation may change: the files and folders of drive C with
// their bytes, the registry file and Program Manager's groups with their items.
struct RootPicture {
    std::map<std::string, std::string> files;  // relative path -> bytes ("<dir>" for folders)
    std::string registry;
    std::string progman;
};
RootPicture Picture(win::EmulatedWinSystem& sys);

// Lines of `a` missing from `b` and of `b` missing from `a`, for failure reports.
std::string Difference(const RootPicture& before, const RootPicture& after);

// Where the example product goes by default on a system of `kind`.
std::string DestDirOf(win::OsKind kind);

// Forgets what stays after the example product was uninstalled: the destination with
// Uninstall.exe (in use while the uninstaller runs), counters of shared files left at zero, and
// on Windows 95 the shared and system files, which are not counted there and so never deleted.
void ForgetWhatStays(win::EmulatedWinSystem& sys, RootPicture& p);

// The host path of a Windows path of `sys`.
std::filesystem::path Host(win::EmulatedWinSystem& sys, const std::string& winPath);

}  // namespace folio::setup::test
