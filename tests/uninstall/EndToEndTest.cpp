// The example product installed and removed again on each kind of system, through the
// libraries and through the two programs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "ScriptedConsole.h"
#include "SetupTestSupport.h"
#include "TestSupport.h"
#include "platform/win/EmulatedWinSystem.h"
#include "setup/Install.h"

namespace fs = std::filesystem;

namespace folio::uninstall {
namespace {

using namespace folio::win;
using setup::test::DestDirOf;
using setup::test::ForgetWhatStays;
using setup::test::Picture;
using setup::test::RecordingSink;
using win::test::NewRoot;
using win::test::ScratchDir;

Dword SharedCount(WinSystem& sys, const std::string& path) {
    HKey key;
    if (sys.RegOpenKey(HKEY_LOCAL_MACHINE, setup::kSharedDllsKey, KEY_QUERY_VALUE, key)) return 0;
    RegValue v;
    const Dword e = sys.RegQueryValue(key, path, v);
    sys.RegCloseKey(key);
    return e ? 0 : v.AsDword();
}

class EndToEnd : public ::testing::TestWithParam<OsKind> {};

TEST_P(EndToEnd, InstallAndRemoveTheExampleProduct) {
    const OsKind kind = GetParam();
    ScratchDir dir;
    auto sys = NewRoot(dir, kind);
    setup::test::PrepareProduct(*sys, dir.path() / "product");
    const auto before = Picture(*sys);

    RecordingSink sink;
    setup::SetupRun run(*sys, sink);
    ASSERT_EQ(run.Run({}), setup::InstallOutcome::Complete);
    // Windows NT 3.51 has no SharedDLLs key: its shared files go uncounted.
    std::vector<std::string> expected;
    if (kind == OS_NT351) {
        expected.assign(2, "Failed to open the registery counter for this shared file. Error = 2");
    }
    expected.push_back("Installation complete. You can now run the installed program.");
    EXPECT_EQ(sink.messages, expected);
    const std::string dest = DestDirOf(kind);
    EXPECT_EQ(run.DestDir(), dest);
    for (const char* file : {"\\Uninstall.exe", "\\bin\\Demo.exe", "\\README.TXT",
                             "\\docs\\GUIDE.TXT", "\\shared\\DEMOSHR.DLL"}) {
        EXPECT_NE(sys->GetFileAttributes(dest + file), INVALID_FILE_ATTRIBUTES) << file;
    }
    const std::string sysDll = sys->GetSystemDirectory() + "\\DEMOSYS.DLL";
    EXPECT_NE(sys->GetFileAttributes(sysDll), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(sys->GetFileAttributes(dest + "\\docs\\NT351.TXT") != INVALID_FILE_ATTRIBUTES,
              kind == OS_NT351);
    // Shared files are counted on Windows NT only.
    EXPECT_EQ(SharedCount(*sys, sysDll), kind == OS_NT4 ? 1u : 0u);
    EXPECT_EQ(SharedCount(*sys, dest + "\\shared\\DEMOSHR.DLL"), kind == OS_NT4 ? 1u : 0u);
    if (kind == OS_NT351) {
        WinSystem::Conversation conv = 0;
        ASSERT_EQ(sys->DdeConnect("PROGMAN", "PROGMAN", conv), DMLERR_NO_ERROR);
        std::string reply;
        ASSERT_EQ(sys->DdeRequest(conv, "Folio Demo", 1000, reply), DMLERR_NO_ERROR);
        EXPECT_NE(reply.find(",3\r\n"), std::string::npos) << reply;
        sys->DdeDisconnect(conv);
    } else {
        EXPECT_NE(sys->GetFileAttributes(run.ProgramFolderDir() + "\\Folio Demo\\Folio Demo.lnk"),
                  INVALID_FILE_ATTRIBUTES);
        EXPECT_NE(sys->GetFileAttributes(run.UserProgramFolderDir() + "\\Folio Demo\\Guide.lnk"),
                  INVALID_FILE_ATTRIBUTES);
    }
    HKey key;
    ASSERT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE,
                              std::string(setup::kUninstallKey) + "\\Folio Demo", KEY_READ, key),
              ERROR_SUCCESS);
    RegValue command;
    ASSERT_EQ(sys->RegQueryValue(key, "UninstallString", command), ERROR_SUCCESS);
    sys->RegCloseKey(key);
    EXPECT_EQ(command.data, dest + "\\Uninstall.exe \"" + dest + "\\.UnInst.inf\"");

