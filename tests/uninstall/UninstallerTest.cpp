// The uninstaller: arguments, confirmation, replay of each line kind and its console texts.
#include <gtest/gtest.h>

#include "ScriptedConsole.h"
#include "SetupTestSupport.h"
#include "TestSupport.h"
#include "platform/FileIo.h"
#include "setup/Install.h"
#include "uninstall/Uninstaller.h"

namespace folio::uninstall {
namespace {

using namespace folio::win;
using test::ScriptedConsole;

TEST(UninstallArgs, OptionsAndPaths) {
    struct Case {
        std::vector<std::string> args;
        std::string path;
        bool host;
        std::vector<std::string> unknown;
    } cases[] = {
        {{}, ".UnInst.inf", false, {}},
        {{"/Q", "/x"}, ".UnInst.inf", false, {"/Q", "/x"}},
        {{"C:\\P\\.UnInst.inf"}, "C:\\P\\.UnInst.inf", false, {}},
        {{"a.inf", "/S", "b.inf"}, "b.inf", false, {"/S"}},
        {{"/home/me/.UnInst.inf"}, "/home/me/.UnInst.inf", true, {}},
        {{"/home/me/x.inf", "C:\\y.inf"}, "C:\\y.inf", false, {}},
        {{"/"}, ".UnInst.inf", false, {"/"}},
    };
    for (const auto& c : cases) {
        const UninstallArguments a = ParseUninstallArguments(c.args);
        EXPECT_EQ(a.logPath, c.path);
        EXPECT_EQ(a.hostPath, c.host);
        EXPECT_EQ(a.unknown, c.unknown);
    }
}

class Replay : public ::testing::Test {
  protected:
    void SetUp() override { sys = win::test::NewRoot(dir, OS_NT4); }
    void WriteLog(const std::string& text) {
        ASSERT_EQ(
            sys->WriteFile("C:\\.UnInst.inf", ToTextMode(text), WinSystem::WriteMode::Replace),
            ERROR_SUCCESS);
    }
    int Run(const std::string& input, std::vector<std::string> args = {"C:\\.UnInst.inf"}) {
        ScriptedConsole console(input);
        const int rc = RunUninstall(*sys, console, ParseUninstallArguments(args));
        out = console.out;
        return rc;
    }
    bool Exists(const std::string& path) {
        return sys->GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES;
    }
    void SetCount(const std::string& path, Dword count) {
        HKey key;
        ASSERT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, setup::kSharedDllsKey, KEY_ALL_ACCESS, key),
                  ERROR_SUCCESS);
        sys->RegSetValue(key, path, RegValue::Dw(count));
        sys->RegCloseKey(key);
    }
    std::optional<Dword> Count(const std::string& path) {
        HKey key;
        if (sys->RegOpenKey(HKEY_LOCAL_MACHINE, setup::kSharedDllsKey, KEY_READ, key)) return {};
        RegValue v;
        const Dword e = sys->RegQueryValue(key, path, v);
        sys->RegCloseKey(key);
        if (e) return std::nullopt;
        return v.AsDword();
    }

    win::test::ScratchDir dir;
    std::unique_ptr<EmulatedWinSystem> sys;
    std::string out;
};

TEST_F(Replay, Confirmation) {
    for (const char* answer : {"\n", " \n", "n\n", ""}) {
        WriteLog("Product\n");
        EXPECT_EQ(Run(answer), kExitDeclined) << answer;
        EXPECT_EQ(out,
                  "This program will uninstall Product\n\n\nPress Y and [ENTER] to uninstall or "
                  "just [ENTER] to abort.");
        EXPECT_TRUE(Exists("C:\\.UnInst.inf"));
    }
    // A log with only its first line: nothing to replay, and the log goes.
    for (const char* answer : {"y\n\n", "Y\n"}) {
        WriteLog("Product\n");
        EXPECT_EQ(Run(answer), kExitDone);
        EXPECT_EQ(out,
                  "This program will uninstall Product\n\n\nPress Y and [ENTER] to uninstall or "
                  "just [ENTER] to abort.Product\n will now be uninstalled\n\nDone. Press "
                  "[ENTER] to exit.");
        EXPECT_FALSE(Exists("C:\\.UnInst.inf"));
    }
}

