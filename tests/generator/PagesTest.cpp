// Link lists of children, the home link list, text preparation and the table of contents.
#include "GenFixture.h"

namespace folio::test {
namespace {

class PagesTest : public GenFixture {
  protected:
    PagesTest() {
        root = Add(nullptr, "Index", NODE_PAGE, "Home");
        sub = Add(root, "Sub", NODE_PAGE, "Sub page");
        sect = Add(root, "Sect", NODE_PARAGRAPH, "Section one");
        lnk = Add(root, "Web", NODE_LINK, "Web site http://x.org");
        Template(".pgh.txt", "<P>[@TITLE=!][TITLE]</P>\n");
        Template(".lnk.txt", "[@LINK=!]<A HREF=\"[LINK]\">[TITLE]</A>\n");
    }
    SiteItem* root;
    SiteItem* sub;
    SiteItem* sect;
    SiteItem* lnk;
};

TEST_F(PagesTest, PageWithSubPagesListsOnlyThemButRendersTheRest) {
    EXPECT_EQ(Render(root, "[@LINKS=!][LINKS]--\n[LINKBODY]"),
              "  <A HREF=\"sub.htm#sub\"> [Sub page]</A>\n--\n"
              "<P>Section one</P>\n<A HREF=\"http://x.org\">Web site </A>\n");
    // The root fills the home link list with every child, whatever its kind.
    EXPECT_EQ(Gen().HomeLinks(),
              "<A HREF=\"sub.htm#sub\"> [Sub page]</A>\n"
              "<A HREF=\"index.htm#sect\"> [Section one]</A>\n"
              "<A HREF=\"index.htm#web\"> [Web site ]</A>\n");
    EXPECT_EQ(Gen().Log(),
              "Parsing template file: templates\\Default.hdr.txt\r\n"
              "Parsing template file: templates\\Default.pgh.txt\r\n"
              "Parsing template file: templates\\Default.lnk.txt\r\n");
}

TEST_F(PagesTest, PageWithoutSubPagesListsEveryChildWithBullet) {
    Add(sub, "a", NODE_PARAGRAPH, "A");
    Add(sub, "b", NODE_LINK, "Bare");
    settings.m_nFileType = 1;
    EXPECT_EQ(Render(sub, "[@BULLET=<LI>][@LINKS=!][LINKS]"),
              "<LI>  <A HREF=\"sub.html#a\"> A</A>\n"
              "<LI>  <A HREF=\"sub.html#b\"> </A>\n");
    EXPECT_EQ(Gen().HomeLinks(), "");
}

TEST_F(PagesTest, ChildrenOfAParagraphAreBracketedAndNestedRendering) {
    Add(sect, "inner", NODE_PARAGRAPH, "Inner");
    Template(".pgh.txt", "<P>[@TITLE=!][TITLE][@LINKS=!][LINKS]</P>[LINKBODY]\n");
    Gen().BeginRun();
    EXPECT_EQ(Gen().CreateNode(sect)->m_strOutput,
              "<P>Section one  <A HREF=\"index.htm#inner\"> [Inner]</A>\n</P><P>Inner</P>\n\n");
}

TEST_F(PagesTest, HomeLinksSeenByLaterPages) {
    Template(".hdr.txt", "[@LINKS=!][@HOMELINKS=!][HOMELINKS]");
    Gen().BeginRun();
    Gen().CreateNode(root);
    EXPECT_EQ(Gen().CreateNode(sub)->m_strOutput, Gen().HomeLinks());
    EXPECT_FALSE(Gen().HomeLinks().empty());
}

TEST_F(PagesTest, DeepNestingIsCutWithALogLine) {
    SiteItem* p = sect;
    for (int i = 0; i < kMaxNesting + 50; ++i) p = Add(p, "d", NODE_PARAGRAPH, "D");
    Template(".pgh.txt", "[@LINKS=!][LINKBODY]x");
    Gen().BeginRun();
    const std::string rendered = Gen().CreateNode(sect)->m_strOutput;
    EXPECT_EQ(rendered, std::string(static_cast<std::size_t>(kMaxNesting) + 1, 'x'));
    EXPECT_NE(Gen().Log().find("Objects nested too deeply (more than 200 levels below their "
                               "page): d not rendered\r\n"),
              std::string::npos);
}

struct ConvertCase {
    const char* name;
    const char* text;
    bool cut;
    bool macros;
    const char* expected;
};

class ConvertTable : public PagesTest, public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertTable, Converts) {
    const ConvertCase& c = GetParam();
    Gen().BeginRun();
    EXPECT_EQ(Gen().ConvertText(c.text, c.cut, c.macros), c.expected);
}

#define TOC_ALL                                                                          \
    "<UL>\n<LI>Page <A HREF=\"index.htm#index\">Home</A>\n<UL>\n<LI>Page <A "            \
    "HREF=\"sub.htm#sub\">Sub page</A>\n<LI>Section <A HREF=\"index.htm#sect\">Section " \
    "one</A>\n<LI>Link <A HREF=\"index.htm#web\">Web site </A>\n</UL>\n</UL>\n"

INSTANTIATE_TEST_SUITE_P(
    Rules, ConvertTable,
    ::testing::Values(
        ConvertCase{"DropsCr", "a\r\nb\r", false, false, "a\nb"},
        ConvertCase{"CutKeepsBreak", "Untitled\r\nhttp://", true, false, "Untitled\n"},
        ConvertCase{"CutWithoutBreakIsEmpty", "Address", true, false, ""},
        ConvertCase{"NoMacrosLeavesThem", "[$F]", false, false, "[$F]"},
        ConvertCase{"Extension", "x[$F]y[$f", false, true, "x.htmy.htm"},
        ConvertCase{"Escape", "[$$i]", false, true, "[$i]"},
        ConvertCase{"UnknownDropped", "[$x [$", false, true, "x "},
        ConvertCase{"ContentsAll", "[$i]", false, true, TOC_ALL},
        ConvertCase{"ContentsLetterStays", "[$i]f", false, true, TOC_ALL "f"},
        ConvertCase{"ContentsOtherCharEnds", "[$I x", false, true, TOC_ALL " x"},
        ConvertCase{"ContentsPagesOnly", "[$i,levels=1]", false, true,
                    "<UL>\n<LI>Page <A HREF=\"index.htm#index\">Home</A>\n<UL>\n<LI>Page <A "
                    "HREF=\"sub.htm#sub\">Sub page</A>\n</UL>\n</UL>\n"},
        ConvertCase{"ContentsLabels", "[$i,page=Side,link=Lenke9]", false, true,
                    "<UL>\n<LI>Side <A HREF=\"index.htm#index\">Home</A>\n<UL>\n<LI>Side <A "
                    "HREF=\"sub.htm#sub\">Sub page</A>\n<LI>Section <A "
                    "HREF=\"index.htm#sect\">Section one</A>\n<LI>Lenke <A "
                    "HREF=\"index.htm#web\">Web site </A>\n</UL>\n</UL>\n9]"},
        ConvertCase{"ContentsEmptyLabel", "[$i,page=,levels=0,paragraph=]", false, true,
                    "<UL>\n<LI> <A HREF=\"index.htm#index\">Home</A>\n<UL>\n<LI> <A "
                    "HREF=\"sub.htm#sub\">Sub page</A>\n<LI> <A "
                    "HREF=\"index.htm#sect\">Section one</A>\n<LI>Link <A "
                    "HREF=\"index.htm#web\">Web site </A>\n</UL>\n</UL>\n"},
        ConvertCase{"TwoTables", "[$i][$i]", false, true, TOC_ALL TOC_ALL}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PagesTest, ContentsOfExcludedObjectsStillNest) {
    Add(sect, "l1", NODE_LINK, "a b");
    Gen().BeginRun();
    EXPECT_EQ(Gen().BuildContents(2, "P", "S", "L"),
              "<UL>\n<LI>P <A HREF=\"index.htm#index\">Home</A>\n<UL>\n"
              "<LI>P <A HREF=\"sub.htm#sub\">Sub page</A>\n"
              "<LI>S <A HREF=\"index.htm#sect\">Section one</A>\n<UL>\n</UL>\n</UL>\n</UL>\n");
}

TEST_F(PagesTest, TreeHelpers) {
    SiteItem* deep = Add(Add(sect, "p2", NODE_PARAGRAPH), "l", NODE_LINK);
    EXPECT_EQ(PageGenerator::GetPageItem(deep), root);
    EXPECT_EQ(PageGenerator::GetLevel(deep), 3);
    EXPECT_TRUE(PageGenerator::HasSubPages(root));
    EXPECT_FALSE(PageGenerator::HasSubPages(sect));
    settings.m_strDestDir = "C:\\homepage\\";
    Gen().BeginRun();
    EXPECT_EQ(Gen().PageFileName(root), "C:\\homepage\\index.htm");
    EXPECT_EQ(Gen().GetTarget(deep), "index.htm#l");
}

}  // namespace
}  // namespace folio::test
