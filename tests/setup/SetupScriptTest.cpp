// The setup script: the field scanner and the loader's reading rules.
#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "TestSupport.h"
#include "setup/SetupScript.h"

namespace folio::setup {
namespace {

using namespace folio::win;
using test::RecordingSink;

struct ScanCase {
    const char* input;
    const char* format;
    int a, b, c;
};

TEST(ScanFields, Numbers) {
    const ScanCase cases[] = {
        {"5 7 9", "%d %d %d", 5, 7, 9},
        {"5  7 9", "%d %d %d", 5, 0, 7},   // a second space shifts the rest
        {"1 1", "%d %d %d", 1, 1, 0},      // a missing field reads as 0
        {"-3 4 5", "%d %d %d", 0, 4, 5},   // no sign: the literal space finds the next field
        {" 8 9 10", "%d %d %d", 0, 8, 9},  // no skipping of white space
        {"12ab 3", "%d %d %d", 12, 3, 0},  // the literal skips to its next occurrence
        {"", "%d %d %d", 0, 0, 0},
        {"4294967297 2 3", "%d %d %d", 1, 2, 3},  // wraps instead of overflowing
    };
    for (const auto& c : cases) {
        int a = -1, b = -1, x = -1;
        EXPECT_EQ(ScanFields(c.input, c.format, {&a, &b, &x}), 0);
        EXPECT_EQ(a, c.a) << c.input;
        EXPECT_EQ(b, c.b) << c.input;
        EXPECT_EQ(x, c.c) << c.input;
    }
}

TEST(ScanFields, TextAndOtherConversions) {
    std::string s1, s2;
    int n = -1;
    ScanFields("\x01src dir\\a.exe\x01 \x01(NULL)\x01 2 \x01My App\x01", "\x01%s\x01 \x01%s\x01 %d",
               {&s1, &s2, &n});
    EXPECT_EQ(s1, "src dir\\a.exe");
    EXPECT_EQ(s2, "(NULL)");
    EXPECT_EQ(n, 2);

    // "%s" last takes the rest; a missing delimiter takes everything.
    ScanFields("name: rest of it", "name: %s", {&s1});
    EXPECT_EQ(s1, "rest of it");
    ScanFields("\x01no end", "\x01%s\x01 %d", {&s1, &n});
    EXPECT_EQ(s1, "no end");
    EXPECT_EQ(n, 0);

    // %O and %l: octal after a leading 0 (digits 8 and 9 still count), decimal otherwise.
    std::uint32_t u1 = 0, u2 = 0;
    ScanFields("017 19", "%O %lu", {&u1, &u2});
    EXPECT_EQ(u1, 15u);
    EXPECT_EQ(u2, 19u);
    ScanFields("09", "%O", {&u1});
    EXPECT_EQ(u1, 9u);
    // Any other conversion is skipped without using an output.
    n = -1;
    ScanFields("x 42", "%x %d", {&n});
    EXPECT_EQ(n, 42);
    // More conversions than outputs: the extra ones are read and dropped.
    ScanFields("1 2 3", "%d %d %d", {&n});
    EXPECT_EQ(n, 1);
}

std::string Script(const std::string& body, const char* platforms = "1 1 1") {
    return "\x01Title\x01 1\nDemo Product \t\r\nDemo Folder  \n" + std::string(platforms) + "\n" +
           body;
}

TEST(SetupScript, HeaderProductFolderAndOrder) {
    RecordingSink sink;
    SetupScript s;
    ASSERT_TRUE(ParseSetupScript(Script("@\x01"
                                        "A\x01 1 1 1 0 0 1 0\n"
                                        "\x01"
                                        "f1\x01 \x01(NULL)\x01 0 \x01\x01\n"
                                        "; a comment does not end the module\n"
                                        "\x01"
                                        "f2\x01 \x01(NULL)\x01 0 \x01\x01\n"
                                        "@@\x01"
                                        "B\x01 1 1 1 1 0 0 1\n"
                                        "@\x01"
                                        "C\x01 1 1 1 0 1 1 1\n"),
                                 OS_NT4, s, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(s.productName, "Demo Product");
    EXPECT_EQ(s.folderName, "Demo Folder");
    ASSERT_EQ(s.modules.size(), 3u);
    EXPECT_EQ(s.modules[0].name, "C");
    EXPECT_EQ(s.modules[1].name, "B");  // "@@" reads like "@"
    EXPECT_EQ(s.modules[1].shared, 1);
    EXPECT_EQ(s.modules[1].minimum, 1);
    EXPECT_EQ(s.modules[2].name, "A");
    ASSERT_EQ(s.modules[2].files.size(), 2u);
    EXPECT_EQ(s.modules[2].files[0].source, "f2");
    EXPECT_EQ(s.modules[2].files[1].source, "f1");
}

TEST(SetupScript, TargetsAndShortcutFields) {
    RecordingSink sink;
    SetupScript s;
    ASSERT_TRUE(ParseSetupScript(Script("@\x01M\x01 1 1 1 0 0 1 0\n"
                                        "\x01"
                                        "disk1\\app.exe\x01 \x01(NULL)\x01 0 \x01\x01\n"
                                        "\x01"
                                        "disk1\\app.exe\x01 \x01"
                                        "bin\\\x01 2 \x01My App\x01\n"
                                        "\x01"
                                        "disk1\\app.exe\x01 \x01"
                                        "bin\\tool.exe\x01 1\n"),
                                 OS_WIN95, s, sink));
    ASSERT_EQ(s.modules.size(), 1u);
    const auto& f = s.modules[0].files;
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[2].target, "app.exe");
    EXPECT_EQ(f[1].target, "bin\\app.exe");
    EXPECT_EQ(f[1].linkKind, 2);
    EXPECT_EQ(f[1].linkName, "My App");
    EXPECT_EQ(f[0].target, "bin\\tool.exe");
    EXPECT_EQ(f[0].linkKind, 1);
    EXPECT_EQ(f[0].linkName, "");
}

TEST(SetupScript, DroppedModules) {
    RecordingSink sink;
    SetupScript s;
    // A module line without 0x01 after "@" ends the current module, so its files are dropped;
    // so is a module for another platform, with its files.
    ASSERT_TRUE(ParseSetupScript(Script("@\x01Kept\x01 1 1 1 0 0 1 0\n"
                                        "\x01k\x01 \x01(NULL)\x01 0 \x01\x01\n"
                                        "@Broken 1 1 1\n"
                                        "\x01lost1\x01 \x01(NULL)\x01 0 \x01\x01\n"
                                        "@\x01NT only\x01 1 1 0 0 0 1 0\n"
                                        "\x01lost2\x01 \x01(NULL)\x01 0 \x01\x01\n"),
                                 OS_WIN95, s, sink));
    ASSERT_EQ(s.modules.size(), 1u);
    EXPECT_EQ(s.modules[0].name, "Kept");
    ASSERT_EQ(s.modules[0].files.size(), 1u);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(SetupScript, FatalMessages) {
    struct Case {
        std::string text;
        OsKind os;
        const char* message;
    } cases[] = {
        {"", OS_NT4, "Unknown .inf file format."},
        {"\x01T\x01 0\nP\nF\n1 1 1\n", OS_NT4, "Unknown .inf file format."},
        {"\x01T\x01 -1\nP\nF\n1 1 1\n", OS_NT4, "Unknown .inf file format."},
        {Script("", "1 1 0"), OS_WIN95, "This program can not be installed on Windows 95"},
        {Script("", "0 1 1"), OS_NT351, "This program can not be installed on NT 3.51"},
        {Script("", "1 0 1"), OS_NT4, "This program can not be installed on NT 4"},
        {"\x01T\x01 1\nP\n", OS_NT4, "This program can not be installed on NT 4"},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        SetupScript s;
        EXPECT_FALSE(ParseSetupScript(c.text, c.os, s, sink)) << c.message;
        EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    }
}

TEST(SetupScript, LongLinesAreReadInPieces) {
    // The tail of a line past 779 characters is a line of its own: here a file line.
    const std::string comment = "; " + std::string(777, 'x');
    RecordingSink sink;
    SetupScript s;
    ASSERT_TRUE(ParseSetupScript(
        Script("@\x01M\x01 1 1 1 0 0 1 0\n" + comment + "\x01tail\x01 \x01(NULL)\x01 0 \x01\x01\n"),
        OS_NT4, s, sink));
    ASSERT_EQ(s.modules[0].files.size(), 1u);
    EXPECT_EQ(s.modules[0].files[0].source, "tail");
}

TEST(SetupScript, ALineEndsAtANulByte) {
    // What follows a NUL up to the line end is not read; the next line is read as usual.
    const std::string nul(1, '\0');
    RecordingSink sink;
    SetupScript s;
    ASSERT_TRUE(ParseSetupScript("\x01T\x01 1\nDemo" + nul + "junk\nFolder\n1 1 1\n" +
                                     "@\x01M\x01 1 1 1 0 0 1 0\n"
                                     "\x01"
                                     "a.txt\x01 \x01(NULL)\x01 2 \x01Name" +
                                     nul + "junk\x01\n" + nul + "@\x01N\x01 1 1 1 0 0 1 0\n" +
                                     "\x01"
                                     "b.txt\x01 \x01(NULL)\x01 0 \x01\x01\n",
                                 OS_NT4, s, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(s.productName, "Demo");
    ASSERT_EQ(s.modules.size(), 1u);  // the line that starts with NUL is a comment
    ASSERT_EQ(s.modules[0].files.size(), 2u);
    EXPECT_EQ(s.modules[0].files[1].linkName, "Name");
    EXPECT_EQ(s.modules[0].files[0].source, "b.txt");
}

TEST(SetupScript, RefusedLines) {
    const std::string longName(260, 'n');
    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"\x01" + longName + "\x01 \x01(NULL)\x01 0 \x01\x01",
         "Setup.inf: line 6: a name is longer than 259 characters; the file is skipped."},
        {"\x01" + std::string(250, 's') + "\x01 \x01" + std::string(20, 'd') + "\\\x01 0 \x01\x01",
         "Setup.inf: line 6: the target \"" + std::string(20, 'd') + "\\" + std::string(250, 's') +
             "\" is longer than 259 characters; the file is skipped."},
        {"\x01x\x01 \x01\\Windows\\x\x01 0 \x01\x01",
         "Setup.inf: line 6: the target \"\\Windows\\x\" is an absolute path; the file is "
         "skipped."},
        {"\x01x\x01 \x01"
         "C:x\x01 0 \x01\x01",
         "Setup.inf: line 6: the target \"C:x\" names a drive; the file is skipped."},
        {"\x01x\x01 \x01sub\\..\\..\\x\x01 0 \x01\x01",
         "Setup.inf: line 6: the target \"sub\\..\\..\\x\" climbs out of the destination "
         "directory; the file is skipped."},
        {"\x01x\x01 \x01../x\x01 0 \x01\x01",
         "Setup.inf: line 6: the target \"../x\" climbs out of the destination directory; the "
         "file is skipped."},
        {"\x01\x01 \x01(NULL)\x01 0 \x01\x01",
         "Setup.inf: line 6: the target \"\" has no file name; the file is skipped."},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        SetupScript s;
        ASSERT_TRUE(ParseSetupScript(Script("@\x01M\x01 1 1 1 0 0 1 0\n" + c.line +
                                            "\n\x01ok\x01 \x01(NULL)\x01 0 \x01\x01\n"),
                                     OS_NT4, s, sink));
        EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
        ASSERT_EQ(s.modules[0].files.size(), 1u);  // the next file is still read
        EXPECT_EQ(s.modules[0].files[0].source, "ok");
    }
    RecordingSink sink;
    SetupScript s;
    EXPECT_TRUE(ParseSetupScript(
        Script("@\x01" + longName + "\x01 1 1 1 0 0 1 0\n\x01x\x01 \x01(NULL)\x01 0\n"), OS_NT4, s,
        sink));
    EXPECT_TRUE(s.modules.empty());
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Setup.inf: line 5: the module name is "
                                                      "longer than 259 characters; the module "
                                                      "is left out."});
    // Product names that the uninstall registration cannot carry stop the run before it
    // changes anything.
    const std::pair<std::string, const char*> products[] = {
        {std::string(196, 'p'),
         "Setup.inf: line 2: the product name is longer than 195 characters."},
        {" \t", "Setup.inf: line 2: the product name is empty."},
    };
    for (const auto& [product, message] : products) {
        sink.messages.clear();
        EXPECT_FALSE(ParseSetupScript("\x01T\x01 1\n" + product + "\nF\n1 1 1\n", OS_NT4, s, sink));
        EXPECT_EQ(sink.messages, std::vector<std::string>{message});
    }
    sink.messages.clear();
    EXPECT_FALSE(ParseSetupScript("\x01T\x01 1\n", OS_NT4, s, sink));
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Setup.inf: line 2: the product name is empty."});
}

TEST(SetupScript, LoadsFromTheCurrentDirectoryInTextMode) {
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT4);
    RecordingSink sink;
    SetupScript s;
    EXPECT_FALSE(LoadSetupScript(*sys, OS_NT4, s, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Failed to open file."});
    test::PrepareProduct(*sys, dir.path() / "product");
    sink.messages.clear();
    ASSERT_TRUE(LoadSetupScript(*sys, OS_NT4, s, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(s.productName, "Folio Demo");  // the CR of CR LF is gone
    ASSERT_EQ(s.modules.size(), 4u);         // the NT 3.51 module is not for NT 4
    EXPECT_EQ(s.modules[0].name, "Program");
}

}  // namespace
}  // namespace folio::setup

namespace folio::setup {
namespace {

// Scripts of arbitrary bytes, weighted towards the characters the format gives meaning to:
// whatever they hold, reading them ends with every kept name within its bound.
TEST(SetupScript, ArbitraryBytes) {
    const std::string alphabet =
        std::string("\x01\x01@@ \n\n\r\\:.0123456789(NULL)ab") + std::string(1, '\0') + "\x1a\xff";
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string text = "\x01T\x01 1\nP\nF\n1 1 1\n@\x01M\x01 1 1 1 0 0 1 0\n";
        const std::size_t length = next() % 1200;
        for (std::size_t i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
        RecordingSink sink;
        SetupScript s;
        ParseSetupScript(text, static_cast<OsKind>(1 + next() % 3), s, sink);
        for (const auto& m : s.modules) {
            EXPECT_LE(m.name.size(), kMaxPath);
            for (const auto& f : m.files) {
                EXPECT_LE(f.source.size(), kMaxPath);
                EXPECT_LE(f.target.size(), kMaxPath);
                EXPECT_LE(f.linkName.size(), kMaxPath);
                EXPECT_EQ(TargetProblem(f.target), "");
            }
        }
    }
}

}  // namespace
}  // namespace folio::setup
