#include "CodePage.h"

#include <array>
#include <cstdint>

namespace folio {
namespace {

// Code points of the bytes 0x80 to 0x9F. The undefined ones keep their own value.
constexpr std::array<std::uint16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

std::uint32_t CodePointOf(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F) return kHigh[c - 0x80];
    return c;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::optional<unsigned char> ByteOf(std::uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == cp) return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char ch : text) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(ch)));
    return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8, std::size_t* badOffset) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    auto fail = [&](std::size_t at) -> std::optional<std::string> {
        if (badOffset) *badOffset = at;
        return std::nullopt;
    };
    while (i < utf8.size()) {
        const std::size_t start = i;
        const auto b0 = static_cast<unsigned char>(utf8[i++]);
        std::uint32_t cp = 0;
        int more = 0;
        if (b0 < 0x80) {
            out += static_cast<char>(b0);
            continue;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1Fu;
            more = 1;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0Fu;
            more = 2;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07u;
            more = 3;
        } else {
            return fail(start);
        }
        for (int k = 0; k < more; ++k) {
            if (i >= utf8.size()) return fail(start);
            const auto b = static_cast<unsigned char>(utf8[i++]);
            if ((b & 0xC0) != 0x80) return fail(start);
            cp = (cp << 6) | (b & 0x3Fu);
        }
        // Overlong forms are malformed.
        static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[more]) return fail(start);
        const auto byte = ByteOf(cp);
        if (!byte) return fail(start);
        out += static_cast<char>(*byte);
    }
    return out;
}

unsigned char Cp1252ToLower(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    switch (c) {
        case 0x8A:
            return 0x9A;  // S caron
        case 0x8C:
            return 0x9C;  // OE
        case 0x8E:
            return 0x9E;  // Z caron
        case 0x9F:
            return 0xFF;  // Y diaeresis
        default:
            return c;
    }
}

void LowerAscii(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = Cp1252ToLower(static_cast<unsigned char>(a[i]));
        const int cb = Cp1252ToLower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace folio
