#include "engine/utf8_source.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/sjis.h"

namespace zarnik::engine {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kGeta = "\x81\xAC";  // "〓"

std::string_view BeforeNul(std::string_view text) {
    const void* nul = std::memchr(text.data(), 0, text.size());
    return nul ? text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data())) : text;
}

}  // namespace

std::size_t CheckUtf8Piece(std::string_view text, bool last, bool& multiByte, std::size_t* bad) {
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        pos += text::AsciiRun(text, pos);
        if (pos == n) break;
        // A character is at most four bytes: fewer at the end may go on in the next piece.
        if (!last && n - pos < 4) return pos;
        // Three bytes that need no closer look at the second (lead E1..EC or EE..EF),
        // the common case of Japanese text, checked here in a loop of their own.
        const auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
        if (n - pos >= 3 && at(pos) - 0xE1u <= 0xEu && at(pos) != 0xED && (at(pos + 1) & 0xC0) == 0x80 &&
            (at(pos + 2) & 0xC0) == 0x80) {
            multiByte = true;
            pos += 3;
            continue;
        }
        std::size_t len = text::WellFormedUtf8Length(text, pos);
        if (len == 0) {
            if (bad) *bad = pos;
            return std::string_view::npos;
        }
        multiByte = multiByte || len > 1;
        pos += len;
    }
    return pos;
}

void Utf8Check::Feed(std::string_view bytes) {
    if (broken_) return;
    // The bytes left unchecked at the end of the pieces before, completed from
    // this one: four bytes always hold at least one whole character.
    while (carried_ && !bytes.empty()) {
        const std::size_t take = std::min(bytes.size(), sizeof carry_ - carried_);
        std::memcpy(carry_ + carried_, bytes.data(), take);
        const std::size_t have = carried_ + take;
        const std::size_t r = CheckUtf8Piece({carry_, have}, false, multiByte_);
        if (r == std::string_view::npos) {
            broken_ = true;
            return;
        }
        if (r >= carried_) {
            bytes.remove_prefix(r - carried_);
            carried_ = 0;
            break;
        }
        std::memmove(carry_, carry_ + r, have - r);
        carried_ = have - r;
        bytes.remove_prefix(take);
    }
    if (carried_) return;
    const std::size_t r = CheckUtf8Piece(bytes, false, multiByte_);
    if (r == std::string_view::npos) {
        broken_ = true;
        return;
    }
    carried_ = bytes.size() - r;
    std::memcpy(carry_, bytes.data() + r, carried_);
}

bool Utf8Check::Finish() {
    if (!broken_ && carried_)
        broken_ = CheckUtf8Piece({carry_, carried_}, true, multiByte_) == std::string_view::npos;
    carried_ = 0;
    return !broken_ && multiByte_;
}

bool StartsWithByteOrderMark(std::string_view text) {
    return text.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

bool IsUtf8Source(std::string_view text) {
    if (StartsWithByteOrderMark(text)) return true;
    // A text that is no UTF-8 mostly shows so early: only the bytes before the first
    // that is none are searched for a NUL that ends the text before it.
    bool multiByte = false;
    std::size_t good = text.size();
    if (CheckUtf8Piece(text, true, multiByte, &good) != std::string_view::npos && !multiByte) return false;
    const std::string_view body = BeforeNul(text.substr(0, good));
    if (body.size() == good) return good == text.size();
    // A NUL is a whole character, so the text up to it is UTF-8; the question is
    // whether a character of more than one byte stands before it.
    return text::AsciiRun(body, 0) < body.size();
}

void AppendUtf8AsShiftJis(std::string_view body, ByteBuffer& out) {
    // A character's Shift-JIS form is never longer than its UTF-8 form, so one pass
    // fills the room; only invalid bytes after a byte-order mark need more.
    while (!body.empty()) {
        const std::size_t room = body.size() + kGeta.size();
        text::ConvertedSpan span = text::Utf8ToSjisInto(body, kGeta, out.Extend(room), room);
        out.Commit(span.Written);
        body.remove_prefix(span.Read);
    }
}

namespace {

// AppendUtf8AsShiftJis for a text not yet known to be UTF-8: false, with out
// holding a part, at the first byte that starts no well-formed character.
bool AppendIfWellFormed(std::string_view body, ByteBuffer& out) {
    while (!body.empty()) {
        const std::size_t room = body.size() + kGeta.size();
        const text::ConvertedSpan span = text::Utf8ToSjisInto(body, kGeta, out.Extend(room), room, true);
        out.Commit(span.Written);
        if (span.Broken) return false;
        body.remove_prefix(span.Read);
    }
    return true;
}

}  // namespace

bool ConvertUtf8Source(ByteBuffer& text, ByteBuffer& spare) {
    std::string_view all = text.view();
    std::string_view body = BeforeNul(all);
    const std::string_view rest = all.substr(body.size());
    spare.clear();
    if (StartsWithByteOrderMark(body)) {
        body.remove_prefix(kByteOrderMark.size());
        AppendUtf8AsShiftJis(body, spare);
    } else if (text::AsciiRun(body, 0) == body.size() || !AppendIfWellFormed(body, spare)) {
        // IsUtf8Source's answer, found while converting in one pass: without the
        // mark, a text is UTF-8 when all before its first NUL is well formed and
        // holds a character of more than one byte.
        return false;
    }
    if (!rest.empty()) {
        std::memcpy(spare.Extend(rest.size()), rest.data(), rest.size());
        spare.Commit(rest.size());
    }
    std::swap(text, spare);
    return true;
}

}  // namespace zarnik::engine
