// What each macro computes: style words, pictures, colours, texts and navigation.
#include <functional>

#include "GenFixture.h"

namespace folio::test {
namespace {

class MacrosTest : public GenFixture {
  protected:
    MacrosTest() {
        root = Add(nullptr, "Index", NODE_PAGE, "Home");
        news = Add(root, "News", NODE_PAGE, "News page", "Body");
        para = Add(news, "Para", NODE_PARAGRAPH, "A section");
        link = Add(para, "Lnk", NODE_LINK, kNewLinkName);
    }
    SiteItem* root;
    SiteItem* news;
    SiteItem* para;
    SiteItem* link;
};

enum Which { ROOT, NEWS, PARA, LINK };

struct MacroCase {
    const char* name;
    Which which;
    std::function<void(CNode&, CDocProperties&)> setup;
    const char* templ;
    const char* output;
    const char* copyList;
};

void None(CNode&, CDocProperties&) {}

class MacroTable : public MacrosTest, public ::testing::WithParamInterface<MacroCase> {};

TEST_P(MacroTable, Expands) {
    const MacroCase& c = GetParam();
    SiteItem* item = c.which == ROOT   ? root
                     : c.which == NEWS ? news
                     : c.which == PARA ? para
                                       : link;
    c.setup(*item->Node(), props);
    EXPECT_EQ(Render(item, c.templ), c.output);
    EXPECT_EQ(Gen().CopyListText(), c.copyList);
}

const auto kAlign = [](std::int32_t nameStyle) {
    return [nameStyle](CNode& n, CDocProperties&) { n.m_nNameStyle = nameStyle; };
};

INSTANTIATE_TEST_SUITE_P(
    Rules, MacroTable,
    ::testing::Values(
        // ALIGN and STYLE follow the current style.
        MacroCase{"AlignNone", NEWS, None, "[@TITLE=!][@ALIGN=!][ALIGN]", "", ""},
        MacroCase{"AlignCenter", NEWS, kAlign(ALIGN_CENTER), "[@TITLE=!][@ALIGN=!][ALIGN]",
                  "<CENTER>", ""},
        MacroCase{"AlignFallback", NEWS, kAlign(5), "[@TITLE=!][@ALIGN=!P][ALIGN]", "<P>", ""},
        MacroCase{"AlignRaw", NEWS, None, "[@ALIGN=<P>][ALIGN]", "<<P>>", ""},
        MacroCase{"AlignFollowsText", NEWS,
                  [](CNode& n, CDocProperties&) { n.m_nTextStyle = ALIGN_RIGHT; },
                  "[@TEXT=!][@ALIGN=!][ALIGN][@AUTHOR=!][@ALIGN=!X][ALIGN]", "<RIGHT><X>", ""},
        MacroCase{"StyleHeading", NEWS, kAlign(FONT_H1), "[@TITLE=!][@STYLE=!H3][STYLE]", "<H1>",
                  ""},
        // The last heading size before "normal".
        MacroCase{"StyleHeadingLast", NEWS, kAlign(0x40), "[@TITLE=!][@STYLE=!H3][STYLE]", "<H8>",
                  ""},
        MacroCase{"StyleNormal", NEWS, kAlign(FONT_NORMAL), "[@TITLE=!][@STYLE=!H3][STYLE]", "",
                  ""},
        MacroCase{"StyleNoFont", NEWS, None, "[@TITLE=!][@STYLE=!H3][STYLE][/STYLE]", "<H3></H3>",
                  ""},
        MacroCase{"StyleRawFallback", NEWS, None, "[@STYLE=!<B>][STYLE]", "<B>", ""},
        MacroCase{"StyleHiddenNoFallback", NEWS, kAlign(FONT_HIDDEN),
                  "[@TITLE=!][@STYLE=!][STYLE][TITLE]", "", ""},
        MacroCase{"StyleGiven", NEWS, None, "[@STYLE=H2][STYLE]", "<H2>", ""},
        // Single-file pictures.
        MacroCase{"LineNone", NEWS, None, "[@LINE=<HR>][@LINE=!][LINE]", "<HR>", ""},
        MacroCase{"LineRawFallback", NEWS, None, "[@LINE=!<HR>][LINE]", "<HR>", ""},
        MacroCase{"LineOwn", NEWS,
                  [](CNode& n, CDocProperties&) { n.m_Info.m_strLineImage = "Red.GIF"; },
                  "[@LINE=!][LINE]", "<IMG SRC=\"red.gif\">", "[lineimages\\Red.GIF]"},
        MacroCase{"LineAbsolute", NEWS,
                  [](CNode& n, CDocProperties&) { n.m_Info.m_strLineImage = "\\pics\\l.gif"; },
                  "[@LINE=!][LINE]", "<IMG SRC=\"l.gif\">", "[\\pics\\l.gif]"},
        MacroCase{"BgFallback", NEWS, None, "[@BGIMAGE=!bg.gif][BGIMAGE]", "background=\"bg.gif\"",
                  "[bg.gif]"},
        MacroCase{"BgOwn", NEWS,
                  [](CNode& n, CDocProperties&) { n.m_Info.m_strBgBitmap = "paper.jpg"; },
                  "[@BGIMAGE=!][BGIMAGE]", "background=\"paper.jpg\"", "[background\\paper.jpg]"},
        MacroCase{"Bullet", NEWS, [](CNode&, CDocProperties& d) { d.m_strLinkBullet = "dot.gif"; },
                  "[@BULLET=!][BULLET]", "<IMG SRC=\"dot.gif\" border=0 vspace=0>",
                  "[bullets\\dot.gif]"},
        MacroCase{"BulletGiven", NEWS, None, "[@BULLET=x\\Sq.gif][BULLET]",
                  "<IMG SRC=\"sq.gif\" border=0 vspace=0>", "[x\\Sq.gif]"},
        // Picture macros.
        MacroCase{"ImageNoIcon", NEWS, None, "[@IMAGE=!][IMAGE]", "", ""},
        MacroCase{"ImageIcon", NEWS,
                  [](CNode& n, CDocProperties&) { n.m_Info.m_strIcon = "logo.jpg"; },
                  "[@IMAGE=!][IMAGE]", "<IMG SRC=\"logo.jpg\" ALT=\"News page\" border=0 >",
                  "[images\\logo.jpg]"},
        MacroCase{"ImageOfLinkCutsAddress", LINK,
                  [](CNode& n, CDocProperties&) { n.m_Info.m_strIcon = "a.jpg"; },
                  "[@IMAGE=!][IMAGE]", "<IMG SRC=\"a.jpg\" ALT=\"Untitled\n\" border=0 >",
                  "[images\\a.jpg]"},
        MacroCase{"ImageVerbatim", NEWS, None, "[@IMAGE=pics\\X.jpg][IMAGE]",
                  "<IMG SRC=\"x.jpg\" ALT=\"News page\" border=0 >", "[pics\\X.jpg]"},
        MacroCase{"ImageBangDropped", NEWS, None, "[@IMAGE=!pics\\x.jpg][IMAGE]",
                  "<IMG SRC=\"x.jpg\" ALT=\"News page\" border=0 >", "[pics\\x.jpg]"},
        MacroCase{"ImageRaw", NEWS, None, "[@IMAGE=<B>][IMAGE]", "<B>", ""},
        MacroCase{"ImageSlashes", NEWS, None, "[@IMAGE=pics/sub/X.jpg][IMAGE]",
                  "<IMG SRC=\"x.jpg\" ALT=\"News page\" border=0 >", "[pics/sub/X.jpg]"},
        MacroCase{"ImageAddress", NEWS, None, "[@IMAGE=http://example.com/p/X.jpg][IMAGE]",
                  "<IMG SRC=\"http://example.com/p/x.jpg\" ALT=\"News page\" border=0 >",
                  "[http://example.com/p/X.jpg]"},
        MacroCase{"LineAddress", NEWS, None, "[@LINE=http://example.com/p/l.gif][LINE]",
                  "<IMG SRC=\"http://example.com/p/l.gif\">", "[http://example.com/p/l.gif]"},
        MacroCase{"BackButton", NEWS, None, "[@BACKBUTTON=!][BACKBUTTON]",
                  "<IMG SRC=\"back.gif\" ALT=\"Back\" border=0 >", "[images\\Back.gif]"},
        MacroCase{"UpButtonNone", NEWS, None, "[@UPBUTTON=!][UPBUTTON]", "", ""},
        MacroCase{"ExplicitButtonKeepsItsWord", NEWS, None, "[@HOMEBUTTON=h.jpg][HOMEBUTTON]",
                  "<IMG SRC=\"h.jpg\" ALT=\"Home\" border=0 >", "[h.jpg]"},
        MacroCase{"NewFlagClear", NEWS,
                  [](CNode& n, CDocProperties& d) {
                      d.m_strNewImage = "new.jpg";
                      n.m_Info.m_bNew = 0;
                  },
                  "[@NEWIMAGE=!][NEWIMAGE]", "", ""},
        MacroCase{"NewFlagSet", NEWS,
                  [](CNode& n, CDocProperties& d) {
                      d.m_strNewImage = "new.jpg";
                      n.m_Info.m_bNew = 1;
                  },
                  "[@NEWIMAGE=!][NEWIMAGE]", "<IMG SRC=\"new.jpg\" ALT=\"New\" border=0 >",
                  "[images\\new.jpg]"},
        MacroCase{"ConstructionRawIgnoresFlag", NEWS, None, "[@CONSTRIMAGE=<I>][CONSTRIMAGE]",
                  "<I>", ""},
        MacroCase{"UpdatedClearKeepsPrevious", NEWS,
                  [](CNode& n, CDocProperties& d) {
                      d.m_strUpdatedImage = "u.jpg";
                      n.m_Info.m_bUpdated = 0;
                  },
                  "[@UPDATEDIMAGE=<U>][@UPDATEDIMAGE=!][UPDATEDIMAGE]", "<U>", ""},
        // Colours.
        MacroCase{"ColorDefaults", NEWS, None, "[@COLOR=!][COLOR]",
                  "text=\"#000000\" bgcolor=\"#FFFFFF\" link=\"#0000FF\" vlink=\"#00FF00\"", ""},
        MacroCase{"ColorBytes", NEWS,
                  [](CNode& n, CDocProperties&) {
                      n.m_Info.m_crBackground = 0x123456;
                      n.m_Info.m_crText = 0xABCDEF;
                  },
                  "[@BGCOLOR=!][BGCOLOR] [@FGCOLOR=!][FGCOLOR]",
                  "bgcolor=\"#563412\" color=\"#EFCDAB\"", ""},
        MacroCase{"ColorGiven", NEWS, None, "[@COLOR=x][COLOR][@BGCOLOR=y][BGCOLOR]", "xy", ""},
        // Texts.
        MacroCase{"TitleDropsCr", NEWS,
                  [](CNode& n, CDocProperties&) { n.m_strName = "Two\r\nlines"; },
                  "[@TITLE=!][TITLE]", "Two\nlines", ""},
        MacroCase{"TitleHidden", NEWS, kAlign(FONT_HIDDEN | ALIGN_CENTER),
                  "[@TITLE=!][TITLE][@ALIGN=!][ALIGN]", "<CENTER>", ""},
        MacroCase{"TextIgnoresHidden", NEWS,
                  [](CNode& n, CDocProperties&) { n.m_nTextStyle = FONT_HIDDEN; },
                  "[@TEXT=!][TEXT]", "Body", ""},
        MacroCase{"LinkOfNewLink", LINK, None, "[@LINK=!][LINK]|[TITLE]", "http://|Untitled\n", ""},
        MacroCase{"LinkWithoutBreak", LINK,
                  [](CNode& n, CDocProperties&) { n.m_strName = "Address"; },
                  "[@TITLE=!][@LINK=!]<[LINK]>[TITLE]", "<>Address", ""},
        MacroCase{"LinkHiddenTitle", LINK,
                  [](CNode& n, CDocProperties&) {
                      n.m_strName = "Site http://a.b";
                      n.m_nNameStyle = FONT_HIDDEN;
                  },
                  "[@LINK=!][LINK]|[TITLE]|", "http://a.b||", ""},
        MacroCase{"LinkFirstCharNotExamined", LINK,
                  [](CNode& n, CDocProperties&) { n.m_strName = " x"; }, "[@LINK=!]<[LINK]>", "<>",
                  ""},
        MacroCase{"RefTitleKeepsAddress", LINK, None, "[@REFTITLE=!][REFTITLE]",
                  "Untitled\nhttp://", ""},
        MacroCase{"AuthorAddressGenerator", NEWS,
                  [](CNode&, CDocProperties& d) {
                      d.m_strAuthor = "Ann";
                      d.m_strEmail = "ann@x.org";
                  },
                  "[@AUTHOR=!][AUTHOR] [@ADDRESS=!][ADDRESS] [@GENERATOR=!][GENERATOR]",
                  "Ann ann@x.org Folio32 0.4b", ""},
        // Navigation.
        MacroCase{"HomeFromRoot", ROOT, None, "[@HOME=!][HOME] [HOMENAME]", "index.htm#main Home",
                  ""},
        MacroCase{"ParentOfRootIsHome", ROOT, None, "[@PARENT=!][PARENT] [PARENTNAME]",
                  "index.htm#main Home", ""},
        MacroCase{"ParentOfPage", NEWS, None, "[@PARENT=!][PARENT] [PARENTNAME]",
                  "index.htm#index Home", ""},
        MacroCase{"ParentOfLink", LINK, None, "[@PARENT=!][PARENT] [PARENTNAME]",
                  "news.htm#para A section", ""},
        MacroCase{"UpOfLink", LINK, None, "[@UP=!][UP] [UPNAME]", "#news News page", ""},
        MacroCase{"UpOfPage", NEWS, None, "[@UP=!][UP] [UPNAME]", "#news News page", ""},
        MacroCase{"TagOfParagraph", PARA, None, "[@TAG=!][TAG]", "para", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MacrosTest, TagsKeepCaseWhenLowercaseIsOff) {
    settings.m_bLowercase = 0;
    settings.m_nFileType = 1;
    EXPECT_EQ(Render(news, "[@HOME=!][HOME] [@TAG=!][TAG]"), "Index.html#main News");
    news->Node()->m_Info.m_strIcon = "Logo.JPG";
    EXPECT_EQ(Render(news, "[@IMAGE=!][IMAGE]"),
              "<IMG SRC=\"Logo.JPG\" ALT=\"News page\" border=0 >");
}

TEST_F(MacrosTest, PictureOfGifCarriesItsSize) {
    WriteResource("images/logo.gif", GifHeader(300, 2) + "rest");
    news->Node()->m_Info.m_strIcon = "LOGO.GIF";
    EXPECT_EQ(Render(news, "[@IMAGE=!][IMAGE]"),
              "<IMG SRC=\"logo.gif\" ALT=\"News page\" border=0  width=300 height=2 >");
    EXPECT_EQ(Gen().CopyListText(), "[images\\LOGO.GIF]");
}

TEST_F(MacrosTest, ImageAltTextRunsContentsMacros) {
    news->Node()->m_Info.m_strIcon = "x.jpg";
    news->Node()->m_strName = "[$F]";
    EXPECT_EQ(Render(news, "[@IMAGE=!][IMAGE]"), "<IMG SRC=\"x.jpg\" ALT=\".htm\" border=0 >");
}

}  // namespace
}  // namespace folio::test
