// Image maps, GIF picture sizes and the page writer.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "generator/Generator.h"

namespace folio {

namespace {

// The reading unit of image map files.
constexpr std::size_t kMapPieceSize = 511;

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (fields.size() < 4) {
        i = line.find_first_not_of(" \t\r\v\f", i);
        if (i == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t\r\v\f", i), line.size());
        fields.push_back(line.substr(i, end - i));
        i = end;
    }
    return fields;
}

}  // namespace

bool PageGenerator::ReadImageMap(std::string& picture, std::string& expansion,
                                 std::string& mapAttr) {
    const std::uint32_t number = ++env_.program.mapCounter;
    if (picture.size() < 4 || !EndsWithNoCase(picture, ".map")) return false;
    const std::string name = "imagemap" + std::to_string(number);
    const std::string* text = CachedText(picture);
    if (!text) {
        AppendLog("*** Unable to open Image Map file: " + picture);
        return false;
    }
    expansion += "<MAP NAME=\"" + name + "\">\n";
    mapAttr = " ismap USEMAP=\"#" + name + "\"";

    std::string folder;
    const std::string_view all = *text;
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t limit = std::min(pos + kMapPieceSize, all.size());
        std::size_t end = all.find('\n', pos);
        std::size_t next = end + 1;
        if (end == std::string_view::npos || end >= limit) end = next = limit;
        const std::string_view line = all.substr(pos, end - pos);
        pos = next;

        if (line.starts_with("#$PATH:")) {
            folder.assign(line.substr(7));
        } else if (line.starts_with("#$GIF:")) {
            folder.append(line.substr(6));
            picture = folder;
        } else {
            const std::vector<std::string_view> f = Fields(line);
            if (f.size() < 2 || f[0] != "rect") continue;
            std::string target = StripMapTarget(f[1]);
            const std::size_t dot = target.rfind('.');
            if (ext_ == ".html" && dot != std::string::npos && target.size() - dot == 4 &&
                EndsWithNoCase(target, ".htm")) {
                target = target.substr(0, dot) + ".html";
            }
            expansion += "<AREA SHAPE=RECT COORDS=\"";
            if (f.size() > 2) expansion += f[2];
            expansion += ",";
            if (f.size() > 3) expansion += f[3];
            expansion += "\" HREF=" + target + ">\n";
        }
    }
    expansion += "</MAP>\n";
    return true;
}

std::string PageGenerator::GetGifSizeAttr(std::string_view path) {
    if (path.size() < 4 || !EndsWithNoCase(path, ".gif")) return {};
    const std::string key(path);
    if (const auto it = gifSizes_.find(key); it != gifSizes_.end()) return it->second;
    std::string& attr = gifSizes_[key];
    std::string header;
    // A file too short to hold both fields has no size to tell.
    if (!env_.files.ReadPrefix(path, 10, header) || header.size() < 10) return attr;
    auto byte = [&](std::size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(header[i]));
    };
    const unsigned width = byte(6) | byte(7) << 8;
    const unsigned height = byte(8) | byte(9) << 8;
    attr = " width=" + std::to_string(width) + " height=" + std::to_string(height) + " ";
    return attr;
}

namespace {

// The entity a byte is written as, or null when it stands for itself.
const char* EntityOf(unsigned char c) {
    switch (c) {
        case 0xC5:
            return "&Aring;";
        case 0xC6:
            return "&AElig;";
        case 0xD8:
            return "&Oslash;";
        case 0xE5:
            return "&aring;";
        case 0xE6:
            return "&aelig;";
        case 0xF8:
            return "&oslash;";
        default:
            return nullptr;
    }
}

// Appends `text` with the entities, and each LF as CR LF when `crlf` is set. Pages are written
// through here, so the bytes that stand for themselves are copied in runs.
void AppendHtml(std::string& out, std::string_view text, bool crlf) {
    out.reserve(out.size() + text.size() + text.size() / 16 + 16);
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    std::size_t from = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        // (The byte order of the word decides which byte is lowest: little-endian hosts only.)
        if (std::endian::native == std::endian::little && i + 8 <= text.size()) {
            // Eight bytes at a time: the high bit of each byte that is a line feed or above 127.
            // The lowest marked byte is exact (only bytes above a line feed can be marked
            // wrongly), so the bytes below it are passed over.
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, sizeof word);
            const std::uint64_t lf = word ^ (kOnes * '\n');
            const std::uint64_t marks = (word | ((lf - kOnes) & ~lf)) & kHigh;
            if (marks == 0) {
                i += 8;
                continue;
            }
            i += static_cast<std::size_t>(std::countr_zero(marks)) / 8;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        const char* replacement = nullptr;
        if (c == '\n') {
            if (crlf) replacement = "\r\n";
        } else if (c >= 0xC5) {
            replacement = EntityOf(c);
        }
        if (replacement) {
            out.append(text.substr(from, i - from));
            out += replacement;
            from = i + 1;
        }
        ++i;
    }
    out.append(text.substr(from));
}

}  // namespace

std::string HtmlEntities(std::string_view text) {
    std::string out;
    AppendHtml(out, text, false);
    return out;
}

void WriteHtml(AtomicFile& file, std::string_view text) {
    std::string out;
    AppendHtml(out, text, true);
    file.Write(out);
}

}  // namespace folio