    ASSERT_EQ(sys->SetFileInUse(dest + "\\Uninstall.exe", true), ERROR_SUCCESS);
    test::ScriptedConsole console("y\n\n");
    UninstallArguments args;
    args.logPath = dest + "\\.UnInst.inf";
    EXPECT_EQ(RunUninstall(*sys, console, args), kExitDone);
    ASSERT_EQ(sys->SetFileInUse(dest + "\\Uninstall.exe", false), ERROR_SUCCESS);
    EXPECT_NE(console.out.find("Deleting file " + dest +
                               "\\Uninstall.exe  .. Failed to delete "
                               "file.\n"),
              std::string::npos);

    auto after = Picture(*sys);
    ForgetWhatStays(*sys, after);
    EXPECT_EQ(setup::test::Difference(before, after), "");
}

// The programs themselves, started as a user would start them.
TEST_P(EndToEnd, ThePrograms) {
    const OsKind kind = GetParam();
    const fs::path bin = FOLIO32_BIN_DIR;
    const fs::path product = bin.parent_path() / "product";
    if (!fs::exists(bin / "setup") || !fs::exists(product / "Uninstall.exe")) {
        GTEST_SKIP() << "setup, uninstall or the example product are not built";
    }
    ScratchDir dir;
    const fs::path root = dir.path() / "root";
    auto sys = NewRoot(dir, kind);
    const auto before = Picture(*sys);
    sys.reset();
    const std::string env = "FOLIO32_WINROOT='" + root.string() + "' ";
    const std::string err = (dir.path() / "err.txt").string();
    const std::string setupCmd = "cd '" + product.string() + "' && " + env + "'" +
                                 (bin / "setup").string() + "' --unattended 2>'" + err + "'";
    ASSERT_EQ(std::system(setupCmd.c_str()), 0);
    std::ifstream errIn(err);
    std::string message, line;
    while (std::getline(errIn, line)) message = line;
    EXPECT_EQ(message, "Installation complete. You can now run the installed program.");

    // The log by its Windows path, as the registered command line names it; the program runs
    // from outside the system here, so Uninstall.exe goes too, and with it the destination.
    // On one kind the log is named by its host path instead, which begins with "/".
    const std::string log =
        kind == OS_WIN95
            ? (root / "drive_c" / "Program Files" / "Folio Demo" / ".UnInst.inf").string()
            : DestDirOf(kind) + "\\.UnInst.inf";
    const std::string uninstallCmd = "printf 'y\\n\\n' | " + env + "'" +
                                     (bin / "uninstall").string() + "' '" + log + "' >/dev/null";
    ASSERT_EQ(std::system(uninstallCmd.c_str()), 0);
    sys = EmulatedWinSystem::Open(root, kind, message);
    ASSERT_TRUE(sys);
    auto after = Picture(*sys);
    ForgetWhatStays(*sys, after);  // the log was still in it when its line came
    EXPECT_EQ(setup::test::Difference(before, after), "");

    // A log path Windows-1252 cannot spell cannot be opened: exit code 1, as for any log that
    // cannot be opened (2 would say that the user declined).
    const std::string unspellable = env + "'" + (bin / "uninstall").string() +
                                    "' 'C:\\\xC4\x80.inf' </dev/null >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(unspellable.c_str())), 1);

    // Without --unattended: the wizard does not exist yet.
    const std::string wizardCmd = "cd '" + product.string() + "' && " + env + "'" +
                                  (bin / "setup").string() + "' 2>/dev/null";
    int rc = std::system(wizardCmd.c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 2);
    // A run that ends early: here, without a Setup.inf in the current directory.
    const std::string emptyCmd = "cd '" + dir.path().string() + "' && " + env + "'" +
                                 (bin / "setup").string() + "' --unattended 2>'" + err + "'";
    rc = std::system(emptyCmd.c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 1);
    std::ifstream errAgain(err);
    std::getline(errAgain, line);
    EXPECT_EQ(line, "Failed to open file.");
}

INSTANTIATE_TEST_SUITE_P(Kinds, EndToEnd, ::testing::Values(OS_WIN95, OS_NT351, OS_NT4),
                         [](const auto& p) { return std::string(OsKindName(p.param)); });

}  // namespace
}  // namespace folio::uninstall
