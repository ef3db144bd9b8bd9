#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/FileIo.h"

namespace folio {
namespace {

TEST(TextMode, ConvertsLineEndsBothWays) {
    struct Case {
        std::string memory;
        std::string disk;
    } cases[] = {
        {"", ""},
        {"a\nb\n", "a\r\nb\r\n"},
        {"no newline", "no newline"},
        {"\n\n", "\r\n\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToTextMode(c.memory), c.disk);
        EXPECT_EQ(FromTextMode(c.disk), c.memory);
    }
    // A lone CR stays; Ctrl-Z ends the text, as the C run-time's text mode does.
    EXPECT_EQ(FromTextMode("a\rb\r\n"), "a\rb\n");
    EXPECT_EQ(FromTextMode("text\x1a"
                           "after"),
              "text");
    EXPECT_EQ(FromTextMode("end\r"), "end\r");
}

class FileIoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("folio32-fileio-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(FileIoTest, TextFilesRoundTrip) {
    const auto path = dir / "t.txt";
    std::string error;
    ASSERT_TRUE(WriteTextFile(path, "one\ntwo\n", error)) << error;
    std::string raw;
    ASSERT_TRUE(ReadWholeFile(path, raw, error));
    EXPECT_EQ(raw, "one\r\ntwo\r\n");
    std::string text;
    ASSERT_TRUE(ReadTextFile(path, text, error));
    EXPECT_EQ(text, "one\ntwo\n");
}

TEST_F(FileIoTest, ErrorsNameTheFile) {
    std::string out, error;
    EXPECT_FALSE(ReadWholeFile(dir / "absent.txt", out, error));
    EXPECT_NE(error.find("absent.txt"), std::string::npos);
    EXPECT_FALSE(WriteWholeFile(dir / "nodir" / "x.txt", "x", error));
    EXPECT_NE(error.find("x.txt"), std::string::npos);
}

TEST_F(FileIoTest, AbandonedAtomicFileLeavesTheTargetAlone) {
    const auto path = dir / "keep.txt";
    { std::ofstream(path) << "old"; }
    {
        AtomicFile f;
        std::string error;
        ASSERT_TRUE(f.Open(path, error));
        f.Write("new content");
    }  // never committed
    std::string content, error;
    ASSERT_TRUE(ReadWholeFile(path, content, error));
    EXPECT_EQ(content, "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

    AtomicFile f;
    ASSERT_TRUE(f.Open(path, error));
    f.Write("new");
    ASSERT_TRUE(f.Commit(error)) << error;
    ASSERT_TRUE(ReadWholeFile(path, content, error));
    EXPECT_EQ(content, "new");
}

}  // namespace
}  // namespace folio
