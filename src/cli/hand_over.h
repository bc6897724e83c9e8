// zarnik-count reads no git repository and writes no workbook itself: a command
// that needs either it hands over, with the same arguments, to zarnik-count-git,
// the same program linked with the git library and the workbook's writer. In a
// build folder the two lie side by side; installed, zarnik-count-git lies in the
// helper folder (<prefix>/lib/zarnik).
#pragma once

#include <string>

namespace zarnik::cli {

// The program zarnik-count at programFile hands over to.
std::string GitProgramFile(const std::string& programFile);

// The zarnik-count that zarnik-count-git at gitProgramFile serves: its INI and
// language files are found from there, as that program would find them.
std::string ServedProgramFile(const std::string& gitProgramFile);

}  // namespace zarnik::cli
