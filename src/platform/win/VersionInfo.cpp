#include "platform/win/VersionInfo.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace folio::win {

namespace {

constexpr Dword kRtVersion = 16;

std::optional<std::uint32_t> Le(std::string_view bytes, std::size_t offset, int width) {
    if (offset > bytes.size() || bytes.size() - offset < static_cast<std::size_t>(width)) {
        return std::nullopt;
    }
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return v;
}

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
};

// The file offset of a relative virtual address, when it lies in a section's file data.
std::optional<std::size_t> RvaToOffset(const std::vector<Section>& sections, std::uint32_t rva,
                                       std::uint32_t length) {
    for (const auto& s : sections) {
        const std::uint64_t size = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva - s.virtualAddress < size) {
            const std::uint64_t delta = rva - s.virtualAddress;
            if (delta + length > s.rawSize) return std::nullopt;
            return static_cast<std::size_t>(s.rawOffset + delta);
        }
    }
    return std::nullopt;
}

// The first entry of a resource directory whose id is `id` (any entry when `id` is absent).
// Yields the entry's OffsetToData field.
std::optional<std::uint32_t> FindEntry(std::string_view image, std::size_t dir,
                                       std::optional<Dword> id) {
    const auto named = Le(image, dir + 12, 2);
    const auto ids = Le(image, dir + 14, 2);
    if (!named || !ids) return std::nullopt;
    const std::uint32_t count = *named + *ids;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = dir + 16 + 8 * static_cast<std::size_t>(i);
        const auto name = Le(image, entry, 4);
        const auto data = Le(image, entry + 4, 4);
        if (!name || !data) return std::nullopt;
        if (!id || (!(*name & 0x80000000u) && *name == *id)) return data;
    }
    return std::nullopt;
}

}  // namespace

Dword FindVersionResource(std::string_view image, std::string& block) {
    const Dword notAnImage = ERROR_RESOURCE_TYPE_NOT_FOUND;
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') return notAnImage;
    const auto peOffset = Le(image, 0x3c, 4);
    if (!peOffset || *peOffset > image.size() ||
        image.substr(*peOffset, 4) != std::string_view("PE\0\0", 4)) {
        return notAnImage;
    }
    const std::size_t coff = *peOffset + 4;
    const auto sectionCount = Le(image, coff + 2, 2);
    const auto optionalSize = Le(image, coff + 16, 2);
    const std::size_t opt = coff + 20;
    const auto magic = Le(image, opt, 2);
    if (!sectionCount || !optionalSize || !magic) return notAnImage;
    std::size_t dirCountAt;
    if (*magic == 0x10b) {
        dirCountAt = opt + 92;
    } else if (*magic == 0x20b) {
        dirCountAt = opt + 108;
    } else {
        return notAnImage;
    }
    const auto dirCount = Le(image, dirCountAt, 4);
    if (!dirCount || dirCountAt + 4 + 8 * 3 > opt + *optionalSize) return notAnImage;

    std::vector<Section> sections;
    const std::size_t table = opt + *optionalSize;
    for (std::uint32_t i = 0; i < *sectionCount; ++i) {
        const std::size_t s = table + 40 * static_cast<std::size_t>(i);
        const auto vsize = Le(image, s + 8, 4);
        const auto vaddr = Le(image, s + 12, 4);
        const auto rsize = Le(image, s + 16, 4);
        const auto roff = Le(image, s + 20, 4);
        if (!vsize || !vaddr || !rsize || !roff) return notAnImage;
        sections.push_back({*vaddr, *vsize, *rsize, *roff});
    }

    if (*dirCount < 3) return ERROR_RESOURCE_DATA_NOT_FOUND;
    const auto rsrcRva = Le(image, dirCountAt + 4 + 16, 4);
    const auto rsrcSize = Le(image, dirCountAt + 4 + 20, 4);
    if (!rsrcRva || !rsrcSize || *rsrcRva == 0 || *rsrcSize == 0) {
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    }
    const auto rsrc = RvaToOffset(sections, *rsrcRva, 16);
    if (!rsrc) return ERROR_RESOURCE_DATA_NOT_FOUND;

    // Three levels: type, name, language. Offsets are relative to the resource section.
    std::optional<std::uint32_t> entry = FindEntry(image, *rsrc, kRtVersion);
    for (int level = 1; level < 3; ++level) {
        if (!entry || !(*entry & 0x80000000u)) return ERROR_RESOURCE_TYPE_NOT_FOUND;
        entry = FindEntry(image, *rsrc + (*entry & 0x7fffffffu), std::nullopt);
    }
    if (!entry || (*entry & 0x80000000u)) return ERROR_RESOURCE_TYPE_NOT_FOUND;
    const std::size_t dataEntry = *rsrc + *entry;
    const auto dataRva = Le(image, dataEntry, 4);
    const auto dataSize = Le(image, dataEntry + 4, 4);
    if (!dataRva || !dataSize) return ERROR_RESOURCE_TYPE_NOT_FOUND;
    const auto data = RvaToOffset(sections, *dataRva, *dataSize);
    if (!data || *data > image.size() || image.size() - *data < *dataSize) {
        return ERROR_RESOURCE_TYPE_NOT_FOUND;
    }
    block.assign(image.substr(*data, *dataSize));
    return ERROR_SUCCESS;
}

bool VerQueryFixedFileInfo(std::string_view block, VsFixedFileInfo& info) {
    // VS_VERSIONINFO: wLength, wValueLength, wType, the key "VS_VERSION_INFO" in UTF-16 with its
    // NUL, padding to a 32-bit boundary, then the fixed part.
    static const char kKey[] = "VS_VERSION_INFO";
    const auto length = Le(block, 0, 2);
    const auto valueLength = Le(block, 2, 2);
    if (!length || !valueLength || *length > block.size()) return false;
    std::size_t pos = 6;
    for (std::size_t i = 0; i < sizeof kKey; ++i) {
        const auto ch = Le(block, pos, 2);
        if (!ch || *ch != static_cast<unsigned char>(kKey[i])) return false;
        pos += 2;
    }
    pos = (pos + 3) & ~std::size_t{3};
    if (*valueLength < 52 || pos + 52 > *length) return false;
    Dword fields[13];
    for (std::size_t i = 0; i < 13; ++i) fields[i] = *Le(block, pos + 4 * i, 4);
    if (fields[0] != VS_FFI_SIGNATURE) return false;
    info = VsFixedFileInfo{fields[0],  fields[1],  fields[2], fields[3], fields[4],
                           fields[5],  fields[6],  fields[7], fields[8], fields[9],
                           fields[10], fields[11], fields[12]};
    return true;
}

}  // namespace folio::win
