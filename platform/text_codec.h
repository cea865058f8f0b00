// Shift-JIS (code page 932) is the program's text; the host speaks UTF-8.
// Conversion happens only at the edges: file names on disk, fonts, titles.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

inline bool IsSjisLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool IsSjisTrailByte(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Code page 932 to UTF-8. Bytes that do not convert are kept as they are
// and *ok (when given) is set false.
std::string SjisToUtf8(std::string_view sjis, bool* ok = nullptr);

// Code page 932 to UTF-8 for showing: bytes that do not convert become
// U+FFFD, so the result is always well-formed UTF-8.
std::string SjisToShownUtf8(std::string_view sjis);

// UTF-8 to code page 932. Characters that code page 932 lacks become "?"
// and *ok (when given) is set false.
std::string Utf8ToSjis(std::string_view utf8, bool* ok = nullptr);

}  // namespace plat
