// Installing single files: the copy decision, replacement at restart, shared counters,
// shortcuts and Program Manager items, and the log lines they leave.
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
using win::test::BuildImage;
using win::test::ImageSpec;
using win::test::WriteHost;

std::string Versioned(Dword ms, Dword ls) {
    ImageSpec image;
    image.fileVersionMS = ms;
    image.fileVersionLS = ls;
    return BuildImage(image);
}

// A root with a source folder (the current directory) and a run ready to install into
// C:\Dest with the program folder "Group".
class InstallFixture {
  public:
    explicit InstallFixture(OsKind kind, WinSystem* through = nullptr) {
        sys = win::test::NewRoot(dir, kind);
        src = dir.path() / "src";
        WriteHost(src / "Setup.inf", "\x01T\x01 1\r\nProduct\r\nGroup\r\n1 1 1\r\n");
        sys->SetCurrentDirectory(*sys->WindowsPath(src));
        run = std::make_unique<SetupRun>(through ? *through : *sys, sink);
        if (!run->Prepare()) throw std::runtime_error("prepare failed");
        sys->CreateDirectory("C:\\Dest");
        run->SetFolders("C:\\Dest", "Group");
        if (!run->OpenLog()) throw std::runtime_error("log failed");
    }
    // Writes a source file and sets its last-write time `age` seconds into the past.
    void Source(const std::string& name, const std::string& bytes, int age = 0) {
        WriteHost(src / name, bytes);
        fs::last_write_time(src / name,
                            fs::file_time_type::clock::now() - std::chrono::seconds(age));
    }
    void Existing(const std::string& winPath, const std::string& bytes, int age) {
        const fs::path host = *sys->HostPath(winPath);
        WriteHost(host, bytes);
        fs::last_write_time(host, fs::file_time_type::clock::now() - std::chrono::seconds(age));
    }
    // The log lines after the two of its header.
    std::vector<std::string> LogLines() {
        std::string bytes;
        sys->ReadFile("C:\\Dest\\.UnInst.inf", bytes);
        std::vector<std::string> lines;
        std::string text = FromTextMode(bytes);
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t lf = text.find('\n', start);
            lines.push_back(text.substr(start, lf - start));
            start = lf + 1;
        }
        return {lines.begin() + std::min<std::ptrdiff_t>(2, std::ssize(lines)), lines.end()};
    }
    std::string Read(const std::string& winPath) {
        std::string bytes;
        return sys->ReadFile(winPath, bytes) == ERROR_SUCCESS ? bytes : "<none>";
    }

    win::test::ScratchDir dir;
    std::unique_ptr<EmulatedWinSystem> sys;
    fs::path src;
    RecordingSink sink;
    std::unique_ptr<SetupRun> run;
};

SetupModule Module(int shared = 0, int system = 0) {
    SetupModule m;
    m.name = "M";
    m.shared = shared;
    m.system = system;
    return m;
}

SetupFile File(const std::string& source, const std::string& target, int linkKind = 0,
               const std::string& linkName = "") {
    return {source, target, linkKind, linkName};
}

