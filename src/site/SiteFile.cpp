#include "site/SiteFile.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/FileIo.h"

namespace folio {
namespace {

constexpr std::size_t kBlock = 1 << 16;

std::uint32_t LoadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreLe32(std::string& out, std::uint32_t v) {
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF),
                           static_cast<char>((v >> 24) & 0xFF)};
    out.append(bytes, 4);
}

}  // namespace

// ---- reading

ArchiveReader::ArchiveReader(std::string_view bytes)
    : size_(bytes.size()),
      begin_(bytes.data()),
      pos_(bytes.data()),
      end_(bytes.data() + bytes.size()) {}

ArchiveReader::ArchiveReader(std::FILE* file, std::uint64_t size) : file_(file), size_(size) {
    buffer_.resize(kBlock);
    begin_ = pos_ = end_ = buffer_.data();
}

void ArchiveReader::Need(std::size_t n, const char* what) {
    if (static_cast<std::size_t>(end_ - pos_) >= n) return;
    if (Remaining() < n) {
        throw ArchiveError(Offset(), std::string("unexpected end of file in ") + what);
    }
    if (!file_) throw ArchiveError(Offset(), std::string("unexpected end of data in ") + what);
    // Keep the unread tail and refill behind it.
    const std::size_t tail = static_cast<std::size_t>(end_ - pos_);
    consumed_ += static_cast<std::uint64_t>(pos_ - begin_);
    if (buffer_.size() < n) buffer_.resize(n);
    std::memmove(buffer_.data(), pos_, tail);
    const std::size_t want = buffer_.size() - tail;
    const std::size_t got = std::fread(buffer_.data() + tail, 1, want, file_);
    begin_ = pos_ = buffer_.data();
    end_ = buffer_.data() + tail + got;
    if (tail + got < n) {
        throw ArchiveError(Offset(), std::string(std::ferror(file_) ? std::strerror(errno)
                                                                    : "unexpected end of file") +
                                         " in " + what);
    }
}

void ArchiveReader::ReadBytes(void* out, std::size_t n, const char* what) {
    Need(n, what);
    std::memcpy(out, pos_, n);
    pos_ += n;
}

std::int32_t ArchiveReader::ReadInt() {
    unsigned char b[4];
    ReadBytes(b, 4, "a 32-bit value");
    return static_cast<std::int32_t>(LoadLe32(b));
}

std::string ArchiveReader::ReadString() {
    const std::uint64_t start = Offset();
    unsigned char b[4];
    ReadBytes(b, 1, "a string length");
    std::uint64_t length = b[0];
    if (length == 0xFF) {
        ReadBytes(b, 2, "a string length");
        length = static_cast<std::uint64_t>(b[0] | b[1] << 8);
        if (length == 0xFFFE) {
            throw ArchiveError(start, "wide-character string (prefix FF FE FF) is not supported");
        }
        if (length == 0xFFFF) {
            ReadBytes(b, 4, "a string length");
            length = LoadLe32(b);
        }
    }
    if (length > Remaining()) {
        throw ArchiveError(start, "string of " + std::to_string(length) + " bytes, but only " +
                                      std::to_string(Remaining()) + " bytes remain");
    }
    std::string text;
    text.resize(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < text.size()) {
        // Large strings are copied block by block, never needing a buffer as large as they are.
        if (pos_ == end_) Need(1, "a string");
        const std::size_t chunk =
            std::min(text.size() - done, static_cast<std::size_t>(end_ - pos_));
        std::memcpy(text.data() + done, pos_, chunk);
        pos_ += chunk;
        done += chunk;
    }
    return text;
}

// ---- writing

ArchiveWriter::ArchiveWriter(Sink sink) : sink_(std::move(sink)) { buffer_.reserve(kBlock + 8); }

ArchiveWriter::~ArchiveWriter() = default;

void ArchiveWriter::WriteInt(std::int32_t value) {
    StoreLe32(buffer_, static_cast<std::uint32_t>(value));
    if (buffer_.size() >= kBlock) Flush();
}

std::string StringPrefix(std::size_t length) {
    std::string p;
    if (length < 0xFF) {
        p += static_cast<char>(length);
    } else if (length < 0xFFFE) {
        p += '\xFF';
        p += static_cast<char>(length & 0xFF);
        p += static_cast<char>((length >> 8) & 0xFF);
    } else {
        p += "\xFF\xFF\xFF";
        StoreLe32(p, static_cast<std::uint32_t>(length));
    }
    return p;
}

void ArchiveWriter::WriteString(std::string_view text) {
    buffer_ += StringPrefix(text.size());
    if (buffer_.size() + text.size() >= kBlock) {
        Flush();
        if (text.size() >= kBlock) {
            sink_(text);
            return;
        }
    }
    buffer_.append(text);
}

void ArchiveWriter::Flush() {
    if (buffer_.empty()) return;
    sink_(buffer_);
    buffer_.clear();
}

// ---- records

