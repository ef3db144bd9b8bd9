// The winroot tool on a fresh root.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace folio::win {
namespace {

struct Result {
    int status;
    std::string out;
};

Result Tool(const fs::path& root, const std::string& args) {
    const fs::path tool = fs::path(FOLIO32_BIN_DIR) / "winroot";
    const std::string cmd = "FOLIO32_WINROOT='" + root.string() + "' FOLIO32_WINVER=nt4 '" +
                            tool.string() + "' " + args + " 2>&1";
    Result r{-1, {}};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class WinRootTool : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(fs::path(FOLIO32_BIN_DIR) / "winroot")) GTEST_SKIP() << "no winroot";
    }
    test::ScratchDir dir;
    fs::path root() const { return dir.path() / "root"; }
};

TEST_F(WinRootTool, CreateAndInspect) {
    auto r = Tool(root(), "create --kind win95");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Tool(root(), "info");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("win95"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("C:\\WINDOWS"), std::string::npos) << r.out;
    r = Tool(root(), "create --kind nt4");
    EXPECT_NE(r.status, 0) << "an existing root is not made again";

    r = Tool(root(), "host 'c:\\windows\\system'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, (root() / "drive_c" / "WINDOWS" / "SYSTEM").string() + "\n");
    r = Tool(root(), "win '" + (root() / "drive_c" / "WINDOWS").string() + "'");
    EXPECT_EQ(r.out, "C:\\WINDOWS\n");
}

TEST_F(WinRootTool, RegistryFaultsRestartAndPrograms) {
    ASSERT_EQ(Tool(root(), "create").status, 0);
    auto r = Tool(root(),
                  "reg set 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
                  "\\Folio' DisplayName 'Folio 1.0'");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Tool(root(),
             "reg set 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
             "\\Folio' UninstallString 'C:\\Program Files\\Folio\\Uninstall.exe "
             "\"C:\\Program Files\\Folio\\.UnInst.inf\"'");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Tool(root(), "reg set 'HKCU\\Software\\Folio' Count 7 --type dword");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Tool(root(), "reg query 'HKCU\\software\\folio' count");
    EXPECT_EQ(r.out, "REG_DWORD 0x7 (7)\n");
    r = Tool(root(),
             "reg query 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Folio'");
    EXPECT_NE(r.out.find("DisplayName"), std::string::npos) << r.out;
    r = Tool(root(), "reg query 'HKLM\\SOFTWARE\\Nowhere'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("error 2"), std::string::npos) << r.out;

    // The uninstaller the command line names; here a host script that shows its arguments.
    const fs::path exe = root() / "drive_c" / "Program Files" / "Folio" / "Uninstall.exe";
    test::WriteHost(exe, "#!/bin/sh\necho \"ran in $(pwd) with $1\"\n");
    fs::permissions(exe, fs::perms::owner_exec, fs::perm_options::add);

    r = Tool(root(), "programs");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Folio\tFolio 1.0"), std::string::npos) << r.out;
    r = Tool(root(), "uninstall Folio --dry-run");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Uninstall.exe"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("C:\\Program Files\\Folio\\.UnInst.inf"), std::string::npos) << r.out;
    r = Tool(root(), "uninstall folio");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ran in " + exe.parent_path().string() +
                         " with C:\\Program Files\\Folio\\.UnInst.inf"),
              std::string::npos)
        << r.out;
    EXPECT_NE(Tool(root(), "uninstall Nothing").status, 0);

    r = Tool(root(), "fault inuse 'C:\\WINNT\\system32'");
    EXPECT_EQ(r.status, 0) << r.out;
    r = Tool(root(), "fault diskfull on");
    EXPECT_EQ(r.status, 0) << r.out;
    r = Tool(root(), "faults");
    EXPECT_NE(r.out.find("in use: C:\\WINNT\\system32"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("disk full"), std::string::npos) << r.out;
    r = Tool(root(), "restart");
    EXPECT_EQ(r.status, 0) << r.out;
    r = Tool(root(), "faults");
    EXPECT_EQ(r.out.find("in use"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace folio::win
