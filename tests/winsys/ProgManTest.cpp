// Program Manager's command language and its replies.
#include <gtest/gtest.h>

#include "platform/win/ProgMan.h"

namespace folio::win {
namespace {

const char* kWin = "C:\\WINNT35";

TEST(ProgMan, InstallerConversations) {
    ProgmanState pm;
    // What setup sends: the group, then the item into the current group.
    ASSERT_EQ(ProgmanExecute(pm, "[CreateGroup(Folio Tools)]", kWin), DMLERR_NO_ERROR);
    ASSERT_EQ(ProgmanExecute(pm, "[ShowGroup(Folio Tools,1)]", kWin), DMLERR_NO_ERROR);
    EXPECT_EQ(ProgmanExecute(pm, "[ReplaceItem(\"Folio\")]", kWin), DMLERR_NOTPROCESSED);
    ASSERT_EQ(ProgmanExecute(pm,
                             "[AddItem(\"C:\\F\\FOLIO.EXE\",\"Folio\",\"C:\\F\\FOLIO.EXE\",0,0,0,"
                             "\"C:\\F\")]",
                             kWin),
              DMLERR_NO_ERROR);
    ASSERT_EQ(ProgmanExecute(pm, "[AddItem(\"C:\\F\\HELP.EXE\",\"Help\")]", kWin), DMLERR_NO_ERROR);
    // A second install replaces the item in its place.
    ASSERT_EQ(ProgmanExecute(pm, "[ReplaceItem(\"Folio\")]", kWin), DMLERR_NO_ERROR);
    ASSERT_EQ(ProgmanExecute(pm, "[AddItem(\"C:\\G\\FOLIO.EXE\",\"Folio\")]", kWin),
              DMLERR_NO_ERROR);

    std::string reply;
    ASSERT_TRUE(ProgmanRequest(pm, "folio tools", reply));
    EXPECT_EQ(reply,
              "\"Folio Tools\",C:\\WINNT35\\FOLIOTOO.GRP,2\r\n"
              "\"Folio\",\"C:\\G\\FOLIO.EXE\",,C:\\G\\FOLIO.EXE,0,0,0,0,0\r\n"
              "\"Help\",\"C:\\F\\HELP.EXE\",,C:\\F\\HELP.EXE,0,0,0,0,0\r\n");
    ASSERT_TRUE(ProgmanRequest(pm, "Groups", reply));
    EXPECT_EQ(reply, "Folio Tools\r\n");

    // What uninstall sends: select the group, delete the items, then the empty group.
    EXPECT_EQ(ProgmanExecute(pm, "[ShowGroup(Folio Tools,1)][DeleteItem(Folio)]", kWin),
              DMLERR_NO_ERROR);
    EXPECT_EQ(ProgmanExecute(pm, "[DeleteItem(Help)]", kWin), DMLERR_NO_ERROR);
    ASSERT_TRUE(ProgmanRequest(pm, "Folio Tools", reply));
    EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "\"Folio Tools\",C:\\WINNT35\\FOLIOTOO.GRP,0");
    EXPECT_EQ(ProgmanExecute(pm, "[DeleteGroup(Folio Tools)]", kWin), DMLERR_NO_ERROR);
    EXPECT_FALSE(ProgmanRequest(pm, "Folio Tools", reply));
}

TEST(ProgMan, DeleteItemActsOnTheShownGroup) {
    ProgmanState pm = DefaultProgmanGroups(kWin);
    ASSERT_EQ(ProgmanExecute(pm, "[CreateGroup(A)][AddItem(x.exe,Same)]", kWin), DMLERR_NO_ERROR);
    ASSERT_EQ(ProgmanExecute(pm, "[CreateGroup(B)][AddItem(y.exe,Same)]", kWin), DMLERR_NO_ERROR);
    ASSERT_EQ(ProgmanExecute(pm, "[ShowGroup(A,1)]", kWin), DMLERR_NO_ERROR);
    ASSERT_EQ(ProgmanExecute(pm, "[DeleteItem(Same)]", kWin), DMLERR_NO_ERROR);
    EXPECT_TRUE(pm.FindGroup("A")->items.empty());
    EXPECT_EQ(pm.FindGroup("B")->items.size(), 1u);
}

TEST(ProgMan, RefusedCommands) {
    const char* cases[] = {
        "",
        "CreateGroup(X)",
        "[CreateGroup(X)",
        "[CreateGroup(X]",
        "[CreateGroup(\"X)]",
        "[Frobnicate(X)]",
        "[ShowGroup(Nowhere,1)]",
        "[DeleteGroup(Nowhere)]",
        "[DeleteItem(Nobody)]",
        "[CreateGroup()]",
        "[AddItem()]",
    };
    for (const char* c : cases) {
        ProgmanState pm = DefaultProgmanGroups(kWin);
        pm.current = "Startup";
        EXPECT_EQ(ProgmanExecute(pm, c, kWin), DMLERR_NOTPROCESSED) << c;
    }
    ProgmanState none;
    EXPECT_EQ(ProgmanExecute(none, "[AddItem(x.exe)]", kWin), DMLERR_NOTPROCESSED)
        << "no current group";
    // Commands before a refused one keep their effect.
    EXPECT_EQ(ProgmanExecute(none, "[CreateGroup(Kept)][DeleteItem(None)]", kWin),
              DMLERR_NOTPROCESSED);
    EXPECT_NE(none.FindGroup("Kept"), nullptr);
}

TEST(ProgMan, TruncatedCommandsNeverCrash) {
    const std::string command =
        "[CreateGroup(\"A, (b)\")][ShowGroup(A,1)][AddItem(\"x y.exe\",\"N\",,1,2,3,\"d\")]"
        "[ReplaceItem(N)][AddItem(z.exe)][DeleteItem(z)][DeleteGroup(A)]";
    for (std::size_t n = 0; n <= command.size(); ++n) {
        ProgmanState pm = DefaultProgmanGroups(kWin);
        ProgmanExecute(pm, command.substr(0, n), kWin);
    }
}

TEST(ProgMan, GroupsReplyOfAFreshSystem) {
    const ProgmanState pm = DefaultProgmanGroups(kWin);
    std::string reply;
    ASSERT_TRUE(ProgmanRequest(pm, "Groups", reply));
    EXPECT_EQ(reply, "Main\r\nAccessories\r\nAdministrative Tools\r\nGames\r\nStartup\r\n");
    ASSERT_TRUE(ProgmanRequest(pm, "Startup", reply));
    EXPECT_EQ(reply, "\"Startup\",C:\\WINNT35\\STARTUP.GRP,0\r\n");
}

}  // namespace
}  // namespace folio::win
