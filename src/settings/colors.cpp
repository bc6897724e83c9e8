#include "settings/colors.h"

#include <cstdio>

#include "settings/settings.h"
#include "text/sjis.h"

namespace zarnik::settings {

namespace {
constexpr std::uint32_t kSystemFlag = 0xFF000000;
constexpr std::uint32_t kNoneValue = 0x1FFFFFFF;
constexpr std::uint32_t kDefaultValue = 0x20000000;
}  // namespace

const std::vector<NamedColor>& NamedColors() {
    static const std::vector<NamedColor> colors = {
        {"clBlack", MakeRgb(0, 0, 0)},        {"clMaroon", MakeRgb(128, 0, 0)},
        {"clGreen", MakeRgb(0, 128, 0)},      {"clOlive", MakeRgb(128, 128, 0)},
        {"clNavy", MakeRgb(0, 0, 128)},       {"clPurple", MakeRgb(128, 0, 128)},
        {"clTeal", MakeRgb(0, 128, 128)},     {"clGray", MakeRgb(128, 128, 128)},
        {"clSilver", MakeRgb(192, 192, 192)}, {"clRed", MakeRgb(255, 0, 0)},
        {"clLime", MakeRgb(0, 255, 0)},       {"clYellow", MakeRgb(255, 255, 0)},
        {"clBlue", MakeRgb(0, 0, 255)},       {"clFuchsia", MakeRgb(255, 0, 255)},
        {"clAqua", MakeRgb(0, 255, 255)},     {"clWhite", MakeRgb(255, 255, 255)},
    };
    return colors;
}

const std::vector<SystemColor>& SystemColors() {
    static const std::vector<SystemColor> colors = {
        {"clScrollBar", 0, MakeRgb(200, 200, 200)},
        {"clBackground", 1, MakeRgb(0, 0, 0)},
        {"clActiveCaption", 2, MakeRgb(153, 180, 209)},
        {"clInactiveCaption", 3, MakeRgb(191, 205, 219)},
        {"clMenu", 4, MakeRgb(240, 240, 240)},
        {"clWindow", 5, MakeRgb(255, 255, 255)},
        {"clWindowFrame", 6, MakeRgb(100, 100, 100)},
        {"clMenuText", 7, MakeRgb(0, 0, 0)},
        {"clWindowText", 8, MakeRgb(0, 0, 0)},
        {"clCaptionText", 9, MakeRgb(0, 0, 0)},
        {"clActiveBorder", 10, MakeRgb(180, 180, 180)},
        {"clInactiveBorder", 11, MakeRgb(244, 247, 252)},
        {"clAppWorkSpace", 12, MakeRgb(171, 171, 171)},
        {"clHighlight", 13, MakeRgb(0, 120, 215)},
        {"clHighlightText", 14, MakeRgb(255, 255, 255)},
        {"clBtnFace", 15, MakeRgb(240, 240, 240)},
        {"clBtnShadow", 16, MakeRgb(160, 160, 160)},
        {"clGrayText", 17, MakeRgb(109, 109, 109)},
        {"clBtnText", 18, MakeRgb(0, 0, 0)},
        {"clInactiveCaptionText", 19, MakeRgb(0, 0, 0)},
        {"clBtnHighlight", 20, MakeRgb(255, 255, 255)},
        {"cl3DDkShadow", 21, MakeRgb(105, 105, 105)},
        {"cl3DLight", 22, MakeRgb(227, 227, 227)},
        {"clInfoText", 23, MakeRgb(0, 0, 0)},
        {"clInfoBk", 24, MakeRgb(255, 255, 225)},
        {"clHotLight", 26, MakeRgb(0, 102, 204)},
        {"clGradientActiveCaption", 27, MakeRgb(185, 209, 234)},
        {"clGradientInactiveCaption", 28, MakeRgb(215, 228, 242)},
        {"clMenuHighlight", 29, MakeRgb(0, 120, 215)},
        {"clMenuBar", 30, MakeRgb(240, 240, 240)},
    };
    return colors;
}

Color ParseColorText(std::string_view t) {
    for (const auto& c : NamedColors())
        if (text::EqualsNoCase(t, c.Name)) return {ColorKind::Rgb, c.Rgb, -1};
    for (const auto& c : SystemColors())
        if (text::EqualsNoCase(t, c.Name)) return {ColorKind::System, 0, c.Index};
    if (text::EqualsNoCase(t, "clNone")) return {ColorKind::None, 0, -1};
    if (text::EqualsNoCase(t, "clDefault")) return {ColorKind::Default, 0, -1};
    std::int32_t n = 0;
    if (!ParseIniInteger(t, n)) return {};
    auto v = static_cast<std::uint32_t>(n);
    if (v <= 0x00FFFFFF) return {ColorKind::Rgb, v, -1};
    if (v == kNoneValue) return {ColorKind::None, 0, -1};
    if (v == kDefaultValue) return {ColorKind::Default, 0, -1};
    if ((v & 0xFFFFFF00) == kSystemFlag) {
        int index = static_cast<int>(v & 0xFF);
        for (const auto& c : SystemColors())
            if (c.Index == index) return {ColorKind::System, 0, index};
    }
    return {};
}

std::string ColorToText(std::uint32_t rgb) {
    rgb &= 0x00FFFFFF;
    for (const auto& c : NamedColors())
        if (c.Rgb == rgb) return c.Name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(rgb));
    return buf;
}

std::uint32_t ShownRgb(const Color& color, std::uint32_t fallback) {
    if (color.Kind == ColorKind::Rgb) return color.Rgb;
    if (color.Kind == ColorKind::System)
        for (const auto& c : SystemColors())
            if (c.Index == color.SystemIndex) return c.Fallback;
    return fallback;
}

}  // namespace zarnik::settings
