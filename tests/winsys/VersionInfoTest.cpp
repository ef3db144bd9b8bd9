// Version resources read from the bytes of small program images.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/win/VersionInfo.h"

namespace folio::win {
namespace {

using test::BuildImage;
using test::ImageSpec;

TEST(VersionInfo, ImagesOfBothWidths) {
    struct Case {
        const char* name;
        ImageSpec image;
        Dword error;
    };
    const Case cases[] = {
        {"PE32 with version", {false, true, true, 0x00040000, 0x00000005}, ERROR_SUCCESS},
        {"PE32+ with version", {true, true, true, 0x00020001, 0x00000000}, ERROR_SUCCESS},
        {"PE32 icon only", {false, true, false}, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"PE32+ icon only", {true, true, false}, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"PE32 no resources", {false, false, false}, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"PE32+ no resources", {true, false, false}, ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const auto& c : cases) {
        std::string block;
        EXPECT_EQ(FindVersionResource(BuildImage(c.image), block), c.error) << c.name;
        if (c.error != ERROR_SUCCESS) continue;
        VsFixedFileInfo info;
        ASSERT_TRUE(VerQueryFixedFileInfo(block, info)) << c.name;
        EXPECT_EQ(info.signature, VS_FFI_SIGNATURE);
        EXPECT_EQ(info.fileVersionMS, c.image.fileVersionMS) << c.name;
        EXPECT_EQ(info.fileVersionLS, c.image.fileVersionLS) << c.name;
    }
}

TEST(VersionInfo, AnythingElseHasNoVersion) {
    std::string block;
    EXPECT_EQ(FindVersionResource("", block), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(FindVersionResource("plain text, not a program\r\n", block),
              ERROR_RESOURCE_TYPE_NOT_FOUND);
    std::string dosOnly = BuildImage({});
    dosOnly[0x40] = 'X';  // no PE signature
    EXPECT_EQ(FindVersionResource(dosOnly, block), ERROR_RESOURCE_TYPE_NOT_FOUND);
}

TEST(VersionInfo, DamagedImagesNeverReadOutOfBounds) {
    const std::string good = BuildImage({});
    // Every truncation and a corrupted byte at every offset: must answer, never crash.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::string block;
        const Dword e = FindVersionResource(good.substr(0, n), block);
        EXPECT_NE(e, ERROR_SUCCESS) << "truncated to " << n;
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0xff);
        std::string block;
        if (FindVersionResource(bad, block) == ERROR_SUCCESS) {
            VsFixedFileInfo info;
            VerQueryFixedFileInfo(block, info);
        }
    }
}

TEST(VersionInfo, RootBlockNeedsTheFixedPart) {
    std::string block;
    ASSERT_EQ(FindVersionResource(BuildImage({}), block), ERROR_SUCCESS);
    VsFixedFileInfo info;
    EXPECT_FALSE(VerQueryFixedFileInfo(block.substr(0, 60), info));
    std::string noValue = block;
    noValue[2] = 0;  // wValueLength 0
    EXPECT_FALSE(VerQueryFixedFileInfo(noValue, info));
    std::string badKey = block;
    badKey[6] = 'X';
    EXPECT_FALSE(VerQueryFixedFileInfo(badKey, info));
    std::string badSignature = block;
    badSignature[40] = 0;
    EXPECT_FALSE(VerQueryFixedFileInfo(badSignature, info));
}

}  // namespace
}  // namespace folio::win
