#include "engine/options.h"

namespace zarnik::engine {

// Hand-edited files hold other values too: a switch that turns a rule on holds
// exactly 1, except RemCmt, where anything but 0 is on.
CountOptions CountOptions::From(const settings::S_CNF& cnf) {
    CountOptions o;
    o.Mode = (cnf.VsrcFl >= 0 && cnf.VsrcFl <= 6) ? static_cast<SourceMode>(cnf.VsrcFl) : SourceMode::None;
    o.BlankInCommentIsComment = cnf.InCmnt == 0;
    o.AsteriskLineIsBlank = cnf.AstaOnly == 1;
    o.RemComments = cnf.RemCmt != 0;
    o.BlankAddsToComment = cnf.Kg_Cmt == 1;
    o.BlankLeavesTotal = cnf.Kg_Non == 1;
    o.EucJis = cnf.EucJis == 1;
    o.Utf8Src = cnf.Utf8Src != 0;
    o.Lists = cnf.Lists;
    return o;
}

}  // namespace zarnik::engine
