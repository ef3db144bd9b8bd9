// The whole generation run: page files, log, messages, status lines, copied pictures.
#include <cctype>
#include <fstream>

#include "GenFixture.h"

namespace folio::test {
namespace {

namespace fs = std::filesystem;

class RunTest : public GenFixture {
  protected:
    RunTest() {
        root = Add(nullptr, "Index", NODE_PAGE, "H\xE6m");
        news = Add(root, "News", NODE_PAGE, "News");
        sect = Add(news, "Sect", NODE_PARAGRAPH, "S");
        Template(".hdr.txt",
                 "[@TAG=!][@TITLE=!]<P>[TITLE]</P>\n[@LINKS=!][LINKS][LINKBODY][@IMAGE=!][IMAGE]");
        Template(".pgh.txt", "[@TITLE=!]<H2>[TITLE]</H2>\n");
        WriteResource("images/folio32.jpg", "JPEGDATA");
        WriteResource("images/bluerib.gif", GifHeader(1, 1));
    }
    GenerateResult Run() { return Gen().OnDogenerte(); }
    std::string Dest(const std::string& name) const { return settings.m_strDestDir + "\\" + name; }
    // Copied pictures go to the lowercased target path, directory included.
    std::string LowerDest(const std::string& name) const {
        std::string path = Dest(name);
        for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return path;
    }

