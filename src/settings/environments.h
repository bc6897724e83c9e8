// Source environments: named lists of target lines with a memo each, the ordered
// list that holds them, and how they are stored: names and target lines in the INI
// file (sections Cname and FILES_n), memos in memo<n>.dat beside the INI file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_file.h"
#include "settings/safe_file.h"

namespace zarnik::settings {

using Lines = std::vector<std::string>;

struct Environment {
    std::int32_t EnvId = 0;
    std::string EnvName;  // Shift-JIS
    Lines TargetLines;    // native (the file system's own bytes); Shift-JIS only in the INI file
    Lines MemoLines;      // Shift-JIS
    // A memo file that exists but could not be read at start-up. It is kept as it
    // is: saves move it along with its environment and never overwrite it, so
    // MemoLines of such an environment are not saved. Empty normally.
    std::string KeptMemoFile;
    // Its position in the files at the last load or save (1-based), 0 when it is
    // not there yet: what a save compares it with (env_merge.h).
    std::int32_t StoredAt = 0;

    bool operator==(const Environment&) const = default;
};

// The ordered environments; position 0 is the first tab. Ids identify an
// environment within its list and are not positions.
class EnvList {
public:
    int Count() const { return static_cast<int>(envs_.size()); }
    const Environment& At(int pos) const { return envs_.at(static_cast<std::size_t>(pos)); }
    Environment& At(int pos) { return envs_.at(static_cast<std::size_t>(pos)); }

    // First position whose id matches, or -1.
    int IndexOfEnv(std::int32_t id) const;
    // The id at pos, or 0 when pos is outside 0 .. Count() - 1.
    std::int32_t EnvIdAt(int pos) const;
    // A new environment with id = highest id + 1 (1 in an empty list), no lines and
    // no memo; appended when atEnd is nonzero, else inserted at the head.
    std::int32_t AddEnv(std::string name, std::int32_t atEnd);
    // Number of environments left, or 0 when the id is unknown.
    int DeleteEnv(std::int32_t id);
    bool SwapEnvs(std::int32_t a, std::int32_t b);
    bool RenameEnv(std::int32_t id, std::string name);
    bool StoreEnv(std::int32_t id, const Lines& lines, const Lines& memo);
    bool FetchEnv(std::int32_t id, Lines& lines, Lines& memo) const;
    // out := the names in list order; returns their number.
    int EnvNames(Lines& out) const;
    void ClearEnvs();
    // Appends a deep copy of every environment (same ids) to dest.
    bool CopyEnvs(EnvList& dest) const;
    // Ids := 1, 2, ... n in list order.
    void RenumberEnvs();
    // Replaces the list by envs, whose ids the caller has made unique.
    void AssignEnvs(std::vector<Environment> envs) { envs_ = std::move(envs); }

    bool operator==(const EnvList&) const = default;

private:
    Environment* Find(std::int32_t id);
    std::vector<Environment> envs_;
};

// "開発環境(1)" in Shift-JIS.
const std::string& DefaultEnvName();

// folder (ending in "/") + "memo" + n + ".dat".
std::string MemoFileName(const std::string& folder, std::int32_t n);

// A memo file's lines: CR LF, a lone CR and a lone LF all end a line; text after
// the last line break is a line too.
Lines SplitMemoText(std::string_view text);
// Every line followed by CR LF.
std::string JoinMemoLines(const Lines& lines);

enum class MemoRead { Missing, Read, Unreadable };
// A folder or anything else that is not a regular file counts as missing: it is
// never opened.
MemoRead ReadMemoFile(const std::string& path, Lines& out);

// One target line in the INI file: under key in Shift-JIS, as target lines always
// were, and again under exactKey (its bytes, %XX-escaped) when code page 932 cannot
// hold it; a stale exactKey is removed. Reading prefers the exact form while it
// still gives key's value, so a hand edit of key wins. nullopt: no key.
void WriteTargetLine(IniFile& ini, std::string_view section, std::string_view key, std::string_view exactKey,
                     const std::string& native);
std::optional<std::string> ReadTargetLine(const IniFile& ini, std::string_view section, std::string_view key,
                                          std::string_view exactKey);

// The live list as it is without an INI file: one environment "開発環境(1)".
void SetDefaultEnvironments(EnvList& envs);

// Builds the list from an INI file that exists, reading the memo files from
// folder. Returns the paths of memo files that exist but could not be read; those
// environments keep them (Environment::KeptMemoFile) and start with an empty memo.
//
// Target lines are the values of the keys file0, file1, ... present in FILES_n,
// in the order of their numbers, however many there are and whatever gaps lie
// between them; names and target lines are taken whole, however long.
// Without readMemos the memo files are not read (and the list has no memos).
std::vector<std::string> LoadEnvironments(const IniFile& ini, const std::string& folder, EnvList& envs,
                                          bool readMemos = true);

// The memo files of one save, written into its transaction. Nothing on disk but
// the transaction's own temporary files changes before the transaction commits.
class MemoStage {
public:
    // folder: where the memo files are saved; sourceFolder: where they were read.
    MemoStage(std::string folder, std::string sourceFolder, SaveTransaction& save)
        : folder_(std::move(folder)), source_(std::move(sourceFolder)), save_(save) {}

    // Writes the memo of position pos to its temporary file now. Throws SaveFailure
    // ("ﾌｧｲﾙ %s を作成できません").
    void Write(std::int32_t pos, const Lines& memo);
    // The existing file from becomes position pos's memo file as it is: moved
    // within the folder, copied from the source folder when it can be read (else
    // it stays there).
    void Keep(std::int32_t pos, const std::string& from);
    // Position pos's memo file is removed unless something is written or kept there.
    void Clear(std::int32_t pos);
    // Adds the moves of kept files and the removals to the transaction.
    void Plan();

    const std::string& Folder() const { return folder_; }
    const std::string& SourceFolder() const { return source_; }

private:
    std::string folder_;
    std::string source_;
    SaveTransaction& save_;
    std::set<std::int32_t> writes_;
    std::map<std::int32_t, std::string> keeps_;
    std::set<std::int32_t> clears_;
};

// Message for a memo file that cannot be written: "ﾌｧｲﾙ %s を作成できません".
std::string MemoWriteMessage(const std::string& path);

namespace detail {
// The section of the environments' names (cnam1 .. cnamN) and the section of
// environment n's target lines.
inline constexpr std::string_view kNamesSection = "Cname";
std::string FilesSection(std::int64_t n);

// The number in a key spelled prefix + decimal digits without leading zeros (letter
// case ignored, at most INT32_MAX), or -1: "cnam12", "FILE3", "memo4" for the memo
// files' names.
std::int64_t NumberedKey(std::string_view key, std::string_view prefix);
}  // namespace detail

}  // namespace zarnik::settings
