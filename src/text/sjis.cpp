#include "text/sjis.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace zarnik::text {

std::string PadRight(std::string text, std::ptrdiff_t n) {
    if (n > 0 && text.size() < static_cast<std::size_t>(n)) text.resize(static_cast<std::size_t>(n), ' ');
    return text;
}

std::string RepeatText(std::string text, std::string_view piece, std::ptrdiff_t n) {
    if (n <= 0) return text;
    text.reserve(text.size() + piece.size() * static_cast<std::size_t>(n));
    for (std::ptrdiff_t i = 0; i < n; ++i) text.append(piece);
    return text;
}

std::string RemoveTrailingSlash(std::string path) {
    std::size_t pos = 0, last = std::string::npos;
    while (pos < path.size()) {
        last = pos;
        pos += CharLength(path, pos);
    }
    if (last != std::string::npos && path.size() - last == 1 && path[last] == '/') path.pop_back();
    return path;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(static_cast<unsigned char>(a[i])) != AsciiLower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void MaskControlBytes(std::string& text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
}

std::size_t FindNoCase(std::string_view text, std::string_view word) {
    if (text.empty() || word.empty() || text.size() < word.size()) return 0;
    // Candidates step by characters, so no match begins at a trail byte.
    for (std::size_t i = 0; i + word.size() <= text.size();
         i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2u : 1u)
        if (EqualsNoCase(word, text.substr(i, word.size()))) return i + 1;
    return 0;
}

std::size_t WellFormedUtf8Length(std::string_view s, std::size_t pos) {
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]); };
    const unsigned char c = at(0);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;  // overlong below
        if (c == 0xED) hi = 0x9F;  // surrogates above
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF above
    } else {
        return 0;
    }
    if (s.size() - pos < n || at(1) < lo || at(1) > hi) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if ((at(i) & 0xC0) != 0x80) return 0;
    return n;
}

std::size_t MaximalSubpartLength(std::string_view s, std::size_t pos) {
    if (std::size_t n = WellFormedUtf8Length(s, pos)) return n;
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]); };
    const unsigned char c = at(0);
    std::size_t n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 1;  // a byte that starts no character: a stray continuation, C0, C1, F5..FF
    }
    if (s.size() - pos < 2 || at(1) < lo || at(1) > hi) return 1;
    std::size_t len = 2;
    while (len < n && len < s.size() - pos && (at(len) & 0xC0) == 0x80) ++len;
    return len;
}

std::size_t Utf8CharLength(std::string_view s, std::size_t pos) {
    auto c = static_cast<unsigned char>(s[pos]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (pos + n > s.size()) return 1;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return 1;
    return n;
}

std::size_t AsciiRunOfMany(std::string_view s, std::size_t pos) {
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    std::size_t i = pos;
    for (std::uint64_t w[4]; i + 32 <= s.size(); i += 32) {
        std::memcpy(w, s.data() + i, 32);
        if (((w[0] | w[1] | w[2] | w[3]) & kHigh) != 0) break;
    }
    for (std::uint64_t word; i + 8 <= s.size(); i += 8) {
        std::memcpy(&word, s.data() + i, 8);
        if ((word & kHigh) != 0) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i - pos;
}

namespace {

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))  // NOLINT(performance-no-int-to-ptr): iconv_open's error
            throw std::runtime_error("iconv cannot convert between CP932 and UTF-8");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in into out (room bytes), calling skip(in, pos) for the length of an
    // unconvertible run to drop and writing replacement in its place. Stops where
    // out is full.
    template <class Skip>
    ConvertedSpan RunInto(std::string_view in, std::string_view replacement, Skip skip, char* out,
                          std::size_t room) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::size_t pos = 0, written = 0;
        while (pos < in.size()) {
            char* src = const_cast<char*>(in.data() + pos);
            std::size_t srcLeft = in.size() - pos;
            char* dst = out + written;
            std::size_t dstLeft = room - written;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            int err = errno;
            written = static_cast<std::size_t>(dst - out);
            pos = static_cast<std::size_t>(src - in.data());
            if (r != static_cast<std::size_t>(-1)) continue;
            // EILSEQ or EINVAL: one character that cannot be converted.
            if (err == E2BIG || room - written < replacement.size()) break;
            replacement.copy(out + written, replacement.size());
            written += replacement.size();
            pos += skip(in, pos);
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return {pos, written};
    }

    template <class Skip>
    std::string Run(std::string_view in, std::string_view replacement, Skip skip) {
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        char buf[4096];
        while (!in.empty()) {
            ConvertedSpan span = RunInto(in, replacement, skip, buf, sizeof buf);
            out.append(buf, span.Written);
            in.remove_prefix(span.Read);
        }
        return out;
    }

private:
    iconv_t cd_;
};

std::size_t SjisSequenceLength(std::string_view s, std::size_t pos) {
    if (!IsLeadByte(static_cast<unsigned char>(s[pos])) || pos + 1 >= s.size()) return 1;
    auto t = static_cast<unsigned char>(s[pos + 1]);
    return (t >= 0x40 && t <= 0xFC && t != 0x7F) ? 2 : 1;
}

Converter& Utf8ToCp932() {
    thread_local Converter conv("CP932", "UTF-8");
    return conv;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
    thread_local Converter conv("UTF-8", "CP932");
    return conv.Run(sjis, "\xEF\xBF\xBD", SjisSequenceLength);
}

