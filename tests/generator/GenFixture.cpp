#include "GenFixture.h"

#include <fstream>
#include <random>
#include <sstream>

namespace folio::test {

namespace fs = std::filesystem;

GenFixture::GenFixture() {
    std::random_device rd;
    dir = fs::temp_directory_path() /
          ("folio_gen_" + std::to_string(rd()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    outDir = dir / "out";
    fs::create_directories(dir / "templates");
    fs::create_directories(outDir);
    settings.m_strDestDir = outDir.string();
    files_ = std::make_unique<GenFiles>(dir);
}

GenFixture::~GenFixture() {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

void GenFixture::WriteResource(const std::string& relative, const std::string& bytes) {
    const fs::path path = dir / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string GenFixture::ReadOut(const std::string& name) const {
    std::ifstream in(outDir / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

SiteItem* GenFixture::Add(SiteItem* parent, const std::string& tag, std::int32_t type,
                          const std::string& name, const std::string& text) {
    auto node = std::make_unique<CNode>(props, true);
    node->m_nType = type;
    node->m_strName = name;
    node->m_strText = text;
    return tree.Insert(parent, InsertWhere::AtLast(), tag, std::move(node));
}

PageGenerator& GenFixture::Gen() {
    if (!gen_) {
        gen_ = std::make_unique<PageGenerator>(
            GenerateEnv{tree, props, settings, *files_, rec, rec, program});
        gen_->BeginRun();
    }
    return *gen_;
}

std::string GenFixture::Render(SiteItem* item, const std::string& templateText) {
    static const char* kSuffix[] = {".hdr.txt", ".pgh.txt", ".lnk.txt"};
    Template(kSuffix[item->Node()->m_nType], templateText);
    Gen().BeginRun();
    return Gen().CreateNode(item)->m_strOutput;
}

std::string GifHeader(unsigned width, unsigned height) {
    std::string h = "GIF89a";
    h += static_cast<char>(width & 0xFF);
    h += static_cast<char>(width >> 8);
    h += static_cast<char>(height & 0xFF);
    h += static_cast<char>(height >> 8);
    return h;
}

}  // namespace folio::test
