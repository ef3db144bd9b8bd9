#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/FileIo.h"
#include "site/GenerateSettings.h"
#include "site/SiteJson.h"

namespace folio {
namespace {

constexpr std::int32_t kNow = 900'000'000;  // 1998-07-09
constexpr std::int32_t kDay = kSecondsPerDay;

SiteContents FromJson(std::string_view json, std::int32_t now = kNow) {
    SiteContents site;
    std::string error;
    EXPECT_TRUE(SiteFromJson(json, site, now, error)) << error;
    return site;
}

std::string JsonError(std::string_view json) {
    SiteContents site;
    std::string error;
    EXPECT_FALSE(SiteFromJson(json, site, kNow, error)) << json;
    return error;
}

SiteContents FromFol(std::string_view bytes, std::int32_t now = kNow) {
    SiteContents site;
    ArchiveReader ar(bytes);
    ReadSite(ar, site, now);
    return site;
}

std::string ToJson(const SiteContents& s) {
    return SiteToJson(s.properties, s.tree, s.destDir, s.spare);
}
std::string ToFol(const SiteContents& s) {
    return SiteToBytes(s.properties, s.tree, s.destDir, s.spare);
}

// A site in which every value differs from its default: odd strings, negative numbers,
// colours with the high bit set, several top-level items, a link with a child.
SiteContents RichSite() {
    SiteContents s;
    CDocProperties& p = s.properties;
    p.m_strAuthor = "Ren\xE9 M\xFCller \xA9 1997";
    p.m_strBgBitmap = "paper.bmp";
    p.m_strEmail = "rene@club.example";
    p.m_nExpireDays = 30;
    p.m_strImage = "dot.gif";
    p.m_strLineImage = "line.gif";
    p.m_bNew = 0;
    p.m_bUpdated = 1;
    p.m_bConstruction = 1;
    p.m_strHomeButton = "h.gif";
    p.m_strTemplate = "Club";
    p.m_strBackButton = "b.gif";
    p.m_strLinkBullet = "bullet.gif";
    p.m_strUpButton = "up.gif";
    p.m_strConstructionImage = "c.gif";
    p.m_strNewImage = "n.gif";
    p.m_strUpdatedImage = "u.gif";
    p.m_crText = 0x00112233;
    p.m_crBackground = 0x00FFEEDD;
    p.m_crLink = 0x80000000;
    p.m_crVisitedLink = 0;
    for (std::size_t i = 0; i < p.m_crCustom.size(); ++i) {
        p.m_crCustom[i] = static_cast<COLORREF>(0xFFFFFFF0u + i);
    }
    s.destDir = "D:\\web\\club";
    s.spare = "spare \"quoted\" \\ text";

    auto node = [&](std::int32_t type, const char* name, const char* text) {
        auto n = NewObjectNode(p, type, kNow - 3 * kDay);
        n->m_strName = name;
        n->m_strText = text;
        n->m_nTextStyle = ALIGN_CENTER | FONT_H2;
        n->m_nNameStyle = -7;
        n->m_Info.m_nExpireDays = 0;  // nothing expires on the way
        n->m_Info.m_crLink = 0xFFFFFFFF;
        return n;
    };
    SiteItem* root = s.tree.Insert(nullptr, InsertWhere::AtLast(), "Index",
                                   node(NODE_PAGE, "Welcome", "<p>Hello\r\n\tworld</p>"));
    SiteItem* a = s.tree.Insert(root, InsertWhere::AtLast(), "news",
                                node(NODE_PAGE, "News \x80 5", "caf\xE9"));
    s.tree.Insert(a, InsertWhere::AtLast(), "p1", node(NODE_PARAGRAPH, "First", ""));
    SiteItem* link = s.tree.Insert(root, InsertWhere::AtLast(), "home",
                                   node(NODE_LINK, "Home\r\nhttp://example.com/", ""));
    s.tree.Insert(link, InsertWhere::AtLast(), "odd", node(7, "a child of a link", ""));
    s.tree.Insert(nullptr, InsertWhere::AtLast(), "second root", node(NODE_PARAGRAPH, "", ""));
    return s;
}

TEST(SiteJsonRoundTrip, FolThroughJsonIsByteIdentical) {
    const std::string fol = ToFol(RichSite());
    const SiteContents fromJson = FromJson(ToJson(FromFol(fol)));
    EXPECT_EQ(ToFol(fromJson), fol);
    ASSERT_NE(fromJson.tree.Root()->Next(), nullptr);
    EXPECT_EQ(fromJson.tree.Root()->Next()->Label(), "second root");
}

TEST(SiteJsonRoundTrip, EveryByteSurvivesInEveryKindOfString) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    SiteContents s;
    s.properties.m_strAuthor = all;
    s.destDir = all;
    auto n = NewRootNode(s.properties, 0);
    n->m_strText = all;
    n->m_Info.m_strTemplate = all;
    s.tree.Insert(nullptr, InsertWhere::AtLast(), all, std::move(n));

