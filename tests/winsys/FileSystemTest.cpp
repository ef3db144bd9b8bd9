// The emulated system's layout, path names and files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestSupport.h"
#include "platform/win/VersionInfo.h"

namespace fs = std::filesystem;

namespace folio::win {
namespace {

using test::NewRoot;
using test::ScratchDir;
using WriteMode = WinSystem::WriteMode;

std::string QueryString(WinSystem& sys, HKey root, const std::string& key, const std::string& name,
                        Dword* type = nullptr) {
    HKey k;
    if (sys.RegOpenKey(root, key, KEY_QUERY_VALUE, k) != ERROR_SUCCESS) return "<no key>";
    RegValue v;
    const Dword e = sys.RegQueryValue(k, name, v);
    sys.RegCloseKey(k);
    if (e != ERROR_SUCCESS) return "<no value>";
    if (type) *type = v.type;
    return v.data;
}

bool IsDir(WinSystem& sys, const std::string& path) {
    const Dword a = sys.GetFileAttributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

const char* kCv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

TEST(Layout, FreshSystemsOfEachKind) {
    struct Case {
        OsKind kind;
        const char* windows;
        const char* system;
        std::vector<const char*> dirs;
        std::vector<const char*> absent;
    };
    const Case cases[] = {
        {OS_WIN95,
         "C:\\WINDOWS",
         "C:\\WINDOWS\\SYSTEM",
         {"C:\\Program Files", "C:\\WINDOWS\\Start Menu\\Programs"},
         {"C:\\WINNT"}},
        {OS_NT4,
         "C:\\WINNT",
         "C:\\WINNT\\system32",
         {"C:\\WINNT\\system", "C:\\Program Files",
          "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs",
          "C:\\WINNT\\Profiles\\Administrator\\Start Menu\\Programs"},
         {"C:\\WINDOWS"}},
        {OS_NT351,
         "C:\\WINNT35",
         "C:\\WINNT35\\system32",
         {},
         {"C:\\Program Files", "C:\\WINNT35\\Profiles"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(OsKindName(c.kind));
        ScratchDir dir;
        auto sys = NewRoot(dir, c.kind);
        ASSERT_TRUE(sys);
        EXPECT_EQ(sys->GetOsKind(), c.kind);
        EXPECT_EQ(sys->GetWindowsDirectory(), c.windows);
        EXPECT_EQ(sys->GetSystemDirectory(), c.system);
        EXPECT_TRUE(IsDir(*sys, c.windows));
        EXPECT_TRUE(IsDir(*sys, c.system));
        for (const char* d : c.dirs) EXPECT_TRUE(IsDir(*sys, d)) << d;
        for (const char* d : c.absent) EXPECT_FALSE(IsDir(*sys, d)) << d;
        HKey shared;
        const Dword e = sys->RegOpenKey(HKEY_LOCAL_MACHINE, std::string(kCv) + "\\SharedDLLs",
                                        KEY_READ, shared);
        EXPECT_EQ(e, c.kind == OS_NT351 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
        if (e == ERROR_SUCCESS) sys->RegCloseKey(shared);

        // Reopening keeps the kind, whatever is asked for a new root.
        std::string error;
        auto again = EmulatedWinSystem::Open(dir.path() / "root", OS_WIN95, error);
        ASSERT_TRUE(again) << error;
        EXPECT_EQ(again->GetOsKind(), c.kind);
    }
}

TEST(Layout, FolderValuesTheInstallerReads) {
    ScratchDir d95, dnt;
    auto w95 = NewRoot(d95, OS_WIN95);
    auto nt4 = NewRoot(dnt, OS_NT4);
    ASSERT_TRUE(w95 && nt4);
    EXPECT_EQ(QueryString(*w95, HKEY_LOCAL_MACHINE, kCv, "ProgramFilesDir"), "C:\\Program Files");
    EXPECT_EQ(QueryString(*w95, HKEY_CURRENT_USER,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                          "Programs"),
              "C:\\WINDOWS\\Start Menu\\Programs");
    EXPECT_EQ(QueryString(*nt4, HKEY_LOCAL_MACHINE, kCv, "ProgramFilesDir"), "C:\\Program Files");
    EXPECT_EQ(QueryString(*nt4, HKEY_LOCAL_MACHINE, std::string(kCv) + "\\Explorer\\Shell Folders",
                          "Common Programs"),
              "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs");
    Dword type = 0;
    const std::string user =
        QueryString(*nt4, HKEY_CURRENT_USER,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                    "Programs", &type);
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(user, "%USERPROFILE%\\Start Menu\\Programs");
    std::string expanded;
    ASSERT_EQ(nt4->ExpandEnvironmentStrings(user, expanded), ERROR_SUCCESS);
    EXPECT_EQ(expanded, "C:\\WINNT\\Profiles\\Administrator\\Start Menu\\Programs");
    EXPECT_TRUE(IsDir(*nt4, expanded));
}

TEST(Layout, EnvironmentExpansion) {
    ScratchDir dir;
    auto sys = NewRoot(dir, OS_NT4);
    ASSERT_TRUE(sys);
    const std::pair<const char*, const char*> cases[] = {
        {"%SystemRoot%\\system32", "C:\\WINNT\\system32"},
        {"%systemroot%", "C:\\WINNT"},
        {"%UNKNOWN%\\x", "%UNKNOWN%\\x"},
        {"100% sure", "100% sure"},
        {"%", "%"},
        {"%%", "%%"},
        // The closing % of an unknown name may open the next reference.
        {"a%UNKNOWN%windir%b", "a%UNKNOWNC:\\WINNTb"},
        {"%USERNAME%", "Administrator"},
    };
    for (const auto& [in, want] : cases) {
        std::string out;
        EXPECT_EQ(sys->ExpandEnvironmentStrings(in, out), ERROR_SUCCESS);
        EXPECT_EQ(out, want) << in;
    }
}

TEST(Layout, RootsAreFoundAndRefused) {
    ScratchDir dir;
    std::string error;
    fs::create_directories(dir.path() / "busy");
    test::WriteHost(dir.path() / "busy" / "something.txt", "x");
    EXPECT_FALSE(EmulatedWinSystem::Open(dir.path() / "busy", OS_NT4, error));
    EXPECT_NE(error.find("busy"), std::string::npos) << error;

    // A damaged state file is reported with its name.
    auto sys = NewRoot(dir, OS_NT4);
    ASSERT_TRUE(sys);
    test::WriteHost(dir.path() / "root" / "winroot.json", "{ not json");
    EXPECT_FALSE(EmulatedWinSystem::Open(dir.path() / "root", OS_NT4, error));
    EXPECT_NE(error.find("winroot.json"), std::string::npos) << error;

    struct Env {
        const char* root;
        const char* winver;
        const char* xdg;
        const char* home;
        const char* wantRoot;
        OsKind kind;
        bool ok;
    };
    const Env envs[] = {
        {"/r", nullptr, "/x", "/h", "/r", OS_NT4, true},
        {nullptr, "win95", "/x", "/h", "/x/folio32/winroot", OS_WIN95, true},
        {nullptr, "NT351", nullptr, "/h", "/h/.local/share/folio32/winroot", OS_NT351, true},
        {"/r", "win31", nullptr, nullptr, "", OS_NT4, false},
        {nullptr, nullptr, nullptr, nullptr, "", OS_NT4, false},
    };
    for (const auto& e : envs) {
        static const Env* current;
        current = &e;
        auto lookup = [](const char* name) -> const char* {
            const std::string n = name;
            if (n == "FOLIO32_WINROOT") return current->root;
            if (n == "FOLIO32_WINVER") return current->winver;
            if (n == "XDG_DATA_HOME") return current->xdg;
            if (n == "HOME") return current->home;
            return nullptr;
        };
        WinRootSettings s;
        std::string err;
        ASSERT_EQ(WinRootSettings::FromEnvironment(lookup, s, err), e.ok) << err;
        if (!e.ok) continue;
        EXPECT_EQ(s.root, fs::path(e.wantRoot));
        EXPECT_EQ(s.kindForNew, e.kind);
    }
}

// File operations behave alike on every kind of system.
class Files : public ::testing::TestWithParam<OsKind> {
  protected:
    void SetUp() override {
        sys = NewRoot(dir, GetParam());
        ASSERT_TRUE(sys);
        ASSERT_EQ(sys->CreateDirectory("C:\\Data"), ERROR_SUCCESS);
        ASSERT_EQ(sys->WriteFile("C:\\Data\\ReadMe.TXT", "hello", WriteMode::Replace),
                  ERROR_SUCCESS);
    }
    fs::path Host(const std::string& win) { return *sys->HostPath(win); }

    ScratchDir dir;
    std::unique_ptr<EmulatedWinSystem> sys;
};

TEST_P(Files, NamesAreFoundWithoutRegardToCase) {
    const char* spellings[] = {"C:\\Data\\ReadMe.TXT",  "c:\\DATA\\readme.txt",
                               "C:/data/README.txt",    "c:\\data\\.\\..\\Data\\readme.txt",
                               "C:\\Data\\readme.txt.", "C:\\Data\\\\readme.txt"};
    for (const char* p : spellings) {
        FileInfo info;
        EXPECT_EQ(sys->GetFileAttributesEx(p, info), ERROR_SUCCESS) << p;
        EXPECT_EQ(info.size, 5u) << p;
        EXPECT_EQ(Host(p), dir.path() / "root" / "drive_c" / "Data" / "ReadMe.TXT") << p;
    }
    // Relative names and the drive-relative forms start at the current directory.
    ASSERT_EQ(sys->SetCurrentDirectory("c:\\data"), ERROR_SUCCESS);
    EXPECT_EQ(sys->GetCurrentDirectory(), "C:\\Data");
    EXPECT_NE(sys->GetFileAttributes("readme.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(sys->GetFileAttributes("C:readme.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(sys->GetFileAttributes("\\Data\\readme.txt"), INVALID_FILE_ATTRIBUTES);
    // Creation keeps the case given.
    ASSERT_EQ(sys->CreateDirectory("c:\\data\\MixedCase"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(dir.path() / "root" / "drive_c" / "Data" / "MixedCase"));
    ASSERT_EQ(sys->WriteFile("C:\\DATA\\mixedcase\\Caf\xe9.txt", "x", WriteMode::Replace),
              ERROR_SUCCESS);
    EXPECT_TRUE(
        fs::exists(dir.path() / "root" / "drive_c" / "Data" / "MixedCase" / "Caf\xc3\xa9.txt"));
    EXPECT_NE(sys->GetFileAttributes("c:\\data\\MIXEDCASE\\CAF\xc9.TXT"), INVALID_FILE_ATTRIBUTES);
}

TEST_P(Files, DriveZIsTheHost) {
    const fs::path hostFile = dir.path() / "Outside.txt";
    test::WriteHost(hostFile, "abc");
    const auto win = sys->WindowsPath(hostFile);
    ASSERT_TRUE(win);
    EXPECT_EQ(win->substr(0, 3), "Z:\\");
    FileInfo info;
    EXPECT_EQ(sys->GetFileAttributesEx(*win, info), ERROR_SUCCESS);
    EXPECT_EQ(info.size, 3u);
    EXPECT_EQ(*sys->WindowsPath(dir.path() / "root" / "drive_c" / "Data"), "C:\\Data");
    EXPECT_EQ(*sys->WindowsPath(dir.path() / "root" / "drive_c"), "C:\\");
    EXPECT_EQ(*sys->WindowsPath("/"), "Z:\\");
    // Copying in from the host, as setup does from the folder it was started in.
    EXPECT_EQ(sys->CopyFile(*win, "C:\\Data\\In.txt", true), ERROR_SUCCESS);
    EXPECT_EQ(test::ReadHost(Host("C:\\Data\\In.txt")), "abc");
}

TEST_P(Files, BadNamesAndMissingParts) {
    struct Case {
        const char* path;
        Dword error;
    };
    const Case cases[] = {
        {"C:\\Data\\missing.txt", ERROR_FILE_NOT_FOUND},
        {"C:\\Nowhere\\file.txt", ERROR_PATH_NOT_FOUND},
        {"C:\\Data\\ReadMe.TXT\\below", ERROR_PATH_NOT_FOUND},
        {"D:\\file.txt", ERROR_PATH_NOT_FOUND},
        {"C:\\Data\\a|b", ERROR_INVALID_NAME},
        {"C:\\Data\\a*b", ERROR_INVALID_NAME},
        {"C:\\Data\\a\"b", ERROR_INVALID_NAME},
        {"C:\\Data\\a:b", ERROR_INVALID_NAME},
        {"\\\\server\\share\\x", ERROR_BAD_NETPATH},
        {"", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        FileInfo info;
        EXPECT_EQ(sys->GetFileAttributesEx(c.path, info), c.error) << c.path;
    }
    const std::string longName = "C:\\" + std::string(300, 'a');
    EXPECT_EQ(sys->GetFileAttributes(longName), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(sys->CreateDirectory(longName), ERROR_FILENAME_EXCED_RANGE);
}

TEST_P(Files, AttributesSurviveAndFollowTheFile) {
    const std::string f = "C:\\Data\\ReadMe.TXT";
    EXPECT_EQ(sys->GetFileAttributes(f), FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_EQ(sys->SetFileAttributes(f, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_TEMPORARY),
              ERROR_SUCCESS);
    const Dword all = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY |
                      FILE_ATTRIBUTE_TEMPORARY;
    EXPECT_EQ(sys->GetFileAttributes(f), all);
    // Read-only is the host's write permission.
    struct stat st {};
    ASSERT_EQ(::stat(Host(f).c_str(), &st), 0);
    EXPECT_FALSE(st.st_mode & S_IWUSR);
    // Another process opening the root sees the same.
    std::string error;
    auto other = EmulatedWinSystem::Open(dir.path() / "root", OS_NT4, error);
    ASSERT_TRUE(other) << error;
    EXPECT_EQ(other->GetFileAttributes("c:\\data\\readme.txt"), all);
    // A rename takes them along.
    ASSERT_EQ(sys->SetFileAttributes(f, FILE_ATTRIBUTE_HIDDEN), ERROR_SUCCESS);
    ASSERT_EQ(sys->MoveFile(f, "C:\\Data\\Renamed.txt"), ERROR_SUCCESS);
    EXPECT_EQ(sys->GetFileAttributes("C:\\Data\\Renamed.txt"), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(sys->SetFileAttributes("C:\\Data\\Renamed.txt", FILE_ATTRIBUTE_NORMAL),
              ERROR_SUCCESS);
    EXPECT_EQ(sys->GetFileAttributes("C:\\Data\\Renamed.txt"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(sys->GetFileAttributes("C:\\Data"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(sys->SetFileAttributes("C:\\Data\\none", FILE_ATTRIBUTE_HIDDEN),
              ERROR_FILE_NOT_FOUND);
}

TEST_P(Files, CopyKeepsTimeAndRefusesWhatWindowsRefuses) {
    const std::string src = "C:\\Data\\ReadMe.TXT";
    fs::last_write_time(Host(src), fs::file_time_type::clock::now() - std::chrono::hours(50));
    FileInfo a, b;
    ASSERT_EQ(sys->CopyFile(src, "C:\\Data\\Copy.txt", false), ERROR_SUCCESS);
    ASSERT_EQ(sys->GetFileAttributesEx(src, a), ERROR_SUCCESS);
    ASSERT_EQ(sys->GetFileAttributesEx("C:\\Data\\Copy.txt", b), ERROR_SUCCESS);
    EXPECT_EQ(a.lastWrite, b.lastWrite);
    EXPECT_EQ(b.size, 5u);

    ASSERT_EQ(sys->WriteFile("C:\\Data\\Locked.txt", "old", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->SetFileAttributes("C:\\Data\\Locked.txt", FILE_ATTRIBUTE_READONLY),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->WriteFile("C:\\Data\\Sys.dll", "old", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->SetFileAttributes("C:\\Data\\Sys.dll", FILE_ATTRIBUTE_SYSTEM), ERROR_SUCCESS);
    struct Case {
        const char* from;
        const char* to;
        bool failIfExists;
        Dword error;
    };
    const Case cases[] = {
        {"C:\\Data\\none.txt", "C:\\Data\\x.txt", false, ERROR_FILE_NOT_FOUND},
        {"C:\\None\\a.txt", "C:\\Data\\x.txt", false, ERROR_PATH_NOT_FOUND},
        {src.c_str(), "C:\\None\\x.txt", false, ERROR_PATH_NOT_FOUND},
        {src.c_str(), "C:\\Data\\Copy.txt", true, ERROR_FILE_EXISTS},
        {src.c_str(), "C:\\Data\\Locked.txt", false, ERROR_ACCESS_DENIED},
        {src.c_str(), "C:\\Data\\Sys.dll", false, ERROR_ACCESS_DENIED},
        {src.c_str(), "C:\\Data", false, ERROR_ACCESS_DENIED},
        {"C:\\Data", "C:\\Data\\x.txt", false, ERROR_ACCESS_DENIED},
        {src.c_str(), "c:\\data\\readme.txt", false, ERROR_SHARING_VIOLATION},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys->CopyFile(c.from, c.to, c.failIfExists), c.error) << c.from << " " << c.to;
    }
    EXPECT_EQ(test::ReadHost(Host("C:\\Data\\Locked.txt")), "old");
    EXPECT_EQ(sys->GetFileAttributes("C:\\Data\\x.txt"), INVALID_FILE_ATTRIBUTES);
}

TEST_P(Files, DeleteCreateAndRemove) {
    ASSERT_EQ(sys->WriteFile("C:\\Data\\ro.txt", "x", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->SetFileAttributes("C:\\Data\\ro.txt", FILE_ATTRIBUTE_READONLY), ERROR_SUCCESS);
    struct Case {
        const char* what;
        Dword got;
        Dword want;
    };
    const Case cases[] = {
        {"delete missing", sys->DeleteFile("C:\\Data\\none"), ERROR_FILE_NOT_FOUND},
        {"delete in missing dir", sys->DeleteFile("C:\\None\\x"), ERROR_PATH_NOT_FOUND},
        {"delete read-only", sys->DeleteFile("C:\\Data\\ro.txt"), ERROR_ACCESS_DENIED},
        {"delete directory", sys->DeleteFile("C:\\Data"), ERROR_ACCESS_DENIED},
        {"create existing", sys->CreateDirectory("C:\\Data"), ERROR_ALREADY_EXISTS},
        {"create over file", sys->CreateDirectory("C:\\Data\\ReadMe.txt"), ERROR_ALREADY_EXISTS},
        {"create two levels", sys->CreateDirectory("C:\\A\\B"), ERROR_PATH_NOT_FOUND},
        {"create drive root", sys->CreateDirectory("C:\\"), ERROR_ALREADY_EXISTS},
        {"remove non-empty", sys->RemoveDirectory("C:\\Data"), ERROR_DIR_NOT_EMPTY},
        {"remove missing", sys->RemoveDirectory("C:\\None"), ERROR_FILE_NOT_FOUND},
        {"remove a file", sys->RemoveDirectory("C:\\Data\\ReadMe.txt"), ERROR_DIRECTORY},
        {"delete file", sys->DeleteFile("c:\\data\\readme.txt"), ERROR_SUCCESS},
        {"delete again", sys->DeleteFile("C:\\Data\\ReadMe.txt"), ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    ASSERT_EQ(sys->SetCurrentDirectory("C:\\Data"), ERROR_SUCCESS);
    ASSERT_EQ(sys->SetFileAttributes("C:\\Data\\ro.txt", FILE_ATTRIBUTE_NORMAL), ERROR_SUCCESS);
    ASSERT_EQ(sys->DeleteFile("C:\\Data\\ro.txt"), ERROR_SUCCESS);
    EXPECT_EQ(sys->RemoveDirectory("C:\\Data"), ERROR_SHARING_VIOLATION) << "current directory";
    ASSERT_EQ(sys->SetCurrentDirectory("C:\\"), ERROR_SUCCESS);
    EXPECT_EQ(sys->RemoveDirectory("C:\\data"), ERROR_SUCCESS);
}

TEST_P(Files, FindMatchesPatternsWithoutRegardToCase) {
    for (const char* n : {"b.TXT", "a.txt", "c.dll", "noext"}) {
        ASSERT_EQ(sys->WriteFile(std::string("C:\\Data\\") + n, "x", WriteMode::Replace),
                  ERROR_SUCCESS);
    }
    auto names = [&](const std::string& pattern, Dword want = ERROR_SUCCESS) {
        std::vector<FindData> found;
        EXPECT_EQ(sys->FindFiles(pattern, found), want) << pattern;
        std::string out;
        for (const auto& f : found) out += f.name + ";";
        return out;
    };
    EXPECT_EQ(names("C:\\Data\\*.txt"), "a.txt;b.TXT;ReadMe.TXT;");
    EXPECT_EQ(names("c:\\data\\?.*"), "..;a.txt;b.TXT;c.dll;");
    EXPECT_EQ(names("C:\\Data\\*"), ".;..;a.txt;b.TXT;c.dll;noext;ReadMe.TXT;");
    EXPECT_EQ(names("C:\\Data\\*.*"), ".;..;a.txt;b.TXT;c.dll;noext;ReadMe.TXT;");
    EXPECT_EQ(names("C:\\Data\\*.exe", ERROR_FILE_NOT_FOUND), "");
    EXPECT_EQ(names("C:\\None\\*", ERROR_PATH_NOT_FOUND), "");
    EXPECT_EQ(names("C:\\Da*\\*", ERROR_INVALID_NAME), "");
    EXPECT_EQ(names("C:\\*").find(".;"), std::string::npos) << "no dot entries at a drive root";
    std::vector<FindData> found;
    ASSERT_EQ(sys->FindFiles("C:\\Data\\READ*", found), ERROR_SUCCESS);
    EXPECT_EQ(found.at(0).size, 5u);
    EXPECT_EQ(found.at(0).attributes, FILE_ATTRIBUTE_ARCHIVE);
}

TEST_P(Files, MovesAndTheirErrors) {
    ASSERT_EQ(sys->WriteFile("C:\\Data\\other.txt", "other", WriteMode::Replace), ERROR_SUCCESS);
    EXPECT_EQ(sys->MoveFile("C:\\Data\\ReadMe.TXT", "C:\\Data\\other.txt"), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(sys->MoveFile("C:\\Data\\none", "C:\\Data\\x"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys->MoveFile("C:\\Data\\ReadMe.TXT", "C:\\None\\x"), ERROR_PATH_NOT_FOUND);
    ASSERT_EQ(sys->MoveFile("C:\\Data\\ReadMe.TXT", "C:\\Data\\moved.txt"), ERROR_SUCCESS);
    EXPECT_EQ(test::ReadHost(Host("C:\\Data\\moved.txt")), "hello");
    // A case-only rename of the same file.
    ASSERT_EQ(sys->MoveFile("C:\\Data\\moved.txt", "C:\\Data\\MOVED.TXT"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(dir.path() / "root" / "drive_c" / "Data" / "MOVED.TXT"));
    // A file moves to another drive, a directory does not.
    const std::string out = *sys->WindowsPath(dir.path() / "out.txt");
    EXPECT_EQ(sys->MoveFile("C:\\Data", *sys->WindowsPath(dir.path() / "dir")),
              ERROR_NOT_SAME_DEVICE);
    EXPECT_EQ(sys->MoveFile("C:\\Data\\MOVED.TXT", out), ERROR_SUCCESS);
    EXPECT_EQ(test::ReadHost(dir.path() / "out.txt"), "hello");
    EXPECT_EQ(sys->GetFileAttributes("C:\\Data\\MOVED.TXT"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(sys->MoveFile("C:\\Data", "C:\\Data2"), ERROR_SUCCESS);
    // Moved in from the host, the host's file stays.
    EXPECT_EQ(sys->MoveFile(out, "C:\\Data2\\in.txt"), ERROR_SUCCESS);
    EXPECT_EQ(test::ReadHost(Host("C:\\Data2\\in.txt")), "hello");
    EXPECT_TRUE(fs::exists(dir.path() / "out.txt"));
}

TEST_P(Files, MoveFileExFlags) {
    ASSERT_EQ(sys->WriteFile("C:\\Data\\other.txt", "other", WriteMode::Replace), ERROR_SUCCESS);
    if (GetParam() == OS_WIN95) {
        EXPECT_EQ(sys->MoveFileEx("C:\\Data\\ReadMe.TXT", "C:\\Data\\x", 0),
                  ERROR_CALL_NOT_IMPLEMENTED);
        EXPECT_EQ(
            sys->MoveFileEx("C:\\Data\\ReadMe.TXT", "C:\\Data\\x", MOVEFILE_DELAY_UNTIL_REBOOT),
            ERROR_CALL_NOT_IMPLEMENTED);
        return;
    }
    EXPECT_EQ(sys->MoveFileEx("C:\\Data\\ReadMe.TXT", "C:\\Data\\other.txt", 0),
              ERROR_ALREADY_EXISTS);
    ASSERT_EQ(
        sys->MoveFileEx("C:\\Data\\ReadMe.TXT", "C:\\Data\\other.txt", MOVEFILE_REPLACE_EXISTING),
        ERROR_SUCCESS);
    EXPECT_EQ(test::ReadHost(Host("C:\\Data\\other.txt")), "hello");
    // Between drives a file needs MOVEFILE_COPY_ALLOWED.
    const std::string out = *sys->WindowsPath(dir.path() / "moved.txt");
    EXPECT_EQ(sys->MoveFileEx("C:\\Data\\other.txt", out, 0), ERROR_NOT_SAME_DEVICE);
    EXPECT_EQ(sys->MoveFileEx("C:\\Data\\other.txt", out, MOVEFILE_COPY_ALLOWED), ERROR_SUCCESS);
    EXPECT_EQ(test::ReadHost(dir.path() / "moved.txt"), "hello");
    EXPECT_EQ(sys->MoveFileEx("C:\\Data\\x", "", 0), ERROR_INVALID_PARAMETER);
}

TEST_P(Files, ReadAppendReplace) {
    ASSERT_EQ(sys->WriteFile("C:\\Data\\log.inf", "one\n", WriteMode::Append), ERROR_SUCCESS);
    ASSERT_EQ(sys->WriteFile("c:\\data\\LOG.INF", "two\n", WriteMode::Append), ERROR_SUCCESS);
    std::string bytes;
    ASSERT_EQ(sys->ReadFile("C:\\Data\\log.inf", bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, "one\ntwo\n");
    ASSERT_EQ(sys->WriteFile("C:\\Data\\log.inf", "new", WriteMode::Replace), ERROR_SUCCESS);
    ASSERT_EQ(sys->ReadFile("C:\\Data\\log.inf", bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(sys->ReadFile("C:\\Data", bytes), ERROR_ACCESS_DENIED);
    EXPECT_EQ(sys->ReadFile("C:\\Data\\none", bytes), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys->WriteFile("C:\\None\\x", "x", WriteMode::Append), ERROR_PATH_NOT_FOUND);
}

TEST_P(Files, IniEntries) {
    ASSERT_EQ(sys->WritePrivateProfileString("rename", "C:\\A.DLL", "C:\\A.DLL.tmp", "wininit.ini"),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->WritePrivateProfileString("Other", "k", "v", "WININIT.INI"), ERROR_SUCCESS);
    ASSERT_EQ(sys->WritePrivateProfileString("RENAME", "c:\\a.dll", "C:\\B.tmp", "wininit.ini"),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->WritePrivateProfileString("rename", "C:\\C.DLL", "C:\\C.tmp",
                                             sys->GetWindowsDirectory() + "\\wininit.ini"),
              ERROR_SUCCESS);
    std::string bytes;
    ASSERT_EQ(sys->ReadFile(sys->GetWindowsDirectory() + "\\WININIT.INI", bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes,
              "[rename]\r\nC:\\A.DLL=C:\\B.tmp\r\nC:\\C.DLL=C:\\C.tmp\r\n\r\n[Other]\r\nk=v\r\n");
    EXPECT_EQ(sys->WritePrivateProfileString("s", "k", "v", "C:\\None\\x.ini"),
              ERROR_PATH_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Files, ::testing::Values(OS_WIN95, OS_NT351, OS_NT4),
                         [](const auto& p) { return std::string(OsKindName(p.param)); });

TEST(VersionQuery, FromFilesOfTheEmulatedSystem) {
    ScratchDir dir;
    auto sys = NewRoot(dir, OS_NT4);
    ASSERT_TRUE(sys);
    const fs::path sys32 = *sys->HostPath("C:\\WINNT\\system32");
    test::WriteHost(sys32 / "v.dll", test::BuildImage({true, true, true, 0x00050006, 7}));
    test::WriteHost(sys32 / "nov.dll", test::BuildImage({false, true, false}));
    test::WriteHost(sys32 / "plain.txt", "text");
    struct Case {
        const char* path;
        Dword error;
    };
    const Case cases[] = {
        {"C:\\WINNT\\SYSTEM32\\V.DLL", ERROR_SUCCESS},
        {"C:\\WINNT\\system32\\nov.dll", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"C:\\WINNT\\system32\\plain.txt", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"C:\\WINNT\\system32\\missing.dll", ERROR_FILE_NOT_FOUND},
        {"C:\\WINNT\\nowhere\\missing.dll", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        Dword size = 0;
        EXPECT_EQ(sys->GetFileVersionInfoSize(c.path, size), c.error) << c.path;
    }
    ASSERT_EQ(sys->SetAccessDenied("C:\\WINNT\\system32\\v.dll", true), ERROR_SUCCESS);
    Dword size = 0;
    EXPECT_EQ(sys->GetFileVersionInfoSize("C:\\WINNT\\system32\\v.dll", size), ERROR_ACCESS_DENIED);
    ASSERT_EQ(sys->SetAccessDenied("C:\\WINNT\\system32\\v.dll", false), ERROR_SUCCESS);
    std::string block;
    ASSERT_EQ(sys->GetFileVersionInfo("C:\\WINNT\\system32\\v.dll", block), ERROR_SUCCESS);
    ASSERT_EQ(sys->GetFileVersionInfoSize("C:\\WINNT\\system32\\v.dll", size), ERROR_SUCCESS);
    EXPECT_EQ(size, block.size());
    VsFixedFileInfo info;
    ASSERT_TRUE(VerQueryFixedFileInfo(block, info));
    EXPECT_EQ(info.fileVersionMS, 0x00050006u);
    EXPECT_EQ(info.fileVersionLS, 7u);
}

}  // namespace
}  // namespace folio::win
