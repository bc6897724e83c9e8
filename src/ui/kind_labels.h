// The dialogs' names for each language, indexed by source kind like the engine's
// kind table (engine/source_kind.h); only the kinds that head a language have them.
#pragma once

#include <array>

#include "engine/options.h"

namespace zarnik::ui {

struct KindLabels {
    // UTF-8: the extension dialog's group caption and the open dialog's filter name.
    const char* GroupCaption;
    const char* FilterName;
};

inline constexpr std::array<KindLabels, engine::kKindCount> kKindLabels = {{
    {"", ""},
    {"", ""},
    {"Ｃ、Ｃ＋＋", "Ｃ言語"},
    {"", ""},
    {"アセンブラ", "ｱｾﾝﾌﾞﾗ"},
    {"Ｊａｖａ", "Java"},
    {"PL/SQL", "PL/SQL"},
    {"VB(BASIC)", "BASIC"},
}};

}  // namespace zarnik::ui
