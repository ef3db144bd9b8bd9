#include <filesystem>
#include <string>
#include <vector>

#include "CliFixture.h"
#include "site/SiteFile.h"
#include "site/SiteJson.h"

namespace folio {
namespace {

namespace fs = std::filesystem;

class ConvertCli : public Folio32Cli {
  protected:
    // A small site with a page, a paragraph and a link, saved as a site document.
    std::string WriteSampleFol(const std::string& name) const {
        SiteContents s;
        s.properties.m_strAuthor = "Ren\xE9";
        s.destDir = "C:\\homepage";
        auto root = NewRootNode(s.properties, 0);
        root->m_strText = "<p>Caf\xE9 \x80 5</p>\r\n";
        SiteItem* index = s.tree.Insert(nullptr, InsertWhere::AtLast(), "Index", std::move(root));
        SiteItem* page = s.tree.Insert(index, InsertWhere::AtLast(), "club",
                                       NewObjectNode(s.properties, NODE_PAGE, 0));
        s.tree.Insert(page, InsertWhere::AtLast(), "about",
                      NewObjectNode(s.properties, NODE_PARAGRAPH, 0));
        s.tree.Insert(index, InsertWhere::AtLast(), "home",
                      NewObjectNode(s.properties, NODE_LINK, 0));
        // Stamp 0 with the default expiry: the banners are long expired, so clear them now and
        // the file stays the same through every load.
        for (SiteItem* i = s.tree.Root(); i; i = SiteTree::NextInPreorder(i)) {
            i->Node()->m_Info.m_bNew = 0;
        }
        const std::string bytes = SiteToBytes(s.properties, s.tree, s.destDir, s.spare);
        Write(name, bytes);
        return bytes;
    }
};

TEST_F(ConvertCli, VersionHelpAndNoArguments) {
    const RunResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Folio32 0.4b\n");

    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    EXPECT_NE(help.out.find("generate"), std::string::npos);

    const RunResult none = Run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("Usage"), std::string::npos);
}

TEST_F(ConvertCli, UsageErrorsExitWithTwoAndWriteNothing) {
    WriteSampleFol("site.fol");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"convert", "site.fol", "out.htm"}, "out.htm: unknown format"},
        {{"convert", "site.txt", "out.json"}, "site.txt: unknown format"},
        {{"convert", "site", "out.json"}, "site: unknown format"},
        {{"convert", "site.fol"}, "OUT is required"},
        {{"convert", "site.fol", "out.json", "extra"}, "extra"},
        {{"publish", "site.fol"}, "publish"},
        {{"--frobnicate"}, "frobnicate"},
    };
    for (const Case& c : cases) {
        const RunResult r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(Path("out.json")));
        EXPECT_FALSE(fs::exists(Path("out.htm")));
    }
}

TEST_F(ConvertCli, ConvertsBothWaysAndResaves) {
    const std::string fol = WriteSampleFol("site.fol");

    ASSERT_EQ(Run({"convert", "site.fol", "site.json"}).status, 0);
    const std::string json = Slurp(Path("site.json"));
    EXPECT_NE(json.find("\"author\": \"Ren\xC3\xA9\""), std::string::npos);
    EXPECT_NE(json.find("Caf\xC3\xA9 \xE2\x82\xAC 5</p>\\r\\n"), std::string::npos);

    ASSERT_EQ(Run({"convert", "site.json", "back.FOL"}).status, 0);
    EXPECT_EQ(Slurp(Path("back.FOL")), fol);

    ASSERT_EQ(Run({"convert", "site.json", "again.json"}).status, 0);
    EXPECT_EQ(Slurp(Path("again.json")), json);

    // In place, too: the site is read whole before the file is replaced.
    ASSERT_EQ(Run({"convert", "back.FOL", "back.FOL"}).status, 0);
    EXPECT_EQ(Slurp(Path("back.FOL")), fol);
}

TEST_F(ConvertCli, ReadingIsALoadThatClearsExpiredBanners) {
    Write("old.json", R"({"items":[{"tag":"Index","stamp":0,
        "info":{"expireDays":1,"new":true,"updated":true,"construction":true}}]})");
    ASSERT_EQ(Run({"convert", "old.json", "new.json"}).status, 0);
    SiteContents site;
    std::string error;
    ASSERT_TRUE(LoadSiteJsonFile(Path("new.json"), site, 0, error)) << error;
    const CDocInfo& info = site.tree.Root()->Node()->m_Info;
    EXPECT_EQ(info.m_bNew + info.m_bUpdated + info.m_bConstruction, 0);
}

// Bad input: status 1, a message naming the file and the place, and the output untouched.
TEST_F(ConvertCli, BadInputNamesFileAndPlace) {
    const std::string fol = WriteSampleFol("site.fol");
    Write("cut.fol", fol.substr(0, 100));
    Write("bad.json", "{\"items\": [{\"tag\": \"Index\", \"children\": [{\"stamp\": true}]}]}");
    Write("broken.json", "{\"items\": [\n{\"tag\": }]}");
    struct Case {
        std::string in;
        std::string out;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"cut.fol", "out.json", "cut.fol: offset "},
        {"bad.json", "out.fol", "bad.json: items[0].children[0].stamp: expected an integer"},
        {"broken.json", "out.fol", "broken.json: items[0].tag: parse error at line 2"},
        {"missing.fol", "out.json", "missing.fol"},
        {"missing.json", "out.fol", "missing.json"},
    };
    for (const Case& c : cases) {
        Write(c.out, "previous");
        const RunResult r = Run({"convert", c.in, c.out});
        EXPECT_EQ(r.status, 1) << c.in;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(Slurp(Path(c.out)), "previous");
    }
}

TEST_F(ConvertCli, UnwritableOutputFails) {
    WriteSampleFol("site.fol");
    const RunResult r = Run({"convert", "site.fol", "no/such/dir/site.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no/such/dir/site.json"), std::string::npos) << r.err;
}

TEST_F(ConvertCli, ShippedExampleConverts) {
    const std::string example = FOLIO32_SHARE_DIR "/example/site.json";
    ASSERT_EQ(Run({"convert", example, "example.fol"}).status, 0);
    ASSERT_EQ(Run({"convert", "example.fol", "example.json"}).status, 0);
    ASSERT_EQ(Run({"convert", "example.json", "again.fol"}).status, 0);
    EXPECT_EQ(Slurp(Path("again.fol")), Slurp(Path("example.fol")));

    SiteContents site;
    std::string error;
    ASSERT_TRUE(LoadSiteFile(Path("example.fol"), site, 0, error)) << error;
    ASSERT_NE(site.tree.Root(), nullptr);
    EXPECT_EQ(site.tree.Root()->Label(), "Index");
    EXPECT_EQ(site.tree.Root()->Next(), nullptr);
}

}  // namespace
}  // namespace folio
