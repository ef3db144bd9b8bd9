// The whole installation run: platform, folders, module choice, destination, log header,
// uninstall registration and the final message.
#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "TestSupport.h"
#include "platform/FileIo.h"
#include "platform/win/FaultInjectingWinSystem.h"
#include "setup/Install.h"

namespace fs = std::filesystem;

namespace folio::setup {
namespace {

using namespace folio::win;
using test::RecordingSink;
using win::test::WriteHost;

const char* kComplete = "Installation complete. You can now run the installed program.";

// A product of `modules` modules named M1.. in script order, one file each (m1.txt, ...);
// module i is typical when i is odd, or as `typical` writes it, and minimum when i is 1. With
// a `shortcut` name every file gets a shortcut (kind 2) of that name.
class RunFixture {
  public:
    explicit RunFixture(OsKind kind = OS_NT4, int modules = 3,
                        const std::vector<std::string>& typical = {},
                        const std::string& shortcut = "")
        : modules_(modules) {
        sys = win::test::NewRoot(dir, kind);
        const fs::path src = dir.path() / "src";
        std::string script = "\x01T\x01 1\r\nProduct\r\nGroup\r\n1 1 1\r\n";
        for (int i = 1; i <= modules; ++i) {
            const std::string n = std::to_string(i);
            const auto at = static_cast<std::size_t>(i - 1);
            const std::string t = at < typical.size() ? typical[at] : std::to_string(i % 2);
            script += "@\x01M" + n + "\x01 1 1 1 0 0 " + t + " " + (i == 1 ? "1" : "0") +
                      "\r\n\x01m" + n + ".txt\x01 \x01(NULL)\x01 " +
                      (shortcut.empty() ? "0" : "2 \x01" + shortcut + "\x01") + "\r\n";
            WriteHost(src / ("m" + n + ".txt"), "module " + n);
        }
        WriteHost(src / "Setup.inf", script);
        sys->SetCurrentDirectory(*sys->WindowsPath(src));
    }
    std::string Log() {
        std::string bytes;
        return sys->ReadFile("C:\\Program Files\\Product\\.UnInst.inf", bytes) == ERROR_SUCCESS
                   ? FromTextMode(bytes)
                   : "<none>";
    }
    // The numbers of the modules whose file is in place.
    std::vector<int> Installed() {
        std::vector<int> installed;
        for (int i = 1; i <= modules_; ++i) {
            if (sys->GetFileAttributes("C:\\Program Files\\Product\\m" + std::to_string(i) +
                                       ".txt") != INVALID_FILE_ATTRIBUTES) {
                installed.push_back(i);
            }
        }
        return installed;
    }

    win::test::ScratchDir dir;
    std::unique_ptr<EmulatedWinSystem> sys;
    RecordingSink sink;

  private:
    int modules_;
};

const char* kKeys =
    "key HKEY_LOCAL_MACHINE SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product\n"
    "key HKEY_LOCAL_MACHINE "
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product\\DisplayName\n"
    "key HKEY_LOCAL_MACHINE "
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product\\UninstallString\n";

TEST(InstallRun, TypicalRunAndItsLog) {
    RunFixture fx;
    SetupRun run(*fx.sys, fx.sink);
    ASSERT_EQ(run.Run({}), InstallOutcome::Complete);
    EXPECT_EQ(fx.sink.messages, std::vector<std::string>{kComplete});
    EXPECT_EQ(fx.Log(), std::string("Product\ndir C:\\Program Files\\Product\n"
                                    "file 0 0 C:\\Program Files\\Product\\m3.txt\n"
                                    "file 0 0 C:\\Program Files\\Product\\m1.txt\n") +
                            kKeys);
    HKey key;
    ASSERT_EQ(fx.sys->RegOpenKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Product",
                                 KEY_READ, key),
              ERROR_SUCCESS);
    RegValue name, command;
    ASSERT_EQ(fx.sys->RegQueryValue(key, "DisplayName", name), ERROR_SUCCESS);
    ASSERT_EQ(fx.sys->RegQueryValue(key, "UninstallString", command), ERROR_SUCCESS);
    fx.sys->RegCloseKey(key);
    EXPECT_EQ(name.data, "Product");
    EXPECT_EQ(
        command.data,
        "C:\\Program Files\\Product\\Uninstall.exe \"C:\\Program Files\\Product\\.UnInst.inf\"");

