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

std::size_t AsciiRun(std::string_view s, std::size_t pos) {
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

// "¥" (U+00A5) and "‾" (U+203E) at pos, with the Shift-JIS of their full-width
// forms "￥" and "￣"; Length 0 for anything else. Their first bytes never continue
// another character, so wherever they stand they start one.
struct FullWidth {
    std::size_t Length = 0;
    const char* Sjis = nullptr;
};
inline FullWidth FullWidthFor(std::string_view s, std::size_t pos) {
    const auto c = static_cast<unsigned char>(s[pos]);
    if (c == 0xC2 && s.size() - pos >= 2 && s[pos + 1] == '\xA5') return {2, "\x81\x8F"};
    if (c == 0xE2 && s.size() - pos >= 3 && s[pos + 1] == '\x80' && s[pos + 2] == '\xBE')
        return {3, "\x81\x50"};
    return {};
}

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
    // With sourceText, in is UTF-8 source text and the output a code in which ASCII
    // is the same: runs of ASCII are copied, and only the runs between them go
    // through iconv, which is slow per character. No character becomes an ASCII
    // byte it was not: "¥" and "‾", which code page 932 holds as "\" and "~" (an
    // escape and an operator to every counter), become "￥" and "￣".
    template <class Skip>
    ConvertedSpan RunInto(std::string_view in, std::string_view replacement, Skip skip, char* out,
                          std::size_t room, bool sourceText = false) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::size_t pos = 0, written = 0;
        while (pos < in.size()) {
            std::size_t end = in.size();
            if (sourceText) {
                const std::size_t ascii = std::min(AsciiRun(in, pos), room - written);
                std::memcpy(out + written, in.data() + pos, ascii);
                pos += ascii;
                written += ascii;
                if (pos == in.size() || written == room) break;
                if (static_cast<unsigned char>(in[pos]) < 0x80) break;  // out is full
                if (const FullWidth fw = FullWidthFor(in, pos); fw.Length) {
                    if (room - written < 2) break;
                    std::memcpy(out + written, fw.Sjis, 2);
                    written += 2;
                    pos += fw.Length;
                    continue;
                }
                end = pos + 1;
                while (end < in.size() && static_cast<unsigned char>(in[end]) >= 0x80 &&
                       !FullWidthFor(in, end).Length)
                    ++end;
            }
            char* src = const_cast<char*>(in.data() + pos);
            std::size_t srcLeft = end - pos;
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

ConvertedSpan Utf8ToSjisInto(std::string_view utf8, std::string_view replacement, char* out,
                             std::size_t room) {
    return Utf8ToCp932().RunInto(utf8, replacement, MaximalSubpartLength, out, room, true);
}

}  // namespace zarnik::text