TEST_F(Replay, MissingLogAndUnknownArguments) {
    EXPECT_EQ(Run("\n", {"/a", "/b"}), kExitNoLog);
    EXPECT_EQ(out,
              "Unknown argument /a\nUnknown argument /b\nUnable to open .UnInst.inf\nPress "
              "ENTER to exit.");
}

// A log named by its host path is opened as the same file of the Windows system, but it is
// named as it was given; one outside the system cannot be opened.
TEST_F(Replay, LogNamedByItsHostPath) {
    const struct Case {
        const char* windowsPath;
        int rc;
        const char* out;
    } cases[] = {
        {"C:\\.UnInst.inf", kExitDone,
         "This program will uninstall P\n\n\nPress Y and [ENTER] to uninstall or just [ENTER] to "
         "abort.P\n will now be uninstalled\n\nDone. Press [ENTER] to exit."},
        {"C:\\missing.inf", kExitNoLog,
         "Unable to open /host/root/drive_c/.UnInst.inf\nPress ENTER to exit."},
        {"", kExitNoLog, "Unable to open /host/root/drive_c/.UnInst.inf\nPress ENTER to exit."},
    };
    for (const auto& c : cases) {
        WriteLog("P\n");
        UninstallArguments args = ParseUninstallArguments({"/host/root/drive_c/.UnInst.inf"});
        args.windowsPath = c.windowsPath;
        ScriptedConsole console("y\n\n");
        EXPECT_EQ(RunUninstall(*sys, console, args), c.rc) << c.windowsPath;
        EXPECT_EQ(console.out, c.out) << c.windowsPath;
        EXPECT_EQ(Exists("C:\\.UnInst.inf"), c.rc != kExitDone) << c.windowsPath;
    }
}

TEST_F(Replay, FilesDirectoriesAndOrder) {
    ASSERT_EQ(sys->CreateDirectory("C:\\P"), ERROR_SUCCESS);
    ASSERT_EQ(sys->CreateDirectory("C:\\P\\sub"), ERROR_SUCCESS);
    for (const char* f :
         {"C:\\P\\a b.txt", "C:\\P\\sub\\c.txt", "C:\\P\\shared.dll", "C:\\P\\keep"}) {
        ASSERT_EQ(sys->WriteFile(f, "x", WinSystem::WriteMode::Replace), ERROR_SUCCESS);
    }
    WriteLog(
        "Product\ndir C:\\P\ndir C:\\P\\sub\nfile 0 0 C:\\P\\sub\\c.txt\n"
        "file 0 0 C:\\P\\a b.txt\nfile 1 0 C:\\P\\shared.dll\n\nzap C:\\P\\keep\n"
        "file 0 0 C:\\P\\a b.txt\n");
    EXPECT_EQ(Run("y\n\n"), kExitDone);
    EXPECT_NE(out.find("will now be uninstalled\n\n"
                       "Deleting file C:\\P\\a b.txt  .. Deleted.\n"
                       "Deleting file C:\\P\\a b.txt  .. Failed to delete file.\n"
                       "Deleting file C:\\P\\sub\\c.txt  .. Deleted.\n"
                       "Done. Press [ENTER] to exit."),
              std::string::npos)
        << out;
    EXPECT_FALSE(Exists("C:\\P\\sub"));
    EXPECT_TRUE(Exists("C:\\P\\shared.dll"));  // left to its counter line
    EXPECT_TRUE(Exists("C:\\P\\keep"));
    EXPECT_TRUE(Exists("C:\\P"));  // not empty
    EXPECT_FALSE(Exists("C:\\.UnInst.inf"));
}

// File lines by their flags: the first and third characters of the argument decide, and the
// path runs from the fifth to the end, even when that leaves nothing.
TEST_F(Replay, FileLinesByTheirFlags) {
    const struct Case {
        const char* line;
        const char* out;
    } cases[] = {
        {"file 0 0 C:\\a b", "Deleting file C:\\a b  .. Deleted.\n"},
        {"file 0x0 C:\\a b", "Deleting file C:\\a b  .. Deleted.\n"},
        {"file 0 0 ", "Deleting file   .. Failed to delete file.\n"},
        {"file 0 0x", "Deleting file   .. Failed to delete file.\n"},
        {"file 0 0", ""},
        {"file 1 0 C:\\a b", ""},
        {"file 0 1 C:\\a b", ""},
        {"file 00 0 C:\\a b", ""},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(sys->WriteFile("C:\\a b", "x", WinSystem::WriteMode::Replace), ERROR_SUCCESS);
        WriteLog(std::string("P\n") + c.line + "\n");
        EXPECT_EQ(Run("y\n"), kExitDone);
        const std::size_t from = out.find("uninstalled\n\n") + 13;
        EXPECT_EQ(out.substr(from, out.rfind("Done.") - from), c.out) << c.line;
        EXPECT_EQ(Exists("C:\\a b"), std::string(c.out).find("Deleted") == std::string::npos)
            << c.line;
    }
}

