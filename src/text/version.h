// The program's version texts (Shift-JIS).
#pragma once

#include <string>

#include "zarnik_version_config.h"

namespace zarnik::text {

// The release, as the project's build states it ("2.7.1"), and as the number the
// version labels show: 2.7.1 is 271, shown " 2.71".
constexpr const char* kVersionString = ZARNIK_VERSION;
constexpr int kVersionNumber = ZARNIK_VERSION_MAJOR * 100 + ZARNIK_VERSION_MINOR * 10 + ZARNIK_VERSION_PATCH;
static_assert(ZARNIK_VERSION_MINOR < 10 && ZARNIK_VERSION_PATCH < 10,
              "the version labels have one digit each for the minor release and the patch");

// What --version prints after its first line: the holder, the licence and the
// absence of warranty, as free programs state them.
constexpr const char* kLicenseNotice =
    "Copyright (C) 2026 Zarnik developers\n"
    "License " ZARNIK_LICENSE
    ": GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

// 0: main window caption, 1: product name, 2: "Ver. 2.71", 3: the holder line.
std::string VersionText(int kind);

}  // namespace zarnik::text
