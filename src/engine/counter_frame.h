// The frame every line counter follows; counters differ only in how they classify
// a non-blank line.
#pragma once

#include "engine/count.h"

namespace zarnik::engine::detail {

enum class LineClass { Code, Comment, BlankRule };

// Counter: bool InComment() const; LineClass Classify(std::string_view line, std::size_t first),
// first being the index of the line's first byte other than blank and TAB.
// A fresh Counter is made per file, so its comment state starts cleared; it
// carries from piece to piece of the text.
template <class Counter>
FileStatus RunCounterFrame(const CountOptions& opt, TextPieces& text, S_CMT& rec, ConverterState& state,
                           Counter counter) {
    SourceLines lines(text, opt, state);
    FileStatus status = FileStatus::Counted;
    LineLog* log = state.LineClasses;
    auto note = [log](LineClassOf c) {
        if (log) log->Classes.push_back(c);
    };
    auto blankRule = [&] {
        if (counter.InComment() && opt.BlankInCommentIsComment) {
            ++rec.Comment;
            note(LineClassOf::Comment);
        } else {
            ++rec.Blank;
            note(LineClassOf::Blank);
        }
    };
    std::string_view line;
    while (lines.Next(line)) {
        if (log && lines.Converts()) {
            log->Converted.append(line);
            log->ConvertedEnds.push_back(log->Converted.size());
        }
        LineCheck check = CheckLoadedLine(line);
        status = check.Status;
        if (status != FileStatus::Counted) {
            note(LineClassOf::NotCounted);
            continue;
        }
        ++rec.Total;
        if (!check.NonBlank) {
            blankRule();
            continue;
        }
        switch (counter.Classify(line, check.First)) {
            case LineClass::Comment:
                ++rec.Comment;
                note(LineClassOf::Comment);
                break;
            case LineClass::BlankRule:
                blankRule();
                break;
            case LineClass::Code:
                note(LineClassOf::Exec);
                break;
        }
    }
    return status;
}

}  // namespace zarnik::engine::detail