    SiteItem* root;
    SiteItem* news;
    SiteItem* sect;
};

// The page directory is looked up once per run: a later run of the same generator writes to its
// own destination, and a destination given with "/" or a doubled separator is the same folder.
TEST_F(RunTest, EachRunWritesToItsOwnDestination) {
    ASSERT_EQ(Run(), GenerateResult::Done);
    const fs::path second = dir / "second";
    fs::create_directories(second);
    settings.m_strDestDir = second.string() + "\\\\";
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_TRUE(fs::exists(second / "index.htm"));
    EXPECT_TRUE(fs::exists(second / "news.htm"));
    fs::remove(outDir / "news.htm");
    settings.m_strDestDir = outDir.string() + "/";
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_TRUE(fs::exists(outDir / "news.htm"));
}

TEST_F(RunTest, WritesPagesAndCopiesPictures) {
    news->Node()->m_Info.m_strIcon = "Pic.GIF";
    WriteResource("images/pic.gif", GifHeader(2, 3) + std::string(200000, 'p'));
    ASSERT_EQ(Run(), GenerateResult::Done);

    EXPECT_EQ(ReadOut("index.htm"),
              "<P>H&aelig;m</P>\r\n  <A HREF=\"news.htm#news\"> [News]</A>\r\n");
    EXPECT_EQ(ReadOut("news.htm"),
              "<P>News</P>\r\n  <A HREF=\"news.htm#sect\"> S</A>\r\n<H2>S</H2>\r\n"
              "<IMG SRC=\"pic.gif\" ALT=\"News\" border=0  width=2 height=3 >");
    EXPECT_EQ(ReadOut("pic.gif").size(), 200010u);
    EXPECT_EQ(ReadOut("folio32.jpg"), "JPEGDATA");
    EXPECT_EQ(ReadOut("bluerib.gif"), GifHeader(1, 1));

    EXPECT_EQ(rec.log, "Generating... " + Dest("index.htm") +
                           "\r\n"
                           "Parsing template file: templates\\Default.hdr.txt\r\n"
                           "Generating... " +
                           Dest("news.htm") +
                           "\r\n"
                           "Parsing template file: templates\\Default.hdr.txt\r\n"
                           "Parsing template file: templates\\Default.pgh.txt\r\n"
                           "Copying file images\\Pic.GIF to " +
                           LowerDest("pic.gif") +
                           "\r\n"
                           "Copying file images\\folio32.jpg to " +
                           LowerDest("folio32.jpg") +
                           "\r\n"
                           "Copying file images\\bluerib.gif to " +
                           LowerDest("bluerib.gif") + "\r\n");
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(rec.files, (std::vector<std::string>{Dest("index.htm"), Dest("news.htm"),
                                                   "Copying image files...", "Done..."}));
    EXPECT_EQ(rec.tags.back(), "");
    EXPECT_EQ(rec.rangeHigh, 3);
    EXPECT_EQ(rec.steps, 3);
    EXPECT_EQ(rec.position, 0);
    EXPECT_EQ(rec.beeps, 1);
    // The run leaves nothing behind for the next one.
    EXPECT_EQ(Gen().Log(), "");
    EXPECT_TRUE(Gen().CopyEntries().empty());
}

TEST_F(RunTest, EachPictureCopiedOnceInFirstUseOrder) {
    Add(root, "Two", NODE_PAGE, "Two")->Node()->m_Info.m_strIcon = "a.jpg";
    news->Node()->m_Info.m_strIcon = "a.jpg";
    root->Node()->m_Info.m_strIcon = "b.jpg";
    WriteResource("images/a.jpg", "a");
    Template(".hdr.txt", "[@IMAGE=!]");
    Gen().BeginRun();
    for (SiteItem* i = tree.Root(); i; i = SiteTree::NextInPreorder(i)) Gen().CreateNode(i);
    EXPECT_EQ(Gen().CopyListText(), "[images\\b.jpg][images\\a.jpg]");
}

TEST_F(RunTest, TemplateReadOncePerRunButLoggedPerObject) {
    ASSERT_EQ(Run(), GenerateResult::Done);
    // Changing the template during a run would not show; between runs it does.
    Template(".hdr.txt", "second");
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_EQ(ReadOut("index.htm"), "second");
}

TEST_F(RunTest, MissingTemplateReportedForEveryObject) {
    fs::remove(dir / "templates" / "Default.pgh.txt");
    Add(news, "Sect2", NODE_PARAGRAPH, "S2");
    ASSERT_EQ(Run(), GenerateResult::Done);
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[1].text, "Unable to open template file: templates\\Default.pgh.txt");
    EXPECT_EQ(rec.messages[1].caption, "CreateNode() ERROR");
}

TEST_F(RunTest, MissingPicturesAreLoggedAndTheRunEndsDone) {
    fs::remove(dir / "images" / "folio32.jpg");
    fs::remove(dir / "images" / "bluerib.gif");
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_NE(rec.log.find("Unable to open images\\folio32.jpg for read.\r\n"
                           "Unable to open images\\bluerib.gif for read.\r\n"),
              std::string::npos);
    EXPECT_EQ(rec.files.back(), "Done...");
}

TEST_F(RunTest, UncreatablePageAbortsWithoutCopying) {
    settings.m_strDestDir = (dir / "nowhere").string();
    ASSERT_EQ(Run(), GenerateResult::Aborted);
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].text, "Unable to open destination file " + Dest("index.htm"));
    EXPECT_EQ(rec.messages[0].caption, "CreatePage() ERROR");
    EXPECT_EQ(rec.messages[1].text, "OnDogenerte(): Fatal error. Processing aborted.");
    EXPECT_EQ(rec.messages[1].caption, "");
    EXPECT_EQ(rec.messages[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(rec.log, "Generating... " + Dest("index.htm") + "\r\n");
    EXPECT_EQ(rec.files.back(), "Processing aborted...");
    EXPECT_EQ(rec.beeps, 1);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

struct BadDestCase {
    const char* name;
    std::string dest;
    const char* messageStart;
};

class BadDest : public RunTest, public ::testing::WithParamInterface<BadDestCase> {};

TEST_P(BadDest, AbortsWithClearMessage) {
    settings.m_strDestDir = GetParam().dest;
    ASSERT_EQ(Run(), GenerateResult::Aborted);
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].text.rfind(GetParam().messageStart, 0), 0u) << rec.messages[0].text;
    EXPECT_EQ(rec.messages[0].caption, "CreatePage() ERROR");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDest,
    ::testing::Values(BadDestCase{"Empty", "", "No destination directory given"},
                      BadDestCase{"TooLong", "/tmp/" + std::string(300, 'd'),
                                  "Destination path too long (315"},
                      BadDestCase{"DriveLetter", "C:\\homepage",
                                  "Unable to open destination file C:\\homepage\\"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(RunTest, TagThatIsAPathIsRefused) {
    tree.SetLabel(news, "..\\evil");
    ASSERT_EQ(Run(), GenerateResult::Aborted);
    EXPECT_EQ(rec.messages[0].text, "Unable to open destination file " + Dest("..\\evil.htm") +
                                        " (the tag \"..\\evil\" is not a file name)");
    EXPECT_FALSE(fs::exists(dir / "evil.htm"));
}

TEST_F(RunTest, LowercaseTargetAndTrailingSeparator) {
    fs::create_directories(dir / "Site");
    settings.m_strDestDir = (dir / "Site").string() + "\\";
    root->Node()->m_Info.m_strIcon = "Logo.GIF";
    WriteResource("images/Logo.GIF", GifHeader(4, 4));
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_TRUE(fs::exists(dir / "Site" / "index.htm"));
    EXPECT_TRUE(fs::exists(dir / "Site" / "logo.gif"));
    std::string lowered = (dir / "Site").string() + "\\\\logo.gif";
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(rec.log.find("Copying file images\\Logo.GIF to " + lowered + "\r\n"),
              std::string::npos);
}

// Pictures go where the pages go, even when a lowercase twin of the destination exists.
TEST_F(RunTest, PicturesFollowThePagesFolderPastACaseTwin) {
    fs::create_directories(dir / "Site");
    fs::create_directories(dir / "site");
    settings.m_strDestDir = (dir / "Site").string();
    root->Node()->m_Info.m_strIcon = "logo.gif";
    WriteResource("images/logo.gif", GifHeader(4, 4));
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_TRUE(fs::exists(dir / "Site" / "index.htm"));
    EXPECT_TRUE(fs::exists(dir / "Site" / "logo.gif"));
    EXPECT_TRUE(fs::is_empty(dir / "site"));
}

TEST_F(RunTest, PagesBelowParagraphsAndDeepPagesAreGenerated) {
    SiteItem* p = Add(sect, "Deep0", NODE_PAGE, "D");
    for (int i = 1; i < 3000; ++i) p = Add(p, "Deep" + std::to_string(i), NODE_PAGE, "D");
    Template(".hdr.txt", "[@UP=!][UP]");
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_EQ(ReadOut("deep0.htm"), "#deep0");
    EXPECT_EQ(ReadOut("deep2999.htm"), "#deep2999");
}

TEST_F(RunTest, SecondRunStartsAFreshLog) {
    ASSERT_EQ(Run(), GenerateResult::Done);
    const std::string first = rec.log;
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_EQ(rec.log, first);
    EXPECT_EQ(rec.beeps, 2);
}

TEST_F(RunTest, ExistingPageIsReplaced) {
    std::ofstream(outDir / "index.htm") << std::string(5000, 'o');
    ASSERT_EQ(Run(), GenerateResult::Done);
    EXPECT_EQ(ReadOut("index.htm").rfind("<P>H&aelig;m</P>", 0), 0u);
}

}  // namespace
}  // namespace folio::test
