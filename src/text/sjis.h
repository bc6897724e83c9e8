// Shift-JIS (code page 932) byte-string helpers. All program text is held as
// Shift-JIS bytes; widths and positions count bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarnik::text {

// First byte of a double-byte character: 0x81..0x9F or 0xE0..0xFC.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Length in bytes of the character starting at pos (1 or 2). A lead byte at the
// very end of the text is one byte: nothing is read past the end.
inline std::size_t CharLength(std::string_view s, std::size_t pos) {
    return (IsLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size()) ? 2 : 1;
}

// Appends blanks until text is n bytes long (nothing when already as long or longer).
std::string PadRight(std::string text, std::ptrdiff_t n);

// text followed by n copies of piece (text unchanged when n <= 0).
std::string RepeatText(std::string text, std::string_view piece, std::ptrdiff_t n);

// Removes the last character when it is a single-byte path separator ("/");
// the second byte of a double-byte character never counts.
std::string RemoveTrailingSlash(std::string path);

constexpr unsigned char AsciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Byte-wise equality folding ASCII letters only.
bool EqualsNoCase(std::string_view a, std::string_view b);

// 1-based byte position of the first occurrence of word in text ignoring ASCII
// letter case, or 0. The search steps by characters: a match never begins at the
// second byte of a double-byte character. Also finds the word inside longer words.
std::size_t FindNoCase(std::string_view text, std::string_view word);

// Length of the UTF-8 character at pos; a byte that starts no valid sequence is one.
std::size_t Utf8CharLength(std::string_view s, std::size_t pos);

// Length of the well-formed UTF-8 sequence at pos (1 for ASCII, up to 4), or 0
// when none starts there: a stray continuation byte, an overlong form, a
// surrogate, a code point above U+10FFFF, or a sequence cut off by the end.
std::size_t WellFormedUtf8Length(std::string_view s, std::size_t pos);

// Length of what one replacement character stands for at pos: a well-formed
// sequence whole, else its maximal subpart, the longest start of a well-formed
// sequence found there (Unicode's practice for U+FFFD substitution, also the W3C
// Encoding Standard's): "\xE3\x81" cut short is one, the overlong "\xC0\xAF" and
// the surrogate "\xED\xA0\x80" are one per byte, as no well-formed sequence starts
// so. At least 1.
std::size_t MaximalSubpartLength(std::string_view s, std::size_t pos);

// The number of bytes below 0x80 from pos on. Source text is mostly ASCII, so 32
// bytes, then eight, are looked at together; text dense with Japanese asks after
// every character, where mostly there is none, which is answered inline.
std::size_t AsciiRunOfMany(std::string_view s, std::size_t pos);
inline std::size_t AsciiRun(std::string_view s, std::size_t pos) {
    if (pos < s.size() && static_cast<unsigned char>(s[pos]) >= 0x80) return 0;
    return AsciiRunOfMany(s, pos);
}
// Whether every byte is below 0x80.
inline bool IsAscii(std::string_view s) { return AsciiRun(s, 0) == s.size(); }

// Replaces each byte 0x00-0x1F and 0x7F by "?", so that a name shown in a report,
// a message or on a terminal cannot break its line or send control sequences.
// Neither Shift-JIS nor UTF-8 uses those bytes inside a longer character.
void MaskControlBytes(std::string& text);

// Code page 932 -> UTF-8. Never fails: a byte (or pair) that cannot be mapped
// becomes U+FFFD.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 -> code page 932. Each character code page 932 cannot hold becomes one
// "?"; an invalid UTF-8 byte becomes one "?" too.
std::string Utf8ToSjis(std::string_view utf8);

// UTF-8 source text into out (room bytes) with no allocation: as Utf8ToSjis, but
// "¥" and "‾" become the full-width "￥" and "￣" (code page 932 would make them the
// ASCII "\" and "~"), and each character code page 932 cannot hold and each
// maximal subpart of a broken sequence (MaximalSubpartLength) becomes one
// replacement. Stops where the next character would not fit; says how far it read
// and how much it wrote. With stopAtBroken it also stops at the first byte that
// starts no well-formed character, and says so (Broken).
struct ConvertedSpan {
    std::size_t Read = 0, Written = 0;
    bool Broken = false;
};
ConvertedSpan Utf8ToSjisInto(std::string_view utf8, std::string_view replacement, char* out, std::size_t room,
                             bool stopAtBroken = false);

}  // namespace zarnik::text
