#include "CliFixture.h"

#include <sys/wait.h>

#include <cstdlib>

#include "platform/FileIo.h"

namespace folio {

namespace fs = std::filesystem;

std::string Quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

std::string Slurp(const fs::path& path) {
    std::string text;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(path, text, error)) << error;
    return text;
}

void Folio32Cli::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(::testing::TempDir()) / "folio32_cli" / info->test_suite_name() / info->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

std::string Folio32Cli::Command(const std::vector<std::string>& args) const {
    std::string command = "cd " + Quote(dir_.string()) + " && " FOLIO32_BIN_DIR "/folio32";
    for (const std::string& arg : args) command += " " + Quote(arg);
    return command;
}

RunResult Folio32Cli::Run(const std::vector<std::string>& args) const {
    const std::string command = Command(args) + " >stdout.txt 2>stderr.txt";
    const int raw = std::system(command.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(Path("stdout.txt"));
    r.err = Slurp(Path("stderr.txt"));
    return r;
}

void Folio32Cli::Write(const std::string& name, std::string_view bytes) const {
    fs::create_directories(Path(name).parent_path());
    std::string error;
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes, error)) << error;
}

}  // namespace folio