    // A second run into the same directory appends without a new header.
    RecordingSink again;
    SetupRun second(*fx.sys, again);
    ASSERT_EQ(second.Run({}), InstallOutcome::Complete);
    const std::string log = fx.Log();
    EXPECT_EQ(log.find("Product\ndir"), 0u);
    EXPECT_EQ(log.find("Product\ndir", 1), std::string::npos);
    EXPECT_NE(log.rfind(kKeys), log.find(kKeys));
}

TEST(InstallRun, ModuleSelection) {
    struct Case {
        const char* name;
        InstallChoices choices;
        std::vector<int> installed;
    } cases[] = {
        {"typical", {}, {1, 3, 5, 7, 9, 11}},
        {"minimum", {std::nullopt, kMinimum, std::nullopt, std::nullopt}, {1}},
        // The boxes list the modules from the last of the script: box 1 is M12. Modules past
        // the tenth box are always installed.
        {"custom",
         {std::nullopt, kCustom, std::array<int, 10>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, std::nullopt},
         {1, 2, 3, 12}},
        {"custom with the default ticks",
         {std::nullopt, kCustom, std::nullopt, std::nullopt},
         {1, 2, 3, 5, 7, 9, 11}},
        {"custom, nothing ticked",
         {std::nullopt, kCustom, std::array<int, 10>{}, std::nullopt},
         {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture fx(OS_NT4, 12);
        struct Progress : InstallObserver {
            void Range(int n) override { range = n; }
            void Step() override { ++steps; }
            int range = -1, steps = 0;
        } progress;
        SetupRun run(*fx.sys, fx.sink, &progress);
        ASSERT_EQ(run.Run(c.choices), InstallOutcome::Complete);
        EXPECT_EQ(fx.Installed(), c.installed);
        EXPECT_EQ(progress.range, static_cast<int>(c.installed.size()));
        EXPECT_EQ(progress.steps, progress.range);
        EXPECT_NE(fx.Log().find(kKeys), std::string::npos);
    }
}

TEST(InstallRun, BoxesTakeTheirTickFromTypical) {
    // The boxes start from each module's typical value: 2 shows a tick as 1 does, a value
    // outside 0 to 2 goes into the box as 0. Typical itself takes any nonzero value.
    struct Case {
        const char* name;
        int installType;
        std::vector<int> installed;
    } cases[] = {
        {"custom with the default ticks", kCustom, {1, 2}},
        {"typical", kTypical, {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // M1 to M5; 4294967295 wraps to -1.
        RunFixture fx(OS_NT4, 5, {"1", "2", "5", "4294967295", "0"});
        InstallChoices choices;
        choices.installType = c.installType;
        SetupRun run(*fx.sys, fx.sink);
        ASSERT_EQ(run.Run(choices), InstallOutcome::Complete);
        EXPECT_EQ(fx.Installed(), c.installed);
    }
}

TEST(InstallRun, FolderLookupFailures) {
    const char* cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const char* hkcuExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    struct Case {
        OsKind kind;
        HKey root;
        std::string key;
        const char* value;
        const char* message;
    } cases[] = {
        {OS_NT4, HKEY_LOCAL_MACHINE, cv, "ProgramFilesDir",
         "Failed to get registery value for ProgramDir"},
        {OS_WIN95, HKEY_LOCAL_MACHINE, cv, "ProgramFilesDir",
         "Failed to get registery value for ProgramDir"},
        {OS_NT4, HKEY_LOCAL_MACHINE, std::string(cv) + "\\Explorer\\Shell Folders",
         "Common Programs", "Failed to get registery value for ProgramFolderDir"},
        {OS_NT4, HKEY_CURRENT_USER, std::string(hkcuExplorer) + "\\User Shell Folders", "Programs",
         "Failed to get registery value for UserProgramFolderDir"},
        {OS_WIN95, HKEY_CURRENT_USER, std::string(hkcuExplorer) + "\\Shell Folders", "Programs",
         "Failed to get registery value for UserProgramFolderDir"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        RunFixture fx(c.kind);
        HKey key;
        ASSERT_EQ(fx.sys->RegOpenKey(c.root, c.key, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
        ASSERT_EQ(fx.sys->RegDeleteValue(key, c.value), ERROR_SUCCESS);
        fx.sys->RegCloseKey(key);
        SetupRun run(*fx.sys, fx.sink);
        EXPECT_EQ(run.Run({}), InstallOutcome::Ended);
        EXPECT_EQ(fx.sink.messages, std::vector<std::string>{c.message});
    }

    // Windows NT 3.51 looks nothing up: the destination goes on the Windows drive.
    RunFixture nt351(OS_NT351);
    SetupRun run(*nt351.sys, nt351.sink);
    ASSERT_TRUE(run.Prepare());
    EXPECT_EQ(run.ProgramDir(), "C:");

    // Any other platform.
    struct Win32s : WinSystemWrapper {
        using WinSystemWrapper::WinSystemWrapper;
        OsKind GetOsKind() override { return OS_OTHER; }
    } other(*nt351.sys);
    RecordingSink sink;
    SetupRun otherRun(other, sink);
    EXPECT_EQ(otherRun.Run({}), InstallOutcome::Ended);
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Unknown version of Windows. Install aborted."});
}

TEST(InstallRun, DestinationAndLogFailures) {
    {
        RunFixture fx;
        SetupRun run(*fx.sys, fx.sink);
        InstallChoices choices;
        choices.destDir = "C:\\No such parent\\Product";
        EXPECT_EQ(run.Run(choices), InstallOutcome::Ended);
        EXPECT_EQ(
            fx.sink.messages,
            std::vector<std::string>{"Failed to create destination directory. Install aborted."});
    }
    {
        RunFixture fx;
        ASSERT_EQ(fx.sys->CreateDirectory("C:\\Program Files\\Product"), ERROR_SUCCESS);
        FaultInjectingWinSystem faulty(*fx.sys);
        FaultInjectingWinSystem::Plan plan;
        plan.ops = kOpWriteFile;
        plan.nth = 1;
        faulty.Arm(plan);
        SetupRun run(faulty, fx.sink);
        EXPECT_EQ(run.Run({}), InstallOutcome::Ended);
        EXPECT_EQ(fx.sink.messages,
                  std::vector<std::string>{
                      "Failed to create Uninstall information file. Install aborted."});
    }
    {
        // The log cannot take a line in the middle of the run: it stops there, and what it
        // did but could not record is taken back.
        RunFixture fx;
        FaultInjectingWinSystem faulty(*fx.sys);
        FaultInjectingWinSystem::Plan plan;
        plan.ops = kOpWriteFile;
        plan.nth = 4;  // create, line 1, line 2, then the first file's line
        faulty.Arm(plan);
        SetupRun run(faulty, fx.sink);
        EXPECT_EQ(run.Run({}), InstallOutcome::Ended);
        EXPECT_TRUE(run.LogFailed());
        EXPECT_EQ(
            fx.sink.messages,
            std::vector<std::string>{"Failed to write the uninstall information file C:\\Program "
                                     "Files\\Product\\.UnInst.inf (error 5). Install aborted."});
        EXPECT_TRUE(fx.Installed().empty());
        EXPECT_EQ(fx.Log(), "Product\ndir C:\\Program Files\\Product\n");
    }
}

TEST(InstallRun, RefusedChoices) {
    struct Case {
        InstallChoices choices;
        std::string message;
    } cases[] = {
        {{"C:\\" + std::string(245, 'd'), kTypical, std::nullopt, std::nullopt},
         "The destination directory C:\\" + std::string(245, 'd') +
             " is longer than 247 characters. Install aborted."},
        {{std::nullopt, kTypical, std::nullopt, std::string(260, 'g')},
         "The program folder name \"" + std::string(260, 'g') +
             "\" is not a folder name of at most 259 characters. Install aborted."},
        {{std::nullopt, kTypical, std::nullopt, std::string("..\\..")},
         "The program folder name \"..\\..\" is not a folder name of at most 259 characters. "
         "Install aborted."},
        {{std::nullopt, kTypical, std::nullopt, std::string()},
         "The program folder name \"\" is not a folder name of at most 259 characters. Install "
         "aborted."},
    };
    for (const auto& c : cases) {
        RunFixture fx(OS_NT4, 3, {}, "App");
        SetupRun run(*fx.sys, fx.sink);
        EXPECT_EQ(run.Run(c.choices), InstallOutcome::Ended);
        EXPECT_EQ(fx.sink.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(fx.sys->GetFileAttributes("C:\\Program Files\\Product"), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(InstallRun, FolderNameMattersOnlyWithShortcuts) {
    // Without a shortcut to put into it, no folder is made and any name will do.
    for (const std::string folder : {"", "..\\..", "a:b"}) {
        SCOPED_TRACE(folder);
        RunFixture fx(OS_WIN95, 2);
        InstallChoices choices;
        choices.folderName = folder;
        SetupRun run(*fx.sys, fx.sink);
        ASSERT_EQ(run.Run(choices), InstallOutcome::Complete);
        EXPECT_EQ(fx.sink.messages, std::vector<std::string>{kComplete});
        EXPECT_EQ(fx.Installed(), std::vector<int>{1});
    }
}

TEST(InstallRun, GroupNamesOnWindowsNT351) {
    // The name is no folder there: what would not do as a folder name is left to the Program
    // Manager items, which refuse only what would break their commands.
    struct Case {
        std::string folder;
        std::vector<std::string> messages;
    } cases[] = {
        {"Tools\\Demo: 1", {kComplete}},
        {"",
         {"The Program Manager name \"\" is empty; no item is made for C:\\Product\\m1.txt.",
          kComplete}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        RunFixture fx(OS_NT351, 1, {}, "App");
        InstallChoices choices;
        choices.folderName = c.folder;
        SetupRun run(*fx.sys, fx.sink);
        ASSERT_EQ(run.Run(choices), InstallOutcome::Complete);
        EXPECT_EQ(fx.sink.messages, c.messages);
    }
}

TEST(InstallRun, RebootMessage) {
    RunFixture fx(OS_NT4, 1);
    const std::string target = "C:\\Program Files\\Product\\m1.txt";
    ASSERT_EQ(fx.sys->CreateDirectory("C:\\Program Files\\Product"), ERROR_SUCCESS);
    WriteHost(*fx.sys->HostPath(target), "old");
    fs::last_write_time(*fx.sys->HostPath(target),
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    fx.sys->SetFileAttributes(target, FILE_ATTRIBUTE_SYSTEM);
    fx.sys->SetFileInUse(target, true);
    SetupRun run(*fx.sys, fx.sink);
    ASSERT_EQ(run.Run({}), InstallOutcome::Complete);
    EXPECT_EQ(fx.sink.messages,
              std::vector<std::string>{"Installation complete. You must now reboot the machine."});
}

}  // namespace
}  // namespace folio::setup
