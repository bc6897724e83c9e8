// The fuzzing entry points. Each takes one input of bytes, drives a part of the
// core with it and checks what must hold whatever the input. The libFuzzer
// programs in this folder call them, and tests/run/fuzz_replay_test.cpp replays the
// seed corpus and every input that once failed (tests/data/fuzz/<target>/).
//
// A failed check calls FailHandler(): it aborts, so that libFuzzer keeps the input;
// the replay test makes it throw instead.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/count.h"
#include "engine/detail/source_lines.h"
#include "engine/euc_jis.h"
#include "report/report.h"
#include "report/totals.h"
#include "run/collect.h"
#include "run/count_options.h"
#include "settings/colors.h"
#include "settings/ini_file.h"
#include "settings/persist.h"
#include "settings/safe_file.h"
#include "settings/settings.h"
#include "text/sjis.h"

namespace zarnik::fuzz {

using FailFn = void (*)(const std::string& what);

inline FailFn& FailHandler() {
    static FailFn handler = [](const std::string& what) {
        std::fprintf(stderr, "check failed: %s\n", what.c_str());
        std::abort();
    };
    return handler;
}

#define ZARNIK_FUZZ_CHECK(cond)                                                                  \
    do {                                                                                         \
        if (!(cond))                                                                             \
            ::zarnik::fuzz::FailHandler()(std::string(__FILE__ ":") + std::to_string(__LINE__) + \
                                          ": " #cond);                                           \
    } while (0)

// A heap copy of exactly the bytes given, so that AddressSanitizer sees any read
// past the end (a std::string keeps a NUL and often spare room behind its bytes).
class ExactBytes {
public:
    explicit ExactBytes(std::string_view s)
        : size_(s.size()), data_(new char[std::max<std::size_t>(s.size(), 1)]) {
        std::copy(s.begin(), s.end(), data_.get());
    }
    std::string_view view() const { return {data_.get(), size_}; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> data_;
};

// A folder of this process for the files the entry points write: in /dev/shm when
// there is one (no disk traffic), else in the temporary folder.
inline const std::string& ScratchFolder() {
    struct Folder {
        std::string path;
        Folder() {
            std::string base = std::filesystem::is_directory("/dev/shm")
                                   ? "/dev/shm"
                                   : std::filesystem::temp_directory_path().string();
            path = base + "/zarnik-fuzz-XXXXXX";
            if (!mkdtemp(path.data())) std::abort();
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

// ---- the loader and the counters ----

// The lines of a text by the splitting rule, written as plainly as possible: the
// text ends at its first NUL; CR, LF, CR LF end a line; a break at the very end adds
// no empty line.
inline std::vector<std::string_view> ReferenceLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

// A switch value from two bits: off, on, and two values that are neither (2, -1),
// since a hand-edited INI file can hold them.
inline std::int32_t SwitchValue(unsigned bits) {
    static constexpr std::int32_t values[] = {0, 1, 2, -1};
    return values[bits & 3];
}

// Input: byte 0 the mode (VsrcFl 0..6, or one outside), bytes 1 and 2 the switches
// EucJis, InCmnt, AstaOnly, RemCmt, Kg_Cmt, Kg_Non (two bits each), byte 3 the
// file's name (its extension); the rest is the file.
inline void CountInput(std::string_view data) {
    static constexpr const char* kNames[] = {"f.c", "f.h", "f.asm", "f.inc", "f.java", "f.sql", "f.bas", "f"};
    static constexpr std::int32_t kModes[] = {0, 1, 2, 3, 4, 5, 6, 7, -1};
    if (data.size() < 4) return;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
    settings::Settings cnf = settings::MakeDefaultSettings();
    cnf.CounterChoice = kModes[byte(0) % 9];
    unsigned bits = byte(1) | byte(2) << 8;
    cnf.ConvertEucJis = SwitchValue(bits);
    cnf.BlankInCommentIsBlank = SwitchValue(bits >> 2);
    cnf.AsteriskLineIsBlank = SwitchValue(bits >> 4);
    cnf.RemComments = SwitchValue(bits >> 6);
    cnf.BlankLinesAsComment = SwitchValue(bits >> 8);
    cnf.BlankLinesOutOfTotal = SwitchValue(bits >> 10);
    const std::string name = kNames[byte(3) % 8];
    const std::string_view text = data.substr(4);
    const std::string path = ScratchFolder() + "/" + name;
    WriteFile(path, text);

    const engine::DirEntry entry{name, 0, static_cast<std::int64_t>(text.size())};
    const engine::CountOptions opt = run::CountOptionsFrom(cnf);
    engine::CountContext ctx;
    engine::FileCounts rec;
    engine::CountFile(opt, path, entry, rec, ctx);
    using engine::FileStatus;
    ZARNIK_FUZZ_CHECK(rec.Status >= FileStatus::Counted && rec.Status < FileStatus::Missing);
    ZARNIK_FUZZ_CHECK(rec.Status != FileStatus::NotTarget || cnf.CounterChoice < 0 || cnf.CounterChoice > 6 ||
                      cnf.CounterChoice == 0);
    ZARNIK_FUZZ_CHECK(rec.Status == engine::ProbeBytes(text) ||
                      engine::ProbeBytes(text) == FileStatus::Counted);

    // The lines every counter saw.
    const auto reference = ReferenceLines(text);
    engine::detail::SourceLines lines(engine::TextForCounting(text), opt, ctx);
    std::size_t lineCount = 0;
    for (std::string_view line; lines.Next(line); ++lineCount) {
        ZARNIK_FUZZ_CHECK(lineCount < reference.size());
        ZARNIK_FUZZ_CHECK(line.find('\0') == std::string_view::npos);
        if (cnf.ConvertEucJis != 1) ZARNIK_FUZZ_CHECK(line == reference[lineCount]);
    }
    ZARNIK_FUZZ_CHECK(lineCount == reference.size());

    if (rec.Status == FileStatus::Counted) {
        // Undo the two blank-line options: every counted line is comment, blank or
        // executable, and no more lines are counted than the file holds.
        std::int64_t total = rec.Total + (cnf.BlankLinesOutOfTotal == 1 ? rec.Blank : 0);
        std::int64_t comment = rec.Comment - (cnf.BlankLinesAsComment == 1 ? rec.Blank : 0);
        ZARNIK_FUZZ_CHECK(rec.Blank >= 0 && comment >= 0 && rec.Exec >= 0);
        ZARNIK_FUZZ_CHECK(total == comment + rec.Blank + rec.Exec);
        ZARNIK_FUZZ_CHECK(total <= static_cast<std::int64_t>(lineCount));
        ZARNIK_FUZZ_CHECK(std::isfinite(rec.Ratio) && rec.Ratio >= 0.0f);
        report::ReportTotals totals;
        report::AddToTotals(rec, totals);
    }
    ZARNIK_FUZZ_CHECK(!report::FormatFileLine(report::ReportLayout::From(cnf), rec, 13).empty());

    // The same file counted again, with the converter's shift state left by the
    // first count, and once more from a fresh state: the fresh count repeats the first.
    engine::FileCounts again;
    engine::CountFile(opt, path, entry, again, ctx);
    engine::CountContext fresh;
    engine::CountFile(opt, path, entry, again, fresh);
    ZARNIK_FUZZ_CHECK(again.Status == rec.Status && again.Total == rec.Total &&
                      again.Comment == rec.Comment && again.Blank == rec.Blank && again.Exec == rec.Exec);

    // Once more telling each line's class, as change counting asks: the counts do not
    // move, and the classes tally to them (one converted text per class with EucJis 1).
    engine::CountContext logged;
    engine::LineLog log;
    logged.LineClasses = &log;
    engine::FileCounts classified;
    engine::CountFile(opt, path, entry, classified, logged);
    ZARNIK_FUZZ_CHECK(classified.Status == rec.Status && classified.Total == rec.Total &&
                      classified.Comment == rec.Comment && classified.Blank == rec.Blank &&
                      classified.Exec == rec.Exec);
    if (rec.Status == FileStatus::Counted) {
        std::int64_t tally[4] = {};
        for (engine::LineClassOf c : log.Classes) ++tally[static_cast<int>(c)];
        ZARNIK_FUZZ_CHECK(log.Classes.empty() ||
                          (tally[0] == rec.Exec && tally[2] == rec.Blank &&
                           tally[1] == rec.Comment - (cnf.BlankLinesAsComment == 1 ? rec.Blank : 0)));
        ZARNIK_FUZZ_CHECK(log.ConvertedEnds.empty() || log.ConvertedEnds.size() == log.Classes.size());
    }

    // Read in pieces of a few bytes (as a large file is read), the file counts the
    // same, tells the same line classes (a UTF-8 file's second count replacing its
    // first) and leaves the converter in the same state.
    for (std::size_t chunk : {1, 7}) {
        engine::CountContext pieces;
        pieces.ChunkBytes = chunk;
        engine::LineLog pieceLog;
        pieces.LineClasses = &pieceLog;
        engine::FileCounts inPieces;
        engine::CountFile(opt, path, entry, inPieces, pieces);
        ZARNIK_FUZZ_CHECK(pieceLog.Classes == log.Classes);
        ZARNIK_FUZZ_CHECK(inPieces.Status == rec.Status && inPieces.Kind == again.Kind &&
                          inPieces.Total == rec.Total && inPieces.Comment == rec.Comment &&
                          inPieces.Blank == rec.Blank && inPieces.Exec == rec.Exec);
        ZARNIK_FUZZ_CHECK(pieces.Converter.KanjiMode() == fresh.Converter.KanjiMode() &&
                          pieces.Converter.KanaMode() == fresh.Converter.KanaMode());
    }
}

// ---- the EUC/JIS converter ----

// Input: lines separated by LF, converted one after another by one converter, so
// that the shift state carries from line to line.
inline void EucJisInput(std::string_view data) {
    engine::EucJisConverter conv;
    std::string out = "prefix";
    std::size_t pos = 0;
    while (pos <= data.size()) {
        std::size_t end = std::min(data.find('\n', pos), data.size());
        ExactBytes line(data.substr(pos, end - pos));
        pos = end + 1;
        const std::size_t before = out.size();
        const auto code = engine::EucJisConverter::DetectCode(line.view());
        conv.ToShiftJis(line.view(), out);
        ZARNIK_FUZZ_CHECK(out.compare(0, 6, "prefix") == 0);
        std::string_view added = std::string_view(out).substr(before);
        ZARNIK_FUZZ_CHECK(added.size() <= line.view().size());
        ZARNIK_FUZZ_CHECK(added.find('\0') == std::string_view::npos);
        ZARNIK_FUZZ_CHECK(code >= 0 && code <= 2);
        if (code == engine::EucJisConverter::ShiftJis)
            ZARNIK_FUZZ_CHECK(added == line.view().substr(0, line.view().find('\0')));
        out.resize(6);
    }
}

// ---- the INI file ----

// Keys and values the program writes, and values a user may type.
inline constexpr const char* kIniSections[] = {"Settei", "Exts", "Cname", "FILES_1", "MainForm", "x"};
inline constexpr const char* kIniKeys[] = {"VsrcFl", "Csrc", "cnam1", "file0", "Left", "k"};

// Input: an INI text, a NUL, then operations of four bytes (op, section, key, value
// length) each followed by the value's bytes. Checks that the text survives being
// written and read back, and that every write reads back.
inline void IniTextInput(std::string_view data) {
    std::size_t nul = data.find('\0');
    ExactBytes text(data.substr(0, nul));
    settings::IniFile ini{text.view()};
    const std::string first = ini.ToText();
    ZARNIK_FUZZ_CHECK(settings::IniFile(first).ToText() == first);
    if (nul == std::string_view::npos) return;

    std::string_view ops = data.substr(nul + 1);
    while (ops.size() >= 4) {
        auto op = static_cast<unsigned char>(ops[0]);
        const char* section = kIniSections[static_cast<unsigned char>(ops[1]) % std::size(kIniSections)];
        const char* key = kIniKeys[static_cast<unsigned char>(ops[2]) % std::size(kIniKeys)];
        std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(ops[3]), ops.size() - 4);
        std::string value(ops.substr(4, len));
        ops.remove_prefix(4 + len);
        switch (op % 5) {
            case 0:
            case 1: {
                ini.WriteString(section, key, value, op % 5 == 1);
                std::string stored = value;
                std::replace_if(
                    stored.begin(), stored.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
                auto check = [&](const settings::IniFile& f) {
                    auto found = f.Find(section, key);
                    ZARNIK_FUZZ_CHECK(found.has_value());
                    ZARNIK_FUZZ_CHECK(
                        *found == stored ||
                        (found->size() > settings::IniFile::kMaxStringLength &&
                         settings::CutAtCharBoundary(*found, settings::IniFile::kMaxStringLength) == stored));
                    ZARNIK_FUZZ_CHECK(
                        f.ReadString(section, key, "") ==
                        settings::CutAtCharBoundary(*found, settings::IniFile::kMaxStringLength));
                };
                check(ini);
                check(settings::IniFile(ini.ToText()));
                break;
            }
            case 2:
                ini.DeleteKey(section, key);
                ZARNIK_FUZZ_CHECK(!ini.Find(section, key));
                ZARNIK_FUZZ_CHECK(!settings::IniFile(ini.ToText()).Find(section, key));
                break;
            case 3:
                ini.EraseSection(section);
                ZARNIK_FUZZ_CHECK(!ini.HasSection(section));
                ZARNIK_FUZZ_CHECK(!settings::IniFile(ini.ToText()).HasSection(section));
                break;
            default: {
                std::int32_t n = 0;
                (void)ini.ReadInteger(section, key, 7);
                (void)ini.ReadSection(section, op & 0x80);
                if (settings::ParseIniInteger(value, n)) {
                    std::int32_t back = 0;
                    ZARNIK_FUZZ_CHECK(settings::ParseIniInteger(std::to_string(n), back) && back == n);
                }
            }
        }
    }
    const std::string last = ini.ToText();
    ZARNIK_FUZZ_CHECK(settings::IniFile(last).ToText() == last);
}

// Input: an INI file. It is loaded as at start-up and saved as at close, three
// times over: the environments read back as they were saved (empty target lines
// dropped), the settings as they were read, and the file settles after one save.
inline void SettingsFileInput(std::string_view data) {
    namespace fs = std::filesystem;
    const std::string folder = ScratchFolder() + "/program";
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder);
    const std::string iniPath = folder + "/zarnik.ini";
    WriteFile(iniPath, data);

    auto start = [&] {
        settings::ProgramState st = settings::MakeStartState(
            settings::LocateProgramPaths(folder + "/zarnik", folder + "/cfg"), 1024, 768);
        settings::LoadSettings(st);
        return st;
    };
    auto close = [](settings::ProgramState& st) {
        settings::WindowState w;
        w.Maximized = st.Place.MainPlacement.Maximized != 0;
        w.Bounds = st.Place.MainPlacement.Bounds;
        w.PaneHeight = st.Place.MainPlacement.TargetPaneHeight;
        w.TabIndex = st.Cnf.SelectedTab >= 0 && st.Cnf.SelectedTab < st.Envs.Count() ? st.Cnf.SelectedTab : 0;
        st.Envs.FetchEnv(st.Envs.EnvIdAt(w.TabIndex), w.TargetLines, w.MemoLines);
        w.ToolBar = st.ToolBar.value_or(settings::ToolBarRecord{});
        settings::SaveSettings(st, w);
    };
    auto slurp = [&] {
        std::string s;
        ZARNIK_FUZZ_CHECK(settings::ReadWholeFile(iniPath, s));
        return s;
    };

    // The first save may move names the file holds beyond its environments (a
    // hand-edited Cname with gaps) behind them, and renumbers target lines; from
    // then on a load and a save change nothing.
    settings::ProgramState first = start();
    ZARNIK_FUZZ_CHECK(first.Envs.Count() >= 1);
    close(first);
    settings::ProgramState second = start();
    auto dropEmptyLines = [](settings::EnvList& envs) {
        for (int i = 0; i < envs.Count(); ++i)
            std::erase_if(envs.At(i).TargetLines, [](const std::string& l) { return l.empty(); });
    };
    dropEmptyLines(first.Envs);
    ZARNIK_FUZZ_CHECK(second.Envs.Count() >= first.Envs.Count());
    for (int i = 0; i < first.Envs.Count(); ++i) ZARNIK_FUZZ_CHECK(second.Envs.At(i) == first.Envs.At(i));
    ZARNIK_FUZZ_CHECK(second.Paths.OpenFolder == first.Paths.OpenFolder &&
                      second.Paths.SaveFolder == first.Paths.SaveFolder &&
                      second.Paths.BrowseFolder == first.Paths.BrowseFolder);
    ZARNIK_FUZZ_CHECK(second.Cnf.ExtensionPatterns == first.Cnf.ExtensionPatterns &&
                      second.Cnf.Extensions == first.Cnf.Extensions);
    ZARNIK_FUZZ_CHECK(second.Cnf.MemoFont == first.Cnf.MemoFont &&
                      second.Cnf.ResultBackground == first.Cnf.ResultBackground &&
                      second.Cnf.HelpFile == first.Cnf.HelpFile);
    // The font text joins its parts with commas, so a face name holding one (only
    // the older key FontName can bring it) reads back shorter: a limit of the format.
    if (first.Cnf.ResultFont.FaceName.find(',') == std::string::npos)
        ZARNIK_FUZZ_CHECK(second.Cnf.ResultFont == first.Cnf.ResultFont);
    ZARNIK_FUZZ_CHECK(second.Place.MainPlacement == first.Place.MainPlacement);

    close(second);
    const std::string saved = slurp();
    settings::ProgramState third = start();
    dropEmptyLines(second.Envs);
    ZARNIK_FUZZ_CHECK(third.Envs == second.Envs);
    close(third);
    ZARNIK_FUZZ_CHECK(slurp() == saved);
}

// ---- font and colour texts ----

// Input: one text, read as a font text, a colour text and an INI integer.
inline void FontColorInput(std::string_view data) {
    ExactBytes text(data);
    settings::PaneFont font{"Face", 10, "clNavy", 3};
    settings::TextToFont(text.view(), font);
    settings::PaneFont back{"Other", 1, "clRed", 0};
    settings::TextToFont(settings::FontToText(font), back);
    ZARNIK_FUZZ_CHECK(back == font);

    settings::Color c = settings::ParseColorText(text.view());
    if (c.Kind == settings::ColorKind::Rgb) {
        ZARNIK_FUZZ_CHECK(c.Rgb <= 0xFFFFFF);
        ZARNIK_FUZZ_CHECK(settings::ParseColorText(settings::ColorToText(c.Rgb)) == c);
    }
    (void)settings::ShownRgb(c, 0x123456);

    std::int32_t n = 0;
    if (settings::ParseIniInteger(text.view(), n)) {
        std::int32_t back2 = 0;
        ZARNIK_FUZZ_CHECK(settings::ParseIniInteger(std::to_string(n), back2) && back2 == n);
    }
}

// ---- target lines and the wildcard matcher ----

inline bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = ::zarnik::text::Utf8CharLength(s, i);
        if (n == 1 && static_cast<unsigned char>(s[i]) >= 0x80) return false;
        i += n;
    }
    return true;
}

// The matcher's rule by dynamic programming over characters: "*" any run, "?" one
// character, anything else itself ignoring ASCII case; "*.*" every name.
inline bool ReferenceMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    auto split = [](std::string_view s) {
        std::vector<std::string_view> chars;
        for (std::size_t i = 0; i < s.size();) {
            std::size_t n = ::zarnik::text::Utf8CharLength(s, i);
            chars.push_back(s.substr(i, n));
            i += n;
        }
        return chars;
    };
    auto fold = [](std::string_view s) {
        std::string f(s);
        for (char& c : f)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return f;
    };
    auto p = split(pattern), n = split(name);
    // can[j]: the pattern so far matches the first j characters of the name.
    std::vector<char> can(n.size() + 1, 0), next(n.size() + 1);
    can[0] = 1;
    for (auto pc : p) {
        if (pc == "*") {
            for (std::size_t j = 1; j <= n.size(); ++j) can[j] = can[j] || can[j - 1];
            continue;
        }
        next.assign(n.size() + 1, 0);
        for (std::size_t j = 0; j < n.size(); ++j)
            if (can[j] && (pc == "?" || fold(pc) == fold(n[j]))) next[j + 1] = 1;
        can.swap(next);
    }
    return can[n.size()];
}

// Input: a target line, a NUL, then a name to match against the line's last part.
inline void TargetLineInput(std::string_view data) {
    std::size_t nul = data.find('\0');
    ExactBytes line(data.substr(0, nul));
    run::TargetParts parts = run::SplitTargetLine(line.view());
    ZARNIK_FUZZ_CHECK(run::JoinPath(parts.Folder, parts.Pattern) == line.view());
    ZARNIK_FUZZ_CHECK(parts.Pattern.find('/') == std::string::npos);
    (void)run::SjisLength(line.view());
    (void)run::NativeToSjis(line.view());
    if (nul == std::string_view::npos) return;
    ExactBytes name(data.substr(nul + 1));
    bool got = run::MatchesPattern(parts.Pattern, name.view());
    if (IsValidUtf8(parts.Pattern)) ZARNIK_FUZZ_CHECK(got == ReferenceMatch(parts.Pattern, name.view()));
    ZARNIK_FUZZ_CHECK(run::MatchesPattern("*", name.view()));
}

}  // namespace zarnik::fuzz
