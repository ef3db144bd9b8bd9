// The uninstall log: line kinds, the reader's order and its bound, and the writer.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "setup/UninstallLog.h"

namespace folio::setup {
namespace {

using namespace folio::win;

TEST(UninstallLog, ClassifyLogLine) {
    struct Case {
        const char* line;
        LogLineKind kind;
        const char* argument;
    } cases[] = {
        {"dir C:\\App", LogLineKind::Directory, "C:\\App"},
        {"file 0 0 C:\\App\\a b.txt", LogLineKind::File, "0 0 C:\\App\\a b.txt"},
        {"inc C:\\WINNT\\system32\\x.dll", LogLineKind::Counter, "C:\\WINNT\\system32\\x.dll"},
        {"key HKEY_LOCAL_MACHINE SOFTWARE\\X", LogLineKind::Key, "HKEY_LOCAL_MACHINE SOFTWARE\\X"},
        {"pmngr Group@Item", LogLineKind::Progman, "Group@Item"},
        {"dragons", LogLineKind::Directory, "ons"},  // the first letter decides
        {"f", LogLineKind::File, ""},                // too short for an argument
        {"", LogLineKind::None, ""},
        {"Folio Demo", LogLineKind::None, ""},
    };
    for (const auto& c : cases) {
        const LogLine l = ClassifyLogLine(c.line);
        EXPECT_EQ(l.kind, c.kind) << c.line;
        EXPECT_EQ(l.argument, c.argument) << c.line;
    }
}

TEST(UninstallLog, OrdinaryFilePath) {
    const struct Case {
        const char* argument;
        bool ordinary;
        const char* path;
    } cases[] = {
        {"0 0 C:\\a b\\c.txt", true, "C:\\a b\\c.txt"},
        {"1 0 C:\\x.dll", false, ""},
        {"0 1 C:\\x.dll", false, ""},
        {"0 0 ", true, ""},  // no path: its deletion fails and is reported
        {"0 0", false, ""},  // nothing where the path would begin
        {"0", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOrdinaryFile(c.argument), c.ordinary) << c.argument;
        EXPECT_EQ(OrdinaryFilePath(c.argument), c.path) << c.argument;
    }
}

TEST(UninstallLog, ReaderOrderAndOverlongLines) {
    const std::string longLine = "file 0 0 C:\\" + std::string(1040, 'x');
    const auto log =
        ReadUninstallLog("Product\ndir C:\\P\n" + longLine + "\nfile 0 0 C:\\P\\a\n\n");
    EXPECT_FALSE(log.empty);
    EXPECT_EQ(log.productLine, "Product\n");
    // Last line first; the over-long line is left out whole, its tail never read as a line.
    EXPECT_EQ(log.lines, (std::vector<std::string>{"", "file 0 0 C:\\P\\a", "dir C:\\P"}));
    EXPECT_EQ(log.overlong, std::vector<int>{3});

    // One read takes up to 1039 characters; a line end that does not fit comes as an empty
    // line of its own, which nothing acts on. Only a longer line would be split.
    struct Case {
        std::size_t length;
        const char* end;
        bool kept;
    } cases[] = {
        {1038, "\n", true}, {1039, "\n", true}, {1040, "\n", false},
        {1039, "", true},   {1040, "", false},
    };
    for (const auto& c : cases) {
        const std::string line = "dir " + std::string(c.length - 4, 'd');
        const auto read = ReadUninstallLog("P\n" + line + c.end);
        EXPECT_EQ(read.lines, c.kept ? std::vector<std::string>{line} : std::vector<std::string>{})
            << c.length << c.end;
        EXPECT_EQ(read.overlong, c.kept ? std::vector<int>{} : std::vector<int>{2}) << c.length;
    }

    const auto empty = ReadUninstallLog("");
    EXPECT_TRUE(empty.empty);
    EXPECT_EQ(empty.productLine, "");
    EXPECT_TRUE(empty.lines.empty());
}

TEST(UninstallLog, WriterAppendsInTextMode) {
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT4);
    UninstallLogWriter log(*sys, "C:\\.UnInst.inf");
    bool empty = false;
    ASSERT_EQ(log.Open(empty), ERROR_SUCCESS);
    EXPECT_TRUE(empty);
    ASSERT_EQ(log.WriteLine("Product"), ERROR_SUCCESS);
    ASSERT_EQ(log.Open(empty), ERROR_SUCCESS);
    EXPECT_FALSE(empty);
    ASSERT_EQ(log.WriteLine("dir C:\\P"), ERROR_SUCCESS);
    std::string bytes;
    ASSERT_EQ(sys->ReadFile("C:\\.UnInst.inf", bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, "Product\r\ndir C:\\P\r\n");
}

}  // namespace
}  // namespace folio::setup
