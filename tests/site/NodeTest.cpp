#include <gtest/gtest.h>

#include "site/DocProperties.h"
#include "site/Node.h"

namespace folio {
namespace {

CDocProperties CustomDefaults() {
    CDocProperties d;
    d.m_strBgBitmap = "paper.gif";
    d.m_nExpireDays = 9;
    d.m_strImage = "icon.gif";
    d.m_strLineImage = "line.gif";
    d.m_bNew = 1;
    d.m_bUpdated = 1;
    d.m_bConstruction = 1;
    d.m_strTemplate = "Blue";
    d.m_crText = 0x010203;
    d.m_crBackground = 0x040506;
    d.m_crLink = 0x070809;
    d.m_crVisitedLink = 0x0A0B0C;
    return d;
}

TEST(NodeCreation, InsertedObjectTakesEveryDefault) {
    const CDocProperties d = CustomDefaults();
    struct Case {
        std::int32_t type;
        const char* name;
    } cases[] = {
        {NODE_PAGE, "Untitled"}, {NODE_PARAGRAPH, "Untitled"}, {NODE_LINK, "Untitled\r\nhttp://"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        auto node = NewObjectNode(d, c.type, 1000);
        EXPECT_EQ(node->m_nType, c.type);
        EXPECT_EQ(node->m_strName, c.name);
        EXPECT_EQ(node->m_strText, "");
        EXPECT_EQ(node->m_tStamp, 1000);
        EXPECT_EQ(node->m_nTextStyle, 0);
        EXPECT_EQ(node->m_nNameStyle, 0);
        const CDocInfo& i = node->m_Info;
        EXPECT_EQ(i.m_bBannerChanged, 0);
        EXPECT_EQ(i.m_strBgBitmap, "paper.gif");
        EXPECT_EQ(i.m_nExpireDays, 9);
        EXPECT_EQ(i.m_strIcon, "icon.gif");
        EXPECT_EQ(i.m_strLineImage, "line.gif");
        EXPECT_EQ(i.m_bNew, 1);
        EXPECT_EQ(i.m_bUpdated, 1);
        EXPECT_EQ(i.m_bConstruction, 1);
        EXPECT_EQ(i.m_strTemplate, "Blue");
        EXPECT_EQ(i.m_crText, 0x010203u);
        EXPECT_EQ(i.m_crBackground, 0x040506u);
        EXPECT_EQ(i.m_crLink, 0x070809u);
        EXPECT_EQ(i.m_crVisitedLink, 0x0A0B0Cu);
    }
}

TEST(NodeCreation, RootKeepsTemplateColoursAndTwoBannersButNotTheFivePerObjectValues) {
    const CDocProperties d = CustomDefaults();
    auto root = NewRootNode(d, 77);
    EXPECT_EQ(root->m_nType, NODE_PAGE);
    EXPECT_EQ(root->m_strName, "Untitled");
    EXPECT_EQ(root->m_tStamp, 77);
    const CDocInfo& i = root->m_Info;
    EXPECT_EQ(i.m_strBgBitmap, "");
    EXPECT_EQ(i.m_nExpireDays, 0);
    EXPECT_EQ(i.m_strIcon, "");
    EXPECT_EQ(i.m_strLineImage, "");
    EXPECT_EQ(i.m_bNew, 0);
    EXPECT_EQ(i.m_bUpdated, 1);
    EXPECT_EQ(i.m_bConstruction, 1);
    EXPECT_EQ(i.m_strTemplate, "Blue");
    EXPECT_EQ(i.m_crText, 0x010203u);
    EXPECT_EQ(i.m_crVisitedLink, 0x0A0B0Cu);
}

TEST(NodeCreation, NewDocumentDefaults) {
    const CDocProperties d;
    EXPECT_EQ(d.m_strAuthor, "Your name");
    EXPECT_EQ(d.m_nExpireDays, 14);
    EXPECT_EQ(d.m_bNew, 1);
    EXPECT_EQ(d.m_strHomeButton, "home.gif");
    EXPECT_EQ(d.m_strBackButton, "Back.gif");
    EXPECT_EQ(d.m_strTemplate, "Default");
    EXPECT_EQ(d.m_crBackground, 0xFFFFFFu);
    EXPECT_EQ(d.m_crLink, 0xFF0000u);
    EXPECT_EQ(d.m_crVisitedLink, 0x00FF00u);
    for (COLORREF c : d.m_crCustom) EXPECT_EQ(c, 0xFFFFFFFFu);
}

TEST(BannerExpiry, ClearsAllThreeOnlyWhenThePeriodHasStrictlyPassed) {
    constexpr std::int32_t kDay = 86400;
    constexpr std::int32_t kNow = 1'700'000'000;
    struct Case {
        const char* what;
        std::int32_t expireDays;
        std::int32_t stamp;
        bool cleared;
    } cases[] = {
        {"expired a day ago", 5, kNow - 6 * kDay, true},
        {"exactly at the end keeps", 5, kNow - 5 * kDay, false},
        {"one second past the end", 5, kNow - 5 * kDay - 1, true},
        {"not yet expired", 5, kNow - 4 * kDay, false},
        {"expiry 0 never clears", 0, 0, false},
        {"stamp in the future", 1, kNow + kDay, false},
        // expiry * 86400 + stamp wraps around in 32 bits to a negative end
        {"wrap-around counts as expired", 30000, kNow, true},
        {"negative expiry", -1, kNow, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CNode node(CDocProperties{}, false);
        node.m_Info.m_nExpireDays = c.expireDays;
        node.m_tStamp = c.stamp;
        node.m_Info.m_bNew = node.m_Info.m_bConstruction = node.m_Info.m_bUpdated = 1;
        node.ApplyBannerExpiry(kNow);
        const BOOL32 expected = c.cleared ? 0 : 1;
        EXPECT_EQ(node.m_Info.m_bNew, expected);
        EXPECT_EQ(node.m_Info.m_bConstruction, expected);
        EXPECT_EQ(node.m_Info.m_bUpdated, expected);
        EXPECT_EQ(node.m_tStamp, c.stamp);
    }
}

}  // namespace
}  // namespace folio
