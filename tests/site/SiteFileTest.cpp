#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/FileIo.h"
#include "site/SiteFile.h"

namespace folio {
namespace {

// An encoder of its own, written from the file layout, to check the writer against.
struct Bytes {
    std::string s;
    Bytes& Int(std::int64_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) s += static_cast<char>((u >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& Str(const std::string& t) {
        if (t.size() < 255) {
            s += static_cast<char>(t.size());
        } else if (t.size() < 0xFFFE) {
            s += '\xFF';
            s += static_cast<char>(t.size() & 0xFF);
            s += static_cast<char>(t.size() >> 8);
        } else {
            s += "\xFF\xFF\xFF";
            Int(static_cast<std::int64_t>(t.size()));
        }
        s += t;
        return *this;
    }
    Bytes& Raw(const std::string& t) {
        s += t;
        return *this;
    }
};

std::string DefaultPropertiesBytes() {
    Bytes b;
    b.Str("Your name").Str("").Str(kDefaultEmail).Int(14).Str("").Str("").Int(1).Int(0);
    b.Int(0).Int(0xFFFFFF).Int(0xFF0000).Int(0x00FF00);
    b.Str("").Int(0).Str("home.gif").Str("Default").Str("Back.gif").Str("").Str("").Str("").Str("");
    for (int i = 0; i < 16; ++i) b.Int(0xFFFFFFFF);
    return b.s;
}

// An item record for a node with the given kind and label, all else as a new root has it.
std::string ItemBytes(const std::string& label, std::int32_t type = NODE_PAGE,
                      std::int32_t stamp = 0, int image = -1, int selected = -1) {
    Bytes b;
    b.Str("").Int(type).Str("Untitled").Int(0).Int(0).Int(stamp);
    b.Str("").Int(0).Str("").Str("").Int(0).Int(0).Int(0xFFFFFF).Int(0xFF0000).Int(0x00FF00);
    b.Str("Default").Int(0).Int(0);
    b.Str(label).Int(image >= 0 ? image : GetNodeImage(type, false, IMAGE_NORMAL));
    b.Int(selected >= 0 ? selected : GetNodeImage(type, true, IMAGE_NORMAL));
    return b.s;
}

std::string Tail(const std::string& dest = "C:\\homepage", const std::string& spare = "") {
    return Bytes().Str(dest).Str(spare).s;
}

class SiteFileTest : public ::testing::Test {
  protected:
    SiteItem* Add(SiteTree& tree, SiteItem* parent, const std::string& label,
                  std::int32_t type = NODE_PAGE) {
        auto node = std::make_unique<CNode>(defaults, false);
        node->m_nType = type;
        return tree.Insert(parent, InsertWhere::AtLast(), label, std::move(node));
    }
    static std::vector<std::string> Labels(const SiteTree& tree) {
        std::vector<std::string> out;
        for (SiteItem* i = tree.Root(); i; i = SiteTree::NextInPreorder(i)) {
            std::string path;
            for (SiteItem* p = i; p; p = p->Parent()) path = "/" + p->Label() + path;
            out.push_back(path);
        }
        return out;
    }
    static void Read(const std::string& bytes, SiteContents& site, std::int32_t now = 0) {
        ArchiveReader ar(bytes);
        ReadSite(ar, site, now);
    }

    CDocProperties defaults;
};

TEST(StringPrefix, UsesTheShortestForm) {
    struct Case {
        std::size_t length;
        std::string prefix;
    } cases[] = {
        {0, std::string("\x00", 1)},
        {5, "\x05"},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {300, std::string("\xFF\x2C\x01", 3)},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Case& c : cases) EXPECT_EQ(StringPrefix(c.length), c.prefix) << c.length;
}

TEST(StringPrefix, EveryFormReadsBack) {
    for (std::size_t n : {0u, 1u, 254u, 255u, 256u, 65533u, 65534u, 65535u, 65536u, 200000u}) {
        std::string text(n, 'a');
        if (n) text[n - 1] = '\xE9';
        Bytes b;
        b.Str(text).Int(42);
        ArchiveReader ar(b.s);
        EXPECT_EQ(ar.ReadString(), text) << n;
        EXPECT_EQ(ar.ReadInt(), 42);
        EXPECT_EQ(ar.Remaining(), 0u);
    }
}

TEST_F(SiteFileTest, NewDocumentSavedAtOnce) {
    SiteTree tree;
    auto root = std::make_unique<CNode>(defaults, false);
    root->m_tStamp = 0x01020304;
    tree.Insert(nullptr, InsertWhere::AtFirst(), "Index", std::move(root));
    const std::string expected = DefaultPropertiesBytes() + Bytes().Int(1).s +
                                 ItemBytes("Index", NODE_PAGE, 0x01020304) +
                                 Bytes().Int(4).Int(0).s + Tail();
    EXPECT_EQ(SiteToBytes(defaults, tree, "C:\\homepage", ""), expected);
}

TEST_F(SiteFileTest, EmptyTreeWritesRootOpcodeThenEnd) {
    // As the original wrote it. Such a file does not read back (opcode 1 announces an item), so
    // the editor never lets the tree become empty.
    SiteTree tree;
    EXPECT_EQ(SiteToBytes(defaults, tree, "", "x"),
              DefaultPropertiesBytes() + Bytes().Int(1).Int(0).Str("").Str("x").s);
}

TEST_F(SiteFileTest, PropertiesAreWrittenInFileOrderNotDeclarationOrder) {
    CDocProperties p;
    p.m_strAuthor = "A";
    p.m_strEmail = "E";
    p.m_bUpdated = 1;
    p.m_crText = 0x11;
    p.m_strLinkBullet = "bullet";
    p.m_bConstruction = 1;
    p.m_crCustom[15] = 7;
    SiteTree tree;
    Add(tree, nullptr, "Index");
    const std::string bytes = SiteToBytes(p, tree, "", "");
    Bytes b;
    b.Str("A").Str("").Str("E").Int(14).Str("").Str("").Int(1).Int(1).Int(0x11).Int(0xFFFFFF);
    b.Int(0xFF0000).Int(0x00FF00).Str("bullet").Int(1).Str("home.gif");
    EXPECT_EQ(bytes.substr(0, b.s.size()), b.s);
    SiteContents back;
    Read(bytes, back);
    EXPECT_EQ(back.properties, p);
}

TEST_F(SiteFileTest, ExampleStreamOpcodes) {
    // Index with children A (page, with paragraph A1) and B (link).
    SiteTree tree;
    SiteItem* index = Add(tree, nullptr, "Index");
    SiteItem* a = Add(tree, index, "A");
    Add(tree, a, "A1", NODE_PARAGRAPH);
    Add(tree, index, "B", NODE_LINK);
    Bytes b;
    b.Raw(DefaultPropertiesBytes()).Int(1).Raw(ItemBytes("Index")).Int(2).Raw(ItemBytes("A"));
    b.Int(2).Raw(ItemBytes("A1", NODE_PARAGRAPH)).Int(4).Int(5).Raw(ItemBytes("B", NODE_LINK));
    b.Int(4).Int(4).Int(0).Raw(Tail());
    EXPECT_EQ(SiteToBytes(defaults, tree, "C:\\homepage", ""), b.s);

    SiteContents back;
    Read(b.s, back);
    EXPECT_EQ(Labels(back.tree),
              (std::vector<std::string>{"/Index", "/Index/A", "/Index/A/A1", "/Index/B"}));
    EXPECT_EQ(SiteToBytes(back.properties, back.tree, back.destDir, back.spare), b.s);
}

TEST_F(SiteFileTest, RootWithTwoChildlessChildren) {
    SiteTree tree;
    SiteItem* root = Add(tree, nullptr, "root");
    Add(tree, root, "one");
    Add(tree, root, "two");
    Bytes b;
    b.Raw(DefaultPropertiesBytes()).Int(1).Raw(ItemBytes("root")).Int(2).Raw(ItemBytes("one"));
    b.Int(3).Raw(ItemBytes("two")).Int(4).Int(4).Int(0).Raw(Tail());
    EXPECT_EQ(SiteToBytes(defaults, tree, "C:\\homepage", ""), b.s);
}

TEST_F(SiteFileTest, ReadingRulesForOddStreams) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, const char*>> stream;  // opcode, then an item label or null
        std::vector<std::string> labels;
    } cases[] = {
        {"unknown opcodes read an item like NEXT",
         {{1, "r"}, {2, "a"}, {7, "b"}, {-1, "c"}, {0, nullptr}},
         {"/r", "/r/a", "/r/b", "/r/c"}},
        {"a second root goes first at the top level",
         {{1, "r"}, {1, "s"}, {0, nullptr}},
         {"/s", "/r"}},
        {"NEXT at the top level after climbing out keeps the item",
         {{1, "r"}, {4, nullptr}, {3, "s"}, {0, nullptr}},
         {"/r", "/s"}},
        {"UP before any item, then an item, goes last at the top",
         {{4, nullptr}, {3, "r"}, {0, nullptr}},
         {"/r"}},
        {"a stream without opcode 1 still reads its items",
         {{3, "r"}, {2, "a"}, {0, nullptr}},
         {"/r", "/r/a"}},
        {"CHILD right after climbing out puts the item at the top, first",
         {{1, "r"}, {4, nullptr}, {2, "s"}, {0, nullptr}},
         {"/s", "/r"}},
        {"UP twice then NEXT appends under the grandparent",
         {{1, "r"},
          {2, "a"},
          {2, "a1"},
          {2, "a11"},
          {4, nullptr},
          {4, nullptr},
          {5, "b"},
          {0, nullptr}},
         {"/r", "/r/a", "/r/a/a1", "/r/a/a1/a11", "/r/b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b;
        b.Raw(DefaultPropertiesBytes());
        for (const auto& [op, label] : c.stream) {
            b.Int(op);
            if (label) b.Raw(ItemBytes(label));
        }
        b.Raw(Tail());
        SiteContents site;
        Read(b.s, site);
        EXPECT_EQ(Labels(site.tree), c.labels);
    }
}

TEST_F(SiteFileTest, ASiteWithoutItemsIsRefused) {
    // Opcode 0 straight away: such a file would be written back as 1, 0 and never open again.
    const std::string bytes = DefaultPropertiesBytes() + Bytes().Int(0).s + Tail();
    SiteContents site;
    ArchiveReader ar(bytes);
    try {
        ReadSite(ar, site, 0);
        ADD_FAILURE();
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.Offset(), DefaultPropertiesBytes().size());
        EXPECT_NE(std::string(e.what()).find("no items"), std::string::npos);
    }
}

TEST_F(SiteFileTest, ImageNumbersAreRecomputedFromTheKind) {
    Bytes b;
    b.Raw(DefaultPropertiesBytes()).Int(1).Raw(ItemBytes("r")).Int(2);
    b.Raw(ItemBytes("link", NODE_LINK, 0, 0, 0)).Int(4).Int(4).Int(0).Raw(Tail());
    SiteContents site;
    Read(b.s, site);
    const SiteItem* link = site.tree.Root()->FirstChild();
    EXPECT_EQ(link->Image(), 5);
    EXPECT_EQ(link->SelectedImage(), 4);
}

TEST_F(SiteFileTest, ExpiredBannersAreDroppedOnLoadAndStaySoWhenSaved) {
    SiteTree tree;
    SiteItem* root = Add(tree, nullptr, "r");
    CNode* node = root->Node();
    node->m_tStamp = 1000;
    node->m_Info.m_nExpireDays = 1;
    node->m_Info.m_bNew = node->m_Info.m_bUpdated = node->m_Info.m_bConstruction = 1;
    const std::string bytes = SiteToBytes(defaults, tree, "", "");
    SiteContents keep;
    Read(bytes, keep, 1000 + 86400);
    EXPECT_EQ(keep.tree.Root()->Node()->m_Info.m_bNew, 1);
    SiteContents drop;
    Read(bytes, drop, 1000 + 86401);
    const CNode* loaded = drop.tree.Root()->Node();
    EXPECT_EQ(loaded->m_Info.m_bNew, 0);
    EXPECT_EQ(loaded->m_Info.m_bUpdated, 0);
    EXPECT_EQ(loaded->m_Info.m_bConstruction, 0);
    EXPECT_EQ(loaded->m_tStamp, 1000);
    node->m_Info.m_bNew = node->m_Info.m_bUpdated = node->m_Info.m_bConstruction = 0;
    EXPECT_EQ(SiteToBytes(drop.properties, drop.tree, "", ""), SiteToBytes(defaults, tree, "", ""));
}

TEST_F(SiteFileTest, FlagsAndColoursKeepTheirStoredValues) {
    SiteTree tree;
    SiteItem* root = Add(tree, nullptr, "r");
    root->Node()->m_Info.m_bNew = 5;
    root->Node()->m_Info.m_crText = 0xFFFFFFFF;
    root->Node()->m_nTextStyle = ALIGN_CENTER | FONT_H2;
    root->Node()->m_strText = std::string("line one\r\nline two \x80\xFF", 21);
    const std::string bytes = SiteToBytes(defaults, tree, "d", "s");
    SiteContents back;
    Read(bytes, back);
    EXPECT_EQ(*back.tree.Root()->Node(), *root->Node());
    EXPECT_EQ(back.destDir, "d");
    EXPECT_EQ(back.spare, "s");
}

TEST_F(SiteFileTest, EveryTruncationFailsWithAnOffsetInsideTheFile) {
    SiteTree tree;
    SiteItem* root = Add(tree, nullptr, "Index");
    SiteItem* page = Add(tree, root, "page");
    Add(tree, page, "para", NODE_PARAGRAPH);
    page->Node()->m_strText = std::string(300, 't');
    const std::string bytes = SiteToBytes(defaults, tree, "C:\\x", "");
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        SiteContents site;
        ArchiveReader ar(std::string_view(bytes).substr(0, cut));
        try {
            ReadSite(ar, site, 0);
            ADD_FAILURE() << "read a file cut at " << cut;
        } catch (const ArchiveError& e) {
            EXPECT_LE(e.Offset(), cut);
        }
    }
}

TEST_F(SiteFileTest, BadPrefixesAreRefusedAtOnce) {
    struct Case {
        const char* what;
        std::string prefix;
        const char* message;
    } cases[] = {
        {"one-byte length past the end", "\xFE", "only"},
        {"16-bit length past the end", "\xFF\x00\xF0", "only"},
        {"32-bit length of 4 GiB", "\xFF\xFF\xFF\xFF\xFF\xFF\xFF", "4294967295 bytes"},
        {"wide-character marker", "\xFF\xFE\xFF", "wide-character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = Bytes().Str("author").Str("").s + c.prefix + "abc";
        SiteContents site;
        ArchiveReader ar(bytes);
        try {
            ReadSite(ar, site, 0);
            ADD_FAILURE();
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.Offset(), 8u);  // where the third string starts
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST_F(SiteFileTest, DeepChainSavesAndLoads) {
    constexpr int kDepth = 100'000;
    SiteTree tree;
    SiteItem* parent = Add(tree, nullptr, "Index");
    for (int i = 0; i < kDepth; ++i) parent = Add(tree, parent, "p");
    const std::string bytes = SiteToBytes(defaults, tree, "", "");
    SiteContents back;
    Read(bytes, back);
    EXPECT_EQ(back.tree.Count(), static_cast<std::size_t>(kDepth) + 1);
    EXPECT_EQ(SiteToBytes(back.properties, back.tree, "", ""), bytes);
}

class SiteFileOnDiskTest : public SiteFileTest {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("folio32-sitefile-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(SiteFileOnDiskTest, LoadErrorsNameTheFileAndTheOffset) {
    const auto path = dir / "cut.fol";
    { std::ofstream(path, std::ios::binary) << DefaultPropertiesBytes().substr(0, 30); }
    SiteContents site;
    std::string error;
    EXPECT_FALSE(LoadSiteFile(path, site, 0, error));
    EXPECT_NE(error.find(path.string() + ": offset "), std::string::npos) << error;
    EXPECT_FALSE(LoadSiteFile(dir / "missing.fol", site, 0, error));
    EXPECT_NE(error.find("missing.fol"), std::string::npos) << error;
}

TEST_F(SiteFileOnDiskTest, LargeFileReadsThroughTheBuffer) {
    SiteTree tree;
    SiteItem* root = Add(tree, nullptr, "Index");
    for (int i = 0; i < 2000; ++i) {
        SiteItem* item = Add(tree, root, "p" + std::to_string(i));
        item->Node()->m_strText.assign(static_cast<std::size_t>(i * 37 % 70000), 'x');
    }
    const auto path = dir / "big.fol";
    std::string error;
    ASSERT_TRUE(SaveSiteFile(path, defaults, tree, "d", "s", error)) << error;
    SiteContents back;
    ASSERT_TRUE(LoadSiteFile(path, back, 0, error)) << error;
    EXPECT_EQ(SiteToBytes(back.properties, back.tree, back.destDir, back.spare),
              SiteToBytes(defaults, tree, "d", "s"));
}

TEST_F(SiteFileOnDiskTest, FailedSaveKeepsThePreviousFile) {
    const auto path = dir / "site.fol";
    { std::ofstream(path, std::ios::binary) << "previous"; }
    SiteTree tree;
    Add(tree, nullptr, "Index");
    std::string error;
    // A save into a folder that does not exist fails and names the target.
    EXPECT_FALSE(SaveSiteFile(dir / "no-such-dir" / "site.fol", defaults, tree, "", "", error));
    EXPECT_NE(error.find("no-such-dir"), std::string::npos);
    // A save whose rename cannot happen (the target is a folder) leaves no temporary behind.
    std::filesystem::create_directory(dir / "folder.fol");
    std::filesystem::create_directory(dir / "folder.fol" / "inside");
    EXPECT_FALSE(SaveSiteFile(dir / "folder.fol", defaults, tree, "", "", error));
    ASSERT_TRUE(SaveSiteFile(path, defaults, tree, "", "", error)) << error;
    std::string content;
    ASSERT_TRUE(ReadWholeFile(path, content, error));
    EXPECT_EQ(content, SiteToBytes(defaults, tree, "", ""));
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 2);  // site.fol and folder.fol, no temporaries
}

}  // namespace
}  // namespace folio
