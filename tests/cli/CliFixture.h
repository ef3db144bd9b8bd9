// Runs the built folio32 program as a user would, each test in a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// `arg` quoted for the shell.
std::string Quote(const std::string& arg);
// The whole file, or a test failure when it cannot be read.
std::string Slurp(const std::filesystem::path& path);

class Folio32Cli : public ::testing::Test {
  protected:
    void SetUp() override;

    std::filesystem::path Path(const std::string& name) const { return dir_ / name; }

    // Runs folio32 with `args` in the test's folder; standard output and error are captured.
    RunResult Run(const std::vector<std::string>& args) const;
    // The command line that runs folio32 with `args` in the test's folder, without redirection.
    std::string Command(const std::vector<std::string>& args) const;

    // Writes a file below the test's folder, creating its folders.
    void Write(const std::string& name, std::string_view bytes) const;

    std::filesystem::path dir_;
};

}  // namespace folio
