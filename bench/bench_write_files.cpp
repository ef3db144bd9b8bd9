// The write baseline of the generation benchmark: writes the files of a pack (made by
// bench_generate.py from a generated site) into a directory, with the same names and bytes and
// nothing else. The pack is a sequence of records: name length (4 bytes, little-endian), name,
// size (8 bytes, little-endian), bytes.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::uint64_t ReadLe(const std::string& pack, std::size_t& at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(pack[at + i])) << (8 * i);
    }
    at += static_cast<std::size_t>(bytes);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PACK DIR\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string pack((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string dir = std::string(argv[2]) + "/";
    std::size_t at = 0;
    while (at < pack.size()) {
        const auto nameSize = static_cast<std::size_t>(ReadLe(pack, at, 4));
        const std::string name = dir + pack.substr(at, nameSize);
        at += nameSize;
        const auto size = static_cast<std::size_t>(ReadLe(pack, at, 8));
        std::FILE* f = std::fopen(name.c_str(), "wb");
        if (!f || std::fwrite(pack.data() + at, 1, size, f) != size || std::fclose(f) != 0) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
        at += size;
    }
    return 0;
}
