#include "text/version.h"

#include <cstdio>

namespace zarnik::text {

std::string VersionText(int kind) {
    // " %3.2f" of the number / 100; 271 / 100.0 is far from any rounding boundary.
    char figure[16];
    std::snprintf(figure, sizeof figure, " %3.2f", kVersionNumber / 100.0);
    const char* const holder = "(C) 2026 Zarnik developers";
    switch (kind) {
        case 0:
            return "Zarnik  Ver." + std::string(figure) + "  " + holder;
        case 1:
            return "Zarnik";
        case 2:
            return "Ver." + std::string(figure);
        case 3:
            return holder;
        default:
            return {};
    }
}

}  // namespace zarnik::text
