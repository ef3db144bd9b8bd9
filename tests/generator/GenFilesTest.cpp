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

}  // namespace
}  // namespace folio::test
