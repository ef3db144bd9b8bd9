// Image maps, GIF sizes and the entity writer.
#include "GenFixture.h"

namespace folio::test {
namespace {

class ImageMapTest : public GenFixture {
  protected:
    ImageMapTest() {
        root = Add(nullptr, "Index", NODE_PAGE, "Home");
        WriteResource("images/plan.gif", GifHeader(100, 50));
        WriteResource("images/plan.map",
                      "# a comment\r\n#$PATH:images\\\r\n#$GIF:plan.gif\r\n"
                      "rect sub.htm 0,0 99,49\r\n"
                      "rect   Docs\\Page.HTM   1,2\r\n"
                      "rect sub.htm#top 5,5 6,6\n"
                      "circle x.htm 1,1 3\npoly y.htm 1,1 2,2 3,3\nRECT z.htm 1,1 2,2\nrect\n");
    }
    SiteItem* root;
};

const char* const kMapHtm =
    "<MAP NAME=\"imagemap1\">\n"
    "<AREA SHAPE=RECT COORDS=\"0,0,99,49\" HREF=sub.htm>\n"
    "<AREA SHAPE=RECT COORDS=\"1,2,\" HREF=page.htm>\n"
    "<AREA SHAPE=RECT COORDS=\"5,5,6,6\" HREF=sub.htm#top>\n"
    "</MAP>\n"
    "<IMG SRC=\"plan.gif\" ALT=\"Home\" border=0  width=100 height=50  ismap "
    "USEMAP=\"#imagemap1\">";

TEST_F(ImageMapTest, MapIconBecomesMapBlockAndPicture) {
    root->Node()->m_Info.m_strIcon = "plan.map";
    EXPECT_EQ(Render(root, "[@IMAGE=!][IMAGE]"), kMapHtm);
    EXPECT_EQ(Gen().CopyListText(), "[images\\plan.gif]");
}

TEST_F(ImageMapTest, HtmlRunRewritesOnlyExactHtmTargets) {
    settings.m_nFileType = 1;
    program.mapCounter = 41;
    const std::string out = Render(root, "[@IMAGE=images\\plan.map][IMAGE]");
    EXPECT_NE(out.find("<MAP NAME=\"imagemap42\">"), std::string::npos);
    EXPECT_NE(out.find("HREF=sub.html>"), std::string::npos);
    EXPECT_NE(out.find("HREF=page.html>"), std::string::npos);
    EXPECT_NE(out.find("HREF=sub.htm#top>"), std::string::npos);
}

TEST_F(ImageMapTest, AddressTargetsKeepTheirSlashes) {
    settings.m_nFileType = 1;
    WriteResource("images/web.map",
                  "#$GIF:plan.gif\r\n"
                  "rect http://www.example.com/docs/Page.htm 0,0 9,9\r\n"
                  "rect sub/Page.htm 1,1 2,2\r\n"
                  "rect C:\\site\\Page.htm 3,3 4,4\r\n");
    const std::string out = Render(root, "[@IMAGE=images\\web.map][IMAGE]");
    EXPECT_NE(out.find("HREF=http://www.example.com/docs/page.html>"), std::string::npos) << out;
    EXPECT_NE(out.find("HREF=sub/page.html>"), std::string::npos) << out;
    EXPECT_NE(out.find("HREF=page.html>"), std::string::npos) << out;
}

TEST_F(ImageMapTest, CounterCountsEveryPictureAndKeepsCountingAcrossRuns) {
    root->Node()->m_Info.m_strIcon = "plan.map";
    const std::string out = Render(root, "[@BACKBUTTON=!][@IMAGE=!][IMAGE]");
    EXPECT_NE(out.find("imagemap2"), std::string::npos);
    EXPECT_EQ(Render(root, "[@IMAGE=!][IMAGE]").find("imagemap3"), 11u);
    EXPECT_EQ(program.mapCounter, 3u);
}

TEST_F(ImageMapTest, MissingMapFallsBackToItsPath) {
    EXPECT_EQ(Render(root, "[@IMAGE=images\\none.map][IMAGE]"),
              "<IMG SRC=\"none.map\" ALT=\"Home\" border=0 >");
    EXPECT_EQ(Gen().Log(),
              "Parsing template file: templates\\Default.hdr.txt\r\n"
              "*** Unable to open Image Map file: images\\none.map\r\n");
    EXPECT_EQ(Gen().CopyListText(), "[images\\none.map]");
}

TEST_F(ImageMapTest, EveryUseOfAMapGetsItsBlockAndItsReport) {
    const std::string out =
        Render(root, "[@IMAGE=images\\plan.map][IMAGE]\n[@IMAGE=images\\plan.map][IMAGE]");
    std::string second = kMapHtm;
    for (std::size_t at; (at = second.find("imagemap1")) != std::string::npos;) {
        second.replace(at, 9, "imagemap2");
    }
    EXPECT_EQ(out, std::string(kMapHtm) + "\n" + second);
    EXPECT_EQ(Render(root, "[@IMAGE=x.map][@IMAGE=x.map]"), "");
    EXPECT_EQ(Gen().Log(),
              "Parsing template file: templates\\Default.hdr.txt\r\n"
              "*** Unable to open Image Map file: x.map\r\n"
              "*** Unable to open Image Map file: x.map\r\n");
}

struct GifCase {
    const char* name;
    const char* file;  // written below images/, or null for none
    std::string bytes;
    const char* path;
    const char* attr;
};

class GifTable : public ImageMapTest, public ::testing::WithParamInterface<GifCase> {};

TEST_P(GifTable, SizeAttribute) {
    const GifCase& c = GetParam();
    if (c.file) WriteResource(std::string("images/") + c.file, c.bytes);
    Gen().BeginRun();
    EXPECT_EQ(Gen().GetGifSizeAttr(c.path), c.attr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GifTable,
    ::testing::Values(GifCase{"Plain", "a.gif", GifHeader(1, 65535), "images\\a.gif",
                              " width=1 height=65535 "},
                      GifCase{"UpperCaseName", "LOGO.GIF", GifHeader(7, 8), "images\\LOGO.GIF",
                              " width=7 height=8 "},
                      GifCase{"FoundIgnoringCase", "Pic.gif", GifHeader(3, 4), "IMAGES\\pic.GIF",
                              " width=3 height=4 "},
                      GifCase{"NotGif", "logo.jpg", GifHeader(7, 8), "images\\logo.jpg", ""},
                      GifCase{"Missing", nullptr, "", "images\\none.gif", ""},
                      GifCase{"TooShort", "short.gif", "GIF89a\x01", "images\\short.gif", ""},
                      GifCase{"NameTooShort", nullptr, "", "gif", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(HtmlEntitiesTest, SixLettersOnly) {
    EXPECT_EQ(HtmlEntities("\xE6\xF8\xE5\xC6\xD8\xC5\xE4\xE9 <a>&"),
              "&aelig;&oslash;&aring;&AElig;&Oslash;&Aring;\xE4\xE9 <a>&");
}

// Long runs of plain bytes are skipped in blocks: every byte value at every place of a longer
// text must still come out as itself or its entity.
TEST(HtmlEntitiesTest, EveryByteAtEveryPlace) {
    const std::string plain = "The quick brown fox jumps";
    for (std::size_t at = 0; at <= plain.size(); ++at) {
        for (int value = 0; value < 256; ++value) {
            const char c = static_cast<char>(value);
            const std::string one(1, c);
            const std::string entity = HtmlEntities(one);
            ASSERT_EQ(HtmlEntities(plain.substr(0, at) + one + plain.substr(at)),
                      plain.substr(0, at) + entity + plain.substr(at))
                << "byte " << value << " at " << at;
        }
    }
}

TEST_F(ImageMapTest, PagesGetCrLfAtEveryPlace) {
    const std::string plain = "0123456789abcdefghij";
    std::string text, expected;
    for (std::size_t at = 0; at <= plain.size(); ++at) {
        text += plain.substr(0, at) + "\n" + plain.substr(at) + "\xE6";
        expected += plain.substr(0, at) + "\r\n" + plain.substr(at) + "&aelig;";
    }
    AtomicFile file;
    std::string error;
    const std::filesystem::path path = outDir / "crlf.htm";
    ASSERT_TRUE(file.Open(path, error)) << error;
    WriteHtml(file, text);
    ASSERT_TRUE(file.Commit(error)) << error;
    std::string written;
    ASSERT_TRUE(ReadWholeFile(path, written, error)) << error;
    EXPECT_EQ(written, expected);
}

}  // namespace
}  // namespace folio::test
