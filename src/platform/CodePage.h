// Conversion between the program's 8-bit Windows-1252 text and UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace folio {

// Every byte maps to one code point: 0x00-0x7F and 0xA0-0xFF to themselves, 0x80-0x9F to the
// Windows-1252 letters and marks; the five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value, so any byte string survives a round trip.
std::string Cp1252ToUtf8(std::string_view text);

// The inverse. Fails on malformed UTF-8 and on a character Windows-1252 cannot hold; then
// `badOffset` (if given) receives the byte offset of the offending sequence in `utf8`.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8, std::size_t* badOffset = nullptr);

// Case folding of a Windows-1252 byte for comparisons that ignore case (A-Z and the accented
// capitals, as the system's own comparison does).
unsigned char Cp1252ToLower(unsigned char c);

// Turns A-Z into a-z and leaves every other byte as it is (file names and tags are lowercased
// this way, accented capitals included as they are).
void LowerAscii(std::string& text);

// Compares two Windows-1252 strings without regard to case: <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace folio