std::string Utf8ToSjis(std::string_view utf8) { return Utf8ToCp932().Run(utf8, "?", Utf8CharLength); }

namespace {

#include "cp932_table.inc"

// The code page 932 code of a character below U+10000 (kCp932Code's form: 0 when
// the code page cannot hold it).
inline unsigned Cp932Code(unsigned cp) { return kCp932Code[kCp932Block[cp >> 8]][cp & 0xFF]; }

// A character's code as source text takes it. No character becomes an ASCII byte
// it was not: "¥" and "‾", which code page 932 holds as "\" and "~" (an escape and
// an operator to every counter), become "￥" and "￣".
unsigned SourceCode(unsigned cp) {
    if (cp == 0xA5) return 0x818F;
    if (cp == 0x203E) return 0x8150;
    return Cp932Code(cp);
}

// The character at s[0] when it is well formed, below U+10000 and no ASCII (len
// bytes of it); else len 0.
struct Decoded {
    unsigned Cp = 0;
    std::size_t Len = 0;
};
inline Decoded DecodeBmp(const unsigned char* s, std::size_t left) {
    const unsigned c = s[0];
    // Three bytes, the common case of Japanese text; E0 and ED have narrower second bytes.
    if (c >= 0xE1 && c != 0xED && c <= 0xEF && left >= 3 && (s[1] & 0xC0) == 0x80 && (s[2] & 0xC0) == 0x80)
        return {((c & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu), 3};
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && (s[1] & 0xC0) == 0x80)
        return {((c & 0x1Fu) << 6) | (s[1] & 0x3Fu), 2};
    if ((c == 0xE0 || c == 0xED) && left >= 3 &&
        WellFormedUtf8Length({reinterpret_cast<const char*>(s), left}, 0) == 3)
        return {((c & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu), 3};
    return {};
}

// Converts the three-byte characters from pos on that become two bytes (most of
// Japanese text) and returns where the first other one stands: the plain case in
// a loop of its own, without the checks the rest needs. "‾" becomes one byte in
// the table, so it is left to SourceCode.
inline std::size_t ThreeByteRun(const unsigned char* s, std::size_t n, std::size_t pos, char* out,
                                std::size_t room, std::size_t& written) {
    while (n - pos >= 3 && room - written >= 2) {
        const unsigned c = s[pos], b1 = s[pos + 1], b2 = s[pos + 2];
        // E1..EC and EE..EF: any continuation bytes make a character.
        if (c - 0xE1u > 0xEu || c == 0xED || ((b1 & 0xC0u) | ((b2 & 0xC0u) >> 2)) != 0xA0u) break;
        const unsigned cp = ((c & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
        const unsigned code = Cp932Code(cp);
        if (code <= 0xFF) break;
        out[written] = static_cast<char>(code >> 8);
        out[written + 1] = static_cast<char>(code & 0xFF);
        written += 2;
        pos += 3;
    }
    return pos;
}

// The length of a character beyond U+FFFF at pos that the conversion leaves out
// (as iconv does the tags), else 0.
std::size_t DroppedLength(std::string_view s, std::size_t pos) {
    if (WellFormedUtf8Length(s, pos) != 4) return 0;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]) & 0x3Fu; };
    const unsigned cp =
        ((static_cast<unsigned char>(s[pos]) & 0x07u) << 18) | (at(1) << 12) | (at(2) << 6) | at(3);
    for (const auto& range : kCp932Dropped)
        if (cp >= range[0] && cp <= range[1]) return 4;
    return 0;
}

}  // namespace

ConvertedSpan Utf8ToSjisInto(std::string_view utf8, std::string_view replacement, char* out, std::size_t room,
                             bool stopAtBroken) {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t pos = 0, written = 0;
    while (pos < n) {
        if (s[pos] < 0x80) {
            const std::size_t ascii = std::min(AsciiRun(utf8, pos), room - written);
            if (ascii == 0) break;  // out is full
            std::memcpy(out + written, s + pos, ascii);
            pos += ascii;
            written += ascii;
            continue;
        }
        pos = ThreeByteRun(s, n, pos, out, room, written);
        if (pos == n || s[pos] < 0x80) continue;
        const Decoded d = DecodeBmp(s + pos, n - pos);
        const unsigned code = d.Len ? SourceCode(d.Cp) : 0;
        if (code > 0xFF) {
            if (room - written < 2) break;
            out[written] = static_cast<char>(code >> 8);
            out[written + 1] = static_cast<char>(code & 0xFF);
            written += 2;
            pos += d.Len;
        } else if (code != 0) {
            if (room - written < 1) break;
            out[written++] = static_cast<char>(code);
            pos += d.Len;
        } else if (const std::size_t dropped = d.Len ? 0 : DroppedLength(utf8, pos)) {
            if (written == room) break;
            pos += dropped;
        } else {
            // Code page 932 cannot hold it (also every other character beyond
            // U+FFFF), or no character starts here: one replacement for what one
            // stands for.
            if (stopAtBroken && WellFormedUtf8Length(utf8, pos) == 0) return {pos, written, true};
            if (room - written < replacement.size()) break;
            replacement.copy(out + written, replacement.size());
            written += replacement.size();
            pos += MaximalSubpartLength(utf8, pos);
        }
    }
    return {pos, written};
}

}  // namespace zarnik::text