void WriteProperties(ArchiveWriter& ar, const CDocProperties& p) {
    ar.WriteString(p.m_strAuthor);
    ar.WriteString(p.m_strBgBitmap);
    ar.WriteString(p.m_strEmail);
    ar.WriteInt(p.m_nExpireDays);
    ar.WriteString(p.m_strImage);
    ar.WriteString(p.m_strLineImage);
    ar.WriteInt(p.m_bNew);
    ar.WriteInt(p.m_bUpdated);
    ar.WriteInt(static_cast<std::int32_t>(p.m_crText));
    ar.WriteInt(static_cast<std::int32_t>(p.m_crBackground));
    ar.WriteInt(static_cast<std::int32_t>(p.m_crLink));
    ar.WriteInt(static_cast<std::int32_t>(p.m_crVisitedLink));
    ar.WriteString(p.m_strLinkBullet);
    ar.WriteInt(p.m_bConstruction);
    ar.WriteString(p.m_strHomeButton);
    ar.WriteString(p.m_strTemplate);
    ar.WriteString(p.m_strBackButton);
    ar.WriteString(p.m_strUpButton);
    ar.WriteString(p.m_strConstructionImage);
    ar.WriteString(p.m_strNewImage);
    ar.WriteString(p.m_strUpdatedImage);
    for (COLORREF c : p.m_crCustom) ar.WriteInt(static_cast<std::int32_t>(c));
}

void ReadProperties(ArchiveReader& ar, CDocProperties& p) {
    p.m_strAuthor = ar.ReadString();
    p.m_strBgBitmap = ar.ReadString();
    p.m_strEmail = ar.ReadString();
    p.m_nExpireDays = ar.ReadInt();
    p.m_strImage = ar.ReadString();
    p.m_strLineImage = ar.ReadString();
    p.m_bNew = ar.ReadInt();
    p.m_bUpdated = ar.ReadInt();
    p.m_crText = static_cast<COLORREF>(ar.ReadInt());
    p.m_crBackground = static_cast<COLORREF>(ar.ReadInt());
    p.m_crLink = static_cast<COLORREF>(ar.ReadInt());
    p.m_crVisitedLink = static_cast<COLORREF>(ar.ReadInt());
    p.m_strLinkBullet = ar.ReadString();
    p.m_bConstruction = ar.ReadInt();
    p.m_strHomeButton = ar.ReadString();
    p.m_strTemplate = ar.ReadString();
    p.m_strBackButton = ar.ReadString();
    p.m_strUpButton = ar.ReadString();
    p.m_strConstructionImage = ar.ReadString();
    p.m_strNewImage = ar.ReadString();
    p.m_strUpdatedImage = ar.ReadString();
    for (COLORREF& c : p.m_crCustom) c = static_cast<COLORREF>(ar.ReadInt());
}

void WriteNode(ArchiveWriter& ar, const CNode& n) {
    ar.WriteString(n.m_strText);
    ar.WriteInt(n.m_nType);
    ar.WriteString(n.m_strName);
    ar.WriteInt(n.m_nTextStyle);
    ar.WriteInt(n.m_nNameStyle);
    ar.WriteInt(n.m_tStamp);
    const CDocInfo& i = n.m_Info;
    ar.WriteString(i.m_strBgBitmap);
    ar.WriteInt(i.m_nExpireDays);
    ar.WriteString(i.m_strIcon);
    ar.WriteString(i.m_strLineImage);
    ar.WriteInt(i.m_bNew);
    ar.WriteInt(static_cast<std::int32_t>(i.m_crText));
    ar.WriteInt(static_cast<std::int32_t>(i.m_crBackground));
    ar.WriteInt(static_cast<std::int32_t>(i.m_crLink));
    ar.WriteInt(static_cast<std::int32_t>(i.m_crVisitedLink));
    ar.WriteString(i.m_strTemplate);
    ar.WriteInt(i.m_bConstruction);
    ar.WriteInt(i.m_bUpdated);
}

void ReadNode(ArchiveReader& ar, CNode& n, std::int32_t now) {
    n.m_strText = ar.ReadString();
    n.m_nType = ar.ReadInt();
    n.m_strName = ar.ReadString();
    n.m_nTextStyle = ar.ReadInt();
    n.m_nNameStyle = ar.ReadInt();
    n.m_tStamp = ar.ReadInt();
    CDocInfo& i = n.m_Info;
    i.m_strBgBitmap = ar.ReadString();
    i.m_nExpireDays = ar.ReadInt();
    i.m_strIcon = ar.ReadString();
    i.m_strLineImage = ar.ReadString();
    i.m_bNew = ar.ReadInt();
    i.m_crText = static_cast<COLORREF>(ar.ReadInt());
    i.m_crBackground = static_cast<COLORREF>(ar.ReadInt());
    i.m_crLink = static_cast<COLORREF>(ar.ReadInt());
    i.m_crVisitedLink = static_cast<COLORREF>(ar.ReadInt());
    i.m_strTemplate = ar.ReadString();
    i.m_bConstruction = ar.ReadInt();
    i.m_bUpdated = ar.ReadInt();
    n.ApplyBannerExpiry(now);
}

