#include "engine/euc_jis.h"

#include <cstring>

namespace zarnik::engine {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kSo = 0x0E;
constexpr unsigned char kSi = 0x0F;
constexpr unsigned char kSs2 = 0x8E;
constexpr unsigned char kCtrlZ = 0x1A;

constexpr bool In(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

// JIS X 0208 row and cell bytes to a Shift-JIS pair. The cell byte is not checked
// (a stray byte after a valid row byte still gives some pair); division truncates
// toward zero, so even a cell below 0x21 gives a pair of non-NUL bytes.
void JisToSjis(int row, int cell, unsigned char& first, unsigned char& second) {
    int d = (row - 0x21) * 94 + (cell - 0x21);
    int f = d / 188 + 0x81;
    if (f > 0x9F) f += 0x40;
    int s = d % 188 + 0x40;
    if (s > 0x7E) s += 1;
    first = static_cast<unsigned char>(f);
    second = static_cast<unsigned char>(s);
}

}  // namespace

EucJisConverter::Code EucJisConverter::DetectCode(std::string_view line) {
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    std::size_t n = line.size();
    if (const void* z = n ? std::memchr(p, kCtrlZ, n) : nullptr)
        n = static_cast<std::size_t>(static_cast<const unsigned char*>(z) - p);

    Code code = Jis;
    int kana = 0;  // 1 after SS2; 2 once an SS2 was followed by a kana byte, until the next SS2
    bool seenSs2 = false;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char b = p[i];
        if (b < 0x80) continue;
        if (kana != 2) kana = (kana == 1 && In(b, 0xA1, 0xDF)) ? 2 : 0;
        if (b == kSs2) {
            kana = 1;
            seenSs2 = true;
        }
        if (code == Jis) code = Euc;
        if (In(b, 0x80, 0x9F) && b != kSs2) code = ShiftJis;
    }
    if (code == Euc) {
        // EUC bytes come in pairs: a high byte without a partner rules EUC out.
        for (std::size_t i = 0; i < n; ++i) {
            if (p[i] < 0x80) continue;
            if (i + 1 >= n) {
                code = ShiftJis;
                break;
            }
            ++i;
        }
    }
    if (code == Euc && kana == 0 && seenSs2) code = ShiftJis;
    return code;
}

void EucJisConverter::DecodeJis(unsigned char* p, std::size_t n, std::size_t& r, std::size_t& w) {
    unsigned char b = p[r] &= 0x7F;
    if (b == kSo) {
        kanaMode_ = true;
        kanjiMode_ = false;
        ++r;
        return;
    }
    if (b == kSi) {
        kanaMode_ = kanjiMode_ = false;
        ++r;
        return;
    }
    if (b == kEsc && r + 2 < n) {
        unsigned char b1 = p[r + 1] &= 0x7F;
        unsigned char b2 = p[r + 2] &= 0x7F;
        bool matched = true;
        if (b1 == 0x24 && (b2 == 0x40 || b2 == 0x42)) {
            kanjiMode_ = true;
            kanaMode_ = false;
        } else if (b1 == 0x28 && (b2 == 0x42 || b2 == 0x48 || b2 == 0x4A)) {
            kanjiMode_ = kanaMode_ = false;
        } else if (b1 == 0x28 && b2 == 0x49) {
            kanaMode_ = true;
            kanjiMode_ = false;
        } else {
            matched = false;
        }
        if (matched) {
            r += 3;
            return;
        }
    }
    if (!kanjiMode_) {
        if (kanaMode_ && In(b, 0x21, 0x5F)) b |= 0x80;
        p[w++] = b;
        ++r;
        return;
    }
    // A first byte without a partner at the end of the line stays as it is.
    if (!In(b, 0x21, 0x7E) || r + 1 >= n) {
        p[w++] = b;
        ++r;
        return;
    }
    unsigned char first, second;
    JisToSjis(b, p[r + 1], first, second);
    p[w++] = first;
    p[w++] = second;
    r += 2;
}

void EucJisConverter::DecodeEuc(unsigned char* p, std::size_t n, std::size_t& r, std::size_t& w) {
    unsigned char b = p[r];
    if (b == kEsc && r + 2 < n && p[r + 1] == 0x28 && (p[r + 2] == 0x49 || p[r + 2] == 0x4A)) {
        kanaMode_ = p[r + 2] == 0x49;
        r += 3;
        return;
    }
    if (b == kSo || b == kSi) {
        kanaMode_ = b == kSo;
        ++r;
        return;
    }
    if (kanaMode_) {
        if (In(b, 0x21, 0x5F)) b |= 0x80;
        p[w++] = b;
        ++r;
        return;
    }
    if (b == kSs2 && r + 1 < n && In(p[r + 1], 0xA1, 0xDF)) {
        // SS2 and a kana byte: the kana byte alone is the Shift-JIS half-width kana.
        p[w++] = p[r + 1];
        r += 2;
        return;
    }
    if (In(b, 0xA1, 0xFE)) {
        if (r + 1 >= n) {  // a first byte without a partner stays as it is
            p[w++] = b;
            ++r;
            return;
        }
        unsigned char first, second;
        JisToSjis(b & 0x7F, p[r + 1] & 0x7F, first, second);
        p[w++] = first;
        p[w++] = second;
        r += 2;
        return;
    }
    p[w++] = b & 0x7F;
    ++r;
}

void EucJisConverter::ToShiftJis(std::string_view line, std::string& out) {
    if (line.empty()) return;
    Code code = DetectCode(line);
    std::size_t start = out.size();
    out.append(line);
    auto* p = reinterpret_cast<unsigned char*>(out.data() + start);
    std::size_t n = line.size();
    std::size_t w = n;
    if (code != ShiftJis) {
        std::size_t r = 0;
        w = 0;
        while (r < n) {
            if (code == Jis)
                DecodeJis(p, n, r, w);
            else
                DecodeEuc(p, n, r, w);
        }
    }
    // Clearing top bits can make a NUL (from 0x80 behind a Ctrl-Z); the line ends there.
    if (void* nul = std::memchr(p, 0, w)) w = static_cast<std::size_t>(static_cast<unsigned char*>(nul) - p);
    out.resize(start + w);
}

}  // namespace zarnik::engine
