// One load, or one raw read, of a site document in a process of its own: what opening a
// site costs a program that has just started, when every heap page is new to it.
//
//   bench_first_load load|raw FILE      prints the time in milliseconds
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "site/SiteFile.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "load") != 0 && std::strcmp(argv[1], "raw") != 0)) {
        std::fprintf(stderr, "usage: %s load|raw FILE\n", argv[0]);
        return 2;
    }
    const std::filesystem::path path = argv[2];
    const auto start = std::chrono::steady_clock::now();
    if (std::strcmp(argv[1], "load") == 0) {
        folio::SiteContents site;
        std::string error;
        if (!folio::LoadSiteFile(path, site, 1700000000, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    } else {
        std::error_code ec;
        const auto size = static_cast<std::size_t>(std::filesystem::file_size(path, ec));
        std::FILE* file = ec ? nullptr : std::fopen(path.c_str(), "rb");
        if (!file) {
            std::fprintf(stderr, "%s: cannot open\n", path.c_str());
            return 1;
        }
        std::unique_ptr<char[]> buffer(new char[size]);
        const std::size_t got = std::fread(buffer.get(), 1, size, file);
        std::fclose(file);
        if (got != size) return 1;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%.1f\n", took.count());
    return 0;
}
