// The registry through the system calls: keys, values, handles, and the file shared between
// processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/FileIo.h"

namespace fs = std::filesystem;

namespace folio::win {
namespace {

using test::NewRoot;
using test::ScratchDir;

class RegistryApi : public ::testing::TestWithParam<OsKind> {
  protected:
    void SetUp() override {
        sys = NewRoot(dir, GetParam());
        ASSERT_TRUE(sys);
    }
    ScratchDir dir;
    std::unique_ptr<EmulatedWinSystem> sys;
};

TEST_P(RegistryApi, KeysAndValues) {
    HKey k;
    ASSERT_EQ(
        sys->RegCreateKey(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Folio 1.0",
                          KEY_ALL_ACCESS, k),
        ERROR_SUCCESS);
    ASSERT_EQ(sys->RegSetValue(k, "DisplayName", RegValue::Sz("Folio 1.0")), ERROR_SUCCESS);
    ASSERT_EQ(sys->RegSetValue(k, "Count", RegValue::Dw(3)), ERROR_SUCCESS);
    ASSERT_EQ(sys->RegSetValue(k, "Multi", RegValue{REG_MULTI_SZ, std::string("a\0b\0", 4)}),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->RegSetValue(k, "Exp", RegValue::ExpandSz("%windir%")), ERROR_SUCCESS);
    ASSERT_EQ(sys->RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(sys->RegCloseKey(k), ERROR_INVALID_HANDLE);

    // Another process sees the values, under any spelling of the names.
    std::string error;
    auto other = EmulatedWinSystem::Open(dir.path() / "root", OS_OTHER, error);
    ASSERT_TRUE(other) << error;
    HKey r;
    ASSERT_EQ(
        other->RegOpenKey(HKEY_LOCAL_MACHINE,
                          "software\\MICROSOFT\\windows\\currentversion\\uninstall\\FOLIO 1.0\\",
                          KEY_QUERY_VALUE, r),
        ERROR_SUCCESS);
    struct Case {
        const char* name;
        Dword type;
        std::string data;
    };
    const Case cases[] = {{"displayname", REG_SZ, "Folio 1.0"},
                          {"COUNT", REG_DWORD, std::string("\3\0\0\0", 4)},
                          {"multi", REG_MULTI_SZ, std::string("a\0b\0", 4)},
                          {"exp", REG_EXPAND_SZ, "%windir%"}};
    for (const auto& c : cases) {
        RegValue v;
        ASSERT_EQ(other->RegQueryValue(r, c.name, v), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(v.type, c.type) << c.name;
        EXPECT_EQ(v.data, c.data) << c.name;
    }
    RegValue v;
    EXPECT_EQ(other->RegQueryValue(r, "missing", v), ERROR_FILE_NOT_FOUND);
    // A buffer of 10 bytes holds "Folio 1.0" and its NUL; 9 do not.
    EXPECT_EQ(other->RegQueryValue(r, "DisplayName", v, 10), ERROR_SUCCESS);
    EXPECT_EQ(other->RegQueryValue(r, "DisplayName", v, 9), ERROR_MORE_DATA);
    EXPECT_EQ(other->RegSetValue(r, "x", RegValue::Sz("y")), ERROR_ACCESS_DENIED)
        << "opened for querying only";
    other->RegCloseKey(r);

    EXPECT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", KEY_READ, r),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys->RegOpenKey(HKey{12345}, "x", KEY_READ, r), ERROR_INVALID_HANDLE);
    EXPECT_EQ(sys->RegCreateKey(HKEY_LOCAL_MACHINE, "\\SOFTWARE", KEY_READ, r), ERROR_BAD_PATHNAME);
}

TEST_P(RegistryApi, DeletingKeysAndValues) {
    HKey k;
    ASSERT_EQ(sys->RegCreateKey(HKEY_CURRENT_USER, "Software\\Folio\\Deep\\Deeper", KEY_WRITE, k),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->RegSetValue(k, "v", RegValue::Sz("x")), ERROR_SUCCESS);
    HKey parent;
    ASSERT_EQ(sys->RegOpenKey(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS, parent),
              ERROR_SUCCESS);
    const Dword e = sys->RegDeleteKey(parent, "FOLIO");
    if (GetParam() == OS_WIN95) {
        EXPECT_EQ(e, ERROR_SUCCESS) << "Windows 95 deletes the whole tree";
    } else {
        EXPECT_EQ(e, ERROR_ACCESS_DENIED) << "Windows NT deletes leaf keys only";
        EXPECT_EQ(sys->RegDeleteKey(parent, "Folio\\Deep\\Deeper"), ERROR_SUCCESS);
        EXPECT_EQ(sys->RegDeleteKey(parent, "Folio\\Deep"), ERROR_SUCCESS);
        EXPECT_EQ(sys->RegDeleteKey(parent, "Folio"), ERROR_SUCCESS);
    }
    EXPECT_EQ(sys->RegDeleteKey(parent, "Folio"), ERROR_FILE_NOT_FOUND);
    RegValue v;
    EXPECT_EQ(sys->RegSetValue(k, "v", RegValue::Sz("x")), ERROR_KEY_DELETED);
    sys->RegCloseKey(k);

    ASSERT_EQ(sys->RegCreateKey(HKEY_CURRENT_USER, "Software\\Values", KEY_ALL_ACCESS, k),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->RegSetValue(k, "Name", RegValue::Sz("x")), ERROR_SUCCESS);
    EXPECT_EQ(sys->RegDeleteValue(k, "NAME"), ERROR_SUCCESS);
    EXPECT_EQ(sys->RegDeleteValue(k, "Name"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys->RegQueryValue(k, "Name", v), ERROR_FILE_NOT_FOUND);
    sys->RegCloseKey(k);
    sys->RegCloseKey(parent);
}

TEST_P(RegistryApi, ClassesRootIsTheMachinesClassesKey) {
    HKey k;
    ASSERT_EQ(sys->RegCreateKey(HKEY_CLASSES_ROOT, ".fol", KEY_ALL_ACCESS, k), ERROR_SUCCESS);
    ASSERT_EQ(sys->RegSetValue(k, "", RegValue::Sz("Folio.Document")), ERROR_SUCCESS);
    sys->RegCloseKey(k);
    ASSERT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.FOL", KEY_READ, k),
              ERROR_SUCCESS);
    RegValue v;
    EXPECT_EQ(sys->RegQueryValue(k, "", v), ERROR_SUCCESS);
    EXPECT_EQ(v.data, "Folio.Document");
    sys->RegCloseKey(k);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RegistryApi, ::testing::Values(OS_WIN95, OS_NT351, OS_NT4),
                         [](const auto& p) { return std::string(OsKindName(p.param)); });

TEST(RegistryFile, TwoProcessesWritingAtOnceLoseNothing) {
    ScratchDir dir;
    ASSERT_TRUE(NewRoot(dir, OS_NT4));
    constexpr int kWrites = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            std::string error;
            auto sys = EmulatedWinSystem::Open(dir.path() / "root", OS_NT4, error);
            if (!sys) ::_exit(10);
            HKey k;
            for (int i = 0; i < kWrites; ++i) {
                const std::string name = "p" + std::to_string(c) + "v" + std::to_string(i);
                if (sys->RegCreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Race", KEY_ALL_ACCESS, k) ||
                    sys->RegSetValue(k, name, RegValue::Dw(static_cast<Dword>(i))) ||
                    sys->RegCloseKey(k)) {
                    ::_exit(11);
                }
            }
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::string error;
    auto sys = EmulatedWinSystem::Open(dir.path() / "root", OS_NT4, error);
    ASSERT_TRUE(sys) << error;
    HKey k;
    ASSERT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Race", KEY_READ, k), ERROR_SUCCESS);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < kWrites; ++i) {
            RegValue v;
            const std::string name = "p" + std::to_string(c) + "v" + std::to_string(i);
            ASSERT_EQ(sys->RegQueryValue(k, name, v), ERROR_SUCCESS) << name;
            EXPECT_EQ(v.AsDword(), static_cast<Dword>(i));
        }
    }
    // No temporaries are left beside the registry.
    for (const auto& e : fs::directory_iterator(dir.path() / "root")) {
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    }
}

TEST(RegistryFile, DamagedFileIsReportedWithItsPlace) {
    ScratchDir dir;
    auto sys = NewRoot(dir, OS_NT4);
    ASSERT_TRUE(sys);
    const fs::path reg = dir.path() / "root" / "registry.reg";
    std::string text, error;
    ASSERT_TRUE(ReadTextFile(reg, text, error));
    const std::string damaged = text + "[HKEY_LOCAL_MACHINE\\X]\n\"broken\"=dword:zz\n";
    ASSERT_TRUE(WriteTextFile(reg, damaged, error));
    HKey k;
    EXPECT_EQ(sys->RegOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ, k), ERROR_REGISTRY_CORRUPT);
    EXPECT_NE(sys->LastProblem().find("registry.reg: line "), std::string::npos)
        << sys->LastProblem();
    // A failed change leaves the file as it was.
    EXPECT_EQ(sys->RegCreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\New", KEY_ALL_ACCESS, k),
              ERROR_REGISTRY_CORRUPT);
    std::string after;
    ASSERT_TRUE(ReadTextFile(reg, after, error));
    EXPECT_EQ(after, damaged);
}

}  // namespace
}  // namespace folio::win
