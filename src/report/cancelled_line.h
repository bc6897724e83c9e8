// The last line of a report that a cancel cut short.
#pragma once

#include <cstdint>
#include <string>

namespace zarnik::report {

// "※ 中断しました: FILES ﾌｧｲﾙ中 DONE ﾌｧｲﾙを処理": how many of its files were taken
// before the cancel, so that the report cannot pass for a whole one. Shift-JIS.
std::string CancelledLine(std::int64_t done, std::int64_t files);

}  // namespace zarnik::report
