#include "platform/win/ShellLink.h"

#include <optional>

namespace folio::win {

namespace {

// {00021401-0000-0000-C000-000000000046} in its stored byte order.
const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasName = 0x4;
constexpr std::uint32_t kHasRelativePath = 0x8;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kHasArguments = 0x20;
constexpr std::uint32_t kHasIconLocation = 0x40;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kHasTargetIdList = 0x1;
constexpr std::uint32_t kHeaderSize = 0x4c;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kShowNormal = 1;

void Put(std::string& out, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}

void PutCountedString(std::string& out, std::string_view s) {
    const std::size_t n = std::min<std::size_t>(s.size(), 0xffff);
    Put(out, n, 2);
    out.append(s.substr(0, n));
}

std::optional<std::uint64_t> Get(std::string_view b, std::size_t at, int width) {
    if (at > b.size() || b.size() - at < static_cast<std::size_t>(width)) return std::nullopt;
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    }
    return v;
}

}  // namespace

std::string BuildShellLink(const ShellLinkData& link) {
    std::uint32_t flags = kHasLinkInfo;
    if (!link.description.empty()) flags |= kHasName;
    if (!link.workingDir.empty()) flags |= kHasWorkingDir;

    std::string out;
    Put(out, kHeaderSize, 4);
    out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
    Put(out, flags, 4);
    Put(out, link.targetAttributes, 4);
    Put(out, link.targetCreation, 8);
    Put(out, link.targetAccess, 8);
    Put(out, link.targetWrite, 8);
    Put(out, link.targetSize, 4);
    Put(out, 0, 4);            // icon index
    Put(out, kShowNormal, 4);  // show command
    Put(out, 0, 2);            // hot key
    out.append(10, '\0');      // reserved

    // Link info: header (28 bytes), volume id, local base path, common path suffix.
    std::string volume;
    Put(volume, 0, 4);  // size, patched below
    Put(volume, kDriveFixed, 4);
    Put(volume, 0, 4);     // drive serial number
    Put(volume, 0x10, 4);  // volume label offset
    volume += '\0';        // empty label
    volume[0] = static_cast<char>(volume.size());

    constexpr std::uint32_t kInfoHeader = 0x1c;
    const auto volumeOffset = kInfoHeader;
    const auto baseOffset = static_cast<std::uint32_t>(volumeOffset + volume.size());
    const auto suffixOffset = static_cast<std::uint32_t>(baseOffset + link.target.size() + 1);
    const auto infoSize = suffixOffset + 1;
    Put(out, infoSize, 4);
    Put(out, kInfoHeader, 4);
    Put(out, 1, 4);  // VolumeIDAndLocalBasePath
    Put(out, volumeOffset, 4);
    Put(out, baseOffset, 4);
    Put(out, 0, 4);  // no network relative link
    Put(out, suffixOffset, 4);
    out += volume;
    out += link.target;
    out += '\0';
    out += '\0';  // empty common path suffix

    if (flags & kHasName) PutCountedString(out, link.description);
    if (flags & kHasWorkingDir) PutCountedString(out, link.workingDir);
    Put(out, 0, 4);  // terminal block
    return out;
}

bool ParseShellLink(std::string_view b, ShellLinkData& link, std::string& error) {
    auto fail = [&](std::size_t at, const char* what) {
        error = "offset " + std::to_string(at) + ": " + what;
        return false;
    };
    const auto headerSize = Get(b, 0, 4);
    if (!headerSize || *headerSize != kHeaderSize ||
        b.substr(4, 16) != std::string_view(reinterpret_cast<const char*>(kLinkClsid), 16)) {
        return fail(0, "not a shell link header");
    }
    const auto flags = static_cast<std::uint32_t>(*Get(b, 20, 4));
    if (flags & kIsUnicode) return fail(20, "Unicode links are not supported");
    ShellLinkData out;
    out.targetAttributes = static_cast<Dword>(*Get(b, 24, 4));
    out.targetCreation = *Get(b, 28, 8);
    out.targetAccess = *Get(b, 36, 8);
    out.targetWrite = *Get(b, 44, 8);
    out.targetSize = static_cast<std::uint32_t>(*Get(b, 52, 4));
    std::size_t pos = kHeaderSize;
    if (flags & kHasTargetIdList) {
        const auto n = Get(b, pos, 2);
        if (!n) return fail(pos, "truncated item id list");
        pos += 2 + *n;
    }
    if (flags & kHasLinkInfo) {
        const auto size = Get(b, pos, 4);
        const auto infoFlags = Get(b, pos + 8, 4);
        const auto baseOffset = Get(b, pos + 16, 4);
        if (!size || !infoFlags || !baseOffset || *size > b.size() - pos) {
            return fail(pos, "truncated link info");
        }
        if (*infoFlags & 1) {
            const std::string_view info = b.substr(pos, *size);
            const std::size_t end = info.find('\0', *baseOffset);
            if (*baseOffset >= info.size() || end == std::string_view::npos) {
                return fail(pos, "bad local base path");
            }
            out.target.assign(info.substr(*baseOffset, end - *baseOffset));
        }
        pos += *size;
    }
    for (std::uint32_t bit :
         {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation}) {
        if (!(flags & bit)) continue;
        const auto n = Get(b, pos, 2);
        if (!n || *n > b.size() - pos - 2) return fail(pos, "truncated string");
        const std::string s(b.substr(pos + 2, *n));
        if (bit == kHasName) out.description = s;
        if (bit == kHasWorkingDir) out.workingDir = s;
        pos += 2 + *n;
    }
    link = std::move(out);
    return true;
}

}  // namespace folio::win
