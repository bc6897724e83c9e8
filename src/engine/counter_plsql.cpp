// Block comments "/*" ... "*/", line comments "--" and single-quoted literals in
// which a doubled apostrophe stands for one. "//" means nothing here.
#include "engine/counter_frame.h"

namespace zarnik::engine {

namespace {

class PlSqlCounter {
public:
    PlSqlCounter(const settings::S_CNF& cnf, std::string& scratch)
        : remCmt_(cnf.RemCmt != 0), scratch_(scratch) {}
    bool InComment() const { return inComment_; }

    detail::LineClass Classify(std::string_view line) {
        if (IsRemLine(line, remCmt_)) return detail::LineClass::Comment;
        std::string_view s = StripSqlQuoted(line, scratch_);
        bool hasCode = false;
        for (std::size_t i = 0; i < s.size();) {
            char c = s[i];
            char n = i + 1 < s.size() ? s[i + 1] : '\0';
            if (c == ' ' || c == '\t') {
                ++i;
            } else if (!inComment_) {
                if (c == '-' && n == '-') break;
                if (c == '/' && n == '*') {
                    inComment_ = true;
                    i += 2;
                } else {
                    hasCode = true;
                    ++i;
                }
            } else if (c == '*' && n == '/') {
                inComment_ = false;
                i += 2;
            } else {
                ++i;
            }
        }
        return hasCode ? detail::LineClass::Code : detail::LineClass::Comment;
    }

private:
    bool remCmt_;
    std::string& scratch_;
    bool inComment_ = false;  // inside a block comment
};

}  // namespace

int CountPlSql(const settings::S_CNF& cnf, const std::string& path, S_CMT& rec, CountContext& ctx) {
    return detail::RunCounterFrame(cnf, path, rec, ctx, PlSqlCounter(cnf, ctx.Scratch));
}

}  // namespace zarnik::engine
