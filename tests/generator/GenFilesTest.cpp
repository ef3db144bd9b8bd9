// Mapping the generator's Windows-style paths to this host.
#include "GenFixture.h"

namespace folio::test {
namespace {

namespace fs = std::filesystem;

class GenFilesTest : public GenFixture {
  protected:
    GenFilesTest() : files(dir) {
        WriteResource("Images/Logo.GIF", "x");
        WriteResource("templates/Default.hdr.txt", "a\r\nb");
    }
    GenFiles files;
};

TEST_F(GenFilesTest, FindsExactAndCaseVariants) {
    EXPECT_EQ(files.FindForRead("Images\\Logo.GIF"), dir / "Images" / "Logo.GIF");
    EXPECT_EQ(files.FindForRead("images\\logo.gif"), dir / "Images" / "Logo.GIF");
    EXPECT_EQ(files.FindForRead("images//LOGO.gif"), dir / "Images" / "Logo.GIF");
    EXPECT_EQ(files.FindForRead("images\\nologo.gif"), std::nullopt);
    EXPECT_EQ(files.FindForRead(""), std::nullopt);
    EXPECT_EQ(files.FindForRead("C:\\images\\logo.gif"), std::nullopt);
    // Absolute paths are host paths.
    const std::string abs = (dir / "images" / "logo.gif").string();
    EXPECT_EQ(files.FindForRead(abs), dir / "Images" / "Logo.GIF");
}

TEST_F(GenFilesTest, ReadsTextMode) {
    std::string text;
    ASSERT_TRUE(files.ReadText("TEMPLATES\\default.HDR.txt", text));
    EXPECT_EQ(text, "a\nb");
    EXPECT_FALSE(files.ReadText("templates", text));  // a directory
}

TEST_F(GenFilesTest, WritesUnderExistingDirectoryOnly) {
    const std::string upper = dir.string() + "\\OUT\\Index.htm";
    EXPECT_EQ(files.MapForWrite(upper), outDir / "Index.htm");
    EXPECT_EQ(files.MapForWrite(dir.string() + "\\missing\\x.htm"), std::nullopt);
    EXPECT_EQ(files.MapForWrite("C:\\homepage\\index.htm"), std::nullopt);
    EXPECT_EQ(files.MapForWrite(outDir.string() + "\\"), std::nullopt);
}

TEST_F(GenFilesTest, RelativeReadsUseTheResourceFolder) {
    const fs::path old = fs::current_path();
    fs::current_path(dir / "templates");
    GenFiles here;
    EXPECT_EQ(here.FindForRead("default.hdr.txt"), fs::path("Default.hdr.txt"));
    EXPECT_EQ(files.FindForRead("images\\logo.gif"), dir / "Images" / "Logo.GIF");
    fs::current_path(old);
}

// Templates, image maps and picture sizes are read only through GenFiles, so that another file
// source (the fuzz targets serve files from memory) sees every read. Nothing is on disk here.
class MemoryFiles final : public GenFiles {
  public:
    using GenFiles::GenFiles;
    bool ReadText(std::string_view path, std::string& out) const override {
        reads.emplace_back(path);
        if (path == "templates\\Default.hdr.txt")
            out = "[@TAG=!][@IMAGE=!][TAG] [IMAGE]\n";
        else if (path == "images\\plan.map")
            out = "#$PATH:images\\\n#$GIF:plan.gif\nrect index.htm 1,2 3,4\n";
        else
            return false;
        return true;
    }
    bool ReadPrefix(std::string_view path, std::size_t count, std::string& out) const override {
        reads.emplace_back(path);
        out = GifHeader(7, 9).substr(0, count);
        return true;
    }
    mutable std::vector<std::string> reads;
};

TEST(GenFilesSource, GeneratorReadsThroughTheGivenFiles) {
    CDocProperties props;
    SiteTree tree;
    auto node = std::make_unique<CNode>(props, true);
    node->m_Info.m_strIcon = "plan.map";
    const SiteItem* home = tree.Insert(nullptr, InsertWhere::AtLast(), "Index", std::move(node));
    CGenerateDlg settings;
    MemoryFiles files(fs::path("/nonexistent"));
    Recorder rec;
    GeneratorProgram program;
    PageGenerator gen(GenerateEnv{tree, props, settings, files, rec, rec, program});
    gen.BeginRun();

    const std::string out = gen.CreateNode(home)->m_strOutput;
    EXPECT_NE(out.find("index "), std::string::npos) << out;
    EXPECT_NE(out.find("<AREA SHAPE=RECT COORDS=\"1,2,3,4\" HREF=index.htm>"), std::string::npos)
        << out;
    EXPECT_NE(out.find("width=7 height=9"), std::string::npos) << out;
    EXPECT_EQ(files.reads, (std::vector<std::string>{"templates\\Default.hdr.txt",
                                                     "images\\plan.map", "images\\plan.gif"}));
    EXPECT_TRUE(rec.messages.empty());
}

}  // namespace
}  // namespace folio::test
