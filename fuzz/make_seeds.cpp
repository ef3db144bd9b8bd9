// Writes the starting corpus of the .fol reader target: small sites made by the writer, and
// damaged variants of them (cut short, odd opcodes, bad string prefixes).
//
//   fuzz_make_seeds OUT-DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "site/DocProperties.h"
#include "site/SiteFile.h"
#include "site/SiteTree.h"

namespace {

using folio::CDocProperties;
using folio::InsertWhere;
using folio::SiteItem;
using folio::SiteTree;

std::filesystem::path g_out;

void Save(const std::string& name, std::string_view bytes) {
    std::ofstream out(g_out / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

SiteItem* Add(SiteTree& tree, SiteItem* parent, const CDocProperties& d, std::int32_t type,
              const std::string& tag, const std::string& name, const std::string& text) {
    auto node = folio::NewObjectNode(d, type, 900000000);
    node->m_strName = name;
    node->m_strText = text;
    return tree.Insert(parent, InsertWhere::AtLast(), tag, std::move(node));
}

std::string Bytes(const CDocProperties& d, const SiteTree& tree) {
    return folio::SiteToBytes(d, tree, "C:\\homepage", "");
}

std::string Le32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
            static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
}

// A node record with short fields, as the reader expects it after an opcode.
std::string ItemRecord(std::int32_t type, const std::string& tag) {
    std::string r;
    r += '\x02';
    r += "hi";
    r += Le32(type);
    r += '\x01';
    r += "T";
    r += Le32(0) + Le32(0) + Le32(0);         // styles, stamp
    r += std::string(1, '\0') + Le32(0);      // background, expiry
    r += std::string(2, '\0');                // icon, line image
    r += Le32(0) + Le32(0) + Le32(0xFFFFFF);  // new, text, background colours
    r += Le32(0xFF0000) + Le32(0x00FF00);     // link colours
    r += '\x07';
    r += "Default";
    r += Le32(0) + Le32(0);  // construction, updated
    r += static_cast<char>(tag.size());
    r += tag;
    r += Le32(1) + Le32(0);  // images
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT-DIR\n", argv[0]);
        return 2;
    }
    g_out = argv[1];
    std::filesystem::create_directories(g_out);
    const CDocProperties d;

    // A new document saved at once.
    SiteTree fresh;
    fresh.Insert(nullptr, InsertWhere::AtFirst(), "Index", folio::NewRootNode(d, 900000000));
    const std::string newDoc = Bytes(d, fresh);
    Save("new-document.fol", newDoc);

    // Index with A (page, child paragraph A1) and B (link): 1 Index 2 A 2 A1 4 5 B 4 4 0.
    SiteTree small;
    SiteItem* index =
        small.Insert(nullptr, InsertWhere::AtFirst(), "Index", folio::NewRootNode(d, 900000000));
    SiteItem* a = Add(small, index, d, folio::NODE_PAGE, "A", "Page A", "Text of A\r\nline 2");
    Add(small, a, d, folio::NODE_PARAGRAPH, "A1", "Section", "<b>bold</b> \xE9t\xE9");
    Add(small, index, d, folio::NODE_LINK, "B", "Link\r\nhttp://example.com/", "");
    const std::string example = Bytes(d, small);
    Save("example-stream.fol", example);

    // Strings at the prefix boundaries, expired banners and odd flags.
    SiteTree edges;
    SiteItem* root =
        edges.Insert(nullptr, InsertWhere::AtFirst(), "Index", folio::NewRootNode(d, 900000000));
    Add(edges, root, d, folio::NODE_PARAGRAPH, "p254", "254", std::string(254, 'x'));
    Add(edges, root, d, folio::NODE_PARAGRAPH, "p255", "255", std::string(255, 'y'));
    SiteItem* old = Add(edges, root, d, folio::NODE_PAGE, "old", "Expired", "");
    old->Node()->m_Info.m_nExpireDays = 1;
    old->Node()->m_Info.m_bNew = 7;
    old->Node()->m_Info.m_bUpdated = -1;
    old->Node()->m_tStamp = 10;
    Add(edges, root, d, folio::NODE_PAGE, "odd", "odd kind", "")->Node()->m_nType = 9;
    Save("prefix-boundaries.fol", Bytes(d, edges));

    // One string of 65534 bytes: the seven-byte prefix.
    SiteTree big;
    big.Insert(nullptr, InsertWhere::AtFirst(), "Index", folio::NewRootNode(d, 900000000))
        ->Node()
        ->m_strText.assign(65534, 'z');
    Save("long-prefix.fol", Bytes(d, big));

    // A chain of nested pages.
    SiteTree chain;
    SiteItem* cur = nullptr;
    for (int i = 0; i < 40; ++i) {
        cur = Add(chain, cur, d, folio::NODE_PAGE, "c" + std::to_string(i), "", "");
    }
    Save("chain.fol", Bytes(d, chain));

    // Cut short: inside the properties, inside a node record, before the generate settings.
    Save("cut-properties.fol", example.substr(0, 40));
    Save("cut-node.fol", example.substr(0, example.size() / 2));
    Save("cut-settings.fol", example.substr(0, example.size() - 4));

    // Hand-made tree streams after the properties of the new document.
    std::string props;
    {
        folio::ArchiveWriter ar([&props](std::string_view block) { props.append(block); });
        folio::WriteProperties(ar, d);
        ar.Flush();
    }
    const std::string settings = std::string("\x0B") + "C:\\homepage" + std::string(1, '\0');
    auto stream = [&](const std::string& name, const std::string& tree) {
        Save(name, props + tree + settings);
    };
    // Odd opcodes read an item like 3; a climb with nothing read yet; a child with no parent.
    stream("odd-opcodes.fol", Le32(1) + ItemRecord(0, "r") + Le32(7) + ItemRecord(1, "x") +
                                  Le32(-1) + ItemRecord(2, "y") + Le32(4) + Le32(4) + Le32(4) +
                                  Le32(0));
    stream("climb-first.fol",
           Le32(4) + Le32(2) + ItemRecord(0, "a") + Le32(5) + ItemRecord(1, "b") + Le32(0));
    stream("two-roots.fol", Le32(1) + ItemRecord(0, "r1") + Le32(1) + ItemRecord(0, "r0") +
                                Le32(2) + ItemRecord(2, "k") + Le32(4) + Le32(4) + Le32(0));
    // String prefixes the reader refuses: wide characters, and lengths beyond the file.
    Save("wide-prefix.fol", std::string("\xFF\xFE\xFF\x02", 4) + "hi");
    Save("oversized-16.fol", std::string("\xFF\x00\x40", 3) + "abc");
    Save("oversized-32.fol", std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7) + "abc");
    // Bytes after the generate settings are ignored.
    Save("trailing-bytes.fol", newDoc + "junk");
    return 0;
}
