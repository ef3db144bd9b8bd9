// The ".FOL" site document: document defaults, the site tree as a stream of opcodes and item
// records, and the generate settings, in little-endian 32-bit integers and length-prefixed
// strings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "site/DocProperties.h"
#include "site/GenerateSettings.h"
#include "site/SiteTree.h"

namespace folio {

// Tree opcodes.
inline constexpr std::int32_t TREE_END = 0;
inline constexpr std::int32_t TREE_ROOT = 1;
inline constexpr std::int32_t TREE_CHILD = 2;
inline constexpr std::int32_t TREE_NEXT = 3;
inline constexpr std::int32_t TREE_UP = 4;
inline constexpr std::int32_t TREE_NEXT_AFTER_UP = 5;

// A site document that cannot be read: where and why.
class ArchiveError : public std::runtime_error {
  public:
    ArchiveError(std::uint64_t offset, const std::string& what)
        : std::runtime_error(what), offset_(offset) {}
    std::uint64_t Offset() const { return offset_; }

  private:
    std::uint64_t offset_;
};

// Reads values from a byte source of known size, through a buffer.
class ArchiveReader {
  public:
    // Over bytes held in memory.
    explicit ArchiveReader(std::string_view bytes);
    // Over an open file of `size` bytes, read in blocks.
    ArchiveReader(std::FILE* file, std::uint64_t size);

    std::int32_t ReadInt();
    std::string ReadString();
    std::uint64_t Offset() const { return consumed_ + static_cast<std::uint64_t>(pos_ - begin_); }
    std::uint64_t Remaining() const { return size_ - Offset(); }

  private:
    void Need(std::size_t n, const char* what);
    void ReadBytes(void* out, std::size_t n, const char* what);

    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t consumed_ = 0;  // bytes before the buffer's start
    std::string buffer_;
    const char* begin_ = nullptr;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
};

// Writes values into a buffer that is handed to `sink` in large blocks.
class ArchiveWriter {
  public:
    using Sink = std::function<void(std::string_view)>;
    explicit ArchiveWriter(Sink sink);
    ~ArchiveWriter();
    void WriteInt(std::int32_t value);
    void WriteString(std::string_view text);
    void Flush();

  private:
    Sink sink_;
    std::string buffer_;
};

// The string prefix for a length: 1, 3 or 7 bytes.
std::string StringPrefix(std::size_t length);

void WriteProperties(ArchiveWriter& ar, const CDocProperties& p);
void ReadProperties(ArchiveReader& ar, CDocProperties& p);
void WriteNode(ArchiveWriter& ar, const CNode& node);
// Loads every field of `node`, then applies the banner expiry at `now`.
void ReadNode(ArchiveReader& ar, CNode& node, std::int32_t now);
void WriteTree(ArchiveWriter& ar, const SiteTree& tree);
// Reads the opcode stream into `tree`, which should be empty. Nodes are built as "with no
// document" of `defaults` before their fields are read.
void ReadTree(ArchiveReader& ar, SiteTree& tree, const CDocProperties& defaults, std::int32_t now);

// A whole site as the file holds it.
struct SiteContents {
    CDocProperties properties;
    SiteTree tree;
    std::string destDir = kDefaultDestDir;
    std::string spare;
};

void WriteSite(ArchiveWriter& ar, const CDocProperties& properties, const SiteTree& tree,
               std::string_view destDir, std::string_view spare);
// Reads a whole site; `site` starts with the values that fields not in the file keep (none in
// a complete file). Like the original, bytes after the generate settings are ignored.
void ReadSite(ArchiveReader& ar, SiteContents& site, std::int32_t now);

// File-level helpers: the error message names the file and the byte offset.
bool LoadSiteFile(const std::filesystem::path& path, SiteContents& site, std::int32_t now,
                  std::string& error);
bool SaveSiteFile(const std::filesystem::path& path, const CDocProperties& properties,
                  const SiteTree& tree, std::string_view destDir, std::string_view spare,
                  std::string& error);
// The site as bytes, and back (for tests and conversions).
std::string SiteToBytes(const CDocProperties& properties, const SiteTree& tree,
                        std::string_view destDir, std::string_view spare);

}  // namespace folio
