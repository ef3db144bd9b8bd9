// Runs a fuzz target over files and directories of inputs, as libFuzzer would replay them.
// Built with the ordinary compiler so that every build (and the sanitizer build) replays the
// checked-in corpus as a test.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", path.c_str());
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-DIRECTORY...\n", argv[0]);
        return 2;
    }
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        std::vector<std::filesystem::path> files;
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
        } else {
            files.push_back(arg);
        }
        if (ec) {
            std::fprintf(stderr, "%s: %s\n", arg.c_str(), ec.message().c_str());
            return 1;
        }
        for (const auto& file : files) {
            if (!RunFile(file)) return 1;
            ++count;
        }
    }
    // An empty corpus would make the test pass without testing anything.
    if (count == 0) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    std::printf("%zu inputs replayed\n", count);
    return 0;
}