TEST_F(Replay, SharedCounters) {
    for (const char* f : {"C:\\two.dll", "C:\\one.dll", "C:\\none.dll", "C:\\busy.dll"}) {
        ASSERT_EQ(sys->WriteFile(f, "x", WinSystem::WriteMode::Replace), ERROR_SUCCESS);
    }
    SetCount("C:\\two.dll", 2);
    SetCount("C:\\one.dll", 1);
    SetCount("C:\\busy.dll", 1);
    SetCount("C:\\gone.dll", 1);
    sys->SetFileInUse("C:\\busy.dll", true);
    WriteLog(
        "P\ninc C:\\two.dll\ninc C:\\one.dll\ninc C:\\none.dll\ninc C:\\busy.dll\n"
        "inc C:\\gone.dll\n");
    EXPECT_EQ(Run("y\n"), kExitDone);
    EXPECT_EQ(Count("C:\\two.dll"), 1u);
    EXPECT_TRUE(Exists("C:\\two.dll"));
    EXPECT_EQ(Count("C:\\one.dll"), std::nullopt);
    EXPECT_FALSE(Exists("C:\\one.dll"));
    EXPECT_EQ(Count("C:\\none.dll"), std::nullopt);
    EXPECT_TRUE(Exists("C:\\none.dll"));
    EXPECT_EQ(Count("C:\\busy.dll"), 0u);  // in use: the counter stays at 0
    EXPECT_TRUE(Exists("C:\\busy.dll"));
    EXPECT_EQ(Count("C:\\gone.dll"), std::nullopt);  // already gone: no counter either
    // A counter left at 0 is tried again by the next replay.
    sys->SetFileInUse("C:\\busy.dll", false);
    DecrementSharedCount(*sys, "C:\\busy.dll");
    EXPECT_FALSE(Exists("C:\\busy.dll"));
    EXPECT_EQ(Count("C:\\busy.dll"), std::nullopt);
}

// Only a four-byte value is a counter. A shorter one (a text of a character, two bytes) would
// read as 0 and have its shared file deleted; it is left as it is, like one too long to read.
TEST_F(Replay, CountersThatAreNotFourBytes) {
    const RegValue values[] = {
        RegValue::Sz("1"),
        RegValue::Sz(""),
        {REG_BINARY, std::string("\x02\x00", 2)},
        {REG_BINARY, std::string(8, '\0')},
        RegValue::Sz("12345"),
    };
    for (const RegValue& v : values) {
        ASSERT_EQ(sys->WriteFile("C:\\odd.dll", "x", WinSystem::WriteMode::Replace), ERROR_SUCCESS);
        HKey key;
        ASSERT_EQ(sys->RegCreateKey(HKEY_LOCAL_MACHINE, setup::kSharedDllsKey, KEY_ALL_ACCESS, key),
                  ERROR_SUCCESS);
        sys->RegSetValue(key, "C:\\odd.dll", v);
        DecrementSharedCount(*sys, "C:\\odd.dll");
        RegValue after;
        EXPECT_EQ(sys->RegQueryValue(key, "C:\\odd.dll", after), ERROR_SUCCESS) << v.data;
        sys->RegCloseKey(key);
        EXPECT_EQ(after.type, v.type) << v.data;
        EXPECT_EQ(after.data, v.data);
        EXPECT_TRUE(Exists("C:\\odd.dll")) << v.data;
    }
}

