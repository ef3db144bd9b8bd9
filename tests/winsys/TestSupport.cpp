#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace folio::win::test {

ScratchDir::ScratchDir() {
    std::string tmpl = (fs::temp_directory_path() / "winsys-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    // Read-only files inside must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::unique_ptr<EmulatedWinSystem> NewRoot(const ScratchDir& dir, OsKind kind) {
    std::string error;
    auto sys = EmulatedWinSystem::Open(dir.path() / "root", kind, error);
    EXPECT_TRUE(sys) << error;
    return sys;
}

namespace {

void Put(std::string& s, std::size_t at, std::uint64_t v, int width) {
    if (s.size() < at + static_cast<std::size_t>(width))
        s.resize(at + static_cast<std::size_t>(width));
    for (int i = 0; i < width; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
}

}  // namespace

std::string BuildImage(const ImageSpec& shape) {
    const std::size_t pe = 0x40;
    const std::size_t optSize = shape.pe32Plus ? 240 : 224;
    const std::size_t opt = pe + 24;
    const std::size_t sections = opt + optSize;
    const std::size_t raw = 0x200;
    const std::uint32_t va = 0x1000;

    std::string img(raw, '\0');
    img[0] = 'M';
    img[1] = 'Z';
    Put(img, 0x3c, pe, 4);
    img.replace(pe, 4, std::string("PE\0\0", 4));
    Put(img, pe + 4, shape.pe32Plus ? 0x8664 : 0x14c, 2);
    Put(img, pe + 6, shape.resourceSection ? 1 : 0, 2);
    Put(img, pe + 20, optSize, 2);
    Put(img, pe + 22, 0x0102, 2);
    Put(img, opt, shape.pe32Plus ? 0x20b : 0x10b, 2);
    const std::size_t dirCount = opt + (shape.pe32Plus ? 108 : 92);
    Put(img, dirCount, 16, 4);

    if (!shape.resourceSection) return img;

    // Resource tree: type -> name 1 -> language 0x409 -> data entry -> bytes.
    std::string rsrc(0x58, '\0');
    auto dir = [&](std::size_t at, std::uint32_t id, std::uint32_t target) {
        Put(rsrc, at + 14, 1, 2);
        Put(rsrc, at + 16, id, 4);
        Put(rsrc, at + 20, target, 4);
    };
    dir(0x00, shape.versionResource ? 16 : 3, 0x80000018u);
    dir(0x18, 1, 0x80000030u);
    dir(0x30, 0x409, 0x48);
    std::string block(92, '\0');
    Put(block, 0, 92, 2);
    Put(block, 2, 52, 2);
    const std::string key = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < key.size(); ++i)
        Put(block, 6 + 2 * i, static_cast<unsigned char>(key[i]), 2);
    const std::uint32_t fixed[13] = {0xfeef04bd,
                                     0x10000,
                                     shape.fileVersionMS,
                                     shape.fileVersionLS,
                                     shape.fileVersionMS,
                                     shape.fileVersionLS,
                                     0x3f,
                                     0,
                                     0x40004,
                                     1,
                                     0,
                                     0,
                                     0};
    for (std::size_t i = 0; i < 13; ++i) Put(block, 40 + 4 * i, fixed[i], 4);
    Put(rsrc, 0x48, va + 0x58, 4);
    Put(rsrc, 0x4c, block.size(), 4);
    rsrc += block;

    const std::size_t dataDir = dirCount + 4 + 2 * 8;
    Put(img, dataDir, va, 4);
    Put(img, dataDir + 4, rsrc.size(), 4);
    img.replace(sections, 8, std::string(".rsrc\0\0\0", 8));
    Put(img, sections + 8, rsrc.size(), 4);
    Put(img, sections + 12, va, 4);
    Put(img, sections + 16, rsrc.size(), 4);
    Put(img, sections + 20, raw, 4);
    Put(img, sections + 36, 0x40000040u, 4);
    img += rsrc;
    return img;
}

void WriteHost(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadHost(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace folio::win::test
