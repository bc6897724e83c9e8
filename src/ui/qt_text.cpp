#include "ui/qt_text.h"

#include <array>
#include <atomic>

namespace zarnik::ui {

namespace {

// One Shift-JIS character's UTF-16 unit: 0 not yet converted, 1 none (the character
// converts to something else than one unit, or to the replacement character).
// Several threads fill it; each entry's value is the same whoever converts it.
constexpr char16_t kUnknown = 0, kNone = 1;
std::array<std::atomic<char16_t>, 65536> gUnits{};

char16_t UnitOf(std::string_view sjisChar, std::size_t index) {
    char16_t unit = gUnits[index].load(std::memory_order_relaxed);
    if (unit != kUnknown) return unit;
    const QString converted = QString::fromUtf8(text::SjisToUtf8(sjisChar));
    unit = converted.size() == 1 && converted[0] != QChar::ReplacementCharacter && converted[0].unicode() > 1
               ? converted[0].unicode()
               : kNone;
    gUnits[index].store(unit, std::memory_order_relaxed);
    return unit;
}

bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Appends sjis through the table; false (out as it was) at the first byte that is no
// character the table holds.
bool AppendByTable(QString& out, std::string_view sjis) {
    const qsizetype start = out.size();
    for (std::size_t i = 0; i < sjis.size();) {
        const std::size_t ascii = text::AsciiRun(sjis, i);
        if (ascii > 0) {
            out.append(QLatin1StringView(sjis.data() + i, static_cast<qsizetype>(ascii)));
            i += ascii;
            continue;
        }
        const auto lead = static_cast<unsigned char>(sjis[i]);
        std::size_t length = 0;
        if (lead >= 0xA1 && lead <= 0xDF)
            length = 1;
        else if (text::IsLeadByte(lead) && i + 1 < sjis.size() &&
                 IsTrailByte(static_cast<unsigned char>(sjis[i + 1])))
            length = 2;
        const std::size_t index =
            length == 2 ? (std::size_t{lead} << 8) | static_cast<unsigned char>(sjis[i + 1]) : lead;
        const char16_t unit = length == 0 ? kNone : UnitOf(sjis.substr(i, length), index);
        if (unit == kNone) {
            out.truncate(start);
            return false;
        }
        out.append(QChar(unit));
        i += length;
    }
    return true;
}

}  // namespace

void AppendQ(QString& out, std::string_view sjis) {
    if (!AppendByTable(out, sjis)) out.append(QString::fromUtf8(text::SjisToUtf8(sjis)));
}

}  // namespace zarnik::ui
