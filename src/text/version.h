// The program's version texts (Shift-JIS).
#pragma once

#include <string>

namespace zarnik::text {

constexpr int kVersionNumber = 271;

// 0: main window caption, 1: product name, 2: "Ver. 2.71", 3: the holder line.
std::string VersionText(int kind);

}  // namespace zarnik::text