TEST_F(Replay, RegistryKeys) {
    const std::string base = std::string(setup::kUninstallKey) + "\\Product";
    HKey key;
    ASSERT_EQ(sys->RegCreateKey(HKEY_LOCAL_MACHINE, base, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    sys->RegSetValue(key, "DisplayName", RegValue::Sz("Product"));
    sys->RegCloseKey(key);
    ASSERT_EQ(sys->RegCreateKey(HKEY_CURRENT_USER, "Software\\Keep", KEY_ALL_ACCESS, key),
              ERROR_SUCCESS);
    sys->RegCloseKey(key);

    // Lines the uninstaller refuses: no backslash, a path too long, an unknown root.
    for (const std::string& text :
         {std::string("HKEY_CURRENT_USER Software"),
          "HKEY_CURRENT_USER Software\\" + std::string(260, 'k'),
          std::string("HKCU Software\\Keep"), std::string("HKEY_CURRENT_USER")}) {
        DeleteRegistryKey(*sys, text);
        ASSERT_EQ(sys->RegOpenKey(HKEY_CURRENT_USER, "Software\\Keep", KEY_READ, key),
                  ERROR_SUCCESS)
            << text;
        sys->RegCloseKey(key);
    }
    // The value lines remove nothing; the key line removes the key with its values.
    WriteLog("Product\nkey HKEY_LOCAL_MACHINE " + base + "\nkey HKEY_LOCAL_MACHINE " + base +
             "\\DisplayName\n");
    EXPECT_EQ(Run("y\n"), kExitDone);
    EXPECT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, base, KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, setup::kUninstallKey, KEY_READ, key),
              ERROR_SUCCESS);
    sys->RegCloseKey(key);
}

TEST(ReplayProgman, ItemsAndEmptyGroups) {
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT351);
    WinSystem::Conversation conv = 0;
    ASSERT_EQ(sys->DdeConnect("PROGMAN", "PROGMAN", conv), DMLERR_NO_ERROR);
    ASSERT_EQ(sys->DdeExecute(conv,
                              "[CreateGroup(G)][ShowGroup(G,1)][AddItem(a.exe,A)][AddItem(b.exe,B)]"
                              "[CreateGroup(Other)][ShowGroup(Other,1)][AddItem(a.exe,A)]",
                              1000),
              DMLERR_NO_ERROR);
    ScriptedConsole console("");
    RemoveProgmanItem(*sys, console, "G@A");
    std::string reply;
    ASSERT_EQ(sys->DdeRequest(conv, "G", 1000, reply), DMLERR_NO_ERROR);
    EXPECT_EQ(reply.substr(reply.find(',', reply.find(',') + 1) + 1, 3), "1\r\n");
    RemoveProgmanItem(*sys, console, "G@B");
    EXPECT_NE(sys->DdeRequest(conv, "G", 1000, reply), DMLERR_NO_ERROR);  // the group went too
    ASSERT_EQ(sys->DdeRequest(conv, "Other", 1000, reply), DMLERR_NO_ERROR);
    EXPECT_NE(reply.find("\"A\""), std::string::npos);  // the same name elsewhere stays
    sys->DdeDisconnect(conv);
    EXPECT_EQ(console.out, "");
    RemoveProgmanItem(*sys, console, "no at sign");
    RemoveProgmanItem(*sys, console, "G@A");
    EXPECT_EQ(console.out, "****DdeClientTransaction Failed");
    console.out.clear();
    RemoveProgmanItem(*sys, console, "G@A (old)");
    EXPECT_EQ(console.out,
              "The Program Manager name \"A (old)\" contains a quote, comma, parenthesis, bracket "
              "or control character; it is not sent to Program Manager.\n");
}

}  // namespace
}  // namespace folio::uninstall

namespace folio::uninstall {
namespace {

// Logs of arbitrary lines made of the log's own words: the replay finishes and deletes the log.
TEST_F(Replay, ArbitraryLogs) {
    const char* words[] = {"dir ",
                           "file ",
                           "inc ",
                           "key ",
                           "pmngr ",
                           "0 ",
                           "1 ",
                           "C:\\",
                           "x",
                           "\\",
                           "@",
                           " ",
                           "HKEY_LOCAL_MACHINE ",
                           "SOFTWARE",
                           "\n",
                           "\n",
                           "\x1a"};
    std::uint32_t seed = 777;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 200; ++round) {
        std::string text = "P\n";
        const std::size_t count = next() % 80;
        for (std::size_t i = 0; i < count; ++i) text += words[next() % std::size(words)];
        WriteLog(text);
        EXPECT_EQ(Run("y\n"), kExitDone);
        EXPECT_FALSE(Exists("C:\\.UnInst.inf"));
    }
    HKey key;
    EXPECT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ, key), ERROR_SUCCESS);
    sys->RegCloseKey(key);
}

}  // namespace
}  // namespace folio::uninstall
