// The registry file: REGEDIT4 text in, the same tree out.
#include <gtest/gtest.h>

#include "platform/win/Registry.h"

namespace folio::win {
namespace {

RegKeyNode* Key(RegistryTree& tree, HKey root, const std::string& path, bool create = false) {
    std::vector<std::string> parts;
    EXPECT_TRUE(SplitKeyPath(path, parts));
    return tree.Find(root, parts, create);
}

TEST(RegistryText, RoundTripKeepsEveryTypeAndEscape) {
    RegistryTree tree;
    RegKeyNode* k = Key(tree, HKEY_LOCAL_MACHINE, "SOFTWARE\\Folio \"Quoted\"\\Sub", true);
    k->SetValue("", RegValue::Sz("default"));
    k->SetValue("Path", RegValue::Sz("C:\\Program Files\\\"x\"\\"));
    k->SetValue("Count", RegValue::Dw(0xdeadbeef));
    k->SetValue("Expand", RegValue::ExpandSz("%USERPROFILE%\\Start Menu"));
    k->SetValue("Multi", RegValue{REG_MULTI_SZ, std::string("one\0two\0", 8)});
    k->SetValue("Empty multi", RegValue{REG_MULTI_SZ, ""});
    k->SetValue("Line\\break", RegValue::Sz("a\nb\x1a"
                                            "c"));
    k->SetValue("Binary", RegValue{REG_BINARY, std::string("\0\1\xff", 3)});
    k->SetValue("Accents \xe9\xe8", RegValue::Sz(std::string(60, '\xe9')));
    k->SetValue("Long", RegValue::ExpandSz(std::string(200, 'x')));
    Key(tree, HKEY_CURRENT_USER, "Software\\Empty", true);

    const std::string text = FormatRegistryText(tree);
    RegistryTree back;
    std::string error;
    ASSERT_TRUE(ParseRegistryText(text, back, error)) << error << "\n" << text;
    EXPECT_EQ(FormatRegistryText(back), text);

    const RegKeyNode* b = Key(back, HKEY_LOCAL_MACHINE, "software\\FOLIO \"QUOTED\"\\sub");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name, "Sub");
    for (const auto& [name, value] : k->values) {
        const RegValue* v = b->FindValue(name);
        ASSERT_NE(v, nullptr) << name;
        EXPECT_EQ(v->type, value.type) << name;
        EXPECT_EQ(v->data, value.data) << name;
    }
    EXPECT_NE(Key(back, HKEY_CURRENT_USER, "SOFTWARE\\EMPTY"), nullptr);
    // The common forms as regedit writes them.
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\Program Files\\\\\\\"x\\\"\\\\\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Count\"=dword:deadbeef\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Multi\"=hex(7):6f,6e,65,00,74,77,6f,00,00\n"), std::string::npos);
    EXPECT_EQ(text.rfind("REGEDIT4\n\n", 0), 0u);
}

TEST(RegistryText, ReadsWhatRegeditWrites) {
    const std::string text =
        "REGEDIT4\n\n"
        "; a comment\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n"
        "\"Wrapped\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,\\\n"
        "  5c,78,00\n"
        "\"Short\"=dword:1\n\n"
        "[HKEY_CLASSES_ROOT\\.fol]\n"
        "@=\"Folio.Document\"\n";
    RegistryTree tree;
    std::string error;
    ASSERT_TRUE(ParseRegistryText(text, tree, error)) << error;
    const RegKeyNode* cv =
        Key(tree, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
    ASSERT_NE(cv, nullptr);
    EXPECT_EQ(cv->FindValue("programfilesdir")->data, "C:\\Program Files");
    EXPECT_EQ(cv->FindValue("Wrapped")->type, REG_EXPAND_SZ);
    EXPECT_EQ(cv->FindValue("Wrapped")->data, "%SystemRoot%\\x");
    EXPECT_EQ(cv->FindValue("Short")->AsDword(), 1u);
    // HKEY_CLASSES_ROOT is the Classes key of the machine.
    const RegKeyNode* fol = Key(tree, HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.fol");
    ASSERT_NE(fol, nullptr);
    EXPECT_EQ(fol->FindValue("")->data, "Folio.Document");
}

TEST(RegistryText, MalformedTextNamesTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "line 1: expected the header REGEDIT4"},
        {"Windows Registry Editor Version 5.00\n", "line 1: expected the header"},
        {"REGEDIT4\n\"a\"=\"b\"\n", "line 2: a value before the first key"},
        {"REGEDIT4\n[HKEY_NOWHERE\\x]\n", "line 2: unknown root key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x\n", "line 2: a key line must end with ']'"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a\\\\b]\n", "line 2: malformed key path"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"x\"=\"open\n", "line 3: unterminated"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"x\"=dword:123456789\n", "line 3: a dword"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"x\"=dword:12g4\n", "line 3: a dword"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"x\"=hex:0g\n", "line 3: malformed hex bytes"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"x\"=hex(zz):00\n", "line 3: malformed hex(type)"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"x\"=hex:00,\\\n  zz\n", "line 3: malformed hex"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\n\n\"x\"\n", "line 5: expected '='"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\"x\"=-\n", "line 3: unknown value data"},
    };
    for (const auto& c : cases) {
        RegistryTree tree;
        Key(tree, HKEY_USERS, "Kept", true);
        std::string error;
        EXPECT_FALSE(ParseRegistryText(c.text, tree, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " -> " << error;
        EXPECT_NE(Key(tree, HKEY_USERS, "Kept"), nullptr) << "tree changed by a failed parse";
    }
}

TEST(RegistryText, TornOrGarbledFilesNeverCrash) {
    RegistryTree tree;
    RegKeyNode* k = Key(tree, HKEY_LOCAL_MACHINE, "SOFTWARE\\A", true);
    k->SetValue("s", RegValue::Sz("x\"y\\"));
    k->SetValue("d", RegValue::Dw(7));
    k->SetValue("m", RegValue{REG_MULTI_SZ, std::string(100, 'm') + '\0'});
    const std::string text = FormatRegistryText(tree);
    for (std::size_t n = 0; n <= text.size(); ++n) {
        RegistryTree out;
        std::string error;
        ParseRegistryText(text.substr(0, n), out, error);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (char c : {'\0', '\\', '"', '[', ']', '=', ','}) {
            std::string bad = text;
            bad[i] = c;
            RegistryTree out;
            std::string error;
            if (!ParseRegistryText(bad, out, error)) {
                EXPECT_EQ(error.rfind("line ", 0), 0u);
            }
        }
    }
}

TEST(RegistryText, KeyPathsSplitAtBackslashes) {
    std::vector<std::string> parts;
    EXPECT_TRUE(SplitKeyPath("A\\B\\", parts));
    EXPECT_EQ(parts, (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(SplitKeyPath("", parts));
    EXPECT_TRUE(parts.empty());
    EXPECT_FALSE(SplitKeyPath("\\A", parts));
    EXPECT_FALSE(SplitKeyPath("A\\\\B", parts));
}

}  // namespace
}  // namespace folio::win
