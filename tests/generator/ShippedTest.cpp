// The templates and pictures that ship in share/: a site using every kind of object, banner,
// picture and map generates pages that tidy accepts.
#include <cstdlib>
#include <fstream>

#include "GenFixture.h"

namespace folio::test {
namespace {

namespace fs = std::filesystem;

class ShippedTest : public GenFixture {
  protected:
    void SetUp() override {
        props.m_strNewImage = "new.gif";
        props.m_strUpdatedImage = "updated.gif";
        props.m_strConstructionImage = "construction.gif";
        props.m_strUpButton = "up.gif";
        props.m_strLineImage = "rainbow.gif";
        props.m_strAuthor = "Ann \xC5sen";
        SiteItem* root = Add(nullptr, "Index", NODE_PAGE, "Welcome to \xC6r\xF8");
        root->Node()->m_nNameStyle = FONT_H1 | ALIGN_CENTER;
        root->Node()->m_strText = "<P>Contents:</P>\r\n[$i]\r\n<P>Pages end in [$f].</P>";
        SiteItem* news = Add(root, "News", NODE_PAGE, "News", "<P>What is new.</P>");
        news->Node()->m_Info.m_strIcon = "logo.gif";
        news->Node()->m_Info.m_strBgBitmap = "paper.gif";
        news->Node()->m_Info.m_bConstruction = 1;
        SiteItem* sect = Add(news, "Plan", NODE_PARAGRAPH, "The plan", "<P>Click it.</P>");
        sect->Node()->m_Info.m_strIcon = "plan.map";
        sect->Node()->m_nTextStyle = FONT_NORMAL;
        Add(sect, "Web", NODE_LINK, "Our site http://example.com/");
        Add(sect, "Mail", NODE_LINK, "Mail mailto:a@example.com");
        Add(root, "About", NODE_PARAGRAPH, "About us")->Node()->m_Info.m_bUpdated = 1;
        Add(root, "Deep", NODE_PAGE, "Deep")->Node()->m_nNameStyle = FONT_HIDDEN;
    }
};

TEST_F(ShippedTest, ExampleSitePassesTidy) {
    const GenFiles shipped(FOLIO32_SHARE_DIR);
    PageGenerator gen({tree, props, settings, shipped, rec, rec, program});
    ASSERT_EQ(gen.OnDogenerte(), GenerateResult::Done);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(rec.log.find("Unable"), std::string::npos) << rec.log;
    EXPECT_EQ(rec.log.find("error"), std::string::npos) << rec.log;
    for (const char* picture : {"folio32.jpg", "bluerib.gif", "logo.gif", "plan.gif", "paper.gif",
                                "rainbow.gif", "new.gif", "updated.gif"}) {
        EXPECT_TRUE(fs::exists(outDir / picture)) << picture;
    }
    if (std::system("tidy -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "tidy is not installed";
    for (const char* page : {"index.htm", "news.htm", "deep.htm"}) {
        const fs::path report = dir / "tidy.txt";
        const std::string command = "tidy -errors -quiet '" + (outDir / page).string() + "' >'" +
                                    report.string() + "' 2>&1";
        const int rc = std::system(command.c_str());
        std::ifstream in(report);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(text.find("Error"), std::string::npos) << page << ":\n" << text;
        EXPECT_NE(rc, -1);
    }
}

}  // namespace
}  // namespace folio::test