    const std::string json = ToJson(s);
    EXPECT_NE(json.find("\\u0000\\u0001"), std::string::npos);
    EXPECT_NE(json.find("\xE2\x82\xAC\xC2\x81"), std::string::npos);  // 0x80 is U+20AC, 0x81 U+0081

    const SiteContents back = FromJson(json);
    EXPECT_EQ(back.properties.m_strAuthor, all);
    EXPECT_EQ(back.destDir, all);
    EXPECT_EQ(back.tree.Root()->Label(), all);
    EXPECT_EQ(back.tree.Root()->Node()->m_strText, all);
    EXPECT_EQ(back.tree.Root()->Node()->m_Info.m_strTemplate, all);
}

TEST(SiteJsonRoundTrip, NonzeroFlagOfAFileBecomesTrueAndIsWrittenAsOne) {
    SiteContents s = RichSite();
    s.tree.Root()->Node()->m_Info.m_bNew = 7;
    s.properties.m_bUpdated = -1;
    const std::string json = ToJson(s);
    const SiteContents back = FromJson(json);
    EXPECT_EQ(back.tree.Root()->Node()->m_Info.m_bNew, 1);
    EXPECT_EQ(back.properties.m_bUpdated, 1);
}

// The text is what a standard pretty-printer makes of it, and its member names and order are
// fixed: other tools write and diff these files.
TEST(SiteJsonFormat, FixedMembersInFixedOrderWithTwoSpaceIndent) {
    const std::string json = ToJson(RichSite());
    const auto doc = nlohmann::ordered_json::parse(json);
    EXPECT_EQ(doc.dump(2) + "\n", json);
    EXPECT_EQ(json.find('\r'), std::string::npos);

    auto keys = [](const nlohmann::ordered_json& object) {
        std::vector<std::string> names;
        for (const auto& [name, value] : object.items()) names.push_back(name);
        return names;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(keys(doc), (Names{"properties", "items", "generate"}));
    EXPECT_EQ(keys(doc["properties"]), (Names{"author",
                                              "bgBitmap",
                                              "email",
                                              "expireDays",
                                              "image",
                                              "lineImage",
                                              "new",
                                              "updated",
                                              "construction",
                                              "homeButton",
                                              "template",
                                              "backButton",
                                              "linkBullet",
                                              "upButton",
                                              "constructionImage",
                                              "newImage",
                                              "updatedImage",
                                              "textColor",
                                              "backgroundColor",
                                              "linkColor",
                                              "visitedLinkColor",
                                              "customColors"}));
    const auto& root = doc["items"][0];
    EXPECT_EQ(keys(root), (Names{"tag", "type", "name", "text", "textStyle", "nameStyle", "stamp",
                                 "info", "children"}));
    EXPECT_EQ(
        keys(root["info"]),
        (Names{"bgBitmap", "expireDays", "icon", "lineImage", "new", "textColor", "backgroundColor",
               "linkColor", "visitedLinkColor", "template", "construction", "updated"}));
    EXPECT_EQ(keys(doc["generate"]), (Names{"destDir", "spare"}));

    EXPECT_EQ(doc["properties"]["linkColor"], 2147483648u);
    EXPECT_EQ(doc["properties"]["customColors"].size(), 16u);
    EXPECT_EQ(root["nameStyle"], -7);
    EXPECT_EQ(root["info"]["construction"], true);
    EXPECT_EQ(doc["items"].size(), 2u);
}

TEST(SiteJsonFormat, EmptyTreeIsAnEmptyItemListThatDoesNotReadBack) {
    // A site document cannot hold a site without its root, so neither can its JSON form.
    SiteContents s;
    const std::string json = ToJson(s);
    EXPECT_EQ(nlohmann::json::parse(json)["items"], nlohmann::json::array());
    EXPECT_EQ(JsonError(json), "items: a site needs at least one item, its root page");
    EXPECT_EQ(JsonError("{}"), "items: a site needs at least one item, its root page");
}

struct BadJson {
    const char* json;
    const char* error;
};

void PrintTo(const BadJson& c, std::ostream* os) { *os << c.json; }

class SiteJsonErrors : public ::testing::TestWithParam<BadJson> {};

TEST_P(SiteJsonErrors, NameThePathAndTheReason) {
    EXPECT_EQ(JsonError(GetParam().json), GetParam().error);
}

constexpr const char* kIntError = ": expected an integer from -2147483648 to 2147483647";

INSTANTIATE_TEST_SUITE_P(
    , SiteJsonErrors,
    ::testing::Values(
        // Wrong types.
        BadJson{R"({"items":[{"children":[{},{},{"stamp":"0"}]}]})",
                "items[0].children[2].stamp: expected an integer from -2147483648 to 2147483647"},
        BadJson{R"({"items":[{"type":1.0}]})",
                "items[0].type: expected an integer from "
                "-2147483648 to 2147483647"},
        BadJson{R"({"properties":{"new":1}})", "properties.new: expected true or false"},
        BadJson{R"({"properties":{"author":null}})", "properties.author: expected a string"},
        BadJson{R"({"items":[{"tag":["Index"]}]})", "items[0].tag: expected a string"},
        BadJson{R"({"items":[{"info":[]}]})", "items[0].info: expected an object"},
        BadJson{R"({"items":{}})", "items: expected an array"},
        BadJson{R"({"items":[{"children":[{}, 3]}]})", "items[0].children[1]: expected an object"},
        BadJson{R"({"properties":{"customColors":[0,"red"]}})",
                "properties.customColors[1]: expected a colour, an integer from 0 to 4294967295"},
        BadJson{R"([])", "top level: expected an object"},
        // Numbers out of range.
        BadJson{R"({"items":[{"stamp":2147483648}]})",
                "items[0].stamp: expected an integer from -2147483648 to 2147483647"},
        BadJson{R"({"items":[{"textStyle":-2147483649}]})",
                "items[0].textStyle: expected an integer from -2147483648 to 2147483647"},
        BadJson{R"({"items":[{"nameStyle":18446744073709551616}]})",
                "items[0].nameStyle: expected an integer from -2147483648 to 2147483647"},
        BadJson{R"({"items":[{"info":{"textColor":-1}}]})",
                "items[0].info.textColor: expected a colour, an integer from 0 to 4294967295"},
        BadJson{R"({"properties":{"linkColor":4294967296}})",
                "properties.linkColor: expected a colour, an integer from 0 to 4294967295"},
        // The custom colours are exactly sixteen.
        BadJson{R"({"properties":{"customColors":[1,2,3]}})",
                "properties.customColors: expected 16 colours, found 3"},
        BadJson{R"({"properties":{"customColors":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]}})",
                "properties.customColors: expected 16 colours, found 17"},
        // Members outside the shape, or given twice.
        BadJson{R"({"version":1})", "version: unknown member"},
        BadJson{R"({"properties":{"Author":""}})", "properties.Author: unknown member"},
        BadJson{R"({"items":[{"info":{"icon":"","tag":""}}]})",
                "items[0].info.tag: unknown member"},
        BadJson{R"({"generate":{"lowercase":true}})", "generate.lowercase: unknown member"},
        BadJson{R"({"items":[{"my key":1}]})", R"(items[0]["my key"]: unknown member)"},
        BadJson{R"({"items":[{"tag":"a","tag":"b"}]})", "items[0].tag: member given twice"},
        // Text that Windows-1252 cannot hold.
        BadJson{"{\"items\":[{\"name\":\"\xE4\xB8\xAD\"}]}",
                "items[0].name: character U+4E2D cannot be held in Windows-1252 (at byte 0 of "
                "the string)"},
        BadJson{R"({"generate":{"destDir":"C:\\\ud83d\ude00"}})",
                "generate.destDir: character U+1F600 cannot be held in Windows-1252 (at byte 3 "
                "of the string)"}));

TEST(SiteJsonMalformed, NamesThePathAndTheLine) {
    struct Case {
        std::string json;
        std::string prefix;
    };
    const std::vector<Case> cases = {
        {"{\"items\":[{\"name\":\"caf\xC3\x28\"}]}", "items[0].name: parse error at line 1"},
        {"{\"items\":[{\"text\":\"\\ud800\"}]}", "items[0].text: parse error at line 1"},
        {"{\"items\":[{\"tag\":\"a\"}\n,]}", "items: parse error at line 2"},
        {"{\"items\":[{\"tag\":\"a\"}]", "top level: parse error at line 1"},
        {"{} {}", "top level: parse error at line 1"},
        {"", "top level: parse error at line 1"},
    };
    for (const Case& c : cases) {
        const std::string error = JsonError(c.json);
        EXPECT_EQ(error.substr(0, c.prefix.size()), c.prefix) << error;
    }
}

// A member missing from an item takes what an object of that kind inserted into this document
// would have, stamped 0 with no children; the document's properties apply wherever they stand.
TEST(SiteJsonDefaults, MissingItemMembersTakeAnInsertedObjectsValues) {
    for (const std::int32_t type : {NODE_PAGE, NODE_PARAGRAPH, NODE_LINK}) {
        SCOPED_TRACE(type);
        const std::string json = R"({"items":[{"type":)" + std::to_string(type) + R"(}],
            "properties":{"image":"dot.gif","expireDays":0,"template":"Club","textColor":255}})";
        const SiteContents site = FromJson(json);
        CDocProperties props;
        props.m_strImage = "dot.gif";
        props.m_nExpireDays = 0;
        props.m_strTemplate = "Club";
        props.m_crText = 255;
        EXPECT_EQ(site.properties, props);

        const SiteItem* item = site.tree.Root();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(*item->Node(), *NewObjectNode(props, type, 0));
        EXPECT_EQ(item->Label(), "");
        EXPECT_EQ(item->FirstChild(), nullptr);
        EXPECT_EQ(item->Image(), GetNodeImage(type, false, IMAGE_NORMAL));
        EXPECT_EQ(item->SelectedImage(), GetNodeImage(type, true, IMAGE_NORMAL));
    }
    EXPECT_EQ(FromJson(R"({"items":[{"type":2}]})").tree.Root()->Node()->m_strName, kNewLinkName);
}

