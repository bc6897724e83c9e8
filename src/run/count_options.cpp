#include "run/count_options.h"

#include "engine/counter_generic.h"

namespace zarnik::run {

static_assert(settings::kKindCount == engine::kKindCount, "the settings keep one extension list per kind");

// Hand-edited files hold other values too: a switch that turns a rule on holds
// exactly 1, except RemCmt, where anything but 0 is on.
engine::CountOptions CountOptionsFrom(const settings::Settings& cnf) {
    using engine::SourceMode;
    engine::CountOptions o;
    o.Mode = (cnf.CounterChoice >= 0 && cnf.CounterChoice <= 6) ? static_cast<SourceMode>(cnf.CounterChoice)
                                                                : SourceMode::None;
    o.BlankInCommentIsComment = cnf.BlankInCommentIsBlank == 0;
    o.AsteriskLineIsBlank = cnf.AsteriskLineIsBlank == 1;
    o.RemComments = cnf.RemComments != 0;
    o.BlankAddsToComment = cnf.BlankLinesAsComment == 1;
    o.BlankLeavesTotal = cnf.BlankLinesOutOfTotal == 1;
    o.ConvertEucJis = cnf.ConvertEucJis == 1;
    o.ConvertUtf8 = cnf.ConvertUtf8 != 0;
    o.Extensions = cnf.Extensions;
    o.Languages = engine::WithLanguagePatterns(engine::InstalledLanguages(), cnf.LanguagePatterns);
    o.AccurateCFamily = cnf.AccurateCFamily == 1;
    o.AllLanguages = cnf.AllLanguages == 1;
    return o;
}

}  // namespace zarnik::run
