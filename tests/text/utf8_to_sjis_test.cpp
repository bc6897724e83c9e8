// The table-driven UTF-8 source converter against the iconv-based one it replaced,
// kept here as the reference: the same bytes for every Unicode character, for
// every broken form and with the buffer filling at every point.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "text/sjis.h"

namespace zarnik::text {
namespace {

// "¥" and "‾" at pos: the Shift-JIS of "￥" and "￣" and their length.
std::pair<std::size_t, const char*> FullWidthAt(std::string_view s, std::size_t pos) {
    const auto c = static_cast<unsigned char>(s[pos]);
    if (c == 0xC2 && s.size() - pos >= 2 && s[pos + 1] == '\xA5') return {2, "\x81\x8F"};
    if (c == 0xE2 && s.size() - pos >= 3 && s[pos + 1] == '\x80' && s[pos + 2] == '\xBE')
        return {3, "\x81\x50"};
    return {0, nullptr};
}

// The converter as it was: ASCII copied, the runs between through iconv, one
// replacement per maximal subpart of what iconv refuses.
class IconvReference {
public:
    IconvReference() : cd_(iconv_open("CP932", "UTF-8")) {}
    ~IconvReference() { iconv_close(cd_); }
    IconvReference(const IconvReference&) = delete;
    IconvReference& operator=(const IconvReference&) = delete;

