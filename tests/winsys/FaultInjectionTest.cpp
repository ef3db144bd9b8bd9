// The wrapper that makes the Nth call fail.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/win/FaultInjectingWinSystem.h"

namespace folio::win {
namespace {

using test::NewRoot;
using test::ScratchDir;
using WriteMode = WinSystem::WriteMode;

// A small installation: a folder, a file, a registry value. Returns the first error.
Dword MiniInstall(WinSystem& sys) {
    if (Dword e = sys.CreateDirectory("C:\\App"); e && e != ERROR_ALREADY_EXISTS) return e;
    if (Dword e = sys.WriteFile("C:\\App\\a.txt", "a", WriteMode::Replace)) return e;
    if (Dword e = sys.CopyFile("C:\\App\\a.txt", "C:\\App\\b.txt", false)) return e;
    HKey k;
    if (Dword e = sys.RegCreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\App", KEY_ALL_ACCESS, k)) {
        return e;
    }
    Dword e = sys.RegSetValue(k, "Installed", RegValue::Dw(1));
    sys.RegCloseKey(k);
    return e;
}

TEST(FaultInjection, NthCallOnceOrFromThenOn) {
    ScratchDir dir;
    auto real = NewRoot(dir, OS_NT4);
    ASSERT_TRUE(real);
    FaultInjectingWinSystem sys(*real);
    struct Case {
        std::uint32_t ops;
        std::uint64_t nth;
        bool persistent;
        std::vector<Dword> want;  // result of each of four attribute queries
    };
    const Dword ok = ERROR_SUCCESS, bad = ERROR_SHARING_VIOLATION;
    const Case cases[] = {
        {kOpGetFileAttributesEx, 0, false, {ok, ok, ok, ok}},
        {kOpGetFileAttributesEx, 2, false, {ok, bad, ok, ok}},
        {kOpGetFileAttributesEx, 3, true, {ok, ok, bad, bad}},
        {kOpsRegistry, 1, true, {ok, ok, ok, ok}},
        {kOpsAll, 4, false, {ok, ok, ok, bad}},
    };
    for (const auto& c : cases) {
        sys.Arm({c.ops, c.nth, c.persistent, bad, DMLERR_NOTPROCESSED});
        std::vector<Dword> got;
        for (int i = 0; i < 4; ++i) {
            FileInfo info;
            got.push_back(sys.GetFileAttributesEx("C:\\WINNT", info));
        }
        EXPECT_EQ(got, c.want) << "nth " << c.nth;
        const bool fired = std::find(c.want.begin(), c.want.end(), bad) != c.want.end();
        EXPECT_EQ(sys.Fired(), fired);
        if (fired) {
            EXPECT_EQ(sys.FirstFiredOp(), static_cast<std::uint32_t>(kOpGetFileAttributesEx));
            EXPECT_STREQ(WinOpName(sys.FirstFiredOp()), "GetFileAttributesEx");
        }
    }
    // Calls that are not planned pass through and are not counted.
    sys.Arm({kOpCopyFile, 1, false, ERROR_DISK_FULL, 0});
    FileInfo info;
    EXPECT_EQ(sys.GetFileAttributesEx("C:\\WINNT", info), ERROR_SUCCESS);
    EXPECT_EQ(sys.Calls(), 0u);
    EXPECT_EQ(sys.CopyFile("C:\\x", "C:\\y", false), ERROR_DISK_FULL);
    EXPECT_EQ(sys.GetFileAttributes("C:\\y"), INVALID_FILE_ATTRIBUTES) << "nothing forwarded";
    // The DDE calls fail with the DDE error.
    sys.Arm({kOpsDde, 1, false, ERROR_ACCESS_DENIED, DMLERR_NO_CONV_ESTABLISHED});
    WinSystem::Conversation conv;
    EXPECT_EQ(sys.DdeConnect("PROGMAN", "PROGMAN", conv), DMLERR_NO_CONV_ESTABLISHED);
}

TEST(FaultInjection, SweepOverARunUntilNoFaultFires) {
    ScratchDir dir;
    auto real = NewRoot(dir, OS_NT4);
    ASSERT_TRUE(real);
    FaultInjectingWinSystem sys(*real);
    std::uint64_t n = 1;
    for (; n < 100; ++n) {
        sys.Arm({kOpsWrites, n, false, ERROR_ACCESS_DENIED, 0});
        const Dword e = MiniInstall(sys);
        if (!sys.Fired()) {
            EXPECT_EQ(e, ERROR_SUCCESS);
            break;
        }
        EXPECT_EQ(e, ERROR_ACCESS_DENIED) << "run " << n;
        // Whatever failed, the files present are whole.
        std::string bytes;
        if (real->ReadFile("C:\\App\\b.txt", bytes) == ERROR_SUCCESS) {
            EXPECT_EQ(bytes, "a");
        }
    }
    EXPECT_EQ(n, 6u) << "five writing calls in the run";
}

}  // namespace
}  // namespace folio::win