TEST(SiteJsonDefaults, GivenInfoMembersKeepTheirValuesAndTheRestAreDefaults) {
    const SiteContents site =
        FromJson(R"({"items":[{"tag":"Index","stamp":5,"info":{"icon":"me.gif","new":false}}]})");
    const CNode& node = *site.tree.Root()->Node();
    CNode expected = *NewObjectNode(CDocProperties{}, NODE_PAGE, 0);
    expected.m_tStamp = 5;
    expected.m_Info.m_strIcon = "me.gif";
    expected.m_Info.m_bNew = 0;
    EXPECT_EQ(node, expected);
}

TEST(SiteJsonDefaults, MissingDocumentMembersTakeANewDocumentsValues) {
    const SiteContents site = FromJson(R"({"properties":{"author":"Ann"},"items":[{}]})");
    CDocProperties props;
    props.m_strAuthor = "Ann";
    EXPECT_EQ(site.properties, props);
    EXPECT_EQ(site.destDir, kDefaultDestDir);
    EXPECT_EQ(site.spare, "");
    EXPECT_EQ(site.tree.Count(), 1u);
}

TEST(SiteJsonLoad, BannerExpiryApplies) {
    struct Case {
        std::int32_t age;
        bool kept;
    };
    for (const Case c : {Case{6 * kDay, false}, Case{5 * kDay, true}}) {
        const std::string json = R"({"items":[{"stamp":)" + std::to_string(kNow - c.age) +
                                 R"(,"info":{"expireDays":5,"new":true,"construction":true,
                                 "updated":true}}]})";
        const SiteContents site = FromJson(json);
        const CDocInfo& info = site.tree.Root()->Node()->m_Info;
        EXPECT_EQ(info.m_bNew, c.kept ? 1 : 0) << c.age;
        EXPECT_EQ(info.m_bConstruction, c.kept ? 1 : 0) << c.age;
        EXPECT_EQ(info.m_bUpdated, c.kept ? 1 : 0) << c.age;
    }
}

