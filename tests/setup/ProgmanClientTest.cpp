// The Program Manager conversations over the emulated Program Manager.
#include <gtest/gtest.h>

#include <functional>

#include "SetupTestSupport.h"
#include "TestSupport.h"
#include "setup/ProgmanClient.h"

namespace folio::setup {
namespace {

using namespace folio::win;
using test::RecordingSink;

// Records every execute and answers requests with a fixed reply.
class RecordingProgman : public WinSystemWrapper {
  public:
    using WinSystemWrapper::WinSystemWrapper;
    Dword DdeExecute(Conversation conv, std::string_view command, Dword timeoutMs) override {
        executes.push_back(std::string(command) + " @" + std::to_string(timeoutMs));
        return WinSystemWrapper::DdeExecute(conv, command, timeoutMs);
    }
    Dword DdeRequest(Conversation, std::string_view, Dword, std::string& out) override {
        out = reply;
        return DMLERR_NO_ERROR;
    }
    std::vector<std::string> executes;
    std::string reply;
};

TEST(ProgmanClient, CommandStrings) {
    EXPECT_EQ(PmCreateGroupCommand("Tools"), "[CreateGroup(Tools)]");
    EXPECT_EQ(PmShowGroupCommand("Tools"), "[ShowGroup(Tools,1)]");
    EXPECT_EQ(PmDeleteGroupCommand("Tools"), "[DeleteGroup(Tools)]");
    EXPECT_EQ(PmDeleteItemCommand("App"), "[DeleteItem(App)]");
    EXPECT_EQ(PmReplaceItemCommand("App"), "[ReplaceItem(\"App\")]");
    EXPECT_EQ(
        PmAddItemCommand("App", "C:\\P\\bin\\app.exe"),
        "[AddItem(\"C:\\P\\bin\\app.exe\",\"App\",\"C:\\P\\bin\\app.exe\",0,0,0,\"C:\\P\\bin\")]");
}

// What each operation sends: the bytes of every execute (the terminating zero included where
// the data length counts it) and its time-out, in order.
TEST(ProgmanClient, ExecuteDataAndTimeouts) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::function<void(WinSystem&, RecordingSink&)> run;
        std::vector<std::string> executes;
    } cases[] = {
        {"PmCreateGroup",
         [](WinSystem& s, RecordingSink& k) { PmCreateGroup(s, k, "Folio"); },
         {"[CreateGroup(Folio)]\0 @10000"s, "[ShowGroup(Folio,1)] @10000"s}},
        {"PmAddItem",
         [](WinSystem& s, RecordingSink& k) { PmAddItem(s, k, "App", "C:\\P\\app.exe"); },
         {"[ReplaceItem(\"App\")]\0 @1000"s,
          "[AddItem(\"C:\\P\\app.exe\",\"App\",\"C:\\P\\app.exe\",0,0,0,\"C:\\P\")]\0 @1000"s}},
        {"PmDeleteItem",
         [](WinSystem& s, RecordingSink& k) { PmDeleteItem(s, k, "Folio", "App"); },
         {"[ShowGroup(Folio,1)] @10000"s, "[DeleteItem(App)]\0 @10000"s}},
        {"PmDeleteGroup",
         [](WinSystem& s, RecordingSink& k) { PmDeleteGroup(s, k, "Folio"); },
         {"[DeleteGroup(Folio)]\0 @10000"s, "[ShowGroup(Folio,1)] @10000"s}},
    };
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT351);
    for (const auto& c : cases) {
        RecordingProgman pm(*sys);
        RecordingSink sink;
        c.run(pm, sink);
        EXPECT_EQ(pm.executes, c.executes) << c.name;
        EXPECT_EQ(sink.messages, std::vector<std::string>{}) << c.name;
    }
}

