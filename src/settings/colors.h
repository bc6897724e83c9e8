// Colour texts as the INI file and Settings hold them: a colour name ("clBlack"),
// "$" and eight upper-case hexadecimal digits ($00BBGGRR: red in the lowest byte),
// or a decimal number. A colour text is turned into a colour only when a pane
// takes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik::settings {

enum class ColorKind {
    Rgb,      // Rgb holds 0x00BBGGRR
    System,   // one of the desktop's element colours; SystemIndex says which
    None,     // "clNone": no colour
    Default,  // "clDefault": the pane's own default colour
    Invalid,  // neither a name nor a number the panes can show
};

struct Color {
    ColorKind Kind = ColorKind::Invalid;
    std::uint32_t Rgb = 0;
    int SystemIndex = -1;
    bool operator==(const Color&) const = default;
};

constexpr std::uint32_t MakeRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return std::uint32_t{r} | std::uint32_t{g} << 8 | std::uint32_t{b} << 16;
}

// The sixteen named colours.
struct NamedColor {
    const char* Name;
    std::uint32_t Rgb;
};
const std::vector<NamedColor>& NamedColors();

// The element colours of the desktop ("clBtnFace", "clWindow", "clWindowText", ...)
// with their index and a light-theme value for front ends without a palette.
struct SystemColor {
    const char* Name;
    int Index;
    std::uint32_t Fallback;
};
const std::vector<SystemColor>& SystemColors();

// Names match ignoring ASCII case. A number whose top byte is 0 is an RGB value;
// 0xFF0000nn is element colour nn; 0x1FFFFFFF is clNone and 0x20000000 clDefault.
Color ParseColorText(std::string_view text);

// The text written for a chosen colour: its name when it is one of the named
// colours, else "$" and eight upper-case hexadecimal digits.
std::string ColorToText(std::uint32_t rgb);

// The colour to show: an RGB value as it is, an element colour by its fallback
// value, anything else (none, default, invalid) as fallback.
std::uint32_t ShownRgb(const Color& color, std::uint32_t fallback);

}  // namespace zarnik::settings
