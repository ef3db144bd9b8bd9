// The template language: pieces, comments, the four constructs and their error lines.
#include "GenFixture.h"

namespace folio::test {
namespace {

class ParserTest : public GenFixture {
  protected:
    ParserTest() {
        root = Add(nullptr, "Index", NODE_PAGE, "Home");
        child = Add(root, "Sub", NODE_PAGE, "Child");
        link = Add(child, "L1", NODE_LINK, "Example http://example.com");
        para = Add(child, "P1", NODE_PARAGRAPH, "Para");
    }
    SiteItem* root;
    SiteItem* child;
    SiteItem* link;
    SiteItem* para;
};

struct ParseCase {
    const char* name;
    const char* templ;
    const char* output;
    const char* logAfterHeader;  // the log lines after "Parsing template file: ..."
};

class ParseTable : public ParserTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ParseTable, ExpandsTheRoot) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(Render(root, c.templ), c.output);
    EXPECT_EQ(Gen().Log(), std::string("Parsing template file: templates\\Default.hdr.txt\r\n") +
                               c.logAfterHeader);
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, ParseTable,
    ::testing::Values(
        ParseCase{"Literal", "plain # text\n", "plain # text\n", ""},
        ParseCase{"AssignThenReference", "[@TAG=!]<A NAME=[TAG]>\n", "<A NAME=index>\n", ""},
        ParseCase{"AssignmentAloneLeavesNoLine", "[@TAG=!]\nx\n", "x\n", ""},
        ParseCase{"OnlyOneLineFeedSwallowed", "[@TAG=!]\n\nx", "\nx", ""},
        ParseCase{"ReferenceBeforeAssignment", "<[TAG]>\n", "<>\n", ""},
        ParseCase{"ReferenceKeepsLineFeed", "[@TAG=!][TAG]\n", "index\n", ""},
        ParseCase{"CloseReference", "[@ALIGN=CENTER][ALIGN]x[/ALIGN]", "<CENTER>x</CENTER>", ""},
        ParseCase{"CloseEmptyGivesNothing", "a[/ALIGN]b[/LINE=<BR>]c", "abc", ""},
        ParseCase{"CloseWithText", "[@LINE=<HR>][/LINE=<BR>]", "<BR>", ""},
        ParseCase{"CloseTextAfterLastEquals", "[@LINE=<HR>][/LINE=a=b]", "b", ""},
        ParseCase{"NamesIgnoreCase", "[@title=!][tItLe]", "Home", ""},
        ParseCase{"LaterAssignmentReplaces", "[@ALIGN=A][ALIGN][@ALIGN=B][ALIGN]", "<A><B>", ""},
        ParseCase{"EmptyValueKeepsExpansion", "[@ALIGN=A][@ALIGN=][ALIGN]", "<A>", ""},
        ParseCase{"CommentLine", "# [@TAG=!][TAG]\nx\n", "x\n", ""},
        ParseCase{"UnknownAssignment", "[@NOSUCH=1]x", "x",
                  "Unknown macro name (in template file) : NOSUCH\r\n"},
        ParseCase{"UnknownReference", "[nosuch]", "",
                  "Unknown macro name (in template file) : NOSUCH\r\n"},
        ParseCase{"AssignmentWithoutValue", "[@TAG]x", "x",
                  "Syntax error (in template file): TAG\r\n"},
        ParseCase{"NameTooLong", "[ABCDEFGHIJKLMNOPQRSTUVWXYZ012345]", "",
                  "Syntax error (in template file): ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\r\n"},
        ParseCase{"RefusedAssignments", "[@LEVEL=2][@homename=x]\n", "",
                  "Dont know how to assgn value to macro: LEVEL=2\r\n"
                  "Dont know how to assgn value to macro: homename=x\r\n"},
        ParseCase{"UnknownConditionalKeepsLine", "[?TAG=x]kept\n", "kept\n",
                  "Dont know contitional statement: TAG=x\r\n"},
        ParseCase{"BadConditionalLogsTwice", "[?BAD=1]kept", "kept",
                  "Unknown macro name (in template file) : BAD\r\n"
                  "Dont know contitional statement: BAD=1\r\n"},
        ParseCase{"UnclosedRunsToPieceEnd", "[@TAG=!\nx[TAG]", "xindex", ""},
        ParseCase{"NoLiteralBracket", "a[b", "a", "Unknown macro name (in template file) : B\r\n"},
        ParseCase{"RootLevelDropsLine", "[?LEVEL=1]<A HREF=[UP]>Up</A>\nend\n", "end\n", ""},
        ParseCase{"LevelZeroKeeps", "[?LEVEL= -3]yes\n", "yes\n", ""},
        ParseCase{"RootHasNoMoreLinks", "[?MORELINKS=!]last\n", "last\n", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ParserTest, LevelAndMoreLinksFollowTheTree) {
    // Sub is level 1, L1 level 2 with a paragraph after it; P1 has no next sibling.
    EXPECT_EQ(Render(child, "[?LEVEL=1]up\n[?LEVEL=2]deep\n"), "up\n");
    EXPECT_EQ(Render(link, "[?LEVEL=2]deep\n[?MORELINKS=!]last\n"), "deep\nlast\n");
    Add(child, "L2", NODE_LINK, "x y");
    EXPECT_EQ(Render(para, "[?MORELINKS=!]last\nrest\n"), "rest\n");
}

TEST_F(ParserTest, LongLinesAreReadInPiecesOf259) {
    const std::string first(259, 'a');
    // The second piece starts with "#": a comment, dropped with its line feed.
    EXPECT_EQ(Render(root, first + "#rest\nz\n"), first + "z\n");
    // A construct that straddles the pieces is not one.
    const std::string pad(257, 'b');
    EXPECT_EQ(Render(root, pad + "[@TAG=!]\n"), pad + "TAG=!]\n");
    EXPECT_NE(Gen().Log().find("Syntax error (in template file): \r\n"), std::string::npos);
    // A line of exactly 258 characters and its line feed is one piece.
    EXPECT_EQ(Render(root, std::string(258, 'c') + "\n#x\n"), std::string(258, 'c') + "\n");
}

// Each piece of 259 characters is scanned on its own: constructs cut at a piece end, the line
// feed after an assignment in the next piece, and a failing conditional that drops only the rest
// of its own piece.
TEST_F(ParserTest, PieceBoundariesCutConstructs) {
    const auto a = [](std::size_t n) { return std::string(n, 'a'); };
    struct Case {
        const char* name;
        std::string templ;
        std::string output;
        std::string log;
    };
    const Case cases[] = {
        {"FailedTestDropsOnlyItsPiece", "[?LEVEL=1]" + a(249) + "tail\n", "tail\n", ""},
        {"TextBeforeFailedTestStays", "x[?LEVEL=1]" + a(248) + "tail\n", "xtail\n", ""},
        {"CommentAfterFailedTest", "[?LEVEL=1]" + a(249) + "#c\nz\n", "z\n", ""},
        {"LineFeedInNextPieceNotSwallowed", a(251) + "[@TAG=!]\nx\n", a(251) + "\nx\n", ""},
        {"FailedTestAtPieceEndKeepsLineFeed", a(249) + "[?LEVEL=1]\nx\n", a(249) + "\nx\n", ""},
        {"BracketAtPieceEnd", a(258) + "[TAG]\n", a(258) + "TAG]\n",
         "Unknown macro name (in template file) : \r\n"},
        {"NameCutAtPieceEnd", a(256) + "[TAG]x\n", a(256) + "G]x\n",
         "Unknown macro name (in template file) : TA\r\n"},
        {"CloseMarkAtPieceEnd", a(257) + "[/ALIGN]x\n", a(257) + "ALIGN]x\n",
         "Unknown macro name (in template file) : \r\n"},
        {"AssignMarkInNextPiece", a(258) + "[@TAG=!]x\n", a(258) + "@TAG=!]x\n",
         "Unknown macro name (in template file) : \r\n"},
        {"ValuesCarryAcrossPieces", "[@TAG=!]" + a(251) + "[TAG][TAG]\n", a(251) + "indexindex\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Render(root, c.templ), c.output);
        EXPECT_EQ(Gen().Log(), "Parsing template file: templates\\Default.hdr.txt\r\n" + c.log);
    }
    // Below the root the same test keeps its piece.
    EXPECT_EQ(Render(child, cases[0].templ), a(249) + "tail\n");
}

// The template is read once per run, but every object logs, reports and expands it anew.
TEST_F(ParserTest, EveryObjectReportsItsTemplate) {
    Template(".pgh.txt", "[@TAG=!][TAG] [nosuch]\n");
    Gen().BeginRun();
    EXPECT_EQ(Gen().CreateNode(para)->m_strOutput, "p1 \n");
    EXPECT_EQ(Gen().CreateNode(para)->m_strOutput, "p1 \n");
    const std::string once =
        "Parsing template file: templates\\Default.pgh.txt\r\n"
        "Unknown macro name (in template file) : NOSUCH\r\n";
    EXPECT_EQ(Gen().Log(), once + once);
    EXPECT_EQ(rec.steps, 2);
    // A missing template is reported for every object that needs it.
    EXPECT_EQ(Gen().CreateNode(link)->m_strOutput, "");
    EXPECT_EQ(Gen().CreateNode(link)->m_strOutput, "");
    EXPECT_EQ(rec.messages.size(), 2u);
    // A new run reads the file again.
    Template(".pgh.txt", "new");
    Gen().BeginRun();
    EXPECT_EQ(Gen().CreateNode(para)->m_strOutput, "new");
}

TEST_F(ParserTest, TemplateIsReadInTextMode) {
    EXPECT_EQ(Render(root, "[@TAG=!]\r\na\r\nb\rc\r\n\x1a ignored"), "a\nb\rc\n");
}

TEST_F(ParserTest, MissingTemplateShowsMessageAndGivesNothing) {
    Gen().BeginRun();
    EXPECT_EQ(Gen().CreateNode(para)->m_strOutput, "");
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(rec.messages[0].text, "Unable to open template file: templates\\Default.pgh.txt");
    EXPECT_EQ(rec.messages[0].caption, "CreateNode() ERROR");
    EXPECT_EQ(rec.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(Gen().Log(), "");
    // Progress moves and the tag is shown before the file is opened.
    EXPECT_EQ(rec.steps, 1);
    EXPECT_EQ(rec.tags.back(), "p1");
}

TEST_F(ParserTest, TemplateNameAndKindChooseTheFile) {
    para->Node()->m_Info.m_strTemplate = "Plain";
    WriteResource("templates/Plain.pgh.txt", "plain para");
    Gen().BeginRun();
    EXPECT_EQ(Gen().CreateNode(para)->m_strOutput, "plain para");
    EXPECT_EQ(Gen().Log(), "Parsing template file: templates\\Plain.pgh.txt\r\n");
    para->Node()->m_Info.m_strTemplate = "";
    WriteResource("templates/.pgh.txt", "no name");
    EXPECT_EQ(Gen().CreateNode(para)->m_strOutput, "no name");
}

TEST(MacroLookupTest, NamesAndErrors) {
    EXPECT_EQ(LookupMacro("fgcolor", false).index, MACRO_FGCOLOR);
    EXPECT_EQ(LookupMacro("ALIGN=x=y", true).valueAt, 6u);
    EXPECT_EQ(LookupMacro("ALIGN", true).error, MacroLookup::Syntax);
    EXPECT_EQ(LookupMacro(std::string(31, 'A'), false).error, MacroLookup::Unknown);
    EXPECT_EQ(LookupMacro(std::string(32, 'A') + "=1", true).error, MacroLookup::Syntax);
    for (std::size_t i = 0; i < kMacroCount; ++i) {
        EXPECT_EQ(LookupMacro(kMacroNames[i], false).index, static_cast<int>(i));
    }
}

}  // namespace
}  // namespace folio::test

namespace folio::test {
namespace {

// Bytes made of the template language's own characters, names and values, so that every
// construct is cut, nested and unclosed in many ways.
TEST_F(ParserTest, ArbitraryBytesNeverBreakTheExpansion) {
    static const std::string_view kParts[] = {
        "[",     "]",     "@",     "?",     "/",   "=",        "!",
        "\n",    "#",     "\r",    "[$",    "[$i", ",levels=", "LINKS",
        "IMAGE", "x.map", "TITLE", "LEVEL", "<",   "\\",       std::string_view("\0", 1),
        "\xE6"};
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    WriteResource("x.map", "#$PATH:\n#$GIF:\nrect\nrect a\nrect a b\nrect a b c d e\n");
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const unsigned length = next() % 600;
        for (unsigned i = 0; i < length; ++i) text += kParts[next() % std::size(kParts)];
        Template(".pgh.txt", text);
        Template(".lnk.txt", text);
        Render(child, text);
    }
    SUCCEED();
}

}  // namespace
}  // namespace folio::test
