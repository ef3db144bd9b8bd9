// Replacements at the next restart, Program Manager over DDE, and the faults a root can hold.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace folio::win {
namespace {

using test::NewRoot;
using test::ScratchDir;
using WriteMode = WinSystem::WriteMode;

std::string Read(WinSystem& sys, const std::string& path) {
    std::string bytes;
    return sys.ReadFile(path, bytes) == ERROR_SUCCESS ? bytes : "<none>";
}

TEST(Restart, NtCarriesOutPendingRenames) {
    for (OsKind kind : {OS_NT4, OS_NT351}) {
        SCOPED_TRACE(OsKindName(kind));
        ScratchDir dir;
        auto sys = NewRoot(dir, kind);
        ASSERT_TRUE(sys);
        const std::string s = sys->GetSystemDirectory();
        ASSERT_EQ(sys->WriteFile(s + "\\shared.dll", "old", WriteMode::Replace), ERROR_SUCCESS);
        ASSERT_EQ(sys->WriteFile("C:\\TEMP\\new.dll", "new", WriteMode::Replace), ERROR_SUCCESS);
        ASSERT_EQ(sys->WriteFile("C:\\TEMP\\gone.tmp", "x", WriteMode::Replace), ERROR_SUCCESS);
        ASSERT_EQ(sys->SetFileInUse(s + "\\shared.dll", true), ERROR_SUCCESS);
        // The file in use cannot be replaced now...
        EXPECT_EQ(sys->CopyFile("C:\\TEMP\\new.dll", s + "\\shared.dll", false),
                  ERROR_SHARING_VIOLATION);
        // ...so the replacement is recorded for the restart.
        ASSERT_EQ(sys->MoveFileEx("c:\\temp\\NEW.DLL", s + "\\shared.dll",
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED |
                                      MOVEFILE_DELAY_UNTIL_REBOOT),
                  ERROR_SUCCESS);
        ASSERT_EQ(sys->MoveFileEx("C:\\TEMP\\gone.tmp", "", MOVEFILE_DELAY_UNTIL_REBOOT),
                  ERROR_SUCCESS);
        EXPECT_EQ(Read(*sys, s + "\\shared.dll"), "old");

        HKey k;
        ASSERT_EQ(
            sys->RegOpenKey(HKEY_LOCAL_MACHINE,
                            "SYSTEM\\CurrentControlSet\\Control\\Session Manager", KEY_READ, k),
            ERROR_SUCCESS);
        RegValue v;
        ASSERT_EQ(sys->RegQueryValue(k, "PendingFileRenameOperations", v), ERROR_SUCCESS);
        EXPECT_EQ(v.type, REG_MULTI_SZ);
        const std::string want = "\\??\\C:\\TEMP\\new.dll" + std::string(1, '\0') + "!\\??\\" + s +
                                 "\\shared.dll" + std::string(1, '\0') +
                                 "\\??\\C:\\TEMP\\gone.tmp" + std::string(2, '\0');
        EXPECT_EQ(v.data, want);

        std::vector<std::string> done;
        ASSERT_EQ(sys->Restart(&done), ERROR_SUCCESS);
        EXPECT_EQ(done.size(), 2u);
        EXPECT_EQ(Read(*sys, s + "\\shared.dll"), "new");
        EXPECT_EQ(sys->GetFileAttributes("C:\\TEMP\\new.dll"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(sys->GetFileAttributes("C:\\TEMP\\gone.tmp"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(sys->RegQueryValue(k, "PendingFileRenameOperations", v), ERROR_FILE_NOT_FOUND);
        sys->RegCloseKey(k);
        // The restart released the file.
        EmulatedWinSystem::Faults f;
        ASSERT_EQ(sys->GetFaults(f), ERROR_SUCCESS);
        EXPECT_TRUE(f.inUse.empty());
        EXPECT_EQ(sys->DeleteFile(s + "\\shared.dll"), ERROR_SUCCESS);
        // A restart with nothing pending changes nothing.
        done.clear();
        EXPECT_EQ(sys->Restart(&done), ERROR_SUCCESS);
        EXPECT_TRUE(done.empty());
    }
}

TEST(Restart, Windows95RunsWininit) {
    ScratchDir dir;
    auto sys = NewRoot(dir, OS_WIN95);
    ASSERT_TRUE(sys);
    const std::string dest = "C:\\WINDOWS\\SYSTEM\\SHARED.DLL";
    ASSERT_EQ(sys->WriteFile(dest, "old", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->WriteFile("C:\\src.dll", "new", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->WriteFile("C:\\junk.txt", "x", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->SetFileInUse(dest, true), ERROR_SUCCESS);
    // What the installer does on Windows 95: the new copy beside the old, then WININIT.INI.
    ASSERT_EQ(sys->MoveFile("C:\\src.dll", dest + ".tmp"), ERROR_SUCCESS);
    ASSERT_EQ(sys->WritePrivateProfileString("rename", dest, dest + ".tmp", "wininit.ini"),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->WritePrivateProfileString("rename", "NUL", "C:\\junk.txt", "wininit.ini"),
              ERROR_SUCCESS);
    std::vector<std::string> done;
    ASSERT_EQ(sys->Restart(&done), ERROR_SUCCESS);
    EXPECT_EQ(done.size(), 2u);
    EXPECT_EQ(Read(*sys, dest), "new");
    EXPECT_EQ(sys->GetFileAttributes(dest + ".tmp"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(sys->GetFileAttributes("C:\\junk.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(sys->GetFileAttributes("C:\\WINDOWS\\WININIT.INI"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(Read(*sys, "C:\\WINDOWS\\WININIT.BAK").find("[rename]"), std::string::npos);
}

TEST(Faults, EachFaultFailsTheCallsItShould) {
    ScratchDir dir;
    auto sys = NewRoot(dir, OS_NT4);
    ASSERT_TRUE(sys);
    const std::string f = "C:\\WINNT\\system32\\busy.dll";
    ASSERT_EQ(sys->WriteFile(f, "x", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->WriteFile("C:\\src.dll", "y", WriteMode::Replace), ERROR_SUCCESS);

    ASSERT_EQ(sys->SetFileInUse("c:\\winnt\\SYSTEM32\\busy.dll", true), ERROR_SUCCESS);
    EXPECT_EQ(sys->DeleteFile(f), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(sys->CopyFile("C:\\src.dll", f, false), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(sys->MoveFileEx("C:\\src.dll", f, MOVEFILE_REPLACE_EXISTING),
              ERROR_SHARING_VIOLATION);
    EXPECT_EQ(sys->WriteFile(f, "z", WriteMode::Replace), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Read(*sys, f), "x") << "reading a file in use works";
    ASSERT_EQ(sys->SetFileInUse(f, false), ERROR_SUCCESS);

    ASSERT_EQ(sys->SetAccessDenied(f, true), ERROR_SUCCESS);
    EXPECT_EQ(sys->DeleteFile(f), ERROR_ACCESS_DENIED);
    EXPECT_EQ(sys->CopyFile("C:\\src.dll", f, false), ERROR_ACCESS_DENIED);
    EXPECT_EQ(sys->CopyFile(f, "C:\\copy.dll", false), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(*sys, f), "<none>");
    EXPECT_NE(sys->GetFileAttributes(f), INVALID_FILE_ATTRIBUTES) << "attributes stay readable";
    ASSERT_EQ(sys->SetAccessDenied(f, false), ERROR_SUCCESS);

    ASSERT_EQ(sys->SetDiskFull(true), ERROR_SUCCESS);
    EXPECT_EQ(sys->CopyFile("C:\\src.dll", "C:\\new.dll", false), ERROR_DISK_FULL);
    EXPECT_EQ(sys->CopyFile("C:\\src.dll", f, false), ERROR_DISK_FULL);
    EXPECT_EQ(sys->WriteFile("C:\\log.txt", "x", WriteMode::Append), ERROR_DISK_FULL);
    EXPECT_EQ(sys->CreateDirectory("C:\\NewDir"), ERROR_DISK_FULL);
    EXPECT_EQ(sys->GetFileAttributes("C:\\new.dll"), INVALID_FILE_ATTRIBUTES) << "no partial file";
    EXPECT_EQ(Read(*sys, f), "x") << "the old copy is untouched";
    EXPECT_EQ(sys->DeleteFile("C:\\src.dll"), ERROR_SUCCESS) << "deleting still works";
    // The host drive is not the emulated disk.
    ScratchDir outside;
    EXPECT_EQ(sys->CopyFile(f, *sys->WindowsPath(outside.path() / "out.dll"), false),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->SetDiskFull(false), ERROR_SUCCESS);
    EXPECT_EQ(sys->CreateDirectory("C:\\NewDir"), ERROR_SUCCESS);

    // Faults are kept in the root: another process sees them.
    ASSERT_EQ(sys->SetFileInUse(f, true), ERROR_SUCCESS);
    std::string error;
    auto other = EmulatedWinSystem::Open(dir.path() / "root", OS_NT4, error);
    ASSERT_TRUE(other) << error;
    EXPECT_EQ(other->DeleteFile(f), ERROR_SHARING_VIOLATION);
}

TEST(ProgramManager, ConversationOnNt351) {
    ScratchDir dir;
    auto sys = NewRoot(dir, OS_NT351);
    ASSERT_TRUE(sys);
    WinSystem::Conversation c = 0;
    EXPECT_EQ(sys->DdeConnect("PROGMAN", "other", c), DMLERR_NO_CONV_ESTABLISHED);
    ASSERT_EQ(sys->DdeConnect("PROGMAN", "PROGMAN", c), DMLERR_NO_ERROR);
    EXPECT_EQ(sys->DdeExecute(c, "[CreateGroup(Folio)]", 10000), DMLERR_NO_ERROR);
    EXPECT_EQ(sys->DdeExecute(c, "[ShowGroup(Folio,1)]", 10000), DMLERR_NO_ERROR);
    ASSERT_EQ(sys->DdeDisconnect(c), DMLERR_NO_ERROR);
    EXPECT_EQ(sys->DdeExecute(c, "[ShowGroup(Folio,1)]", 10000), DMLERR_INVALIDPARAMETER);

    // A new conversation, as the item is added by a second operation: the group is still
    // current, also for another process.
    std::string error;
    auto other = EmulatedWinSystem::Open(dir.path() / "root", OS_NT351, error);
    ASSERT_TRUE(other) << error;
    ASSERT_EQ(other->DdeConnect("progman", "progman", c), DMLERR_NO_ERROR);
    EXPECT_EQ(other->DdeExecute(c, "[ReplaceItem(\"Folio\")]", 1000), DMLERR_NOTPROCESSED);
    EXPECT_EQ(other->DdeExecute(c,
                                "[AddItem(\"C:\\F\\F.EXE\",\"Folio\",\"C:\\F\\F.EXE\",0,0,0,"
                                "\"C:\\F\")]",
                                1000),
              DMLERR_NO_ERROR);
    std::string reply;
    ASSERT_EQ(other->DdeRequest(c, "Groups", 1000, reply), DMLERR_NO_ERROR);
    EXPECT_NE(reply.find("Main\r\n"), std::string::npos);
    EXPECT_NE(reply.find("Folio\r\n"), std::string::npos);
    ASSERT_EQ(other->DdeRequest(c, "Folio", 1000, reply), DMLERR_NO_ERROR);
    EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "\"Folio\",C:\\WINNT35\\FOLIO.GRP,1");
    EXPECT_EQ(other->DdeRequest(c, "No such group", 1000, reply), DMLERR_NOTPROCESSED);

    // Program Manager stopped: no new conversation, and the open one gets no answers.
    ASSERT_EQ(sys->SetProgmanRunning(false), ERROR_SUCCESS);
    WinSystem::Conversation c2 = 0;
    EXPECT_EQ(sys->DdeConnect("PROGMAN", "PROGMAN", c2), DMLERR_NO_CONV_ESTABLISHED);
    EXPECT_NE(other->DdeExecute(c, "[DeleteGroup(Folio)]", 1000), DMLERR_NO_ERROR);
    EXPECT_NE(other->DdeRequest(c, "Groups", 1000, reply), DMLERR_NO_ERROR);
    ASSERT_EQ(sys->SetProgmanRunning(true), ERROR_SUCCESS);
    EXPECT_EQ(other->DdeExecute(c, "[DeleteGroup(Folio)]", 1000), DMLERR_NO_ERROR);
    other->DdeDisconnect(c);
}

TEST(ProgramManager, AbsentOnWindows95AndNt4) {
    for (OsKind kind : {OS_WIN95, OS_NT4}) {
        ScratchDir dir;
        auto sys = NewRoot(dir, kind);
        ASSERT_TRUE(sys);
        WinSystem::Conversation c = 0;
        EXPECT_EQ(sys->DdeConnect("PROGMAN", "PROGMAN", c), DMLERR_NO_CONV_ESTABLISHED);
    }
}

}  // namespace
}  // namespace folio::win
