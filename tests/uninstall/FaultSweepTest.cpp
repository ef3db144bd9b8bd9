// The installer's promise under faults: whichever platform call fails, the run ends cleanly
// with its own messages, and the uninstall log accounts for everything it left, so that the
// uninstaller takes the system back to where it was. And an uninstall interrupted by a fault
// is finished by replaying the same log again.
#include <gtest/gtest.h>

#include <string_view>

#include "ScriptedConsole.h"
#include "SetupTestSupport.h"
#include "TestSupport.h"
#include "platform/win/FaultInjectingWinSystem.h"
#include "setup/Install.h"

namespace fs = std::filesystem;

namespace folio::uninstall {
namespace {

using namespace folio::win;
using setup::test::DestDirOf;
using setup::test::ForgetWhatStays;
using setup::test::Picture;
using setup::test::RecordingSink;
using setup::test::RootPicture;
using win::test::NewRoot;
using win::test::ScratchDir;

constexpr std::uint64_t kGiveUpAfter = 5000;  // calls; a run never comes near this

// Every message the installer has: its fixed beginning and end (the middle names files).
bool IsOwnMessage(const std::string& text) {
    static const std::pair<std::string_view, std::string_view> kOwn[] = {
        {"Installation complete. You must now reboot the machine.", ""},
        {"Installation complete. You can now run the installed program.", ""},
        {"Failed to get registery value for ProgramDir", ""},
        {"Failed to get registery value for ProgramFolderDir", ""},
        {"Failed to get registery value for UserProgramFolderDir", ""},
        {"Failed to open file.", ""},
        {"Unknown .inf file format.", ""},
        {"Failed to create destination directory. Install aborted.", ""},
        {"Failed to create Uninstall information file. Install aborted.", ""},
        {"Failed to write the uninstall information file ", "). Install aborted."},
        {"Copy failed.", ""},
        {"Failed to install file: ", ""},
        {"Failed to open the registery counter for this shared file. Error = ", ""},
        {"Failed to increment the registery counter for this shared file.", ""},
        {"MoveFileEx() failed.", ""},
        {"DdeClientTransaction Failed", ""},
        {"Failed to schedule the replacement of ", " for the next restart."},
    };
    for (const auto& [begin, end] : kOwn) {
        const bool exact = end.empty() && begin.back() == '.';
        if (exact ? text == begin
                  : text.size() >= begin.size() + end.size() && text.starts_with(begin) &&
                        text.ends_with(end)) {
            return true;
        }
    }
    return false;
}

// Replays the log as Add/Remove Programs would, answering "y"; Uninstall.exe is in use.
int Replay(WinSystem& sys, EmulatedWinSystem& root, OsKind kind, std::string* out = nullptr) {
    const std::string dest = DestDirOf(kind);
    root.SetFileInUse(dest + "\\Uninstall.exe", true);
    test::ScriptedConsole console("y\n\n");
    UninstallArguments args;
    args.logPath = dest + "\\.UnInst.inf";
    const int rc = RunUninstall(sys, console, args);
    root.SetFileInUse(dest + "\\Uninstall.exe", false);
    if (out) *out = console.out;
    return rc;
}

struct Sweep {
    OsKind kind;
    Dword error;
};

class FaultSweep : public ::testing::TestWithParam<Sweep> {};

TEST_P(FaultSweep, InstallationUnderAFault) {
    const auto [kind, error] = GetParam();
    std::uint64_t n = 1;
    for (; n < kGiveUpAfter; ++n) {
        ScratchDir dir;
        auto sys = NewRoot(dir, kind);
        setup::test::PrepareProduct(*sys, dir.path() / "product");
        const RootPicture before = Picture(*sys);

        FaultInjectingWinSystem faulty(*sys);
        FaultInjectingWinSystem::Plan plan;
        plan.nth = n;
        plan.error = error;
        faulty.Arm(plan);
        RecordingSink sink;
        setup::SetupRun run(faulty, sink);
        run.Run({});
        const bool fired = faulty.Fired();
        const std::string op = WinOpName(faulty.FirstFiredOp());
        faulty.Disarm();

        for (const auto& m : sink.messages) {
            EXPECT_TRUE(IsOwnMessage(m)) << "fault " << n << " (" << op << "): " << m;
        }
        if (sys->GetFileAttributes(DestDirOf(kind) + "\\.UnInst.inf") != INVALID_FILE_ATTRIBUTES) {
            Replay(*sys, *sys, kind);
        }
        RootPicture after = Picture(*sys);
        ForgetWhatStays(*sys, after);
        RootPicture expected = before;
        ForgetWhatStays(*sys, expected);
        const std::string diff = setup::test::Difference(expected, after);
        EXPECT_EQ(diff, "") << "fault " << n << " (" << op << ")";
        if (!diff.empty() || !fired) break;
    }
    EXPECT_LT(n, kGiveUpAfter);
    EXPECT_GT(n, 50u);  // the sweep went through a whole installation
}

TEST_P(FaultSweep, UninstallUnderAFault) {
    const auto [kind, error] = GetParam();
    std::uint64_t n = 1;
    for (; n < kGiveUpAfter; ++n) {
        ScratchDir dir;
        auto sys = NewRoot(dir, kind);
        setup::test::PrepareProduct(*sys, dir.path() / "product");
        const RootPicture before = Picture(*sys);
        RecordingSink sink;
        setup::SetupRun run(*sys, sink);
        ASSERT_EQ(run.Run({}), setup::InstallOutcome::Complete);
        const fs::path log = setup::test::Host(*sys, DestDirOf(kind) + "\\.UnInst.inf");
        const fs::path saved = dir.path() / "saved.inf";
        fs::copy_file(log, saved);

        FaultInjectingWinSystem faulty(*sys);
        FaultInjectingWinSystem::Plan plan;
        plan.nth = n;
        plan.error = error;
        faulty.Arm(plan);
        const int rc = Replay(faulty, *sys, kind);
        const bool fired = faulty.Fired();
        const std::string op = WinOpName(faulty.FirstFiredOp());
        faulty.Disarm();
        EXPECT_TRUE(rc == kExitDone || rc == kExitNoLog) << rc;

        // The same log once more finishes what the fault interrupted.
        if (!fs::exists(log)) fs::copy_file(saved, log);
        std::string out;
        EXPECT_EQ(Replay(*sys, *sys, kind, &out), kExitDone);
        RootPicture after = Picture(*sys);
        ForgetWhatStays(*sys, after);
        RootPicture expected = before;
        ForgetWhatStays(*sys, expected);
        const std::string diff = setup::test::Difference(expected, after);
        EXPECT_EQ(diff, "") << "fault " << n << " (" << op << ")\n" << out;
        if (!diff.empty() || !fired) break;
    }
    EXPECT_LT(n, kGiveUpAfter);
    EXPECT_GT(n, 20u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FaultSweep,
    ::testing::Values(Sweep{OS_WIN95, ERROR_ACCESS_DENIED}, Sweep{OS_NT351, ERROR_ACCESS_DENIED},
                      Sweep{OS_NT4, ERROR_ACCESS_DENIED}, Sweep{OS_NT4, ERROR_SHARING_VIOLATION}),
    [](const auto& p) {
        return std::string(OsKindName(p.param.kind)) + "_error" + std::to_string(p.param.error);
    });

}  // namespace
}  // namespace folio::uninstall