TEST(CopyVersionedFile, Decisions) {
    const std::string v12 = Versioned(0x00010002, 0);
    const std::string v13 = Versioned(0x00010003, 0);
    const std::string v12b = Versioned(0x00010002, 1);
    struct Case {
        const char* name;
        std::string source;  // empty: no source file
        std::string existing;
        int existingAge;  // the source is 100 s old
        Dword existingAttrs;
        Dword deleteError;  // injected into the deletion of the existing copy
        Dword flags;
        Dword result;
    } cases[] = {
        {"no existing copy", "new", "", 0, 0, 0, 0, 0},
        {"no source", "", "", 0, 0, 0, 0, VIF_CANNOTREADSRC},
        {"existing as old", "new", "old", 100, 0, 0, 0, VIF_SRCOLD},
        {"existing newer", "new", "old", 50, 0, 0, 0, VIF_SRCOLD},
        {"newer, no versions", "new", "old", 200, 0, 0, 0, 0},
        {"newer, same version", v12, v12, 200, 0, 0, 0, VIF_MISMATCH | VIF_SRCOLD},
        {"newer, lower version", v12, v13, 200, 0, 0, 0, VIF_MISMATCH | VIF_SRCOLD},
        {"newer, higher version", v13, v12, 200, 0, 0, 0, 0},
        {"newer, higher low word", v12b, v12, 200, 0, 0, 0, 0},
        {"versioned over unversioned", v12, "old", 200, 0, 0, 0, 0},
        {"forced past a newer copy", v12, v13, 10, 0, 0, VIFF_FORCEINSTALL, 0},
        {"read-only", "new", "old", 200, FILE_ATTRIBUTE_READONLY, 0, 0, VIF_WRITEPROT},
        {"read-only, forced", "new", "old", 200, FILE_ATTRIBUTE_READONLY, 0, VIFF_FORCEINSTALL, 0},
        {"deletion denied", "new", "old", 200, 0, ERROR_ACCESS_DENIED, 0, 0x1085},
        {"deletion shared", "new", "old", 200, 0, ERROR_SHARING_VIOLATION, 0, VIF_CANNOTDELETE},
        {"deletion of a system file", "new", "old", 200, FILE_ATTRIBUTE_SYSTEM,
         ERROR_SHARING_VIOLATION, 0, VIF_FILEINUSE},
        {"deletion fails otherwise", "new", "old", 200, 0, ERROR_INVALID_PARAMETER, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        win::test::ScratchDir scratch;
        auto sys = win::test::NewRoot(scratch, OS_NT4);
        FaultInjectingWinSystem faulty(*sys);
        RecordingSink sink;
        SetupRun run(faulty, sink);
        const fs::path src = scratch.path() / "src";
        fs::create_directories(src);
        if (!c.source.empty()) {
            WriteHost(src / "a.dll", c.source);
            fs::last_write_time(src / "a.dll",
                                fs::file_time_type::clock::now() - std::chrono::seconds(100));
        }
        ASSERT_EQ(sys->CreateDirectory("C:\\Dest"), ERROR_SUCCESS);
        if (!c.existing.empty()) {
            const fs::path host = *sys->HostPath("C:\\Dest\\a.dll");
            WriteHost(host, c.existing);
            fs::last_write_time(
                host, fs::file_time_type::clock::now() - std::chrono::seconds(c.existingAge));
            if (c.existingAttrs) sys->SetFileAttributes("C:\\Dest\\a.dll", c.existingAttrs);
        }
        if (c.deleteError) {
            FaultInjectingWinSystem::Plan plan;
            plan.ops = kOpDeleteFile;
            plan.nth = 1;
            plan.error = c.deleteError;
            faulty.Arm(plan);
        }
        std::string tmp = "untouched";
        Dword tmpLen = 99;
        const Dword r = run.CopyVersionedFile(c.flags, "a.dll", "a.dll", *sys->WindowsPath(src),
                                              "C:\\Dest", "C:\\Dest", tmp, tmpLen);
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(tmpLen, 0u);
        EXPECT_EQ(tmp, "untouched");
        std::string installed;
        sys->ReadFile("C:\\Dest\\a.dll", installed);
        if (r == 0) {
            EXPECT_EQ(installed, c.source);
        }
    }
}

TEST(CopyVersionedFile, CopyFailuresMapToBits) {
    const std::pair<Dword, Dword> cases[] = {
        {ERROR_FILE_NOT_FOUND, VIF_CANNOTREADSRC},
        {ERROR_ACCESS_DENIED, VIF_ACCESSVIOLATION},
        {ERROR_SHARING_VIOLATION, VIF_SHARINGVIOLATION | VIF_FILEINUSE},
        {ERROR_DISK_FULL, VIF_CANNOTCREATE},
    };
    for (const auto& [error, bits] : cases) {
        InstallFixture fx(OS_NT4);
        FaultInjectingWinSystem faulty(*fx.sys);
        SetupRun run(faulty, fx.sink);
        fx.Source("a.txt", "A");
        FaultInjectingWinSystem::Plan plan;
        plan.ops = kOpCopyFile;
        plan.nth = 1;
        plan.error = error;
        faulty.Arm(plan);
        std::string tmp;
        Dword len = 0;
        EXPECT_EQ(run.CopyVersionedFile(0, "a.txt", "a.txt", *fx.sys->WindowsPath(fx.src),
                                        "C:\\Dest", "C:\\Dest", tmp, len),
                  bits);
        EXPECT_EQ(fx.sink.messages, std::vector<std::string>{"Copy failed."});
    }
}

TEST(InstallFile, VifBitNames) {
    EXPECT_EQ(VifBitNames(0), "");
    EXPECT_EQ(VifBitNames(VIF_CANNOTDELETE), "");
    EXPECT_EQ(VifBitNames(0x1085), "VIF_TEMPFILEVIF_SRCOLDVIF_FILEINUSE");
    EXPECT_EQ(
        VifBitNames(VIF_CANNOTRENAME | VIF_CANNOTDELETECUR | VIF_CANNOTREADDST | VIF_BUFFTOOSMALL),
        "VIF_CANNOTDELETECURVIF_CANNOTRENAMEVIF_BUFFTOOSMALLVIF_CANNOTREADDST");
}

TEST(InstallFile, LogLinesOnEachKind) {
    struct Case {
        OsKind kind;
        std::vector<std::string> lines;
    } cases[] = {
        {OS_NT4,
         {"dir C:\\Dest\\bin", "inc C:\\Dest\\bin\\app.exe", "file 1 0 C:\\Dest\\bin\\app.exe",
          "dir C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs\\Group",
          "file 0 0 C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs\\Group\\App.lnk"}},
        {OS_WIN95,
         {"dir C:\\Dest\\bin", "file 1 0 C:\\Dest\\bin\\app.exe",
          "dir C:\\WINDOWS\\Start Menu\\Programs\\Group",
          "file 0 0 C:\\WINDOWS\\Start Menu\\Programs\\Group\\App.lnk"}},
        {OS_NT351, {"dir C:\\Dest\\bin", "file 1 0 C:\\Dest\\bin\\app.exe", "pmngr Group@App"}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(OsKindName(c.kind));
        InstallFixture fx(c.kind);
        if (c.kind == OS_NT351) {
            // NT 3.51 has no counter key of its own: give it one to count in.
            HKey key;
            ASSERT_EQ(fx.sys->RegCreateKey(HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_ALL_ACCESS, key),
                      ERROR_SUCCESS);
            fx.sys->RegCloseKey(key);
            c.lines.insert(c.lines.begin() + 1, "inc C:\\Dest\\bin\\app.exe");
        }
        fx.Source("app.exe", "APP");
        EXPECT_TRUE(
            fx.run->InstallFile(Module(1), File("disk1\\app.exe", "bin\\app.exe", 2, "App")));
        EXPECT_EQ(fx.LogLines(), c.lines);
        EXPECT_EQ(fx.Read("C:\\Dest\\bin\\app.exe"), "APP");
        EXPECT_TRUE(fx.sink.messages.empty()) << fx.sink.messages.front();
        if (c.kind == OS_NT351) {
            WinSystem::Conversation conv = 0;
            ASSERT_EQ(fx.sys->DdeConnect("PROGMAN", "PROGMAN", conv), DMLERR_NO_ERROR);
            std::string reply;
            ASSERT_EQ(fx.sys->DdeRequest(conv, "Group", 1000, reply), DMLERR_NO_ERROR);
            EXPECT_NE(reply.find("\"App\",\"C:\\Dest\\bin\\app.exe\""), std::string::npos) << reply;
            fx.sys->DdeDisconnect(conv);
        } else {
            EXPECT_NE(fx.sys->GetFileAttributes(c.lines.back().substr(9)), INVALID_FILE_ATTRIBUTES);
        }
        // A second file into the same, now existing, subdirectory logs no "dir" line for it.
        fx.Source("b.txt", "B");
        EXPECT_TRUE(fx.run->InstallFile(Module(), File("b.txt", "bin\\b.txt")));
        EXPECT_EQ(fx.LogLines().back(), "file 0 0 C:\\Dest\\bin\\b.txt");
    }
}

TEST(InstallFile, SkippedAndFailedFiles) {
    InstallFixture fx(OS_NT4);
    // An existing copy as new as the source: skipped without a word or a line.
    fx.Source("a.txt", "new", 100);
    fx.Existing("C:\\Dest\\a.txt", "old", 100);
    EXPECT_FALSE(fx.run->InstallFile(Module(), File("a.txt", "a.txt")));
    EXPECT_EQ(fx.Read("C:\\Dest\\a.txt"), "old");
    EXPECT_TRUE(fx.LogLines().empty());
    EXPECT_TRUE(fx.sink.messages.empty());

    // A directory two levels down that does not exist: both attempts fail to copy.
    fx.Source("c.txt", "C");
    EXPECT_FALSE(fx.run->InstallFile(Module(), File("c.txt", "a\\b\\c.txt")));
    const std::string srcDir = *fx.sys->WindowsPath(fx.src);
    EXPECT_EQ(fx.sink.messages,
              (std::vector<std::string>{"Copy failed.", "Copy failed.",
                                        "Failed to install file: " + srcDir +
                                            "\\c.txt --> C:\\Dest\\a\\b\\c.txt\r\nFlags = "
                                            "VIF_CANNOTCREATE"}));
    EXPECT_TRUE(fx.LogLines().empty());

    // A copy in use whose deletion fails on both attempts: the flags have no name.
    fx.sink.messages.clear();
    fx.Existing("C:\\Dest\\d.txt", "old", 200);
    fx.Source("d.txt", "new", 100);
    fx.sys->SetFileInUse("C:\\Dest\\d.txt", true);
    EXPECT_FALSE(fx.run->InstallFile(Module(), File("d.txt", "d.txt")));
    EXPECT_EQ(fx.sink.messages,
              std::vector<std::string>{"Failed to install file: " + srcDir +
                                       "\\d.txt --> C:\\Dest\\d.txt\r\nFlags = "});

    // A read-only older copy is replaced by the forced attempt.
    fx.sink.messages.clear();
    fx.Existing("C:\\Dest\\e.txt", "old", 200);
    fx.sys->SetFileAttributes("C:\\Dest\\e.txt", FILE_ATTRIBUTE_READONLY);
    fx.Source("e.txt", "new", 100);
    EXPECT_TRUE(fx.run->InstallFile(Module(), File("e.txt", "e.txt")));
    EXPECT_EQ(fx.Read("C:\\Dest\\e.txt"), "new");
    EXPECT_TRUE(fx.sink.messages.empty());

    // Paths that would not fit 259 characters skip the file.
    fx.Source("f.txt", "F");
    const std::string longTarget = std::string(120, 's') + "\\" + std::string(140, 'f');
    EXPECT_FALSE(fx.run->InstallFile(Module(), File("f.txt", longTarget)));
    EXPECT_EQ(fx.sink.messages.size(), 1u);
    EXPECT_EQ(fx.sink.messages[0].find("The path C:\\Dest\\"), 0u);
    EXPECT_NE(fx.sink.messages[0].find("is longer than 259 characters; the file "),
              std::string::npos);
}

TEST(InstallFile, ReplacementAtRestart) {
    for (const OsKind kind : {OS_NT4, OS_WIN95}) {
        SCOPED_TRACE(OsKindName(kind));
        InstallFixture fx(kind);
        // A system file in use can only be replaced at the next start.
        fx.Existing("C:\\Dest\\app.dll", "old", 200);
        fx.sys->SetFileAttributes("C:\\Dest\\app.dll", FILE_ATTRIBUTE_SYSTEM);
        fx.sys->SetFileInUse("C:\\Dest\\app.dll", true);
        fx.Source("app.dll", "new", 100);
        EXPECT_TRUE(fx.run->InstallFile(Module(), File("app.dll", "app.dll")));
        EXPECT_TRUE(fx.run->RebootNeeded());
        EXPECT_TRUE(fx.sink.messages.empty());
        EXPECT_EQ(fx.LogLines(), std::vector<std::string>{"file 0 0 C:\\Dest\\app.dll"});
        EXPECT_EQ(fx.Read("C:\\Dest\\app.dll"), "old");
        if (kind == OS_WIN95) {
            EXPECT_EQ(fx.Read("C:\\Dest\\app.dll.tmp"), "new");
            EXPECT_NE(fx.Read("C:\\WINDOWS\\WININIT.INI")
                          .find("[rename]\r\nC:\\Dest\\app.dll=C:\\Dest\\app.dll.tmp"),
                      std::string::npos);
        }
        std::vector<std::string> done;
        ASSERT_EQ(fx.sys->Restart(&done), ERROR_SUCCESS);
        EXPECT_EQ(fx.Read("C:\\Dest\\app.dll"), "new");
    }
    // Windows NT when the replacement cannot be scheduled: reported, still logged.
    InstallFixture fx(OS_NT4);
    FaultInjectingWinSystem faulty(*fx.sys);
    SetupRun run(faulty, fx.sink);
    ASSERT_TRUE(run.Prepare());
    run.SetFolders("C:\\Dest", "Group");
    ASSERT_TRUE(run.OpenLog());
    fx.Existing("C:\\Dest\\app.dll", "old", 200);
    fx.sys->SetFileAttributes("C:\\Dest\\app.dll", FILE_ATTRIBUTE_SYSTEM);
    fx.sys->SetFileInUse("C:\\Dest\\app.dll", true);
    fx.Source("app.dll", "new", 100);
    FaultInjectingWinSystem::Plan plan;
    plan.ops = kOpMoveFileEx;
    plan.nth = 1;
    faulty.Arm(plan);
    EXPECT_TRUE(run.InstallFile(Module(), File("app.dll", "app.dll")));
    EXPECT_FALSE(run.RebootNeeded());
    EXPECT_EQ(fx.sink.messages, std::vector<std::string>{"MoveFileEx() failed."});
    EXPECT_EQ(fx.LogLines(), std::vector<std::string>{"file 0 0 C:\\Dest\\app.dll"});
}

TEST(InstallFile, SharedCounters) {
    InstallFixture fx(OS_NT4);
    fx.Source("s.dll", "S", 100);
    const SetupFile f = File("s.dll", "s.dll");
    EXPECT_TRUE(fx.run->InstallFile(Module(1), f));
    fx.Source("s.dll", "S2", 0);  // a newer copy raises the count again
    EXPECT_TRUE(fx.run->InstallFile(Module(1), f));
    HKey key;
    ASSERT_EQ(fx.sys->RegOpenKey(HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_READ, key), ERROR_SUCCESS);
    RegValue v;
    ASSERT_EQ(fx.sys->RegQueryValue(key, "C:\\Dest\\s.dll", v), ERROR_SUCCESS);
    EXPECT_EQ(v.AsDword(), 2u);
    fx.sys->RegCloseKey(key);

    // The counter cannot be written: reported, and no "inc" line for a counter that is not
    // there; a file this run put in place first is logged as an ordinary one.
    FaultInjectingWinSystem faulty(*fx.sys);
    SetupRun run(faulty, fx.sink);
    ASSERT_TRUE(run.Prepare());
    run.SetFolders("C:\\Dest", "Group");
    ASSERT_TRUE(run.OpenLog());
    fx.Source("t.dll", "T");
    FaultInjectingWinSystem::Plan plan;
    plan.ops = kOpRegSetValue;
    plan.nth = 1;
    faulty.Arm(plan);
    EXPECT_TRUE(run.InstallFile(Module(1), File("t.dll", "t.dll")));
    EXPECT_EQ(fx.sink.messages,
              std::vector<std::string>{"Failed to increment the registery counter for this "
                                       "shared file."});
    EXPECT_EQ(fx.LogLines().back(), "file 0 0 C:\\Dest\\t.dll");

    // The key is missing altogether.
    fx.sink.messages.clear();
    HKey cv;
    ASSERT_EQ(fx.sys->RegOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                 KEY_ALL_ACCESS, cv),
              ERROR_SUCCESS);
    ASSERT_EQ(fx.sys->RegDeleteKey(cv, "SharedDLLs"), ERROR_SUCCESS);
    fx.sys->RegCloseKey(cv);
    fx.Source("u.dll", "U");
    EXPECT_TRUE(fx.run->InstallFile(Module(0, 0 + 1), File("u.dll", "u.dll")));
    EXPECT_EQ(fx.sink.messages,
              std::vector<std::string>{
                  "Failed to open the registery counter for this shared file. Error = 2"});
    EXPECT_EQ(fx.LogLines().back(), "file 0 0 C:\\WINNT\\system32\\u.dll");
}

TEST(InstallFile, MultipleCopiesOfASystemFile) {
    InstallFixture fx(OS_NT4);
    fx.Existing("C:\\WINNT\\sys.dll", "windows", 300);
    fx.Existing("C:\\WINNT\\System\\sys.dll", "system", 300);
    fx.Source("sys.dll", "new", 100);
    EXPECT_TRUE(fx.run->InstallFile(Module(0, 1), File("sys.dll", "sys.dll")));
    ASSERT_EQ(fx.sink.messages.size(), 1u);
    EXPECT_EQ(fx.sink.messages[0],
              "Warning. Multiple copies of the shared file sys.dll is found in the following "
              "paths:\r\nC:\\WINNT\\sys.dll\r\nC:\\WINNT\\System\\sys.dll\r\nThis can cause "
              "problems with this and other programs. Please consider appropriate actions to "
              "resolve this possible problem.");
    // The copy in System was the one compared and replaced; the new one is in system32.
    EXPECT_EQ(fx.Read("C:\\WINNT\\System\\sys.dll"), "<none>");
    EXPECT_EQ(fx.Read("C:\\WINNT\\sys.dll"), "windows");
    EXPECT_EQ(fx.Read("C:\\WINNT\\system32\\sys.dll"), "new");
}

TEST(InstallFile, RefusedShortcutNames) {
    for (const OsKind kind : {OS_NT4, OS_NT351}) {
        InstallFixture fx(kind);
        fx.Source("a.exe", "A");
        const char* name = kind == OS_NT351 ? "A (new)" : "..\\..\\Startup\\A";
        EXPECT_TRUE(fx.run->InstallFile(Module(), File("a.exe", "a.exe", 2, name)));
        ASSERT_EQ(fx.sink.messages.size(), 1u);
        EXPECT_NE(fx.sink.messages[0].find(name), std::string::npos);
        EXPECT_EQ(fx.LogLines(), std::vector<std::string>{"file 0 0 C:\\Dest\\a.exe"});
    }
}

}  // namespace
}  // namespace folio::setup
