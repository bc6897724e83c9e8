// expect: total=29 exec=18 comment=6 blank=5 set: CLexer=1
#include <string>

namespace lex {

// A raw string keeps its quotes and comment markers as text.
const std::string kPattern = R"re(a "quoted" /* word */ )" and // )re";
const std::string kLines = R"(first line

last line)";
constexpr long kMillion = 1'000'000;  // digit separators are not characters
constexpr char kTick = '\'';

/*
 * A block comment: a "quote" here opens no string.

 */
int Depth(const std::string& text) {
    int depth = 0;
    for (char c : text) {
        if (c == '{')
            ++depth; /* open */
        else if (c == '}')
            --depth;
    }
    return depth;  // done
}

}  // namespace lex
