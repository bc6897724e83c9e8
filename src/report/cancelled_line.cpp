#include "report/cancelled_line.h"

#include "text/sjis.h"

namespace zarnik::report {

std::string CancelledLine(std::int64_t done, std::int64_t files) {
    static const std::string head = text::Utf8ToSjis("※ 中断しました: "),
                             middle = text::Utf8ToSjis(" ﾌｧｲﾙ中 "), tail = text::Utf8ToSjis(" ﾌｧｲﾙを処理");
    return head + std::to_string(files) + middle + std::to_string(done) + tail;
}

}  // namespace zarnik::report