TEST(SiteJsonFiles, LoadErrorsNameTheFile) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "site_json_files";
    std::filesystem::create_directories(dir);
    const auto path = dir / "bad.json";
    std::string error;
    ASSERT_TRUE(WriteWholeFile(path, R"({"items":[{"type":"page"}]})", error)) << error;
    SiteContents site;
    EXPECT_FALSE(LoadSiteJsonFile(path, site, kNow, error));
    EXPECT_EQ(error, path.string() + ": items[0].type" + kIntError);

    const SiteContents rich = RichSite();
    ASSERT_TRUE(SaveSiteJsonFile(path, rich.properties, rich.tree, rich.destDir, rich.spare, error))
        << error;
    SiteContents back;
    ASSERT_TRUE(LoadSiteJsonFile(path, back, kNow, error)) << error;
    EXPECT_EQ(ToFol(back), ToFol(rich));
}

// 100,000 nested pages: no step may recurse on the depth, and the text must not grow with the
// square of the depth.
TEST(SiteJsonDeep, ChainOfPagesConvertsBothWays) {
    constexpr int kDepth = 100'000;
    SiteContents s;
    SiteItem* item = nullptr;
    for (int i = 0; i < kDepth; ++i) {
        item = s.tree.Insert(item, InsertWhere::AtLast(), "p", NewRootNode(s.properties, 0));
    }
    const std::string fol = ToFol(s);
    const std::string json = ToJson(FromFol(fol));
    EXPECT_LT(json.size(), std::size_t{kDepth} * 2000);
    const SiteContents back = FromJson(json);
    EXPECT_EQ(back.tree.Count(), std::size_t{kDepth});
    EXPECT_EQ(ToFol(back), fol);
}

}  // namespace
}  // namespace folio
