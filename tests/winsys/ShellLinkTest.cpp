// Shortcuts: the bytes of a .lnk file, and what a standard reader makes of them.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "TestSupport.h"
#include "platform/win/ShellLink.h"

namespace folio::win {
namespace {

TEST(ShellLink, RoundTrip) {
    ShellLinkData link;
    link.target = "C:\\Program Files\\Folio\\FOLIO32.EXE";
    link.description =
        "Folio \xe9"
        "dition";
    link.workingDir = "C:\\Program Files\\Folio";
    link.targetSize = 12345;
    link.targetWrite = 0x01d0000000000000ull;
    const std::string bytes = BuildShellLink(link);
    ShellLinkData back;
    std::string error;
    ASSERT_TRUE(ParseShellLink(bytes, back, error)) << error;
    EXPECT_EQ(back.target, link.target);
    EXPECT_EQ(back.description, link.description);
    EXPECT_EQ(back.workingDir, link.workingDir);
    EXPECT_EQ(back.targetSize, link.targetSize);
    EXPECT_EQ(back.targetWrite, link.targetWrite);
    // Header size and the class id open every link file.
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4c\0\0\0", 4));

    for (std::size_t n = 0; n < bytes.size(); ++n) {
        ParseShellLink(bytes.substr(0, n), back, error);  // must not crash on a torn file
    }
    EXPECT_FALSE(ParseShellLink(bytes.substr(0, 40), back, error));
    EXPECT_NE(error.find("offset"), std::string::npos);
}

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    ::pclose(p);
    return out;
}

TEST(ShellLink, StandardReaderShowsTargetDescriptionAndFolder) {
    if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
    }
    test::ScratchDir dir;
    auto sys = test::NewRoot(dir, OS_NT4);
    ASSERT_TRUE(sys);
    const std::string folder = "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs\\Folio";
    ASSERT_EQ(sys->CreateDirectory("C:\\Program Files\\Folio"), ERROR_SUCCESS);
    ASSERT_EQ(sys->WriteFile("C:\\Program Files\\Folio\\FOLIO32.EXE", "MZ",
                             WinSystem::WriteMode::Replace),
              ERROR_SUCCESS);
    ASSERT_EQ(sys->CreateDirectory(folder), ERROR_SUCCESS);
    const std::string shortcut = folder + "\\Folio32.lnk";
    ASSERT_EQ(sys->CreateShortcut("c:\\program files\\folio\\folio32.exe", shortcut,
                                  "Folio Product", "C:\\Program Files\\Folio"),
              ERROR_SUCCESS);
    const auto host = sys->HostPath(shortcut);
    ASSERT_TRUE(host);
    const std::string out = RunCommand("lnkinfo '" + host->string() + "' 2>&1");
    // One "label : value" line each for the target, the description and the folder.
    auto value = [&](const std::string& label) {
        const std::size_t at = out.find(label);
        if (at == std::string::npos) return std::string("<missing>");
        const std::size_t colon = out.find(": ", at);
        return out.substr(colon + 2, out.find('\n', colon) - colon - 2);
    };
    EXPECT_EQ(value("Local path"), "C:\\Program Files\\Folio\\FOLIO32.EXE") << out;
    EXPECT_EQ(value("Description"), "Folio Product") << out;
    EXPECT_EQ(value("Working directory"), "C:\\Program Files\\Folio") << out;
    EXPECT_EQ(value("File size"), "2 bytes") << out;
}

TEST(ShellLink, ShortcutNeedsItsFolder) {
    test::ScratchDir dir;
    auto sys = test::NewRoot(dir, OS_WIN95);
    ASSERT_TRUE(sys);
    EXPECT_EQ(sys->CreateShortcut("C:\\x.exe", "C:\\WINDOWS\\Start Menu\\Programs\\No\\x.lnk", "d",
                                  "C:\\"),
              ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(
        sys->CreateShortcut("C:\\x.exe", "C:\\WINDOWS\\Start Menu\\Programs\\x.lnk", "d", "C:\\"),
        ERROR_SUCCESS);
}

}  // namespace
}  // namespace folio::win