TEST(ProgmanClient, SetupAndUninstallConversations) {
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT351);
    RecordingSink sink;
    EXPECT_EQ(PmCreateGroup(*sys, sink, "Folio"), 1);
    EXPECT_EQ(PmAddItem(*sys, sink, "App", "C:\\P\\app.exe"), 1);
    EXPECT_TRUE(sink.messages.empty());
    std::vector<std::string> groups;
    EXPECT_EQ(PmListGroups(*sys, groups), 1);
    EXPECT_NE(std::find(groups.begin(), groups.end(), "Folio"), groups.end());
    for (const auto& g : groups) EXPECT_EQ(g.find('\r'), std::string::npos);
    EXPECT_EQ(PmGroupIsEmpty(*sys, "Folio"), 0);

    EXPECT_EQ(PmDeleteItem(*sys, sink, "Folio", "App"), 1);
    EXPECT_EQ(PmGroupIsEmpty(*sys, "Folio"), 1);
    EXPECT_EQ(PmDeleteGroup(*sys, sink, "Folio"), 1);
    EXPECT_EQ(sink.messages, std::vector<std::string>{});
    // Nothing left to delete: the uninstaller's reports.
    EXPECT_EQ(PmDeleteItem(*sys, sink, "Folio", "App"), 1);
    EXPECT_EQ(PmDeleteGroup(*sys, sink, "Folio"), 1);
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"****DdeClientTransaction Failed",
                                                       "***DdeClientTransaction Failed"}));
}

TEST(ProgmanClient, ProgramManagerNotRunning) {
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT351);
    ASSERT_EQ(sys->SetProgmanRunning(false), ERROR_SUCCESS);
    RecordingSink sink;
    EXPECT_EQ(PmCreateGroup(*sys, sink, "Folio"), 0);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"DdeClientTransaction Failed"});
    std::vector<std::string> groups;
    EXPECT_EQ(PmListGroups(*sys, groups), 1);
    EXPECT_TRUE(groups.empty());
    EXPECT_EQ(PmGroupIsEmpty(*sys, "Main"), 0);
}

TEST(ProgmanClient, GroupIsEmptyReadsTheThirdField) {
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT351);
    RecordingProgman pm(*sys);
    const std::pair<const char*, int> cases[] = {
        {"\"G\",C:\\G.GRP,0\r\n", 1},
        {"\"G\",C:\\G.GRP,3\r\n\"a\",\"a.exe\",,a.exe,0,0,0,0,0\r\n", 0},
        {"\"G\",C:\\G.GRP\r\n", 0},
        {"\"G\",C:\\G.GRP,none\r\n", 1},  // text without digits converts to 0
        {"", 0},
    };
    for (const auto& [reply, answer] : cases) {
        pm.reply = reply;
        EXPECT_EQ(PmGroupIsEmpty(pm, "G"), answer) << reply;
    }
    pm.reply = "Main\r\nAccessories\r\nFolio\r\n";
    std::vector<std::string> groups;
    PmListGroups(pm, groups);
    EXPECT_EQ(groups, (std::vector<std::string>{"Main", "Accessories", "Folio"}));
}

TEST(ProgmanClient, NamesThatWouldBreakACommandAreNotSent) {
    win::test::ScratchDir dir;
    auto sys = win::test::NewRoot(dir, OS_NT351);
    RecordingProgman pm(*sys);
    RecordingSink sink;
    for (const char* name : {"A \"quoted\" name", "A, B", "Tools (new)", "[x]", ""}) {
        EXPECT_EQ(PmCreateGroup(pm, sink, name), 0) << name;
        EXPECT_EQ(PmAddItem(pm, sink, name, "C:\\x.exe"), 0) << name;
        EXPECT_EQ(PmDeleteItem(pm, sink, "G", name), 0) << name;
        EXPECT_EQ(PmDeleteGroup(pm, sink, name), 0) << name;
    }
    EXPECT_EQ(PmCreateGroup(pm, sink, "me@home"), 0);
    // The group commands fit 128 bytes with their zero: 112 characters of name at most.
    EXPECT_EQ(PmCreateGroup(pm, sink, std::string(113, 'g')), 0);
    EXPECT_EQ(PmDeleteItem(pm, sink, "G", std::string(114, 'i')), 0);
    EXPECT_EQ(PmAddItem(pm, sink, "App", "C:\\" + std::string(1020, 'p')), 0);
    EXPECT_TRUE(pm.executes.empty());
    EXPECT_EQ(sink.messages.front(),
              "The Program Manager name \"A \"quoted\" name\" contains a quote, comma, "
              "parenthesis, bracket or control character; it is not sent to Program Manager.");
    EXPECT_EQ(PmCreateGroup(pm, sink, std::string(112, 'g')), 1);
    EXPECT_EQ(pm.executes.size(), 2u);
}

}  // namespace
}  // namespace folio::setup