    ConvertedSpan Into(std::string_view in, std::string_view replacement, char* out, std::size_t room) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::size_t pos = 0, written = 0;
        while (pos < in.size()) {
            const std::size_t ascii = std::min(AsciiRun(in, pos), room - written);
            std::memcpy(out + written, in.data() + pos, ascii);
            pos += ascii;
            written += ascii;
            if (pos == in.size() || written == room) break;
            if (static_cast<unsigned char>(in[pos]) < 0x80) break;
            if (const auto [len, sjis] = FullWidthAt(in, pos); len) {
                if (room - written < 2) break;
                std::memcpy(out + written, sjis, 2);
                written += 2;
                pos += len;
                continue;
            }
            std::size_t end = pos + 1;
            while (end < in.size() && static_cast<unsigned char>(in[end]) >= 0x80 &&
                   !FullWidthAt(in, end).first)
                ++end;
            char* src = const_cast<char*>(in.data() + pos);
            std::size_t srcLeft = end - pos;
            char* dst = out + written;
            std::size_t dstLeft = room - written;
            const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            const int err = errno;
            written = static_cast<std::size_t>(dst - out);
            pos = static_cast<std::size_t>(src - in.data());
            if (r != static_cast<std::size_t>(-1)) continue;
            if (err == E2BIG || room - written < replacement.size()) break;
            replacement.copy(out + written, replacement.size());
            written += replacement.size();
            pos += MaximalSubpartLength(in, pos);
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return {pos, written};
    }

private:
    iconv_t cd_;
};

// The start of a text as a failure shows it, in hex.
std::string Shown(std::string_view text) {
    std::string out;
    char hex[4];
    for (std::size_t i = 0; i < text.size() && i < 24; ++i) {
        std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned char>(text[i]));
        out += hex;
    }
    return text.size() > 24 ? out + "..." : out;
}

template <class Convert>
std::string Whole(std::string_view in, std::size_t room, Convert convert) {
    std::string out, buf(room, '\0');
    while (!in.empty()) {
        const ConvertedSpan span = convert(in, "\x81\xAC", buf.data(), room);
        if (span.Read == 0 && span.Written == 0) return out + "<stuck>";
        out.append(buf.data(), span.Written);
        in.remove_prefix(span.Read);
    }
    return out;
}

// The generalised UTF-8 form of any value below 2^21, surrogates and all.
std::string Encode(unsigned cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

class Utf8ToSjisTable : public ::testing::Test {
protected:
    // Both converters on text, whole and (when small is set) through buffers of 1 to 3 bytes.
    void ExpectSame(std::string_view text, bool small = false) {
        auto table = [](std::string_view in, std::string_view r, char* out, std::size_t room) {
            return Utf8ToSjisInto(in, r, out, room);
        };
        auto old = [this](std::string_view in, std::string_view r, char* out, std::size_t room) {
            return ref_.Into(in, r, out, room);
        };
        const std::size_t big = text.size() + 2;
        ASSERT_EQ(Whole(text, big, table), Whole(text, big, old))
            << ::testing::PrintToString(std::string(text));
        if (!small) return;
        for (std::size_t room : {2, 3})
            ASSERT_EQ(Whole(text, room, table), Whole(text, room, old)) << Shown(text) << " room " << room;
    }

    IconvReference ref_;
};

// Every code point, each alone between ASCII and in runs of 64 with no ASCII
// between them (the reference takes time in the square of a run's length); the
// surrogates' and the overlong forms are broken text the converters must agree on.
TEST_F(Utf8ToSjisTable, EveryCodePointAsIconvConvertsIt) {
    std::string run;
    for (unsigned cp = 0x80; cp < 0x110000; ++cp) {
        const std::string c = Encode(cp);
        if (cp < 0x10000 || (cp & 0xFF) == 0x42) ExpectSame("a" + c + "b");
        run += c;
        if (cp % 64 == 63) {
            ExpectSame(run);
            run.clear();
        }
    }
    for (unsigned cp = 0; cp < 0x800; ++cp) {  // overlong: three and four bytes for a shorter character
        ExpectSame(
            std::string{'\xE0', static_cast<char>(0x80 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))} +
            "x");
        ExpectSame(std::string{'\xF0', '\x80', static_cast<char>(0x80 | (cp >> 6)),
                               static_cast<char>(0x80 | (cp & 0x3F))} +
                   "\xE3\x81\x82");
    }
    ExpectSame(Encode(0x110000) + Encode(0x1FFFFF) + "z");  // beyond U+10FFFF
}

// Every pair of bytes, and every lead byte with each kind of second and third byte,
// before ASCII, before a character and at the very end.
TEST_F(Utf8ToSjisTable, EveryBrokenFormAsIconvConvertsIt) {
    const char follows[] = {'\x00', '\x41', '\x7F', '\x80', '\x8F', '\x90', '\x9F', '\xA0', '\xA5', '\xBE',
                            '\xBF', '\xC0', '\xC2', '\xE2', '\xE3', '\xED', '\xF0', '\xF4', '\xF5', '\xFF'};
    for (unsigned a = 0x80; a < 0x100; ++a) {
        const std::string lead(1, static_cast<char>(a));
        ExpectSame(lead, true);
        for (unsigned b = 0; b < 0x100; ++b) {
            const std::string two = lead + static_cast<char>(b);
            ExpectSame(two + "q");
            ExpectSame(two);
            if (a < 0xE0) continue;
            for (char c : follows) {
                ExpectSame(two + c + "\xE3\x81\x82");
                if (a >= 0xF0)
                    for (char d : {'\x41', '\x80', '\xBF', '\xC0'}) ExpectSame(two + c + d);
            }
        }
    }
}

// Mixed text (kana, kanji, half-width kana, "¥" and "‾", broken and unmappable
// characters) through buffers that fill at every point.
TEST_F(Utf8ToSjisTable, MixedTextThroughSmallBuffers) {
    const char* pieces[] = {
        "a", "\r\n",         "表", "ｺ",  "\xE3\x80", "\xFF",         "\xC0\xAF", "¥",
        "‾", "\xED\xA0\x80", "😀",  "한", "\xC2\x80", "\xEE\x80\x80", "\\\"//",   "\xF4\x8F\xBF"};
    std::uint64_t s = 11;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = round % 17; i > 0; --i) {
            s = s * 6364136223846793005u + 1442695040888963407u;
            text += pieces[(s >> 33) % std::size(pieces)];
        }
        ExpectSame(text, true);
    }
}

}  // namespace
}  // namespace zarnik::text