namespace {

void WriteItem(ArchiveWriter& ar, const SiteItem* item) {
    WriteNode(ar, *item->Node());
    ar.WriteString(item->Label());
    ar.WriteInt(item->Image());
    ar.WriteInt(item->SelectedImage());
}

}  // namespace

void WriteTree(ArchiveWriter& ar, const SiteTree& tree) {
    ar.WriteInt(TREE_ROOT);
    const SiteItem* item = tree.Root();
    if (!item) {
        ar.WriteInt(TREE_END);
        return;
    }
    for (;;) {
        WriteItem(ar, item);
        if (item->FirstChild()) {
            ar.WriteInt(TREE_CHILD);
            item = item->FirstChild();
            continue;
        }
        if (item->Next()) {
            ar.WriteInt(TREE_NEXT);
            item = item->Next();
            continue;
        }
        for (;;) {
            item = item->Parent();
            ar.WriteInt(TREE_UP);
            if (!item) {
                ar.WriteInt(TREE_END);
                return;
            }
            if (item->Next()) {
                ar.WriteInt(TREE_NEXT_AFTER_UP);
                item = item->Next();
                break;
            }
        }
    }
}

void ReadTree(ArchiveReader& ar, SiteTree& tree, const CDocProperties& defaults, std::int32_t now) {
    SiteItem* parent = nullptr;  // null: the top level
    InsertWhere where = InsertWhere::AtFirst();
    SiteItem* last = nullptr;
    for (;;) {
        const std::int32_t op = ar.ReadInt();
        switch (op) {
            case TREE_END:
                return;
            case TREE_ROOT:
                parent = nullptr;
                where = InsertWhere::AtFirst();
                break;
            case TREE_CHILD:
                parent = last;
                where = InsertWhere::AtFirst();
                break;
            case TREE_UP:
                if (last) {
                    last = last->Parent();
                    if (last) parent = last->Parent();
                }
                where = InsertWhere::AtLast();
                continue;
            default:  // TREE_NEXT, TREE_NEXT_AFTER_UP and any other value
                break;
        }
        auto node = std::make_unique<CNode>(defaults, false);
        ReadNode(ar, *node, now);
        std::string label = ar.ReadString();
        ar.ReadInt();  // the image numbers are derived from the kind instead
        ar.ReadInt();
        last = tree.Insert(parent, where, std::move(label), std::move(node));
        where = InsertWhere::AfterItem(last);
    }
}

void WriteSite(ArchiveWriter& ar, const CDocProperties& properties, const SiteTree& tree,
               std::string_view destDir, std::string_view spare) {
    WriteProperties(ar, properties);
    WriteTree(ar, tree);
    ar.WriteString(destDir);
    ar.WriteString(spare);
    ar.Flush();
}

void ReadSite(ArchiveReader& ar, SiteContents& site, std::int32_t now) {
    ReadProperties(ar, site.properties);
    const std::uint64_t treeStart = ar.Offset();
    ReadTree(ar, site.tree, site.properties, now);
    // The writer announces the root with its first opcode, so a site without items could be
    // saved but never opened again: refuse it here rather than produce such a file later.
    if (!site.tree.Root()) {
        throw ArchiveError(treeStart, "the site has no items; a site needs at least its root page");
    }
    site.destDir = ar.ReadString();
    site.spare = ar.ReadString();
}

std::string SiteToBytes(const CDocProperties& properties, const SiteTree& tree,
                        std::string_view destDir, std::string_view spare) {
    std::string out;
    ArchiveWriter ar([&out](std::string_view block) { out.append(block); });
    WriteSite(ar, properties, tree, destDir, spare);
    return out;
}

bool LoadSiteFile(const std::filesystem::path& path, SiteContents& site, std::int32_t now,
                  std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = FileErrorMessage(path, errno);
        return false;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        std::fclose(f);
        error = path.string() + ": " + ec.message();
        return false;
    }
    bool ok = true;
    try {
        ArchiveReader ar(f, size);
        ReadSite(ar, site, now);
    } catch (const ArchiveError& e) {
        error = path.string() + ": offset " + std::to_string(e.Offset()) + ": " + e.what();
        ok = false;
    } catch (const std::bad_alloc&) {
        error = path.string() + ": not enough memory to read the site";
        ok = false;
    }
    std::fclose(f);
    return ok;
}

bool SaveSiteFile(const std::filesystem::path& path, const CDocProperties& properties,
                  const SiteTree& tree, std::string_view destDir, std::string_view spare,
                  std::string& error) {
    AtomicFile file;
    if (!file.Open(path, error)) return false;
    ArchiveWriter ar([&file](std::string_view block) { file.Write(block); });
    WriteSite(ar, properties, tree, destDir, spare);
    return file.Commit(error);
}

}  // namespace folio
